// standins/oe/store/dbx_file.h: the stand-in's store files: "Folders.dbx" with its folder records in
// the indexed tree, the per-folder ".dbx" files and the version 4 ".mbx" files (portable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oestore
{
// Offsets every reader of the files relies on.
constexpr size_t kValueCountOffset = 0xCC;
constexpr size_t kRootNodeOffset = 0xEC;
constexpr size_t kNextMessageOffset = 0x5C;
constexpr size_t kMbxNextMessageOffset = 8;
constexpr size_t kNodeSize = 0x27C;
constexpr size_t kNodeEntries = 51;
constexpr size_t kFileHeaderSize = 0x24BC;

// Field ids of a folder record; only the file name and the special type are read by others.
constexpr uint8_t kFieldFolderId = 0;
constexpr uint8_t kFieldParentId = 1;
constexpr uint8_t kFieldName = 2;
constexpr uint8_t kFieldFileName = 3;
constexpr uint8_t kFieldSpecial = 9;

// Special-folder types; 0 is a folder the user created.
enum ESpecialFolder : uint32_t
{
    kSpecialNone = 0,
    kSpecialInbox = 1,
    kSpecialOutbox = 2,
    kSpecialSentItems = 3,
    kSpecialDeletedItems = 4,
    kSpecialDrafts = 5,
};

struct CFolderRecord
{
    uint32_t m_nId = 0;
    uint32_t m_nParentId = 0;
    std::string m_sName;
    std::string m_sFileName;
    uint32_t m_nSpecial = kSpecialNone;
};

enum class EDbxRead
{
    Ok,
    Truncated,
    WrongMarker,
    WrongParent,
    WrongEntries,
    WrongCount,
    IndexTooBig,
    TooDeep,
};

// Inbox, Outbox, Sent Items, Deleted Items and Drafts under Local Folders (id 0), ids from 1.
std::vector<CFolderRecord> DefaultFolders();
// A folder the user created under Local Folders, with the next free id and "<name>.dbx".
CFolderRecord NewUserFolder(const std::vector<CFolderRecord>& p_vFolders, const std::string& p_sName);

// The bytes of "Folders.dbx" holding the records in tree order.
std::vector<uint8_t> BuildFoldersFile(const std::vector<CFolderRecord>& p_vFolders);
// The bytes of a folder file that holds no messages yet.
std::vector<uint8_t> BuildFolderFile(uint32_t p_nNextMessage);
std::vector<uint8_t> BuildMbxFile(uint32_t p_nNextMessage);

// The folder records of a "Folders.dbx"; every offset and length is checked against the bytes.
[[nodiscard]] EDbxRead ReadFoldersFile(const std::vector<uint8_t>& p_vBytes, std::vector<CFolderRecord>& p_vFolders);
const char* DbxReadText(EDbxRead p_eResult);
} // namespace oestore
