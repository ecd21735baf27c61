// standins/mapi/store/store_file.cpp: the store model and its JSON form.
#include "standins/mapi/store/store_file.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>

using json = nlohmann::json;

namespace mapistore
{
namespace
{
constexpr int kMaxDepth = 32;        // folder nesting and restriction nesting
constexpr size_t kMaxValues = 100000; // multi-valued entries, items per folder, ...
constexpr size_t kMaxBinary = 64u << 20;

// A fault in the file, with where it is.
struct CBadFile : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& p_sWhere, const std::string& p_sWhat)
{
    throw CBadFile(p_sWhere + ": " + p_sWhat);
}

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

const char kHex[] = "0123456789ABCDEF";

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

struct CTypeName
{
    const char* m_szName;
    uint32_t m_ulType;
};
const CTypeName kTypeNames[] = {
    {"PT_I2", kPtI2},         {"PT_LONG", kPtLong},       {"PT_DOUBLE", kPtDouble},     {"PT_BOOLEAN", kPtBoolean},
    {"PT_I8", kPtI8},         {"PT_STRING8", kPtString8}, {"PT_UNICODE", kPtUnicode},   {"PT_SYSTIME", kPtSysTime},
    {"PT_CLSID", kPtClsid},   {"PT_BINARY", kPtBinary},   {"PT_MV_I2", kPtI2 | kMvFlag}, {"PT_MV_LONG", kPtLong | kMvFlag},
    {"PT_MV_DOUBLE", kPtDouble | kMvFlag}, {"PT_MV_I8", kPtI8 | kMvFlag}, {"PT_MV_STRING8", kPtString8 | kMvFlag},
    {"PT_MV_UNICODE", kPtUnicode | kMvFlag}, {"PT_MV_SYSTIME", kPtSysTime | kMvFlag},
    {"PT_MV_CLSID", kPtClsid | kMvFlag}, {"PT_MV_BINARY", kPtBinary | kMvFlag},
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
};

const CTagName kGuidNames[] = {
    {"PS_PUBLIC_STRINGS", 0x00020329},
    {"PSETID_Address", 0x00062004},
    {"PSETID_Common", 0x00062008},
    {"PSETID_Appointment", 0x00062002},
    {"PSETID_Task", 0x00062003},
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

std::string HexTag(uint32_t p_ul)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", p_ul);
    return buf;
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

const json& Array(const json& p_j, const std::string& p_sWhere)
{
    if (!p_j.is_array())
        Fail(p_sWhere, "expected an array");
    if (p_j.size() > kMaxValues)
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

class CReader
{
  public:
    explicit CReader(CStoreFile& p_file) : m_file(p_file) {}

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
                const json& a = Array(p_j[szList], p_sWhere + "." + szList);
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
    {
        json ji;
        ji["id"] = item.m_uId;
        ji["props"] = PropsJson(item.m_props, p_file);
        if (!item.m_vRecipients.empty())
        {
            ji["recipients"] = json::array();
            for (const auto& r : item.m_vRecipients)
                ji["recipients"].push_back(json{{"props", PropsJson(r, p_file)}});
        }
        if (!item.m_vAttachments.empty())
        {
            ji["attachments"] = json::array();
            for (const auto& a : item.m_vAttachments)
                ji["attachments"].push_back(json{{"props", PropsJson(a, p_file)}});
        }
        (item.m_bAssociated ? associated : messages).push_back(std::move(ji));
    }
    j["messages"] = std::move(messages);
    if (!associated.empty())
        j["associated"] = std::move(associated);
    j["folders"] = json::array();
    for (const auto& child : p_f.m_vFolders)
        j["folders"].push_back(FolderJson(*child, p_file));
    return j;
}
} // namespace

CBytes GuidPublicStrings() { return MakeGuid(0x00020329); }
CBytes GuidAddress() { return MakeGuid(0x00062004); }
CBytes GuidCommon() { return MakeGuid(0x00062008); }
CBytes GuidAppointment() { return MakeGuid(0x00062002); }
CBytes GuidTask() { return MakeGuid(0x00062003); }

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
        if (!j.is_object())
            Fail("file", "the store file is a JSON object");
        CReader reader(file);
        if (j.contains("profile"))
            file.m_sProfile = Str(j["profile"], "profile");
        if (j.contains("reminders"))
        {
            if (!j["reminders"].is_boolean())
                Fail("reminders", "expected true or false");
            file.m_bReminders = j["reminders"].get<bool>();
        }
        if (j.contains("names"))
        {
            // The named-property map keeps its ids across saves.
            const json& a = Array(j["names"], "names");
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
                if (file.IdOfName(n, false) != 0)
                    Fail(where, "name given twice");
                if (file.IdOfName(n, true) == 0)
                    Fail(where, "too many named properties");
            }
        }
        if (j.contains("stores"))
        {
            const json& a = Array(j["stores"], "stores");
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
                if (file.StoreByUid(store.m_uid))
                    Fail(where, "uid used twice");
                store.m_bDefault = s.value("default", false);
                if (store.m_bDefault && file.DefaultStore())
                    Fail(where, "more than one default store");
                store.m_props = reader.Props(s.value("props", json()), where + ".props");
                if (s.contains("name"))
                    SetProp(store.m_props, CPropValue::String(tag::DisplayName, Str(s["name"], where + ".name")));
                if (s.contains("root"))
                    reader.Folder(s["root"], store.m_root, where + ".root", 0);
                store.m_root.m_sRole = "root";
                file.m_vStores.push_back(std::move(store));
            }
        }
        if (j.contains("addressBook"))
        {
            const json& a = Array(j["addressBook"], "addressBook");
            for (size_t i = 0; i < a.size(); ++i)
            {
                const std::string where = "addressBook[" + std::to_string(i) + "]";
                const json& e = a[i];
                if (!e.is_object())
                    Fail(where, "an entry is an object");
                CAbEntry entry;
                entry.m_uId = reader.Id(e, where);
                entry.m_sContainer = e.contains("container") ? Str(e["container"], where + ".container") : "gal";
                if (entry.m_sContainer != "gal" && entry.m_sContainer != "pab")
                    Fail(where, "container is gal or pab");
                entry.m_bDistList = e.value("distList", false);
                entry.m_props = reader.Props(e.value("props", json()), where + ".props", true);
                if (e.contains("members"))
                {
                    const json& m = Array(e["members"], where + ".members");
                    for (const auto& id : m)
                        entry.m_vMembers.push_back(ParseNumber(id, where + ".members"));
                }
                file.m_vAddressBook.push_back(std::move(entry));
            }
        }
        uint32_t next = 1;
        for (uint32_t id : reader.m_ids)
            next = std::max(next, id + 1);
        if (j.contains("nextId"))
            next = std::max(next, ParseNumber(j["nextId"], "nextId"));
        file.m_uNextId = next;
        for (auto& s : file.m_vStores)
            AssignIds(s.m_root, file, reader.m_ids);
        for (auto& e : file.m_vAddressBook)
            if (e.m_uId == 0)
                e.m_uId = file.NewId();
        for (const auto& e : file.m_vAddressBook)
            for (uint32_t m : e.m_vMembers)
                if (!FindAbEntry(file, m) || m == e.m_uId)
                    Fail("addressBook", "distribution list member " + std::to_string(m) + " does not exist");
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

std::string SaveStoreFile(const CStoreFile& p_file)
{
    json j;
    j["profile"] = p_file.m_sProfile;
    j["nextId"] = p_file.m_uNextId;
    j["reminders"] = p_file.m_bReminders;
    j["names"] = json::array();
    for (const auto& n : p_file.m_vNames)
    {
        json jn{{"guid", GuidToText(n.m_guid)}};
        if (n.m_bString)
            jn["name"] = n.m_sName;
        else
            jn["lid"] = n.m_ulLid;
        j["names"].push_back(std::move(jn));
    }
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

CItemRef FindItem(CFolder& p_root, uint32_t p_uId)
{
    for (size_t i = 0; i < p_root.m_vItems.size(); ++i)
        if (p_root.m_vItems[i].m_uId == p_uId)
            return {&p_root, i};
    for (auto& c : p_root.m_vFolders)
        if (CItemRef r = FindItem(*c, p_uId); r.m_pFolder)
            return r;
    return {};
}

CAbEntry* FindAbEntry(CStoreFile& p_file, uint32_t p_uId)
{
    for (auto& e : p_file.m_vAddressBook)
        if (e.m_uId == p_uId)
            return &e;
    return nullptr;
}
} // namespace mapistore
