// Addressbook/frame/dll_main.cpp: Corvane's entry point. It only keeps the module handle: every
// other set-up waits for Init, which runs outside the loader lock.
#include "Addressbook/frame/library.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE p_hInstance, DWORD p_dwReason, LPVOID)
{
    if (p_dwReason == DLL_PROCESS_ATTACH)
        g_hModule = p_hInstance;
    return TRUE;
}
