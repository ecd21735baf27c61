// tests/win/oehook/latchkit_test_support.h: the mail client stand-in started the way the launcher
// starts it (suspended, Latchkit's global hook set for its process id, a monitor window that swaps
// the global hook for the local one when asked), and what the monitor window received.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <string>
#include <vector>

struct CMonitorMessage
{
    UINT m_nMsg;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

class CHookedClient
{
  public:
    CHookedClient();
    CHookedClient(const CHookedClient&) = delete;
    CHookedClient& operator=(const CHookedClient&) = delete;
    // Removes the hooks, then ends the client (closing it, else terminating it).
    ~CHookedClient();

    // Starts the version's msimn.exe under the hooks; the menu probe logs into p_sMenuLog when given.
    [[nodiscard]] bool Start(int p_iMajor, const std::string& p_sMenuLog = {});
    // The browser once its tree is filled and Latchkit has announced it to the monitor.
    HWND WaitForBrowser(DWORD p_nTimeoutMs);
    // The first monitor message p_nMsg at or after index p_nFrom; false after the time-out.
    bool WaitForMessage(UINT p_nMsg, CMonitorMessage& p_oMessage, DWORD p_nTimeoutMs, size_t p_nFrom = 0);
    size_t MessageCount() const;
    size_t CountMessages(UINT p_nMsg) const;
    // The blocks that came with WM_COPYDATA, in order.
    const std::vector<std::string>& CopiedTexts() const;
    // A control-channel command; -1 when the client did not answer.
    LRESULT SendControl(const std::string& p_sCommand) const;
    // A visible top-level window of the client with the class.
    HWND FindVisible(const char* p_szClass) const;
    bool WaitExit(DWORD p_nTimeoutMs, DWORD& p_nExitCode);
    bool Running() const;
    // Ends the client at once (a test that left it inside a modal loop).
    void Terminate();

    HWND Monitor() const
    {
        return m_hMonitor.get();
    }
    DWORD ProcessId() const
    {
        return m_oProcess.dwProcessId;
    }
    const char* BrowserClass() const;

  private:
    static LRESULT CALLBACK MonitorProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);

    int m_iMajor = 6;
    PROCESS_INFORMATION m_oProcess{};
    unique_handle m_oProcessHandle;
    unique_handle m_oThreadHandle;
    unique_hwnd m_hMonitor;
    unique_hmodule m_oProbe;
    unique_hhook m_oProbeHook;
};

// Writes the user's "Resource" (the built resource module) and "OEToolbarShowing" (deleted when
// empty) settings, and seeds a fresh identity with its store for the version, its account sending
// to 127.0.0.1 at p_nSmtpPort.
void SeedLatchkitSettings(int p_iMajor, const std::string& p_sToolbarShowing, unsigned p_nSmtpPort = 9);
// The child of the rebar that is the SMS band's toolbar, or null.
HWND FindSMSBand(HWND p_hBrowser);
// The number of times p_sText occurs in p_sLine.
size_t CountOccurrences(const std::string& p_sLine, const std::string& p_sText);
// The window and its children are painted before their picture is taken.
void PaintNow(HWND p_hWindow);
