// standins/mapi/store/store_write.cpp: writes the store model as its JSON file.
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_text.h"

#include <nlohmann/json.hpp>

using json = nlohmann::json;

namespace mapistore
{
namespace
{
json ScalarJson(uint32_t p_ulType, int64_t p_i, double p_d, const std::string& p_s, const CBytes& p_b)
{
    switch (p_ulType)
    {
    case kPtBoolean:
        return p_i != 0;
    case kPtDouble:
        return p_d;
    case kPtString8:
    case kPtUnicode:
        return p_s;
    case kPtSysTime:
        return FileTimeToIso(p_i);
    case kPtClsid:
        return GuidToText(p_b);
    case kPtBinary:
        return ToHex(p_b);
    default:
        return p_i;
    }
}

json ValueJson(const CPropValue& p_v)
{
    const uint32_t t = PropType(p_v.m_ulTag);
    if ((t & kMvFlag) == 0)
        return ScalarJson(t, p_v.m_iValue, p_v.m_dValue, p_v.m_sValue, p_v.m_bValue);
    const uint32_t base = t & ~kMvFlag;
    json a = json::array();
    if (IsStringType(base))
        for (const auto& s : p_v.m_mvsValue)
            a.push_back(s);
    else if (base == kPtBinary || base == kPtClsid)
        for (const auto& b : p_v.m_mvbValue)
            a.push_back(ScalarJson(base, 0, 0, {}, b));
    else if (base == kPtDouble)
        for (double d : p_v.m_mvdValue)
            a.push_back(d);
    else
        for (int64_t i : p_v.m_mviValue)
            a.push_back(ScalarJson(base, i, 0, {}, {}));
    return a;
}

json PropsJson(const CPropList& p_props, const CStoreFile& p_file, bool p_bDirectory = false)
{
    json a = json::array();
    for (const CPropValue& v : p_props)
    {
        json p;
        if (PropId(v.m_ulTag) >= kFirstNamedId && !p_bDirectory)
        {
            const CNamedProp* name = p_file.NameOfId(PropId(v.m_ulTag));
            if (!name)
                continue; // an id nobody named cannot be written back meaningfully
            p["guid"] = GuidToText(name->m_guid);
            if (name->m_bString)
                p["name"] = name->m_sName;
            else
                p["lid"] = name->m_ulLid;
            p["type"] = HexTag(PropType(v.m_ulTag)).substr(6).insert(0, "0x");
        }
        else
            p["tag"] = HexTag(v.m_ulTag);
        p["value"] = ValueJson(v);
        a.push_back(std::move(p));
    }
    return a;
}

json RestrictionJson(const CRestriction& p_r)
{
    json j;
    switch (p_r.m_kind)
    {
    case CRestriction::And:
    case CRestriction::Or:
    case CRestriction::Not:
        j["kind"] = p_r.m_kind == CRestriction::And ? "and" : (p_r.m_kind == CRestriction::Or ? "or" : "not");
        j["terms"] = json::array();
        for (const auto& c : p_r.m_children)
            j["terms"].push_back(RestrictionJson(c));
        break;
    case CRestriction::Exist:
        j["kind"] = "exist";
        j["tag"] = HexTag(p_r.m_ulPropTag);
        break;
    case CRestriction::Property:
        j["kind"] = "property";
        j["tag"] = HexTag(p_r.m_ulPropTag);
        j["relop"] = p_r.m_ulRelop;
        j["value"] = ValueJson(p_r.m_value);
        break;
    case CRestriction::Content:
        j["kind"] = "content";
        j["tag"] = HexTag(p_r.m_ulPropTag);
        j["fuzzy"] = p_r.m_ulFuzzy;
        j["value"] = ValueJson(p_r.m_value);
        break;
    case CRestriction::BitMask:
        j["kind"] = "bitmask";
        j["tag"] = HexTag(p_r.m_ulPropTag);
        j["mask"] = p_r.m_ulMask;
        j["relop"] = p_r.m_ulRelop;
        break;
    case CRestriction::CompareProps:
        // Not persisted: search criteria from callers use the kinds above.
        j["kind"] = "and";
        j["terms"] = json::array();
        break;
    }
    return j;
}

json NameJson(const CNamedProp& p_n)
{
    json jn{{"guid", GuidToText(p_n.m_guid)}};
    if (p_n.m_bString)
        jn["name"] = p_n.m_sName;
    else
        jn["lid"] = p_n.m_ulLid;
    return jn;
}

json ItemJson(const CItem& p_item, const CStoreFile& p_file)
{
    json ji;
    ji["id"] = p_item.m_uId;
    ji["props"] = PropsJson(p_item.m_props, p_file);
    if (!p_item.m_vRecipients.empty())
    {
        ji["recipients"] = json::array();
        for (const auto& r : p_item.m_vRecipients)
            ji["recipients"].push_back(json{{"props", PropsJson(r, p_file)}});
    }
    if (!p_item.m_vAttachments.empty())
    {
        ji["attachments"] = json::array();
        for (const auto& a : p_item.m_vAttachments)
            ji["attachments"].push_back(json{{"props", PropsJson(a, p_file)}});
    }
    return ji;
}

json FolderJson(const CFolder& p_f, const CStoreFile& p_file)
{
    json j;
    j["id"] = p_f.m_uId;
    if (!p_f.m_sRole.empty())
        j["role"] = p_f.m_sRole;
    j["props"] = PropsJson(p_f.m_props, p_file);
    if (p_f.m_bSearch)
    {
        json s;
        if (p_f.m_searchRestriction)
            s["restriction"] = RestrictionJson(*p_f.m_searchRestriction);
        s["folders"] = p_f.m_vSearchFolders;
        s["flags"] = p_f.m_ulSearchFlags;
        j["search"] = std::move(s);
    }
    json messages = json::array(), associated = json::array();
    for (const CItem& item : p_f.m_vItems)
        (item.m_bAssociated ? associated : messages).push_back(ItemJson(item, p_file));
    j["messages"] = std::move(messages);
    if (!associated.empty())
        j["associated"] = std::move(associated);
    j["folders"] = json::array();
    for (const auto& child : p_f.m_vFolders)
        j["folders"].push_back(FolderJson(*child, p_file));
    return j;
}
} // namespace

std::string SaveStoreFile(const CStoreFile& p_file)
{
    json j;
    j["profile"] = p_file.m_sProfile;
    j["nextId"] = p_file.m_uNextId;
    j["reminders"] = p_file.m_bReminders;
    j["names"] = json::array();
    for (const auto& n : p_file.m_vNames)
        j["names"].push_back(NameJson(n));
    j["stores"] = json::array();
    for (const auto& s : p_file.m_vStores)
        j["stores"].push_back(json{{"uid", ToHex(s.m_uid)},
                                   {"default", s.m_bDefault},
                                   {"props", PropsJson(s.m_props, p_file)},
                                   {"root", FolderJson(s.m_root, p_file)}});
    j["addressBook"] = json::array();
    for (const auto& e : p_file.m_vAddressBook)
        j["addressBook"].push_back(json{{"id", e.m_uId},
                                        {"container", e.m_sContainer},
                                        {"distList", e.m_bDistList},
                                        {"props", PropsJson(e.m_props, p_file, true)},
                                        {"members", e.m_vMembers}});
    return j.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

namespace
{
// The part every journal record has: the next id and the names from p_nNamesFrom.
json IdsJson(const CStoreFile& p_file, size_t p_nNamesFrom)
{
    json j;
    j["nextId"] = p_file.m_uNextId;
    j["namesFrom"] = p_nNamesFrom;
    j["names"] = json::array();
    for (size_t i = p_nNamesFrom; i < p_file.m_vNames.size(); ++i)
        j["names"].push_back(NameJson(p_file.m_vNames[i]));
    return j;
}
} // namespace

std::string JournalRecordPayload(const CStoreFile& p_file, const CStore& p_store, uint32_t p_uFolder,
                                 const CItem& p_item, size_t p_nNamesFrom)
{
    json j = IdsJson(p_file, p_nNamesFrom);
    j["store"] = ToHex(p_store.m_uid);
    j["folder"] = p_uFolder;
    j["associated"] = p_item.m_bAssociated;
    j["item"] = ItemJson(p_item, p_file);
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string IdsRecordPayload(const CStoreFile& p_file, size_t p_nNamesFrom)
{
    json j = IdsJson(p_file, p_nNamesFrom);
    j["kind"] = "ids";
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}
} // namespace mapistore
