// Addressbook/addressbook/mapi_page_cache_win.cpp: the decoders of the two page caches (address-book
// container rows and contact-folder rows) and the factories that put a cache over a contents table.
#include "Addressbook/addressbook/mapi_page_cache_win.h"

#include "Addressbook/addressbook/contact_email.h"
#include "Addressbook/addressbook/mapi_page_source_win.h"
#include "Addressbook/messaging/ansi_text.h"
#include "Addressbook/messaging/phone_rules.h"

#include <mapitags.h>

#include <new>

namespace
{
// Display types of mail users whose rows carry an address; any other marks a resource the list
// names without reading further.
constexpr long kDisplayTypeMailUser = 0;
constexpr long kDisplayTypeDistList = 1;
constexpr long kDisplayTypePrivateDistList = 5;
constexpr long kDisplayTypeRemoteMailUser = 6;

// Columns of an address-book container's rows, in the order the decoder reads them.
enum EABColumn : size_t
{
    kABEntryId,
    kABObjectType,
    kABName,
    kABMobile,
    kABEmail,
    kABAddrType,
    kABDisplayType,
};

// Columns of a contact folder's rows: the nine e-mail slot values first, then these.
constexpr size_t kContactSlotValues = 9;
enum EContactColumn : size_t
{
    kContactName = kContactSlotValues,
    kContactMobile,
    kContactEntryId,
    kContactMessageClass,
    kContactGivenName,
    kContactSurname,
};

const CSourceValue* ValueAt(const CSourceRow& p_vRow, size_t p_nColumn)
{
    return p_nColumn < p_vRow.size() ? &p_vRow[p_nColumn].m_vValue : nullptr;
}

std::optional<std::string> TextAt(const CSourceRow& p_vRow, size_t p_nColumn)
{
    const CSourceValue* pValue = ValueAt(p_vRow, p_nColumn);
    const auto* pText = pValue ? std::get_if<std::string>(pValue) : nullptr;
    return pText ? std::optional<std::string>(*pText) : std::nullopt;
}

std::optional<long> NumberAt(const CSourceRow& p_vRow, size_t p_nColumn)
{
    const CSourceValue* pValue = ValueAt(p_vRow, p_nColumn);
    const auto* pNumber = pValue ? std::get_if<int64_t>(pValue) : nullptr;
    return pNumber ? std::optional<long>(static_cast<long>(*pNumber)) : std::nullopt;
}

std::optional<CEntryBytes> BytesAt(const CSourceRow& p_vRow, size_t p_nColumn)
{
    const CSourceValue* pValue = ValueAt(p_vRow, p_nColumn);
    const auto* pBytes = pValue ? std::get_if<CEntryBytes>(pValue) : nullptr;
    return pBytes ? std::optional<CEntryBytes>(*pBytes) : std::nullopt;
}

bool IsAddressedDisplayType(long p_lDisplayType)
{
    return p_lDisplayType == kDisplayTypeMailUser || p_lDisplayType == kDisplayTypeDistList ||
           p_lDisplayType == kDisplayTypePrivateDistList || p_lDisplayType == kDisplayTypeRemoteMailUser;
}

class CABDecoder : public IPageRowDecoder
{
  public:
    explicit CABDecoder(IAddressBookLookup& p_oLookup) : m_oLookup(p_oLookup)
    {
    }
    int Kind() const override
    {
        return kABPageCacheKind;
    }
    CPageRow Decode(const CSourceRow& p_vRow) override
    {
        CPageRow oRow;
        oRow.m_ovEntryId = BytesAt(p_vRow, kABEntryId);
        oRow.m_osName = TextAt(p_vRow, kABName);
        const std::optional<long> olObjectType = NumberAt(p_vRow, kABObjectType);
        if (olObjectType != static_cast<long>(MAPI_MAILUSER))
        {
            oRow.m_osName = oRow.m_osName.value_or(std::string());
            oRow.m_osMobile = std::string();
            oRow.m_osEmail = std::string();
            oRow.m_olObjectType =
                olObjectType == static_cast<long>(MAPI_DISTLIST) ? kObjectTypeDistList : kObjectTypeOther;
            return oRow;
        }
        oRow.m_olObjectType = kObjectTypeMailUser;
        const std::optional<long> olDisplayType = NumberAt(p_vRow, kABDisplayType);
        if (olDisplayType && !IsAddressedDisplayType(*olDisplayType))
            return oRow;
        oRow.m_osEmail = EmailOf(p_vRow, oRow.m_ovEntryId);
        oRow.m_osMobile = TextAt(p_vRow, kABMobile);
        if ((!oRow.m_osMobile || oRow.m_osMobile->empty()) && oRow.m_ovEntryId)
            if (std::optional<std::string> osMobile = m_oLookup.MobileOf(*oRow.m_ovEntryId))
                oRow.m_osMobile = std::move(osMobile);
        return oRow;
    }
    // The probes of a prefix search read the name only: no address-book lookups.
    std::optional<std::string> DisplayName(const CSourceRow& p_vRow) override
    {
        return TextAt(p_vRow, kABName);
    }

