// tests/unit/protocol/xml_protocol_test.cpp: encoded elements, positional reading, plain blocks,
// signed blocks and the mail-body clean-up.
#include "Addressbook/protocol/xml_protocol.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

namespace
{
class XmlProtocolTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_oXML.IsError());
        MakeTestKey(m_oKey);
    }

    std::string Element(const std::vector<uint8_t>& p_vData, const char* p_szTag)
    {
        std::string xml;
        EXPECT_TRUE(m_oXML.DatatoXML(p_vData.data(), p_vData.size(), p_szTag, xml));
        return xml;
    }

    CXMLProtocol m_oXML;
    CAES m_oKey;
};

TEST_F(XmlProtocolTest, ElementLayout)
{
    EXPECT_EQ(Element(BytesOf("foob"), "T"), "<T>\r\n\r\nZm9vYg==\r\n</T>");
    const std::string full = Element(RandomBytes(45, 1), "NONCE");
    const size_t lines[] = {full.find("\r\n"), full.find("\r\n\r\n"), full.rfind("\r\n\r\n</NONCE>")};
    EXPECT_EQ(lines[0], 7u);
    EXPECT_EQ(lines[1], 7u) << "an empty line follows the opening tag";
    EXPECT_EQ(lines[2], 11u + 60) << "60 characters, their CR LF, an empty line, then the closing tag";
    EXPECT_EQ(full.substr(full.size() - 8), "</NONCE>");

    std::string text;
    ASSERT_TRUE(m_oXML.StringtoXML("", "SENDER EMAIL", text));
    EXPECT_EQ(text, "<SENDER EMAIL>\r\n\r\nAA==\r\n</SENDER EMAIL>") << "an empty string is one zero byte";
    ASSERT_TRUE(m_oXML.IntegertoXML(0x01020304, "N", text));
    EXPECT_EQ(text, "<N>\r\n\r\nBAMCAQ==\r\n</N>");
    ASSERT_TRUE(m_oXML.CreateNonceXML(text));
    std::string_view cursor = text;
    std::vector<uint8_t> nonce;
    ASSERT_TRUE(m_oXML.XMLtoData(cursor, "NONCE", nonce));
    EXPECT_EQ(nonce.size(), kNonceSize);
}

TEST_F(XmlProtocolTest, ReaderFindsElementsOnlyWhereThePreviousOneEnded)
{
    const std::string doc =
        Element(BytesOf("one"), "A") + "\r\n" + Element(BytesOf("two"), "B") + " trailing\r\n" + Element({}, "C");
    std::string_view cursor = doc;
    std::vector<uint8_t> value;
    ASSERT_TRUE(m_oXML.XMLtoData(cursor, "A", value));
    EXPECT_EQ(value, BytesOf("one"));
    EXPECT_FALSE(m_oXML.XMLtoData(cursor, "C", value)) << "no search: B stands at the cursor";
    EXPECT_EQ(m_oXML.Error().Id(), 213u);
    EXPECT_EQ(m_oXML.Error().Text(), "Error in parsing, token '<C>' expected");
    ASSERT_TRUE(m_oXML.XMLtoData(cursor, "B", value)) << "a failed read leaves the cursor alone";
    EXPECT_EQ(value, BytesOf("two"));
    ASSERT_TRUE(m_oXML.XMLtoData(cursor, "C", value)) << "the rest of the closing tag's line is passed over";
    EXPECT_TRUE(value.empty());
    EXPECT_TRUE(cursor.empty());

    const std::string blank = " " + Element(BytesOf("x"), "NONCE");
    cursor = blank;
    EXPECT_FALSE(m_oXML.XMLtoData(cursor, "NONCE", value)) << "a blank before the tag";

    for (const char* broken : {"<A>", "<A>\r\n", "<A>\r\n\r\nZm9v\r\n", "<A>\r\n\r\nZm9v</B>", "<A", ""})
    {
        cursor = broken;
        EXPECT_FALSE(m_oXML.XMLtoData(cursor, "A", value)) << broken;
    }
    cursor = "<A>\r\n\r\nZm9v";
    EXPECT_FALSE(m_oXML.XMLtoData(cursor, "A", value));
    EXPECT_EQ(m_oXML.Error().Text(), "Error in parsing, token '</A>' expected");

    uint32_t number = 0;
    const std::string three = Element(BytesOf("abc"), "N");
    cursor = three;
    EXPECT_FALSE(m_oXML.XMLtoInteger(cursor, "N", number)) << "an integer is exactly four bytes";
}

