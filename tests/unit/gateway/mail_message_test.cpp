// tests/unit/gateway/mail_message_test.cpp: reading gateway mails the way mail clients send them.
#include "gateway/mail_message.h"

#include <gtest/gtest.h>

namespace
{
TEST(MailMessage, MultipartWithUnquotedBoundaryAndFoldedHeaders)
{
    const std::string raw = "From: Ann <ann@example.org>\r\n"
                            "To: SMS Gateway\r\n <sms@brevolt.example>\r\n"
                            "Subject: job\r\n"
                            "MIME-Version: 1.0\r\n"
                            "Content-Type: multipart/mixed;\r\n\tboundary=OUTER_22102001\r\n"
                            "\r\n"
                            "This is a multi-part message in MIME format.\r\n\r\n"
                            "--OUTER_22102001\r\n"
                            "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
                            "Content-Transfer-Encoding: 7bit\r\n\r\n"
                            "<SMS SEND>\r\nbody\r\n\r\n"
                            "--OUTER_22102001\r\n"
                            "Content-Type: application/octet-stream; name=\"content.txt\"\r\n"
                            "Content-Transfer-Encoding: base64\r\n"
                            "Content-Disposition: attachment; filename=content.txt\r\n\r\n"
                            "aGVs\r\nbG8A\r\n"
                            "--OUTER_22102001--\r\n";
    CMailMessage mail;
    std::string error;
    ASSERT_TRUE(mail.Parse(raw, error)) << error;
    EXPECT_EQ(mail.Header("to"), "SMS Gateway <sms@brevolt.example>");
    ASSERT_EQ(mail.Parts().size(), 2u);
    EXPECT_EQ(mail.Parts()[0].m_sContentType, "text/plain");
    EXPECT_EQ(mail.Parts()[0].m_sBody, "<SMS SEND>\r\nbody\r\n");
    EXPECT_EQ(mail.Parts()[1].m_sFileName, "content.txt");
    EXPECT_EQ(mail.Parts()[1].m_sBody, std::string("hello\0", 6));
}

TEST(MailMessage, NestedPartsAndQuotedPrintable)
{
    const std::string raw = "Content-Type: multipart/mixed; boundary=\"a\"\n\n"
                            "--a\n"
                            "Content-Type: multipart/alternative; boundary=b\n\n"
                            "--b\n"
                            "Content-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\n"
                            "caf=E9 =\nau lait=3D\n"
                            "--b--\n"
                            "--a--\n";
    CMailMessage mail;
    std::string error;
    ASSERT_TRUE(mail.Parse(raw, error)) << error;
    ASSERT_EQ(mail.Parts().size(), 1u);
    EXPECT_EQ(mail.Parts()[0].m_sBody, "caf\xE9 au lait=");
}

TEST(MailMessage, BrokenStructuresFail)
{
    CMailMessage mail;
    std::string error;
    EXPECT_FALSE(mail.Parse("Content-Type: multipart/mixed\r\n\r\nbody", error));
    EXPECT_EQ(error, "multipart without a boundary");
    EXPECT_FALSE(mail.Parse("Content-Type: multipart/mixed; boundary=x\r\n\r\nno parts", error));
    std::string deep;
    for (int i = 0; i < 12; ++i)
        deep += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" + std::to_string(i) +
                "\r\n";
    EXPECT_FALSE(mail.Parse(deep, error));
    EXPECT_EQ(error, "MIME parts nested too deeply");
    EXPECT_FALSE(mail.Parse("", error));
}
} // namespace