  private:
    std::string EmailOf(const CSourceRow& p_vRow, const std::optional<CEntryBytes>& p_ovEntryId)
    {
        const std::optional<std::string> osAddress = TextAt(p_vRow, kABEmail);
        const std::optional<std::string> osAddrType = TextAt(p_vRow, kABAddrType);
        std::string sEmail;
        if (osAddress && !osAddress->empty())
        {
            if (osAddrType && AnsiEqualsNoCase(*osAddrType, "SMTP"))
                sEmail = *osAddress;
            else if (!osAddrType && IsEmailAddress(osAddress->c_str()))
                sEmail = *osAddress;
        }
        if (sEmail.empty() && p_ovEntryId)
            if (std::optional<std::string> osSmtp = m_oLookup.SmtpAddressOf(*p_ovEntryId))
                sEmail = std::move(*osSmtp);
        return sEmail;
    }

    IAddressBookLookup& m_oLookup;
};

class CContactDecoder : public IPageRowDecoder
{
  public:
    explicit CContactDecoder(IAddressBookLookup& p_oLookup) : m_oLookup(p_oLookup)
    {
    }
    int Kind() const override
    {
        return kContactPageCacheKind;
    }
    CPageRow Decode(const CSourceRow& p_vRow) override
    {
        CPageRow oRow;
        oRow.m_osName = TextAt(p_vRow, kContactName);
        oRow.m_osMobile = TextAt(p_vRow, kContactMobile);
        oRow.m_ovEntryId = BytesAt(p_vRow, kContactEntryId);
        CContactEmailSlots aSlots;
        for (size_t i = 0; i < aSlots.size(); ++i)
        {
            aSlots[i].m_osAddrType = TextAt(p_vRow, i * 3);
            aSlots[i].m_osAddress = TextAt(p_vRow, i * 3 + 1);
            aSlots[i].m_ovOriginalEntryId = BytesAt(p_vRow, i * 3 + 2);
        }
        oRow.m_osEmail = ChooseContactEmail(
            aSlots, [this](const CEntryBytes& p_vEntryId) { return m_oLookup.SmtpAddressOf(p_vEntryId); });
        const std::optional<std::string> osClass = TextAt(p_vRow, kContactMessageClass);
        oRow.m_olObjectType =
            osClass && AnsiEqualsNoCase(*osClass, "IPM.DistList") ? kObjectTypeDistList : kObjectTypeMailUser;
        return oRow;
    }
    std::optional<std::string> DisplayName(const CSourceRow& p_vRow) override
    {
        return TextAt(p_vRow, kContactName);
    }

  private:
    IAddressBookLookup& m_oLookup;
};

} // namespace

std::vector<ULONG> ABPageColumns()
{
    return {PR_ENTRYID,         PR_OBJECT_TYPE, PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A,
            PR_EMAIL_ADDRESS_A, PR_ADDRTYPE_A,  PR_DISPLAY_TYPE};
}

