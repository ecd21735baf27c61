// tests/unit/mapi/compressed_rtf_test.cpp: the compressed RTF codec against the format's published
// examples, round trips over text that does and does not compress, damaged input, and the RTF text
// conversion RTFSync relies on.
#include "standins/mapi/store/compressed_rtf.h"
#include "standins/mapi/store/rtf_text.h"

#include <gtest/gtest.h>

#include <random>

using namespace mapistore;

namespace
{
using Bytes = std::vector<uint8_t>;

struct CPublished
{
    const char* m_szRaw;
    Bytes m_compressed;
};

// The two worked examples the format's documentation gives, header included.
const CPublished kPublished[] = {
    {"{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n",
     {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1, 0xc5, 0xc7, 0xa7, 0x03,
      0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65,
      0x6c, 0x09, 0x00, 0x20, 0x62, 0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0}},
    {"{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}",
     {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4, 0x4b,
      0x51, 0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0}},
};

ERtfDecode Decode(const Bytes& p_b, std::string& p_out, size_t p_nLimit = 64u << 20)
{
    return DecompressRtf(p_b.data(), p_b.size(), p_out, p_nLimit);
}
} // namespace

TEST(compressed_rtf, published_examples_decode_and_encode_to_the_same_bytes)
{
    for (const auto& ex : kPublished)
    {
        std::string out;
        EXPECT_EQ(Decode(ex.m_compressed, out), ERtfDecode::Ok) << ex.m_szRaw;
        EXPECT_EQ(out, ex.m_szRaw);
        EXPECT_EQ(CompressRtf(ex.m_szRaw), ex.m_compressed) << ex.m_szRaw;
    }
}

TEST(compressed_rtf, round_trips_text_that_fills_and_wraps_the_dictionary)
{
    std::mt19937 rng(7);
    std::string noise(9000, '\0');
    for (auto& c : noise)
        c = static_cast<char>(rng());
    std::string repeated;
    while (repeated.size() < 20000)
        repeated += "{\\pard Line " + std::to_string(repeated.size() % 97) + " of a long body\\par}\r\n";
    for (const std::string& raw : {std::string(), std::string("x"), std::string(5000, 'a'), noise, repeated})
        for (bool bUncompressed : {false, true})
        {
            const Bytes c = CompressRtf(raw, bUncompressed);
            std::string out;
            ASSERT_EQ(Decode(c, out), ERtfDecode::Ok) << raw.size() << " " << bUncompressed;
            EXPECT_EQ(out, raw);
        }
    // Repetitive text compresses well; random bytes grow by at most one control byte in eight.
    EXPECT_LT(CompressRtf(repeated).size(), repeated.size() / 4);
    EXPECT_LE(CompressRtf(noise).size(), 16 + noise.size() * 9 / 8 + 3);
}

TEST(compressed_rtf, damaged_input_is_refused)
{
    const Bytes good = kPublished[0].m_compressed;
    std::string out;
    EXPECT_EQ(Decode(Bytes(good.begin(), good.begin() + 15), out), ERtfDecode::BadHeader);

    Bytes b = good;
    b[20] ^= 1; // a changed byte of the contents
    EXPECT_EQ(Decode(b, out), ERtfDecode::BadCrc);

    b = good;
    b[0] += 1; // the compressed size claims a byte beyond the end
    EXPECT_EQ(Decode(b, out), ERtfDecode::BadHeader);

    b = good;
    b[8] = 'X'; // an unknown type
    EXPECT_EQ(Decode(b, out), ERtfDecode::BadHeader);

    b = good;
    b[4] = 10; // the raw size is smaller than what the stream holds
    EXPECT_EQ(Decode(b, out), ERtfDecode::TooLarge);
    EXPECT_LE(out.size(), 10u);
    EXPECT_EQ(Decode(good, out, 20), ERtfDecode::TooLarge) << "the reader's own limit";

    // Contents cut short before the end marker, with the CRC and size made to match them.
    b = Bytes(good.begin(), good.end() - 2);
    b[0] -= 2;
    const uint32_t crc = RtfCrc(b.data() + 16, b.size() - 16);
    for (int i = 0; i < 4; ++i)
        b[12 + i] = static_cast<uint8_t>(crc >> (8 * i));
    EXPECT_EQ(Decode(b, out), ERtfDecode::Truncated);

    // Padding after the contents is allowed.
    b = good;
    b.push_back(0);
    EXPECT_EQ(Decode(b, out), ERtfDecode::Ok);
}

TEST(rtf_text, reads_the_text_of_an_rtf_body)
{
    struct
    {
        const char* m_szRtf;
        const char* m_szText;
    } const cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n", "hello world"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}\\f0 A\\par B}", "A\r\nB"},
        {"{\\rtf1 {\\*\\generator Writer 5;}caf\\'e9 \\u8364? x\\tab y}", "caf\xc3\xa9 \xe2\x82\xac x\ty"},
        {"{\\rtf1\\uc2 \\u-10179??\\u-8694?? ok}", "\xf0\x9f\x98\x8a ok"},
        {"{\\rtf1 a\\{b\\}c\\\\d\\line e}", "a{b}c\\d\r\ne"},
        {"{\\rtf1 unbalanced}}}{{\\", "unbalanced"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RtfToText(c.m_szRtf), c.m_szText) << c.m_szRtf;
}

TEST(rtf_text, text_survives_the_way_through_rtf)
{
    for (const std::string text : {"Plain", "Two\r\nlines\r\n", "Braces {and} back\\slash\tand tab",
                                   "Caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad \xf0\x9f\x98\x8a", " leading space"})
    {
        const std::string rtf = TextToRtf(text);
        EXPECT_EQ(RtfToText(rtf), text) << rtf;
        std::string out;
        const Bytes c = CompressRtf(rtf);
        ASSERT_EQ(DecompressRtf(c.data(), c.size(), out), ERtfDecode::Ok);
        EXPECT_EQ(out, rtf);
    }
    EXPECT_EQ(RtfToText(TextToRtf("a\nb")), "a\r\nb") << "a bare line feed is a paragraph";
}
