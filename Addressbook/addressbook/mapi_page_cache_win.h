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

// A page cache together with the table it reads; the table's reference is released with it.
class CMapiPageCache
{
  public:
    virtual ~CMapiPageCache() = default;
    virtual CPageCache& Cache() = 0;
    int Kind()
    {
        return Cache().Kind();
    }
};

// The cache of an address-book container's contents table. The table is set to the container
// columns and positioned at its start; E_OUTOFMEMORY or the table's failure otherwise.
HRESULT MakeABPageCache(IMAPITable* p_pTable, IAddressBookLookup& p_oLookup, std::unique_ptr<CMapiPageCache>& p_pCache);
// The cache of a contact folder's contents table, given the resolved contact e-mail tags.
HRESULT MakeContactPageCache(IMAPITable* p_pTable, const CContactEmailTags& p_aEmailTags, IAddressBookLookup& p_oLookup,
                             std::unique_ptr<CMapiPageCache>& p_pCache);

// A PT_SYSTIME value as the list shows it: "%02d/%02d/%d %2d:%02d %s" in local time, 12-hour
// clock (0 shown as 12), "A.M." or "P.M.".
std::string SysTimeText(const FILETIME& p_ftUtc);
