// oelaunch/latchkit_hooks_win.cpp: COEHooks over Latchkit's exports, the hooks Runbay.exe installs.
#include "common/failure_log.h"
#include "oehook/latchkit.h"
#include "oelaunch/oe_hooks_win.h"

namespace
{
class CLatchkitHooks final : public COEHooks
{
  public:
    bool SetGlobal(HWND p_hMonitor, DWORD p_dwProcessId) override
    {
        return LOG_IF_WIN32_BOOL_FALSE(SetOEGlobalCBTHook(p_hMonitor, p_dwProcessId)) != FALSE;
    }
    void UnsetGlobal() override
    {
        (void)LOG_IF_WIN32_BOOL_FALSE(UnsetOEGlobalCBTHook());
    }
    bool SetLocal(DWORD p_dwThreadId) override
    {
        return LOG_IF_WIN32_BOOL_FALSE(SetOELocalCBTHook(p_dwThreadId)) != FALSE;
    }
    bool SetLocalOE4(DWORD p_dwThreadId) override
    {
        return LOG_IF_WIN32_BOOL_FALSE(SetOELocalCBTOE4Hook(p_dwThreadId)) != FALSE;
    }
    void UnsetLocal() override
    {
        (void)LOG_IF_WIN32_BOOL_FALSE(UnsetOELocalCBTHook());
    }
    void ResetInitialSendReceive() override
    {
        (void)LOG_IF_WIN32_BOOL_FALSE(::ResetInitialSendReceive());
    }
};
} // namespace

COEHooks& LatchkitHooks()
{
    static CLatchkitHooks s_oHooks;
    return s_oHooks;
}
