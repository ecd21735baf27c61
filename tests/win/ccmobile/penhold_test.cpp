// tests/win/ccmobile/penhold_test.cpp: Penhold.dll in the Outlook stand-in: the plug-in's thread
// hook puts "Notify mobile" boxes beside To, Cc and Bcc of a new compose note, the note answers
// which are ticked, takes the CC default again when asked, and keeps the boxes at the fields' edge
// when it is resized; Penhold refuses to stay in a program that is neither Word nor Outlook.
// This program's name ends in "tester.exe", the fourth kind of process Penhold serves.
#include "tests/win/outlook/outlook_test_support.h"

#include "common/handle_win.h"
#include "common/settings.h"
#include "wordhook/penhold_exports.h"

#include <gtest/gtest.h>

using namespace oltest;

namespace
{
constexpr int kEnvelopeId = 0xE210;
constexpr int kToId = 0x1003;
constexpr int kCcId = 0x1004;
constexpr int kBccId = 0x1007;
constexpr int kSubjectId = 0x1005;

class CPenhold
{
  public:
    CPenhold() : m_hModule(LoadLibraryA(PENHOLD_DLL))
    {
        if (m_hModule)
        {
            m_pfnSet = reinterpret_cast<PFN_SetCBTHook>(
                reinterpret_cast<void*>(GetProcAddress(m_hModule.get(), szSetCBTHook)));
            m_pfnUnset = reinterpret_cast<PFN_UnsetCBTHook>(
                reinterpret_cast<void*>(GetProcAddress(m_hModule.get(), szUnsetCBTHook)));
        }
    }
    unique_hmodule m_hModule;
    PFN_SetCBTHook m_pfnSet = nullptr;
    PFN_UnsetCBTHook m_pfnUnset = nullptr;
};

void SetCCDefault(bool p_bTicked)
{
    CRegistry oRegistry;
    ASSERT_TRUE(oRegistry.SetSendDefaults(kSendRepliesToEmail | kSendSignature | (p_bTicked ? kSendCCMobile : 0), ""));
}

RECT RectIn(HWND p_hParent, HWND p_hChild)
{
    RECT rc{};
    GetWindowRect(p_hChild, &rc);
    MapWindowPoints(nullptr, p_hParent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Each box sits 7 pixels right of its field, at the field's top, 90 x 20, inside the pane.
void ExpectBoxesAtTheEdge(HWND p_hEnvelope)
{
    RECT rcPane{};
    GetClientRect(p_hEnvelope, &rcPane);
    for (auto [iField, iBox] : {std::pair{kToId, kIdNotifyTo}, {kCcId, kIdNotifyCc}, {kBccId, kIdNotifyBcc}})
    {
        const RECT rcField = RectIn(p_hEnvelope, GetDlgItem(p_hEnvelope, iField));
        const RECT rcBox = RectIn(p_hEnvelope, GetDlgItem(p_hEnvelope, iBox));
        EXPECT_EQ(rcField.right + 7, rcBox.left) << iBox;
        EXPECT_EQ(rcField.top, rcBox.top) << iBox;
        EXPECT_EQ(90, rcBox.right - rcBox.left) << iBox;
        EXPECT_EQ(20, rcBox.bottom - rcBox.top) << iBox;
        EXPECT_EQ(rcPane.right - 8, rcBox.right) << iBox;
    }
    // The subject has no box and runs to the pane's edge.
    EXPECT_EQ(rcPane.right - 8, RectIn(p_hEnvelope, GetDlgItem(p_hEnvelope, kSubjectId)).right);
}

class PenholdNote : public testing::Test
{
  protected:
    void SetUp() override
    {
        PrepareMachine();
    }
    void TearDown() override
    {
        ForgetExtensions();
    }
};
} // namespace

TEST_F(PenholdNote, BoxesFollowTheDefaultAndTheNoteAnswersWhichAreTicked)
{
    SetCCDefault(true);
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    CPenhold oPenhold;
    ASSERT_TRUE(oPenhold.m_hModule) << "a program named *tester.exe keeps Penhold";
    ASSERT_NE(nullptr, oPenhold.m_pfnSet);
    ASSERT_TRUE(oPenhold.m_pfnSet(run.ThreadId()));

    ASSERT_TRUE(run.Command("new-note"));
    HWND hNote = run.FindWindowOf("rctrl_renwnd32", "Message");
    ASSERT_NE(nullptr, hNote);
    HWND hEnvelope = GetDlgItem(hNote, kEnvelopeId);
    ASSERT_NE(nullptr, hEnvelope);
    for (int iBox : {kIdNotifyTo, kIdNotifyCc, kIdNotifyBcc})
    {
        HWND hBox = GetDlgItem(hEnvelope, iBox);
        ASSERT_NE(nullptr, hBox) << iBox;
        char szText[32] = {};
        GetWindowTextA(hBox, szText, sizeof szText);
        EXPECT_STREQ("Notify mobile", szText);
        EXPECT_EQ(BST_CHECKED, SendMessageA(hBox, BM_GETCHECK, 0, 0)) << iBox;
        EXPECT_TRUE(IsWindowVisible(hBox));
    }
    EXPECT_EQ(7, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));
    ASSERT_TRUE(run.Command("fill to Bob Smith"));
    ASSERT_TRUE(run.Command("fill cc carol@example.com"));
    ASSERT_TRUE(run.Command("fill subject Figures for May"));
    SavePicture(hNote, "penhold_note_ticked");

    // The user unticks To and Bcc: only Cc is left.
    SendMessageA(GetDlgItem(hEnvelope, kIdNotifyTo), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(hEnvelope, kIdNotifyBcc), BM_CLICK, 0, 0);
    EXPECT_EQ(2, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));

    // A resized note keeps every box at its field's edge.
    SetWindowPos(hNote, nullptr, 0, 0, 760, 480, SWP_NOMOVE | SWP_NOZORDER);
    ExpectBoxesAtTheEdge(hEnvelope);
    SetWindowPos(hNote, nullptr, 0, 0, 560, 420, SWP_NOMOVE | SWP_NOZORDER);
    ExpectBoxesAtTheEdge(hEnvelope);
    SavePicture(hNote, "penhold_note_cc_only");

    // The defaults changed to no CC notice: asked to, the note's boxes follow.
    SetCCDefault(false);
    EXPECT_EQ(2, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));
    SendMessageA(hNote, kMsgCCMobileDefaults, 0, 0);
    EXPECT_EQ(0, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));
    SetCCDefault(true);
    SendMessageA(hNote, kMsgCCMobileDefaults, 0, 0);
    EXPECT_EQ(7, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));
    // Another wParam is not the defaults notice.
    SetCCDefault(false);
    SendMessageA(hNote, kMsgCCMobileDefaults, 1, 0);
    EXPECT_EQ(7, SendMessageA(hNote, kMsgCCMobileChoice, 0, 0));

    EXPECT_TRUE(oPenhold.m_pfnUnset());
    EXPECT_EQ(run.Quit(), 0);
}

TEST(PenholdProcess, RefusesToStayInAnotherProgram)
{
    const int iExit = RunAndWait(std::string("\"") + PENHOLD_PROBE_EXE + "\" \"" + PENHOLD_DLL + "\"");
    EXPECT_EQ(0, iExit) << "Penhold stayed loaded in penhold_probe.exe";
}
