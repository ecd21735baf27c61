// tests/win/compose/compose_test_support.h: what the compose tests share: the installed core library,
// a recorder in place of message boxes, an opener window that hears the compose windows, and waits
// that keep this thread's messages flowing.
#pragma once

#include "common/handle_win.h"
#include "compose/quillet_h.h"
#include "tests/win/support/registry_text_win.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Writes HKLM Software\Brevolt\Install "Addressbook" = p_szPath.
bool InstallCore(const char* p_szPath);

// Message boxes of Quillet are recorded and answered instead of shown.
struct CBoxSeen
{
    std::string m_sCaption;
    std::string m_sText;
};
class CBoxRecorder
{
  public:
    CBoxRecorder();
    ~CBoxRecorder();
    std::vector<CBoxSeen> Seen();
    void Clear();
    void SetAnswer(int p_iAnswer);
    static CBoxRecorder* s_pActive;
    std::mutex m_oLock;
    std::vector<CBoxSeen> m_vSeen;
    int m_iAnswer = IDOK;
};

// A top-level window of the test thread that records the compose windows' messages to their opener.
class COpener
{
  public:
    COpener();
    ~COpener();
    HWND Handle() const
    {
        return m_hWnd;
    }
    std::vector<HWND> m_vRegistered;
    int m_iCount = 0;
    int m_iCountMessages = 0;

  private:
    HWND m_hWnd = nullptr;
};

// A visible top-level window of this process with exactly this caption.
HWND FindOwnWindow(const std::string& p_sCaption);
// Opens a compose window through p_oQuillet for p_oOpener, as a host would, and waits until it
// has registered with the opener and shows. Null when it did not come within ten seconds.
HWND OpenComposeWindow(IQuillet& p_oQuillet, COpener& p_oOpener, BSTR p_bstrTo, BSTR p_bstrBody);
// Tells every compose window the opener heard of to close (answering a save question as the box
// recorder does), and waits until they are gone and have said so to the opener. False when one
// outlived ten seconds.
bool CloseOpenedWindows(COpener& p_oOpener);

// Waits up to p_dwLimitMs for every process of this file name to end; false when one is left.
bool WaitForProcessesNamed(const char* p_szExeName, DWORD p_dwLimitMs);
// Waits up to p_dwGraceMs for every process of this file name to end, then ends those still
// running; how many it had to end.
int EndProcessesNamed(const char* p_szExeName, DWORD p_dwGraceMs);

// Ends the test process with a report when a step that can hang (activating or releasing the local
// server) outlives its limit: the step named, the end of each trace log and how many Quillet.exe
// processes had to be ended. A hang then fails in seconds with something to go on, not at ctest's timeout.
class CHangWatch
{
  public:
    CHangWatch(const char* p_szStep, DWORD p_dwLimitMs);
    ~CHangWatch();
    CHangWatch(const CHangWatch&) = delete;
    CHangWatch& operator=(const CHangWatch&) = delete;

  private:
    static DWORD WINAPI Watch(void* p_pSelf);
    const char* m_szStep;
    DWORD m_dwLimitMs;
    unique_handle m_hDone;
    unique_handle m_hThread;
};

// Dispatches this thread's messages until p_fnDone or the limit.
bool PumpUntil(const std::function<bool()>& p_fnDone, std::chrono::milliseconds p_oLimit);
// The first descendant of p_hRoot with this control id.
HWND FindDescendant(HWND p_hRoot, int p_iId);
std::string TextOf(HWND p_hWindow);
std::string Normalised(std::string p_sText);
// Saves the screen's image of a window as a BMP under the artifacts directory.
bool SaveWindowShot(HWND p_hWindow, const std::string& p_sFileName);
