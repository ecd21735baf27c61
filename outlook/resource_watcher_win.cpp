// outlook/resource_watcher_win.cpp: the process's one watcher thread for a replaced resource module,
// rebuilding each explorer's bar under the changing mutex and that explorer's GUI mutex.
#include "outlook/resource_watcher_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace
{
struct CWatched
{
    HWND m_hExplorer = nullptr;
    UINT m_uCommand = 0;
    unique_handle m_hGuiMutex;
};

struct CWatcherState
{
    std::mutex m_oLock;
    std::vector<std::shared_ptr<CWatched>> m_vExplorers;
    unique_handle m_hChangeEvent;
    unique_handle m_hChangingMutex;
    unique_handle m_hStop;
    unique_handle m_hDone;
    unique_handle m_hThread;
};

CWatcherState& State()
{
    static CWatcherState s_oState;
    return s_oState;
}

void RebuildAll(CWatcherState& p_oState)
{
    // Always the changing mutex first, then a GUI mutex; released the other way round. A holder
    // that died still leaves the mutex to us (WAIT_ABANDONED).
    Log("Wait for changing mutex\n");
    const DWORD changing = WaitForSingleObject(p_oState.m_hChangingMutex.get(), INFINITE);
    if (changing != WAIT_OBJECT_0 && changing != WAIT_ABANDONED)
        return;
    Log("got changing mutex\n");
    std::vector<std::shared_ptr<CWatched>> explorers;
    {
        const std::lock_guard<std::mutex> lock(p_oState.m_oLock);
        explorers = p_oState.m_vExplorers;
    }
    for (const std::shared_ptr<CWatched>& explorer : explorers)
    {
        Log("Wait for gui mutex\n");
        const DWORD gui = WaitForSingleObject(explorer->m_hGuiMutex.get(), INFINITE);
        if (gui != WAIT_OBJECT_0 && gui != WAIT_ABANDONED)
            continue;
        Log("got gui mutex\n");
        // The bar's objects live on the explorer's thread: it rebuilds while this one holds both.
        (void)SendMessageA(explorer->m_hExplorer, WM_COMMAND, explorer->m_uCommand, 0);
        (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(explorer->m_hGuiMutex.get()));
    }
    (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(p_oState.m_hChangingMutex.get()));
}

DWORD WINAPI WatcherThread(LPVOID p_pState)
{
    return TrapExceptions("WatcherThread", DWORD(1), [p_pState]() -> DWORD {
        auto& state = *static_cast<CWatcherState*>(p_pState);
        const HANDLE waits[] = {state.m_hStop.get(), state.m_hChangeEvent.get()};
        while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
            RebuildAll(state);
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(state.m_hDone.get()));
        return 0;
    });
}

[[nodiscard]] bool Start(CWatcherState& p_oState)
{
    const DWORD process = GetCurrentProcessId();
    p_oState.m_hChangeEvent.reset(LOG_IF_WIN32_BOOL_FALSE(
        CreateEventA(nullptr, FALSE, FALSE, resource_watcher::ChangeEventName(process).c_str())));
    p_oState.m_hChangingMutex.reset(
        LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, resource_watcher::ChangingMutexName(process).c_str())));
    p_oState.m_hStop.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    p_oState.m_hDone.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    if (!p_oState.m_hChangeEvent || !p_oState.m_hChangingMutex || !p_oState.m_hStop || !p_oState.m_hDone)
        return false;
    p_oState.m_hThread.reset(LOG_IF_WIN32_BOOL_FALSE(CreateThread(nullptr, 0, &WatcherThread, &p_oState, 0, nullptr)));
    return static_cast<bool>(p_oState.m_hThread);
}

void Stop(CWatcherState& p_oState)
{
    if (p_oState.m_hThread)
    {
        (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(p_oState.m_hStop.get()));
        // The thread may be sending a rebuild to this (an explorer's) thread.
        (void)WaitServingSentMessages(p_oState.m_hDone.get());
        DWORD code = STILL_ACTIVE;
        while (GetExitCodeThread(p_oState.m_hThread.get(), &code) && code == STILL_ACTIVE)
            Sleep(10);
    }
    p_oState.m_hThread.reset();
    p_oState.m_hChangeEvent.reset();
    p_oState.m_hChangingMutex.reset();
    p_oState.m_hStop.reset();
    p_oState.m_hDone.reset();
}
} // namespace

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

namespace resource_watcher
{
std::string ChangeEventName(DWORD p_dwProcessId)
{
    return "ResourceChangeEvent" + std::to_string(p_dwProcessId);
}

std::string ChangingMutexName(DWORD p_dwProcessId)
{
    return "ResourceChangingMutex" + std::to_string(p_dwProcessId);
}

bool Watch(HWND p_hExplorer, HANDLE p_hGuiMutex, UINT p_uRebuildCommand)
{
    auto watched = std::make_shared<CWatched>();
    watched->m_hExplorer = p_hExplorer;
    watched->m_uCommand = p_uRebuildCommand;
    // The watcher may still be using the mutex while the explorer's own copy goes.
    if (!LOG_IF_WIN32_BOOL_FALSE(DuplicateHandle(GetCurrentProcess(), p_hGuiMutex, GetCurrentProcess(),
                                                 watched->m_hGuiMutex.put(), 0, FALSE, DUPLICATE_SAME_ACCESS)))
        return false;
    CWatcherState& state = State();
    if (!state.m_hThread && !Start(state))
    {
        Stop(state);
        return false;
    }
    const std::lock_guard<std::mutex> lock(state.m_oLock);
    state.m_vExplorers.push_back(std::move(watched));
    return true;
}

void Unwatch(HWND p_hExplorer)
{
    CWatcherState& state = State();
    bool last = false;
    {
        const std::lock_guard<std::mutex> lock(state.m_oLock);
        auto& explorers = state.m_vExplorers;
        const size_t before = explorers.size();
        explorers.erase(std::remove_if(explorers.begin(), explorers.end(),
                                       [p_hExplorer](const std::shared_ptr<CWatched>& p_oWatched) {
                                           return p_oWatched->m_hExplorer == p_hExplorer;
                                       }),
                        explorers.end());
        last = before != explorers.size() && explorers.empty();
    }
    if (last)
        Stop(state);
}
} // namespace resource_watcher
