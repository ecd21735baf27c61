// standins/oe/oe_mailstore_win.h: messages in the store's folder files, shared by msimn.exe and the
// Simple MAPI library: every change runs under one named mutex, so both processes can write.
#pragma once

#include "standins/oe/store/dbx_file.h"

#include <functional>
#include <string>
#include <vector>

namespace oestandin
{
struct CFolderContents
{
    uint32_t m_nNext = 0;
    std::vector<oestore::CStoredMessage> m_vMessages;
};

// The file of a special folder (oestore::kSpecialInbox ...): named by "Folders.dbx" for 5 and
// later, "<name>.mbx" for 4. False when the store has no such folder.
[[nodiscard]] bool SpecialFolderFile(int p_iMajor, const std::string& p_sStoreFolder, uint32_t p_nSpecial,
                                     std::string& p_sPath);

[[nodiscard]] bool ReadFolderContents(int p_iMajor, const std::string& p_sPath, CFolderContents& p_oContents);

// Reads the folder file, lets p_fnChange change its contents and writes them back when it returns
// true, all under the store's lock. The file is rewritten in place, so readers that keep it open
// for reading never block a change.
[[nodiscard]] bool ChangeFolder(int p_iMajor, const std::string& p_sPath,
                                const std::function<bool(CFolderContents&)>& p_fnChange);

// Adds a message under the folder's next-message number (given back in p_nId) and moves the number on.
[[nodiscard]] bool StoreMessage(int p_iMajor, const std::string& p_sStoreFolder, uint32_t p_nSpecial,
                                const std::string& p_sText, uint32_t p_nFlags, uint32_t& p_nId);
} // namespace oestandin
