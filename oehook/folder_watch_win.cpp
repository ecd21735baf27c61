// oehook/folder_watch_win.cpp: the folder tree's standard folders, the "Sent SMSs" column layout and
// the identity events.
#include "oehook/folder_watch_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "oehook/column_layout.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/subclass_win.h"

#include <string>

namespace
{
constexpr const char* kSentSMSFolder = "Sent SMSs";
constexpr const char* kStandardFolders[] = {"Outlook Express", "Local Folders", "Inbox",  "Outbox",
                                            "Sent Items",      "Deleted Items", "Drafts", kSentSMSFolder};

std::string ItemText(HWND p_hTree, HTREEITEM p_hItem)
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

HTREEITEM Next(HWND p_hTree, HTREEITEM p_hItem, UINT p_nWhich)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(p_hTree, TVM_GETNEXTITEM, p_nWhich, reinterpret_cast<LPARAM>(p_hItem)));
}

// Walks the tree once for the standard folders and remembers "Sent SMSs".
void FindStandardFolders(HWND p_hTree)
{
    std::vector<HTREEITEM> pending = {Next(p_hTree, nullptr, TVGN_ROOT)};
    while (!pending.empty())
    {
        const HTREEITEM item = pending.back();
        pending.pop_back();
        if (item == nullptr)
            continue;
        const std::string text = ItemText(p_hTree, item);
        for (const char* folder : kStandardFolders)
            if (text == folder)
                Log("Found %s %s", folder, text.c_str());
        if (text == kSentSMSFolder)
            g_oShared.m_hSentSMSItem = item;
        pending.push_back(Next(p_hTree, item, TVGN_NEXT));
        pending.push_back(Next(p_hTree, item, TVGN_CHILD));
    }
}

LRESULT CALLBACK IdentityProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    static const UINT s_nChanged = RegisterWindowMessageA("WM_IDENTITY_CHANGED");
    static const UINT s_nQuery = RegisterWindowMessageA("WM_QUERY_IDENTITY_CHANGE");
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (p_nMsg == s_nChanged && s_nChanged != 0)
        SignalNamedEvent("OEIdentityChangedEvent");
    else if (p_nMsg == s_nQuery && s_nQuery != 0)
        SignalNamedEvent("OEQueryIdentityChangeEvent");
    return result;
}
} // namespace

void FolderSelected(HWND p_hTree, HTREEITEM p_hItem)
{
    if (g_oShared.m_hSentSMSItem == nullptr)
        FindStandardFolders(p_hTree);
    const std::string key = ClientSettingsKey();
    if (key.empty())
        return;
    CColumnLayout columns(SystemRegistry(), key + "\\Columns", Process().m_iMajor);
    if (ItemText(p_hTree, p_hItem) == kSentSMSFolder)
    {
        if (!columns.SwapIn())
            LOG_FAILURE("the SMS columns could not be swapped in");
    }
    else if (!columns.SwapBack())
        LOG_FAILURE("the columns could not be swapped back");
}

void RecogniseIdentityNotify(HWND p_hWnd)
{
    if (!SubclassWindow(p_hWnd, IdentityProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
}
