// tests/unit/protocol/rijndael_test.cpp: the cipher against published vectors for every block
// size, its schedule words, and CBC against OpenSSL.
#include "Addressbook/protocol/rijndael.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

namespace
{
struct CVector
{
    const char* m_szKey;
    const char* m_szPlain;
    const char* m_szCipher;
};

// FIPS-197 appendices B and C, then Brian Gladman's Rijndael vectors for 24- and 32-byte blocks
// (key 2b7e1516..., plaintext 3243f6a8..., both cut to length).
const CVector g_aVectors[] = {
    {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
     "8ea2b7ca516745bfeafc49904b496089"},
    {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e03707344a4093822299f31d",
     "b24d275489e82bb8f7375e0d5fcdb1f481757c538b65148a"},
    {"2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da5", "3243f6a8885a308d313198a2e03707344a4093822299f31d",
     "725ae43b5f3161de806a7c93e0bca93c967ec1ae1b71e1cf"},
    {"2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da56a784d9045190cfe",
     "3243f6a8885a308d313198a2e03707344a4093822299f31d", "0ebacf199e3315c2e34b24fcc7c46ef4388aa475d66c194c"},
    {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e03707344a4093822299f31d0082efa98ec4e6c8",
     "7d15479076b69a46ffb3b3beae97ad8313f622f67fedb487de9f06b9ed9c8f19"},
    {"2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da5",
     "3243f6a8885a308d313198a2e03707344a4093822299f31d0082efa98ec4e6c8",
     "5d7101727bb25781bf6715b0e6955282b9610e23a43c2eb062699f0ebf5887b2"},
    {"2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da56a784d9045190cfe",
     "3243f6a8885a308d313198a2e03707344a4093822299f31d0082efa98ec4e6c8",
     "a49406115dfb30a40418aafa4869b7c6a886ff31602a7dd19c889dc64f7e4e7a"},
};

const uint8_t g_aZeroChain[kMaxRijndaelBlock] = {};

CRijndael MakeCipher(const std::vector<uint8_t>& p_vKey, size_t p_nBlockSize)
{
    CRijndael cipher;
    EXPECT_EQ(cipher.MakeKey(p_vKey.data(), p_vKey.size(), p_nBlockSize, g_aZeroChain), nullptr);
    return cipher;
}

TEST(RijndaelTest, KnownAnswersForEveryBlockSize)
{
    for (const CVector& vector : g_aVectors)
    {
        SCOPED_TRACE(vector.m_szKey);
        const std::vector<uint8_t> plain = FromHex(vector.m_szPlain);
        const CRijndael cipher = MakeCipher(FromHex(vector.m_szKey), plain.size());
        std::vector<uint8_t> out(plain.size());
        cipher.EncryptBlock(plain.data(), out.data());
        EXPECT_EQ(ToHex(out), vector.m_szCipher);
        cipher.DecryptBlock(out.data(), out.data());
        EXPECT_EQ(ToHex(out), vector.m_szPlain);
    }
}

TEST(RijndaelTest, RoundsAndScheduleWords)
{
    const size_t sizes[] = {16, 24, 32};
    const size_t rounds[3][3] = {{10, 12, 14}, {12, 12, 14}, {14, 14, 14}};
    for (size_t k = 0; k < 3; ++k)
    {
        for (size_t b = 0; b < 3; ++b)
            EXPECT_EQ(CRijndael::RoundsFor(sizes[k], sizes[b]), rounds[k][b]) << sizes[k] << "/" << sizes[b];
    }

    // FIPS-197 A.1: w[4..7] and w[40..43] of the 128-bit key's expansion, first byte on top.
    const CRijndael cipher = MakeCipher(FromHex("2b7e151628aed2a6abf7158809cf4f3c"), 16);
    const uint32_t first[4] = {0xa0fafe17, 0x88542cb1, 0x23a33939, 0x2a6c7605};
    const uint32_t last[4] = {0xd014f9a8, 0xc9ee2589, 0xe13f0cc8, 0xb6630ca6};
    for (size_t c = 0; c < 4; ++c)
    {
        EXPECT_EQ(cipher.EncryptionKey(1)[c], first[c]);
        EXPECT_EQ(cipher.EncryptionKey(10)[c], last[c]);
        // The decryption schedule starts with the last round key and ends with the first.
        EXPECT_EQ(cipher.DecryptionKey(0)[c], last[c]);
        EXPECT_EQ(cipher.DecryptionKey(10)[c], cipher.EncryptionKey(0)[c]);
    }
    EXPECT_NE(cipher.DecryptionKey(9)[0], cipher.EncryptionKey(1)[0]) << "inner round keys carry InvMixColumns";
}

TEST(RijndaelTest, CbcRoundTripsForEveryKeyAndBlockSize)
{
    for (size_t keyLength : {16u, 24u, 32u})
    {
        for (size_t blockSize : {16u, 24u, 32u})
        {
            SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(blockSize));
            CRijndael cipher = MakeCipher(RandomBytes(keyLength, 1), blockSize);
            const std::vector<uint8_t> plain = RandomBytes(blockSize * 5, 2);
            std::vector<uint8_t> data = plain;
            cipher.ResetChain();
            ASSERT_EQ(cipher.EncryptCBC(data.data(), data.data(), data.size()), nullptr);
            EXPECT_NE(data, plain);
            cipher.ResetChain();
            ASSERT_EQ(cipher.DecryptCBC(data.data(), data.data(), data.size()), nullptr);
            EXPECT_EQ(data, plain);
        }
    }
}

