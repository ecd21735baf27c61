// Addressbook/addressbook/mapi_page_cache_win.h: the page caches over MAPI contents tables. The
// paging itself is CPageCache's; this side reads a table as its row source and decodes the rows
// of an address-book container (ABPageCache, kind 2) or of a contact folder (ContactPageCache,
// kind 9).
#pragma once

#include "Addressbook/addressbook/page_cache.h"
#include "common/handle_win.h"

#include <windows.h>
#include <mapidefs.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr int kABPageCacheKind = 2;
constexpr int kContactPageCacheKind = 9;

// What the decoders ask the address book while they decode (CExMAPI answers).
class IAddressBookLookup
{
  public:
    virtual ~IAddressBookLookup() = default;
    // The SMTP address of an address-book entry (GetMatchingABSMTPAddress); none when it has none.
    virtual std::optional<std::string> SmtpAddressOf(const CEntryBytes& p_vEntryId) = 0;
    // The mobile number read from an address-book entry itself; none when it has none.
    virtual std::optional<std::string> MobileOf(const CEntryBytes& p_vEntryId) = 0;
};

// The nine resolved tags of the contact named properties, in the order Email1 address type,
// address, original entry id, then Email2's three, then Email3's.
using CContactEmailTags = std::array<ULONG, 9>;

// What a cache asked of its table: every QueryRows call (page reads and prefix probes alike), the
// rows they returned, and the times the table was positioned.
struct CPageSourceCounters
{
    uint64_t m_ullQueries = 0;
    uint64_t m_ullRowsRead = 0;
    uint64_t m_ullSeeks = 0;
};

// A page cache together with the table it reads; the table's reference is released with it.
class CMapiPageCache
{
  public:
    virtual ~CMapiPageCache() = default;
    virtual CPageCache& Cache() = 0;
    // Live counters of the table's use; a caller may reset them between steps.
    virtual CPageSourceCounters& Counters() = 0;
    int Kind()
    {
        return Cache().Kind();
    }
};

// The cache of an address-book container's contents table. The table is set to the container
// columns and positioned at its start; E_OUTOFMEMORY or the table's failure otherwise. The cache
// reports its failed assertions to p_fnReport.
[[nodiscard]] HRESULT MakeABPageCache(IMAPITable* p_pTable, IAddressBookLookup& p_oLookup,
                                      std::unique_ptr<CMapiPageCache>& p_pCache,
                                      PageCacheAssertReporter p_fnReport = LogPageCacheAssertion);
// The cache of a contact folder's contents table, given the resolved contact e-mail tags (their
// property types are set here, so the PT_UNSPECIFIED tags GetIDsFromNames gives are fine).
[[nodiscard]] HRESULT MakeContactPageCache(IMAPITable* p_pTable, const CContactEmailTags& p_aEmailTags,
                                           IAddressBookLookup& p_oLookup, std::unique_ptr<CMapiPageCache>& p_pCache,
                                           PageCacheAssertReporter p_fnReport = LogPageCacheAssertion);

// The source columns of the two caches, in the order their decoders read them: entry id, object
// type, display name, mobile, e-mail address, address type, display type for a container; the
// nine e-mail slot values, display name, mobile, entry id, message class, given name and surname
// for a contact folder.
std::vector<ULONG> ABPageColumns();
std::vector<ULONG> ContactPageColumns(const CContactEmailTags& p_aEmailTags);
// The decoders behind the two caches, for rows read in those column orders.
std::unique_ptr<IPageRowDecoder> MakeABPageDecoder(IAddressBookLookup& p_oLookup);
std::unique_ptr<IPageRowDecoder> MakeContactPageDecoder(IAddressBookLookup& p_oLookup);

// One MAPI value as the cache's decoders see it. PT_STRING8 text is taken as it is (MAPI hands
// 8-bit text in the process's ANSI code page, the one the whole library works in); PT_UNICODE text
// is converted to that code page (CP_ACP). PT_LONG, PT_I2, PT_BOOLEAN and PT_I8 are numbers;
// PT_BINARY and PT_CLSID (16 bytes) are bytes; PT_SYSTIME is its SysTimeText. PT_ERROR, PT_NULL
// and every other type are missing.
CSourceValue SourceValueOf(const SPropValue& p_oValue);

// A PT_SYSTIME value as the list shows it: "%02d/%02d/%d %2d:%02d %s" in local time, 12-hour
// clock (0 shown as 12), "A.M." or "P.M.".
std::string SysTimeText(const FILETIME& p_ftUtc);
