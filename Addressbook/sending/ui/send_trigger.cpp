// Addressbook/sending/ui/send_trigger.cpp: TriggerSendButton by Outlook version.
#include "Addressbook/sending/ui/send_trigger.h"

#include "common/trace_log.h"

namespace
{
struct CSearch
{
    const char* m_szClass;
    HWND m_hFound;
};

BOOL CALLBACK MatchCommandWindow(HWND p_hWindow, LPARAM p_lParam)
{
    auto* search = reinterpret_cast<CSearch*>(p_lParam);
    char className[64] = {};
    if (GetClassNameA(p_hWindow, className, sizeof(className)) == 0 || lstrcmpA(className, search->m_szClass) != 0)
        return TRUE;
    const HWND parent = GetParent(p_hWindow);
    if (parent == nullptr || GetParent(parent) != nullptr || IsWindowVisible(p_hWindow))
        return TRUE;
    search->m_hFound = p_hWindow;
    return FALSE;
}

bool PostSend(HWND p_hParent, const char* p_szClass, UINT p_uCommand)
{
    const HWND target = FindHiddenCommandWindow(p_hParent, p_szClass);
    if (target == nullptr)
        return false;
    Log("TriggerSendButton: posting 0x%X to the '%s' window %p", p_uCommand, p_szClass, static_cast<void*>(target));
    return PostMessageA(target, WM_COMMAND, p_uCommand, 0) != FALSE;
}
} // namespace

HWND FindHiddenCommandWindow(HWND p_hParent, const char* p_szClass)
{
    if (p_hParent == nullptr || !IsWindow(p_hParent))
        return nullptr;
    CSearch search{p_szClass, nullptr};
    EnumChildWindows(p_hParent, &MatchCommandWindow, reinterpret_cast<LPARAM>(&search));
    return search.m_hFound;
}

bool TriggerSendButton(HWND p_hParent, int p_iPackageVersion)
{
    switch (p_iPackageVersion)
    {
    case 3:
        return PostSend(p_hParent, "AfxWnd", kOutlook2000SendCommand);
    case 4:
    case 5:
        return PostSend(p_hParent, "AfxWndA", kOutlook2002SendCommand) ||
               PostSend(p_hParent, "AfxWndW", kOutlook2002SendCommand);
    case 1:
    case 2: {
        // Outlook 97 and 98 send on F5 in their main window.
        if (p_hParent != nullptr)
            SetForegroundWindow(p_hParent);
        INPUT keys[2] = {};
        for (INPUT& key : keys)
        {
            key.type = INPUT_KEYBOARD;
            key.ki.wVk = VK_F5;
            key.ki.wScan = 63;
        }
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
        return true;
    }
    }
    return true;
}
