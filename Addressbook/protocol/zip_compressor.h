// Addressbook/protocol/zip_compressor.h: zlib output framed with its uncompressed length
// (4 bytes little-endian, then the output of compress() at the default level).
#pragma once

#include "common/error_slot.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Uncompress refuses blobs whose header claims more than this: the header comes from outside,
// and nothing the gateway sends comes near it.
constexpr uint32_t kMaxUncompressedSize = 64u * 1024 * 1024;

class CZipCompressor
{
  public:
    // Inputs above kMaxUncompressedSize are refused: their blob could never be read back.
    [[nodiscard]] int Compress(const void* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vBlob);
    // Refuses a header above kMaxUncompressedSize or above what the compressed bytes could inflate
    // to, before inflating; fails when zlib's result length differs from the header.
    [[nodiscard]] int Uncompress(const void* p_pBlob, size_t p_nLength, std::vector<uint8_t>& p_vData);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    CErrorSlot m_oError;
};
