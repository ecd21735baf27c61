// Addressbook/protocol/little_endian.h: the 4-byte little-endian integers of the key forms,
// streams and records, independent of the host's byte order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline void AppendU16(std::vector<uint8_t>& p_vOut, uint16_t p_wValue)
{
    p_vOut.push_back(static_cast<uint8_t>(p_wValue));
    p_vOut.push_back(static_cast<uint8_t>(p_wValue >> 8));
}

inline void AppendU32(std::vector<uint8_t>& p_vOut, uint32_t p_dwValue)
{
    for (int shift = 0; shift < 32; shift += 8)
        p_vOut.push_back(static_cast<uint8_t>(p_dwValue >> shift));
}

inline void PutU32(uint8_t* p_pOut, uint32_t p_dwValue)
{
    for (int i = 0; i < 4; ++i)
        p_pOut[i] = static_cast<uint8_t>(p_dwValue >> (8 * i));
}

inline uint32_t GetU32(const uint8_t* p_pIn)
{
    return static_cast<uint32_t>(p_pIn[0]) | static_cast<uint32_t>(p_pIn[1]) << 8 |
           static_cast<uint32_t>(p_pIn[2]) << 16 | static_cast<uint32_t>(p_pIn[3]) << 24;
}
