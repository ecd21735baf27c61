// outlook/resource_watcher_win.h: the thread that notices a replaced resource module. A component
// that replaces the module takes "ResourceChangingMutex<pid>" and signals "ResourceChangeEvent<pid>"
// (the client's process id in decimal); the watcher then takes that mutex and the GUI mutex, in
// that order, and has the explorer's thread rebuild the bar while it holds both.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <string>

// Waits for p_hObject while handling the messages other threads send to this one (the watcher's
// rebuild), so a wait on the explorer's thread cannot deadlock with it.
DWORD WaitServingSentMessages(HANDLE p_hObject);

class CResourceWatcher
{
  public:
    // The names of the event and the mutex for process p_dwProcessId.
    static std::string ChangeEventName(DWORD p_dwProcessId);
    static std::string ChangingMutexName(DWORD p_dwProcessId);

    // p_hGuiMutex: the GUI changer's mutex (not owned); p_uRebuildCommand is sent to p_hExplorer as
    // WM_COMMAND while both mutexes are held.
    CResourceWatcher(HWND p_hExplorer, HANDLE p_hGuiMutex, UINT p_uRebuildCommand);
    // Stops the thread and waits until it has ended.
    ~CResourceWatcher();
    CResourceWatcher(const CResourceWatcher&) = delete;
    CResourceWatcher& operator=(const CResourceWatcher&) = delete;

    [[nodiscard]] bool Started() const
    {
        return static_cast<bool>(m_hThread);
    }

  private:
    static DWORD WINAPI ThreadEntry(LPVOID p_pThis);
    void Run();
    void Rebuild();

    HWND m_hExplorer;
    HANDLE m_hGuiMutex;
    UINT m_uRebuildCommand;
    unique_handle m_hChangeEvent;
    unique_handle m_hChangingMutex;
    unique_handle m_hStop;
    unique_handle m_hDone;
    unique_handle m_hThread;
};
