// tests/unit/protocol/aes_test.cpp: CAES: CBC with the fixed zero chain and zero padding, and
// its key text and binary key forms.
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/stream.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

namespace
{
TEST(AesTest, PadsWithZerosAndRestartsTheChainOnEveryCall)
{
    CAES key;
    MakeTestKey(key);
    const std::vector<uint8_t> plain = RandomBytes(20, 3);
    std::vector<uint8_t> first, second, back;
    ASSERT_TRUE(key.Encrypt(plain.data(), plain.size(), first));
    ASSERT_TRUE(key.Encrypt(plain.data(), plain.size(), second));
    EXPECT_EQ(first.size(), 32u);
    EXPECT_EQ(first, second) << "same text, same key: same ciphertext";

    ASSERT_TRUE(key.Decrypt(first.data(), first.size(), back));
    ASSERT_EQ(back.size(), 32u);
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 20), plain);
    EXPECT_EQ(std::vector<uint8_t>(back.begin() + 20, back.end()), std::vector<uint8_t>(12, 0));

    std::vector<uint8_t> exact;
    ASSERT_TRUE(key.Encrypt(back.data(), 32, exact));
    EXPECT_EQ(exact.size(), 32u) << "whole blocks are not padded further";
}

TEST(AesTest, FailuresCarryTheirTexts)
{
    CAES key;
    std::vector<uint8_t> out;
    const uint8_t data[32] = {};
    EXPECT_FALSE(key.Encrypt(data, 16, out));
    EXPECT_EQ(key.Error().Text(), "Object not Initialized");
    std::string text;
    EXPECT_FALSE(key.WriteKeyXML(text));
    EXPECT_EQ(key.Error().Text(), "Object not Initialized");

    EXPECT_FALSE(key.SetKey(nullptr, 16, 16));
    EXPECT_EQ(key.Error().Text(), "Empty key");
    EXPECT_FALSE(key.SetKey(data, 17, 16));
    EXPECT_EQ(key.Error().Text(), "Incorrect key length");
    EXPECT_FALSE(key.SetKey(data, 16, 20));
    EXPECT_EQ(key.Error().Text(), "Incorrect block length");

    ASSERT_TRUE(key.SetKey(data, 16, 16));
    EXPECT_FALSE(key.Decrypt(data, 20, out));
    EXPECT_EQ(key.Error().Id(), 209u);
    EXPECT_EQ(key.Error().Text(), "Incorrect decryption size");
}

TEST(AesTest, GeneratedKeysUseTheConstructedSizeAndA16ByteBlock)
{
    CAES big(256), small(128);
    ASSERT_TRUE(big.GenerateRandomKey());
    ASSERT_TRUE(small.GenerateRandomKey());
    EXPECT_EQ(big.KeyLength(), 32u);
    EXPECT_EQ(big.BlockSize(), 16u);
    EXPECT_EQ(big.Rounds(), 14u);
    EXPECT_EQ(small.Rounds(), 10u);
    big.Clear();
    EXPECT_FALSE(big.IsKeySet());

    CAES odd(100);
    EXPECT_FALSE(odd.GenerateRandomKey());
    EXPECT_EQ(odd.Error().Text(), "Incorrect key length");
}

TEST(AesTest, KeyTextLayout)
{
    CAES key;
    MakeTestKey(key, 32, 16);
    std::string text;
    ASSERT_TRUE(key.WriteKeyXML(text));

    EXPECT_EQ(text.rfind("<AES KEY>\r\n<KEYLENGTH>\r\n\r\nIAAAAA==\r\n</KEYLENGTH>\r\n<BLOCKSIZE>\r\n\r\nEAAAAA==\r\n"
                         "</BLOCKSIZE>\r\n<ROUNDS>\r\n\r\nDgAAAA==\r\n</ROUNDS>\r\n<ENCRYPTION KEY>\r\n"
                         "<ROUNDCOUNT>\r\n\r\nDwAAAA==\r\n</ROUNDCOUNT>\r\n<ROUND0>\r\n\r\n",
                         0),
              0u)
        << text.substr(0, 300);
    EXPECT_NE(text.find("</ROUND14>\r\n</ENCRYPTION KEY>\r\n<DECRYPTION KEY>\r\n<ROUNDCOUNT>"), std::string::npos);
    EXPECT_EQ(text.find("<ROUND15>"), std::string::npos);
    const std::string tail = "</ROUND14>\r\n</DECRYPTION KEY>\r\n</AES KEY>\r\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(AesTest, KeyTextWordsAreLittleEndianScheduleWords)
{
    // FIPS-197 A.1: round 1 of this key starts with the word a0fafe17.
    CAES key;
    const std::vector<uint8_t> raw = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
    ASSERT_TRUE(key.SetKey(raw.data(), raw.size(), 16));
    std::string text;
    ASSERT_TRUE(key.WriteKeyXML(text));
    // 17 fe fa a0 b1 2c 54 88 ... in base64.
    EXPECT_NE(text.find("<ROUND1>\r\n\r\nF/76oLEsVIg5OaMjBXZsKg==\r\n</ROUND1>"), std::string::npos);
}

TEST(AesTest, KeyTextAndBinaryKeyLoadBackForEveryShape)
{
    for (size_t keyLength : {16u, 24u, 32u})
    {
        for (size_t blockSize : {16u, 24u, 32u})
        {
            SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(blockSize));
            CAES original;
            MakeTestKey(original, keyLength, blockSize);
            const std::vector<uint8_t> plain = RandomBytes(100, 4);
            std::vector<uint8_t> expected;
            ASSERT_TRUE(original.Encrypt(plain.data(), plain.size(), expected));

            std::string text;
            std::vector<uint8_t> binary;
            ASSERT_TRUE(original.WriteKeyXML(text));
            ASSERT_TRUE(original.WriteKey(binary));
            CAES fromText, fromBinary;
            ASSERT_TRUE(fromText.ReadKeyXML(text)) << fromText.Error().Text();
            ASSERT_TRUE(fromBinary.ReadKey(binary.data(), binary.size())) << fromBinary.Error().Text();
            for (CAES* loaded : {&fromText, &fromBinary})
            {
                std::vector<uint8_t> cipher, back;
                ASSERT_TRUE(loaded->Encrypt(plain.data(), plain.size(), cipher));
                EXPECT_EQ(cipher, expected);
                ASSERT_TRUE(loaded->Decrypt(cipher.data(), cipher.size(), back));
                EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 100), plain);
                EXPECT_EQ(loaded->Rounds(), original.Rounds());
            }
        }
    }
}

