// tests/win/corvane/send_trigger_test.cpp: TriggerSendButton finds Outlook's hidden command window
// of each version among real windows and posts it the send command.
#include "Addressbook/sending/ui/send_trigger.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace
{
UINT g_uLastCommand = 0;

LRESULT CALLBACK RecordCommand(HWND p_hWindow, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMessage == WM_COMMAND)
        g_uLastCommand = static_cast<UINT>(p_wParam);
    return DefWindowProcA(p_hWindow, p_uMessage, p_wParam, p_lParam);
}

void RegisterClassNamed(const char* p_szName)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &RecordCommand;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = p_szName;
    RegisterClassA(&windowClass);
}

UINT DeliveredCommand()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    return std::exchange(g_uLastCommand, 0u);
}
} // namespace

TEST(SendTrigger, PostsEachVersionsSendCommandToItsHiddenWindow)
{
    for (const char* name : {"TriggerMain", "AfxWnd", "AfxWndA", "AfxWndW"})
        RegisterClassNamed(name);
    struct CCase
    {
        const char* m_szChildClass;
        bool m_bVisible;
        int m_iVersion;
        bool m_bFound;
        UINT m_uCommand;
    };
    const CCase cases[] = {
        {"AfxWnd", false, 3, true, kOutlook2000SendCommand},
        {"AfxWndA", false, 4, true, kOutlook2002SendCommand},
        {"AfxWndW", false, 5, true, kOutlook2002SendCommand},
        {"AfxWndA", true, 5, false, 0},
        {"AfxWnd", false, 5, false, 0},
        {"AfxWndA", false, 3, false, 0},
        {"AfxWnd", false, 6, true, 0},
    };
    for (const CCase& c : cases)
    {
        const HWND main = CreateWindowExA(0, "TriggerMain", "Outlook", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                          nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        const HWND child = CreateWindowExA(0, c.m_szChildClass, "", WS_CHILD | (c.m_bVisible ? WS_VISIBLE : 0), 0, 0,
                                           10, 10, main, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(child, nullptr);
        // A child counts as visible only while its top-level window is shown too.
        if (c.m_bVisible)
            ShowWindow(main, SW_SHOWNA);
        const std::string what = std::string(c.m_szChildClass) + " version " + std::to_string(c.m_iVersion);
        EXPECT_EQ(TriggerSendButton(main, c.m_iVersion), c.m_bFound) << what;
        EXPECT_EQ(DeliveredCommand(), c.m_uCommand) << what;
        DestroyWindow(main);
    }
    EXPECT_FALSE(TriggerSendButton(nullptr, 4)) << "no Outlook window, nothing to trigger";
}
