// Addressbook/reminders/ui/reminder_dialogs.cpp: the "Create SMS Reminder" and "Reminder Sync" dialogs.
#include "Addressbook/reminders/ui/reminder_dialogs.h"

#include "Addressbook/reminders/ui/reminder_dialog_ids.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <commctrl.h>

namespace
{
constexpr int kProgressText = 1501;
constexpr int kMonthNames = 10;
constexpr int kMaxSyncCount = 30;

void LoadControls()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES | ICC_PROGRESS_CLASS};
    (void)LOG_IF_WIN32_BOOL_FALSE(InitCommonControlsEx(&controls));
}

// The picker's value; false when it holds none.
bool PickerTime(HWND p_hDialog, int p_iControl, SYSTEMTIME& p_stTime)
{
    return SendDlgItemMessageA(p_hDialog, p_iControl, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&p_stTime)) ==
           GDT_VALID;
}

void SetPicker(HWND p_hDialog, int p_iControl, const CDeliveryTime& p_stTime)
{
    SYSTEMTIME time = ToSystemTime(p_stTime);
    SendDlgItemMessageA(p_hDialog, p_iControl, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}
} // namespace

bool CSimpleReminder::Run(HWND p_hOwner)
{
    LoadControls();
    return CModalDialog::Run(*this, IDD_CREATE_REMINDER, p_hOwner, "CSimpleReminder");
}

