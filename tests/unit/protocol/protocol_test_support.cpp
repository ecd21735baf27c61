// tests/unit/protocol/protocol_test_support.cpp: helpers shared by the protocol tests.
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

#include <random>

std::vector<uint8_t> FromHex(std::string_view p_sHex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < p_sHex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(p_sHex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::string ToHex(const std::vector<uint8_t>& p_vBytes)
{
    static const char s_szDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : p_vBytes)
    {
        hex += s_szDigits[b >> 4];
        hex += s_szDigits[b & 15];
    }
    return hex;
}

std::vector<uint8_t> RandomBytes(size_t p_nCount, unsigned p_uSeed)
{
    std::mt19937 engine(p_uSeed);
    std::vector<uint8_t> bytes(p_nCount);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(engine());
    return bytes;
}

std::vector<uint8_t> BytesOf(std::string_view p_sText)
{
    return std::vector<uint8_t>(p_sText.begin(), p_sText.end());
}

void MakeTestKey(CAES& p_oKey, size_t p_nKeyLength, size_t p_nBlockSize, unsigned p_uSeed)
{
    const std::vector<uint8_t> raw = RandomBytes(p_nKeyLength, p_uSeed);
    ASSERT_TRUE(p_oKey.SetKey(raw.data(), raw.size(), p_nBlockSize)) << p_oKey.Error().Text();
}
