// standins/oe/oe_browser_win.h: what the browser does with its folders, messages and commands: the
// message list of the folder selected in the tree, the menus, and the commands by id.
#pragma once

#include "standins/oe/oe_profile.h"
#include "standins/oe/store/column_layout.h"
#include "standins/oe/store/dbx_file.h"

#include <windows.h>

#include <string>
#include <vector>

namespace oestandin
{
struct CBrowserState
{
    HINSTANCE m_hInstance = nullptr;
    const COeProfile* m_p_oProfile = nullptr;
    HWND m_hBrowser = nullptr;
    HWND m_hRebar = nullptr;
    HWND m_hMenuBar = nullptr;
    HWND m_hToolbar = nullptr;
    HWND m_hTree = nullptr;
    HWND m_hList = nullptr;
    // File, Edit, View, Tools, Message, Help: the classic menu of version 4, the menu bar's
    // drop-downs from 5 on.
    HMENU m_hMenu = nullptr;
    std::string m_sStoreFolder;
    std::vector<oestore::CFolderRecord> m_vFolders;
    // The list's columns as last read from the identity's layout of the shown folder's kind.
    std::vector<oestore::CListColumn> m_vColumns;
    bool m_bOutgoingFolder = false;
};
CBrowserState& Browser();

HMENU BuildBrowserMenu(const COeProfile& p_oProfile);
// "Outlook Express", "Local Folders" below it, and m_vFolders below their parents; the Inbox selected.
// Each folder item's lParam is its index in m_vFolders plus 1, 0 for the two top items.
void FillFolderTree(HWND p_hTree);
// Reads the store's folders again (after a folder was created, or for another identity's store in
// m_sStoreFolder) and fills the tree anew, keeping the selected folder when it still exists.
void ReloadFolders();
// Shows the menu bar button's drop-down (5 and later) under the button.
void DropMenuBarMenu(int p_iIndex);
// The New menu (File > New) under the toolbar's New-mail button, for its drop-down arrow.
void DropNewMenu(const RECT& p_oButton);
// The rebar's context menu (the list of bars) at a screen point; -1,-1 puts it at the rebar.
void ShowRebarContextMenu(POINT p_oAt);
// Shows or hides the toolbar band; the rebar's height change lays the browser out again.
void ToggleToolbarBand();

// Fills the message list with the messages of the folder at p_nFolder (an index of m_vFolders).
void ShowFolderMessages(size_t p_nFolder);
// The folder selected in the tree; false when none or "Outlook Express"/"Local Folders" is.
[[nodiscard]] bool SelectedFolder(size_t& p_nFolder);
// Selects the tree item or list row whose text (list: subject) is p_sText.
[[nodiscard]] bool SelectFolderByName(const std::string& p_sName);
[[nodiscard]] bool SelectMessageBySubject(const std::string& p_sSubject);

// The profile's commands and the stand-in's own; false for an id the browser does not know.
bool RunBrowserCommand(UINT p_nCommand);

// Opens the selected row's message in a note.
void OpenSelectedMessage();
// Shows the selected folder's messages again (after mail arrived or was sent).
void RefreshMessages();

// Reads an ".eml" file and opens it in a note.
[[nodiscard]] bool OpenMessageFile(const std::string& p_sPath);

// A menu item (path "File\Save As...", "&" and the accelerator part ignored) or a toolbar button
// of the browser by its text; posts its command to the browser.
[[nodiscard]] bool ClickByText(const std::string& p_sPath);
} // namespace oestandin
