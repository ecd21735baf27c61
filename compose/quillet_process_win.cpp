// compose/quillet_process_win.cpp: process-wide state of the compose server.
#include "compose/quillet_process_win.h"

#include "common/mapi_owner_win.h"

namespace
{
volatile long g_lLocks = 0;
const unique_handle g_hIdle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
HCURSOR g_hBusyCursor = nullptr;
unique_hmodule g_hMapiLibrary;
} // namespace

HMODULE g_hMapiInstance = nullptr;
int g_iPackage = 0;
int g_iPackageVersion = 0;

void AdoptMapiLibrary(unique_hmodule p_hLibrary)
{
    g_hMapiLibrary = std::move(p_hLibrary);
    g_hMapiInstance = g_hMapiLibrary.get();
}

void FreeMapiLibrary()
{
    SetMapiFreeFunctions(CMapiFreeFunctions{});
    g_hMapiInstance = nullptr;
    g_hMapiLibrary.reset();
}

void ModuleLock()
{
    InterlockedIncrement(&g_lLocks);
}

void ModuleUnlock()
{
    if (InterlockedDecrement(&g_lLocks) == 0)
        SetEvent(g_hIdle.get());
}

long ModuleLockCount()
{
    return InterlockedCompareExchange(&g_lLocks, 0, 0);
}

HANDLE ModuleIdleEvent()
{
    return g_hIdle.get();
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
