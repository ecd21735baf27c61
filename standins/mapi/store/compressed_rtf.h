// standins/mapi/store/compressed_rtf.h: the compressed RTF format of PR_RTF_COMPRESSED: a 16-byte
// header (compressed size, raw size, "LZFu" or "MELA", CRC of the contents) and an LZ stream whose
// 4096-byte dictionary starts with a fixed RTF preamble. Portable, so it is tested and fuzzed natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mapistore
{
constexpr uint32_t kRtfCompressed = 0x75465A4C;   // "LZFu"
constexpr uint32_t kRtfUncompressed = 0x414C454D; // "MELA"

enum class ERtfDecode
{
    Ok,
    BadHeader, // shorter than a header, an unknown type, or sizes the bytes do not hold
    BadCrc,    // the contents do not match the header's CRC
    Truncated, // the contents end before the end marker
    TooLarge,  // the text would exceed the raw size the header gives, or the reader's limit
};

// The CRC the header carries: the table CRC-32 (polynomial 0xEDB88320) started at 0, not inverted.
[[nodiscard]] uint32_t RtfCrc(const uint8_t* p_pData, size_t p_nSize, uint32_t p_crc = 0);

// Compresses p_raw ("LZFu"), or with p_bUncompressed stores it as it is ("MELA").
[[nodiscard]] std::vector<uint8_t> CompressRtf(const std::string& p_raw, bool p_bUncompressed = false);

// Decodes either form into p_out; p_nLimit bounds the raw size accepted. p_out holds what was
// decoded also on failure.
[[nodiscard]] ERtfDecode DecompressRtf(const uint8_t* p_pData, size_t p_nSize, std::string& p_out,
                                       size_t p_nLimit = 64u << 20);
} // namespace mapistore