INT_PTR CSimpleReminder::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        SendDlgItemMessageA(p_hDialog, IDC_REMINDER_TEXT, EM_LIMITTEXT, kMaxReminderText, 0);
        SetPicker(p_hDialog, IDC_REMINDER_DATE, m_stNow);
        SetPicker(p_hDialog, IDC_REMINDER_TIME, m_stNow);
        ShowCharactersLeft(p_hDialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(p_wParam))
        {
        case IDC_REMINDER_TEXT:
            if (HIWORD(p_wParam) == EN_CHANGE)
                ShowCharactersLeft(p_hDialog);
            return TRUE;
        case IDOK:
            OnSend(p_hDialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(p_hDialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void CSimpleReminder::ShowCharactersLeft(HWND p_hDialog)
{
    const std::string text = DialogItemText(p_hDialog, IDC_REMINDER_TEXT);
    const int left = static_cast<int>(kMaxReminderText) - static_cast<int>(text.size());
    SetDlgItemTextA(p_hDialog, IDC_REMINDER_LEFT, TableText(IDS_REMINDER_CHARS_LEFT, left < 0 ? 0 : left).c_str());
    EnableWindow(GetDlgItem(p_hDialog, IDOK), !text.empty());
}

void CSimpleReminder::OnSend(HWND p_hDialog)
{
    std::string text = DialogItemText(p_hDialog, IDC_REMINDER_TEXT);
    SYSTEMTIME date{};
    SYSTEMTIME time{};
    if (text.empty() || !PickerTime(p_hDialog, IDC_REMINDER_DATE, date) ||
        !PickerTime(p_hDialog, IDC_REMINDER_TIME, time))
        return;
    // A pasted text longer than the limit is cut to one SMS.
    if (text.size() > kMaxReminderText)
        text.resize(kMaxReminderText);
    m_oRequest.m_sText = text;
    m_oRequest.m_stDelivery = FromSystemTime(date);
    m_oRequest.m_stDelivery.m_wHour = time.wHour;
    m_oRequest.m_stDelivery.m_wMinute = time.wMinute;
    m_oRequest.m_stDelivery.m_wSecond = 0;
    m_oRequest.m_stDelivery.m_wMilliseconds = 0;
    m_iSendResult = m_fnSend(p_hDialog, m_oRequest);
    EndDialog(p_hDialog, IDOK);
}

bool CReminderSyncDialog::Run(HWND p_hOwner)
{
    LoadControls();
    return CModalDialog::Run(*this, IDD_REMINDER_SYNC, p_hOwner, "CReminderSyncDialog");
}

INT_PTR CReminderSyncDialog::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        OnInit(p_hDialog);
        return TRUE;
    case WM_NOTIFY:
        if (p_wParam == IDC_SYNC_DATE)
            ShowEnd(p_hDialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(p_wParam))
        {
        case IDC_SYNC_TODAY:
        case IDC_SYNC_NEXT:
        case IDC_SYNC_UNTIL:
        case IDC_SYNC_COUNT:
        case IDC_SYNC_PERIOD:
            ShowEnd(p_hDialog);
            return TRUE;
        case IDOK:
            OnOK(p_hDialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(p_hDialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void CReminderSyncDialog::OnInit(HWND p_hDialog)
{
    for (int count = 1; count <= kMaxSyncCount; ++count)
        SendDlgItemMessageA(p_hDialog, IDC_SYNC_COUNT, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(std::to_string(count).c_str()));
    for (const int period : {IDS_SYNC_DAYS, IDS_SYNC_WEEKS, IDS_SYNC_MONTHS, IDS_SYNC_YEARS})
        SendDlgItemMessageA(p_hDialog, IDC_SYNC_PERIOD, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(TableText(static_cast<unsigned>(period)).c_str()));
    SendDlgItemMessageA(p_hDialog, IDC_SYNC_COUNT, CB_SETCURSEL, 6, 0);
    SendDlgItemMessageA(p_hDialog, IDC_SYNC_PERIOD, CB_SETCURSEL, 0, 0);
    SetPicker(p_hDialog, IDC_SYNC_DATE, m_stToday);
    CheckRadioButton(p_hDialog, IDC_SYNC_TODAY, IDC_SYNC_UNTIL, IDC_SYNC_TODAY);
    ShowEnd(p_hDialog);
}

bool CReminderSyncDialog::ChosenEnd(HWND p_hDialog, CDeliveryTime& p_stEnd) const
{
    ESyncRange range = ESyncRange::Today;
    if (IsDlgButtonChecked(p_hDialog, IDC_SYNC_NEXT) == BST_CHECKED)
        range = ESyncRange::Next;
    else if (IsDlgButtonChecked(p_hDialog, IDC_SYNC_UNTIL) == BST_CHECKED)
        range = ESyncRange::Until;
    SYSTEMTIME picked{};
    if (range == ESyncRange::Until && !PickerTime(p_hDialog, IDC_SYNC_DATE, picked))
        return false;
    const LRESULT count = SendDlgItemMessageA(p_hDialog, IDC_SYNC_COUNT, CB_GETCURSEL, 0, 0);
    const LRESULT period = SendDlgItemMessageA(p_hDialog, IDC_SYNC_PERIOD, CB_GETCURSEL, 0, 0);
    p_stEnd = SyncEndDate(m_stToday, range, count < 0 ? 1 : static_cast<int>(count) + 1,
                          period < 0 || period > 3 ? ESyncPeriod::Days : static_cast<ESyncPeriod>(period),
                          FromSystemTime(picked));
    return true;
}

void CReminderSyncDialog::ShowEnd(HWND p_hDialog)
{
    const bool next = IsDlgButtonChecked(p_hDialog, IDC_SYNC_NEXT) == BST_CHECKED;
    EnableWindow(GetDlgItem(p_hDialog, IDC_SYNC_COUNT), next);
    EnableWindow(GetDlgItem(p_hDialog, IDC_SYNC_PERIOD), next);
    EnableWindow(GetDlgItem(p_hDialog, IDC_SYNC_DATE), IsDlgButtonChecked(p_hDialog, IDC_SYNC_UNTIL) == BST_CHECKED);
    CDeliveryTime end{};
    std::string text;
    if (ChosenEnd(p_hDialog, end))
        text = std::to_string(end.m_wDay) + " " + TableText(static_cast<unsigned>(kMonthNames + end.m_wMonth - 1)) +
               " " + std::to_string(end.m_wYear) + " 23:59:59";
    SetDlgItemTextA(p_hDialog, IDC_SYNC_END, text.c_str());
}

void CReminderSyncDialog::OnOK(HWND p_hDialog)
{
    if (!ChosenEnd(p_hDialog, m_stEnd))
    {
        Log("CReminderSyncDialog::OnOK: the picked date is not valid");
        return;
    }
    for (const int control : {IDOK, IDCANCEL, IDC_SYNC_TODAY, IDC_SYNC_NEXT, IDC_SYNC_UNTIL, IDC_SYNC_COUNT,
                              IDC_SYNC_PERIOD, IDC_SYNC_DATE})
        EnableWindow(GetDlgItem(p_hDialog, control), FALSE);
    SetDlgItemTextA(p_hDialog, kProgressText, TableText(IDS_SENDING_REMINDERS).c_str());
    UpdateWindow(p_hDialog);
    (void)TrapExceptionsVoid("PurgeRemindersUntil", [&]() { m_fnPurge(p_hDialog, m_stEnd); });
    EndDialog(p_hDialog, IDOK);
}
