// tests/win/ccmobile/plugin_penhold_test.cpp: the plug-in and Penhold together in the Outlook
// stand-in, as installed: the plug-in hooks the explorer's thread with Penhold, a new note shows the
// boxes, and sending it hands the ticked recipient types to the compose server (the test's fake)
// as CCPhoneStore's flags before CCPhoneSend; a note with no box ticked stores nothing; the CC
// default changed in Options > Sending reaches the boxes of the note that is open.
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include "common/settings.h"
#include "wordhook/penhold_exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

using namespace plugintest;

namespace
{
constexpr int kEnvelopeId = 0xE210;
// The options dialog's tab control and the Sending page's "also send an SMS notification" box.
constexpr int kIdcOptionsTabs = 1000;
constexpr int kIdcCCNotification = 1034;

bool CallExport(const char* p_szName)
{
    unique_hmodule hLibrary(LoadLibraryA(BREVOLT_OUTLOOK_DLL));
    using PFN_Register = HRESULT(STDAPICALLTYPE*)();
    const auto pfn = reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(hLibrary.get(), p_szName)));
    return pfn != nullptr && pfn() == S_OK;
}

size_t CountStarting(const std::string& p_sPrefix)
{
    const std::vector<std::string> vLines = QuilletLog().Lines();
    return static_cast<size_t>(
        std::count_if(vLines.begin(), vLines.end(), [&](const std::string& s) { return s.rfind(p_sPrefix, 0) == 0; }));
}

bool WaitForQuillet(const std::string& p_sPrefix, size_t p_nCount = 1)
{
    return PumpUntil([&] { return CountStarting(p_sPrefix) >= p_nCount; }, 15000);
}

// The plug-in registered as installed, Penhold at its Install value, the CC default on.
class PluginPenhold : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oServer.Registered());
        oltest::PrepareMachine();
        oltest::ForgetExtensions();
        ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Penhold", PENHOLD_DLL));
        CRegistry oRegistry;
        ASSERT_TRUE(oRegistry.SetSendDefaults(kSendRepliesToEmail | kSendSignature | kSendCCMobile, ""));
        ASSERT_TRUE(CallExport("DllRegisterServer"));
        QuilletLog().Clear();
    }
    // Other suites' Outlook runs load what the Install value names: they get no real Penhold.
    void TearDown() override
    {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Penhold");
        EXPECT_TRUE(CallExport("DllUnregisterServer"));
        oltest::ForgetExtensions();
    }
    CFakeQuilletServer m_oServer{QUILLET_TLB};
};

HWND ChildWithId(HWND p_hParent, int p_iId)
{
    std::pair<int, HWND> oFind{p_iId, nullptr};
    EnumChildWindows(
        p_hParent,
        [](HWND p_hWnd, LPARAM p_lFind) -> BOOL {
            auto* p_oFind = reinterpret_cast<std::pair<int, HWND>*>(p_lFind);
            if (GetDlgCtrlID(p_hWnd) != p_oFind->first)
                return TRUE;
            p_oFind->second = p_hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&oFind));
    return oFind.second;
}
} // namespace

TEST_F(PluginPenhold, TickedBoxesBecomeTheStoredChoiceOfTheSentNote)
{
    {
        oltest::COutlookRun run(OUTLOOK110_EXE);
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));

        ASSERT_TRUE(run.Command("new-note"));
        HWND hNote = run.FindWindowOf("rctrl_renwnd32", "Message");
        ASSERT_NE(nullptr, hNote);
        HWND hEnvelope = GetDlgItem(hNote, kEnvelopeId);
        ASSERT_NE(nullptr, GetDlgItem(hEnvelope, kIdNotifyCc)) << "the plug-in's hook gave the note no boxes";
        SendMessageA(GetDlgItem(hEnvelope, kIdNotifyTo), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(hEnvelope, kIdNotifyBcc), BM_CLICK, 0, 0);
        ASSERT_TRUE(run.Command("fill to Bob Smith"));
        ASSERT_TRUE(run.Command("fill cc carol@example.com"));
        ASSERT_TRUE(run.Command("fill subject Figures for May"));
        oltest::SavePicture(hNote, "penhold_plugin_note");
        ASSERT_TRUE(run.Command("send"));
        ASSERT_TRUE(WaitForQuillet("CCPhoneSend"));
        EXPECT_EQ(1u, CountStarting("CCPhoneStore 010"));

        // Nothing ticked: the note is sent without a stored choice.
        ASSERT_TRUE(run.Command("new-note"));
        hNote = run.FindWindowOf("rctrl_renwnd32", "Message");
        ASSERT_NE(nullptr, hNote);
        hEnvelope = GetDlgItem(hNote, kEnvelopeId);
        for (int iBox : {kIdNotifyTo, kIdNotifyCc, kIdNotifyBcc})
            SendMessageA(GetDlgItem(hEnvelope, iBox), BM_CLICK, 0, 0);
        EXPECT_EQ(0, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));
        ASSERT_TRUE(run.Command("fill to Bob Smith"));
        ASSERT_TRUE(run.Command("send"));
        ASSERT_TRUE(WaitForQuillet("CCPhoneSend", 2));
        EXPECT_EQ(1u, CountStarting("CCPhoneStore"));
        EXPECT_EQ(run.Quit(), 0);
    }
}

TEST_F(PluginPenhold, OptionsSendingChangesTheBoxesOfTheOpenNote)
{
    oltest::COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(WaitForQuillet("StartVMIfNecessary"));
    ASSERT_TRUE(run.Command("new-note"));
    HWND hNote = run.FindWindowOf("rctrl_renwnd32", "Message");
    ASSERT_NE(nullptr, hNote);
    EXPECT_EQ(7, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));

    ASSERT_TRUE(run.Command("menu Options..."));
    HWND hOptions = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hOptions = run.FindWindowOf("#32770", "Options")) != nullptr; }, 10000));
    // The user moves to the Sending tab with the arrow keys and unticks the e-mail notification.
    HWND hTabs = GetDlgItem(hOptions, kIdcOptionsTabs);
    ASSERT_NE(nullptr, hTabs);
    HWND hCC = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if ((hCC = ChildWithId(hOptions, kIdcCCNotification)) != nullptr)
                return true;
            PostMessageA(hTabs, WM_KEYDOWN, VK_RIGHT, 0);
            PostMessageA(hTabs, WM_KEYUP, VK_RIGHT, 0);
            return false;
        },
        10000))
        << "the Sending page did not come";
    EXPECT_EQ(BST_CHECKED, SendMessageA(hCC, BM_GETCHECK, 0, 0));
    SendMessageA(hCC, BM_CLICK, 0, 0);
    PostMessageA(hOptions, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(hNote, kMsgCCMobileChoice, 0, 0) == 0; }, 10000))
        << "the open note's boxes did not follow the new default";
    uint32_t dwSend = 0;
    std::string sSignature;
    CRegistry oRegistry;
    EXPECT_TRUE(oRegistry.GetSendDefaults(dwSend, sSignature));
    EXPECT_EQ(0u, dwSend & kSendCCMobile);
    EXPECT_EQ(run.Quit(), 0);
}
