// oehook/folder_watch_win.h: the folder tree (standard folders, "Sent SMSs" and its column layout)
// and the identity manager's notifications.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

// Walks a tree view's items depth first, each item before its children and they before its next
// sibling, until p_fnFound(item) answers true; that item, or null when none did. The tree may
// belong to another process: only the item handles are asked for here.
template <typename F> HTREEITEM WalkTree(HWND p_hTree, F p_fnFound)
{
    const auto next = [p_hTree](HTREEITEM p_hItem, WPARAM p_nWhich) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(p_hTree, TVM_GETNEXTITEM, p_nWhich, reinterpret_cast<LPARAM>(p_hItem)));
    };
    std::vector<HTREEITEM> pending = {next(nullptr, TVGN_ROOT)};
    while (!pending.empty())
    {
        const HTREEITEM item = pending.back();
        pending.pop_back();
        if (item == nullptr)
            continue;
        if (p_fnFound(item))
            return item;
        pending.push_back(next(item, TVGN_NEXT));
        pending.push_back(next(item, TVGN_CHILD));
    }
    return nullptr;
}
// The text of an item of a tree view of this process; empty for none.
std::string TreeItemText(HWND p_hTree, HTREEITEM p_hItem);
// The tree's first item (depth first) with the text; null when there is none.
HTREEITEM FindTreeItem(HWND p_hTree, const std::string& p_sText);

// A folder of the tree is about to be shown: the SMS column layout goes in for "Sent SMSs" and out
// again for any other folder. Called before Outlook Express handles the selection.
void FolderSelected(HWND p_hTree, HTREEITEM p_hItem);
// While "Sent SMSs" is shown the client's Columns dialog is watched: the layout the user chooses there
// becomes the SMS layout.
bool ColumnsWatchWanted();
// A watched dialog has initialised: true when it is the Columns dialog.
bool OnColumnsDialogInit(HWND p_hDialog);
// A watched dialog is being destroyed: for the Columns dialog the browser is asked to store the
// layout once the client has written it.
void OnColumnsDialogDestroy(HWND p_hDialog);
// The browser's registered message for that, and what it does.
UINT ColumnsChangedMessage();
void StoreSMSColumns();
// The "Identity Mgr Notify" window is being created: identity changes are signalled to the core
// library's monitor through named events.
void RecogniseIdentityNotify(HWND p_hWnd);
