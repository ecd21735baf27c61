// oehook/folder_watch_win.h: the folder tree (standard folders, "Sent SMSs" and its column layout)
// and the identity manager's notifications.
#pragma once

#include <windows.h>

#include <commctrl.h>

// A folder of the tree is about to be shown: the SMS column layout goes in for "Sent SMSs" and out
// again for any other folder. Called before Outlook Express handles the selection.
void FolderSelected(HWND p_hTree, HTREEITEM p_hItem);
// The "Identity Mgr Notify" window is being created: identity changes are signalled to the core
// library's monitor through named events.
void RecogniseIdentityNotify(HWND p_hWnd);
