// Addressbook/protocol/stream.cpp: CStream.
#include "Addressbook/protocol/stream.h"

#include "Addressbook/protocol/little_endian.h"
#include "Addressbook/protocol/protocol_messages.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"

#include <cstring>
#include <new>

namespace
{
constexpr size_t kHeaderSize = 4;
}

CStream::CStream() : m_nReadPos(kHeaderSize)
{
    try
    {
        m_vImage.assign(kHeaderSize, 0);
        PutU32(m_vImage.data(), kHeaderSize);
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "m_p_cStreamData", "CStream()");
    }
}

int CStream::Write(const void* p_pData, size_t p_nCount)
{
    const uint64_t after = static_cast<uint64_t>(m_vImage.size()) + kHeaderSize + p_nCount;
    if ((p_pData == nullptr && p_nCount != 0) || m_vImage.size() < kHeaderSize || after > UINT32_MAX)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CStream::Write");
        return 0;
    }
    try
    {
        uint8_t count[kHeaderSize];
        PutU32(count, static_cast<uint32_t>(p_nCount));
        m_vImage.insert(m_vImage.end(), count, count + kHeaderSize);
        const auto* bytes = static_cast<const uint8_t*>(p_pData);
        m_vImage.insert(m_vImage.end(), bytes, bytes + p_nCount);
        PutU32(m_vImage.data(), static_cast<uint32_t>(m_vImage.size()));
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "m_p_cStreamData", "CStream::Write");
        return 0;
    }
}

bool CStream::AtEnd() const
{
    return m_nReadPos >= m_vImage.size();
}

int CStream::Read(std::vector<uint8_t>& p_vItem)
{
    p_vItem.clear();
    if (AtEnd())
        return 1;
    const size_t left = m_vImage.size() - m_nReadPos;
    const size_t count = left < kHeaderSize ? 0 : GetU32(m_vImage.data() + m_nReadPos);
    if (left < kHeaderSize || count > left - kHeaderSize)
    {
        Log("CStream::Read: the item at %lu does not fit in the %lu bytes left", static_cast<unsigned long>(m_nReadPos),
            static_cast<unsigned long>(left));
        m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CStream::Read");
        return 0;
    }
    try
    {
        const uint8_t* begin = m_vImage.data() + m_nReadPos + kHeaderSize;
        p_vItem.assign(begin, begin + count);
        m_nReadPos += kHeaderSize + count;
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "*pp_cData", "CStream::Read");
        return 0;
    }
}

int CStream::GetStream(std::vector<uint8_t>& p_vImage)
{
    try
    {
        p_vImage = m_vImage;
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "*pp_cData", "CStream::GetStream");
        return 0;
    }
}

int CStream::SetStream(const void* p_pImage, size_t p_nLength)
{
    const auto* bytes = static_cast<const uint8_t*>(p_pImage);
    const size_t total = bytes == nullptr || p_nLength < kHeaderSize ? 0 : GetU32(bytes);
    if (total < kHeaderSize || total > p_nLength)
    {
        Log("CStream::SetStream: header claims %lu bytes of %lu", static_cast<unsigned long>(total),
            static_cast<unsigned long>(p_nLength));
        m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CStream::SetStream");
        return 0;
    }
    try
    {
        m_vImage.assign(bytes, bytes + total);
        m_nReadPos = kHeaderSize;
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "m_p_cStreamData", "CStream::SetStream");
        return 0;
    }
}
