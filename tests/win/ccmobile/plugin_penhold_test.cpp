// tests/win/ccmobile/plugin_penhold_test.cpp: the plug-in and Penhold together in the Outlook
// stand-in, as installed: the plug-in hooks the explorer's thread with Penhold, a new note shows the
// boxes, and sending it hands the ticked recipient types to the compose server (the test's fake)
// as CCPhoneStore's flags before CCPhoneSend; a note with no box ticked stores nothing.
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include "common/settings.h"
#include "wordhook/penhold_exports.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace plugintest;

namespace
{
constexpr int kEnvelopeId = 0xE210;

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
} // namespace

TEST(PluginPenhold, TickedBoxesBecomeTheStoredChoiceOfTheSentNote)
{
    CFakeQuilletServer oServer(QUILLET_TLB);
    ASSERT_TRUE(oServer.Registered());
    oltest::PrepareMachine();
    oltest::ForgetExtensions();
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Penhold", PENHOLD_DLL));
    CRegistry oRegistry;
    ASSERT_TRUE(oRegistry.SetSendDefaults(kSendRepliesToEmail | kSendSignature | kSendCCMobile, ""));
    ASSERT_TRUE(CallExport("DllRegisterServer"));
    QuilletLog().Clear();
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
    EXPECT_TRUE(CallExport("DllUnregisterServer"));
    oltest::ForgetExtensions();
}
