// standins/oe/store/column_layout.cpp: reading and writing the list's column layout values.
#include "standins/oe/store/column_layout.h"

namespace oestore
{
namespace
{
constexpr uint32_t kLayoutMarker = 0x10;
constexpr size_t kLayoutHeader = 8;
constexpr size_t kLayoutEntry = 12;
constexpr uint16_t kVersion4Tag = 4;
constexpr size_t kVersion4Header = 16;
constexpr size_t kVersion4Slot = 8;
constexpr size_t kVersion4Size = kVersion4Header + kMaxLayoutColumns * kVersion4Slot;
constexpr uint32_t kEndOfList = 0xFFFFFFFFu;

void Put32(std::vector<uint8_t>& p_vBytes, uint32_t p_nValue)
{
    for (int i = 0; i < 4; ++i)
        p_vBytes.push_back(static_cast<uint8_t>(p_nValue >> (8 * i)));
}

uint32_t Get32(const std::vector<uint8_t>& p_vBytes, size_t p_nAt)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(p_vBytes[p_nAt + i]) << (8 * i);
    return value;
}

uint32_t CutWidth(uint32_t p_nWidth)
{
    return p_nWidth > kMaxColumnWidth ? static_cast<uint32_t>(kMaxColumnWidth) : p_nWidth;
}

[[nodiscard]] bool ReadVersion4(const std::vector<uint8_t>& p_vBytes, std::vector<CListColumn>& p_vColumns)
{
    if (p_vBytes.size() < kVersion4Header)
        return false;
    const unsigned tag = p_vBytes[0] | p_vBytes[1] << 8;
    const size_t size = p_vBytes[2] | p_vBytes[3] << 8;
    if (tag != kVersion4Tag || size != p_vBytes.size())
        return false;
    p_vColumns.clear();
    for (size_t at = kVersion4Header; at + kVersion4Slot <= p_vBytes.size(); at += kVersion4Slot)
    {
        const uint32_t id = Get32(p_vBytes, at);
        if (id == kEndOfList)
            return true;
        if (p_vColumns.size() == kMaxLayoutColumns)
            return false;
        p_vColumns.push_back({id, 1, CutWidth(Get32(p_vBytes, at + 4))});
    }
    return true;
}
} // namespace

const std::vector<CColumnKind>& KnownColumns()
{
    static const std::vector<CColumnKind> s_vKinds = {
        {kColumnPriority, "!", 19}, {kColumnAttachment, "@", 22},     {kColumnFrom, "From", 160},
        {kColumnTo, "To", 160},     {kColumnSubject, "Subject", 260}, {kColumnReceived, "Received", 140},
        {kColumnSent, "Sent", 140}, {kColumnSize, "Size", 70},        {kColumnAccount, "Account", 120}};
    return s_vKinds;
}

const char* ColumnName(uint32_t p_nId)
{
    for (const CColumnKind& kind : KnownColumns())
        if (kind.m_nId == p_nId)
            return kind.m_szName;
    return nullptr;
}

std::vector<CListColumn> DefaultColumns(bool p_bOutgoing)
{
    return {{kColumnPriority, 9, 19},
            {kColumnAttachment, 9, 22},
            {p_bOutgoing ? kColumnTo : kColumnFrom, 1, 160},
            {kColumnSubject, 1, 260},
            {p_bOutgoing ? kColumnSent : kColumnReceived, 5, 140}};
}

std::vector<uint8_t> BuildColumnLayout(int p_iMajor, const std::vector<CListColumn>& p_vColumns)
{
    std::vector<uint8_t> bytes;
    const size_t count = p_vColumns.size() < kMaxLayoutColumns ? p_vColumns.size() : kMaxLayoutColumns;
    if (p_iMajor <= 4)
    {
        bytes = {static_cast<uint8_t>(kVersion4Tag), 0, static_cast<uint8_t>(kVersion4Size & 0xFF),
                 static_cast<uint8_t>(kVersion4Size >> 8)};
        Put32(bytes, 0);
        Put32(bytes, 0);
        Put32(bytes, count > 0 ? p_vColumns[0].m_nId : 0);
        for (size_t i = 0; i < kMaxLayoutColumns; ++i)
        {
            Put32(bytes, i < count ? p_vColumns[i].m_nId : kEndOfList);
            Put32(bytes, i < count ? CutWidth(p_vColumns[i].m_nWidth) : 0);
        }
        return bytes;
    }
    Put32(bytes, kLayoutMarker);
    Put32(bytes, static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i)
    {
        Put32(bytes, p_vColumns[i].m_nId);
        Put32(bytes, p_vColumns[i].m_nFlags);
        Put32(bytes, CutWidth(p_vColumns[i].m_nWidth));
    }
    return bytes;
}

bool ReadColumnLayout(int p_iMajor, const std::vector<uint8_t>& p_vBytes, std::vector<CListColumn>& p_vColumns)
{
    if (p_iMajor <= 4)
        return ReadVersion4(p_vBytes, p_vColumns);
    if (p_vBytes.size() < kLayoutHeader || Get32(p_vBytes, 0) != kLayoutMarker)
        return false;
    const uint32_t count = Get32(p_vBytes, 4);
    if (count > kMaxLayoutColumns || p_vBytes.size() < kLayoutHeader + size_t(count) * kLayoutEntry)
        return false;
    p_vColumns.clear();
    for (size_t i = 0; i < count; ++i)
    {
        const size_t at = kLayoutHeader + i * kLayoutEntry;
        p_vColumns.push_back({Get32(p_vBytes, at), Get32(p_vBytes, at + 4), CutWidth(Get32(p_vBytes, at + 8))});
    }
    return true;
}
} // namespace oestore
