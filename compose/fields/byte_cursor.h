// compose/fields/byte_cursor.h: the little-endian words and length-prefixed texts that the body
// stream and the template layout are made of: a writer, and a reader that refuses to step past the
// end of its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace compose
{
inline void PutWord(std::string& p_sOut, uint32_t p_dwValue)
{
    for (int i = 0; i < 4; ++i)
        p_sOut.push_back(static_cast<char>((p_dwValue >> (8 * i)) & 0xFF));
}

inline void PutText(std::string& p_sOut, const std::string& p_sText)
{
    PutWord(p_sOut, static_cast<uint32_t>(p_sText.size()));
    p_sOut += p_sText;
}

class CByteCursor
{
  public:
    CByteCursor(const uint8_t* p_pData, size_t p_nSize) : m_pData(p_pData), m_nSize(p_pData != nullptr ? p_nSize : 0)
    {
    }
    size_t Left() const
    {
        return m_nSize - m_nAt;
    }
    size_t At() const
    {
        return m_nAt;
    }
    bool Word(uint32_t& p_dwValue)
    {
        if (Left() < 4)
            return false;
        p_dwValue = 0;
        for (int i = 0; i < 4; ++i)
            p_dwValue |= static_cast<uint32_t>(m_pData[m_nAt + static_cast<size_t>(i)]) << (8 * i);
        m_nAt += 4;
        return true;
    }
    bool Int(int32_t& p_iValue)
    {
        uint32_t dwValue = 0;
        if (!Word(dwValue))
            return false;
        p_iValue = static_cast<int32_t>(dwValue);
        return true;
    }
    bool Text(uint32_t p_dwLength, std::string& p_sOut)
    {
        if (Left() < p_dwLength)
            return false;
        p_sOut.assign(reinterpret_cast<const char*>(m_pData + m_nAt), p_dwLength);
        m_nAt += p_dwLength;
        return true;
    }
    // A length word and the text behind it.
    bool Text(std::string& p_sOut)
    {
        uint32_t dwLength = 0;
        return Word(dwLength) && Text(dwLength, p_sOut);
    }

  private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nAt = 0;
};
} // namespace compose
