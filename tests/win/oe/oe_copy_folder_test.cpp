// tests/win/oe/oe_copy_folder_test.cpp: a note's Copy to Folder and Move to Folder: the folder picker
// proposes the browser's folder, refuses "Local Folders", makes a folder through "New Folder..." and
// files the message there as read, sender and date kept; a move closes the note, a cancel files
// nothing. Driven by window messages as a user drives them.
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_resource.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/dbx_file.h"
#include "standins/oe/store/eml_message.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

namespace
{
constexpr const char* kBrowserClass = "Outlook Express Browser Class";
constexpr const char* kIdentity = "{6C2F8D31-4B5E-4F70-9CA1-2D3E4F5A6B01}";
constexpr const char* kMessage = "From: \"Sam Roe\" <sam@brevolt.example>\r\nTo: \"+27825550101\"\r\n"
                                 "Subject: Dinner at eight\r\nDate: Tue, 08 Dec 2026 10:00:00 +0000\r\n\r\n"
                                 "Dinner at eight.\r\n";

std::string SeedStore()
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = kIdentity;
    seed.m_sStoreRoot = NewTempFolder("oe_copy");
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    EXPECT_TRUE(oestandin::SeedIdentity(6, seed));
    return seed.m_sStoreRoot;
}

// The messages of the store's folder by name; empty when it has none or does not exist.
std::vector<oestore::CStoredMessage> FolderMessages(const std::string& p_sStore, const std::string& p_sName)
{
    std::vector<oestore::CFolderRecord> folders;
    if (oestore::ReadFoldersFile(ReadBytes(p_sStore + "Folders.dbx"), folders) != oestore::EDbxRead::Ok)
        return {};
    for (const oestore::CFolderRecord& folder : folders)
    {
        oestandin::CFolderContents contents;
        if (folder.m_sName == p_sName && oestandin::ReadFolderContents(6, p_sStore + folder.m_sFileName, contents))
            return contents.m_vMessages;
    }
    return {};
}

// The text of the tree's selected item, in the client's process.
std::string SelectedText(HWND p_hTree)
{
    const HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(p_hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    CRemoteBlock block(p_hTree, sizeof(TVITEMA) + 256);
    TVITEMA request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = block.Remote() + sizeof(TVITEMA);
    request.cchTextMax = 256;
    char text[256] = {};
    if (item == nullptr || !block.Write(&request, sizeof request) ||
        !SendMessageA(p_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.Remote())) ||
        !block.Read(text, sizeof text - 1, sizeof(TVITEMA)))
        return {};
    return text;
}

// Opens the message file in a note of the running client.
HWND OpenNote(const CClientRun& p_oRun, const std::string& p_sFile)
{
    if (p_oRun.SendControl("open " + p_sFile) != 1)
        return nullptr;
    return p_oRun.WaitForWindow("ATH_Note", "Dinner at eight", 10000);
}

