// standins/outlook/ol_explorer_win.cpp: the explorer window over the default store.
#include "standins/outlook/ol_explorer_win.h"

#include "common/failure_log.h"
#include "standins/outlook/ol_customize_win.h"
#include "standins/outlook/ol_send_receive_win.h"
#include "standins/outlook/ol_trace_win.h"

#include <commctrl.h>

#include <algorithm>

namespace olstandin
{
namespace
{
constexpr UINT kTreeId = 0xE810;
constexpr UINT kListId = 0xE811;
constexpr int kTreeWidth = 200;

// Menu text as a user reads it: without accelerator marks and the shortcut after a tab.
std::string PlainText(const char* p_szText)
{
    std::string text;
    for (const char* c = p_szText; *c != '\0' && *c != '\t'; ++c)
        if (*c != '&')
            text += *c;
    return text;
}

std::string ItemText(HMENU p_hMenu, int p_iPosition)
{
    char text[256] = {};
    (void)GetMenuStringA(p_hMenu, static_cast<UINT>(p_iPosition), text, sizeof text, MF_BYPOSITION);
    return PlainText(text);
}

bool SameText(const std::string& p_sA, const std::string& p_sB)
{
    return p_sA.size() == p_sB.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, p_sA.data(), static_cast<int>(p_sA.size()), p_sB.data(),
                          static_cast<int>(p_sB.size())) == CSTR_EQUAL;
}

// The command of the first item (in menu order, depth first) whose text is p_sText.
bool FindMenuText(HMENU p_hMenu, const std::string& p_sText, UINT& p_nCommand)
{
    const int count = GetMenuItemCount(p_hMenu);
    for (int i = 0; i < count; ++i)
    {
        HMENU popup = GetSubMenu(p_hMenu, i);
        if (popup != nullptr)
        {
            if (FindMenuText(popup, p_sText, p_nCommand))
                return true;
            continue;
        }
        const UINT id = GetMenuItemID(p_hMenu, i);
        if (id != static_cast<UINT>(-1) && id != 0 && SameText(ItemText(p_hMenu, i), p_sText))
        {
            p_nCommand = id;
            return true;
        }
    }
    return false;
}

void DumpMenu(HMENU p_hMenu, int p_iDepth, std::string& p_sOut)
{
    const int count = GetMenuItemCount(p_hMenu);
    for (int i = 0; i < count; ++i)
    {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE;
        if (!GetMenuItemInfoA(p_hMenu, static_cast<UINT>(i), TRUE, &info))
            continue;
        p_sOut.append(static_cast<size_t>(p_iDepth) * 2, ' ');
        if (info.fType & MFT_SEPARATOR)
            p_sOut += "-\n";
        else
            p_sOut += ItemText(p_hMenu, i) + "\t" + std::to_string(info.wID) +
                      ((info.fState & MFS_GRAYED) ? "\tdisabled\n" : "\n");
        if (info.hSubMenu != nullptr)
            DumpMenu(info.hSubMenu, p_iDepth + 1, p_sOut);
    }
}
} // namespace

CExplorer::~CExplorer()
{
    if (m_p_oObject)
        m_p_oObject->Detach();
}

HMENU CExplorer::BuildMenuBar() const
{
    HMENU bar = CreateMenu();
    HMENU file = BuildPopup({{0, nullptr}, {kCmdPrint, "&Print...\tCtrl+P"}, {0, nullptr}, {kCmdClose, "&Close"}});
    HMENU fileNew = BuildPopup({{exchext::kCmdFileNewMessage, "&Mail Message\tCtrl+N"}});
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING | MIIM_SUBMENU;
    item.hSubMenu = fileNew;
    item.dwTypeData = const_cast<char*>("Ne&w");
    (void)InsertMenuItemA(file, 0, TRUE, &item);
    AppendPopup(bar, file, kCmdFileMenu, "&File");
    AppendPopup(bar, BuildPopup({{kCmdDelete, "&Delete\tCtrl+D"}}), kCmdEditMenu, "&Edit");
    AppendPopup(bar, BuildPopup({{kCmdReply, "&Reply"}, {kCmdReplyAll, "Reply to A&ll"}, {kCmdForward, "For&ward"}}),
                kCmdViewMenu, "&View");
    AppendPopup(bar,
                BuildPopup({{kCmdAddressBook, "&Address Book...\tCtrl+Shift+B"},
                            {0, nullptr},
                            {kCmdCustomize, "&Customize..."},
                            {kCmdOptions, "&Options..."}}),
                exchext::kCmdTools, "&Tools");
    AppendPopup(bar, BuildPopup({{kCmdAbout, "&About"}}), kCmdHelpMenu, "&Help");
    return bar;
}

