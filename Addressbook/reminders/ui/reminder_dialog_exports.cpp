// Addressbook/reminders/ui/reminder_dialog_exports.cpp: the exports CreateReminder and ShowReminderPurge:
// the reminder dialogs over SendSMS (to the local user, options 0x4000) and over PurgeRemindersUntil.
#include "Addressbook/reminders/ui/reminder_dialog_exports.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/reminders/recurrence.h"
#include "Addressbook/reminders/reminder_purge_win.h"
#include "Addressbook/reminders/reminder_store_win.h"
#include "Addressbook/reminders/ui/reminder_dialogs.h"
#include "Addressbook/sending/email_sender.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <atomic>

namespace
{
// A reminder made by hand goes out as a reminder job at its own delivery time.
constexpr uint32_t kReminderOptions = 0x4000;

// The reminder monitor's purge, given the end as local seconds since 1601.
HRESULT PurgeThroughMonitor(HWND p_hOwner, bool p_bSendAgain, HWND p_hProgress, const CDeliveryTime& p_stEnd,
                            int* p_piCount, bool p_bInAdvance, bool p_bForced)
{
    const CCivilDate day{p_stEnd.m_wYear, p_stEnd.m_wMonth, p_stEnd.m_wDay};
    const int64_t endSeconds = MinutesAt(day, p_stEnd.m_wHour, p_stEnd.m_wMinute) * 60 + p_stEnd.m_wSecond;
    return PurgeRemindersUntil(p_hOwner, p_bSendAgain, p_hProgress, endSeconds, p_piCount, p_bInAdvance, p_bForced);
}
std::atomic<PFN_PurgeRemindersUntil> g_pfnPurgeRemindersUntil{&PurgeThroughMonitor};

// Now as the reminder cycles see it, so "today" of Reminder Sync is the monitor's today.
CDeliveryTime LocalNow()
{
    const CTraceTime now = ReminderNow();
    CDeliveryTime time = DeliveryTimeOfMinutes(LocalSecondsOf(now) / 60);
    time.m_wSecond = static_cast<uint16_t>(now.m_iSecond);
    return time;
}

// One SMS to the local user, as the settings describe them.
int SendReminder(HWND p_hOwner, const CReminderRequest& p_oRequest)
{
    const CLocalSender me = ReadLocalSender(Library().m_oRegistry);
    RecipientListPtr to = NewList<CMessageRecipientList>();
    RecipientListPtr none = NewList<CMessageRecipientList>();
    AppendItem(*to, NewPersonRecipient(EntryPtr(), me.m_sPhone.c_str(), me.m_sEmail.c_str(), me.m_sName.c_str()));
    const std::string subject = ReminderFolderSubject(p_oRequest.m_stDelivery, p_oRequest.m_sText);
    int result = kSendNothingSent;
    if (SendSMS(p_hOwner, to.get(), none.get(), p_oRequest.m_sText.c_str(), kReminderOptions, &p_oRequest.m_stDelivery,
                subject.c_str(), &result) == 0)
        LOG_FAILURE("SendSMS did not run");
    return result;
}

void PurgeUntil(HWND p_hProgress, const CDeliveryTime& p_stEnd)
{
    const PFN_PurgeRemindersUntil purge = g_pfnPurgeRemindersUntil.load();
    if (purge == nullptr)
    {
        LOG_FAILURE("no reminder sender is available");
        return;
    }
    int count = 0;
    const HRESULT hr = purge(nullptr, true, p_hProgress, p_stEnd, &count, true, true);
    if (FAILED(hr))
        LogCallFailure(__PRETTY_FUNCTION__, "PurgeRemindersUntil", EResultKind::HResult, static_cast<uint32_t>(hr));
    else
        Log("Reminder Sync: %d reminders sent", count);
}
} // namespace

void SetPurgeRemindersFunction(PFN_PurgeRemindersUntil p_pfnPurge)
{
    g_pfnPurgeRemindersUntil.store(p_pfnPurge);
}

extern "C"
{
    int CORVANE_API CreateReminder(HWND p_hOwner, CDeliveryTime* p_pstDelivery, int32_t* p_piSendResult, uint32_t*)
    {
        return TrapExceptions("CreateReminder", 0, [&]() -> int {
            CSimpleReminder dialog(&SendReminder, LocalNow());
            if (!dialog.Run(Library().OwnerFor(p_hOwner)))
                return 0;
            if (p_pstDelivery != nullptr)
                *p_pstDelivery = dialog.Request().m_stDelivery;
            if (p_piSendResult != nullptr)
                *p_piSendResult = dialog.SendResult();
            return 1;
        });
    }

    int CORVANE_API ShowReminderPurge(HWND p_hOwner)
    {
        return TrapExceptions("ShowReminderPurge", 0, [&]() -> int {
            CReminderSyncDialog dialog(&PurgeUntil, LocalNow());
            (void)dialog.Run(Library().OwnerFor(p_hOwner));
            return 1;
        });
    }
}
