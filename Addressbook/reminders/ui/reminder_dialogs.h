// Addressbook/reminders/ui/reminder_dialogs.h: "Create SMS Reminder" (CSimpleReminder: a text of at most
// 160 characters sent to the user at a chosen date and time) and "Reminder Sync" (every reminder up to
// a chosen day sent to the server ahead of time). What they send goes through functions handed in.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/reminders/reminder_dates.h"

#include <windows.h>

#include <functional>
#include <string>

[[nodiscard]] inline CDeliveryTime FromSystemTime(const SYSTEMTIME& p_stTime)
{
    return {p_stTime.wYear, p_stTime.wMonth,  p_stTime.wDayOfWeek, p_stTime.wDay,
            p_stTime.wHour, p_stTime.wMinute, p_stTime.wSecond,    p_stTime.wMilliseconds};
}
[[nodiscard]] inline SYSTEMTIME ToSystemTime(const CDeliveryTime& p_stTime)
{
    return {p_stTime.m_wYear, p_stTime.m_wMonth,  p_stTime.m_wDayOfWeek, p_stTime.m_wDay,
            p_stTime.m_wHour, p_stTime.m_wMinute, p_stTime.m_wSecond,    p_stTime.m_wMilliseconds};
}

// What "Send >" asks for: the text, sent to the local user with this delivery time.
struct CReminderRequest
{
    std::string m_sText;
    CDeliveryTime m_stDelivery{};
};

class CSimpleReminder
{
  public:
    // p_fnSend sends the request (owner window, request) and gives the send's result code.
    using CSend = std::function<int(HWND, const CReminderRequest&)>;
    CSimpleReminder(CSend p_fnSend, CDeliveryTime p_stNow) : m_fnSend(std::move(p_fnSend)), m_stNow(p_stNow)
    {
    }

    // True when the reminder was handed to the send function.
    [[nodiscard]] bool Run(HWND p_hOwner);
    const CReminderRequest& Request() const
    {
        return m_oRequest;
    }
    int SendResult() const
    {
        return m_iSendResult;
    }

  private:
    friend struct CModalDialog;
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);
    void ShowCharactersLeft(HWND p_hDialog);
    void OnSend(HWND p_hDialog);

    CSend m_fnSend;
    CDeliveryTime m_stNow;
    CReminderRequest m_oRequest;
    int m_iSendResult = 0;
};

class CReminderSyncDialog
{
  public:
    // p_fnPurge sends every reminder up to the end date; it gets the dialog as its progress window.
    using CPurge = std::function<void(HWND p_hProgress, const CDeliveryTime& p_stEnd)>;
    CReminderSyncDialog(CPurge p_fnPurge, CDeliveryTime p_stToday)
        : m_fnPurge(std::move(p_fnPurge)), m_stToday(p_stToday)
    {
    }

    // True when OK ran the send.
    [[nodiscard]] bool Run(HWND p_hOwner);
    const CDeliveryTime& End() const
    {
        return m_stEnd;
    }

  private:
    friend struct CModalDialog;
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);
    void OnInit(HWND p_hDialog);
    // The end the controls choose now; false when the picked date is not valid.
    [[nodiscard]] bool ChosenEnd(HWND p_hDialog, CDeliveryTime& p_stEnd) const;
    void ShowEnd(HWND p_hDialog);
    void OnOK(HWND p_hDialog);

    CPurge m_fnPurge;
    CDeliveryTime m_stToday;
    CDeliveryTime m_stEnd{};
};
