// standins/oe/store/column_layout.h: the message list's column layouts as the client keeps them in
// the binary values "Mail Column Info (In)" and "(Out)" of the identity's "Columns" key (portable).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oestore
{
// One column of the list: what it shows (a column id of KnownColumns), flags kept as they came, width
// in pixels.
struct CListColumn
{
    uint32_t m_nId = 0;
    uint32_t m_nFlags = 1;
    uint32_t m_nWidth = 100;
};

struct CColumnKind
{
    uint32_t m_nId;
    const char* m_szName;
    uint32_t m_nDefaultWidth;
};

// Column ids the list shows; a layout's other ids are kept in the value but not shown.
constexpr uint32_t kColumnTo = 0x00;
constexpr uint32_t kColumnFrom = 0x01;
constexpr uint32_t kColumnSubject = 0x02;
constexpr uint32_t kColumnReceived = 0x03;
constexpr uint32_t kColumnSent = 0x04;
constexpr uint32_t kColumnSize = 0x05;
constexpr uint32_t kColumnAccount = 0x0D;
constexpr uint32_t kColumnPriority = 0x0F;
constexpr uint32_t kColumnAttachment = 0x10;

// A layout holds at most this many columns (version 4's value has 17 slots).
constexpr size_t kMaxLayoutColumns = 17;
constexpr size_t kMaxColumnWidth = 4000;

const std::vector<CColumnKind>& KnownColumns();
// The column's heading, or nullptr for an id the list does not know.
const char* ColumnName(uint32_t p_nId);

// What a first start shows: received folders by sender and arrival, outgoing ones (Outbox, Sent
// Items, Drafts) by recipient and sending time.
std::vector<CListColumn> DefaultColumns(bool p_bOutgoing);

// Versions 5 and later: a 32-bit marker 0x10, the count, then per column its id, flags and width
// (32 bits each). Version 4: 16-bit version 4 and 16-bit total size 152, 12 bytes not interpreted,
// then 17 slots of id and width (32 bits each), the first id 0xFFFFFFFF ending the list.
std::vector<uint8_t> BuildColumnLayout(int p_iMajor, const std::vector<CListColumn>& p_vColumns);
// False for a value that does not follow the version's layout; widths above kMaxColumnWidth are cut.
[[nodiscard]] bool ReadColumnLayout(int p_iMajor, const std::vector<uint8_t>& p_vBytes,
                                    std::vector<CListColumn>& p_vColumns);
} // namespace oestore