TEST(RijndaelTest, CbcMatchesOpenSslWithZeroIvAndNoPadding)
{
    const EVP_CIPHER* ciphers[] = {EVP_aes_128_cbc(), EVP_aes_192_cbc(), EVP_aes_256_cbc()};
    for (size_t i = 0; i < 3; ++i)
    {
        const std::vector<uint8_t> key = RandomBytes(16 + 8 * i, 10 + static_cast<unsigned>(i));
        const std::vector<uint8_t> plain = RandomBytes(16 * 37, 20 + static_cast<unsigned>(i));
        std::vector<uint8_t> expected(plain.size());
        const uint8_t iv[16] = {};
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        ASSERT_EQ(EVP_EncryptInit_ex(context, ciphers[i], nullptr, key.data(), iv), 1);
        EVP_CIPHER_CTX_set_padding(context, 0);
        int produced = 0;
        ASSERT_EQ(EVP_EncryptUpdate(context, expected.data(), &produced, plain.data(), static_cast<int>(plain.size())),
                  1);
        EXPECT_EQ(static_cast<size_t>(produced), plain.size());
        EVP_CIPHER_CTX_free(context);

        CRijndael cipher = MakeCipher(key, 16);
        std::vector<uint8_t> out(plain.size());
        cipher.ResetChain();
        ASSERT_EQ(cipher.EncryptCBC(plain.data(), out.data(), out.size()), nullptr);
        EXPECT_EQ(out, expected) << "key length " << key.size();
    }
}

TEST(RijndaelTest, FailureTexts)
{
    CRijndael cipher;
    uint8_t data[16] = {};
    EXPECT_STREQ(cipher.EncryptCBC(data, data, 16), "Object not Initialized");
    EXPECT_STREQ(cipher.MakeKey(nullptr, 16, 16, g_aZeroChain), "Empty key");
    EXPECT_STREQ(cipher.MakeKey(data, 20, 16, g_aZeroChain), "Incorrect key length");
    EXPECT_STREQ(cipher.MakeKey(data, 16, 8, g_aZeroChain), "Incorrect block length");
    ASSERT_EQ(cipher.MakeKey(data, 16, 16, g_aZeroChain), nullptr);
    EXPECT_STREQ(cipher.DecryptCBC(data, data, 15), "Data not multiple of Block Size");
}
} // namespace
