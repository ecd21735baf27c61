// Addressbook/reminders/reminder_store_win.cpp: the reminder folder, the series its items make,
// the mark dates, and the SMS list of one cycle.
#include "Addressbook/reminders/reminder_store_win.h"

#include "Addressbook/addressbook/exmapi_internal_win.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/owned_string.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"

#include <mapitags.h>

#include <algorithm>
#include <cstring>

using namespace exmapi;

const char* const kOwnReminderFolderName = "MyReminders";

namespace
{
constexpr GUID kPublicStrings = {0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kAppointmentSet = {0x00062002, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kCommonSet = {0x00062008, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr ULONG kTagFinderEntryId = PROP_TAG(PT_BINARY, 0x35E7);
constexpr ULONG kTagIpmAppointmentEntryId = PROP_TAG(PT_BINARY, 0x36D0);
constexpr ULONG kTagIpmTaskEntryId = PROP_TAG(PT_BINARY, 0x36D4);
constexpr ULONG kTagSentRepresentingName = PROP_TAG(PT_STRING8, 0x0042);
constexpr ULONG kTagRecipientFlags = PROP_TAG(PT_LONG, 0x5FFD);
constexpr LONG kRecipientOrganizer = 0x2;
constexpr int64_t kFileTimePerMinute = 600000000;
constexpr int64_t kSecondsPerDay = 86400;

std::optional<int64_t> TimeProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    const SPropValue* p = FindProp(p_aProps, p_nProps, p_ulTag);
    if (!p)
        return std::nullopt;
    return static_cast<int64_t>((static_cast<uint64_t>(p->Value.ft.dwHighDateTime) << 32) | p->Value.ft.dwLowDateTime);
}

bool BoolProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    const SPropValue* p = FindProp(p_aProps, p_nProps, p_ulTag);
    return p && p->Value.b != 0;
}

// A UTC file time as local minutes since 1601, by the time-zone rules of that date.
std::optional<int64_t> LocalMinutesOfUtc(int64_t p_iFileTime)
{
    FILETIME ft{static_cast<DWORD>(p_iFileTime), static_cast<DWORD>(static_cast<uint64_t>(p_iFileTime) >> 32)};
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return std::nullopt;
    return MinutesAt(CCivilDate{local.wYear, local.wMonth, local.wDay}, local.wHour, local.wMinute);
}

std::optional<FILETIME> UtcOfLocalMinutes(int64_t p_iMinutes)
{
    const CDeliveryTime t = DeliveryTimeOfMinutes(p_iMinutes);
    SYSTEMTIME local{}, utc{};
    static_assert(sizeof(local) == sizeof(t), "CDeliveryTime is a SYSTEMTIME");
    std::memcpy(&local, &t, sizeof(local));
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft))
        return std::nullopt;
    return ft;
}

FILETIME FileTimeOf(int64_t p_iValue)
{
    return FILETIME{static_cast<DWORD>(p_iValue), static_cast<DWORD>(static_cast<uint64_t>(p_iValue) >> 32)};
}

[[nodiscard]] HRESULT OpenFolderOf(IMsgStore* p_pStore, const CEntryBytes& p_vEntryId, com_ptr<IMAPIFolder>& p_pFolder)
{
    ULONG ulType = 0;
    return LOG_IF_MAPI_FAILED(p_pStore->OpenEntry(
        static_cast<ULONG>(p_vEntryId.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vEntryId.data())),
        nullptr, MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(p_pFolder.put())));
}

[[nodiscard]] HRESULT StoreEntryId(IMAPIProp* p_pObject, ULONG p_ulTag, CEntryBytes& p_vEntryId)
{
    unique_mapi_buffer<SPropValue> pValue;
    const HRESULT hr = GetOneProp(p_pObject, p_ulTag, pValue);
    if (FAILED(hr))
        return hr;
    p_vEntryId.assign(pValue.get()->Value.bin.lpb, pValue.get()->Value.bin.lpb + pValue.get()->Value.bin.cb);
    return S_OK;
}

