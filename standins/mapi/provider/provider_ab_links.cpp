// standins/mapi/provider/provider_ab_links.cpp: links what a seed named instead of giving entry ids:
// a contact list's members become its member and one-off member properties, and "email1Gal" makes a
// contact's Email1 the Exchange address of a GAL entry with that entry's id as its original entry id.
#include "standins/mapi/provider/provider_ab.h"
#include "standins/mapi/provider/provider_store_objects.h"

#include <sstream>

namespace mapiprov
{
namespace
{
std::vector<std::string> Split(const std::string& p_s)
{
    std::vector<std::string> parts;
    std::istringstream in(p_s);
    for (std::string part; std::getline(in, part, '\t');)
        parts.push_back(part);
    return parts;
}

class CLinker
{
  public:
    explicit CLinker(ms::CStoreFile& p_file) : m_file(p_file)
    {
        m_ulMembers = p_file.IdOfName({ms::GuidSeedLinks(), true, 0, ms::kSeedMembers}, false);
        m_ulEmail1Gal = p_file.IdOfName({ms::GuidSeedLinks(), true, 0, ms::kSeedEmail1Gal}, false);
    }
    // Email1 links first: a list's one-off of a contact member carries the contact's address.
    bool Run(std::string& p_sError)
    {
        if (m_ulMembers == 0 && m_ulEmail1Gal == 0)
            return true;
        for (bool bLists : {false, true})
            for (auto& s : m_file.m_vStores)
                if (!Walk(s, s.m_root, bLists, p_sError))
                    return false;
        return true;
    }

  private:
    bool Walk(ms::CStore& p_s, ms::CFolder& p_f, bool p_bLists, std::string& p_sError)
    {
        for (auto& item : p_f.m_vItems)
        {
            const uint32_t id = p_bLists ? m_ulMembers : m_ulEmail1Gal;
            const ms::CPropValue* v = id ? ms::FindProp(item.m_props, PROP_TAG(PT_UNSPECIFIED, id)) : nullptr;
            if (!v)
                continue;
            const ms::CPropValue seed = *v;
            (void)ms::DeleteProp(item.m_props, seed.m_ulTag);
            const std::string where =
                "item " + std::to_string(item.m_uId) + " (" + ms::GetString(item.m_props, PR_DISPLAY_NAME) + "): ";
            if (!(p_bLists ? LinkMembers(p_s, item, seed.m_mvsValue, p_sError)
                           : LinkEmail1(item, seed.m_sValue, p_sError)))
            {
                p_sError = where + p_sError;
                return false;
            }
        }
        for (auto& child : p_f.m_vFolders)
            if (!Walk(p_s, *child, p_bLists, p_sError))
                return false;
        return true;
    }

    const ms::CAbEntry* Gal(const std::string& p_sName, std::string& p_sError)
    {
        for (const auto& e : m_file.m_vAddressBook)
            if (e.m_sContainer == "gal" && ms::GetString(e.m_props, PR_DISPLAY_NAME) == p_sName)
                return &e;
        p_sError = "no GAL entry '" + p_sName + "'";
        return nullptr;
    }

    // The one item of p_s of class p_szClass named p_sName.
    ms::CItem* Named(ms::CFolder& p_f, const char* p_szClass, const std::string& p_sName, int& p_iFound)
    {
        ms::CItem* hit = nullptr;
        for (auto& item : p_f.m_vItems)
            if (!item.m_bAssociated && ms::GetString(item.m_props, PR_MESSAGE_CLASS) == p_szClass &&
                ms::GetString(item.m_props, PR_DISPLAY_NAME, ms::GetString(item.m_props, PR_SUBJECT)) == p_sName)
            {
                hit = &item;
                ++p_iFound;
            }
        for (auto& child : p_f.m_vFolders)
            if (ms::CItem* h = Named(*child, p_szClass, p_sName, p_iFound))
                hit = h;
        return hit;
    }

    bool LinkEmail1(ms::CItem& p_item, const std::string& p_sGal, std::string& p_sError)
    {
        const ms::CAbEntry* e = Gal(p_sGal, p_sError);
        if (!e)
            return false;
        const std::string name = ms::GetString(e->m_props, PR_DISPLAY_NAME);
        // Email1: display name 0x8080, address type 0x8082, address 0x8083, original display
        // name 0x8084, original entry id 0x8085.
        ms::SetProp(p_item.m_props, Str(PROP_TAG(PT_UNICODE, AddressNamedId(0x8080)), name));
        ms::SetProp(p_item.m_props, Str(PROP_TAG(PT_UNICODE, AddressNamedId(0x8082)), "EX"));
        ms::SetProp(p_item.m_props,
                    Str(PROP_TAG(PT_UNICODE, AddressNamedId(0x8083)), ms::GetString(e->m_props, PR_EMAIL_ADDRESS)));
        ms::SetProp(p_item.m_props, Str(PROP_TAG(PT_UNICODE, AddressNamedId(0x8084)), name));
        ms::SetProp(p_item.m_props,
                    Bin(PROP_TAG(PT_BINARY, AddressNamedId(0x8085)), MakeEntryId(AbUid(), kKindAbEntry, e->m_uId)));
        return true;
    }

