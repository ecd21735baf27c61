// standins/mapi/store/store_read.cpp: reads the store file: every field, type and depth is
// checked, and the first fault is reported with where it is.
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_text.h"

#include <nlohmann/json.hpp>

#include <set>
#include <stdexcept>

using json = nlohmann::json;

namespace mapistore
{
namespace
{
constexpr int kMaxDepth = 32;         // folder nesting and restriction nesting
constexpr size_t kMaxValues = 100000; // multi-valued entries, folders, recipients, ...

// A fault in the file, with where it is.
struct CBadFile : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& p_sWhere, const std::string& p_sWhat)
{
    throw CBadFile(p_sWhere + ": " + p_sWhat);
}

struct CTypeName
{
    const char* m_szName;
    uint32_t m_ulType;
};
const CTypeName kTypeNames[] = {
    {"PT_I2", kPtI2},
    {"PT_LONG", kPtLong},
    {"PT_DOUBLE", kPtDouble},
    {"PT_BOOLEAN", kPtBoolean},
    {"PT_I8", kPtI8},
    {"PT_STRING8", kPtString8},
    {"PT_UNICODE", kPtUnicode},
    {"PT_SYSTIME", kPtSysTime},
    {"PT_CLSID", kPtClsid},
    {"PT_BINARY", kPtBinary},
    {"PT_MV_I2", kPtI2 | kMvFlag},
    {"PT_MV_LONG", kPtLong | kMvFlag},
    {"PT_MV_DOUBLE", kPtDouble | kMvFlag},
    {"PT_MV_I8", kPtI8 | kMvFlag},
    {"PT_MV_STRING8", kPtString8 | kMvFlag},
    {"PT_MV_UNICODE", kPtUnicode | kMvFlag},
    {"PT_MV_SYSTIME", kPtSysTime | kMvFlag},
    {"PT_MV_CLSID", kPtClsid | kMvFlag},
    {"PT_MV_BINARY", kPtBinary | kMvFlag},
};

// Tag names a seed may use instead of numbers.
struct CTagName
{
    const char* m_szName;
    uint32_t m_ulTag;
};
const CTagName kTagNames[] = {
    {"PR_DISPLAY_NAME", tag::DisplayName},
    {"PR_SUBJECT", tag::Subject},
    {"PR_MESSAGE_CLASS", tag::MessageClass},
    {"PR_BODY", tag::Body},
    {"PR_EMAIL_ADDRESS", tag::EmailAddress},
    {"PR_ADDRTYPE", tag::AddrType},
    {"PR_SMTP_ADDRESS", tag::SmtpAddress},
    {"PR_RECIPIENT_TYPE", tag::RecipientType},
    {"PR_ATTACH_LONG_FILENAME", tag::AttachLongFilename},
    {"PR_ATTACH_FILENAME", tag::AttachFilename},
    {"PR_ATTACH_DATA_BIN", tag::AttachDataBin},
    {"PR_ATTACH_METHOD", tag::AttachMethod},
    {"PR_MESSAGE_FLAGS", tag::MessageFlags},
    {"PR_CLIENT_SUBMIT_TIME", tag::ClientSubmitTime},
    {"PR_MESSAGE_DELIVERY_TIME", tag::DeliveryTime},
    {"PR_SENDER_NAME", tag::SenderName},
    {"PR_SENDER_EMAIL_ADDRESS", tag::SenderEmail},
    {"PR_CONTAINER_CLASS", tag::ContainerClass},
    {"PR_DEF_POST_MSGCLASS", tag::DefPostMsgClass},
    {"PR_GIVEN_NAME", tag::GivenName},
    {"PR_SURNAME", tag::Surname},
    {"PR_MOBILE_TELEPHONE_NUMBER", tag::Mobile},
    {"PR_EMS_AB_PROXY_ADDRESSES", tag::ProxyAddresses},
    {"PR_DELETE_AFTER_SUBMIT", tag::DeleteAfterSubmit},
    {"PR_COMPANY_NAME", MakeTag(kPtUnicode, 0x3A16)},
    {"PR_BUSINESS_TELEPHONE_NUMBER", MakeTag(kPtUnicode, 0x3A08)},
    {"PR_HOME_TELEPHONE_NUMBER", MakeTag(kPtUnicode, 0x3A09)},
    {"PR_IMPORTANCE", MakeTag(kPtLong, 0x0017)},
    {"PR_ACCOUNT", MakeTag(kPtUnicode, 0x3A00)},
    {"PR_MDB_PROVIDER", tag::MdbProvider},
};

const CTagName kGuidNames[] = {
    {"PS_PUBLIC_STRINGS", 0x00020329},  {"PSETID_Address", 0x00062004}, {"PSETID_Common", 0x00062008},
    {"PSETID_Appointment", 0x00062002}, {"PSETID_Task", 0x00062003},
};

uint32_t ParseNumber(const json& p_j, const std::string& p_sWhere)
{
    if (p_j.is_number_unsigned() && p_j.get<uint64_t>() <= 0xFFFFFFFFu)
        return static_cast<uint32_t>(p_j.get<uint64_t>());
    if (p_j.is_string())
    {
        const std::string s = p_j.get<std::string>();
        if (s.size() > 2 && s.size() <= 10 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        {
            uint32_t v = 0;
            for (size_t i = 2; i < s.size(); ++i)
            {
                const int d = HexDigit(s[i]);
                if (d < 0)
                    Fail(p_sWhere, "bad hex number '" + s + "'");
                v = v << 4 | static_cast<uint32_t>(d);
            }
            return v;
        }
        Fail(p_sWhere, "bad number '" + s + "'");
    }
    Fail(p_sWhere, "expected a number or a 0x... string");
}

uint32_t ParseType(const json& p_j, const std::string& p_sWhere)
{
    if (p_j.is_string())
        for (const auto& t : kTypeNames)
            if (p_j.get<std::string>() == t.m_szName)
                return t.m_ulType;
    const uint32_t t = ParseNumber(p_j, p_sWhere);
    if (t > 0xFFFF || !IsStorableType(t))
        Fail(p_sWhere, "unsupported property type");
    return t;
}

CBytes ParseGuid(const json& p_j, const std::string& p_sWhere)
{
    if (!p_j.is_string())
        Fail(p_sWhere, "a GUID is a string");
    const std::string s = p_j.get<std::string>();
    for (const auto& g : kGuidNames)
        if (s == g.m_szName)
            return MakeGuid(g.m_ulTag);
    CBytes guid;
    if (!TextToGuid(s, guid))
        Fail(p_sWhere, "bad GUID '" + s + "'");
    return guid;
}

const std::string& Str(const json& p_j, const std::string& p_sWhere)
{
    if (!p_j.is_string())
        Fail(p_sWhere, "expected a string");
    return p_j.get_ref<const std::string&>();
}

const json& Array(const json& p_j, const std::string& p_sWhere, size_t p_nMax = kMaxValues)
{
    if (!p_j.is_array())
        Fail(p_sWhere, "expected an array");
    if (p_j.size() > p_nMax)
        Fail(p_sWhere, "too many entries");
    return p_j;
}

void ParseScalar(uint32_t p_ulType, const json& p_j, CPropValue& p_v, int64_t& p_i, double& p_d, std::string& p_s,
                 CBytes& p_b, const std::string& p_sWhere)
{
    (void)p_v;
    switch (p_ulType)
    {
    case kPtI2:
    case kPtLong:
    case kPtI8:
        if (!p_j.is_number_integer())
            Fail(p_sWhere, "expected an integer");
        p_i = p_j.get<int64_t>();
        if (p_ulType == kPtI2 && (p_i < -32768 || p_i > 65535))
            Fail(p_sWhere, "PT_I2 out of range");
        if (p_ulType == kPtLong && (p_i < INT32_MIN || p_i > static_cast<int64_t>(UINT32_MAX)))
            Fail(p_sWhere, "PT_LONG out of range");
        return;
    case kPtBoolean:
        if (!p_j.is_boolean())
            Fail(p_sWhere, "expected true or false");
        p_i = p_j.get<bool>() ? 1 : 0;
        return;
    case kPtDouble:
        if (!p_j.is_number())
            Fail(p_sWhere, "expected a number");
        p_d = p_j.get<double>();
        return;
    case kPtString8:
    case kPtUnicode:
        p_s = Str(p_j, p_sWhere);
        return;
    case kPtSysTime:
        if (!IsoToFileTime(Str(p_j, p_sWhere), p_i))
            Fail(p_sWhere, "expected a time as YYYY-MM-DDThh:mm:ssZ");
        return;
    case kPtClsid:
        p_b = ParseGuid(p_j, p_sWhere);
        return;
    case kPtBinary:
        if (!FromHex(Str(p_j, p_sWhere), p_b))
            Fail(p_sWhere, "expected hex bytes");
        return;
    default:
        Fail(p_sWhere, "unsupported property type");
    }
}

CPropValue ParseValue(uint32_t p_ulTag, const json& p_j, const std::string& p_sWhere)
{
    CPropValue v;
    v.m_ulTag = p_ulTag;
    const uint32_t t = PropType(p_ulTag);
    if ((t & kMvFlag) == 0)
    {
        ParseScalar(t, p_j, v, v.m_iValue, v.m_dValue, v.m_sValue, v.m_bValue, p_sWhere);
        return v;
    }
    const json& a = Array(p_j, p_sWhere);
    const uint32_t base = t & ~kMvFlag;
    for (size_t i = 0; i < a.size(); ++i)
    {
        int64_t iv = 0;
        double dv = 0;
        std::string sv;
        CBytes bv;
        ParseScalar(base, a[i], v, iv, dv, sv, bv, p_sWhere + "[" + std::to_string(i) + "]");
        if (IsStringType(base))
            v.m_mvsValue.push_back(std::move(sv));
        else if (base == kPtBinary || base == kPtClsid)
            v.m_mvbValue.push_back(std::move(bv));
        else if (base == kPtDouble)
            v.m_mvdValue.push_back(dv);
        else
            v.m_mviValue.push_back(iv);
    }
    return v;
}

class CReader
{
  public:
    explicit CReader(CStoreFile& p_file) : m_file(p_file)
    {
    }

    // Address-book entries carry fixed directory properties above 0x8000 (PR_EMS_AB_*), which
    // are not named: p_bDirectory allows them as plain tags.
    CPropList Props(const json& p_j, const std::string& p_sWhere, bool p_bDirectory = false)
    {
        CPropList props;
        if (p_j.is_null())
            return props;
        const json& a = Array(p_j, p_sWhere);
        for (size_t i = 0; i < a.size(); ++i)
        {
            const std::string where = p_sWhere + "[" + std::to_string(i) + "]";
            const json& p = a[i];
            if (!p.is_object() || !p.contains("value"))
                Fail(where, "a property is an object with a value");
            uint32_t ulTag = 0;
            if (p.contains("guid"))
            {
                CNamedProp name;
                name.m_guid = ParseGuid(p["guid"], where + ".guid");
                if (p.contains("name"))
                {
                    name.m_bString = true;
                    name.m_sName = Str(p["name"], where + ".name");
                    if (name.m_sName.empty())
                        Fail(where, "empty property name");
                }
                else if (p.contains("lid"))
                    name.m_ulLid = ParseNumber(p["lid"], where + ".lid");
                else
                    Fail(where, "a named property has a lid or a name");
                if (!p.contains("type"))
                    Fail(where, "a named property has a type");
                const uint32_t t = ParseType(p["type"], where + ".type");
                const uint32_t id = m_file.IdOfName(name, true);
                if (id == 0)
                    Fail(where, "too many named properties");
                ulTag = MakeTag(t, id);
            }
            else if (p.contains("tag"))
            {
                const json& jt = p["tag"];
                bool bNamed = false;
                if (jt.is_string())
                    for (const auto& n : kTagNames)
                        if (jt.get<std::string>() == n.m_szName)
                        {
                            ulTag = n.m_ulTag;
                            bNamed = true;
                        }
                if (!bNamed)
                    ulTag = ParseNumber(jt, where + ".tag");
                if (PropId(ulTag) == 0 || (PropId(ulTag) >= kFirstNamedId && !p_bDirectory))
                    Fail(where, "property ids from 0x8000 up are named: give guid and lid or name");
                if (p.contains("type"))
                    ulTag = MakeTag(ParseType(p["type"], where + ".type"), PropId(ulTag));
                if (!IsStorableType(PropType(ulTag)))
                    Fail(where, "unsupported property type");
            }
            else
                Fail(where, "a property has a tag or a guid");
            if (FindProp(props, MakeTag(kPtUnspecified, PropId(ulTag))))
                Fail(where, "property given twice");
            props.push_back(ParseValue(ulTag, p["value"], where + ".value"));
        }
        return props;
    }

    uint32_t Id(const json& p_j, const std::string& p_sWhere)
    {
        uint32_t id = 0;
        if (p_j.contains("id"))
        {
            id = ParseNumber(p_j["id"], p_sWhere + ".id");
            if (id == 0 || id >= 0x7FFFFFFF)
                Fail(p_sWhere, "object id out of range");
        }
        else
            id = 0; // assigned once all given ids are known
        if (id != 0 && !m_ids.insert(id).second)
            Fail(p_sWhere, "object id " + std::to_string(id) + " used twice");
        return id;
    }

    CRestriction Restriction(const json& p_j, const std::string& p_sWhere, int p_iDepth)
    {
        if (p_iDepth > kMaxDepth)
            Fail(p_sWhere, "restriction nested too deeply");
        if (!p_j.is_object() || !p_j.contains("kind"))
            Fail(p_sWhere, "a restriction is an object with a kind");
        CRestriction r;
        const std::string& kind = Str(p_j["kind"], p_sWhere + ".kind");
        auto children = [&](size_t p_nMin, size_t p_nMax) {
            if (!p_j.contains("terms"))
                Fail(p_sWhere, "missing terms");
            const json& a = Array(p_j["terms"], p_sWhere + ".terms");
            if (a.size() < p_nMin || a.size() > p_nMax)
                Fail(p_sWhere, "wrong number of terms");
            for (size_t i = 0; i < a.size(); ++i)
                r.m_children.push_back(Restriction(a[i], p_sWhere + ".terms[" + std::to_string(i) + "]", p_iDepth + 1));
        };
        auto tagAndValue = [&](bool p_bValue) {
            if (!p_j.contains("tag"))
                Fail(p_sWhere, "missing tag");
            r.m_ulPropTag = ParseNumber(p_j["tag"], p_sWhere + ".tag");
            if (p_bValue)
            {
                if (!p_j.contains("value") || !IsStorableType(PropType(r.m_ulPropTag)))
                    Fail(p_sWhere, "missing value or unsupported type");
                r.m_value = ParseValue(r.m_ulPropTag, p_j["value"], p_sWhere + ".value");
            }
        };
        if (kind == "and" || kind == "or")
        {
            r.m_kind = kind == "and" ? CRestriction::And : CRestriction::Or;
            children(0, kMaxValues);
        }
        else if (kind == "not")
        {
            r.m_kind = CRestriction::Not;
            children(1, 1);
        }
        else if (kind == "exist")
        {
            r.m_kind = CRestriction::Exist;
            tagAndValue(false);
        }
        else if (kind == "property" || kind == "content" || kind == "bitmask")
        {
            r.m_kind = kind == "property" ? CRestriction::Property
                                          : (kind == "content" ? CRestriction::Content : CRestriction::BitMask);
            tagAndValue(kind != "bitmask");
            const char* szOp = kind == "content" ? "fuzzy" : (kind == "bitmask" ? "mask" : "relop");
            if (!p_j.contains(szOp))
                Fail(p_sWhere, std::string("missing ") + szOp);
            const uint32_t op = ParseNumber(p_j[szOp], p_sWhere + "." + szOp);
            if (kind == "content")
                r.m_ulFuzzy = op;
            else if (kind == "bitmask")
            {
                r.m_ulMask = op;
                r.m_ulRelop = p_j.contains("relop") ? ParseNumber(p_j["relop"], p_sWhere + ".relop") : kBmrNez;
            }
            else
            {
                if (op > kRelopRE)
                    Fail(p_sWhere, "bad relop");
                r.m_ulRelop = op;
            }
        }
        else
            Fail(p_sWhere, "unknown restriction kind '" + kind + "'");
        return r;
    }

    void Item(const json& p_j, CItem& p_item, const std::string& p_sWhere)
    {
        if (!p_j.is_object())
            Fail(p_sWhere, "an item is an object");
        p_item.m_uId = Id(p_j, p_sWhere);
        p_item.m_props = Props(p_j.value("props", json()), p_sWhere + ".props");
        if (p_j.contains("members") || p_j.contains("email1Gal"))
            SeedLinks(p_j, p_item, p_sWhere);
        if (p_j.contains("recipients"))
        {
            const json& a = Array(p_j["recipients"], p_sWhere + ".recipients");
            for (size_t i = 0; i < a.size(); ++i)
            {
                const std::string where = p_sWhere + ".recipients[" + std::to_string(i) + "]";
                if (!a[i].is_object())
                    Fail(where, "a recipient is an object");
                CPropList r = Props(a[i].value("props", json()), where + ".props");
                SetProp(r, CPropValue::Long(tag::RowId, static_cast<int64_t>(i)));
                p_item.m_vRecipients.push_back(std::move(r));
            }
        }
        if (p_j.contains("attachments"))
        {
            const json& a = Array(p_j["attachments"], p_sWhere + ".attachments");
            for (size_t i = 0; i < a.size(); ++i)
            {
                const std::string where = p_sWhere + ".attachments[" + std::to_string(i) + "]";
                if (!a[i].is_object())
                    Fail(where, "an attachment is an object");
                CPropList r = Props(a[i].value("props", json()), where + ".props");
                SetProp(r, CPropValue::Long(tag::AttachNum, static_cast<int64_t>(i)));
                p_item.m_vAttachments.push_back(std::move(r));
            }
        }
    }

    // A contact list's "members" (each {"contact": name, "email": 1..3}, {"list": name},
    // {"gal": name} or {"oneOff": name, "address": ..., "type": ...}) and a contact's "email1Gal"
    // (a GAL entry's name), kept as tab-separated text for the provider to link.
    void SeedLinks(const json& p_j, CItem& p_item, const std::string& p_sWhere)
    {
        auto named = [&](const char* p_szName, uint32_t p_ulType) {
            const uint32_t id = m_file.IdOfName({GuidSeedLinks(), true, 0, p_szName}, true);
            if (id == 0)
                Fail(p_sWhere, "too many named properties");
            return MakeTag(p_ulType, id);
        };
        if (p_j.contains("email1Gal"))
            SetProp(p_item.m_props, CPropValue::String(named(kSeedEmail1Gal, kPtUnicode),
                                                       Str(p_j["email1Gal"], p_sWhere + ".email1Gal")));
        if (!p_j.contains("members"))
            return;
        const json& a = Array(p_j["members"], p_sWhere + ".members");
        CPropValue v;
        v.m_ulTag = named(kSeedMembers, kPtUnicode | kMvFlag);
        for (size_t i = 0; i < a.size(); ++i)
        {
            const std::string where = p_sWhere + ".members[" + std::to_string(i) + "]";
            const json& m = a[i];
            if (!m.is_object())
                Fail(where, "a member is an object");
            std::string text;
            for (const char* szKind : {"contact", "list", "gal", "oneOff"})
                if (m.contains(szKind))
                {
                    if (!text.empty())
                        Fail(where, "a member is one of contact, list, gal or oneOff");
                    text = std::string(szKind) + "\t" + Str(m[szKind], where + "." + szKind);
                }
            if (text.empty())
                Fail(where, "a member is one of contact, list, gal or oneOff");
            if (m.contains("contact"))
            {
                const uint32_t email = m.contains("email") ? ParseNumber(m["email"], where + ".email") : 1;
                if (email < 1 || email > 3)
                    Fail(where, "email is 1, 2 or 3");
                text += "\t" + std::to_string(email - 1);
            }
            else if (m.contains("oneOff"))
            {
                if (!m.contains("address"))
                    Fail(where, "a one-off member has an address");
                text += "\t" + (m.contains("type") ? Str(m["type"], where + ".type") : std::string("SMTP")) + "\t" +
                        Str(m["address"], where + ".address");
            }
            v.m_mvsValue.push_back(std::move(text));
        }
        SetProp(p_item.m_props, std::move(v));
    }

    void Folder(const json& p_j, CFolder& p_f, const std::string& p_sWhere, int p_iDepth)
    {
        if (p_iDepth > kMaxDepth)
            Fail(p_sWhere, "folders nested too deeply");
        if (!p_j.is_object())
            Fail(p_sWhere, "a folder is an object");
        p_f.m_uId = Id(p_j, p_sWhere);
        p_f.m_props = Props(p_j.value("props", json()), p_sWhere + ".props");
        if (p_j.contains("name"))
            SetProp(p_f.m_props, CPropValue::String(tag::DisplayName, Str(p_j["name"], p_sWhere + ".name")));
        if (p_j.contains("class"))
            SetProp(p_f.m_props, CPropValue::String(tag::ContainerClass, Str(p_j["class"], p_sWhere + ".class")));
        if (p_j.contains("role"))
            p_f.m_sRole = Str(p_j["role"], p_sWhere + ".role");
        if (p_j.contains("search"))
        {
            const json& s = p_j["search"];
            const std::string where = p_sWhere + ".search";
            if (!s.is_object())
                Fail(where, "search criteria are an object");
            p_f.m_bSearch = true;
            if (s.contains("restriction"))
                p_f.m_searchRestriction = Restriction(s["restriction"], where + ".restriction", 0);
            if (s.contains("folders"))
            {
                const json& a = Array(s["folders"], where + ".folders");
                for (size_t i = 0; i < a.size(); ++i)
                    p_f.m_vSearchFolders.push_back(ParseNumber(a[i], where + ".folders"));
            }
            if (s.contains("flags"))
                p_f.m_ulSearchFlags = ParseNumber(s["flags"], where + ".flags");
        }
        for (const char* szList : {"messages", "associated"})
            if (p_j.contains(szList))
            {
                const json& a = Array(p_j[szList], p_sWhere + "." + szList, kMaxFolderItems);
                for (size_t i = 0; i < a.size(); ++i)
                {
                    CItem item;
                    item.m_bAssociated = std::string(szList) == "associated";
                    Item(a[i], item, p_sWhere + "." + szList + "[" + std::to_string(i) + "]");
                    p_f.m_vItems.push_back(std::move(item));
                }
            }
        if (p_j.contains("folders"))
        {
            const json& a = Array(p_j["folders"], p_sWhere + ".folders");
            for (size_t i = 0; i < a.size(); ++i)
            {
                auto child = std::make_unique<CFolder>();
                Folder(a[i], *child, p_sWhere + ".folders[" + std::to_string(i) + "]", p_iDepth + 1);
                p_f.m_vFolders.push_back(std::move(child));
            }
        }
    }

    std::set<uint32_t> m_ids;

  private:
    CStoreFile& m_file;
};

void AssignIds(CFolder& p_f, CStoreFile& p_file, const std::set<uint32_t>& p_used)
{
    auto next = [&] {
        while (p_used.count(p_file.m_uNextId))
            ++p_file.m_uNextId;
        return p_file.m_uNextId++;
    };
    if (p_f.m_uId == 0)
        p_f.m_uId = next();
    for (auto& item : p_f.m_vItems)
        if (item.m_uId == 0)
            item.m_uId = next();
    for (auto& child : p_f.m_vFolders)
        AssignIds(*child, p_file, p_used);
}
} // namespace

namespace
{
// The named-property map keeps its ids across saves.
void ReadNames(const json& p_j, CStoreFile& p_file)
{
    const json& a = Array(p_j, "names");
    for (size_t i = 0; i < a.size(); ++i)
    {
        const std::string where = "names[" + std::to_string(i) + "]";
        if (!a[i].is_object() || !a[i].contains("guid"))
            Fail(where, "a name has a guid");
        CNamedProp n;
        n.m_guid = ParseGuid(a[i]["guid"], where);
        if (a[i].contains("name"))
        {
            n.m_bString = true;
            n.m_sName = Str(a[i]["name"], where + ".name");
        }
        else if (a[i].contains("lid"))
            n.m_ulLid = ParseNumber(a[i]["lid"], where + ".lid");
        else
            Fail(where, "a name has a lid or a name");
        if (p_file.IdOfName(n, false) != 0)
            Fail(where, "name given twice");
        if (p_file.IdOfName(n, true) == 0)
            Fail(where, "too many named properties");
    }
}

// "provider": "public" makes a public-folders store; 32 hex digits give any other provider uid.
void ReadStoreProvider(const json& p_j, CStore& p_store, const std::string& p_sWhere)
{
    const std::string& s = Str(p_j, p_sWhere);
    CBytes uid;
    if (s == "public")
        uid = PublicStoreProvider();
    else if (!FromHex(s, uid) || uid.size() != 16)
        Fail(p_sWhere, "provider is \"public\" or 16 hex bytes");
    SetProp(p_store.m_props, CPropValue::Binary(tag::MdbProvider, std::move(uid)));
}

void ReadStores(const json& p_j, CStoreFile& p_file, CReader& p_reader)
{
    const json& a = Array(p_j, "stores");
    for (size_t i = 0; i < a.size(); ++i)
    {
        const std::string where = "stores[" + std::to_string(i) + "]";
        const json& s = a[i];
        if (!s.is_object())
            Fail(where, "a store is an object");
        CStore store;
        if (s.contains("uid"))
        {
            if (!FromHex(Str(s["uid"], where + ".uid"), store.m_uid) || store.m_uid.size() != 16)
                Fail(where, "uid is 16 hex bytes");
        }
        else
        {
            store.m_uid = CBytes(16, 0);
            store.m_uid[0] = 0xB7;
            store.m_uid[15] = static_cast<uint8_t>(i + 1);
            store.m_uid[14] = static_cast<uint8_t>((i + 1) >> 8);
        }
        if (p_file.StoreByUid(store.m_uid))
            Fail(where, "uid used twice");
        store.m_bDefault = s.value("default", false);
        if (store.m_bDefault && p_file.DefaultStore())
            Fail(where, "more than one default store");
        store.m_props = p_reader.Props(s.value("props", json()), where + ".props");
        if (s.contains("name"))
            SetProp(store.m_props, CPropValue::String(tag::DisplayName, Str(s["name"], where + ".name")));
        if (s.contains("provider"))
            ReadStoreProvider(s["provider"], store, where + ".provider");
        if (s.contains("root"))
            p_reader.Folder(s["root"], store.m_root, where + ".root", 0);
        store.m_root.m_sRole = "root";
        p_file.m_vStores.push_back(std::move(store));
    }
}

void ReadAddressBook(const json& p_j, CStoreFile& p_file, CReader& p_reader)
{
    const json& a = Array(p_j, "addressBook");
    for (size_t i = 0; i < a.size(); ++i)
    {
        const std::string where = "addressBook[" + std::to_string(i) + "]";
        const json& e = a[i];
        if (!e.is_object())
            Fail(where, "an entry is an object");
        CAbEntry entry;
        entry.m_uId = p_reader.Id(e, where);
        entry.m_sContainer = e.contains("container") ? Str(e["container"], where + ".container") : "gal";
        if (entry.m_sContainer != "gal" && entry.m_sContainer != "pab")
            Fail(where, "container is gal or pab");
        entry.m_bDistList = e.value("distList", false);
        entry.m_props = p_reader.Props(e.value("props", json()), where + ".props", true);
        if (e.contains("members"))
        {
            const json& m = Array(e["members"], where + ".members");
            for (const auto& id : m)
                entry.m_vMembers.push_back(ParseNumber(id, where + ".members"));
        }
        p_file.m_vAddressBook.push_back(std::move(entry));
    }
}

// Gives every object the file left without an id one above all given ids, and checks that
// distribution lists name entries that exist.
void FinishIds(const json& p_j, CStoreFile& p_file, const CReader& p_reader)
{
    uint32_t next = 1;
    for (uint32_t id : p_reader.m_ids)
        next = std::max(next, id + 1);
    if (p_j.contains("nextId"))
        next = std::max(next, ParseNumber(p_j["nextId"], "nextId"));
    p_file.m_uNextId = next;
    for (auto& s : p_file.m_vStores)
        AssignIds(s.m_root, p_file, p_reader.m_ids);
    for (auto& e : p_file.m_vAddressBook)
        if (e.m_uId == 0)
            e.m_uId = p_file.NewId();
    for (const auto& e : p_file.m_vAddressBook)
        for (uint32_t m : e.m_vMembers)
            if (!FindAbEntry(p_file, m) || m == e.m_uId)
                Fail("addressBook", "distribution list member " + std::to_string(m) + " does not exist");
}

void ReadFile(const json& p_j, CStoreFile& p_file)
{
    if (!p_j.is_object())
        Fail("file", "the store file is a JSON object");
    CReader reader(p_file);
    if (p_j.contains("profile"))
        p_file.m_sProfile = Str(p_j["profile"], "profile");
    if (p_j.contains("reminders"))
    {
        if (!p_j["reminders"].is_boolean())
            Fail("reminders", "expected true or false");
        p_file.m_bReminders = p_j["reminders"].get<bool>();
    }
    if (p_j.contains("names"))
        ReadNames(p_j["names"], p_file);
    if (p_j.contains("stores"))
        ReadStores(p_j["stores"], p_file, reader);
    if (p_j.contains("addressBook"))
        ReadAddressBook(p_j["addressBook"], p_file, reader);
    FinishIds(p_j, p_file, reader);
}
} // namespace

bool LoadStoreFile(const std::string& p_sText, CStoreFile& p_file, std::string& p_sError)
{
    const json j = json::parse(p_sText, nullptr, false);
    if (j.is_discarded())
    {
        p_sError = "not JSON";
        return false;
    }
    CStoreFile file;
    try
    {
        ReadFile(j, file);
    }
    catch (const CBadFile& e)
    {
        p_sError = e.what();
        return false;
    }
    catch (const json::exception& e)
    {
        p_sError = std::string("malformed store file: ") + e.what();
        return false;
    }
    p_file = std::move(file);
    return true;
}

bool ReadJournalItem(const json& p_j, CStoreFile& p_file, CItem& p_item, std::string& p_sError)
{
    try
    {
        CReader reader(p_file);
        reader.Item(p_j, p_item, "item");
        if (p_item.m_uId == 0)
            Fail("item", "a saved message has its id");
        return true;
    }
    catch (const CBadFile& e)
    {
        p_sError = e.what();
    }
    catch (const json::exception& e)
    {
        p_sError = std::string("malformed item: ") + e.what();
    }
    return false;
}
} // namespace mapistore