// Finds the search folder named p_szName below the finder root; S_FALSE when there is none.
[[nodiscard]] HRESULT FindSearchFolder(IMAPIFolder* p_pFinder, const char* p_szName, CEntryBytes& p_vFolder)
{
    com_ptr<IMAPITable> pTable;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pFinder->GetHierarchyTable(0, pTable.put()));
    if (FAILED(hr))
        return hr;
    CTags<2> oColumns{2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    hr = LOG_IF_MAPI_FAILED(pTable->SetColumns(oColumns.get(), 0));
    if (FAILED(hr))
        return hr;
    bool bFound = false;
    hr = ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        if (!ovEntryId || StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or("") != p_szName)
            return true;
        p_vFolder = *ovEntryId;
        bFound = true;
        return false;
    });
    return FAILED(hr) ? hr : bFound ? S_OK : S_FALSE;
}

// "MyReminders": the default calendar and tasks, items whose reminder is set.
[[nodiscard]] HRESULT CreateOwnReminderFolder(IMsgStore* p_pStore, IMAPIFolder* p_pFinder, CEntryBytes& p_vFolder)
{
    CReminderTags oTags;
    HRESULT hr = ResolveReminderTags(p_pStore, oTags);
    if (FAILED(hr))
        return hr;
    // The default calendar and tasks folders are named by the root folder, not the store.
    com_ptr<IMAPIFolder> pRoot;
    CEntryBytes vCalendar, vTasks;
    hr = OpenFolderOf(p_pStore, CEntryBytes(), pRoot);
    if (SUCCEEDED(hr))
        hr = StoreEntryId(pRoot.get(), kTagIpmAppointmentEntryId, vCalendar);
    if (SUCCEEDED(hr))
        hr = StoreEntryId(pRoot.get(), kTagIpmTaskEntryId, vTasks);
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "the default calendar and tasks folders", EResultKind::MapiResult,
                       static_cast<uint32_t>(hr));
        return hr;
    }
    com_ptr<IMAPIFolder> pFolder;
    hr = LOG_IF_MAPI_FAILED(
        p_pFinder->CreateFolder(FOLDER_SEARCH, reinterpret_cast<LPTSTR>(const_cast<char*>(kOwnReminderFolderName)),
                                reinterpret_cast<LPTSTR>(const_cast<char*>("If Reminder folder is missing")), nullptr,
                                OPEN_IF_EXISTS, pFolder.put()));
    if (FAILED(hr))
        return hr;
    SPropValue oSet{};
    oSet.ulPropTag = oTags.m_ulReminderSet;
    oSet.Value.b = TRUE;
    SRestriction aParts[2]{};
    aParts[0].rt = RES_EXIST;
    aParts[0].res.resExist.ulPropTag = oTags.m_ulReminderSet;
    aParts[1].rt = RES_PROPERTY;
    aParts[1].res.resProperty = {RELOP_EQ, oTags.m_ulReminderSet, &oSet};
    SRestriction oCriteria{};
    oCriteria.rt = RES_AND;
    oCriteria.res.resAnd = {2, aParts};
    SBinary aFolders[2] = {{static_cast<ULONG>(vCalendar.size()), vCalendar.data()},
                           {static_cast<ULONG>(vTasks.size()), vTasks.data()}};
    ENTRYLIST oFolders{2, aFolders};
    hr = LOG_IF_MAPI_FAILED(pFolder->SetSearchCriteria(&oCriteria, &oFolders, BACKGROUND_SEARCH | RESTART_SEARCH));
    if (FAILED(hr))
        return hr;
    unique_mapi_buffer<SPropValue> pEntryId;
    hr = LOG_IF_MAPI_FAILED(GetOneProp(pFolder.get(), PR_ENTRYID, pEntryId));
    if (FAILED(hr))
        return hr;
    p_vFolder.assign(pEntryId.get()->Value.bin.lpb, pEntryId.get()->Value.bin.lpb + pEntryId.get()->Value.bin.cb);
    Log("Created the search folder %s", kOwnReminderFolderName);
    return S_OK;
}

std::string EntryString(const CEntryBytes& p_v)
{
    return std::string(p_v.begin(), p_v.end());
}

[[nodiscard]] HRESULT OpenItem(IMsgStore* p_pStore, const std::string& p_sEntryId, ULONG p_ulFlags,
                               com_ptr<IMessage>& p_pItem)
{
    ULONG ulType = 0;
    return LOG_IF_MAPI_FAILED(p_pStore->OpenEntry(
        static_cast<ULONG>(p_sEntryId.size()), reinterpret_cast<LPENTRYID>(const_cast<char*>(p_sEntryId.data())),
        nullptr, p_ulFlags, &ulType, reinterpret_cast<IUnknown**>(p_pItem.put())));
}