// The window drawn afresh over what closed above it, for its picture.
void PaintNow(HWND p_hWindow)
{
    SetWindowPos(p_hWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(p_hWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(p_hWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    WaitUntil([] { return false; }, 300);
}

// A message box of the client over the picker, answered with OK.
void AnswerNotice(const CClientRun& p_oRun)
{
    const HWND notice = p_oRun.WaitForWindow("#32770", "Outlook Express", 10000);
    ASSERT_NE(notice, nullptr);
    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(notice, 10000));
}

TEST(OeCopyToFolder, ThePickerMakesSentSMSsThroughNewFolderAndFilesTheNotesMessageThereAsRead)
{
    const std::string store = SeedStore();
    const std::string file = NewTempFolder("oe_copy_file") + "dinner.eml";
    WriteTextFile(file, kMessage);
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser(kBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);
    const HWND note = OpenNote(run, file);
    ASSERT_NE(note, nullptr);

    PostMessageA(note, WM_COMMAND, IDM_COPY_TO_FOLDER, 0);
    HWND picker = run.WaitForWindow("#32770", "Copy", 10000);
    ASSERT_NE(picker, nullptr);
    const HWND tree = GetDlgItem(picker, IDC_PICK_TREE);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(SelectedText(tree), "Inbox") << "the browser's folder is proposed";
    const std::vector<std::string> texts = TreeTexts(tree);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Sent Items"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Sent SMSs"), 0);

    // "Local Folders" holds no messages: refused, the picker stays.
    const HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    AnswerNotice(run);
    EXPECT_TRUE(IsWindow(picker));

    // New Folder... below Local Folders; the picker then proposes the new folder.
    PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDC_PICK_NEW_FOLDER, BN_CLICKED), 0);
    const HWND create = run.WaitForWindow("#32770", "Create Folder", 10000);
    ASSERT_NE(create, nullptr);
    SendMessageA(GetDlgItem(create, IDC_FOLDER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Sent SMSs"));
    PostMessageA(create, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(create, 10000));
    ASSERT_TRUE(WaitUntil([&] { return SelectedText(tree) == "Sent SMSs"; }, 5000)) << SelectedText(tree);
    PaintNow(picker);
    EXPECT_TRUE(SaveWindowPng(picker, "oe6_copy_to_folder.png"));
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(picker, 10000));
    EXPECT_TRUE(IsWindow(note)) << "a copy leaves the note open";

    const std::vector<oestore::CStoredMessage> filed = FolderMessages(store, "Sent SMSs");
    ASSERT_EQ(filed.size(), 1u);
    EXPECT_EQ(filed[0].m_nFlags & 0x80u, 0x80u) << "filed as read";
    oestore::CMailMessage message;
    ASSERT_TRUE(oestore::ParseMessage(filed[0].m_sText, message));
    EXPECT_EQ(message.m_oFrom.m_sAddress, "sam@brevolt.example");
    EXPECT_EQ(message.m_sDate, "Tue, 08 Dec 2026 10:00:00 +0000");
    EXPECT_EQ(message.m_sSubject, "Dinner at eight");
    EXPECT_EQ(message.m_sBody, "Dinner at eight.\r\n");
    EXPECT_TRUE(FolderMessages(store, "Inbox").empty());

    // The browser lists it in the folder.
    PostMessageA(note, WM_COMMAND, IDM_NOTE_CLOSE, 0);
    ASSERT_TRUE(WaitGone(note, 10000));
    ASSERT_EQ(run.SendControl("select-folder Sent SMSs"), 1);
    ASSERT_EQ(run.SendControl("select-message Dinner at eight"), 1);
    PaintNow(browser);
    EXPECT_TRUE(SaveWindowPng(browser, "oe6_sent_smss_copy.png"));
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

TEST(OeCopyToFolder, MoveFilesAndClosesTheNoteAndCancelFilesNothing)
{
    const std::string store = SeedStore();
    ASSERT_TRUE(oestandin::AddStoreFolder(store, "Kept"));
    const std::string file = NewTempFolder("oe_move_file") + "dinner.eml";
    WriteTextFile(file, kMessage);
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    ASSERT_NE(run.WaitForBrowser(kBrowserClass, 15000), nullptr);
    ASSERT_EQ(run.SendControl("select-folder Kept"), 1);
    const HWND note = OpenNote(run, file);
    ASSERT_NE(note, nullptr);

    PostMessageA(note, WM_COMMAND, IDM_COPY_TO_FOLDER, 0);
    HWND picker = run.WaitForWindow("#32770", "Copy", 10000);
    ASSERT_NE(picker, nullptr);
    PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitGone(picker, 10000));
    EXPECT_TRUE(FolderMessages(store, "Kept").empty());

    PostMessageA(note, WM_COMMAND, IDM_MOVE_TO_FOLDER, 0);
    picker = run.WaitForWindow("#32770", "Move", 10000);
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(SelectedText(GetDlgItem(picker, IDC_PICK_TREE)), "Kept");
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitGone(note, 10000)) << "a moved message leaves with its note";
    EXPECT_EQ(FolderMessages(store, "Kept").size(), 1u);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}
} // namespace
