// tests/win/oe/oe_test_support.h: starting the mail client stand-in under a CBT hook, reading what
// it left in the registry and on disk, and saving a window's picture as PNG.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The msimn.exe built with the version resource of p_iMajor.
std::string ClientPath(int p_iMajor);

// Starts the version's msimn.exe, with the arguments when given, suspended; its handles go to the
// two owners. False when it cannot be started.
[[nodiscard]] bool StartClientSuspended(int p_iMajor, const std::string& p_sArguments, PROCESS_INFORMATION& p_oProcess,
                                        unique_handle& p_oProcessHandle, unique_handle& p_oThreadHandle);

// A started stand-in; ending it closes the browser and, when that does not end it, terminates it.
class CClientRun
{
  public:
    CClientRun() = default;
    CClientRun(const CClientRun&) = delete;
    CClientRun& operator=(const CClientRun&) = delete;
    ~CClientRun();

    // Starts the version suspended, installs the probe hooks on its main thread when p_sProbeLog is
    // not empty (what they see goes to that file), then lets it run.
    [[nodiscard]] bool Start(int p_iMajor, const std::string& p_sProbeLog, const std::string& p_sArguments = {});
    // Waits until a top-level window of the class exists in this process and the tree has items.
    HWND WaitForBrowser(const char* p_szClass, DWORD p_nTimeoutMs);
    // Closes the browser and waits for the exit code.
    [[nodiscard]] bool Close(DWORD& p_nExitCode);
    // A command on the control channel; the window procedure's result, -1 when it did not answer.
    LRESULT SendControl(const std::string& p_sCommand) const;
    // A visible top-level window of this process with the class (and the title, when given).
    HWND WaitForWindow(const char* p_szClass, const char* p_szTitle, DWORD p_nTimeoutMs) const;
    DWORD ProcessId() const
    {
        return m_oProcess.dwProcessId;
    }

  private:
    PROCESS_INFORMATION m_oProcess{};
    unique_handle m_oProcessHandle;
    unique_handle m_oThreadHandle;
    unique_hhook m_oHook;
    unique_hhook m_oCallHook;
    unique_hmodule m_oProbe;
};

// A new empty folder below the temporary folder, ending in a backslash.
std::string NewTempFolder(const char* p_szPrefix);
std::vector<std::string> ReadLines(const std::string& p_sPath);
std::vector<uint8_t> ReadBytes(const std::string& p_sPath);

// A value of the real registry as text (REG_SZ, REG_EXPAND_SZ unexpanded) or DWORD; false when missing.
bool ReadRegString(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, std::string& p_sValue,
                   DWORD* p_pType = nullptr);
bool ReadRegDword(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, DWORD& p_nValue);
void DeleteRegTree(HKEY p_hRoot, const char* p_szKey);

// What the screen shows of the window, as a PNG file under the artifacts directory.
[[nodiscard]] bool SaveWindowPng(HWND p_hWindow, const std::string& p_sFileName);
bool KeyExists(const std::string& p_sKey);

// The first top-level window of the process with the class (and the title, when given); only a
// visible one unless p_bHidden.
HWND FindProcessWindow(DWORD p_nProcess, const char* p_szClass, const char* p_szTitle = nullptr,
                       bool p_bHidden = false);
// A command on the control channel of the stand-in running as p_nProcess (its hidden window's
// WM_COPYDATA); the window procedure's result, -1 when it did not answer.
LRESULT SendControlCommand(DWORD p_nProcess, const std::string& p_sCommand);
// Ends a process still running (a test that left it inside a modal loop).
void TerminateRunning(HANDLE p_hProcess);
// The visible top-level windows of the process with the class.
size_t CountWindows(DWORD p_nProcess, const char* p_szClass);
// True once the window is gone, false when it still exists after the time-out.
bool WaitGone(HWND p_hWindow, DWORD p_nTimeoutMs);
// Waits until p_fnDone() holds, pumping this thread's messages; false after the time-out.
template <typename F> bool WaitUntil(F p_fnDone, DWORD p_nTimeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        if (p_fnDone())
            return true;
        if (GetTickCount() - start > p_nTimeoutMs)
            return false;
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(20);
    }
}
void WriteTextFile(const std::string& p_sPath, const std::string& p_sText);
std::string ReadTextFile(const std::string& p_sPath);
// A child of p_hParent (any depth) with the control id.
HWND FindDescendant(HWND p_hParent, int p_iId);

// A block of memory in the process of a window, for the messages whose parameters point at
// structures: the window is in the client's process, the structure must be too.
class CRemoteBlock
{
  public:
    CRemoteBlock(HWND p_hWindow, size_t p_nSize);
    ~CRemoteBlock();
    CRemoteBlock(const CRemoteBlock&) = delete;
    CRemoteBlock& operator=(const CRemoteBlock&) = delete;
    char* Remote() const
    {
        return m_pRemote;
    }
    bool Write(const void* p_pData, size_t p_nSize, size_t p_nAt = 0) const;
    bool Read(void* p_pData, size_t p_nSize, size_t p_nAt = 0) const;

  private:
    unique_handle m_oProcess;
    char* m_pRemote = nullptr;
};

// The column headings of a list view in another process.
std::vector<std::string> ListColumns(HWND p_hList);
// The texts of a tree view's items in another process, in the order Latchkit walks them.
std::vector<std::string> TreeTexts(HWND p_hTree);