// The mobile of a recipient: its own value, else its address-book entry's.
std::string AttendeeMobile(IAddrBook* p_pAddressBook, const SRow& p_oRow)
{
    if (std::optional<std::string> os = StringProp(p_oRow, PR_MOBILE_TELEPHONE_NUMBER_A); os && !os->empty())
        return *os;
    const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
    if (!p_pAddressBook || !ovEntryId || ovEntryId->empty())
        return {};
    com_ptr<IMAPIProp> pEntry;
    ULONG ulType = 0;
    if (FAILED(LOG_IF_MAPI_FAILED(p_pAddressBook->OpenEntry(
            static_cast<ULONG>(ovEntryId->size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(ovEntryId->data())),
            nullptr, 0, &ulType, reinterpret_cast<IUnknown**>(pEntry.put())))))
        return {};
    unique_mapi_buffer<SPropValue> pMobile;
    if (FAILED(GetOneProp(pEntry.get(), PR_MOBILE_TELEPHONE_NUMBER_A, pMobile)))
        return {};
    return pMobile.get()->Value.lpszA ? pMobile.get()->Value.lpszA : "";
}

// The meeting's attendees (the organizer left out): name and mobile.
void ReadAttendees(IMessage* p_pItem, IAddrBook* p_pAddressBook, std::vector<CReminderAttendee>& p_vAttendees)
{
    com_ptr<IMAPITable> pTable;
    if (FAILED(LOG_IF_MAPI_FAILED(p_pItem->GetRecipientTable(0, pTable.put()))))
        return;
    CTags<4> oColumns{4, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_MOBILE_TELEPHONE_NUMBER_A, kTagRecipientFlags}};
    if (FAILED(LOG_IF_MAPI_FAILED(pTable->SetColumns(oColumns.get(), 0))))
        return;
    (void)ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        if (LongProp(p_oRow, kTagRecipientFlags).value_or(0) & kRecipientOrganizer)
            return true;
        p_vAttendees.push_back(
            {StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or(""), AttendeeMobile(p_pAddressBook, p_oRow)});
        return true;
    });
}

// Tables may cut long binary values short (a personal store gives at most 255 bytes), so only a
// shorter recurrence blob taken from the row is trusted whole.
constexpr ULONG kWholeTableBinary = 255;

[[nodiscard]] bool ReadRecurrenceBlob(const SBinary& p_oBlob, CReminderSeries& p_oSeries)
{
    CRecurrence oRecurrence;
    if (ReadRecurrence(p_oBlob.lpb, p_oBlob.cb, oRecurrence) != ERecurrenceRead::Ok)
    {
        Log("Reccurrence state is bad: \"%s\" skipped", p_oSeries.m_sSubject.c_str());
        return false;
    }
    p_oSeries.m_oRecurrence = std::move(oRecurrence);
    return true;
}

// The part of a series the row may not give: the recurrence blob when the row's is missing or may
// be cut short, and the attendees. The item is opened only for those.
[[nodiscard]] bool ReadItemDetails(IMsgStore* p_pStore, IAddrBook* p_pAddressBook, const CReminderTags& p_oTags,
                                   const SRow& p_oRow, CReminderSeries& p_oSeries)
{
    bool bNeedBlob = p_oSeries.m_iRecurrenceType != 0;
    if (bNeedBlob)
        if (const SPropValue* p = FindProp(p_oRow.lpProps, p_oRow.cValues, p_oTags.m_ulRecurrence);
            p && p->Value.bin.cb < kWholeTableBinary)
        {
            if (!ReadRecurrenceBlob(p->Value.bin, p_oSeries))
                return false;
            bNeedBlob = false;
        }
    const bool bAttendees = p_oSeries.m_bAlsoAttendees && p_oSeries.m_eKind == EReminderKind::Appointment;
    if (!bNeedBlob && !bAttendees)
        return true;
    com_ptr<IMessage> pItem;
    if (FAILED(OpenItem(p_pStore, p_oSeries.m_sEntryId, MAPI_BEST_ACCESS, pItem)))
        return false;
    if (bNeedBlob)
    {
        unique_mapi_buffer<SPropValue> pBlob;
        if (FAILED(GetOneProp(pItem.get(), p_oTags.m_ulRecurrence, pBlob)))
        {
            Log("No recurrence state: \"%s\" skipped", p_oSeries.m_sSubject.c_str());
            return false;
        }
        if (!ReadRecurrenceBlob(pBlob.get()->Value.bin, p_oSeries))
            return false;
    }
    if (bAttendees)
        ReadAttendees(pItem.get(), p_pAddressBook, p_oSeries.m_vAttendees);
    return true;
}

