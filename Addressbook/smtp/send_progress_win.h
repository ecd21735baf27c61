// Addressbook/smtp/send_progress_win.h: the send dialog's progress bar and status text
// behind CSendProgress.
#pragma once

#include "Addressbook/smtp/send_progress.h"

#include <windows.h>

class CDialogProgress : public CSendProgress
{
  public:
    // Either control may be null; what it would show is then dropped.
    CDialogProgress(HWND p_hProgressBar, HWND p_hStatusText)
        : m_hProgressBar(p_hProgressBar), m_hStatusText(p_hStatusText)
    {
    }

    void SetText(const std::string& p_sText) override;
    void SetRange(int p_iLow, int p_iHigh) override;
    void GetRange(int& p_iLow, int& p_iHigh) override;
    int GetPosition() override;
    void SetPosition(int p_iPosition) override;
    void Step() override;

  private:
    HWND m_hProgressBar;
    HWND m_hStatusText;
};
