// standins/mapi/store/store_file.h: the stand-in's whole message store (stores, folder trees,
// items, recipients, attachments, address-book entries, named-property map) and its JSON file.
// The file is outside input (tests and seeds write it): the reader checks every field and depth
// and reports the first fault instead of guessing.
#pragma once

#include "standins/mapi/store/prop_value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mapistore
{
// A named property: a property set GUID (16 bytes, in memory order) with a numeric id or a name.
struct CNamedProp
{
    CBytes m_guid;
    bool m_bString = false;
    uint32_t m_ulLid = 0;
    std::string m_sName;
    bool operator==(const CNamedProp&) const = default;
};
// Named properties get ids from this base upward, in the order they were first asked for.
constexpr uint32_t kFirstNamedId = 0x8000;
constexpr uint32_t kLastNamedId = 0xFFFE;

struct CItem
{
    uint32_t m_uId = 0;
    bool m_bAssociated = false;
    CPropList m_props;
    std::vector<CPropList> m_vRecipients;  // each carries PR_ROWID
    std::vector<CPropList> m_vAttachments; // each carries PR_ATTACH_NUM
};

struct CFolderIndex;   // folder_index.h
struct CItemLocations; // store_model.cpp: FindItem's cache

struct CFolder
{
    uint32_t m_uId = 0;
    // What the folder is to the store: "root", "ipm_subtree", "inbox", "outbox", "sent",
    // "deleted", "drafts", "contacts", "calendar", "tasks", "finder", "reminders", or empty.
    std::string m_sRole;
    CPropList m_props;
    std::vector<std::unique_ptr<CFolder>> m_vFolders;
    std::vector<CItem> m_vItems;
    // A search folder: its criteria and the folders it searches.
    bool m_bSearch = false;
    std::optional<CRestriction> m_searchRestriction;
    std::vector<uint32_t> m_vSearchFolders;
    uint32_t m_ulSearchFlags = 0;
    // The contents tables' shared rows and orders (folder_index.h), and what changes with the items.
    std::shared_ptr<CFolderIndex> m_pIndex;
    uint64_t m_uStamp = 0;
    // Of a store's root: where each item was last found; every use checks it still holds.
    std::shared_ptr<CItemLocations> m_pItemLocations;
};

struct CStore
{
    CBytes m_uid; // 16 bytes, the provider part of every entry id of this store
    bool m_bDefault = false;
    CPropList m_props; // PR_DISPLAY_NAME and any others the file gives
    CFolder m_root;
};

struct CAbEntry
{
    uint32_t m_uId = 0;
    std::string m_sContainer; // "gal" or "pab"
    bool m_bDistList = false;
    CPropList m_props;
    std::vector<uint32_t> m_vMembers; // ids of other entries (distribution lists)
};

struct CStoreFile
{
    std::string m_sProfile = "Outlook";
    std::vector<CStore> m_vStores;
    std::vector<CNamedProp> m_vNames;
    std::vector<CAbEntry> m_vAddressBook;
    uint32_t m_uNextId = 1;
    // False when the file leaves out the "Reminders" search folder ("reminders": false); kept
    // on save so a store seeded without it stays without it.
    bool m_bReminders = true;

    uint32_t NewId()
    {
        return m_uNextId++;
    }
    // The property id of a named property; with p_bCreate a new one is assigned. 0 if none.
    uint32_t IdOfName(const CNamedProp& p_name, bool p_bCreate);
    const CNamedProp* NameOfId(uint32_t p_ulId) const;
    CStore* DefaultStore();
    CStore* StoreByUid(const CBytes& p_uid);
};

// The well-known property sets.
CBytes GuidPublicStrings(); // {00020329-0000-0000-C000-000000000046}
CBytes GuidAddress();       // {00062004-0000-0000-C000-000000000046}
CBytes GuidCommon();        // {00062008-...}
CBytes GuidAppointment();   // {00062002-...}
CBytes GuidTask();          // {00062003-...}
// The provider uid (PR_MDB_PROVIDER) of a public-folders store, {70FAB278-F7AF-CD11-9BC8-00AA002FC45A}
// as its bytes are published: 78 B2 FA 70 AF F7 11 CD 9B C8 00 AA 00 2F C4 5A.
CBytes PublicStoreProvider();
// What a seed names instead of giving entry ids ("members" of a contact list, "email1Gal" of a
// contact) is kept in two string properties of this set until the provider links it on loading.
CBytes GuidSeedLinks(); // {B7A5EED1-0C0A-4B1D-8E55-5EED11AB0001}
constexpr char kSeedMembers[] = "SeedMembers", kSeedEmail1Gal[] = "SeedEmail1Gal";
std::string GuidToText(const CBytes& p_guid);
[[nodiscard]] bool TextToGuid(const std::string& p_s, CBytes& p_guid);

// Tags the store relies on (MAPI numbers).
namespace tag
{
constexpr uint32_t DisplayName = MakeTag(kPtUnicode, 0x3001);
constexpr uint32_t ContainerClass = MakeTag(kPtUnicode, 0x3613);
constexpr uint32_t MessageClass = MakeTag(kPtUnicode, 0x001A);
constexpr uint32_t Subject = MakeTag(kPtUnicode, 0x0037);
constexpr uint32_t Body = MakeTag(kPtUnicode, 0x1000);
constexpr uint32_t RtfCompressed = MakeTag(kPtBinary, 0x1009);
constexpr uint32_t EmailAddress = MakeTag(kPtUnicode, 0x3003);
constexpr uint32_t AddrType = MakeTag(kPtUnicode, 0x3002);
constexpr uint32_t SmtpAddress = MakeTag(kPtUnicode, 0x39FE);
constexpr uint32_t RecipientType = MakeTag(kPtLong, 0x0C15);
constexpr uint32_t RowId = MakeTag(kPtLong, 0x3000);
constexpr uint32_t AttachNum = MakeTag(kPtLong, 0x0E21);
constexpr uint32_t AttachDataBin = MakeTag(kPtBinary, 0x3701);
constexpr uint32_t AttachLongFilename = MakeTag(kPtUnicode, 0x3707);
constexpr uint32_t AttachFilename = MakeTag(kPtUnicode, 0x3704);
constexpr uint32_t AttachMethod = MakeTag(kPtLong, 0x3705);
constexpr uint32_t AttachMimeTag = MakeTag(kPtUnicode, 0x370E);
constexpr uint32_t MessageFlags = MakeTag(kPtLong, 0x0E07);
constexpr uint32_t DeleteAfterSubmit = MakeTag(kPtBoolean, 0x0E01);
constexpr uint32_t SentMailEntryId = MakeTag(kPtBinary, 0x0E0A);
constexpr uint32_t ClientSubmitTime = MakeTag(kPtSysTime, 0x0039);
constexpr uint32_t DeliveryTime = MakeTag(kPtSysTime, 0x0E06);
constexpr uint32_t SenderName = MakeTag(kPtUnicode, 0x0C1A);
constexpr uint32_t SenderEmail = MakeTag(kPtUnicode, 0x0C1F);
constexpr uint32_t DefPostMsgClass = MakeTag(kPtUnicode, 0x36E5);
constexpr uint32_t GivenName = MakeTag(kPtUnicode, 0x3A06);
constexpr uint32_t Surname = MakeTag(kPtUnicode, 0x3A11);
constexpr uint32_t Mobile = MakeTag(kPtUnicode, 0x3A1C);
constexpr uint32_t ProxyAddresses = MakeTag(kPtUnicode | kMvFlag, 0x800F);
constexpr uint32_t InternetMessageId = MakeTag(kPtUnicode, 0x1035);
constexpr uint32_t MdbProvider = MakeTag(kPtBinary, 0x3414);
} // namespace tag

// Message flags (PR_MESSAGE_FLAGS) the spooler and delivery set.
constexpr int64_t kMsgFlagRead = 0x1, kMsgFlagUnmodified = 0x2, kMsgFlagSubmit = 0x4, kMsgFlagUnsent = 0x8,
                  kMsgFlagFromMe = 0x20, kMsgFlagAssociated = 0x40;

// Reads a store file. On failure p_sError names the first fault ("stores[0].root.folders[2]:
// ...") and p_file is left as it was.
[[nodiscard]] bool LoadStoreFile(const std::string& p_sText, CStoreFile& p_file, std::string& p_sError);
std::string SaveStoreFile(const CStoreFile& p_file);

// The binary snapshot (store_snapshot.cpp): the same store in a form that loads a million items
// in seconds, with the folders' kept sort orders. Every count, length and index in it is checked
// when read, as in the JSON file.
bool IsStoreSnapshot(const std::string& p_sBytes);
[[nodiscard]] bool LoadStoreSnapshot(const std::string& p_sBytes, CStoreFile& p_file, std::string& p_sError);
std::string SaveStoreSnapshot(const CStoreFile& p_file);
// Either form, told apart by the snapshot's signature; a JSON file with the journal of saved messages
// that follows it (store_journal.h), whose records that do not fit p_pnSkipped counts.
[[nodiscard]] bool LoadStoreAny(const std::string& p_sBytes, CStoreFile& p_file, std::string& p_sError,
                                size_t* p_pnSkipped = nullptr);

// Gives every default store the standard folders it lacks (IPM subtree with Inbox, Outbox, Sent
// Items, Deleted Items, Drafts, Contacts, Calendar, Tasks; the search root and, unless
// p_bReminders is false, its "Reminders" search folder) and every store a root and IPM subtree.
void EnsureStandardFolders(CStoreFile& p_file, bool p_bReminders);
// What an absent store file stands for: one default store "Personal Folders" with the standard
// folders and one non-default "Archive Folders", empty address book.
CStoreFile MakeDefaultStoreFile();

// Lookups by object id within a store (the folder tree is small; a walk is fine).
CFolder* FindFolder(CFolder& p_root, uint32_t p_uId);
CFolder* FindFolderByRole(CFolder& p_root, const std::string& p_sRole);
CFolder* FindParent(CFolder& p_root, uint32_t p_uId);
struct CItemRef
{
    CFolder* m_pFolder = nullptr;
    size_t m_nIndex = 0;
    CItem* Item() const
    {
        return m_pFolder ? &m_pFolder->m_vItems[m_nIndex] : nullptr;
    }
};
CItemRef FindItem(CFolder& p_root, uint32_t p_uId);
CAbEntry* FindAbEntry(CStoreFile& p_file, uint32_t p_uId);
} // namespace mapistore