// One row of the reminder folder as a series; none for plain items and items without a start.
std::unique_ptr<CReminderSeries> SeriesOfRow(const SRow& p_oRow, const CReminderTags& p_oTags)
{
    const std::string sClass = StringProp(p_oRow, PR_MESSAGE_CLASS_A).value_or("");
    if (EqualsNoCase(sClass, "IPM.Task") || EqualsNoCase(sClass, "IPM.Appointment"))
        return nullptr;
    const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
    if (!ovEntryId)
        return nullptr;
    auto oSeries = std::make_unique<CReminderSeries>();
    CReminderSeries& s = *oSeries;
    s.m_sEntryId = EntryString(*ovEntryId);
    s.m_sSubject = StringProp(p_oRow, PR_SUBJECT_A).value_or("");
    s.m_sOrganizer = StringProp(p_oRow, kTagSentRepresentingName).value_or("");
    s.m_sLocation = StringProp(p_oRow, p_oTags.m_ulLocation).value_or("");
    s.m_eKind = StartsWithNoCase(sClass, "IPM.Task") ? EReminderKind::Task : EReminderKind::Appointment;
    s.m_iRecurrenceType = LongProp(p_oRow, p_oTags.m_ulRecurType).value_or(0);
    if (s.m_iRecurrenceType < 0 || s.m_iRecurrenceType > 4)
    {
        Log("Unknown recurrence type.");
        return nullptr;
    }
    s.m_iOffset = LongProp(p_oRow, p_oTags.m_ulOffset).value_or(0);
    s.m_bMustSend = BoolProp(p_oRow.lpProps, p_oRow.cValues, p_oTags.m_ulMustSend);
    s.m_bAlsoAttendees = BoolProp(p_oRow.lpProps, p_oRow.cValues, p_oTags.m_ulAlsoAttendees);
    s.m_sAlsoNumbers = StringProp(p_oRow, p_oTags.m_ulAlsoNumbers).value_or("");
    if (const std::optional<int64_t> oi = TimeProp(p_oRow.lpProps, p_oRow.cValues, p_oTags.m_ulMark))
        s.m_iMarkDate = LocalMinutesOfUtc(*oi);
    if (s.m_iRecurrenceType == 0)
    {
        const std::optional<int64_t> oiTime = TimeProp(p_oRow.lpProps, p_oRow.cValues, p_oTags.m_ulReminderTime);
        const std::optional<int64_t> oiStart = oiTime ? LocalMinutesOfUtc(*oiTime) : std::nullopt;
        if (!oiStart)
            return nullptr;
        s.m_iStart = *oiStart;
    }
    return oSeries;
}

// Items that can have a reminder from now on: recurring ones, and single ones that start after
// the day before now (the walk's own start).
struct CCandidateRestriction
{
    SPropValue m_oZero{};
    SPropValue m_oFrom{};
    SRestriction m_aRecurring[2]{};
    SRestriction m_aSingle[2]{};
    SRestriction m_aEither[2]{};
    SRestriction m_oAll{};

    CCandidateRestriction(const CReminderTags& p_oTags, int64_t p_iFromFileTime)
    {
        m_oZero.ulPropTag = p_oTags.m_ulRecurType;
        m_oFrom.ulPropTag = p_oTags.m_ulReminderTime;
        m_oFrom.Value.ft = FileTimeOf(p_iFromFileTime);
        m_aRecurring[0].rt = RES_EXIST;
        m_aRecurring[0].res.resExist.ulPropTag = p_oTags.m_ulRecurType;
        m_aRecurring[1].rt = RES_PROPERTY;
        m_aRecurring[1].res.resProperty = {RELOP_NE, p_oTags.m_ulRecurType, &m_oZero};
        m_aSingle[0].rt = RES_EXIST;
        m_aSingle[0].res.resExist.ulPropTag = p_oTags.m_ulReminderTime;
        m_aSingle[1].rt = RES_PROPERTY;
        m_aSingle[1].res.resProperty = {RELOP_GE, p_oTags.m_ulReminderTime, &m_oFrom};
        m_aEither[0].rt = RES_AND;
        m_aEither[0].res.resAnd = {2, m_aRecurring};
        m_aEither[1].rt = RES_AND;
        m_aEither[1].res.resAnd = {2, m_aSingle};
        m_oAll.rt = RES_OR;
        m_oAll.res.resOr = {2, m_aEither};
    }
};
} // namespace

