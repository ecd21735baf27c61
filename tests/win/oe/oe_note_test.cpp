// tests/win/oe/oe_note_test.cpp: the client's commands by id in each version, its notes (header
// fields, .eml opening, sending through the identity's account with the empty-subject question and
// the not-ready answer), Save As and Tools/Options, driven by window messages as a user drives them.
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/store/eml_message.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdlib>

namespace
{
const char* const kHeaderIds[] = {"To", "Cc", "Bcc", "Subject"};

std::string SeedIdentity(int p_iMajor, const char* p_szId, const std::string& p_sServer = "127.0.0.1",
                         unsigned p_nPort = 9)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = p_szId;
    seed.m_sStoreRoot = NewTempFolder("oe_note");
    seed.m_oAccount.m_sSmtpServer = p_sServer;
    seed.m_oAccount.m_nSmtpPort = p_nPort;
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    seed.m_oAccount.m_sDisplayName = "Pat Doe";
    EXPECT_TRUE(oestandin::SeedIdentity(p_iMajor, seed));
    return p_iMajor <= 4 ? seed.m_sStoreRoot + "Mail\\" : seed.m_sStoreRoot;
}

std::string WindowText(HWND p_hWindow)
{
    char text[1024] = {};
    SendMessageTimeoutA(p_hWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    return text;
}

std::vector<HWND> NoteFields(HWND p_hNote, const char* p_szHeaderClass)
{
    std::vector<HWND> fields;
    const HWND header = FindWindowExA(p_hNote, nullptr, p_szHeaderClass, nullptr);
    for (int id = 1001; header != nullptr && id <= 1004; ++id)
        fields.push_back(GetDlgItem(header, id));
    return fields;
}

oestandin::CFolderContents Folder(int p_iMajor, const std::string& p_sStore, uint32_t p_nSpecial)
{
    std::string path;
    oestandin::CFolderContents contents;
    EXPECT_TRUE(oestandin::SpecialFolderFile(p_iMajor, p_sStore, p_nSpecial, path));
    EXPECT_TRUE(oestandin::ReadFolderContents(p_iMajor, path, contents));
    return contents;
}

LRESULT Command(HWND p_hWindow, UINT p_nCommand)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(p_hWindow, WM_COMMAND, MAKEWPARAM(p_nCommand, 0), 0, SMTO_NORMAL, 15000, &result);
    return static_cast<LRESULT>(result);
}

const char* kSampleMessage = "From: \"Sam Roe\" <sam@brevolt.example>\r\nTo: pat@brevolt.example\r\n"
                             "Subject: Quarterly figures\r\nDate: Tue, 08 Dec 2026 10:00:00 +0000\r\n\r\n"
                             "The figures are in.\r\n";

class OeCommands : public testing::TestWithParam<int>
{
};

