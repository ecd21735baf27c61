// oehook/latchkit_exports.cpp: Latchkit's exported functions.
#include "oehook/latchkit.h"

extern "C"
{
    BOOL LATCHKIT_API SetOEGlobalCBTHook(HWND, DWORD)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API UnsetOEGlobalCBTHook()
    {
        return TRUE;
    }

    BOOL LATCHKIT_API SetOELocalCBTHook(DWORD)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API SetOELocalCBTOE4Hook(DWORD)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API UnsetOELocalCBTHook()
    {
        return TRUE;
    }

    BOOL LATCHKIT_API ResetMainWindow(HWND)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API ResetToolbarWindow(HWND)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API ResetMenubarWindow(HWND)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API ResetRebarWindow(HWND)
    {
        return FALSE;
    }

    BOOL LATCHKIT_API ResetInitialSendReceive()
    {
        return TRUE;
    }

    BOOL LATCHKIT_API EnterStoreMailMode(DWORD)
    {
        return FALSE;
    }
}
