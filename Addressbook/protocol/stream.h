// Addressbook/protocol/stream.h: a length-prefixed byte stream: a 4-byte little-endian total
// length (itself included), then items of a 4-byte byte count and that many bytes.
#pragma once

#include "common/error_slot.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CStream
{
  public:
    CStream();

    // Appends one item and updates the header.
    [[nodiscard]] int Write(const void* p_pData, size_t p_nCount);
    // The next item. At the end of the image this succeeds with an empty item and AtEnd() true;
    // an item that claims more bytes than the image holds fails.
    [[nodiscard]] int Read(std::vector<uint8_t>& p_vItem);
    bool AtEnd() const;
    [[nodiscard]] int GetStream(std::vector<uint8_t>& p_vImage);
    // Replaces the image and rewinds. Bytes past the header's length (cipher padding) are
    // dropped; a header that claims more than p_nLength bytes fails.
    [[nodiscard]] int SetStream(const void* p_pImage, size_t p_nLength);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    std::vector<uint8_t> m_vImage;
    size_t m_nReadPos;
    CErrorSlot m_oError;
};
