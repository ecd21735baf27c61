// tests/unit/oelaunch/transfer_file_test.cpp: the saved message Latchkit hands over for a reply or
// forward via SMS, and the subject/address text and SMS wording of CC to mobile.
#include "oelaunch/transfer_file.h"

#include <gtest/gtest.h>

namespace
{
using runbay::CCPhoneMessage;
using runbay::ParseCCPhoneText;
using runbay::ParseTransferText;

TEST(TransferFile, PathIsTempFolderStampInUpperHexAndExtension)
{
    EXPECT_EQ(runbay::TransferFilePath("C:\\temp\\", 0xBEEF01u), "C:\\temp\\BEEF01.txt");
    EXPECT_EQ(runbay::TransferFilePath("C:\\temp\\", 0xFFFFFFFFu, "eml"), "C:\\temp\\FFFFFFFF.eml");
    EXPECT_EQ(runbay::TransferFilePath("", 0), "0.txt");
}

TEST(TransferFile, SavedMessageGivesRecipientAndBodyWithItsLineBreaks)
{
    const char* text = "From: Pat Doe\r\n"
                       "To: \"Kim Lee\" <kim@brevolt.example>\r\n"
                       "Cc: cc@brevolt.example\r\n"
                       "Sent: Tue, 1 Dec 2026 10:00:00 +0000\r\n"
                       "Subject: Lunch\r\n"
                       "\r\n"
                       "Meet at ten.\r\n"
                       "\r\n"
                       "Pat\r\n";
    const runbay::CTransferMessage message = ParseTransferText(text);
    EXPECT_EQ(message.m_sRecipient, "kim@brevolt.example");
    EXPECT_EQ(message.m_sText, "Meet at ten.\r\n\r\nPat\r\n");
}

TEST(TransferFile, RecipientForms)
{
    const struct
    {
        const char* m_szToLine;
        const char* m_szRecipient;
    } rows[] = {
        {"To: kim@brevolt.example  \r\n", "kim@brevolt.example"},
        {"To: Kim <kim@brevolt.example>\n", "kim@brevolt.example"},
        // Only the part after the angle bracket counts, whatever precedes it.
        {"To: a@x.example; \"Kim\" <kim@brevolt.example>\r\n", "kim@brevolt.example"},
        {"To: +27825550101\r\n", "+27825550101"},
        {"To: \r\n", ""},
        // The first line holding "To: " wins, wherever in the line it is.
        {"Reply-To: r@brevolt.example\r\n", "r@brevolt.example"},
    };
    for (const auto& row : rows)
    {
        const std::string text = std::string("From: Pat\r\n") + row.m_szToLine + "Sent: now\r\nSubject: s\r\n\r\nBody";
        EXPECT_EQ(ParseTransferText(text).m_sRecipient, row.m_szRecipient) << row.m_szToLine;
        EXPECT_EQ(ParseTransferText(text).m_sText, "Body") << row.m_szToLine;
    }
}

TEST(TransferFile, EmptyLinesEndingTheHeader)
{
    // A lone line feed, CR LF, and four spaces before either end the header; other blank-looking
    // lines do not.
    for (const char* blank : {"\n", "\r\n", "    \n", "    \r\n"})
    {
        const std::string text = std::string("To: k@x\r\nSent: a\r\nSubject: b\r\n") + blank + "Body\r\n";
        EXPECT_EQ(ParseTransferText(text).m_sText, "Body\r\n") << '"' << blank << '"';
    }
    const std::string spaced = "To: k@x\r\nSent: a\r\n   \r\n  \t\r\nSubject: b\r\n\r\nBody";
    EXPECT_EQ(ParseTransferText(spaced).m_sText, "Body");
}

TEST(TransferFile, OnlyTheHeaderIsSearchedForTheRecipient)
{
    EXPECT_EQ(ParseTransferText("From: Pat\r\nSubject: s\r\n\r\nTo: body@x\r\n").m_sRecipient, "");
    EXPECT_EQ(ParseTransferText("From: Pat\r\nSubject: s\r\n\r\nTo: body@x\r\n").m_sText, "To: body@x\r\n");
    // The recipient line closing the header still leaves the whole body.
    EXPECT_EQ(ParseTransferText("To: k@x\r\n\r\nFirst\r\nSecond").m_sText, "First\r\nSecond");
}

TEST(TransferFile, TruncatedAndDegenerateFiles)
{
    EXPECT_EQ(ParseTransferText("").m_sText, "");
    EXPECT_EQ(ParseTransferText("").m_sRecipient, "");
    // A header that never ends has no body.
    EXPECT_EQ(ParseTransferText("To: k@x\r\nSubject: s").m_sRecipient, "k@x");
    EXPECT_EQ(ParseTransferText("To: k@x\r\nSubject: s").m_sText, "");
    EXPECT_EQ(ParseTransferText("To: <").m_sRecipient, "");
    EXPECT_EQ(ParseTransferText("To: >").m_sRecipient, "");
    EXPECT_EQ(ParseTransferText("\r\n").m_sText, "");
    EXPECT_EQ(ParseTransferText(std::string_view("To: a\0b\n\nx\0y", 12)).m_sText, std::string("x\0y", 3));
}

TEST(TransferFile, ForwardDropsTheRecipientReplyAndNewKeepIt)
{
    const runbay::CTransferMessage message{"kim@x", "text"};
    EXPECT_EQ(runbay::MessageForKind(message, runbay::kSpawnForward).m_sRecipient, "");
    EXPECT_EQ(runbay::MessageForKind(message, runbay::kSpawnForward).m_sText, "text");
    EXPECT_EQ(runbay::MessageForKind(message, runbay::kSpawnReply).m_sRecipient, "kim@x");
}

TEST(CCPhone, SubjectThenAddresses)
{
    runbay::CCCPhoneRequest request = ParseCCPhoneText("Lunch; at ten;a@x.example; b@y.example ;;  ;c@z");
    EXPECT_EQ(request.m_sSubject, "Lunch");
    EXPECT_EQ(request.m_vAddresses, (std::vector<std::string>{"at ten", "a@x.example", "b@y.example", "c@z"}));

    request = ParseCCPhoneText(std::string_view(";k@x\0junk;more", 14));
    EXPECT_EQ(request.m_sSubject, "");
    EXPECT_EQ(request.m_vAddresses, (std::vector<std::string>{"k@x"}));

    request = ParseCCPhoneText("");
    EXPECT_EQ(request.m_sSubject, "");
    EXPECT_TRUE(request.m_vAddresses.empty());
    EXPECT_TRUE(ParseCCPhoneText("Only a subject").m_vAddresses.empty());
}

TEST(CCPhone, TheFourTextsAndTheirCuts)
{
    EXPECT_EQ(CCPhoneMessage("Pat Doe", "Lunch"), "You have a new e-mail from Pat Doe, subject : 'Lunch'");
    EXPECT_EQ(CCPhoneMessage("Pat Doe", ""), "You have a new e-mail from Pat Doe");
    EXPECT_EQ(CCPhoneMessage("", "Lunch"), "You have a new e-mail, subject : 'Lunch'");
    EXPECT_EQ(CCPhoneMessage("", ""), "You have a new e-mail");

    const std::string subject80(80, 's');
    const std::string name60 = std::string(50, 'n') + "0123456789";
    EXPECT_EQ(CCPhoneMessage("", subject80), "You have a new e-mail, subject : '" + std::string(50, 's') + "'");
    EXPECT_EQ(CCPhoneMessage(name60, subject80),
              "You have a new e-mail from " + std::string(50, 'n') + ", subject : '" + std::string(50, 's') + "'");
    EXPECT_EQ(CCPhoneMessage(std::string(50, 'n'), ""), "You have a new e-mail from " + std::string(50, 'n'));
    // Format characters in what the user typed are text, not directives.
    EXPECT_EQ(CCPhoneMessage("%s%n", "100%"), "You have a new e-mail from %s%n, subject : '100%'");
}
} // namespace
