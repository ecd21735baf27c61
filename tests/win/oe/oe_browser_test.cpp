// tests/win/oe/oe_browser_test.cpp: the browser's list columns from the identity's layouts and the
// Columns dialog, the rebar's context menu and re-layout, the New drop-down, the read note with its
// message view, reply and forward, Create Folder, the shell association of message files and the
// identity switch, driven by window messages as a user drives them.
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_resource.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/column_layout.h"
#include "standins/oe/store/reply_message.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

namespace
{
constexpr const char* kBrowserClass = "Outlook Express Browser Class";
constexpr const char* kIdentityA = "{5B1E7C20-3A4D-4E6F-8B90-1C2D3E4F5A01}";
constexpr const char* kIdentityB = "{5B1E7C20-3A4D-4E6F-8B90-1C2D3E4F5A02}";

std::vector<uint8_t> FromHex(const std::string& p_sHex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < p_sHex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(p_sHex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The SMS layouts the product writes for versions 4 and 6.
const std::string kVersion4Layout =
    "0400980000000000000000000f0000000f0000000f000000100000001400000000000000a70000000200000011010000040000005f0000"
    "000d00000081000000ffffffff2c000000ffffffff00000000ffffffff00000000ffffffff00000000ffffffff00000000ffffffff0000"
    "0000ffffffff00000000ffffffff00000000ffffffff00000000ffffffff00000000ffffffff00000000";
const std::string kVersion6Layout = "10000000060000000f000000090000001300000010000000090000001600000000000000010000009b"
                                    "00000002000000010000001801000004000000050000006e0000000d000000010000009b000000";

TEST(OeColumnLayout, TheProductsLayoutsReadAsTheirColumnsAndVersion6WritesBackAsItCame)
{
    std::vector<oestore::CListColumn> columns;
    ASSERT_TRUE(oestore::ReadColumnLayout(6, FromHex(kVersion6Layout), columns));
    const std::vector<uint32_t> ids = {0x0F, 0x10, 0x00, 0x02, 0x04, 0x0D};
    ASSERT_EQ(columns.size(), ids.size());
    const uint32_t widths6[] = {19, 22, 155, 280, 110, 155};
    for (size_t i = 0; i < ids.size(); ++i)
    {
        EXPECT_EQ(columns[i].m_nId, ids[i]);
        EXPECT_EQ(columns[i].m_nWidth, widths6[i]);
    }
    EXPECT_EQ(oestore::BuildColumnLayout(6, columns), FromHex(kVersion6Layout));

    ASSERT_TRUE(oestore::ReadColumnLayout(4, FromHex(kVersion4Layout), columns));
    const uint32_t widths4[] = {15, 20, 167, 273, 95, 129};
    ASSERT_EQ(columns.size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
    {
        EXPECT_EQ(columns[i].m_nId, ids[i]);
        EXPECT_EQ(columns[i].m_nWidth, widths4[i]);
    }
    const std::vector<uint8_t> again = oestore::BuildColumnLayout(4, columns);
    EXPECT_EQ(again.size(), 152u);
    std::vector<oestore::CListColumn> reread;
    ASSERT_TRUE(oestore::ReadColumnLayout(4, again, reread));
    EXPECT_EQ(reread.size(), columns.size());

    // Values that do not follow the layout are refused, never read past their end.
    std::vector<uint8_t> bad = FromHex(kVersion6Layout);
    bad[4] = 18;
    EXPECT_FALSE(oestore::ReadColumnLayout(6, bad, columns)) << "more columns than a layout holds";
    bad[4] = 7;
    EXPECT_FALSE(oestore::ReadColumnLayout(6, bad, columns)) << "a count beyond the value's end";
    bad = FromHex(kVersion6Layout);
    bad[0] = 0x11;
    EXPECT_FALSE(oestore::ReadColumnLayout(6, bad, columns));
    EXPECT_FALSE(oestore::ReadColumnLayout(6, {0x10, 0, 0}, columns));
    bad = FromHex(kVersion4Layout);
    bad.pop_back();
    EXPECT_FALSE(oestore::ReadColumnLayout(4, bad, columns)) << "the size word must match";
    EXPECT_FALSE(oestore::ReadColumnLayout(4, FromHex(kVersion6Layout), columns));
}

TEST(OeReply, RepliesQuoteTheOriginalAndForwardsCarryItWithItsAttachments)
{
    oestore::CMailMessage original;
    original.m_oFrom = {"Sam Roe", "sam@brevolt.example"};
    original.m_vTo = {{"Pat Doe", "pat@brevolt.example"}, {"", "kim@brevolt.example"}};
    original.m_vCc = {{"", "PAT@brevolt.example"}, {"", "lee@brevolt.example"}};
    original.m_sSubject = "Figures";
    original.m_sDate = "Tue, 08 Dec 2026 10:00:00 +0000";
    original.m_sBody = "Line one\r\nLine two";
    original.m_vAttachments = {{"sheet.bin", "data"}};

    const oestore::CMailMessage reply =
        oestore::MakeReply(original, oestore::EReplyKind::Reply, true, "pat@brevolt.example");
    ASSERT_EQ(reply.m_vTo.size(), 1u);
    EXPECT_EQ(reply.m_vTo[0].m_sAddress, "sam@brevolt.example");
    EXPECT_TRUE(reply.m_vCc.empty());
    EXPECT_EQ(reply.m_sSubject, "Re: Figures");
    EXPECT_EQ(reply.m_sBody, "\r\n\r\n> ----- Original Message -----\r\n> From: \"Sam Roe\" <sam@brevolt.example>\r\n"
                             "> To: \"Pat Doe\" <pat@brevolt.example>; kim@brevolt.example\r\n"
                             "> Cc: PAT@brevolt.example; lee@brevolt.example\r\n"
                             "> Sent: Tue, 08 Dec 2026 10:00:00 +0000\r\n> Subject: Figures\r\n> \r\n"
                             "> Line one\r\n> Line two\r\n");
    EXPECT_TRUE(reply.m_vAttachments.empty());
    EXPECT_EQ(oestore::MakeReply(reply, oestore::EReplyKind::Reply, false, "").m_sSubject, "Re: Figures")
        << "the prefix is not doubled";
    EXPECT_EQ(oestore::MakeReply(original, oestore::EReplyKind::Reply, false, "").m_sBody, "\r\n");

    // Reply to all leaves out the user's own address, whatever its case, and every duplicate.
    const oestore::CMailMessage all =
        oestore::MakeReply(original, oestore::EReplyKind::ReplyAll, true, "pat@brevolt.example");
    ASSERT_EQ(all.m_vTo.size(), 2u);
    EXPECT_EQ(all.m_vTo[1].m_sAddress, "kim@brevolt.example");
    ASSERT_EQ(all.m_vCc.size(), 1u);
    EXPECT_EQ(all.m_vCc[0].m_sAddress, "lee@brevolt.example");

    const oestore::CMailMessage forward = oestore::MakeReply(original, oestore::EReplyKind::Forward, false, "");
    EXPECT_TRUE(forward.m_vTo.empty());
    EXPECT_EQ(forward.m_sSubject, "Fw: Figures");
    EXPECT_NE(forward.m_sBody.find("\r\n----- Original Message -----\r\n"), std::string::npos)
        << "a forward always carries the original";
    EXPECT_NE(forward.m_sBody.find("\r\n\r\nLine one\r\nLine two\r\n"), std::string::npos);
    ASSERT_EQ(forward.m_vAttachments.size(), 1u);
}

std::string SeedIdentity(const char* p_szId, bool p_bCurrent = true)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = p_szId;
    seed.m_sStoreRoot = NewTempFolder("oe_browse");
    seed.m_bMakeCurrent = p_bCurrent;
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    seed.m_oAccount.m_sDisplayName = "Pat Doe";
    EXPECT_TRUE(oestandin::SeedIdentity(6, seed));
    return seed.m_sStoreRoot;
}

std::string ColumnsKey(const char* p_szId)
{
    return std::string("Identities\\") + p_szId + "\\Software\\Microsoft\\Outlook Express\\5.0\\Columns";
}

std::vector<uint8_t> ReadBinary(const std::string& p_sKey, const char* p_szName)
{
    std::vector<uint8_t> bytes(4096);
    DWORD size = static_cast<DWORD>(bytes.size());
    if (RegGetValueA(HKEY_CURRENT_USER, p_sKey.c_str(), p_szName, RRF_RT_REG_BINARY, nullptr, bytes.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    bytes.resize(size);
    return bytes;
}

HWND VisibleMenu(DWORD p_nProcess)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32768", nullptr)) != nullptr;)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == p_nProcess && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// Waits for the process's popup menu, pictures it with its owner, and closes it with Escape.
bool DropAndClose(const CClientRun& p_oRun, HWND p_hOwner, const char* p_szPicture)
{
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = VisibleMenu(p_oRun.ProcessId())) != nullptr; }, 10000))
        return false;
    Sleep(300);
    EXPECT_TRUE(SaveWindowPng(p_hOwner, p_szPicture));
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(menu, WM_KEYUP, VK_ESCAPE, 0);
    return WaitUntil([&] { return VisibleMenu(p_oRun.ProcessId()) == nullptr; }, 10000);
}

int Top(HWND p_hWindow)
{
    RECT rc{};
    GetWindowRect(p_hWindow, &rc);
    return rc.top;
}

int Bottom(HWND p_hWindow)
{
    RECT rc{};
    GetWindowRect(p_hWindow, &rc);
    return rc.bottom;
}

TEST(OeBrowserBars, ColumnsFollowTheLayoutsAndTheDialogTheRebarMenuAndNewDropDownReachTheBrowser)
{
    SeedIdentity(kIdentityA);
    const std::string log = NewTempFolder("oe_bars") + "seen.txt";
    CClientRun run;
    ASSERT_TRUE(run.Start(6, log));
    const HWND browser = run.WaitForBrowser(kBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);
    const HWND list = FindWindowExA(browser, nullptr, "ATL:SysListView32", nullptr);
    const HWND rebar = FindWindowExA(browser, nullptr, "SizableRebar", nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(rebar, nullptr);
    EXPECT_EQ(ListColumns(list), (std::vector<std::string>{"!", "@", "From", "Subject", "Received"}));
    ASSERT_EQ(run.SendControl("select-folder Sent Items"), 1);
    EXPECT_EQ(ListColumns(list), (std::vector<std::string>{"!", "@", "To", "Subject", "Sent"}));

    // A layout another program writes is shown the next time a received folder is.
    const std::vector<uint8_t> sms = FromHex(kVersion6Layout);
    unique_hkey columns;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ColumnsKey(kIdentityA).c_str(), 0, KEY_SET_VALUE, columns.put()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(columns.get(), "Mail Column Info (In)", 0, REG_BINARY, sms.data(),
                             static_cast<DWORD>(sms.size())),
              ERROR_SUCCESS);
    ASSERT_EQ(run.SendControl("select-folder Inbox"), 1);
    EXPECT_EQ(ListColumns(list), (std::vector<std::string>{"!", "@", "To", "Subject", "Sent", "Account"}));

    // The Columns dialog: Size ticked, Account cleared; the layout is written and shown.
    ASSERT_EQ(run.SendControl("click View\\Columns..."), 1);
    const HWND dialog = run.WaitForWindow("#32770", "Columns", 10000);
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, IDC_COLUMN_FIRST + 7), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, IDC_COLUMN_FIRST + 8), BM_CLICK, 0, 0);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    EXPECT_TRUE(SaveWindowPng(dialog, "oe6_columns.png"));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(dialog, 10000));
    EXPECT_EQ(ListColumns(list), (std::vector<std::string>{"!", "@", "To", "Subject", "Sent", "Size"}));
    std::vector<oestore::CListColumn> stored;
    ASSERT_TRUE(oestore::ReadColumnLayout(6, ReadBinary(ColumnsKey(kIdentityA), "Mail Column Info (In)"), stored));
    ASSERT_EQ(stored.size(), 6u);
    EXPECT_EQ(stored[2].m_nWidth, 155u) << "kept columns keep their widths";
    EXPECT_EQ(stored[5].m_nId, oestore::kColumnSize);

    // The rebar's context menu drops through the browser; hiding the toolbar shrinks the rebar and
    // the panes move up to it.
    RECT bar{};
    GetWindowRect(rebar, &bar);
    PostMessageA(rebar, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(rebar), MAKELPARAM(bar.left + 40, bar.top + 10));
    EXPECT_TRUE(DropAndClose(run, browser, "oe6_rebar_menu.png"));
    const int before = Bottom(rebar);
    PostMessageA(browser, WM_COMMAND, IDM_VIEW_TOOLBAR, 0);
    EXPECT_TRUE(WaitUntil([&] { return Bottom(rebar) < before; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return Top(list) == Bottom(rebar); }, 10000)) << "the browser was laid out again";
    PostMessageA(browser, WM_COMMAND, IDM_VIEW_TOOLBAR, 0);
    EXPECT_TRUE(WaitUntil([&] { return Bottom(rebar) == before && Top(list) == before; }, 10000));

    // The New button's arrow drops the New menu.
    HWND toolbar = nullptr;
    for (HWND child = FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr); child != nullptr;
         child = FindWindowExA(rebar, child, TOOLBARCLASSNAMEA, nullptr))
        if (SendMessageA(child, TB_COMMANDTOINDEX, 40465, 0) >= 0)
            toolbar = child;
    ASSERT_NE(toolbar, nullptr);
    CRemoteBlock block(toolbar, sizeof(RECT));
    RECT button{};
    ASSERT_TRUE(SendMessageA(toolbar, TB_GETITEMRECT, SendMessageA(toolbar, TB_COMMANDTOINDEX, 40465, 0),
                             reinterpret_cast<LPARAM>(block.Remote())));
    ASSERT_TRUE(block.Read(&button, sizeof button));
    const LPARAM arrow = MAKELPARAM(button.right - 4, (button.top + button.bottom) / 2);
    PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    PostMessageA(toolbar, WM_LBUTTONUP, 0, arrow);
    EXPECT_TRUE(DropAndClose(run, browser, "oe6_new_menu.png"));
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
    const std::vector<std::string> seen = ReadLines(log);
    EXPECT_GE(std::count(seen.begin(), seen.end(), std::string("0x117 ") + kBrowserClass), 2)
        << "both menus announce themselves to the browser";
}

