// standins/oe/oe_browser_win.cpp: the browser's folders, message list, menus and commands.
#include "standins/oe/oe_browser_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "standins/oe/oe_columns_win.h"
#include "standins/oe/oe_dialogs_win.h"
#include "standins/oe/oe_download_win.h"
#include "standins/oe/oe_folder_dialog_win.h"
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_note_win.h"
#include "standins/oe/oe_resource.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/eml_message.h"

#include <commctrl.h>

namespace oestandin
{
namespace
{
constexpr size_t kMessageFileLimit = oestore::kMaxMessageSize;
constexpr UINT kToolbarBandId = 1003;

std::string FolderPath(const oestore::CFolderRecord& p_oFolder)
{
    const CBrowserState& b = Browser();
    if (b.m_p_oProfile->m_iMajor <= 4)
        return b.m_sStoreFolder + p_oFolder.m_sName + ".mbx";
    if (p_oFolder.m_sFileName.find_first_of("\\/:") != std::string::npos)
        return std::string();
    return b.m_sStoreFolder + p_oFolder.m_sFileName;
}

void AddListRow(HWND p_hList, const oestore::CStoredMessage& p_oStored)
{
    oestore::CMailMessage message;
    if (!oestore::ParseMessage(p_oStored.m_sText, message))
        message.m_sSubject = "(unreadable message)";
    const std::vector<oestore::CListColumn>& columns = Browser().m_vColumns;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(p_hList, LVM_GETITEMCOUNT, 0, 0));
    const std::string first =
        columns.empty() ? std::string() : ColumnText(columns[0].m_nId, message, p_oStored.m_sText.size());
    item.pszText = const_cast<char*>(first.c_str());
    item.lParam = static_cast<LPARAM>(p_oStored.m_nId);
    const int row = static_cast<int>(SendMessageA(p_hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t column = 1; column < columns.size(); ++column)
    {
        const std::string text = ColumnText(columns[column].m_nId, message, p_oStored.m_sText.size());
        LVITEMA sub{};
        sub.iSubItem = static_cast<int>(column);
        sub.pszText = const_cast<char*>(text.c_str());
        SendMessageA(p_hList, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
    }
}

bool IsOutgoing(const oestore::CFolderRecord& p_oFolder)
{
    return p_oFolder.m_nSpecial == oestore::kSpecialOutbox || p_oFolder.m_nSpecial == oestore::kSpecialSentItems ||
           p_oFolder.m_nSpecial == oestore::kSpecialDrafts;
}

int SubjectColumn()
{
    const std::vector<oestore::CListColumn>& columns = Browser().m_vColumns;
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].m_nId == oestore::kColumnSubject)
            return static_cast<int>(i);
    return -1;
}

void ChooseColumns()
{
    CBrowserState& b = Browser();
    std::vector<oestore::CListColumn> columns = b.m_vColumns;
    if (!ShowColumnsDialog(b.m_hInstance, b.m_hBrowser, columns))
        return;
    if (!WriteListColumns(b.m_p_oProfile->m_iMajor, b.m_bOutgoingFolder, columns))
        LOG_FAILURE("the columns could not be stored");
    b.m_vColumns = columns;
    ApplyListColumns(b.m_hList, columns);
    RefreshMessages();
}

int ToolbarBandIndex()
{
    return static_cast<int>(SendMessageA(Browser().m_hRebar, RB_IDTOINDEX, kToolbarBandId, 0));
}

bool ToolbarBandShown()
{
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE;
    const int index = ToolbarBandIndex();
    return index >= 0 && SendMessageA(Browser().m_hRebar, RB_GETBANDINFOA, index, reinterpret_cast<LPARAM>(&band)) &&
           (band.fStyle & RBBS_HIDDEN) == 0;
}

void ToggleFolderList()
{
    const CBrowserState& b = Browser();
    ShowWindow(b.m_hTree, IsWindowVisible(b.m_hTree) ? SW_HIDE : SW_SHOW);
    SendMessageA(b.m_hBrowser, WM_SIZE, 0, 0);
}

// The selected row's message in the selected folder.
[[nodiscard]] bool SelectedMessage(oestore::CMailMessage& p_oMessage)
{
    const CBrowserState& b = Browser();
    size_t folder = 0;
    const int row = static_cast<int>(SendMessageA(b.m_hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0 || !SelectedFolder(folder))
        return false;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(b.m_hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    CFolderContents contents;
    if (!ReadFolderContents(b.m_p_oProfile->m_iMajor, FolderPath(b.m_vFolders[folder]), contents))
        return false;
    for (const oestore::CStoredMessage& stored : contents.m_vMessages)
        if (stored.m_nId == static_cast<uint32_t>(item.lParam))
            return oestore::ParseMessage(stored.m_sText, p_oMessage);
    return false;
}

std::string PlainMenuText(std::string p_sText)
{
    p_sText = p_sText.substr(0, p_sText.find('\t'));
    std::string plain;
    for (const char c : p_sText)
        if (c != '&')
            plain.push_back(c);
    return plain;
}

// The command of the item at p_sPath below p_hMenu; 0 when there is none.
UINT FindMenuCommand(HMENU p_hMenu, const std::string& p_sPath)
{
    const size_t slash = p_sPath.find('\\');
    const std::string first = PlainMenuText(p_sPath.substr(0, slash));
    const int count = GetMenuItemCount(p_hMenu);
    for (int i = 0; i < count; ++i)
    {
        char text[128] = {};
        GetMenuStringA(p_hMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (PlainMenuText(text) != first)
            continue;
        if (const HMENU sub = GetSubMenu(p_hMenu, i); sub != nullptr)
            return slash == std::string::npos ? 0 : FindMenuCommand(sub, p_sPath.substr(slash + 1));
        return slash == std::string::npos ? GetMenuItemID(p_hMenu, i) : 0;
    }
    return 0;
}

UINT FindToolbarCommand(HWND p_hToolbar, const std::string& p_sText)
{
    const int count = static_cast<int>(SendMessageA(p_hToolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        TBBUTTON button{};
        SendMessageA(p_hToolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        char text[128] = {};
        SendMessageA(p_hToolbar, TB_GETBUTTONTEXTA, button.idCommand, reinterpret_cast<LPARAM>(text));
        if (PlainMenuText(text) == PlainMenuText(p_sText))
            return static_cast<UINT>(button.idCommand);
    }
    return 0;
}

void SendAndReceive()
{
    // What waits in the drop folder arrives in this download; files that are no message stay.
    const std::string drop = Browser().m_sStoreFolder + "Drop\\";
    std::vector<std::string> texts;
    std::vector<std::string> taken;
    WIN32_FIND_DATAA found{};
    const unique_find_handle search(FindFirstFileA((drop + "*.eml").c_str(), &found));
    if (search)
    {
        do
        {
            std::string text;
            oestore::CMailMessage message;
            if (ReadWholeFile(drop + found.cFileName, text, kMessageFileLimit) == EReadFile::Read &&
                oestore::ParseMessage(text, message))
            {
                texts.push_back(text);
                taken.push_back(drop + found.cFileName);
            }
        } while (FindNextFileA(search.get(), &found));
    }
    if (!RunDownload(Browser().m_hInstance, Browser().m_p_oProfile->m_iMajor, 0, texts))
        LOG_FAILURE("the download of %u message(s) was not stored", static_cast<unsigned>(texts.size()));
    for (const std::string& path : taken)
        DeleteFileA(path.c_str());
    RefreshMessages();
}
// p_lParam is the folder's index in the store's folders plus 1; 0 for the two top items.
HTREEITEM AddTreeItem(HWND p_hTree, HTREEITEM p_hParent, const std::string& p_sText, LPARAM p_lParam = 0)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = p_hParent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.lParam = p_lParam;
    insert.item.pszText = const_cast<char*>(p_sText.c_str());
    return reinterpret_cast<HTREEITEM>(SendMessageA(p_hTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

} // namespace

CBrowserState& Browser()
{
    static CBrowserState s_oState;
    return s_oState;
}

HMENU BuildBrowserMenu(const COeProfile& p_oProfile)
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU fileNew = CreatePopupMenu();
    AppendMenuA(fileNew, MF_STRING, p_oProfile.m_nNewMailCommand, "&Mail Message\tCtrl+N");
    // Version 4 keeps a fixed set of folders.
    if (p_oProfile.m_iMajor >= 5)
        AppendMenuA(fileNew, MF_STRING, IDM_NEW_FOLDER, "&Folder...\tCtrl+Shift+E");
    AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(fileNew), "&New");
    if (p_oProfile.m_iMajor >= 5)
    {
        HMENU folder = CreatePopupMenu();
        AppendMenuA(folder, MF_STRING, IDM_NEW_FOLDER, "&New...");
        AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(folder), "&Folder");
    }
    AppendMenuA(file, MF_STRING, p_oProfile.m_nSaveAsCommand, "Save &As...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, IDM_EXIT, "E&xit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Edit");
    HMENU view = CreatePopupMenu();
    AppendMenuA(view, MF_STRING, IDM_COLUMNS, "Colu&mns...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
    HMENU tools = CreatePopupMenu();
    AppendMenuA(tools, MF_STRING, p_oProfile.m_nSendReceiveCommand, "Send and Re&ceive");
    AppendMenuA(tools, MF_STRING, IDM_OPTIONS, "&Options...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "&Tools");
    HMENU message = CreatePopupMenu();
    AppendMenuA(message, MF_STRING, p_oProfile.m_nNewMailCommand, "&New Message");
    AppendMenuA(message, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(message, MF_STRING, IDM_REPLY, "&Reply to Sender\tCtrl+R");
    AppendMenuA(message, MF_STRING, IDM_REPLY_ALL, "Reply to &All\tCtrl+Shift+R");
    AppendMenuA(message, MF_STRING, IDM_FORWARD, "&Forward\tCtrl+F");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(message), p_oProfile.m_iMajor <= 4 ? "&Compose" : "&Message");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Help");
    return bar;
}

void DropMenuBarMenu(int p_iIndex)
{
    const CBrowserState& b = Browser();
    const HMENU popup = GetSubMenu(b.m_hMenu, p_iIndex);
    RECT button{};
    if (popup == nullptr || !SendMessageA(b.m_hMenuBar, TB_GETITEMRECT, p_iIndex, reinterpret_cast<LPARAM>(&button)))
        return;
    MapWindowPoints(b.m_hMenuBar, nullptr, reinterpret_cast<POINT*>(&button), 2);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0, b.m_hBrowser, nullptr);
}

void FillFolderTree(HWND p_hTree)
{
    const HTREEITEM root = AddTreeItem(p_hTree, TVI_ROOT, "Outlook Express");
    const HTREEITEM local = AddTreeItem(p_hTree, root, "Local Folders");
    std::vector<std::pair<uint32_t, HTREEITEM>> placed;
    HTREEITEM inbox = nullptr;
    // Parents come before their children in the index, so one pass in order places every folder
    // whose parent exists; one whose parent is missing goes under Local Folders.
    const std::vector<oestore::CFolderRecord>& folders = Browser().m_vFolders;
    for (size_t i = 0; i < folders.size(); ++i)
    {
        const oestore::CFolderRecord& folder = folders[i];
        HTREEITEM parent = local;
        for (const auto& [id, item] : placed)
            if (id == folder.m_nParentId && folder.m_nParentId != 0)
                parent = item;
        const HTREEITEM item = AddTreeItem(p_hTree, parent, folder.m_sName, static_cast<LPARAM>(i + 1));
        placed.emplace_back(folder.m_nId, item);
        if (folder.m_nSpecial == oestore::kSpecialInbox)
            inbox = item;
    }
    SendMessageA(p_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    SendMessageA(p_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(local));
    if (inbox != nullptr)
        SendMessageA(p_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(inbox));
}

void ReloadFolders()
{
    CBrowserState& b = Browser();
    std::string selected;
    size_t folder = 0;
    if (SelectedFolder(folder))
        selected = b.m_vFolders[folder].m_sName;
    std::vector<oestore::CFolderRecord> folders;
    if (!OpenStore(b.m_p_oProfile->m_iMajor, b.m_sStoreFolder, folders))
        LOG_FAILURE("the store in '%s' could not be opened", b.m_sStoreFolder.c_str());
    b.m_vFolders = folders.empty() ? oestore::DefaultFolders() : folders;
    SendMessageA(b.m_hTree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FillFolderTree(b.m_hTree);
    if (!selected.empty())
        (void)SelectFolderByName(selected);
    RefreshMessages();
}

void DropNewMenu(const RECT& p_oButton)
{
    const CBrowserState& b = Browser();
    const HMENU fileNew = GetSubMenu(GetSubMenu(b.m_hMenu, 0), 0);
    if (fileNew != nullptr)
        TrackPopupMenu(fileNew, TPM_LEFTALIGN | TPM_TOPALIGN, p_oButton.left, p_oButton.bottom, 0, b.m_hBrowser,
                       nullptr);
}

void ShowRebarContextMenu(POINT p_oAt)
{
    const CBrowserState& b = Browser();
    if (p_oAt.x == -1 && p_oAt.y == -1)
    {
        RECT rebar{};
        GetWindowRect(b.m_hRebar, &rebar);
        p_oAt = {rebar.left + 8, rebar.top + 8};
    }
    unique_hmenu popup(CreatePopupMenu());
    AppendMenuA(popup.get(), MF_STRING | (ToolbarBandShown() ? MF_CHECKED : MF_UNCHECKED), IDM_VIEW_TOOLBAR,
                "&Toolbar");
    AppendMenuA(popup.get(), MF_STRING | (IsWindowVisible(b.m_hTree) ? MF_CHECKED : MF_UNCHECKED), IDM_VIEW_FOLDER_LIST,
                "Folder &List");
    AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup.get(), MF_STRING, IDM_COLUMNS, "Colu&mns...");
    // The choice comes back as WM_COMMAND, so items others add to the menu reach the browser too.
    TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, p_oAt.x, p_oAt.y, 0, b.m_hBrowser,
                   nullptr);
}

void StoreColumnWidths()
{
    CBrowserState& b = Browser();
    for (size_t i = 0; i < b.m_vColumns.size(); ++i)
    {
        const LRESULT width = SendMessageA(b.m_hList, LVM_GETCOLUMNWIDTH, i, 0);
        if (width > 0)
            b.m_vColumns[i].m_nWidth = static_cast<uint32_t>(width);
    }
    if (!WriteListColumns(b.m_p_oProfile->m_iMajor, b.m_bOutgoingFolder, b.m_vColumns))
        LOG_FAILURE("the column widths could not be stored");
}

void ToggleToolbarBand()
{
    const int index = ToolbarBandIndex();
    if (index >= 0)
        SendMessageA(Browser().m_hRebar, RB_SHOWBAND, index, ToolbarBandShown() ? FALSE : TRUE);
}

void ShowFolderMessages(size_t p_nFolder)
{
    CBrowserState& b = Browser();
    if (p_nFolder >= b.m_vFolders.size())
    {
        SendMessageA(b.m_hList, LVM_DELETEALLITEMS, 0, 0);
        return;
    }
    // The layout is read each time a folder is shown: another program may have changed it.
    b.m_bOutgoingFolder = IsOutgoing(b.m_vFolders[p_nFolder]);
    b.m_vColumns = ReadListColumns(b.m_p_oProfile->m_iMajor, b.m_bOutgoingFolder);
    ApplyListColumns(b.m_hList, b.m_vColumns);
    const std::string path = FolderPath(b.m_vFolders[p_nFolder]);
    CFolderContents contents;
    if (path.empty() || !ReadFolderContents(b.m_p_oProfile->m_iMajor, path, contents))
        return;
    for (const oestore::CStoredMessage& stored : contents.m_vMessages)
        AddListRow(b.m_hList, stored);
}

bool SelectedFolder(size_t& p_nFolder)
{
    const CBrowserState& b = Browser();
    TVITEMA item{};
    item.mask = TVIF_PARAM;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(b.m_hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item.hItem == nullptr || !SendMessageA(b.m_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ||
        item.lParam <= 0 || static_cast<size_t>(item.lParam) > b.m_vFolders.size())
        return false;
    p_nFolder = static_cast<size_t>(item.lParam) - 1;
    return true;
}

bool SelectFolderByName(const std::string& p_sName)
{
    const CBrowserState& b = Browser();
    std::vector<HTREEITEM> pending = {
        reinterpret_cast<HTREEITEM>(SendMessageA(b.m_hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0))};
    while (!pending.empty())
    {
        const HTREEITEM item = pending.back();
        pending.pop_back();
        if (item == nullptr)
            continue;
        char text[256] = {};
        TVITEMA request{};
        request.mask = TVIF_TEXT;
        request.hItem = item;
        request.pszText = text;
        request.cchTextMax = sizeof text;
        if (SendMessageA(b.m_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request)) && p_sName == text)
            return SendMessageA(b.m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
        pending.push_back(reinterpret_cast<HTREEITEM>(
            SendMessageA(b.m_hTree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))));
        pending.push_back(reinterpret_cast<HTREEITEM>(
            SendMessageA(b.m_hTree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))));
    }
    return false;
}

bool SelectMessageBySubject(const std::string& p_sSubject)
{
    const CBrowserState& b = Browser();
    const int count = static_cast<int>(SendMessageA(b.m_hList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
    {
        char text[512] = {};
        LVITEMA item{};
        item.iSubItem = SubjectColumn();
        if (item.iSubItem < 0)
            return false;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(b.m_hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        if (p_sSubject != text)
            continue;
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(b.m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        return SendMessageA(b.m_hList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state)) != 0;
    }
    return false;
}

bool RunBrowserCommand(UINT p_nCommand)
{
    const CBrowserState& b = Browser();
    const COeProfile& profile = *b.m_p_oProfile;
    if (p_nCommand == profile.m_nNewMailCommand)
        return OpenNote(nullptr) != nullptr;
    if (p_nCommand == profile.m_nSaveAsCommand)
    {
        // With no message selected there is nothing to save, as in the client.
        oestore::CMailMessage message;
        if (SelectedMessage(message))
            (void)SaveMessageAs(b.m_hInstance, b.m_hBrowser, message);
        return true;
    }
    if (p_nCommand == profile.m_nSendReceiveCommand)
    {
        SendAndReceive();
        return true;
    }
    if (p_nCommand == IDM_REPLY || p_nCommand == IDM_REPLY_ALL || p_nCommand == IDM_FORWARD)
    {
        // Nothing happens without a selected message, as in the client.
        oestore::CMailMessage message;
        if (SelectedMessage(message))
            (void)OpenReply(message, p_nCommand == IDM_REPLY       ? oestore::EReplyKind::Reply
                                     : p_nCommand == IDM_REPLY_ALL ? oestore::EReplyKind::ReplyAll
                                                                   : oestore::EReplyKind::Forward);
        return true;
    }
    if (p_nCommand == IDM_NEW_FOLDER)
    {
        (void)CreateFolderDialog();
        return true;
    }
    if (p_nCommand == IDM_COLUMNS)
    {
        ChooseColumns();
        return true;
    }
    if (p_nCommand == IDM_VIEW_TOOLBAR)
    {
        ToggleToolbarBand();
        return true;
    }
    if (p_nCommand == IDM_VIEW_FOLDER_LIST)
    {
        ToggleFolderList();
        return true;
    }
    if (p_nCommand == IDM_OPTIONS)
    {
        ShowOptions(b.m_hInstance, b.m_hBrowser);
        return true;
    }
    if (p_nCommand == IDM_EXIT)
    {
        DestroyWindow(b.m_hBrowser);
        return true;
    }
    return false;
}

void OpenSelectedMessage()
{
    oestore::CMailMessage message;
    if (SelectedMessage(message))
        (void)OpenReadNote(message);
}

void RefreshMessages()
{
    size_t folder = 0;
    if (SelectedFolder(folder))
        ShowFolderMessages(folder);
}

bool OpenMessageFile(const std::string& p_sPath)
{
    std::string text;
    oestore::CMailMessage message;
    if (ReadWholeFile(p_sPath, text, kMessageFileLimit) != EReadFile::Read || !oestore::ParseMessage(text, message))
    {
        LOG_FAILURE("'%s' is not a message", p_sPath.c_str());
        return false;
    }
    // As the client does: a message marked unsent opens for sending, any other for reading.
    return (message.m_bUnsent ? OpenNote(&message) : OpenReadNote(message)) != nullptr;
}

bool ClickByText(const std::string& p_sPath)
{
    const CBrowserState& b = Browser();
    UINT command = FindMenuCommand(b.m_hMenu, p_sPath);
    for (const HWND toolbar : {b.m_hToolbar, b.m_hMenuBar})
        if (command == 0 && toolbar != nullptr && p_sPath.find('\\') == std::string::npos)
            command = FindToolbarCommand(toolbar, p_sPath);
    if (command == 0)
    {
        LOG_FAILURE("no menu item or button '%s'", p_sPath.c_str());
        return false;
    }
    return PostMessageA(b.m_hBrowser, WM_COMMAND, MAKEWPARAM(command, 0), 0) != FALSE;
}
} // namespace oestandin
