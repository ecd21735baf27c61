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
constexpr size_t kMbxHeaderSize = 16;
constexpr size_t kMbxRecordHeader = 12;

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

// Field ids of a message record in a folder file.
constexpr uint8_t kFieldMessageId = 0;
constexpr uint8_t kFieldMessageFlags = 1;
constexpr uint8_t kFieldMessageText = 4;
// Message flags; a message without kMessageRead is unread.
constexpr uint32_t kMessageRead = 0x80;
// The data area's offsets have 24 bits: a message text must stay below this.
constexpr size_t kMaxStoredText = 0xFFFF00;

struct CStoredMessage
{
    uint32_t m_nId = 0;
    uint32_t m_nFlags = 0;
    // The whole message as RFC 5322 text.
    std::string m_sText;
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
// The bytes of a folder file: its next-message number and its messages in the index tree, in the
// order given. Texts longer than kMaxStoredText must not be passed.
std::vector<uint8_t> BuildFolderFile(uint32_t p_nNextMessage, const std::vector<CStoredMessage>& p_vMessages = {});
// Version 4's ".mbx": a 16-byte header with the next-message number at 8, then each message as its
// number, its flags and its length (32 bits each) and its text.
std::vector<uint8_t> BuildMbxFile(uint32_t p_nNextMessage, const std::vector<CStoredMessage>& p_vMessages = {});
[[nodiscard]] EDbxRead ReadMbxFile(const std::vector<uint8_t>& p_vBytes, uint32_t& p_nNextMessage,
                                   std::vector<CStoredMessage>& p_vMessages);

// The folder records of a "Folders.dbx"; every offset and length is checked against the bytes.
[[nodiscard]] EDbxRead ReadFoldersFile(const std::vector<uint8_t>& p_vBytes, std::vector<CFolderRecord>& p_vFolders);
// A folder file's next-message number and messages, checked as ReadFoldersFile checks.
[[nodiscard]] EDbxRead ReadFolderFile(const std::vector<uint8_t>& p_vBytes, uint32_t& p_nNextMessage,
                                      std::vector<CStoredMessage>& p_vMessages);
const char* DbxReadText(EDbxRead p_eResult);
} // namespace oestore