const char* kSample = "From: \"Sam Roe\" <sam@brevolt.example>\r\nTo: pat@brevolt.example\r\n"
                      "Subject: Quarterly figures\r\nDate: Tue, 08 Dec 2026 10:00:00 +0000\r\n\r\n"
                      "The figures are in.\r\n";

std::string WindowText(HWND p_hWindow)
{
    char text[2048] = {};
    SendMessageTimeoutA(p_hWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    return text;
}

TEST(OeMessageView, AMessageOpenedFromTheListShowsInAViewThatRepliesForwardsAndSaves)
{
    SeedIdentity(kIdentityA);
    const std::string folder = NewTempFolder("oe_view");
    WriteTextFile(folder + "in.eml", kSample);
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser(kBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(run.SendControl("deliver " + folder + "in.eml"), 1);
    ASSERT_EQ(run.SendControl("select-message Quarterly figures"), 1);
    // Reply without opening: from the browser, for the selected message.
    PostMessageA(browser, WM_COMMAND, IDM_REPLY, 0);
    const HWND fromList = run.WaitForWindow("ATH_Note", "Re: Quarterly figures", 10000);
    ASSERT_NE(fromList, nullptr);
    PostMessageA(fromList, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitGone(fromList, 10000));

    const HWND list = FindWindowExA(browser, nullptr, "ATL:SysListView32", nullptr);
    CRemoteBlock block(list, sizeof(RECT));
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(block.Write(&row, sizeof row));
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(block.Remote())));
    ASSERT_TRUE(block.Read(&row, sizeof row));
    const LPARAM at = MAKELPARAM(row.left + 60, (row.top + row.bottom) / 2);
    // The row is selected already: the second click of a double click is what opens it.
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    const HWND note = run.WaitForWindow("ATH_Note", "Quarterly figures", 10000);
    if (note == nullptr)
    {
        const std::string tree = folder + "tree.txt";
        EXPECT_EQ(run.SendControl("window-tree " + tree), 1);
        FAIL() << ReadTextFile(tree);
    }
    const HWND view = FindWindowExA(note, nullptr, "Outlook Express Message View", nullptr);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(FindWindowExA(note, nullptr, "OE_Envelope", nullptr), nullptr) << "a read message has no fields";
    const std::string shown = WindowText(FindWindowExA(view, nullptr, "Edit", nullptr));
    EXPECT_NE(shown.find("From: \"Sam Roe\" <sam@brevolt.example>\r\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\n\r\nThe figures are in.\r\n"), std::string::npos) << shown;
    Sleep(300);
    EXPECT_TRUE(SaveWindowPng(note, "oe6_message_view.png"));

    // The view takes the reply and Save As commands as its note does.
    PostMessageA(view, WM_COMMAND, IDM_REPLY, 0);
    const HWND reply = run.WaitForWindow("ATH_Note", "Re: Quarterly figures", 10000);
    ASSERT_NE(reply, nullptr);
    const HWND envelope = FindWindowExA(reply, nullptr, "OE_Envelope", nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(envelope, IDC_NOTE_TO)), "\"Sam Roe\" <sam@brevolt.example>");
    EXPECT_NE(WindowText(GetDlgItem(reply, IDC_NOTE_BODY)).find("> The figures are in.\r\n"), std::string::npos);
    PostMessageA(view, WM_COMMAND, IDM_FORWARD, 0);
    const HWND forward = run.WaitForWindow("ATH_Note", "Fw: Quarterly figures", 10000);
    ASSERT_NE(forward, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(FindWindowExA(forward, nullptr, "OE_Envelope", nullptr), IDC_NOTE_TO)), "");
    PostMessageA(view, WM_COMMAND, 40204, 0);
    const HWND save = run.WaitForWindow("#32770", "Save Message As", 10000);
    ASSERT_NE(save, nullptr);
    const std::string path = folder + "viewed.txt";
    SendMessageA(GetDlgItem(save, IDC_SAVE_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(save, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(save, 10000));
    EXPECT_EQ(ReadTextFile(path).rfind("From: \"Sam Roe\" <sam@brevolt.example>\r\n", 0), 0u);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

TEST(OeCreateFolder, TheDialogAddsAFolderToTheTreeAndTheIndexAndRefusesADuplicate)
{
    const std::string store = SeedIdentity(kIdentityA);
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser(kBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(run.SendControl("select-folder Local Folders"), 1);
    for (const char* name : {"Sent SMSs", "Archive"})
    {
        ASSERT_EQ(run.SendControl("click File\\Folder\\New..."), 1);
        const HWND dialog = run.WaitForWindow("#32770", "Create Folder", 10000);
        ASSERT_NE(dialog, nullptr);
        ASSERT_NE(FindWindowExA(dialog, nullptr, "Edit", nullptr), nullptr);
        ASSERT_NE(FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr), nullptr);
        SendMessageA(GetDlgItem(dialog, IDC_FOLDER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        if (std::string(name) == "Sent SMSs")
        {
            EXPECT_TRUE(SaveWindowPng(dialog, "oe6_create_folder.png"));
        }
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitGone(dialog, 10000));
    }
    ASSERT_EQ(run.SendControl("click File\\Folder\\New..."), 1);
    const HWND again = run.WaitForWindow("#32770", "Create Folder", 10000);
    ASSERT_NE(again, nullptr);
    SendMessageA(GetDlgItem(again, IDC_FOLDER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("SENT SMSS"));
    PostMessageA(again, WM_COMMAND, IDOK, 0);
    const HWND refusal = run.WaitForWindow("#32770", "Outlook Express", 10000);
    ASSERT_NE(refusal, nullptr) << "a duplicate name is refused with a message";
    EXPECT_TRUE(IsWindow(again)) << "and the dialog stays";
    PostMessageA(refusal, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(refusal, 10000));
    PostMessageA(again, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitGone(again, 10000));

    const HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    const std::vector<std::string> texts = TreeTexts(tree);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Sent SMSs"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Archive"), 1);
    std::vector<oestore::CFolderRecord> folders;
    const std::vector<uint8_t> index = ReadBytes(store + "Folders.dbx");
    ASSERT_EQ(oestore::ReadFoldersFile(index, folders), oestore::EDbxRead::Ok);
    ASSERT_EQ(folders.size(), 7u);
    EXPECT_EQ(folders[5].m_sName, "Sent SMSs");
    EXPECT_EQ(folders[5].m_nSpecial, 0u);
    EXPECT_NE(GetFileAttributesA((store + folders[5].m_sFileName).c_str()), INVALID_FILE_ATTRIBUTES);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

TEST(OeShell, OpeningAMessageFileThroughTheShellOpensItInTheRunningClient)
{
    SeedIdentity(kIdentityA);
    const std::string exe = ClientPath(6);
    ASSERT_TRUE(oestandin::RegisterInstall(6, exe.substr(0, exe.find_last_of("\\/"))));
    const std::string folder = NewTempFolder("oe_shell");
    WriteTextFile(folder + "opened.eml", kSample);
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    ASSERT_NE(run.WaitForBrowser(kBrowserClass, 15000), nullptr);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    const std::string file = folder + "opened.eml";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&info));
    unique_handle started(info.hProcess);
    EXPECT_NE(run.WaitForWindow("ATH_Note", "Quarterly figures", 15000), nullptr);
    if (started)
    {
        EXPECT_EQ(WaitForSingleObject(started.get(), 15000), WAIT_OBJECT_0) << "the second start hands over and ends";
    }
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

TEST(OeIdentitySwitch, TheControlChannelSeedsAndTheTreeAndListFollowTheNewIdentitysStore)
{
    SeedIdentity(kIdentityA);
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser(kBrowserClass, 15000);
    ASSERT_NE(browser, nullptr);
    // A second identity and a folder of the current one, seeded through the control channel.
    const std::string second = NewTempFolder("oe_switch_b");
    ASSERT_EQ(run.SendControl(std::string("seed-identity ") + kIdentityB + " store-root=" + second +
                              ";current=0;email=b@brevolt.example;smtp-port=2525"),
              1);
    EXPECT_EQ(run.SendControl("seed-identity {no-root}"), 0);
    oestandin::COeAccountSeed account;
    ASSERT_TRUE(oestandin::ReadAccount(6, kIdentityB, account));
    EXPECT_EQ(account.m_sEmail, "b@brevolt.example");
    EXPECT_EQ(account.m_nSmtpPort, 2525u);
    EXPECT_EQ(oestandin::CurrentIdentityId(), kIdentityA);
    ASSERT_TRUE(oestandin::AddStoreFolder(second, "Only in B"));
    ASSERT_EQ(run.SendControl("add-folder Made here"), 1);
    EXPECT_EQ(run.SendControl("add-folder made HERE"), 0);
    const HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    std::vector<std::string> texts = TreeTexts(tree);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Only in B"), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Made here"), 1);
    ASSERT_EQ(run.SendControl(std::string("switch-identity ") + kIdentityB), 1);
    EXPECT_TRUE(WaitUntil(
        [&] {
            texts = TreeTexts(tree);
            return std::count(texts.begin(), texts.end(), "Only in B") == 1;
        },
        10000));
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Made here"), 0);
    // Mail delivered now goes into B's Inbox.
    const std::string folder = NewTempFolder("oe_switch");
    WriteTextFile(folder + "b.eml", kSample);
    ASSERT_EQ(run.SendControl("deliver " + folder + "b.eml"), 1);
    std::string inbox;
    ASSERT_TRUE(oestandin::SpecialFolderFile(6, second, oestore::kSpecialInbox, inbox));
    oestandin::CFolderContents contents;
    ASSERT_TRUE(oestandin::ReadFolderContents(6, inbox, contents));
    EXPECT_EQ(contents.m_vMessages.size(), 1u);
    EXPECT_EQ(run.SendControl("select-message Quarterly figures"), 1) << "the list shows B's Inbox";
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}
} // namespace
