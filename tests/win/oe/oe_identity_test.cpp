// tests/win/oe/oe_identity_test.cpp: an identity switch asked for through the control channel reaches
// every "Identity Mgr Notify" window as the two registered messages, query first.
#include "standins/oe/oe_control_win.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

namespace
{
std::vector<UINT> g_vReceived;

LRESULT CALLBACK RecordingProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg >= 0xC000 && p_nMsg <= 0xFFFF)
        g_vReceived.push_back(p_nMsg);
    return DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

// This process's own "Identity Mgr Notify" window, as every identity-aware process has one.
class CNotifyWindow
{
  public:
    CNotifyWindow()
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Identity Mgr Notify";
        RegisterClassExA(&wc);
        m_oWindow.reset(CreateWindowExA(0, "Identity Mgr Notify", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        wc.hInstance, nullptr));
    }
    HWND get() const
    {
        return m_oWindow.get();
    }

  private:
    unique_hwnd m_oWindow;
};

TEST(OeIdentity, ASwitchBroadcastsQueryThenChangedAndMakesTheIdentityCurrent)
{
    const char* first = "{5D1A7E33-0C42-4B9F-8A16-2E7C9B3D4F01}";
    const char* second = "{5D1A7E33-0C42-4B9F-8A16-2E7C9B3D4F02}";
    oestandin::COeIdentitySeed seed;
    seed.m_sId = second;
    seed.m_sStoreRoot = NewTempFolder("oe_identity_b");
    ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
    seed.m_sId = first;
    seed.m_sStoreRoot = NewTempFolder("oe_identity_a");
    ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
    CNotifyWindow notify;
    ASSERT_NE(notify.get(), nullptr);

    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    ASSERT_NE(run.WaitForBrowser("Outlook Express Browser Class", 15000), nullptr);
    g_vReceived.clear();

    EXPECT_EQ(run.SendControl("switch-identity " + std::string(second)), 1);
    const std::vector<UINT> expected = {RegisterWindowMessageA("WM_QUERY_IDENTITY_CHANGE"),
                                        RegisterWindowMessageA("WM_IDENTITY_CHANGED")};
    EXPECT_EQ(g_vReceived, expected);
    EXPECT_EQ(oestandin::CurrentIdentityId(), second);

    // An identity without its key, and a command nobody knows, change nothing and broadcast nothing.
    g_vReceived.clear();
    EXPECT_EQ(run.SendControl("switch-identity {5D1A7E33-0C42-4B9F-8A16-2E7C9B3D4FFF}"), 0);
    EXPECT_EQ(run.SendControl("switch-identity"), 0);
    EXPECT_EQ(run.SendControl("no-such-command"), 0);
    EXPECT_TRUE(g_vReceived.empty());
    EXPECT_EQ(oestandin::CurrentIdentityId(), second);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}
} // namespace
