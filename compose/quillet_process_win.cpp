// compose/quillet_process_win.cpp: process-wide state of the compose server.
#include "compose/quillet_process_win.h"

#include "common/trace_log.h"

namespace
{
volatile long g_lLocks = 0;
HANDLE g_hIdle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
HCURSOR g_hBusyCursor = nullptr;

int SystemMessageBox(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    return MessageBoxA(p_hOwner, p_sText.c_str(), p_sCaption.c_str(), p_uType);
}
} // namespace

HMODULE g_hMapiInstance = nullptr;
int g_iPackage = 0;
int g_iPackageVersion = 0;
MessageBoxFn g_pfnMessageBox = &SystemMessageBox;

void ModuleLock()
{
    InterlockedIncrement(&g_lLocks);
}

void ModuleUnlock()
{
    if (InterlockedDecrement(&g_lLocks) == 0)
        SetEvent(g_hIdle);
}

long ModuleLockCount()
{
    return InterlockedCompareExchange(&g_lLocks, 0, 0);
}

HANDLE ModuleIdleEvent()
{
    return g_hIdle;
}

int QuilletMessageBox(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    Log("Message box \"%s\": %s", p_sCaption.c_str(), p_sText.c_str());
    return g_pfnMessageBox(p_hOwner, p_sText, p_sCaption, p_uType);
}

void SetBusyCursorModule(HMODULE p_hCore)
{
    if (p_hCore != nullptr)
        g_hBusyCursor = LoadCursorA(p_hCore, MAKEINTRESOURCEA(157));
}

HCURSOR BusyCursor()
{
    return g_hBusyCursor != nullptr ? g_hBusyCursor : LoadCursor(nullptr, IDC_WAIT);
}
