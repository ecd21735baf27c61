// standins/mapi/store/collation_win.cpp: the Windows word sort as the store's collation.
#include "standins/mapi/store/collation.h"

#include <windows.h>

#include <vector>

namespace mapistore
{
namespace
{
constexpr DWORD kFlags = NORM_IGNORECASE; // no SORT_STRINGSORT: word sort

std::wstring Wide(const std::string& p_s)
{
    if (p_s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, p_s.data(), static_cast<int>(p_s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, p_s.data(), static_cast<int>(p_s.size()), w.data(), n);
    return w;
}

int SystemCompare(const std::string& p_a, const std::string& p_b)
{
    const std::wstring a = Wide(p_a), b = Wide(p_b);
    const int r = CompareStringW(LOCALE_USER_DEFAULT, kFlags, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                 static_cast<int>(b.size()));
    if (r == 0)
        return PortableCompare(p_a, p_b); // a string the system refuses still gets an order
    return r - CSTR_EQUAL;
}

std::string SystemSortKey(const std::string& p_s)
{
    const std::wstring w = Wide(p_s);
    const int len = static_cast<int>(w.size());
    // LCMAP_SORTKEY writes bytes into the "wide" buffer it is given, and counts bytes.
    const int cb = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kFlags, w.c_str(), len, nullptr, 0);
    if (cb <= 0)
        return PortableSortKey(p_s);
    std::string key(static_cast<size_t>(cb), '\0');
    if (LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kFlags, w.c_str(), len, reinterpret_cast<LPWSTR>(key.data()),
                     cb) != cb)
        return PortableSortKey(p_s);
    return key;
}
} // namespace

CCollation SystemCollation()
{
    // The id names the locale: an order stored under one user locale is rebuilt under another.
    return CCollation{&SystemCompare, &SystemSortKey, 0x10000u | (GetUserDefaultLCID() & 0xFFFFu)};
}
} // namespace mapistore
