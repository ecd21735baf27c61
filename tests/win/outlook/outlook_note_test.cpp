// tests/win/outlook/outlook_note_test.cpp: compose notes: the header children a thread CBT hook sees,
// a send whose recipient does not resolve (nothing written), then the corrected send with To, Cc and
// Bcc through the message events in order into the store.
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

using namespace oltest;

namespace
{
class OutlookNoteTest : public testing::Test
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

std::vector<std::string> MessageEvents(const std::string& p_sLog)
{
    std::vector<std::string> events;
    for (const std::string& line : ReadLines(p_sLog))
        if (line.rfind("On", 0) == 0 && line.rfind("OnSelection", 0) != 0 && line.rfind("OnObject", 0) != 0)
            events.push_back(line);
    return events;
}

TEST_F(OutlookNoteTest, AThreadHookSeesTheHeaderChildrenAndASendRunsTheMessageEventsInOrder)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    unique_hmodule probe(LoadLibraryA(CBT_PROBE_DLL));
    ASSERT_TRUE(probe);
    auto* procedure = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe.get(), "CbtProbeProc")));
    ASSERT_NE(procedure, nullptr);
    unique_hhook hook(SetWindowsHookExA(WH_CBT, procedure, probe.get(), run.ThreadId()));
    ASSERT_TRUE(hook);

    EXPECT_FALSE(run.Command("send")) << "no note is open";
    ASSERT_TRUE(run.Command("new-note"));
    const std::vector<std::string> created = ReadLines(run.m_sProbeLog);
    for (const char* line :
         {"RichEdit20A 0x1001 0x5001C080", "RichEdit20A 0x1003 0x5001D044", "RichEdit20A 0x1004 0x5001D044",
          "RichEdit20A 0x1007 0x5001D044", "RichEdit20A 0x1005 0x5001C080"})
        EXPECT_TRUE(ContainsLine(created, line)) << line << "\n" << ReadText(run.m_sProbeLog);
    EXPECT_TRUE(ContainsLine(LinesStarting(ReadLines(run.m_sExtensionLog), "Install 6 "),
                             "Install 6 flags 0 version 0x000B0000 window rctrl_renwnd32 application yes"));
    const std::vector<std::string> trace = ReadLines(run.m_sTrace);
    EXPECT_TRUE(ContainsLine(trace, "qi Brevolt Test Extension sendnote IExchExtMessageEvents -> yes"));
    EXPECT_TRUE(ContainsLine(trace, "qi Brevolt Test Extension sendnote IExchExtCommands -> no"));

    // A recipient nobody knows: the names check fails, nothing is written or submitted and the note
    // stays open.
    ASSERT_TRUE(run.Command("fill to Nobody Known"));
    ASSERT_TRUE(run.Command("fill subject Budget for May"));
    EXPECT_FALSE(run.Command("send"));
    std::vector<std::string> expected = {"OnCheckNames", "OnCheckNamesComplete 1"};
    EXPECT_EQ(MessageEvents(run.m_sExtensionLog), expected);
    HWND note = run.FindWindowOf("rctrl_renwnd32", "Message");
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(run.Command("fill nofield x"));

    ASSERT_TRUE(run.Command("fill to Bob Smith"));
    ASSERT_TRUE(run.Command("fill cc carol@example.com"));
    ASSERT_TRUE(run.Command("fill bcc Dave"));
    ASSERT_TRUE(run.Command("fill body Figures attached."));
    SavePicture(note, "outlook2003_note");
    ASSERT_TRUE(run.Command("send"));
    // Names are checked before the form is written, so the written message already holds the three
    // resolved recipients when the write completes (an extension reading them there finds them).
    for (const char* event :
         {"OnCheckNames", "OnCheckNamesComplete 0", "OnWrite",
          "OnWriteComplete 0 message yes window rctrl_renwnd32 recipients 3", "OnSubmit", "OnSubmitComplete 0"})
        expected.push_back(event);
    EXPECT_EQ(MessageEvents(run.m_sExtensionLog), expected);
    EXPECT_EQ(run.Quit(), 0);

    // One submitted note, on the message the failed send had made, with the three recipients
    // resolved to their addresses and none of the unresolved one.
    const std::string store = ReadText(TempDir() + "\\store.json");
    const size_t subject = store.find("Budget for May");
    ASSERT_NE(subject, std::string::npos);
    EXPECT_EQ(store.find("Budget for May", subject + 1), std::string::npos) << store;
    EXPECT_EQ(store.find("Nobody Known"), std::string::npos);
    for (const char* address : {"bob@example.com", "carol@example.com", "dave@example.com"})
        EXPECT_NE(store.find(address, store.rfind("\"props\"", subject)), std::string::npos) << address;
}
} // namespace
