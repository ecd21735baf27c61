// tests/e2e/oe_drive_support_win.cpp: waits, the browser and its SMS band for the Outlook Express drivers.
#include "tests/e2e/oe_drive_support_win.h"

#include <commctrl.h>

#include <cstdio>

namespace
{
constexpr const char* kBrowserClass = "Outlook Express Browser Class";
constexpr int kBandId = 10121;
const char* g_szDriverName = "drive";
} // namespace

void SetDriverName(const char* p_szName)
{
    g_szDriverName = p_szName;
}

int Fail(const char* p_szStep)
{
    std::fprintf(stderr, "%s: %s\n", g_szDriverName, p_szStep);
    return 1;
}

bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMs)
{
    const DWORD end = GetTickCount() + p_dwMs;
    for (;;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        if (p_fnDone())
            return true;
        if (static_cast<LONG>(GetTickCount() - end) > 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

void Settle(DWORD p_dwMs)
{
    (void)PumpUntil([] { return false; }, p_dwMs);
}

HWND FindBand(HWND p_hBrowser)
{
    for (HWND rebar = FindWindowExA(p_hBrowser, nullptr, nullptr, nullptr); rebar != nullptr;
         rebar = FindWindowExA(p_hBrowser, rebar, nullptr, nullptr))
        for (HWND bar = FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr); bar != nullptr;
             bar = FindWindowExA(rebar, bar, TOOLBARCLASSNAMEA, nullptr))
            if (GetDlgCtrlID(bar) == kBandId && IsWindowVisible(bar))
                return bar;
    return nullptr;
}

int BandButtonCount(HWND p_hBrowser)
{
    const HWND band = FindBand(p_hBrowser);
    return band != nullptr ? static_cast<int>(SendMessageA(band, TB_BUTTONCOUNT, 0, 0)) : 0;
}

const char* WaitForBand(HWND& p_hBrowser, DWORD p_dwMs)
{
    p_hBrowser = nullptr;
    if (PumpUntil(
            [&] {
                p_hBrowser = FindWindowA(kBrowserClass, nullptr);
                return p_hBrowser != nullptr && IsWindowVisible(p_hBrowser) && BandButtonCount(p_hBrowser) > 0;
            },
            p_dwMs))
        return nullptr;
    return p_hBrowser == nullptr ? "no mail client browser appeared" : "the SMS band did not appear";
}

bool CloseBrowser(HWND p_hBrowser)
{
    PostMessageA(p_hBrowser, WM_CLOSE, 0, 0);
    return PumpUntil([&] { return !IsWindow(p_hBrowser); }, 20000);
}
