// standins/oe/oe_store_win.h: the store folder on disk: created with the standard folders on the
// first start, read back on later ones.
#pragma once

#include "standins/oe/store/dbx_file.h"

#include <string>
#include <vector>

namespace oestandin
{
// Makes sure p_sFolder holds a store for the version and gives its folders. Existing files are
// never overwritten: a "Folders.dbx" that cannot be read is left as it is and the standard
// folders are shown instead.
[[nodiscard]] bool OpenStore(int p_iMajor, const std::string& p_sFolder,
                             std::vector<oestore::CFolderRecord>& p_vFolders);

enum class EAddFolder
{
    Added,
    BadName,
    Exists,
    NoParent,
    Failed,
};

// Adds a folder below the folder p_nParentId (0: Local Folders) to the store of version 5 or later,
// creating the store first when needed. Folder names are unique in a store, whatever their case,
// as each names its own file.
[[nodiscard]] EAddFolder AddStoreFolderUnder(const std::string& p_sFolder, const std::string& p_sName,
                                             uint32_t p_nParentId);
// The same under Local Folders; true when it was added.
[[nodiscard]] bool AddStoreFolder(const std::string& p_sFolder, const std::string& p_sName);
} // namespace oestandin
