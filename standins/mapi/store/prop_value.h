// standins/mapi/store/prop_value.h: typed property values, restrictions and sort orders of the
// MAPI stand-in's store, portable so the store logic and its file format are tested natively.
// Type and operator numbers are the published MAPI values, so the provider maps them 1:1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mapistore
{
constexpr uint32_t kPtUnspecified = 0x0000;
constexpr uint32_t kPtNull = 0x0001;
constexpr uint32_t kPtI2 = 0x0002;
constexpr uint32_t kPtLong = 0x0003;
constexpr uint32_t kPtDouble = 0x0005;
constexpr uint32_t kPtError = 0x000A;
constexpr uint32_t kPtBoolean = 0x000B;
constexpr uint32_t kPtObject = 0x000D;
constexpr uint32_t kPtI8 = 0x0014;
constexpr uint32_t kPtString8 = 0x001E;
constexpr uint32_t kPtUnicode = 0x001F;
constexpr uint32_t kPtSysTime = 0x0040;
constexpr uint32_t kPtClsid = 0x0048;
constexpr uint32_t kPtBinary = 0x0102;
constexpr uint32_t kMvFlag = 0x1000;

constexpr uint32_t PropType(uint32_t p_ulTag)
{
    return p_ulTag & 0xFFFF;
}
constexpr uint32_t PropId(uint32_t p_ulTag)
{
    return p_ulTag >> 16;
}
constexpr uint32_t MakeTag(uint32_t p_ulType, uint32_t p_ulId)
{
    return (p_ulId << 16) | (p_ulType & 0xFFFF);
}
constexpr bool IsStringType(uint32_t p_ulType)
{
    return (p_ulType & ~kMvFlag) == kPtString8 || (p_ulType & ~kMvFlag) == kPtUnicode;
}
// Whether the store can hold a value of this type (PT_ERROR, PT_OBJECT and PT_NULL are never stored).
bool IsStorableType(uint32_t p_ulType);

using CBytes = std::vector<uint8_t>;

// One property: the tag and the value of its type. Strings are UTF-8 whatever their MAPI type
// (PT_STRING8 values are converted to and from the ANSI code page at the provider's edge).
// PT_BOOLEAN, PT_I2, PT_LONG, PT_I8 and PT_SYSTIME (a FILETIME count) live in m_iValue.
struct CPropValue
{
    uint32_t m_ulTag = 0;
    int64_t m_iValue = 0;
    double m_dValue = 0;
    std::string m_sValue;
    CBytes m_bValue; // PT_BINARY, and PT_CLSID as its 16 bytes
    std::vector<int64_t> m_mviValue;
    std::vector<double> m_mvdValue;
    std::vector<std::string> m_mvsValue;
    std::vector<CBytes> m_mvbValue;

    static CPropValue Long(uint32_t p_ulTag, int64_t p_i);
    static CPropValue String(uint32_t p_ulTag, std::string p_s);
    static CPropValue Binary(uint32_t p_ulTag, CBytes p_b);
    bool operator==(const CPropValue&) const = default;
};

using CPropList = std::vector<CPropValue>;

// The property with p_ulTag's id, if its type matches or both are string types (or p_ulTag's
// type is PT_UNSPECIFIED).
const CPropValue* FindProp(const CPropList& p_props, uint32_t p_ulTag);
CPropValue* FindProp(CPropList& p_props, uint32_t p_ulTag);
// Replaces the property of the same id, or appends it.
void SetProp(CPropList& p_props, CPropValue p_value);
bool DeleteProp(CPropList& p_props, uint32_t p_ulTag);
std::string GetString(const CPropList& p_props, uint32_t p_ulTag, const std::string& p_sDefault = {});
std::optional<int64_t> GetLong(const CPropList& p_props, uint32_t p_ulTag);

// Relational operators and fuzzy levels as MAPI numbers them.
constexpr uint32_t kRelopLT = 0, kRelopLE = 1, kRelopGT = 2, kRelopGE = 3, kRelopEQ = 4, kRelopNE = 5, kRelopRE = 6;
constexpr uint32_t kFlFullString = 0, kFlSubString = 1, kFlPrefix = 2, kFlIgnoreCase = 0x10000,
                   kFlIgnoreNonSpace = 0x20000, kFlLoose = 0x40000;
constexpr uint32_t kBmrEqz = 0, kBmrNez = 1;

// Compares two values of the same type: <0, 0, >0. Strings compare by the store's collation
// (collation.h): without regard to case, in word-sort order, as message stores sort and restrict them.
int CompareValues(const CPropValue& p_a, const CPropValue& p_b);

struct CRestriction
{
    // RES_AND 0, RES_OR 1, RES_NOT 2, RES_CONTENT 3, RES_PROPERTY 4, RES_COMPAREPROPS 5,
    // RES_BITMASK 6, RES_EXIST 8.
    enum EKind : uint32_t
    {
        And = 0,
        Or = 1,
        Not = 2,
        Content = 3,
        Property = 4,
        CompareProps = 5,
        BitMask = 6,
        Exist = 8,
    };
    EKind m_kind = And;
    std::vector<CRestriction> m_children; // And/Or: the terms; Not: one term
    uint32_t m_ulRelop = 0;               // Property, CompareProps, BitMask (BMR_*)
    uint32_t m_ulFuzzy = 0;               // Content
    uint32_t m_ulPropTag = 0;
    uint32_t m_ulPropTag2 = 0; // CompareProps: the second property
    uint32_t m_ulMask = 0;     // BitMask
    CPropValue m_value;        // Property, Content

    bool operator==(const CRestriction&) const = default;
};

// Evaluates p_res against one row or object. A property restriction on a missing property is
// false, whatever the operator; a content restriction on a multi-valued string property matches
// when any value does.
bool Matches(const CRestriction& p_res, const CPropList& p_props);

struct CSortKey
{
    uint32_t m_ulPropTag = 0;
    bool m_bDescending = false;
    bool operator==(const CSortKey&) const = default;
};
// Orders two rows by p_keys; missing values sort before present ones.
int CompareRows(const CPropList& p_a, const CPropList& p_b, const std::vector<CSortKey>& p_keys);

// FILETIME (100 ns since 1601) and ISO-8601 UTC text ("2026-12-08T11:30:00Z").
std::string FileTimeToIso(int64_t p_ft);
bool IsoToFileTime(const std::string& p_s, int64_t& p_ft);
} // namespace mapistore