int64_t LocalSecondsOf(const CTraceTime& p_oTime)
{
    return MinutesAt(CCivilDate{p_oTime.m_iYear, p_oTime.m_iMonth, p_oTime.m_iDay}, p_oTime.m_iHour,
                     p_oTime.m_iMinute) *
               60 +
           p_oTime.m_iSecond;
}

CDeliveryTime DeliveryTimeOfMinutes(int64_t p_iMinutes)
{
    const int64_t day =
        p_iMinutes >= 0 ? p_iMinutes / kMinutesPerDay : (p_iMinutes - kMinutesPerDay + 1) / kMinutesPerDay;
    const CCivilDate d = DateOfDay(day);
    const int64_t minute = p_iMinutes - day * kMinutesPerDay;
    CDeliveryTime t;
    t.m_wYear = static_cast<uint16_t>(d.m_iYear);
    t.m_wMonth = static_cast<uint16_t>(d.m_iMonth);
    t.m_wDay = static_cast<uint16_t>(d.m_iDay);
    t.m_wDayOfWeek = static_cast<uint16_t>(WeekdayOfDay(day));
    t.m_wHour = static_cast<uint16_t>(minute / 60);
    t.m_wMinute = static_cast<uint16_t>(minute % 60);
    return t;
}

HRESULT ResolveReminderTags(IMAPIProp* p_pMapper, CReminderTags& p_oTags)
{
    struct CName
    {
        const GUID* m_pGuid;
        const wchar_t* m_szName;
        LONG m_lId;
        ULONG m_ulType;
        ULONG CReminderTags::*m_pTag;
    };
    const CName aNames[] = {
        {&kPublicStrings, L"MustSendSMSReminder", 0, PT_BOOLEAN, &CReminderTags::m_ulMustSend},
        {&kPublicStrings, L"AlsoSendToAttendees", 0, PT_BOOLEAN, &CReminderTags::m_ulAlsoAttendees},
        {&kPublicStrings, L"AlsoSendToNumbers", 0, PT_STRING8, &CReminderTags::m_ulAlsoNumbers},
        {&kPublicStrings, L"SmSrEmInDeRdOnEReC", 0, PT_SYSTIME, &CReminderTags::m_ulMark},
        {&kAppointmentSet, nullptr, 0x8216, PT_BINARY, &CReminderTags::m_ulRecurrence},
        {&kAppointmentSet, nullptr, 0x8231, PT_LONG, &CReminderTags::m_ulRecurType},
        {&kAppointmentSet, nullptr, 0x820D, PT_SYSTIME, &CReminderTags::m_ulStart},
        {&kAppointmentSet, nullptr, 0x820E, PT_SYSTIME, &CReminderTags::m_ulEnd},
        {&kAppointmentSet, nullptr, 0x8208, PT_STRING8, &CReminderTags::m_ulLocation},
        {&kCommonSet, nullptr, 0x8501, PT_LONG, &CReminderTags::m_ulOffset},
        {&kCommonSet, nullptr, 0x8502, PT_SYSTIME, &CReminderTags::m_ulReminderTime},
        {&kCommonSet, nullptr, 0x8503, PT_BOOLEAN, &CReminderTags::m_ulReminderSet},
    };
    constexpr size_t kCount = sizeof(aNames) / sizeof(aNames[0]);
    MAPINAMEID aIds[kCount];
    LPMAPINAMEID apIds[kCount];
    for (size_t i = 0; i < kCount; ++i)
    {
        aIds[i].lpguid = const_cast<GUID*>(aNames[i].m_pGuid);
        aIds[i].ulKind = aNames[i].m_szName ? MNID_STRING : MNID_ID;
        if (aNames[i].m_szName)
            aIds[i].Kind.lpwstrName = const_cast<wchar_t*>(aNames[i].m_szName);
        else
            aIds[i].Kind.lID = aNames[i].m_lId;
        apIds[i] = &aIds[i];
    }
    unique_mapi_buffer<SPropTagArray> pTags;
    const HRESULT hr = LOG_IF_MAPI_FAILED(p_pMapper->GetIDsFromNames(kCount, apIds, MAPI_CREATE, pTags.put()));
    if (FAILED(hr))
        return hr;
    for (size_t i = 0; i < kCount; ++i)
    {
        const ULONG ulTag = pTags.get()->aulPropTag[i];
        if (PROP_TYPE(ulTag) == PT_ERROR)
        {
            LOG_FAILURE("named property %u has no id", static_cast<unsigned>(i));
            return MAPI_E_NOT_FOUND;
        }
        p_oTags.*(aNames[i].m_pTag) = PROP_TAG(aNames[i].m_ulType, PROP_ID(ulTag));
    }
    return S_OK;
}

