// tests/unit/protocol/protocol_test_support.h: hex, random bytes and ready keys for the protocol tests.
#pragma once

#include "Addressbook/protocol/aes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::vector<uint8_t> FromHex(std::string_view p_sHex);
std::string ToHex(const std::vector<uint8_t>& p_vBytes);
// The same bytes for the same seed on every run.
std::vector<uint8_t> RandomBytes(size_t p_nCount, unsigned p_uSeed);
std::vector<uint8_t> BytesOf(std::string_view p_sText);
// A key made from a fixed raw key of p_nKeyLength bytes.
void MakeTestKey(CAES& p_oKey, size_t p_nKeyLength = 32, size_t p_nBlockSize = 16, unsigned p_uSeed = 7);