TEST_P(OeCommands, NewMailSaveAsAndSendReceiveAnswerTheirIds)
{
    const int major = GetParam();
    const oestandin::COeProfile& profile = oestandin::ProfileFor(major);
    const std::string store = SeedIdentity(major, "{8A41C6E2-5B3D-4F70-9E12-3C4D5E6F7A01}");
    CClientRun run;
    ASSERT_TRUE(run.Start(major, std::string()));
    const HWND browser = run.WaitForBrowser(profile.m_szBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);

    // Each version shows the received-mail layout its seeding wrote, in its own layout format.
    const HWND list = FindWindowExA(browser, nullptr, profile.m_szListClass, nullptr);
    EXPECT_EQ(ListColumns(list), (std::vector<std::string>{"!", "@", "From", "Subject", "Received"}));

    // New mail by its id, then through the New menu's first item: two notes with the version's header.
    PostMessageA(browser, WM_COMMAND, profile.m_nNewMailCommand, 0);
    const HWND note = run.WaitForWindow("ATH_Note", nullptr, 10000);
    ASSERT_NE(note, nullptr);
    const char* headerClass = major >= 5 ? "OE_Envelope" : "ATH_NoteHdr";
    const std::vector<HWND> fields = NoteFields(note, headerClass);
    ASSERT_EQ(fields.size(), 4u);
    for (size_t i = 0; i < fields.size(); ++i)
    {
        char cls[64] = {};
        GetClassNameA(fields[i], cls, sizeof cls);
        EXPECT_STREQ(cls, "Edit") << kHeaderIds[i];
    }
    EXPECT_EQ(run.SendControl("click File\\New\\Mail Message"), 1);
    EXPECT_TRUE(WaitUntil([&] { return CountWindows(run.ProcessId(), "ATH_Note") == 2; }, 10000));
    EXPECT_EQ(run.SendControl("click File\\New\\No Such Item"), 0);

    // The window tree names each note with its header below it and the fields below that.
    const std::string treeFile = NewTempFolder("oe_tree") + "tree.txt";
    ASSERT_EQ(run.SendControl("window-tree " + treeFile), 1);
    const std::vector<std::string> tree = ReadLines(treeFile);
    EXPECT_EQ(std::count(tree.begin(), tree.end(), "ATH_Note \"New Message\" 0 visible"), 2);
    EXPECT_NE(std::find(tree.begin(), tree.end(), "  " + std::string(headerClass) + " \"\" 0 visible"), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), "    Edit \"\" 1004 visible"), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(),
                        std::string(profile.m_szBrowserClass) + " \"Inbox - Outlook Express\" 0 visible"),
              tree.end());

    // Save As with no message selected opens nothing.
    Command(browser, profile.m_nSaveAsCommand);
    EXPECT_EQ(FindWindowA("#32770", "Save Message As"), nullptr);

    // Send and Receive takes the drop folder's messages into the Inbox and moves its number.
    CreateDirectoryA((store + "Drop").c_str(), nullptr);
    WriteTextFile(store + "Drop\\one.eml", kSampleMessage);
    WriteTextFile(store + "Drop\\junk.eml", "no header here");
    Command(browser, profile.m_nSendReceiveCommand);
    const oestandin::CFolderContents inbox = Folder(major, store, oestore::kSpecialInbox);
    ASSERT_EQ(inbox.m_vMessages.size(), 1u);
    EXPECT_EQ(inbox.m_vMessages[0].m_nId, 1u);
    EXPECT_EQ(inbox.m_nNext, 2u);
    EXPECT_EQ(GetFileAttributesA((store + "Drop\\one.eml").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((store + "Drop\\junk.eml").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a file that is no message stays where it is";
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

INSTANTIATE_TEST_SUITE_P(Versions, OeCommands, testing::Values(4, 5, 6));

TEST(OeNote, AnEmlOnTheCommandLineOpensInANoteAndASecondStartHandsItOver)
{
    SeedIdentity(5, "{8A41C6E2-5B3D-4F70-9E12-3C4D5E6F7A02}");
    const std::string folder = NewTempFolder("oe_eml");
    // Marked unsent: a message saved for sending opens in a compose note.
    WriteTextFile(folder + "first.eml", std::string("X-Unsent: 1\r\n") + kSampleMessage);
    WriteTextFile(folder + "second.eml",
                  "From: a@brevolt.example\r\nTo: \"Lee, Kim\" <kim@brevolt.example>, b@brevolt.example\r\n"
                  "Cc: c@brevolt.example\r\nSubject: Handed over\r\n\r\nBody\r\n");
    CClientRun run;
    ASSERT_TRUE(run.Start(5, std::string(), "\"" + folder + "first.eml\""));
    const HWND first = run.WaitForWindow("ATH_Note", "Quarterly figures", 15000);
    ASSERT_NE(first, nullptr);
    const std::vector<HWND> fields = NoteFields(first, "OE_Envelope");
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(WindowText(fields[0]), "pat@brevolt.example");
    EXPECT_EQ(WindowText(fields[3]), "Quarterly figures");
    EXPECT_EQ(WindowText(GetDlgItem(first, 1010)), "The figures are in.\r\n");

    CClientRun second;
    ASSERT_TRUE(second.Start(5, std::string(), folder + "second.eml"));
    DWORD exitCode = 1;
    EXPECT_TRUE(second.Close(exitCode));
    EXPECT_EQ(exitCode, 0u);
    // Not marked unsent: the running client opens it for reading, its header lines in the view.
    const HWND handed = run.WaitForWindow("ATH_Note", "Handed over", 10000);
    ASSERT_NE(handed, nullptr) << "the running client opens the message";
    EXPECT_EQ(FindWindowExA(handed, nullptr, "OE_Envelope", nullptr), nullptr);
    const HWND view = FindWindowExA(handed, nullptr, "Outlook Express Message View", nullptr);
    ASSERT_NE(view, nullptr);
    const std::string text = WindowText(GetDlgItem(view, 1011));
    EXPECT_NE(text.find("c@brevolt.example"), std::string::npos) << text;
    EXPECT_NE(text.find("Body"), std::string::npos) << text;
    EXPECT_TRUE(run.Close(exitCode));
}

TEST(OeSaveAs, ASelectedMessageIsWrittenAsTextOrAsMailThroughTheSaveMessageDialog)
{
    const std::string store = SeedIdentity(6, "{8A41C6E2-5B3D-4F70-9E12-3C4D5E6F7A03}");
    oestore::CMailMessage sample;
    sample.m_oFrom = {"Sam Roe", "sam@brevolt.example"};
    sample.m_vTo = {{"Pat Doe", "pat@brevolt.example"}};
    sample.m_sSubject = "Figures attached";
    sample.m_sDate = "Tue, 08 Dec 2026 10:00:00 +0000";
    sample.m_sBody = "See the sheet.\r\nLine two.\r\n";
    sample.m_vAttachments = {{"sheet.bin", std::string("\x00\x01\xFF\r\n.x", 7)}};
    const std::string folder = NewTempFolder("oe_saveas");
    WriteTextFile(folder + "in.eml", oestore::ComposeMessageText(sample, false));

    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser("Outlook Express Browser Class", 15000);
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(run.SendControl("deliver " + folder + "in.eml"), 1);
    ASSERT_EQ(run.SendControl("select-folder Inbox"), 1);
    ASSERT_EQ(run.SendControl("select-message Figures attached"), 1);

    const struct
    {
        const char* m_szName;
        bool m_bText;
    } saves[] = {{"saved.TXT", true}, {"saved.eml", false}};
    for (const auto& save : saves)
    {
        ASSERT_EQ(run.SendControl("click File\\Save As..."), 1);
        const HWND dialog = run.WaitForWindow("#32770", "Save Message As", 10000);
        ASSERT_NE(dialog, nullptr);
        // What a caller recognises the dialog by: an Edit, a ComboBox and a Button.
        EXPECT_TRUE(WaitUntil(
            [&] {
                return FindWindowExA(dialog, nullptr, "Edit", nullptr) != nullptr &&
                       FindWindowExA(dialog, nullptr, "ComboBox", nullptr) != nullptr &&
                       FindWindowExA(dialog, nullptr, "Button", nullptr) != nullptr && IsWindowVisible(dialog);
            },
            10000));
        const HWND name = FindWindowExA(dialog, nullptr, "Edit", nullptr);
        EXPECT_EQ(WindowText(name), "Figures attached.eml");
        const std::string path = folder + save.m_szName;
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitGone(dialog, 10000));
        const std::string written = ReadTextFile(path);
        if (save.m_bText)
        {
            EXPECT_EQ(written, "From: \"Sam Roe\" <sam@brevolt.example>\r\nTo: \"Pat Doe\" <pat@brevolt.example>\r\n"
                               "Sent: Tue, 08 Dec 2026 10:00:00 +0000\r\nSubject: Figures attached\r\n\r\n"
                               "See the sheet.\r\nLine two.\r\n");
            continue;
        }
        oestore::CMailMessage again;
        ASSERT_TRUE(oestore::ParseMessage(written, again));
        EXPECT_EQ(again.m_sSubject, sample.m_sSubject);
        ASSERT_EQ(again.m_vAttachments.size(), 1u);
        EXPECT_EQ(again.m_vAttachments[0].m_sData, sample.m_vAttachments[0].m_sData);
    }
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

HWND OpenSendPage(const CClientRun& p_oRun, HWND& p_hSheet)
{
    if (p_oRun.SendControl("click Tools\\Options...") != 1)
        return nullptr;
    p_hSheet = p_oRun.WaitForWindow("#32770", "Options", 10000);
    if (p_hSheet == nullptr)
        return nullptr;
    SendMessageA(p_hSheet, PSM_SETCURSEL, 1, 0);
    return reinterpret_cast<HWND>(SendMessageA(p_hSheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

TEST(OeOptions, TheSendPageChecksCarryAcceleratorsAndOkKeepsTheirStates)
{
    SeedIdentity(6, "{8A41C6E2-5B3D-4F70-9E12-3C4D5E6F7A04}");
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    ASSERT_NE(run.WaitForBrowser("Outlook Express Browser Class", 15000), nullptr);
    HWND sheet = nullptr;
    HWND page = OpenSendPage(run, sheet);
    ASSERT_NE(page, nullptr);
    for (const int id : {1064, 1027, 2090, 2091})
    {
        const HWND check = GetDlgItem(page, id);
        ASSERT_NE(check, nullptr) << id;
        const std::string caption = WindowText(check);
        const size_t amp = caption.find('&');
        ASSERT_NE(amp, std::string::npos) << caption;
        EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(caption[amp + 1]))) << caption;
        EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED) << id;
    }
    SendMessageA(GetDlgItem(page, 2090), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(page, 1027), BM_CLICK, 0, 0);
    SetForegroundWindow(sheet);
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(SaveWindowPng(sheet, "oe6_options_send.png"));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitGone(sheet, 10000));

    page = OpenSendPage(run, sheet);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 2090), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 1027), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 1064), BM_GETCHECK, 0, 0), BST_CHECKED);
    // The accelerator of a caption toggles its box, as a keyboard user (or an automation) does it.
    PostMessageA(GetDlgItem(page, 2090), WM_SYSCHAR, 'h', 0);
    EXPECT_TRUE(
        WaitUntil([&] { return SendMessageA(GetDlgItem(page, 2090), BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
    // Cancel leaves the kept states alone.
    SendMessageA(GetDlgItem(page, 1064), BM_CLICK, 0, 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(WaitGone(sheet, 10000));
    page = OpenSendPage(run, sheet);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 1064), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 2090), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(WaitGone(sheet, 10000));
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}
} // namespace
