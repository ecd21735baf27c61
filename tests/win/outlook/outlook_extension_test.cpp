// tests/win/outlook/outlook_extension_test.cpp: the test extension in the 2003 and 97 hosts: which
// contexts it is installed in, what the host asked of it, its menu item and toolbar button, selection
// changes, and the host's explorer with the extension's additions on screen.
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace oltest;

namespace
{
constexpr const char* kFirstCommand = "16384";

class OutlookExtensionTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        PrepareMachine({{"Old Format", "3.0;Z:\\nowhere\\old.dll;1"},
                        {"Missing Library", "4.0;Z:\\nowhere\\missing.dll;1;01"},
                        {"Bad Contexts", "4.0;Z:\\nowhere\\bad.dll;1;01x"}});
    }
    void TearDown() override
    {
        ForgetExtensions();
    }
};

TEST_F(OutlookExtensionTest, InstallsPerContextRunsCommandsAndSelectionEvents)
{
    COutlookRun run(OUTLOOK110_EXE);
    ASSERT_TRUE(run.Started());
    const std::vector<std::string> log = ReadLines(run.m_sExtensionLog);
    // Session first (at log-on, before any window exists), then the explorer's viewer context; the
    // extension sees the host version 11.0, the explorer's window class and an application object.
    const std::vector<std::string> installs = LinesStarting(log, "Install ");
    ASSERT_EQ(installs.size(), 2u) << ReadText(run.m_sExtensionLog);
    EXPECT_EQ(installs[0], "Install 1 flags 0 version 0x000B0000 window - application yes");
    EXPECT_EQ(installs[1], "Install 2 flags 0 version 0x000B0000 window rctrl_renwnd32 application yes");

    // The application object binds late, by name, with type information, down to the default Inbox;
    // while the explorer installs, it is already the active explorer.
    EXPECT_EQ(LinesStarting(log, "ObjectModel "),
              std::vector<std::string>{"ObjectModel version 11.0.0.0 functions 7 inbox Inbox entry hex unknown refused "
                                       "explorer Inbox - Microsoft Outlook"});

    const std::vector<std::string> trace = ReadLines(run.m_sTrace);
    for (const char* line : {"qi Brevolt Test Extension session IExchExtSessionEvents -> no",
                             "qi Brevolt Test Extension viewer IExchExtCommands -> yes",
                             "qi Brevolt Test Extension viewer IExchExtUserEvents -> yes",
                             "qi Brevolt Test Extension viewer IExchExtSessionEvents -> yes",
                             "extension Old Format: '3.0;Z:\\nowhere\\old.dll;1' is not a 4.0 registration",
                             "extension Missing Library: Z:\\nowhere\\missing.dll does not load",
                             "extension Bad Contexts: '4.0;Z:\\nowhere\\bad.dll;1;01x' is not a 4.0 registration"})
        EXPECT_TRUE(ContainsLine(trace, line)) << line << "\n" << ReadText(run.m_sTrace);
    EXPECT_TRUE(LinesStarting(trace, "qi Brevolt Test Extension viewer IExchExtMessageEvents").empty())
        << "message events are asked for only in note contexts";

    // The first free command id went to the item added in the Tools menu; the toolbar button was asked
    // about by the bitmap index the extension added, and placed.
    EXPECT_TRUE(ContainsLine(log, std::string("InstallCommands base ") + kFirstCommand + " bitmap base 15 bitmap 15"));
    EXPECT_TRUE(ContainsLine(trace, std::string("button Brevolt Test Extension bitmap 15 command ") + kFirstCommand +
                                        " 'Test Extension Button'"));
    const std::string menus = TempDir() + "\\menus.txt";
    ASSERT_TRUE(run.Command("dump-menus " + menus));
    const std::string dump = ReadText(menus);
    const size_t tools = dump.find("Tools\t160\n");
    ASSERT_NE(tools, std::string::npos) << dump;
    EXPECT_NE(dump.find(std::string("  Test Extension Command\t") + kFirstCommand, tools), std::string::npos) << dump;
    EXPECT_NE(dump.find("    Mail Message\t151"), std::string::npos) << dump;

    // A menu click initialises the menu, then reaches DoCommand; the button reaches it too.
    ASSERT_TRUE(run.Command("menu Test Extension Command"));
    ASSERT_TRUE(run.WaitForLog("DoCommand mine"));
    EXPECT_FALSE(LinesStarting(ReadLines(run.m_sExtensionLog), "InitMenu").empty());
    ASSERT_TRUE(run.Command("button Test Extension Button"));
    for (int i = 0; i < 100 && LinesStarting(ReadLines(run.m_sExtensionLog), "DoCommand mine").size() < 2; ++i)
        Sleep(50);
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "DoCommand mine").size(), 2u);
    EXPECT_FALSE(run.Command("menu No Such Item"));

    // Selection changes reach the user events with the selected items.
    ASSERT_TRUE(run.Command("select 0"));
    ASSERT_TRUE(run.WaitForLog("OnSelectionChange 1 IPM.Note entry "));
    ASSERT_TRUE(run.Command("select 0,1"));
    ASSERT_TRUE(run.WaitForLog("OnSelectionChange 2 "));
    EXPECT_FALSE(run.Command("select 2")) << "the Inbox holds two items";
    // Another folder is a change of the viewed object.
    ASSERT_TRUE(run.Command("folder Contacts"));
    ASSERT_TRUE(run.WaitForLog("OnObjectChange"));
    ASSERT_TRUE(run.Command("menu Test Extension Command"));
    ASSERT_TRUE(run.WaitForLog("DoCommand mine selection 0"));
    ASSERT_TRUE(run.Command("folder Inbox"));
    ASSERT_TRUE(run.Command("select 0"));

    // New mail reaches the session events with the delivered message as the callback's object.
    std::ofstream(TempDir() + "\\drop\\arrived.eml", std::ios::binary)
        << "From: Carol Jones <carol@example.com>\r\nTo: me@example.com\r\nSubject: Arrived today\r\n\r\nHello\r\n";
    ASSERT_TRUE(run.WaitForLog("OnDelivery "));
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "OnDelivery "),
              std::vector<std::string>{"OnDelivery Arrived today"});
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    SavePicture(explorer, "outlook2003_explorer");
    EXPECT_EQ(run.Quit(), 0);
}

TEST_F(OutlookExtensionTest, TheNinetySevenHostReportsItsVersionAndShowsTheExtension)
{
    COutlookRun run(OUTLOOK80_EXE);
    ASSERT_TRUE(run.Started());
    const std::vector<std::string> installs = LinesStarting(ReadLines(run.m_sExtensionLog), "Install 2 ");
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_NE(installs[0].find("version 0x00080000"), std::string::npos) << installs[0];
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Inbox - Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    // A second explorer has its own viewer extension and the next free command ids.
    ASSERT_TRUE(run.Command("new-explorer"));
    EXPECT_EQ(LinesStarting(ReadLines(run.m_sExtensionLog), "Install 2 ").size(), 2u);
    EXPECT_TRUE(ContainsLine(ReadLines(run.m_sExtensionLog), "InstallCommands base 16385 bitmap base 15 bitmap 15"));
    ASSERT_TRUE(run.Command("close-explorer 1"));
    EXPECT_FALSE(run.Command("close-explorer 2"));
    SavePicture(explorer, "outlook97_explorer");
    EXPECT_EQ(run.Quit(), 0);
}
} // namespace
