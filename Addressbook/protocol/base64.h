// Addressbook/protocol/base64.h: base64 with the standard alphabet, CR LF line breaks for the
// protocol's elements, and a lenient decoder for text that mail clients have handled.
#pragma once

#include "common/error_slot.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CBase64
{
  public:
    // 0 means no line breaks.
    explicit CBase64(size_t p_nLineLength);

    // After each group of four characters made from three whole bytes, a CR LF follows once the
    // line has reached the line length, so such a text that fills its last line exactly ends with
    // CR LF too; a final padded group never gets one.
    [[nodiscard]] int Encode(const void* p_pData, size_t p_nLength, std::string& p_sText);
    // Characters outside the alphabet are skipped; "=" ends the data; a group cut short
    // without "=" yields nothing.
    [[nodiscard]] int Decode(std::string_view p_sText, std::vector<uint8_t>& p_vData);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    size_t m_nLineLength;
    CErrorSlot m_oError;
};
