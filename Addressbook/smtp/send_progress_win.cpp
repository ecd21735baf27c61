// Addressbook/smtp/send_progress_win.cpp: CSendProgress over a progress bar and a static text.
// The transport runs on the worker thread; SendMessage hands each change to the dialog's thread.
#include "Addressbook/smtp/send_progress_win.h"

#include <commctrl.h>

void CDialogProgress::SetText(const std::string& p_sText)
{
    if (m_hStatusText != nullptr)
        SendMessageA(m_hStatusText, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_sText.c_str()));
}

void CDialogProgress::SetRange(int p_iLow, int p_iHigh)
{
    if (m_hProgressBar != nullptr)
        SendMessageA(m_hProgressBar, PBM_SETRANGE32, static_cast<WPARAM>(p_iLow), static_cast<LPARAM>(p_iHigh));
}

void CDialogProgress::GetRange(int& p_iLow, int& p_iHigh)
{
    PBRANGE range = {0, 0};
    if (m_hProgressBar != nullptr)
        SendMessageA(m_hProgressBar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    p_iLow = range.iLow;
    p_iHigh = range.iHigh;
}

int CDialogProgress::GetPosition()
{
    return m_hProgressBar != nullptr ? static_cast<int>(SendMessageA(m_hProgressBar, PBM_GETPOS, 0, 0)) : 0;
}

void CDialogProgress::SetPosition(int p_iPosition)
{
    if (m_hProgressBar != nullptr)
        SendMessageA(m_hProgressBar, PBM_SETPOS, static_cast<WPARAM>(p_iPosition), 0);
}

void CDialogProgress::Step()
{
    if (m_hProgressBar != nullptr)
        SendMessageA(m_hProgressBar, PBM_STEPIT, 0, 0);
}
