// tests/win/oehook/mail_mode_support.h: what the send-mail and store-mail suites share: the shell's
// ".eml" association with the stand-in, transfer files, the two send events and the note of a mode.
#pragma once

#include "common/handle_win.h"
#include "tests/win/oehook/latchkit_test_support.h"

#include <windows.h>

#include <string>

// The shell opens ".eml" files with the stand-in while the test runs, as the client's installation
// registers them (the system's classes: Wine's shell reads no per-user ones); what was there before
// is put back.
class CEmlAssociation
{
  public:
    CEmlAssociation();
    ~CEmlAssociation();
    CEmlAssociation(const CEmlAssociation&) = delete;
    CEmlAssociation& operator=(const CEmlAssociation&) = delete;

  private:
    bool m_bHadPrevious = false;
    std::string m_sPrevious;
};

// A gateway mail as the core library hands it over, named by the stamp.
std::string WriteTransferFile(DWORD p_dwStamp);

struct CSendEvents
{
    unique_handle m_hSuccess{CreateEventA(nullptr, FALSE, FALSE, "OESendSuccess")};
    unique_handle m_hFailed{CreateEventA(nullptr, FALSE, FALSE, "OESendFailed")};
};

// The note of a mode: under the monitor window, off-screen.
HWND FindSendingNote(const CHookedClient& p_oClient);
