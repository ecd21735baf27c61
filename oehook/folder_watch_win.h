// oehook/folder_watch_win.h: the folder tree (standard folders, "Sent SMSs" and its column layout)
// and the identity manager's notifications.
#pragma once

#include <windows.h>

#include <commctrl.h>

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
