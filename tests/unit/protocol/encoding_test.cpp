// tests/unit/protocol/encoding_test.cpp: SHA-1 (FIPS 180 vectors) and the base64 coder (RFC 4648
// vectors, the line rule and the lenient decoder).
#include "Addressbook/protocol/base64.h"
#include "Addressbook/protocol/sha1.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
std::string Sha1Hex(CSHA1& p_oSha, std::string_view p_sText, size_t p_nRepeat = 1)
{
    EXPECT_TRUE(p_oSha.Reset());
    for (size_t i = 0; i < p_nRepeat; ++i)
        EXPECT_TRUE(p_oSha.Update(p_sText.data(), p_sText.size()));
    std::vector<uint8_t> hash;
    EXPECT_TRUE(p_oSha.AllocateAndGetHash(hash));
    return ToHex(hash);
}

TEST(Sha1Test, Fips180Vectors)
{
    CSHA1 sha;
    EXPECT_EQ(Sha1Hex(sha, "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex(sha, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(sha, std::string(1000, 'a'), 1000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    EXPECT_EQ(Sha1Hex(sha, ""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(Sha1Test, ADigestNeedsAReset)
{
    CSHA1 sha;
    ASSERT_TRUE(sha.Reset());
    std::vector<uint8_t> hash;
    ASSERT_TRUE(sha.AllocateAndGetHash(hash));
    EXPECT_FALSE(sha.Update("x", 1));
    EXPECT_FALSE(sha.AllocateAndGetHash(hash));
}

TEST(Base64Test, Rfc4648Vectors)
{
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    CBase64 coder(0);
    for (const auto& [plain, encoded] : vectors)
    {
        std::string text;
        std::vector<uint8_t> back;
        ASSERT_TRUE(coder.Encode(plain, std::strlen(plain), text));
        EXPECT_EQ(text, encoded);
        ASSERT_TRUE(coder.Decode(text, back));
        EXPECT_EQ(back, BytesOf(plain));
    }
}

TEST(Base64Test, BreaksAfterTheGroupThatFillsALine)
{
    CBase64 coder(60);
    const std::vector<uint8_t> data = RandomBytes(100, 5);
    std::string text;
    ASSERT_TRUE(coder.Encode(data.data(), 45, text));
    EXPECT_EQ(text.size(), 62u);
    EXPECT_EQ(text.substr(60), "\r\n") << "a text that fills its line exactly ends with CR LF";
    ASSERT_TRUE(coder.Encode(data.data(), 44, text));
    EXPECT_EQ(text.size(), 60u) << "sixty characters too, but the last group is padded";
    EXPECT_EQ(text.find('\r'), std::string::npos);
    ASSERT_TRUE(coder.Encode(data.data(), 90, text));
    EXPECT_EQ(text.size(), 124u);
    EXPECT_EQ(text.substr(122), "\r\n");
    ASSERT_TRUE(coder.Encode(data.data(), 100, text));
    EXPECT_EQ(text.size(), 136u + 4);
    EXPECT_EQ(text.substr(60, 2), "\r\n");
    EXPECT_EQ(text.substr(122, 2), "\r\n");

    CBase64 odd(10); // not a multiple of four: the break comes after the group that passes it
    ASSERT_TRUE(odd.Encode(data.data(), 6, text));
    EXPECT_EQ(text.find("\r\n"), std::string::npos) << text;
    ASSERT_TRUE(odd.Encode(data.data(), 9, text));
    EXPECT_EQ(text.size(), 14u);
    EXPECT_EQ(text.find("\r\n"), 12u);
}

TEST(Base64Test, DecoderIsLenient)
{
    CBase64 coder(60);
    std::vector<uint8_t> out;
    ASSERT_TRUE(coder.Decode(" Zm9v\r\nYmFy \r\n", out));
    EXPECT_EQ(out, BytesOf("foobar"));
    ASSERT_TRUE(coder.Decode("Zm9vYg==Zm9v", out));
    EXPECT_EQ(out, BytesOf("foob")) << "'=' ends the data";
    ASSERT_TRUE(coder.Decode("Zm9vYmE=", out));
    EXPECT_EQ(out, BytesOf("fooba"));
    ASSERT_TRUE(coder.Decode("Zm9vYmE", out));
    EXPECT_EQ(out, BytesOf("foo")) << "a cut group without '=' yields nothing";
    ASSERT_TRUE(coder.Decode("Zm9vY=", out));
    EXPECT_EQ(out, BytesOf("foo")) << "one character before '=' is not a byte";
    ASSERT_TRUE(coder.Decode("\x80\xff<>!", out));
    EXPECT_TRUE(out.empty());
}

TEST(Base64Test, RoundTripsAnyLength)
{
    CBase64 coder(60);
    for (size_t length = 0; length < 200; ++length)
    {
        const std::vector<uint8_t> data = RandomBytes(length, static_cast<unsigned>(length));
        std::string text;
        std::vector<uint8_t> back;
        ASSERT_TRUE(coder.Encode(data.data(), data.size(), text));
        ASSERT_TRUE(coder.Decode(text, back));
        EXPECT_EQ(back, data) << length;
    }
}
} // namespace
