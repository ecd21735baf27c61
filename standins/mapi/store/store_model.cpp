// standins/mapi/store/store_model.cpp: the in-memory store: named-property ids, stores by uid,
// the standard folders every store has, the default store file, lookups in the folder tree.
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_text.h"

#include <cstdio>
#include <mutex>
#include <unordered_map>

namespace mapistore
{
namespace
{
const char kHex[] = "0123456789ABCDEF";
} // namespace

CBytes MakeGuid(uint32_t p_ulData1)
{
    // {XXXXXXXX-0000-0000-C000-000000000046}, in memory order (Data1 little-endian).
    CBytes g(16, 0);
    for (int i = 0; i < 4; ++i)
        g[i] = static_cast<uint8_t>(p_ulData1 >> (8 * i));
    g[8] = 0xC0;
    g[15] = 0x46;
    return g;
}

std::string ToHex(const CBytes& p_b)
{
    std::string s;
    s.reserve(p_b.size() * 2);
    for (uint8_t c : p_b)
    {
        s += kHex[c >> 4];
        s += kHex[c & 15];
    }
    return s;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool FromHex(const std::string& p_s, CBytes& p_b)
{
    if (p_s.size() % 2 != 0 || p_s.size() / 2 > kMaxBinary)
        return false;
    CBytes out(p_s.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
    {
        const int hi = HexDigit(p_s[2 * i]), lo = HexDigit(p_s[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    p_b = std::move(out);
    return true;
}

std::string HexTag(uint32_t p_ul)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", p_ul);
    return buf;
}

CBytes GuidPublicStrings()
{
    return MakeGuid(0x00020329);
}
CBytes GuidAddress()
{
    return MakeGuid(0x00062004);
}
CBytes GuidCommon()
{
    return MakeGuid(0x00062008);
}
CBytes GuidAppointment()
{
    return MakeGuid(0x00062002);
}
CBytes GuidTask()
{
    return MakeGuid(0x00062003);
}

CBytes PublicStoreProvider()
{
    return {0x78, 0xB2, 0xFA, 0x70, 0xAF, 0xF7, 0x11, 0xCD, 0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A};
}

CBytes GuidSeedLinks()
{
    return {0xD1, 0xEE, 0xA5, 0xB7, 0x0A, 0x0C, 0x1D, 0x4B, 0x8E, 0x55, 0x5E, 0xED, 0x11, 0xAB, 0x00, 0x01};
}

std::string GuidToText(const CBytes& p_g)
{
    if (p_g.size() != 16)
        return {};
    char buf[48];
    std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", p_g[3],
                  p_g[2], p_g[1], p_g[0], p_g[5], p_g[4], p_g[7], p_g[6], p_g[8], p_g[9], p_g[10], p_g[11], p_g[12],
                  p_g[13], p_g[14], p_g[15]);
    return buf;
}

bool TextToGuid(const std::string& p_s, CBytes& p_g)
{
    if (p_s.size() != 38 || p_s[0] != '{' || p_s[37] != '}' || p_s[9] != '-' || p_s[14] != '-' || p_s[19] != '-' ||
        p_s[24] != '-')
        return false;
    std::string hex;
    for (size_t i = 1; i < 37; ++i)
        if (p_s[i] != '-')
            hex += p_s[i];
    CBytes b;
    if (hex.size() != 32 || !FromHex(hex, b))
        return false;
    // Data1, Data2 and Data3 are little-endian in memory.
    p_g = {b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
    return true;
}

uint32_t CStoreFile::IdOfName(const CNamedProp& p_name, bool p_bCreate)
{
    for (size_t i = 0; i < m_vNames.size(); ++i)
        if (m_vNames[i] == p_name)
            return static_cast<uint32_t>(kFirstNamedId + i);
    if (!p_bCreate || kFirstNamedId + m_vNames.size() > kLastNamedId)
        return 0;
    m_vNames.push_back(p_name);
    return static_cast<uint32_t>(kFirstNamedId + m_vNames.size() - 1);
}

const CNamedProp* CStoreFile::NameOfId(uint32_t p_ulId) const
{
    if (p_ulId < kFirstNamedId || p_ulId - kFirstNamedId >= m_vNames.size())
        return nullptr;
    return &m_vNames[p_ulId - kFirstNamedId];
}

CStore* CStoreFile::DefaultStore()
{
    for (auto& s : m_vStores)
        if (s.m_bDefault)
            return &s;
    return nullptr;
}

CStore* CStoreFile::StoreByUid(const CBytes& p_uid)
{
    for (auto& s : m_vStores)
        if (s.m_uid == p_uid)
            return &s;
    return nullptr;
}

namespace
{
CFolder& EnsureChild(CFolder& p_parent, CStoreFile& p_file, const char* p_szRole, const char* p_szName,
                     const char* p_szClass)
{
    for (auto& c : p_parent.m_vFolders)
        if (c->m_sRole == p_szRole)
            return *c;
    // A seed may give a standard folder by name only; it takes the role.
    for (auto& c : p_parent.m_vFolders)
        if (c->m_sRole.empty() && GetString(c->m_props, tag::DisplayName) == p_szName)
        {
            c->m_sRole = p_szRole;
            if (p_szClass && !FindProp(c->m_props, tag::ContainerClass))
                SetProp(c->m_props, CPropValue::String(tag::ContainerClass, p_szClass));
            return *c;
        }
    auto f = std::make_unique<CFolder>();
    f->m_uId = p_file.NewId();
    f->m_sRole = p_szRole;
    SetProp(f->m_props, CPropValue::String(tag::DisplayName, p_szName));
    if (p_szClass)
        SetProp(f->m_props, CPropValue::String(tag::ContainerClass, p_szClass));
    p_parent.m_vFolders.push_back(std::move(f));
    return *p_parent.m_vFolders.back();
}
} // namespace

void EnsureStandardFolders(CStoreFile& p_file, bool p_bReminders)
{
    for (auto& s : p_file.m_vStores)
    {
        if (s.m_root.m_uId == 0)
            s.m_root.m_uId = p_file.NewId();
        s.m_root.m_sRole = "root";
        CFolder& ipm = EnsureChild(s.m_root, p_file, "ipm_subtree", "Top of Personal Folders", nullptr);
        if (!s.m_bDefault)
            continue;
        EnsureChild(ipm, p_file, "deleted", "Deleted Items", "IPF.Note");
        EnsureChild(ipm, p_file, "inbox", "Inbox", "IPF.Note");
        EnsureChild(ipm, p_file, "outbox", "Outbox", "IPF.Note");
        EnsureChild(ipm, p_file, "sent", "Sent Items", "IPF.Note");
        EnsureChild(ipm, p_file, "drafts", "Drafts", "IPF.Note");
        EnsureChild(ipm, p_file, "contacts", "Contacts", "IPF.Contact");
        EnsureChild(ipm, p_file, "calendar", "Calendar", "IPF.Appointment");
        EnsureChild(ipm, p_file, "tasks", "Tasks", "IPF.Task");
        CFolder& finder = EnsureChild(s.m_root, p_file, "finder", "Finder", nullptr);
        if (p_bReminders)
        {
            bool bHas = false;
            for (auto& c : finder.m_vFolders)
                bHas = bHas || c->m_sRole == "reminders";
            if (!bHas)
            {
                CFolder& rem = EnsureChild(finder, p_file, "reminders", "Reminders", "Outlook.Reminder");
                rem.m_bSearch = true;
                // Items whose reminder is set (PidLidReminderSet in the common property set).
                CRestriction r;
                r.m_kind = CRestriction::Property;
                r.m_ulRelop = kRelopEQ;
                r.m_ulPropTag = MakeTag(kPtBoolean, p_file.IdOfName(CNamedProp{GuidCommon(), false, 0x8503, {}}, true));
                r.m_value = CPropValue::Long(r.m_ulPropTag, 1);
                rem.m_searchRestriction = r;
                rem.m_vSearchFolders = {ipm.m_uId};
                rem.m_ulSearchFlags = 0x4; // RECURSIVE_SEARCH
            }
        }
    }
}

CStoreFile MakeDefaultStoreFile()
{
    CStoreFile file;
    CStore personal;
    personal.m_uid = CBytes(16, 0);
    personal.m_uid[0] = 0xB7;
    personal.m_uid[15] = 1;
    personal.m_bDefault = true;
    SetProp(personal.m_props, CPropValue::String(tag::DisplayName, "Personal Folders"));
    CStore archive;
    archive.m_uid = personal.m_uid;
    archive.m_uid[15] = 2;
    SetProp(archive.m_props, CPropValue::String(tag::DisplayName, "Archive Folders"));
    file.m_vStores.push_back(std::move(personal));
    file.m_vStores.push_back(std::move(archive));
    EnsureStandardFolders(file, true);
    return file;
}

CFolder* FindFolder(CFolder& p_root, uint32_t p_uId)
{
    if (p_root.m_uId == p_uId)
        return &p_root;
    for (auto& c : p_root.m_vFolders)
        if (CFolder* f = FindFolder(*c, p_uId))
            return f;
    return nullptr;
}

CFolder* FindFolderByRole(CFolder& p_root, const std::string& p_sRole)
{
    if (p_root.m_sRole == p_sRole)
        return &p_root;
    for (auto& c : p_root.m_vFolders)
        if (CFolder* f = FindFolderByRole(*c, p_sRole))
            return f;
    return nullptr;
}

CFolder* FindParent(CFolder& p_root, uint32_t p_uId)
{
    for (auto& c : p_root.m_vFolders)
    {
        if (c->m_uId == p_uId)
            return &p_root;
        if (CFolder* f = FindParent(*c, p_uId))
            return f;
    }
    for (const auto& item : p_root.m_vItems)
        if (item.m_uId == p_uId)
            return &p_root;
    return nullptr;
}

// Item ids are looked up for every message a client opens: a walk of the whole store each time
// made a pass over a folder's messages quadratic. The locations are found by one walk and kept;
// a location that no longer holds (an item moved, deleted or added since) makes the walk again.
struct CItemLocations
{
    std::mutex m_lock;
    std::unordered_map<uint32_t, std::pair<uint32_t, size_t>> m_mapLocations; // id -> folder id, index
};

namespace
{
void CollectItemLocations(CFolder& p_folder, std::unordered_map<uint32_t, std::pair<uint32_t, size_t>>& p_map)
{
    for (size_t i = 0; i < p_folder.m_vItems.size(); ++i)
        p_map.emplace(p_folder.m_vItems[i].m_uId, std::make_pair(p_folder.m_uId, i));
    for (auto& c : p_folder.m_vFolders)
        CollectItemLocations(*c, p_map);
}

CItemRef KnownLocation(CFolder& p_root, CItemLocations& p_cache, uint32_t p_uId)
{
    const auto it = p_cache.m_mapLocations.find(p_uId);
    if (it == p_cache.m_mapLocations.end())
        return {};
    CFolder* f = it->second.first == p_root.m_uId ? &p_root : FindFolder(p_root, it->second.first);
    if (!f || it->second.second >= f->m_vItems.size() || f->m_vItems[it->second.second].m_uId != p_uId)
        return {};
    return {f, it->second.second};
}
} // namespace

CItemRef FindItem(CFolder& p_root, uint32_t p_uId)
{
    if (!p_root.m_pItemLocations)
        p_root.m_pItemLocations = std::make_shared<CItemLocations>();
    CItemLocations& cache = *p_root.m_pItemLocations;
    const std::lock_guard<std::mutex> lock(cache.m_lock);
    if (CItemRef ref = KnownLocation(p_root, cache, p_uId); ref.m_pFolder)
        return ref;
    cache.m_mapLocations.clear();
    CollectItemLocations(p_root, cache.m_mapLocations);
    return KnownLocation(p_root, cache, p_uId);
}

CAbEntry* FindAbEntry(CStoreFile& p_file, uint32_t p_uId)
{
    for (auto& e : p_file.m_vAddressBook)
        if (e.m_uId == p_uId)
            return &e;
    return nullptr;
}
} // namespace mapistore