TEST(AesTest, BinaryKeyLayout)
{
    CAES key;
    MakeTestKey(key, 16, 16);
    std::vector<uint8_t> image;
    ASSERT_TRUE(key.WriteKey(image));
    // Header, four 4-byte items, then 11 rounds of two 16-byte keys.
    EXPECT_EQ(image.size(), 4 + 4 * 8 + 11 * 2 * 20u);
    CStream stream;
    ASSERT_TRUE(stream.SetStream(image.data(), image.size()));
    std::vector<uint8_t> item;
    for (uint8_t expected : {16, 16, 10, 11})
    {
        ASSERT_TRUE(stream.Read(item));
        EXPECT_EQ(item, std::vector<uint8_t>({expected, 0, 0, 0}));
    }
}

TEST(AesTest, DamagedKeysFailCleanly)
{
    CAES source;
    MakeTestKey(source, 32, 32);
    std::string text;
    std::vector<uint8_t> binary;
    ASSERT_TRUE(source.WriteKeyXML(text));
    ASSERT_TRUE(source.WriteKey(binary));

    CAES key;
    EXPECT_FALSE(key.ReadKeyXML(""));
    EXPECT_EQ(key.Error().Text(), "Error in parsing, token '<AES KEY>' expected");
    EXPECT_FALSE(key.ReadKeyXML(" " + text)) << "the text must begin with the tag";
    for (size_t cut : std::initializer_list<size_t>{10, 200, text.size() / 2, text.size() - 40})
    {
        EXPECT_FALSE(key.ReadKeyXML(text.substr(0, cut))) << cut;
        EXPECT_FALSE(key.IsKeySet());
    }
    std::string missing = text;
    missing.erase(missing.find("<ROUND7>"), 8);
    EXPECT_FALSE(key.ReadKeyXML(missing));
    EXPECT_EQ(key.Error().Text(), "Error in parsing, token '<ROUND7>' expected");
    std::string rounds = text;
    rounds.replace(rounds.find("<ROUNDS>\r\n\r\nDgAAAA=="), 20, "<ROUNDS>\r\n\r\nDAAAAA==");
    EXPECT_FALSE(key.ReadKeyXML(rounds)) << "rounds must fit the sizes";

    for (size_t cut : std::initializer_list<size_t>{0, 3, 4, 20, binary.size() - 1})
        EXPECT_FALSE(key.ReadKey(binary.data(), cut)) << cut;
    std::vector<uint8_t> lying = binary;
    lying[5] = 0xFF; // the first item claims far more bytes than there are
    EXPECT_FALSE(key.ReadKey(lying.data(), lying.size()));
    EXPECT_EQ(key.Error().Id(), 400u);
    std::vector<uint8_t> count = binary;
    count[4 + 3 * 8 + 4] = 9; // round-key count that does not match the rounds
    EXPECT_FALSE(key.ReadKey(count.data(), count.size()));
    EXPECT_FALSE(key.IsKeySet());

    // Zero padding after the image (a key that went through the cipher) is ignored.
    std::vector<uint8_t> padded = binary;
    padded.resize(binary.size() + 12, 0);
    EXPECT_TRUE(key.ReadKey(padded.data(), padded.size()));
}
} // namespace