TEST_F(XmlProtocolTest, PlainBlocks)
{
    std::string doc;
    CXMLProtocol::AppendPlainBlock(doc, "NAME", "A <b> & c");
    CXMLProtocol::AppendPlainBlock(doc, "EMAIL", "");
    CXMLProtocol::AppendPlainBlock(doc, "MESSAGE", "two\r\nlines");
    EXPECT_EQ(
        doc,
        "<NAME>\r\nA <b> & c\r\n</NAME>\r\n<EMAIL>\r\n\r\n</EMAIL>\r\n<MESSAGE>\r\ntwo\r\nlines\r\n</MESSAGE>\r\n");

    std::string_view cursor = doc;
    std::string value;
    const std::pair<const char*, const char*> blocks[] = {
        {"NAME", "A <b> & c"}, {"EMAIL", ""}, {"MESSAGE", "two\r\nlines"}};
    for (const auto& [tag, expected] : blocks)
    {
        ASSERT_TRUE(m_oXML.PlainBlockFromXML(cursor, tag, value)) << tag;
        EXPECT_EQ(value, expected);
    }
    EXPECT_TRUE(cursor.empty());
    cursor = "<NAME>\r\nno end";
    EXPECT_FALSE(m_oXML.PlainBlockFromXML(cursor, "NAME", value));
    EXPECT_EQ(m_oXML.Error().Text(), "Error in parsing, token '</NAME>' expected");
}

TEST_F(XmlProtocolTest, CorrectParsingProblemsRemovesOnlyBlanksAtLineEnds)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a  \r\nb \nc", "a\r\nb\nc"},        {"a \r\r\n", "a\r\r\n"}, {" lead\r\n", " lead\r\n"},
        {"in side \t\r\n", "in side \t\r\n"}, {"end  ", "end  "},      {"  \r\n  \r\n", "\r\n\r\n"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CXMLProtocol::CorrectParsingProblems(in), out) << in;
}

TEST_F(XmlProtocolTest, ExtractFindsTheDocumentAnywhereInTheBody)
{
    std::string content;
    int found = 1;
    EXPECT_FALSE(m_oXML.PreProcessAndExtractData("", "UPGRADE", content, found));
    EXPECT_EQ(found, 0);
    EXPECT_EQ(m_oXML.Error().Text(), "Error in parsing, token '' expected");
    EXPECT_FALSE(m_oXML.PreProcessAndExtractData("hello", "UPGRADE", content, found));
    EXPECT_EQ(found, 0);

    ASSERT_TRUE(m_oXML.PreProcessAndExtractData("Dear user,\r\n<UPGRADE>  \r\n  body line  \r\n</UPGRADE>\r\nbye",
                                                "UPGRADE", content, found));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(content, "body line\r\n");

    EXPECT_FALSE(m_oXML.PreProcessAndExtractData("<UPGRADE>\r\nno end", "UPGRADE", content, found));
    EXPECT_EQ(found, 1);

    std::string zipped;
    ASSERT_TRUE(m_oXML.CompressToXML("inner text", zipped));
    ASSERT_TRUE(m_oXML.PreProcessAndExtractData("<X>\r\n" + zipped + "\r\n</X>\r\n", "X", content, found));
    EXPECT_EQ(content, "inner text");
}

