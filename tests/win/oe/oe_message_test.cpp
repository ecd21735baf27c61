// tests/win/oe/oe_message_test.cpp: messages as text (written, read back, read from other mailers'
// forms) and in the folder files of both layouts, including damaged files.
#include "standins/oe/store/dbx_file.h"
#include "standins/oe/store/eml_message.h"

#include <gtest/gtest.h>

namespace
{
using oestore::CMailMessage;

TEST(OeMessageText, WrittenMessagesReadBackWithTheirAttachments)
{
    CMailMessage message;
    message.m_oFrom = {"Pat Doe", "pat@brevolt.example"};
    message.m_vTo = {{"Lee, Kim", "kim@brevolt.example"}, {"", "b@brevolt.example"}};
    message.m_vCc = {{"", "c@brevolt.example"}};
    message.m_vBcc = {{"", "hidden@brevolt.example"}};
    message.m_sSubject = "Figures";
    message.m_sDate = "Tue, 08 Dec 2026 10:00:00 +0000";
    message.m_sBody = "Line one\nLine two\r\n";
    std::string binary;
    for (int i = 0; i < 300; ++i)
        binary.push_back(static_cast<char>(i));
    message.m_vAttachments = {{"a.bin", binary}, {"empty.txt", ""}, {"one.txt", "x"}, {"two.txt", "xy"}};

    for (const bool withBcc : {false, true})
    {
        CMailMessage again;
        ASSERT_TRUE(oestore::ParseMessage(oestore::ComposeMessageText(message, withBcc), again));
        EXPECT_EQ(again.m_oFrom.m_sName, "Pat Doe");
        ASSERT_EQ(again.m_vTo.size(), 2u);
        EXPECT_EQ(again.m_vTo[0].m_sName, "Lee, Kim");
        EXPECT_EQ(again.m_vTo[1].m_sAddress, "b@brevolt.example");
        EXPECT_EQ(again.m_vBcc.size(), withBcc ? 1u : 0u);
        EXPECT_EQ(again.m_sSubject, "Figures");
        EXPECT_EQ(again.m_sDate, message.m_sDate);
        EXPECT_EQ(again.m_sBody, "Line one\r\nLine two\r\n");
        ASSERT_EQ(again.m_vAttachments.size(), 4u);
        for (size_t i = 0; i < 4; ++i)
        {
            EXPECT_EQ(again.m_vAttachments[i].m_sFileName, message.m_vAttachments[i].m_sFileName);
            EXPECT_EQ(again.m_vAttachments[i].m_sData, message.m_vAttachments[i].m_sData);
        }
    }
}

TEST(OeMessageText, OtherMailersFormsAreRead)
{
    const char* folded = "From: Sam <sam@brevolt.example>\nTo: a@brevolt.example,\n\tb@brevolt.example\n"
                         "Subject: A long\n subject\nContent-Type: text/plain\nContent-Transfer-Encoding: "
                         "quoted-printable\n\nCaf=E9 is =\nhere=3D\n";
    CMailMessage message;
    ASSERT_TRUE(oestore::ParseMessage(folded, message));
    EXPECT_EQ(message.m_vTo.size(), 2u);
    EXPECT_EQ(message.m_sSubject, "A long subject");
    EXPECT_EQ(message.m_sBody, "Caf\xE9 is here=\n");

    // Nested alternative parts: the plain text is the body, the HTML no attachment of its own.
    const char* nested = "From: x@brevolt.example\r\nSubject: Nested\r\nContent-Type: multipart/mixed; boundary=OUT\r\n"
                         "\r\n--OUT\r\nContent-Type: multipart/alternative; boundary=\"IN\"\r\n\r\n--IN\r\n"
                         "Content-Type: text/plain\r\n\r\nplain\r\n--IN\r\nContent-Type: text/html\r\n\r\n<b>x</b>\r\n"
                         "--IN--\r\n--OUT\r\nContent-Type: text/plain; name=\"content.txt\"\r\n"
                         "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
                         "\tfilename=\"content.txt\"\r\n\r\nPE1BSUw+\r\n--OUT--\r\n";
    ASSERT_TRUE(oestore::ParseMessage(nested, message));
    EXPECT_EQ(message.m_sBody, "plain") << "the line break before a boundary belongs to the boundary";
    ASSERT_EQ(message.m_vAttachments.size(), 2u);
    EXPECT_EQ(message.m_vAttachments[1].m_sFileName, "content.txt");
    EXPECT_EQ(message.m_vAttachments[1].m_sData, "<MAIL>");

    // Text without any header, a boundary that never comes, broken base64.
    EXPECT_FALSE(oestore::ParseMessage("just some words\r\n\r\nmore", message));
    EXPECT_FALSE(oestore::ParseMessage("", message));
    ASSERT_TRUE(
        oestore::ParseMessage("Subject: x\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\nno parts", message));
    EXPECT_TRUE(message.m_vAttachments.empty());
    std::string data;
    EXPECT_FALSE(oestore::Base64Decode("QU*=", data));
    EXPECT_FALSE(oestore::Base64Decode("QUJDR", data)) << "a lone sixth bit group";
    ASSERT_TRUE(oestore::Base64Decode("QUJD\r\nRA==", data));
    EXPECT_EQ(data, "ABCD");
}

TEST(OeFolderFiles, MessagesReadBackFromBothLayoutsAndDamageIsRefused)
{
    std::vector<oestore::CStoredMessage> messages;
    for (uint32_t i = 0; i < 120; ++i)
        messages.push_back({i + 7, i % 2 == 0 ? oestore::kMessageRead : 0u, "Subject: " + std::to_string(i) + "\r\n"});
    messages.push_back({0x01020304, 0, std::string(70000, 'z')});

    uint32_t next = 0;
    std::vector<oestore::CStoredMessage> again;
    const std::vector<uint8_t> dbx = oestore::BuildFolderFile(500, messages);
    ASSERT_EQ(oestore::ReadFolderFile(dbx, next, again), oestore::EDbxRead::Ok);
    EXPECT_EQ(next, 500u);
    EXPECT_EQ(dbx[0x5C], 0xF4) << "the next-message number stays where readers look for it";
    ASSERT_EQ(again.size(), messages.size());
    for (size_t i = 0; i < messages.size(); ++i)
    {
        EXPECT_EQ(again[i].m_nId, messages[i].m_nId);
        EXPECT_EQ(again[i].m_nFlags, messages[i].m_nFlags);
        EXPECT_EQ(again[i].m_sText, messages[i].m_sText);
    }
    const std::vector<uint8_t> mbx = oestore::BuildMbxFile(9, messages);
    ASSERT_EQ(oestore::ReadMbxFile(mbx, next, again), oestore::EDbxRead::Ok);
    EXPECT_EQ(next, 9u);
    EXPECT_EQ(mbx[8], 9);
    ASSERT_EQ(again.size(), messages.size());
    EXPECT_EQ(again.back().m_sText, messages.back().m_sText);

    // Cut anywhere inside the last record, both layouts refuse the file instead of reading past it.
    for (const size_t cut : {size_t(1), size_t(100), size_t(69990)})
    {
        std::vector<uint8_t> shortMbx(mbx.begin(), mbx.end() - static_cast<ptrdiff_t>(cut));
        EXPECT_EQ(oestore::ReadMbxFile(shortMbx, next, again), oestore::EDbxRead::Truncated) << cut;
    }
    EXPECT_EQ(oestore::ReadMbxFile(std::vector<uint8_t>(15, 0), next, again), oestore::EDbxRead::Truncated);
    std::vector<uint8_t> lying = oestore::BuildMbxFile(1, {{1, 0, "abc"}});
    lying[16 + 8] = 0xFF;
    EXPECT_EQ(oestore::ReadMbxFile(lying, next, again), oestore::EDbxRead::Truncated);
    std::vector<uint8_t> shortDbx(dbx.begin(), dbx.begin() + 0x100);
    EXPECT_NE(oestore::ReadFolderFile(shortDbx, next, again), oestore::EDbxRead::Ok);
    EXPECT_TRUE(again.empty());
}
} // namespace
