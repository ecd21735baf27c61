// Addressbook/reminders/reminder_store_win.h: the MAPI side of SMS reminders: the store's reminder
// folder, the series its items make, the mark each item keeps, and the SMS list of one cycle.
// Every function works on the store (and address book) it is given: the caller's thread's own.
#pragma once

#include "Addressbook/addressbook/page_cache.h"
#include "Addressbook/include/corvane_records.h"
#include "Addressbook/reminders/reminder_jobs.h"
#include "common/platform.h"

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The name the library gives the search folder it makes when the store has no "Reminders".
extern const char* const kOwnReminderFolderName; // "MyReminders"

// The named properties the reminder code reads and writes, resolved in one store.
struct CReminderTags
{
    ULONG m_ulMustSend = PR_NULL;      // PS_PUBLIC_STRINGS "MustSendSMSReminder", boolean
    ULONG m_ulAlsoAttendees = PR_NULL; // "AlsoSendToAttendees", boolean
    ULONG m_ulAlsoNumbers = PR_NULL;   // "AlsoSendToNumbers", string
    ULONG m_ulMark = PR_NULL;          // "SmSrEmInDeRdOnEReC", time (UTC)
    ULONG m_ulRecurrence = PR_NULL;    // appointment 0x8216, binary
    ULONG m_ulRecurType = PR_NULL;     // appointment 0x8231, long
    ULONG m_ulStart = PR_NULL;         // appointment 0x820D, time
    ULONG m_ulEnd = PR_NULL;           // appointment 0x820E, time
    ULONG m_ulLocation = PR_NULL;      // appointment 0x8208, string
    ULONG m_ulOffset = PR_NULL;        // common 0x8501, long (minutes)
    ULONG m_ulReminderTime = PR_NULL;  // common 0x8502, time
    ULONG m_ulReminderSet = PR_NULL;   // common 0x8503, boolean
};

// Resolves (creating where missing) the reminder tags in p_pMapper's store.
[[nodiscard]] HRESULT ResolveReminderTags(IMAPIProp* p_pMapper, CReminderTags& p_oTags);

// The reminder folder of p_pStore: the search folder "Reminders" below the finder root, else the
// library's own "MyReminders" there, made (criteria over the default calendar and tasks folders,
// items whose reminder is set) when missing.
[[nodiscard]] HRESULT GetOwnReminderFolder(IMsgStore* p_pStore, CEntryBytes& p_vFolder);

// The series of the reminder folder's items that can have a reminder between p_iNowSeconds and
// p_iEndSeconds (local seconds since 1601). Plain "IPM.Appointment" and "IPM.Task" items are
// skipped; a recurring item whose blob does not read is traced and skipped. p_pAddressBook (may
// be null) gives attendees their mobiles.
[[nodiscard]] HRESULT GetRecurrentRemindersStructForPeriod(IMsgStore* p_pStore, IAddrBook* p_pAddressBook,
                                                           IMAPIFolder* p_pFolder, const CReminderTags& p_oTags,
                                                           std::vector<std::unique_ptr<CReminderSeries>>& p_vSeries,
                                                           int64_t p_iNowSeconds, int64_t p_iEndSeconds);

// Writes p_iMarkMinutes (local minutes since 1601) to the item as its mark date, in UTC.
[[nodiscard]] HRESULT WriteReminderMark(IMsgStore* p_pStore, const CReminderTags& p_oTags,
                                        const std::string& p_sEntryId, int64_t p_iMarkMinutes);

// A mark a cycle has to write: the item and the start of the last occurrence it reminded.
struct CReminderMark
{
    std::string m_sEntryId;
    int64_t m_iMarkMinutes = 0; // local minutes since 1601
};

struct CReminderCycle
{
    int64_t m_iNowSeconds = 0; // local seconds since 1601
    int64_t m_iEndSeconds = 0;
    bool m_bSendAgain = false;
    bool m_bInAdvance = false;
};

// The SMS of every due reminder of the reminder folder. The marks the cycle leads to go to
// *p_pvMarks when it is given, for the caller to write once the SMS have left (a cycle that dies
// before then loses no reminder); without it they are written here, as the series are walked.
// A mark that cannot be written is traced and its reminder comes again next cycle.
[[nodiscard]] HRESULT GetReminderSMSList(IMsgStore* p_pStore, IAddrBook* p_pAddressBook, const CEntryBytes& p_vFolder,
                                         const CReminderCycle& p_oCycle, const CReminderUser& p_oUser,
                                         std::vector<CReminderSMS>& p_vList,
                                         std::vector<CReminderMark>* p_pvMarks = nullptr);

// Writes the marks of a cycle, one item at a time; returns how many could not be written (each
// traced; their reminders come again while they are still due).
size_t WriteReminderMarks(IMsgStore* p_pStore, const std::vector<CReminderMark>& p_vMarks);

// A bulk job of the list: each SMS with its name, mobile, text and (in advance) its delivery time.
// Null when memory ran out.
CFinalSMSList* NewReminderJob(const std::vector<CReminderSMS>& p_vList);

// Local seconds and minutes since 1601 of a date and time, and back.
int64_t LocalSecondsOf(const CTraceTime& p_oTime);
CDeliveryTime DeliveryTimeOfMinutes(int64_t p_iMinutes);