HRESULT GetOwnReminderFolder(IMsgStore* p_pStore, CEntryBytes& p_vFolder)
{
    CEntryBytes vFinder;
    HRESULT hr = StoreEntryId(p_pStore, kTagFinderEntryId, vFinder);
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "the store's PR_FINDER_ENTRYID", EResultKind::MapiResult,
                       static_cast<uint32_t>(hr));
        return hr;
    }
    com_ptr<IMAPIFolder> pFinder;
    hr = OpenFolderOf(p_pStore, vFinder, pFinder);
    if (FAILED(hr))
        return hr;
    for (const char* szName : {"Reminders", kOwnReminderFolderName})
    {
        hr = FindSearchFolder(pFinder.get(), szName, p_vFolder);
        if (hr != S_FALSE)
            return hr;
    }
    return CreateOwnReminderFolder(p_pStore, pFinder.get(), p_vFolder);
}

HRESULT GetRecurrentRemindersStructForPeriod(IMsgStore* p_pStore, IAddrBook* p_pAddressBook, IMAPIFolder* p_pFolder,
                                             const CReminderTags& p_oTags,
                                             std::vector<std::unique_ptr<CReminderSeries>>& p_vSeries,
                                             int64_t p_iNowSeconds, int64_t p_iEndSeconds)
{
    (void)p_iEndSeconds; // every candidate is walked; DueReminders applies the end
    com_ptr<IMAPITable> pTable;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pFolder->GetContentsTable(0, pTable.put()));
    if (FAILED(hr))
        return hr;
    CTags<15> oColumns{15,
                       {PR_ENTRYID, PR_SUBJECT_A, kTagSentRepresentingName, PR_MESSAGE_CLASS_A, p_oTags.m_ulMustSend,
                        p_oTags.m_ulAlsoAttendees, p_oTags.m_ulAlsoNumbers, p_oTags.m_ulMark, p_oTags.m_ulRecurType,
                        p_oTags.m_ulStart, p_oTags.m_ulEnd, p_oTags.m_ulLocation, p_oTags.m_ulOffset,
                        p_oTags.m_ulReminderTime, p_oTags.m_ulRecurrence}};
    hr = LOG_IF_MAPI_FAILED(pTable->SetColumns(oColumns.get(), 0));
    if (FAILED(hr))
        return hr;
    // The restriction compares UTC values: a day's margin covers every time-zone offset.
    const int64_t iFrom = (p_iNowSeconds / 60 - 2 * kMinutesPerDay) * kFileTimePerMinute;
    CCandidateRestriction oRestriction(p_oTags, iFrom);
    hr = LOG_IF_MAPI_FAILED(pTable->Restrict(&oRestriction.m_oAll, 0));
    if (FAILED(hr))
        return hr;
    return ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        std::unique_ptr<CReminderSeries> oSeries = SeriesOfRow(p_oRow, p_oTags);
        if (oSeries && ReadItemDetails(p_pStore, p_pAddressBook, p_oTags, p_oRow, *oSeries))
            p_vSeries.push_back(std::move(oSeries));
        return true;
    });
}

HRESULT WriteReminderMark(IMsgStore* p_pStore, const CReminderTags& p_oTags, const std::string& p_sEntryId,
                          int64_t p_iMarkMinutes)
{
    const std::optional<FILETIME> oft = UtcOfLocalMinutes(p_iMarkMinutes);
    if (!oft)
    {
        LOG_FAILURE("no UTC time for the mark");
        return E_FAIL;
    }
    com_ptr<IMessage> pItem;
    HRESULT hr = OpenItem(p_pStore, p_sEntryId, MAPI_MODIFY, pItem);
    if (FAILED(hr))
        return hr;
    SPropValue oMark{};
    oMark.ulPropTag = p_oTags.m_ulMark;
    oMark.Value.ft = *oft;
    unique_mapi_buffer<SPropProblemArray> pProblems;
    hr = LOG_IF_MAPI_FAILED(pItem->SetProps(1, &oMark, pProblems.put()));
    if (SUCCEEDED(hr))
        hr = LOG_IF_MAPI_FAILED(pItem->SaveChanges(0));
    return hr;
}