    // One member: its entry id and the one-off kept beside it.
    bool Member(ms::CStore& p_s, const std::vector<std::string>& p_parts, ms::CBytes& p_eid, ms::CBytes& p_oneOff,
                std::string& p_sError)
    {
        const std::string& kind = p_parts[0];
        COneOff o;
        if (kind == "oneOff" && p_parts.size() == 4)
        {
            o = {p_parts[1], p_parts[2], p_parts[3]};
            p_eid = p_oneOff = OneOffEntryId(o);
            return true;
        }
        if (kind == "gal" && p_parts.size() == 2)
        {
            const ms::CAbEntry* e = Gal(p_parts[1], p_sError);
            if (!e)
                return false;
            p_eid =
                WrapEntryId(e->m_bDistList ? kWrapGalList : kWrapGalUser, MakeEntryId(AbUid(), kKindAbEntry, e->m_uId));
            const ms::CPropList props = AbEntryProps(*e);
            p_oneOff =
                OneOffEntryId({p_parts[1], ms::GetString(props, PR_ADDRTYPE), ms::GetString(props, PR_EMAIL_ADDRESS)});
            return true;
        }
        const bool bContact = kind == "contact" && p_parts.size() == 3;
        if (!bContact && !(kind == "list" && p_parts.size() == 2))
        {
            p_sError = "bad member";
            return false;
        }
        int found = 0;
        ms::CItem* item = Named(p_s.m_root, bContact ? "IPM.Contact" : "IPM.DistList", p_parts[1], found);
        if (found != 1)
        {
            p_sError = std::string(found ? "more than one " : "no ") + kind + " '" + p_parts[1] + "' in its store";
            return false;
        }
        const ms::CBytes msg = MessageEntryId(p_s, item->m_uId);
        if (!bContact)
        {
            p_eid = WrapEntryId(kWrapDistList, msg);
            p_oneOff = OneOffEntryId({p_parts[1], "MAPIPDL", p_parts[1]});
            return true;
        }
        const ULONG slot = static_cast<ULONG>(std::stoul(p_parts[2]));
        const std::optional<ms::CPropList> row = ContactSlotProps(p_s, *item, slot);
        if (!row)
        {
            p_sError = "contact '" + p_parts[1] + "' has no Email" + std::to_string(slot + 1);
            return false;
        }
        p_eid = WrapEntryId(kWrapContact, msg, slot);
        p_oneOff = OneOffEntryId({p_parts[1], ms::GetString(*row, PR_ADDRTYPE), ms::GetString(*row, PR_EMAIL_ADDRESS)});
        return true;
    }

    bool LinkMembers(ms::CStore& p_s, ms::CItem& p_list, const std::vector<std::string>& p_members,
                     std::string& p_sError)
    {
        ms::CPropValue members, oneOffs;
        members.m_ulTag = PROP_TAG(PT_MV_BINARY, AddressNamedId(kLidDlMembers));
        oneOffs.m_ulTag = PROP_TAG(PT_MV_BINARY, AddressNamedId(kLidDlOneOffMembers));
        for (const auto& m : p_members)
        {
            const std::vector<std::string> parts = Split(m);
            ms::CBytes eid, oneOff;
            if (parts.empty() || !Member(p_s, parts, eid, oneOff, p_sError))
                return false;
            members.m_mvbValue.push_back(std::move(eid));
            oneOffs.m_mvbValue.push_back(std::move(oneOff));
        }
        ms::SetProp(p_list.m_props, std::move(members));
        ms::SetProp(p_list.m_props, std::move(oneOffs));
        ms::SetProp(p_list.m_props, Str(PROP_TAG(PT_UNICODE, AddressNamedId(kLidDlName)),
                                        ms::GetString(p_list.m_props, PR_DISPLAY_NAME)));
        return true;
    }

    ms::CStoreFile& m_file;
    uint32_t m_ulMembers = 0, m_ulEmail1Gal = 0;
};
} // namespace

bool LinkSeedReferences(ms::CStoreFile& p_file, std::string& p_sError)
{
    return CLinker(p_file).Run(p_sError);
}
} // namespace mapiprov
