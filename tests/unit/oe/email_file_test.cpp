// tests/unit/oe/email_file_test.cpp: the transfer file's text, line for line, for each shape of
// mail, the recipient lines, the date, and the file's name and replacement.
#include "Addressbook/oe/email_file.h"
#include "Addressbook/oe/sent_copy.h"
#include "common/file_read.h"
#include "tests/unit/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{
const CTraceTime kWhen{2026, 12, 9, 21, 34, 1, 0};
const std::string kMixed = "----=_NextPart_000_0006_01C2C956.AC5E0B10";
const std::string kAlt = "----=_NextPart_000_0005_01D2C956.ACDE0B1A";
const std::string kPlainHeader =
    "Content-Type: text/plain;\n\tcharset=\"iso-8859-1\"\nContent-Transfer-Encoding: 7bit\n";
const std::string kHtmlHeader = "Content-Type: text/html;\n\tcharset=\"iso-8859-1\"\nContent-Transfer-Encoding: 7bit\n";

std::string Tail(bool p_bUnsent = true)
{
    return std::string("X-Priority: 3\n") + (p_bUnsent ? "X-Unsent: 1\n" : "") +
           "X-MSMail-Priority: Normal\nX-Mailer: VI Reveer\n\n";
}
} // namespace

TEST(EmailFileText, JobWithAttachmentHasTheLiteralLayout)
{
    oetest::CRecipients to;
    to.Add("Pat Doe", "pat@brevolt.example").Add(nullptr, "kim@brevolt.example");
    oetest::CRecipients bcc;
    bcc.Add(nullptr, nullptr, "+27825551234");
    CEmailFileParts parts;
    parts.m_sFrom = "Me <me@brevolt.example>";
    parts.m_p_mrlTo = to.List();
    parts.m_p_mrlBcc = bcc.List();
    parts.m_sPlain = "Body\r\nline two";
    parts.m_sSubject = "Job";
    parts.m_sAttachment = "QUJD\r\nREVG";

    const std::string expected =
        "From: \"Me <me@brevolt.example>\"\n"
        "To: \tPat Doe <pat@brevolt.example>,\n\t\"kim@brevolt.example\"\n"
        "Bcc: \t\"+27825551234\"\n"
        "Subject: Job\nDate: Wed, 09 Dec 26 21:34:01 +0000\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed;\n\tboundary=\"" +
        kMixed + "\"\n" + Tail() + "\nThis is a multi-part message in MIME format.\n\n--" + kMixed + "\n" +
        kPlainHeader + "\nBody\nline two\n\n\n\n--" + kMixed +
        "\nContent-Type: text/plain;\n\tname=\"content.txt\"\nContent-Transfer-Encoding: base64\n"
        "Content-Disposition: attachment;\n\tfilename=\"content.txt\"\n\nQUJD\nREVG\n--" +
        kMixed + "--\n";
    EXPECT_EQ(BuildEmailFileText(parts, kWhen), expected);
}

TEST(EmailFileText, TextShapesWithoutAttachment)
{
    CEmailFileParts parts;
    parts.m_sSubject = "S";
    parts.m_bUnsent = false;
    const std::string head = "To: \nSubject: S\nDate: Wed, 09 Dec 26 21:34:01 +0000\nMIME-Version: 1.0\n";

    parts.m_sPlain = "P";
    EXPECT_EQ(BuildEmailFileText(parts, kWhen), head + kPlainHeader + Tail(false) + "\nP\n");

    parts.m_sPlain.clear();
    parts.m_sHtml = "<b>H</b>";
    EXPECT_EQ(BuildEmailFileText(parts, kWhen), head + kHtmlHeader + Tail(false) + "\n<b>H</b>\n");

    parts.m_sPlain = "P";
    EXPECT_EQ(BuildEmailFileText(parts, kWhen), head + "Content-Type: multipart/alternative;\n\tboundary=\"" + kAlt +
                                                    "\"\n" + Tail(false) + "\n--" + kAlt + "\n" + kPlainHeader +
                                                    "\nP\n\n--" + kAlt + "\n" + kHtmlHeader + "\n<b>H</b>\n\n--" +
                                                    kAlt + "--\n");
}