HRESULT GetReminderSMSList(IMsgStore* p_pStore, IAddrBook* p_pAddressBook, const CEntryBytes& p_vFolder,
                           const CReminderCycle& p_oCycle, const CReminderUser& p_oUser,
                           std::vector<CReminderSMS>& p_vList, std::vector<CReminderMark>* p_pvMarks)
{
    if (!p_pStore || p_vFolder.empty())
    {
        LOG_FAILURE("Error: MAPI session not defined in this thread, or no reminder folder");
        return E_FAIL;
    }
    CReminderTags oTags;
    HRESULT hr = ResolveReminderTags(p_pStore, oTags);
    if (FAILED(hr))
        return hr;
    com_ptr<IMAPIFolder> pFolder;
    hr = OpenFolderOf(p_pStore, p_vFolder, pFolder);
    if (FAILED(hr))
        return hr;
    std::vector<std::unique_ptr<CReminderSeries>> vSeries;
    hr = GetRecurrentRemindersStructForPeriod(p_pStore, p_pAddressBook, pFolder.get(), oTags, vSeries,
                                              p_oCycle.m_iNowSeconds, p_oCycle.m_iEndSeconds);
    if (FAILED(hr))
        return hr;
    std::vector<CDueReminder> vDue;
    std::vector<CReminderMark> vMarks;
    for (const std::unique_ptr<CReminderSeries>& oSeries : vSeries)
    {
        CDueReminders oDue =
            DueReminders(*oSeries, p_oCycle.m_iNowSeconds, p_oCycle.m_iEndSeconds, p_oCycle.m_bSendAgain);
        if (oDue.m_nHeldBack)
            Log("DO NOT Send Again: \"%s\"", oSeries->m_sSubject.c_str());
        if (const std::optional<int64_t> oiMark = MarkToWrite(*oSeries, oDue))
            vMarks.push_back({oSeries->m_sEntryId, *oiMark});
        vDue.insert(vDue.end(), oDue.m_vDue.begin(), oDue.m_vDue.end());
    }
    std::vector<CReminderSMS> vList = ReminderSMSList(vDue, p_oUser, p_oCycle.m_bInAdvance);
    p_vList.insert(p_vList.end(), vList.begin(), vList.end());
    if (p_pvMarks)
        p_pvMarks->insert(p_pvMarks->end(), vMarks.begin(), vMarks.end());
    else
        (void)WriteReminderMarks(p_pStore, vMarks);
    return S_OK;
}

size_t WriteReminderMarks(IMsgStore* p_pStore, const std::vector<CReminderMark>& p_vMarks)
{
    if (p_vMarks.empty())
        return 0;
    CReminderTags oTags;
    if (FAILED(ResolveReminderTags(p_pStore, oTags)))
        return p_vMarks.size();
    size_t nFailed = 0;
    for (const CReminderMark& oMark : p_vMarks)
        if (FAILED(WriteReminderMark(p_pStore, oTags, oMark.m_sEntryId, oMark.m_iMarkMinutes)))
            ++nFailed; // traced; the reminder is due again while its time is ahead
    return nFailed;
}

CFinalSMSList* NewReminderJob(const std::vector<CReminderSMS>& p_vList)
{
    try
    {
        ListPtr<CFinalSMSList> oList = NewList<CFinalSMSList>();
        for (const CReminderSMS& oSMS : p_vList)
        {
            auto oFinal = std::make_unique<CFinalSMS>();
            oFinal->m_szName = CopyOwnedString(oSMS.m_sName.c_str()).release();
            oFinal->m_szMobile = CopyOwnedString(oSMS.m_sMobile.c_str()).release();
            oFinal->m_szText = CopyOwnedString(oSMS.m_sText.c_str()).release();
            if (oSMS.m_iDeliveryMinute)
                oFinal->m_stDeliveryTime = DeliveryTimeOfMinutes(*oSMS.m_iDeliveryMinute);
            AppendItem(*oList, std::move(oFinal));
        }
        return oList.release();
    }
    catch (const std::bad_alloc&)
    {
        LOG_FAILURE("out of memory building the reminder job");
        return nullptr;
    }
}