std::vector<ULONG> ContactPageColumns(const CContactEmailTags& p_aEmailTags)
{
    std::vector<ULONG> vColumns;
    for (size_t i = 0; i < p_aEmailTags.size(); ++i)
    {
        // The third value of each slot is the original entry id; the other two are text. An
        // unresolved name (id 0) stays as it is and comes back missing.
        const ULONG ulTag = p_aEmailTags[i];
        const ULONG ulType = i % 3 == 2 ? PT_BINARY : PT_STRING8;
        vColumns.push_back(PROP_ID(ulTag) != 0 ? PROP_TAG(ulType, PROP_ID(ulTag)) : ulTag);
    }
    vColumns.insert(vColumns.end(), {PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A, PR_ENTRYID, PR_MESSAGE_CLASS_A,
                                     PR_GIVEN_NAME_A, PR_SURNAME_A});
    return vColumns;
}

std::unique_ptr<IPageRowDecoder> MakeABPageDecoder(IAddressBookLookup& p_oLookup)
{
    return std::make_unique<CABDecoder>(p_oLookup);
}

std::unique_ptr<IPageRowDecoder> MakeContactPageDecoder(IAddressBookLookup& p_oLookup)
{
    return std::make_unique<CContactDecoder>(p_oLookup);
}

namespace
{
// The table, its source, the decoder and the cache over them, destroyed in reverse order.
class CMapiPageCacheImpl : public CMapiPageCache
{
  public:
    CMapiPageCacheImpl(IMAPITable* p_pTable, std::unique_ptr<IPageRowDecoder> p_pDecoder,
                       PageCacheAssertReporter p_fnReport)
        : m_oSource(p_pTable), m_pDecoder(std::move(p_pDecoder)),
          m_oCache(m_oSource, *m_pDecoder, std::move(p_fnReport))
    {
    }
    [[nodiscard]] HRESULT Open(const std::vector<ULONG>& p_vColumns)
    {
        const HRESULT hr = m_oSource.Open(p_vColumns);
        if (FAILED(hr))
            return hr;
        return m_oCache.SetUp(m_oSource.Rows()) ? S_OK : E_FAIL;
    }
    CPageCache& Cache() override
    {
        return m_oCache;
    }
    CPageSourceCounters& Counters() override
    {
        return m_oSource.Counters();
    }

  private:
    CMapiTableSource m_oSource;
    std::unique_ptr<IPageRowDecoder> m_pDecoder;
    CPageCache m_oCache;
};

HRESULT MakeCache(IMAPITable* p_pTable, std::unique_ptr<IPageRowDecoder> p_pDecoder,
                  const std::vector<ULONG>& p_vColumns, PageCacheAssertReporter p_fnReport,
                  std::unique_ptr<CMapiPageCache>& p_pCache)
{
    p_pCache.reset();
    if (p_pTable == nullptr)
        return E_INVALIDARG;
    std::unique_ptr<CMapiPageCacheImpl> pCache(new (std::nothrow)
                                                   CMapiPageCacheImpl(p_pTable, std::move(p_pDecoder), p_fnReport));
    if (!pCache)
        return E_OUTOFMEMORY;
    const HRESULT hr = pCache->Open(p_vColumns);
    if (FAILED(hr))
        return hr;
    p_pCache = std::move(pCache);
    return S_OK;
}
} // namespace

HRESULT MakeABPageCache(IMAPITable* p_pTable, IAddressBookLookup& p_oLookup, std::unique_ptr<CMapiPageCache>& p_pCache,
                        PageCacheAssertReporter p_fnReport)
{
    try
    {
        return MakeCache(p_pTable, MakeABPageDecoder(p_oLookup), ABPageColumns(), std::move(p_fnReport), p_pCache);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT MakeContactPageCache(IMAPITable* p_pTable, const CContactEmailTags& p_aEmailTags, IAddressBookLookup& p_oLookup,
                             std::unique_ptr<CMapiPageCache>& p_pCache, PageCacheAssertReporter p_fnReport)
{
    try
    {
        return MakeCache(p_pTable, MakeContactPageDecoder(p_oLookup), ContactPageColumns(p_aEmailTags),
                         std::move(p_fnReport), p_pCache);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}
