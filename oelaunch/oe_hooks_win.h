// oelaunch/oe_hooks_win.h: the hooks Runbay puts into the mail client, as the monitor window uses them.
// Runbay.exe passes Latchkit's exports (LatchkitHooks); tests pass a recorder.
#pragma once

#include <windows.h>

class COEHooks
{
  public:
    virtual ~COEHooks() = default;
    // The system-wide hook that loads Latchkit into the client started suspended; p_hMonitor gets its reports.
    [[nodiscard]] virtual bool SetGlobal(HWND p_hMonitor, DWORD p_dwProcessId) = 0;
    virtual void UnsetGlobal() = 0;
    [[nodiscard]] virtual bool SetLocal(DWORD p_dwThreadId) = 0;
    // Version 4 runs its notes on threads of their own, each with a second local hook.
    [[nodiscard]] virtual bool SetLocalOE4(DWORD p_dwThreadId) = 0;
    // Removes the local hook and the second one.
    virtual void UnsetLocal() = 0;
    // Latchkit runs the client's first send and receive once it is in place.
    virtual void ResetInitialSendReceive() = 0;
};

// Latchkit's exports (linked into Runbay.exe only).
COEHooks& LatchkitHooks();