TEST(EmailFileText, BothTextsWithAttachmentKeepTheHtmlOutOfItsHeaders)
{
    CEmailFileParts parts;
    parts.m_sPlain = "P";
    parts.m_sHtml = "<b>H</b>";
    parts.m_sAttachment = "QUJD";
    const std::string text = BuildEmailFileText(parts, kWhen);
    const std::string alternative = "--" + kMixed + "\nContent-Type: multipart/alternative;\n\tboundary=\"" + kAlt +
                                    "\"\n\n--" + kAlt + "\n" + kPlainHeader + "\nP\n\n--" + kAlt + "\n" + kHtmlHeader +
                                    "\n<b>H</b>\n\n--" + kAlt + "--\n\n\n--" + kMixed + "\n";
    EXPECT_NE(text.find(alternative), std::string::npos) << text;
}

TEST(EmailFileText, RecipientLinesAndTheFromRule)
{
    struct CCase
    {
        const char* m_szName;
        const char* m_szFrom;
        bool m_bFromLine;
    };
    for (const CCase& c :
         {CCase{"empty", "", false}, CCase{"leading space", " <me@x>", false}, CCase{"address alone", "me@x", true}})
    {
        CEmailFileParts parts;
        parts.m_sFrom = c.m_szFrom;
        const std::string text = BuildEmailFileText(parts, kWhen);
        EXPECT_EQ(text.rfind("From: ", 0) == 0, c.m_bFromLine) << c.m_szName;
    }

    // One nameless recipient: TAB, the quoted address, no comma. Mobile and display text stand in
    // for a missing address; a recipient with nothing to show is left out without leaving a comma.
    oetest::CRecipients one;
    one.Add(nullptr, "kim@brevolt.example");
    CEmailFileParts parts;
    parts.m_p_mrlTo = one.List();
    EXPECT_NE(BuildEmailFileText(parts, kWhen).find("To: \t\"kim@brevolt.example\"\nSubject: "), std::string::npos);

    oetest::CRecipients cc;
    cc.Add("", "a@x").Add("Name only", nullptr, nullptr, "Shown").Add(nullptr, nullptr, nullptr, nullptr);
    parts.m_p_mrlCc = cc.List();
    EXPECT_NE(BuildEmailFileText(parts, kWhen).find("Cc: \t\"a@x\",\n\t\"Shown\"\nSubject: "), std::string::npos);

    oetest::CRecipients nobody;
    nobody.Add(nullptr, nullptr);
    parts.m_p_mrlCc = nullptr;
    parts.m_p_mrlBcc = nobody.List();
    const std::string text = BuildEmailFileText(parts, kWhen);
    EXPECT_EQ(text.find("Bcc:"), std::string::npos) << "a list of nobody to show has no header to swallow the next";
    EXPECT_NE(text.find("\nSubject: "), std::string::npos);
}

TEST(EmailFileText, DateAcrossYearsAndWeekdays)
{
    const std::pair<CTraceTime, const char*> cases[] = {
        {{2000, 1, 1, 0, 0, 0, 0}, "Sat, 01 Jan 00 00:00:00 +0000"},
        {{2003, 2, 28, 23, 59, 59, 0}, "Fri, 28 Feb 03 23:59:59 +0000"},
        {{2024, 2, 29, 12, 5, 7, 0}, "Thu, 29 Feb 24 12:05:07 +0000"},
        {{1999, 12, 31, 1, 2, 3, 0}, "Fri, 31 Dec 99 01:02:03 +0000"},
    };
    for (const auto& c : cases)
    {
        const std::string text = BuildEmailFileText(CEmailFileParts(), c.first);
        EXPECT_NE(text.find(std::string("Date: ") + c.second + "\n"), std::string::npos) << c.second;
    }
}

