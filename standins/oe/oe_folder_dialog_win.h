// standins/oe/oe_folder_dialog_win.h: the "Create Folder" dialog: a "#32770" with the folder name
// ("Edit", id IDC_FOLDER_NAME), the tree of folders to create it in ("SysTreeView32",
// IDC_FOLDER_TREE), OK and Cancel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace oestandin
{
// Shows the dialog over the browser (versions 5 and later) with the folder selected in the browser
// as the parent. OK adds the folder to "Folders.dbx" with its own file, and the browser's tree
// shows it; a name that is empty, holds a path character or exists already is refused with a
// message and the dialog stays. True when a folder was created.
[[nodiscard]] bool CreateFolderDialog();
// A dialog's tree of folders to choose from: "Local Folders" (item data 0) and the store's folders
// below their parents (item data their id), the folder p_nSelected selected.
void FillFolderChoiceTree(HWND p_hTree, uint32_t p_nSelected);
// The id of the folder chosen in such a tree; 0 for "Local Folders" or no choice.
uint32_t ChosenFolderId(HWND p_hTree);
// The same owned by p_hOwner with the folder p_nParent (0: Local Folders) as the proposed parent,
// as the folder picker's "New Folder..." opens it.
[[nodiscard]] bool CreateFolderDialogUnder(HWND p_hOwner, uint32_t p_nParent);
} // namespace oestandin
