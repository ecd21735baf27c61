// tests/win/corvane/corvane_test_support.h: Corvane.dll as a host binds it, and the window, registry
// and heap helpers its tests share.
#pragma once

#include "Addressbook/include/corvane_win.h"

#include "tests/win/support/registry_text_win.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The binding order of the compose server: every name is resolved, in this order.
extern const char* const kBindingOrder[];
extern const size_t kBindingCount;

// Writes HKLM Software\Brevolt\Install "Addressbook" (and "Penhold") and loads Corvane.dll from
// the stored path, once per test process.
class CCorvane
{
  public:
    static CCorvane& Get();

    HMODULE Module() const
    {
        return m_hModule;
    }
    const std::string& LoadedFrom() const
    {
        return m_sPath;
    }
    template <typename T> T Bind(const char* p_szName) const
    {
        return reinterpret_cast<T>(GetProcAddress(m_hModule, p_szName));
    }

    PFN_Init Init = nullptr;
    PFN_Uninit Uninit = nullptr;
    PFN_ThreadInit ThreadInit = nullptr;
    PFN_ThreadUninit ThreadUninit = nullptr;
    PFN_GetSessionForThread GetSessionForThread = nullptr;
    PFN_SetParentWindow SetParentWindow = nullptr;
    PFN_StartAdvise StartAdvise = nullptr;
    PFN_CreateProgressBar CreateProgressBar = nullptr;
    PFN_DeleteProgressBar DeleteProgressBar = nullptr;
    PFN_GetLocalSenderDetails GetLocalSenderDetails = nullptr;
    PFN_CreateLocalUser CreateLocalUser = nullptr;
    PFN_EditLocalUser EditLocalUser = nullptr;
    PFN_FreeString FreeString = nullptr;
    PFN_CreateMessageRecipient CreateMessageRecipient = nullptr;
    PFN_CreateMessageRecipientFromDetails CreateMessageRecipientFromDetails = nullptr;
    PFN_CopyMessageRecipient CopyMessageRecipient = nullptr;
    PFN_DeleteMessageRecipient DeleteMessageRecipient = nullptr;
    PFN_CreateMessageRecipientList CreateMessageRecipientList = nullptr;
    PFN_DeleteMessageRecipientList DeleteMessageRecipientList = nullptr;
    PFN_AddMessageRecipient AddMessageRecipient = nullptr;
    PFN_InsertMessageRecipientAtPos InsertMessageRecipientAtPos = nullptr;
    PFN_DeleteMessageRecipientAtPos DeleteMessageRecipientAtPos = nullptr;
    PFN_AddExtraProp AddExtraProp = nullptr;
    PFN_AddDistList AddDistList = nullptr;

  private:
    CCorvane();
    HMODULE m_hModule = nullptr;
    std::string m_sPath;
};

// Polls p_fnFound (every 20 ms) until it gives a window or the time is up.
HWND WaitForWindow(const std::function<HWND()>& p_fnFound, std::chrono::milliseconds p_oLimit);
bool WaitUntilGone(HWND p_hWindow, std::chrono::milliseconds p_oLimit);
// A visible top-level dialog of this process with exactly this caption.
HWND FindDialogByCaption(const std::string& p_sCaption);
// A message box (dialog class) owned by p_hOwner.
HWND FindMessageBoxOwnedBy(HWND p_hOwner);
std::string WindowText(HWND p_hWindow);
// Dispatches this thread's messages for a while, so its windows paint.
void PumpMessages(std::chrono::milliseconds p_oFor);

// A message box as the user saw it.
struct CBox
{
    std::string m_sCaption;
    std::string m_sText;
};
// Presses a button of p_hDialog as the mouse does; returns the message box it raised, closed again
// with OK, or an empty record when none came within two seconds.
CBox PressExpectingBox(HWND p_hDialog, int p_iButton);

// The user of a modal dialog that runs on the test's thread: on a thread of its own it waits for
// the dialog with p_sCaption, runs the script on it, and cancels the dialog if the script left it
// open for longer than p_oGrace (which the test then sees as LeftOpen).
class CDialogUser
{
  public:
    explicit CDialogUser(std::function<void(HWND)> p_fnScript);
    ~CDialogUser();
    void Start(const std::string& p_sCaption, std::chrono::milliseconds p_oGrace = std::chrono::seconds(3));
    void Join();
    HWND Dialog() const
    {
        return m_hDialog;
    }
    bool LeftOpen() const
    {
        return m_bLeftOpen;
    }

  private:
    std::function<void(HWND)> m_fnScript;
    std::thread m_oThread;
    HWND m_hDialog = nullptr;
    bool m_bLeftOpen = false;
};

// Saves what the screen shows of a window as a BMP under the artifacts directory.
bool SaveWindowShot(HWND p_hWindow, const std::string& p_sFileName);

// What the process heaps hold in use: every busy block, and their bytes.
struct CHeapUse
{
    size_t m_nBlocks = 0;
    size_t m_nBytes = 0;
};
CHeapUse MeasureHeaps();

// Runs Init and Uninit around a test.
class CInitScope
{
  public:
    CInitScope(int p_iPackage, int p_iVersion, int p_iCallerKind, HWND p_hParent = nullptr,
               IDispatch* p_pApplication = nullptr);
    ~CInitScope();
    bool Succeeded() const
    {
        return m_bSucceeded;
    }

  private:
    bool m_bSucceeded;
};
