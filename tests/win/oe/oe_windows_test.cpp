// tests/win/oe/oe_windows_test.cpp: each version of the stand-in creates its windows with the
// version's classes, in the client's order, where a CBT hook installed on a suspended start sees
// them; and the version 6 browser's picture with its folder tree.
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{
// The expected classes must appear in this order; other windows (tool tips, the system's own) may
// come between them.
void ExpectInOrder(const std::vector<std::string>& p_vSeen, const std::vector<std::string>& p_vExpected)
{
    size_t next = 0;
    for (const std::string& seen : p_vSeen)
        if (next < p_vExpected.size() && seen == p_vExpected[next])
            ++next;
    std::string seenText;
    for (const std::string& seen : p_vSeen)
        seenText += seen + " | ";
    EXPECT_EQ(next, p_vExpected.size()) << "missing from position " << next << " ("
                                        << (next < p_vExpected.size() ? p_vExpected[next] : "")
                                        << "); seen: " << seenText;
}

void SeedStore(int p_iMajor, const std::string& p_sStoreRoot)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = "{3F9C2B10-7A41-4C6D-8E25-61B0D4A7C301}";
    seed.m_sStoreRoot = p_sStoreRoot;
    ASSERT_TRUE(oestandin::SeedIdentity(p_iMajor, seed));
}

// New mail is on the toolbar under the version's command id; only version 4 has a classic menu.
void ExpectNewMailCommand(HWND p_hBrowser, const oestandin::COeProfile& p_oProfile)
{
    const HWND rebar = FindWindowExA(p_hBrowser, nullptr, p_oProfile.m_szRebarClass, nullptr);
    ASSERT_NE(rebar, nullptr);
    bool found = false;
    for (HWND toolbar = FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr); toolbar != nullptr;
         toolbar = FindWindowExA(rebar, toolbar, TOOLBARCLASSNAMEA, nullptr))
        found = found || SendMessageA(toolbar, TB_COMMANDTOINDEX, p_oProfile.m_nNewMailCommand, 0) >= 0;
    EXPECT_TRUE(found) << p_oProfile.m_nNewMailCommand;
    const HMENU menu = GetMenu(p_hBrowser);
    if (p_oProfile.m_iMajor >= 5)
    {
        EXPECT_EQ(menu, nullptr);
        return;
    }
    // Wine keeps a menu's items in its own process, so only the menu's presence shows from here.
    EXPECT_NE(menu, nullptr);
}

class OeWindows : public testing::TestWithParam<int>
{
};

TEST_P(OeWindows, ClassesAppearInOrderToAHookOnASuspendedStart)
{
    const int major = GetParam();
    const oestandin::COeProfile& profile = oestandin::ProfileFor(major);
    SeedStore(major, NewTempFolder("oe_windows"));
    const std::string log = NewTempFolder("oe_cbt") + "classes.txt";

    CClientRun run;
    ASSERT_TRUE(run.Start(major, log));
    const HWND browser = run.WaitForBrowser(profile.m_szBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);
    ExpectNewMailCommand(browser, profile);
    DWORD exitCode = 1;
    ASSERT_TRUE(run.Close(exitCode));
    EXPECT_EQ(exitCode, 0u);

    std::vector<std::string> expected = {profile.m_szHiddenClass, "Identity Mgr Notify", profile.m_szBrowserClass,
                                         profile.m_szRebarClass};
    if (major >= 5)
        expected.push_back("ToolbarWindow32");
    expected.insert(expected.end(), {"ToolbarWindow32", "SysTreeView32", profile.m_szListClass, "SysHeader32",
                                     "DirectDBNotifyWndProc"});
    const std::vector<std::string> seen = ReadLines(log);
    ExpectInOrder(seen, expected);
    // The classes of the other versions never appear.
    const oestandin::COeProfile& other = oestandin::ProfileFor(major == 4 ? 6 : 4);
    for (const std::string& cls : seen)
    {
        EXPECT_NE(cls, other.m_szBrowserClass);
        EXPECT_NE(cls, other.m_szHiddenClass);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, OeWindows, testing::Values(4, 5, 6));

TEST(OeBrowser, Version6ShowsItsFolderTreeWithCreatedFoldersAndIsPictured)
{
    const std::string store = NewTempFolder("oe_browser");
    SeedStore(6, store);
    ASSERT_TRUE(oestandin::AddStoreFolder(store, "Sent SMSs"));

    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser("Outlook Express Browser Class", 15000);
    ASSERT_NE(browser, nullptr);
    const HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    ASSERT_NE(tree, nullptr);
    const std::vector<std::string> texts = TreeTexts(tree);
    const std::vector<std::string> expected = {"Outlook Express", "Local Folders", "Inbox",  "Outbox",
                                               "Sent Items",      "Deleted Items", "Drafts", "Sent SMSs"};
    EXPECT_EQ(texts, expected);
    EXPECT_NE(FindWindowExA(browser, nullptr, "ATL:SysListView32", nullptr), nullptr);

    SetForegroundWindow(browser);
    RedrawWindow(browser, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(700);
    EXPECT_TRUE(SaveWindowPng(browser, "oe6_browser.png"));
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}
} // namespace