TEST_F(XmlProtocolTest, CompressedElementsRoundTripAndRejectDamage)
{
    std::string zipped, text;
    ASSERT_TRUE(m_oXML.CompressToXML("some text", zipped));
    ASSERT_TRUE(m_oXML.UncompressFromXML(zipped, text));
    EXPECT_EQ(text, "some text");

    std::string_view cursor = zipped;
    std::vector<uint8_t> blob;
    ASSERT_TRUE(m_oXML.XMLtoData(cursor, "ZIP COMPRESSED", blob));
    EXPECT_EQ(ToHex(std::vector<uint8_t>(blob.begin(), blob.begin() + 4)), "0a000000") << "text and one NUL";

    blob[0] = 0xFF;
    blob[3] = 0xFF;
    EXPECT_FALSE(m_oXML.UncompressFromXML(Element(blob, "ZIP COMPRESSED"), text));
    EXPECT_EQ(m_oXML.Error().Text(),
              "Function 'CZipCompressor::ZipUncompress' failed in 'CXMLProtocol::UncompressFromXML'.");
}

TEST_F(XmlProtocolTest, SignedBlocksVerifyAndCarryTheirData)
{
    std::string email, vendor, data;
    const std::vector<uint8_t> payload = BytesOf("payload bytes");
    std::vector<uint8_t> encrypted;
    ASSERT_TRUE(m_oKey.Encrypt(payload.data(), payload.size(), encrypted));
    ASSERT_TRUE(m_oXML.StringtoXML("me@brevolt.example", "SENDER EMAIL", email));
    ASSERT_TRUE(m_oXML.StringtoXML(kVendorId, "SENDER VENDORID", vendor));
    data = Element(encrypted, "DATA");
    const std::string signedText = email + "\r\n" + vendor + "\r\n" + data;

    std::string block;
    ASSERT_TRUE(m_oXML.AESSignXML(m_oKey, signedText, block));
    EXPECT_EQ(block.rfind("<AES SIGNED>\r\n" + signedText + "\r\n</AES SIGNED>\r\n<MESSAGE DIGEST>\r\n\r\n", 0), 0u);
    EXPECT_EQ(block.substr(block.size() - 19), "</MESSAGE DIGEST>\r\n");

    std::string gotEmail, gotVendor;
    std::vector<uint8_t> plain;
    int verified = 0, failed = 1;
    ASSERT_TRUE(m_oXML.AESVerifyXML(m_oKey, block, &gotEmail, &gotVendor, plain, verified, failed));
    EXPECT_EQ(verified, 1);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(gotEmail, "me@brevolt.example");
    EXPECT_EQ(gotVendor, "Brevolt");
    ASSERT_EQ(plain.size(), 16u);
    EXPECT_EQ(TextOfValue(plain), "payload bytes");

    EXPECT_FALSE(m_oXML.AESVerifyXML(m_oKey, block, nullptr, nullptr, plain, verified, failed))
        << "without the sender checks DATA must come first";

    std::string tampered = block;
    char& first = tampered[tampered.find("<SENDER EMAIL>") + 18]; // the value's first base64 character
    first = first == 'A' ? 'B' : 'A';
    ASSERT_TRUE(m_oXML.AESVerifyXML(m_oKey, tampered, &gotEmail, &gotVendor, plain, verified, failed));
    EXPECT_EQ(verified, 0);
    EXPECT_TRUE(plain.empty()) << "no data from a block that does not verify";

    CAES other;
    MakeTestKey(other, 32, 16, 99);
    ASSERT_TRUE(m_oXML.AESVerifyXML(other, block, &gotEmail, &gotVendor, plain, verified, failed));
    EXPECT_EQ(verified, 0);
}

TEST_F(XmlProtocolTest, AttachmentDigest)
{
    std::vector<uint8_t> expected = FromHex("a9993e364706816aba3e25717850c26c9cd0d89d");
    int match = 0;
    ASSERT_TRUE(m_oXML.CheckAttachmentDigest("abc", 3, expected.data(), match));
    EXPECT_EQ(match, 1);
    expected[19] ^= 1;
    ASSERT_TRUE(m_oXML.CheckAttachmentDigest("abc", 3, expected.data(), match));
    EXPECT_EQ(match, 0);
    EXPECT_FALSE(m_oXML.CheckAttachmentDigest("abc", 3, nullptr, match));
}
} // namespace