TEST(TransferFile, NameAndNumber)
{
    EXPECT_EQ(TransferFileNumberFromFileTime(0x01D2C956AC5E0B10ULL), 0x01D2C956u ^ 0xAC5E0B10u);
    const char sep = platform::PathSeparator();
    EXPECT_EQ(TransferFilePath("dir", 0xAB12u), std::string("dir") + sep + "AB12.eml");
    EXPECT_EQ(TransferFilePath(std::string("dir") + sep, 0x1Fu, "txt"), std::string("dir") + sep + "1F.txt");
    EXPECT_NE(NewTransferFileNumber(), 0u);
}

TEST(TransferFile, WriteReplacesAnOlderFileAndKeepsAGivenNumber)
{
    uint32_t number = 0x5EED0001;
    const std::string path = TransferFilePath(platform::TempDirectory(), number);
    {
        std::FILE* old = std::fopen(path.c_str(), "w");
        ASSERT_NE(old, nullptr);
        std::fputs(std::string(5000, 'x').c_str(), old);
        std::fclose(old);
    }
    CEmailFileParts parts;
    parts.m_sPlain = "fresh";
    std::string written;
    ASSERT_TRUE(WriteEmailFile(parts, number, &written));
    EXPECT_EQ(number, 0x5EED0001u);
    EXPECT_EQ(written, path);
    std::string bytes;
    ASSERT_EQ(ReadWholeFile(path, bytes), EReadFile::Read);
    EXPECT_EQ(bytes.find("xxxxxxxx"), std::string::npos);
    EXPECT_NE(bytes.find("\nfresh\n"), std::string::npos);
    std::remove(path.c_str());

    uint32_t fresh = 0;
    ASSERT_TRUE(WriteEmailFile(parts, fresh, &written));
    EXPECT_NE(fresh, 0u);
    EXPECT_EQ(written, TransferFilePath(platform::TempDirectory(), fresh));
    std::remove(written.c_str());
}

TEST(SentCopy, TheCopyIsLabelledWithTheSenderKeptNotSentAndItsSubjectIsOneShortLine)
{
    struct CCase
    {
        const char* m_szName;
        const char* m_szEmail;
        const char* m_szFromLine;
    };
    for (const CCase& c : {CCase{"Ann Example", "ann@example.org", "From: \"Ann Example [ann@example.org]\"\n"},
                           CCase{"", "ann@example.org", "From: \"ann@example.org\"\n"},
                           CCase{"Ann Example", "", "From: \"Ann Example\"\n"}})
    {
        const std::string text =
            BuildEmailFileText(SentCopyParts(c.m_szName, c.m_szEmail, nullptr, nullptr, "S", "T"), kWhen);
        EXPECT_EQ(text.rfind(c.m_szFromLine, 0), 0u) << text;
    }

    oetest::CRecipients to;
    to.Add("Kim Lee", nullptr, "+27825550101");
    oetest::CRecipients cc;
    cc.Add(nullptr, nullptr, "+27825550102");
    std::string subject = "Dinner\tat\r\neight";
    subject += std::string(150, 'x');
    const CEmailFileParts parts =
        SentCopyParts("Ann", "ann@example.org", to.List(), cc.List(), subject, "Dinner at eight");
    const std::string text = BuildEmailFileText(parts, kWhen);
    EXPECT_NE(text.find("To: \t\"+27825550101\"\nCc: \t\"+27825550102\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSubject: Dinner at  eight" + std::string(84, 'x') + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("X-Unsent"), std::string::npos) << "kept, not sent: the client opens it as a message";
    EXPECT_EQ(text.find("Content-Disposition"), std::string::npos);
    EXPECT_NE(text.find("\n\nDinner at eight\n"), std::string::npos) << text;
}
