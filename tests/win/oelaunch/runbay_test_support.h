// tests/win/oelaunch/runbay_test_support.h: what Runbay's tests share: the recorded hooks, the fake
// core library's call log, the mail client stand-ins a test started, and a message pump that sees
// WM_QUIT.
#pragma once

#include "oelaunch/oe_hooks_win.h"

#include <windows.h>

#include <string>
#include <vector>

namespace runbaytest
{
// The hooks the monitor set and removed, one line each ("SetGlobal", "SetLocal 12", ...).
class CRecordingHooks final : public COEHooks
{
  public:
    bool SetGlobal(HWND p_hMonitor, DWORD p_dwProcessId) override;
    void UnsetGlobal() override;
    bool SetLocal(DWORD p_dwThreadId) override;
    bool SetLocalOE4(DWORD p_dwThreadId) override;
    void UnsetLocal() override;
    void ResetInitialSendReceive() override;

    std::vector<std::string> m_vCalls;
    HWND m_hMonitor = nullptr;
    DWORD m_dwProcessId = 0;
};

// Points the Install value "Addressbook" at the fake core library while it lives, and puts back what
// the prefix held before.
class CFakeCoreInstalled
{
  public:
    CFakeCoreInstalled();
    ~CFakeCoreInstalled();
    CFakeCoreInstalled(const CFakeCoreInstalled&) = delete;
    CFakeCoreInstalled& operator=(const CFakeCoreInstalled&) = delete;
    bool Installed() const
    {
        return m_bInstalled;
    }

  private:
    bool m_bInstalled = false;
    bool m_bHadValue = false;
    std::string m_sPrevious;
};
// The fake core's calls since the last clear, in order.
std::vector<std::string> FakeCoreCalls(HMODULE p_hCore, bool p_bClear = true);

// The hidden main window of a stand-in process (the control channel's end), or null.
HWND HiddenWindowOf(DWORD p_dwProcessId, const char* p_szClass);
// Every process with a top-level window of p_szClass.
std::vector<DWORD> ProcessesWithWindow(const char* p_szClass);
// A command on a stand-in's control channel; its answer, -1 when it did not answer.
LRESULT SendControl(HWND p_hHidden, const std::string& p_sCommand);
// Asks every stand-in of the class to quit and waits for each to end.
void QuitClients(const char* p_szHiddenClass);

// Dispatches this thread's messages until p_fnDone or p_dwMs; p_bQuit is set when WM_QUIT came.
template <typename F> bool PumpUntil(F p_fnDone, DWORD p_dwMs, bool* p_pbQuit = nullptr)
{
    const DWORD end = GetTickCount() + p_dwMs;
    for (;;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (message.message == WM_QUIT && p_pbQuit != nullptr)
                *p_pbQuit = true;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (p_fnDone())
            return true;
        if (static_cast<LONG>(GetTickCount() - end) > 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Writes the text to "<temp><stamp in hex>.txt", as Latchkit saves a message; returns the path.
std::string WriteTransferFile(unsigned p_uStamp, const std::string& p_sText);
bool FileExists(const std::string& p_sPath);
} // namespace runbaytest
