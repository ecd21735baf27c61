// standins/mapi/store/prop_value.cpp: property lists, value comparison and restriction evaluation.
#include "standins/mapi/store/prop_value.h"
#include "standins/mapi/store/collation.h"

#include <algorithm>
#include <cstdio>

namespace mapistore
{
bool IsStorableType(uint32_t p_ulType)
{
    switch (p_ulType & ~kMvFlag)
    {
    case kPtI2:
    case kPtLong:
    case kPtDouble:
    case kPtBoolean:
    case kPtI8:
    case kPtString8:
    case kPtUnicode:
    case kPtSysTime:
    case kPtClsid:
    case kPtBinary:
        return (p_ulType & kMvFlag) == 0 || (p_ulType & ~kMvFlag) != kPtBoolean;
    default:
        return false;
    }
}

CPropValue CPropValue::Long(uint32_t p_ulTag, int64_t p_i)
{
    CPropValue v;
    v.m_ulTag = p_ulTag;
    v.m_iValue = p_i;
    return v;
}

CPropValue CPropValue::String(uint32_t p_ulTag, std::string p_s)
{
    CPropValue v;
    v.m_ulTag = p_ulTag;
    v.m_sValue = std::move(p_s);
    return v;
}

CPropValue CPropValue::Binary(uint32_t p_ulTag, CBytes p_b)
{
    CPropValue v;
    v.m_ulTag = p_ulTag;
    v.m_bValue = std::move(p_b);
    return v;
}

namespace
{
bool TypesAgree(uint32_t p_ulStored, uint32_t p_ulAsked)
{
    if (p_ulAsked == kPtUnspecified || p_ulStored == p_ulAsked)
        return true;
    return IsStringType(p_ulStored) && IsStringType(p_ulAsked) && (p_ulStored & kMvFlag) == (p_ulAsked & kMvFlag);
}

template <typename L> auto* FindIn(L& p_props, uint32_t p_ulTag)
{
    for (auto& v : p_props)
        if (PropId(v.m_ulTag) == PropId(p_ulTag) && TypesAgree(PropType(v.m_ulTag), PropType(p_ulTag)))
            return &v;
    return static_cast<decltype(&p_props[0])>(nullptr);
}

int Lower(unsigned char p_c)
{
    return (p_c >= 'A' && p_c <= 'Z') ? p_c + 32 : p_c;
}

int CompareText(const std::string& p_a, const std::string& p_b)
{
    return Collation().m_pfnCompare(p_a, p_b);
}

template <typename T> int Cmp(const T& p_a, const T& p_b)
{
    return p_a < p_b ? -1 : (p_b < p_a ? 1 : 0);
}

bool Contains(const std::string& p_hay, const std::string& p_needle, uint32_t p_ulFuzzy)
{
    const bool bCase = (p_ulFuzzy & (kFlIgnoreCase | kFlLoose)) == 0;
    auto eq = [&](char a, char b) {
        return bCase ? a == b : Lower(static_cast<unsigned char>(a)) == Lower(static_cast<unsigned char>(b));
    };
    switch (p_ulFuzzy & 0xFFFF)
    {
    case kFlSubString:
        return std::search(p_hay.begin(), p_hay.end(), p_needle.begin(), p_needle.end(), eq) != p_hay.end();
    case kFlPrefix:
        return p_hay.size() >= p_needle.size() && std::equal(p_needle.begin(), p_needle.end(), p_hay.begin(), eq);
    default:
        return p_hay.size() == p_needle.size() && std::equal(p_needle.begin(), p_needle.end(), p_hay.begin(), eq);
    }
}

bool ContainsBytes(const CBytes& p_hay, const CBytes& p_needle, uint32_t p_ulFuzzy)
{
    switch (p_ulFuzzy & 0xFFFF)
    {
    case kFlSubString:
        return std::search(p_hay.begin(), p_hay.end(), p_needle.begin(), p_needle.end()) != p_hay.end();
    case kFlPrefix:
        return p_hay.size() >= p_needle.size() && std::equal(p_needle.begin(), p_needle.end(), p_hay.begin());
    default:
        return p_hay == p_needle;
    }
}

bool Relate(int p_iCmp, uint32_t p_ulRelop)
{
    switch (p_ulRelop)
    {
    case kRelopLT:
        return p_iCmp < 0;
    case kRelopLE:
        return p_iCmp <= 0;
    case kRelopGT:
        return p_iCmp > 0;
    case kRelopGE:
        return p_iCmp >= 0;
    case kRelopEQ:
        return p_iCmp == 0;
    case kRelopNE:
        return p_iCmp != 0;
    default:
        return false; // RELOP_RE (regular expressions) is not supported by this store
    }
}
} // namespace

const CPropValue* FindProp(const CPropList& p_props, uint32_t p_ulTag)
{
    return FindIn(p_props, p_ulTag);
}
CPropValue* FindProp(CPropList& p_props, uint32_t p_ulTag)
{
    return FindIn(p_props, p_ulTag);
}

void SetProp(CPropList& p_props, CPropValue p_value)
{
    for (auto& v : p_props)
        if (PropId(v.m_ulTag) == PropId(p_value.m_ulTag))
        {
            v = std::move(p_value);
            return;
        }
    p_props.push_back(std::move(p_value));
}

bool DeleteProp(CPropList& p_props, uint32_t p_ulTag)
{
    const auto it = std::find_if(p_props.begin(), p_props.end(),
                                 [&](const CPropValue& v) { return PropId(v.m_ulTag) == PropId(p_ulTag); });
    if (it == p_props.end())
        return false;
    p_props.erase(it);
    return true;
}

std::string GetString(const CPropList& p_props, uint32_t p_ulTag, const std::string& p_sDefault)
{
    const CPropValue* v = FindProp(p_props, MakeTag(kPtUnicode, PropId(p_ulTag)));
    return v ? v->m_sValue : p_sDefault;
}

std::optional<int64_t> GetLong(const CPropList& p_props, uint32_t p_ulTag)
{
    const CPropValue* v = FindProp(p_props, p_ulTag);
    if (!v)
        return std::nullopt;
    return v->m_iValue;
}

int CompareValues(const CPropValue& p_a, const CPropValue& p_b)
{
    const uint32_t t = PropType(p_a.m_ulTag);
    if (IsStringType(t) && (t & kMvFlag) == 0)
        return CompareText(p_a.m_sValue, p_b.m_sValue);
    switch (t)
    {
    case kPtI2:
    case kPtLong:
    case kPtBoolean:
    case kPtI8:
    case kPtSysTime:
        return Cmp(p_a.m_iValue, p_b.m_iValue);
    case kPtDouble:
        return Cmp(p_a.m_dValue, p_b.m_dValue);
    case kPtBinary:
        // Binary values order by length first, then bytes, as MAPI compares them.
        if (p_a.m_bValue.size() != p_b.m_bValue.size())
            return Cmp(p_a.m_bValue.size(), p_b.m_bValue.size());
        return Cmp(p_a.m_bValue, p_b.m_bValue);
    case kPtClsid:
        return Cmp(p_a.m_bValue, p_b.m_bValue);
    default:
        if (t & kMvFlag)
        {
            if (IsStringType(t))
            {
                const size_t n = std::min(p_a.m_mvsValue.size(), p_b.m_mvsValue.size());
                for (size_t i = 0; i < n; ++i)
                    if (int d = CompareText(p_a.m_mvsValue[i], p_b.m_mvsValue[i]))
                        return d;
                return Cmp(p_a.m_mvsValue.size(), p_b.m_mvsValue.size());
            }
            if (int d = Cmp(p_a.m_mviValue, p_b.m_mviValue))
                return d;
            if (int d = Cmp(p_a.m_mvdValue, p_b.m_mvdValue))
                return d;
            return Cmp(p_a.m_mvbValue, p_b.m_mvbValue);
        }
        return 0;
    }
}

bool Matches(const CRestriction& p_res, const CPropList& p_props)
{
    switch (p_res.m_kind)
    {
    case CRestriction::And:
        return std::all_of(p_res.m_children.begin(), p_res.m_children.end(),
                           [&](const CRestriction& r) { return Matches(r, p_props); });
    case CRestriction::Or:
        return std::any_of(p_res.m_children.begin(), p_res.m_children.end(),
                           [&](const CRestriction& r) { return Matches(r, p_props); });
    case CRestriction::Not:
        return !p_res.m_children.empty() && !Matches(p_res.m_children.front(), p_props);
    case CRestriction::Exist:
        return FindProp(p_props, MakeTag(kPtUnspecified, PropId(p_res.m_ulPropTag))) != nullptr;
    case CRestriction::Property: {
        const CPropValue* v = FindProp(p_props, p_res.m_ulPropTag);
        if (!v)
            return false;
        CPropValue value = p_res.m_value;
        value.m_ulTag = v->m_ulTag;
        return Relate(CompareValues(*v, value), p_res.m_ulRelop);
    }
    case CRestriction::CompareProps: {
        const CPropValue* a = FindProp(p_props, p_res.m_ulPropTag);
        const CPropValue* b = FindProp(p_props, p_res.m_ulPropTag2);
        if (!a || !b || PropType(a->m_ulTag) != PropType(b->m_ulTag))
            return false;
        return Relate(CompareValues(*a, *b), p_res.m_ulRelop);
    }
    case CRestriction::BitMask: {
        const CPropValue* v = FindProp(p_props, p_res.m_ulPropTag);
        if (!v)
            return false;
        const bool bZero = (static_cast<uint32_t>(v->m_iValue) & p_res.m_ulMask) == 0;
        return p_res.m_ulRelop == kBmrEqz ? bZero : !bZero;
    }
    case CRestriction::Content: {
        const CPropValue* v = FindProp(p_props, p_res.m_ulPropTag);
        if (!v)
            return false;
        const uint32_t t = PropType(v->m_ulTag);
        if (IsStringType(t))
        {
            if (t & kMvFlag)
                return std::any_of(v->m_mvsValue.begin(), v->m_mvsValue.end(), [&](const std::string& s) {
                    return Contains(s, p_res.m_value.m_sValue, p_res.m_ulFuzzy);
                });
            return Contains(v->m_sValue, p_res.m_value.m_sValue, p_res.m_ulFuzzy);
        }
        if (t == kPtBinary)
            return ContainsBytes(v->m_bValue, p_res.m_value.m_bValue, p_res.m_ulFuzzy);
        if (t == (kPtBinary | kMvFlag))
            return std::any_of(v->m_mvbValue.begin(), v->m_mvbValue.end(), [&](const CBytes& b) {
                return ContainsBytes(b, p_res.m_value.m_bValue, p_res.m_ulFuzzy);
            });
        return false;
    }
    }
    return false;
}

int CompareRows(const CPropList& p_a, const CPropList& p_b, const std::vector<CSortKey>& p_keys)
{
    for (const CSortKey& k : p_keys)
    {
        const CPropValue* a = FindProp(p_a, k.m_ulPropTag);
        const CPropValue* b = FindProp(p_b, k.m_ulPropTag);
        int d = 0;
        if (!a || !b)
            d = (a ? 1 : 0) - (b ? 1 : 0);
        else if (PropType(a->m_ulTag) == PropType(b->m_ulTag) ||
                 (IsStringType(PropType(a->m_ulTag)) && IsStringType(PropType(b->m_ulTag))))
            d = CompareValues(*a, *b);
        if (d != 0)
            return k.m_bDescending ? -d : d;
    }
    return 0;
}

namespace
{
// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kEpochDelta = 11644473600LL; // seconds from 1601 to 1970
} // namespace

std::string FileTimeToIso(int64_t p_ft)
{
    int64_t secs = p_ft / kTicksPerSecond - kEpochDelta;
    int64_t days = secs / 86400;
    int64_t rem = secs % 86400;
    if (rem < 0)
    {
        rem += 86400;
        --days;
    }
    // civil_from_days
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(y + (m <= 2)), m, d,
                  static_cast<int>(rem / 3600), static_cast<int>(rem / 60 % 60), static_cast<int>(rem % 60));
    return buf;
}

bool IsoToFileTime(const std::string& p_s, int64_t& p_ft)
{
    if (p_s.size() != 20 || p_s[4] != '-' || p_s[7] != '-' || p_s[10] != 'T' || p_s[13] != ':' || p_s[16] != ':' ||
        p_s[19] != 'Z')
        return false;
    auto num = [&](size_t p_at, size_t p_n, int& p_out) {
        p_out = 0;
        for (size_t i = p_at; i < p_at + p_n; ++i)
        {
            if (p_s[i] < '0' || p_s[i] > '9')
                return false;
            p_out = p_out * 10 + (p_s[i] - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, s;
    if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d) || !num(11, 2, h) || !num(14, 2, mi) || !num(17, 2, s))
        return false;
    if (y < 1601 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
        return false;
    const int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    p_ft = ((days * 86400 + h * 3600 + mi * 60 + s) + kEpochDelta) * kTicksPerSecond;
    return true;
}
} // namespace mapistore