bool CExplorer::Create()
{
    if (!CreateFrame("Inbox - Microsoft Outlook", BuildMenuBar(), 900, 600,
                     {{exchext::kCmdFileNewMessage, "New"},
                      {kCmdPrint, "Print"},
                      {kCmdDelete, "Delete"},
                      {kCmdReply, "Reply"},
                      {kCmdReplyAll, "Reply to All"},
                      {kCmdForward, "Forward"},
                      {kCmdAddressBook, "Address Book"}}))
        return false;
    m_p_oObject.attach(new CExplorerObject(m_oOwner.Services(), this, m_hWnd));
    m_p_oObject->Bars().m_fnLayout = [this]() {
        RECT client{};
        if (m_hWnd != nullptr && GetClientRect(m_hWnd, &client))
            Layout(client.right, client.bottom);
    };
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    m_hTree =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
                        WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0,
                        0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTreeId)), instance, nullptr);
    m_hList =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS,
                        0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), instance, nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hTree) || !LOG_IF_WIN32_BOOL_FALSE(m_hList))
        return false;
    SendMessageA(m_hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char* const kColumns[] = {"From", "Subject", "Class"};
    const int kWidths[] = {180, 300, 140};
    for (int i = 0; i < 3; ++i)
    {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(kColumns[i]);
        column.cx = kWidths[i];
        (void)SendMessageA(m_hList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    FillTree();
    // The 2000-2003 clients' Send/Receive window, which the product posts Send to.
    (void)CreateSendReceiveWindow(m_hWnd, m_oOwner.Services().m_nMajor, m_oOwner.Services().m_p_oProfile);
    ShowFrame(exchext::kContextViewer);
    return true;
}

void CExplorer::FillTree()
{
    CMapiProfile* profile = m_oOwner.Services().m_p_oProfile;
    if (profile == nullptr || !profile->IsStarted())
        return;
    m_vFolders = profile->Folders();
    const CEntryId inbox = profile->InboxId();
    std::vector<HTREEITEM> parents = {TVI_ROOT};
    size_t inboxIndex = 0;
    for (size_t i = 0; i < m_vFolders.size(); ++i)
    {
        const CFolderRow& folder = m_vFolders[i];
        const size_t depth = static_cast<size_t>(std::max<LONG>(folder.m_lDepth, 1));
        parents.resize(std::min(parents.size(), depth));
        TVINSERTSTRUCTA insert{};
        insert.hParent = parents.back();
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(folder.m_sName.c_str());
        insert.item.lParam = static_cast<LPARAM>(i);
        const auto item =
            reinterpret_cast<HTREEITEM>(SendMessageA(m_hTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        m_vTreeItems.push_back(item);
        parents.push_back(item);
        if (folder.m_oEntryId == inbox)
            inboxIndex = i;
    }
    if (!m_vTreeItems.empty())
        (void)SendMessageA(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(m_vTreeItems[inboxIndex]));
}

void CExplorer::LoadFolder(size_t p_nFolder)
{
    if (p_nFolder >= m_vFolders.size())
        return;
    m_nFolder = p_nFolder;
    m_vItems = m_oOwner.Services().m_p_oProfile->Items(m_vFolders[p_nFolder].m_oEntryId);
    (void)SendMessageA(m_hList, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < m_vItems.size(); ++i)
    {
        LVITEMA row{};
        row.mask = LVIF_TEXT;
        row.iItem = static_cast<int>(i);
        row.pszText = const_cast<char*>(m_vItems[i].m_sSender.c_str());
        const auto index = static_cast<int>(SendMessageA(m_hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
        row.iItem = index;
        row.iSubItem = 1;
        row.pszText = const_cast<char*>(m_vItems[i].m_sSubject.c_str());
        (void)SendMessageA(m_hList, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row));
        row.iSubItem = 2;
        row.pszText = const_cast<char*>(m_vItems[i].m_sMessageClass.c_str());
        (void)SendMessageA(m_hList, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row));
    }
    UpdateTitle();
    if (Extensions() != nullptr)
        Extensions()->ObjectChanged();
    if (m_p_oObject)
        m_p_oObject->RaiseFolderSwitch();
}

void CExplorer::UpdateTitle()
{
    const std::string name = m_nFolder < m_vFolders.size() ? m_vFolders[m_nFolder].m_sName : "Inbox";
    (void)SetWindowTextA(m_hWnd, (name + " - Microsoft Outlook").c_str());
}

void CExplorer::Layout(int p_iWidth, int p_iHeight)
{
    RECT toolbar{};
    RECT status{};
    if (m_hToolbar != nullptr)
        GetWindowRect(m_hToolbar, &toolbar);
    if (m_hStatus != nullptr)
        GetWindowRect(m_hStatus, &status);
    int top = toolbar.bottom - toolbar.top;
    if (m_p_oObject)
        top += m_p_oObject->Bars().Arrange(top, p_iWidth);
    const int height = std::max(0, p_iHeight - top - static_cast<int>(status.bottom - status.top));
    if (m_hTree != nullptr)
        MoveWindow(m_hTree, 0, top, kTreeWidth, height, TRUE);
    if (m_hList != nullptr)
        MoveWindow(m_hList, kTreeWidth, top, std::max(0, p_iWidth - kTreeWidth), height, TRUE);
}

LRESULT CExplorer::HandleMessage(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_NOTIFY)
    {
        const auto* header = reinterpret_cast<const NMHDR*>(p_lParam);
        if (header->hwndFrom == m_hTree && header->code == TVN_SELCHANGEDA)
        {
            LoadFolder(static_cast<size_t>(reinterpret_cast<const NMTREEVIEWA*>(p_lParam)->itemNew.lParam));
            return 0;
        }
        if (header->hwndFrom == m_hList && header->code == LVN_ITEMCHANGED)
        {
            // One selection change may arrive as several item changes: tell the extensions once.
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(p_lParam);
            if ((change->uChanged & LVIF_STATE) && ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) &&
                !m_bSelectionPosted)
            {
                m_bSelectionPosted = true;
                PostMessageA(m_hWnd, kMsgSelectionSettled, 0, 0);
            }
            return 0;
        }
    }
    if (p_nMsg == kMsgSelectionSettled)
    {
        m_bSelectionPosted = false;
        const LRESULT result = CHostWindow::HandleMessage(p_nMsg, p_wParam, p_lParam);
        if (m_p_oObject)
            m_p_oObject->RaiseSelectionChange();
        return result;
    }
    if (p_nMsg == WM_ACTIVATE && LOWORD(p_wParam) != WA_INACTIVE && m_p_oObject)
        m_p_oObject->RaiseActivate();
    if (p_nMsg == WM_CLOSE)
    {
        // Close is raised while the window still exists; the bars stop drawing with it.
        CloseAllPopupWindows();
        if (m_p_oObject)
            m_p_oObject->RaiseClose();
        if (m_p_oObject)
            m_p_oObject->Detach();
        (void)DestroyWindow(m_hWnd);
        return 0;
    }
    return CHostWindow::HandleMessage(p_nMsg, p_wParam, p_lParam);
}

void CExplorer::OwnCommand(UINT p_nCommand)
{
    if (p_nCommand == exchext::kCmdFileNewMessage)
        m_oOwner.OpenNote();
    else if (p_nCommand == kCmdClose)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    else if (p_nCommand == kCmdCustomize && m_p_oObject)
        (void)OpenCustomize(m_hWnd, m_p_oObject->Bars());
    else
        Trace("explorer: command %u has no action here", p_nCommand);
}

com_ptr<IMAPIProp> CExplorer::SiteObject()
{
    const std::vector<CItemRow> selection = SiteSelection();
    CMapiProfile* profile = m_oOwner.Services().m_p_oProfile;
    if (profile == nullptr)
        return {};
    if (!selection.empty())
        return profile->OpenEntry(selection.front().m_oEntryId);
    return m_nFolder < m_vFolders.size() ? profile->OpenEntry(m_vFolders[m_nFolder].m_oEntryId) : com_ptr<IMAPIProp>();
}

std::vector<CItemRow> CExplorer::SiteSelection()
{
    std::vector<CItemRow> selection;
    for (int row = -1; (row = static_cast<int>(
                            SendMessageA(m_hList, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0;)
        if (static_cast<size_t>(row) < m_vItems.size())
            selection.push_back(m_vItems[static_cast<size_t>(row)]);
    return selection;
}

bool CExplorer::ShowFolder(const std::string& p_sName)
{
    for (size_t i = 0; i < m_vFolders.size() && i < m_vTreeItems.size(); ++i)
        if (SameText(m_vFolders[i].m_sName, p_sName))
            return SendMessageA(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(m_vTreeItems[i])) != 0;
    return false;
}

bool CExplorer::ViewShowFolder(const CEntryId& p_oFolder)
{
    for (size_t i = 0; i < m_vFolders.size() && i < m_vTreeItems.size(); ++i)
        if (m_vFolders[i].m_oEntryId == p_oFolder)
            return SendMessageA(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(m_vTreeItems[i])) != 0;
    return false;
}

bool CExplorer::Select(const std::vector<int>& p_vRows)
{
    for (const int row : p_vRows)
        if (row < 0 || static_cast<size_t>(row) >= m_vItems.size())
            return false;
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    (void)SendMessageA(m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    for (const int row : p_vRows)
    {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        (void)SendMessageA(m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    }
    return true;
}

bool CExplorer::ClickMenu(const std::string& p_sText)
{
    UINT command = 0;
    HMENU bar = GetMenu(m_hWnd);
    if (bar == nullptr || !FindMenuText(bar, p_sText, command))
        return false;
    // As a user opening the menu and choosing the item: the menu initialises first.
    (void)SendMessageA(m_hWnd, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    return PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(command, 0), 0) != 0;
}

bool CExplorer::ClickButton(const std::string& p_sText)
{
    const int count = static_cast<int>(SendMessageA(m_hToolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        TBBUTTON button{};
        if (!SendMessageA(m_hToolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button)))
            continue;
        char text[256] = {};
        const auto length = SendMessageA(m_hToolbar, TB_GETBUTTONTEXTA, static_cast<WPARAM>(button.idCommand),
                                         reinterpret_cast<LPARAM>(text));
        std::string name = length > 0 && length < 256 ? std::string(text) : std::string();
        if (name.empty() && Extensions() != nullptr)
            name = Extensions()->HelpText(static_cast<UINT>(button.idCommand), exchext::kHelpTooltipText);
        if (SameText(PlainText(name.c_str()), p_sText))
            return PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(button.idCommand, BN_CLICKED),
                                reinterpret_cast<LPARAM>(m_hToolbar)) != 0;
    }
    return false;
}

std::string CExplorer::DumpMenus() const
{
    std::string text;
    HMENU bar = GetMenu(m_hWnd);
    if (bar != nullptr)
        DumpMenu(bar, 0, text);
    return text;
}
} // namespace olstandin
