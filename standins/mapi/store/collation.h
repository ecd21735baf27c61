// standins/mapi/store/collation.h: how the store orders and compares strings. Message stores sort
// with the system's word sort (case ignored, apostrophes and hyphens weighing almost nothing), so
// the provider installs the Windows collation; the portable one approximates it for native tests.
#pragma once

#include <cstdint>
#include <string>

namespace mapistore
{
struct CCollation
{
    // <0, 0, >0 for two UTF-8 strings.
    int (*m_pfnCompare)(const std::string& p_a, const std::string& p_b) = nullptr;
    // Bytes whose plain byte order is the order m_pfnCompare gives.
    std::string (*m_pfnSortKey)(const std::string& p_s) = nullptr;
    // Names the collation in stored sort orders: an order kept under another id is rebuilt.
    uint32_t m_ulId = 0;
};

// The collation every string comparison of the store uses (the portable one until another is set).
const CCollation& Collation();
// Installs p_collation; done once before tables are read (not synchronised with readers).
void SetCollation(const CCollation& p_collation);

// The portable word sort: ASCII letters compare without case, and apostrophes and hyphens count
// only when two strings are otherwise equal ("Smyth" < "'Smyth" < "Smythe").
int PortableCompare(const std::string& p_a, const std::string& p_b);
std::string PortableSortKey(const std::string& p_s);
constexpr uint32_t kPortableCollationId = 0;

#ifdef _WIN32
// CompareStringW / LCMapStringW(LCMAP_SORTKEY) with the user's locale, ignoring case, word sort.
CCollation SystemCollation();
#endif
} // namespace mapistore
