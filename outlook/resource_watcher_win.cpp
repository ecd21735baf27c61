// outlook/resource_watcher_win.cpp: waiting for a resource module change and rebuilding the bar
// under both mutexes.
#include "outlook/resource_watcher_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

DWORD WaitServingSentMessages(HANDLE p_hObject)
{
    for (;;)
    {
        const DWORD result = MsgWaitForMultipleObjects(1, &p_hObject, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1)
            return result;
        MSG message;
        (void)PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::string CResourceWatcher::ChangeEventName(DWORD p_dwProcessId)
{
    return "ResourceChangeEvent" + std::to_string(p_dwProcessId);
}

std::string CResourceWatcher::ChangingMutexName(DWORD p_dwProcessId)
{
    return "ResourceChangingMutex" + std::to_string(p_dwProcessId);
}

CResourceWatcher::CResourceWatcher(HWND p_hExplorer, HANDLE p_hGuiMutex, UINT p_uRebuildCommand)
    : m_hExplorer(p_hExplorer), m_hGuiMutex(p_hGuiMutex), m_uRebuildCommand(p_uRebuildCommand)
{
    const DWORD process = GetCurrentProcessId();
    m_hChangeEvent.reset(
        LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, FALSE, FALSE, ChangeEventName(process).c_str())));
    m_hChangingMutex.reset(LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, ChangingMutexName(process).c_str())));
    m_hStop.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    m_hDone.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    if (!m_hChangeEvent || !m_hChangingMutex || !m_hStop || !m_hDone || m_hGuiMutex == nullptr)
        return;
    m_hThread.reset(LOG_IF_WIN32_BOOL_FALSE(CreateThread(nullptr, 0, &ThreadEntry, this, 0, nullptr)));
}

CResourceWatcher::~CResourceWatcher()
{
    if (!m_hThread)
        return;
    (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_hStop.get()));
    // The thread may be sending the rebuild to this (the explorer's) thread.
    (void)WaitServingSentMessages(m_hDone.get());
    DWORD code = STILL_ACTIVE;
    while (GetExitCodeThread(m_hThread.get(), &code) && code == STILL_ACTIVE)
        Sleep(10);
}

DWORD WINAPI CResourceWatcher::ThreadEntry(LPVOID p_pThis)
{
    return TrapExceptions("CResourceWatcher::ThreadEntry", DWORD(1), [p_pThis]() -> DWORD {
        static_cast<CResourceWatcher*>(p_pThis)->Run();
        return 0;
    });
}

void CResourceWatcher::Run()
{
    const HANDLE waits[] = {m_hStop.get(), m_hChangeEvent.get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        Rebuild();
    (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_hDone.get()));
}

void CResourceWatcher::Rebuild()
{
    // Always the changing mutex first, then the GUI mutex; released the other way round. A holder
    // that died still leaves the mutex to us (WAIT_ABANDONED).
    Log("Wait for changing mutex\n");
    const DWORD changing = WaitForSingleObject(m_hChangingMutex.get(), INFINITE);
    if (changing != WAIT_OBJECT_0 && changing != WAIT_ABANDONED)
        return;
    Log("got changing mutex\n");
    Log("Wait for gui mutex\n");
    const DWORD gui = WaitForSingleObject(m_hGuiMutex, INFINITE);
    if (gui == WAIT_OBJECT_0 || gui == WAIT_ABANDONED)
    {
        Log("got gui mutex\n");
        // The bar's objects live on the explorer's thread: it rebuilds while this one holds both.
        (void)SendMessageA(m_hExplorer, WM_COMMAND, m_uRebuildCommand, 0);
        (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(m_hGuiMutex));
    }
    (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(m_hChangingMutex.get()));
}
