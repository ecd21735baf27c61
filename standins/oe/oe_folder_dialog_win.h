// standins/oe/oe_folder_dialog_win.h: the "Create Folder" dialog: a "#32770" with the folder name
// ("Edit", id IDC_FOLDER_NAME), the tree of folders to create it in ("SysTreeView32",
// IDC_FOLDER_TREE), OK and Cancel.
#pragma once

#include <windows.h>

#include <string>

namespace oestandin
{
// Shows the dialog over the browser (versions 5 and later) with the folder selected in the browser
// as the parent. OK adds the folder to "Folders.dbx" with its own file, and the browser's tree
// shows it; a name that is empty, holds a path character or exists already is refused with a
// message and the dialog stays. True when a folder was created.
[[nodiscard]] bool CreateFolderDialog();
} // namespace oestandin
