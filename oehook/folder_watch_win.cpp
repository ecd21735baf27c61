// oehook/folder_watch_win.cpp: the folder tree's standard folders, the "Sent SMSs" column layout and
// the identity events.
#include "oehook/folder_watch_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "oehook/column_layout.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/new_mail_trigger_win.h"
#include "oehook/subclass_win.h"

#include <string>

namespace
{
constexpr const char* kSentSMSFolder = "Sent SMSs";
constexpr const char* kStandardFolders[] = {"Outlook Express", "Local Folders", "Inbox",  "Outbox",
                                            "Sent Items",      "Deleted Items", "Drafts", kSentSMSFolder};

// Walks the tree once for the standard folders and remembers "Sent SMSs".
void FindStandardFolders(HWND p_hTree)
{
    WalkTree(p_hTree, [p_hTree](HTREEITEM p_hItem) {
        const std::string text = TreeItemText(p_hTree, p_hItem);
        for (const char* folder : kStandardFolders)
            if (text == folder)
                Log("Found %s %s", folder, text.c_str());
        // Version 4 names the Inbox's file after the folder.
        if (text == "Inbox")
            InboxFileNameFound(text);
        if (text == kSentSMSFolder)
            g_oShared.m_hSentSMSItem = p_hItem;
        return false;
    });
}

LRESULT CALLBACK IdentityProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    static const UINT s_nChanged = RegisterWindowMessageA("WM_IDENTITY_CHANGED");
    static const UINT s_nQuery = RegisterWindowMessageA("WM_QUERY_IDENTITY_CHANGE");
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (p_nMsg == s_nChanged && s_nChanged != 0)
    {
        InboxIdentityChanged();
        SignalNamedEvent("OEIdentityChangedEvent");
    }
    else if (p_nMsg == s_nQuery && s_nQuery != 0)
        SignalNamedEvent("OEQueryIdentityChangeEvent");
    return result;
}
} // namespace

std::string TreeItemText(HWND p_hTree, HTREEITEM p_hItem)
{
    char text[256] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = p_hItem;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (p_hItem == nullptr || !SendMessageA(p_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return std::string();
    return text;
}

HTREEITEM FindTreeItem(HWND p_hTree, const std::string& p_sText)
{
    return WalkTree(p_hTree, [&](HTREEITEM p_hItem) { return TreeItemText(p_hTree, p_hItem) == p_sText; });
}

void FolderSelected(HWND p_hTree, HTREEITEM p_hItem)
{
    if (g_oShared.m_hSentSMSItem == nullptr)
        FindStandardFolders(p_hTree);
    const std::string key = ClientSettingsKey();
    if (key.empty())
        return;
    CColumnLayout columns(SystemRegistry(), key + "\\Columns", Process().m_iMajor);
    const bool sentSMS = TreeItemText(p_hTree, p_hItem) == kSentSMSFolder;
    g_oShared.m_bSentSMSShown = sentSMS ? 1 : 0;
    if (sentSMS)
    {
        if (!columns.SwapIn())
            LOG_FAILURE("the SMS columns could not be swapped in");
    }
    else if (!columns.SwapBack())
        LOG_FAILURE("the columns could not be swapped back");
}

bool ColumnsWatchWanted()
{
    return g_oShared.m_bSentSMSShown != 0;
}

bool OnColumnsDialogInit(HWND p_hDialog)
{
    if (!ColumnsWatchWanted() || ControlText(p_hDialog) != "Columns")
        return false;
    Log("SubclassColumnsWindow\n");
    return true;
}

void OnColumnsDialogDestroy(HWND p_hDialog)
{
    if (!ColumnsWatchWanted() || ControlText(p_hDialog) != "Columns" || g_oShared.m_hBrowser == nullptr)
        return;
    // The client writes the layout the user chose once its dialog has returned: the copy is taken
    // after that, from the browser's queue.
    PostMessageA(g_oShared.m_hBrowser, ColumnsChangedMessage(), 0, 0);
}

UINT ColumnsChangedMessage()
{
    static const UINT s_nMessage = RegisterWindowMessageA("Latchkit.ColumnsChanged");
    return s_nMessage;
}

void StoreSMSColumns()
{
    const std::string key = ClientSettingsKey();
    if (!ColumnsWatchWanted() || key.empty())
        return;
    CColumnLayout columns(SystemRegistry(), key + "\\Columns", Process().m_iMajor);
    if (!columns.StoreCurrentAsSMS())
        LOG_FAILURE("the SMS columns the user chose could not be stored");
}

void RecogniseIdentityNotify(HWND p_hWnd)
{
    if (!SubclassWindow(p_hWnd, IdentityProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
}
