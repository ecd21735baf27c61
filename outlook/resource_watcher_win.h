// outlook/resource_watcher_win.h: the thread that notices a replaced resource module. A component
// that replaces the module takes "ResourceChangingMutex<pid>" and signals "ResourceChangeEvent<pid>"
// (the client's process id in decimal); the watcher then takes that mutex and, explorer by
// explorer, its GUI mutex, in that order, and has the explorer's thread rebuild its bar while it
// holds both. One watcher serves every explorer of the process: the event resets itself when one
// waiter wakes, so a watcher per explorer would rebuild only one of them.
#pragma once

#include <windows.h>

#include <string>

// Waits for p_hObject while handling the messages other threads send to this one (the watcher's
// rebuild), so a wait on the explorer's thread cannot deadlock with it.
DWORD WaitServingSentMessages(HANDLE p_hObject);

namespace resource_watcher
{
// The names of the event and the mutex for process p_dwProcessId.
std::string ChangeEventName(DWORD p_dwProcessId);
std::string ChangingMutexName(DWORD p_dwProcessId);

// Adds an explorer (its GUI mutex is duplicated, not taken over); the first starts the thread.
// p_uRebuildCommand is sent to p_hExplorer as WM_COMMAND while both mutexes are held. False when
// the watcher could not start.
[[nodiscard]] bool Watch(HWND p_hExplorer, HANDLE p_hGuiMutex, UINT p_uRebuildCommand);
// Removes the explorer; the last one stops the thread and waits until it has ended.
void Unwatch(HWND p_hExplorer);
} // namespace resource_watcher
