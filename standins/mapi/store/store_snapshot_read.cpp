// standins/mapi/store/store_snapshot_read.cpp: reads the binary snapshot as outside input: every
// count is bounded by what is left of the input and by the model's limits, every type, id, name
// and kept order is checked, and the first fault is reported with the offset where it is.
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_snapshot.h"
#include "standins/mapi/store/store_text.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace mapistore
{
namespace
{
constexpr int kMaxDepth = 32;            // folder and restriction nesting, as in the JSON file
constexpr uint32_t kMaxEntries = 100000; // stores, folders, names, recipients, values, keys, ...
constexpr uint32_t kMaxId = 0x7FFFFFFE;

struct CBadSnapshot : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// Well-formed UTF-8 only (no overlong forms, surrogates or values past U+10FFFF): the JSON
// writer refuses anything else, and `mapistore dump` must be able to print what was read.
bool IsUtf8(const std::string& p_s)
{
    size_t i = 0;
    while (i < p_s.size())
    {
        const auto c = static_cast<unsigned char>(p_s[i]);
        size_t n = 0;
        uint32_t cp = c;
        if (c >= 0x80)
        {
            if ((c & 0xE0) == 0xC0)
                n = 1, cp = c & 0x1F;
            else if ((c & 0xF0) == 0xE0)
                n = 2, cp = c & 0x0F;
            else if ((c & 0xF8) == 0xF0)
                n = 3, cp = c & 0x07;
            else
                return false;
        }
        if (p_s.size() - i <= n)
            return false;
        for (size_t k = 1; k <= n; ++k)
        {
            const auto cc = static_cast<unsigned char>(p_s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

class CReader
{
  public:
    CReader(const std::string& p_s, CStoreFile& p_file) : m_s(p_s), m_file(p_file)
    {
    }

    [[noreturn]] void Fail(const std::string& p_sWhat) const
    {
        throw CBadSnapshot("offset " + std::to_string(m_nAt) + ": " + p_sWhat);
    }
    void Need(size_t p_n) const
    {
        if (m_s.size() - m_nAt < p_n)
            Fail("truncated");
    }
    uint8_t U8()
    {
        Need(1);
        return static_cast<uint8_t>(m_s[m_nAt++]);
    }
    bool Bool()
    {
        const uint8_t u = U8();
        if (u > 1)
            Fail("a flag is 0 or 1");
        return u != 0;
    }
    uint32_t U32()
    {
        Need(4);
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= static_cast<uint32_t>(static_cast<uint8_t>(m_s[m_nAt + i])) << (8 * i);
        m_nAt += 4;
        return u;
    }
    int64_t I64()
    {
        const uint64_t lo = U32();
        const uint64_t hi = U32();
        return static_cast<int64_t>(lo | (hi << 32));
    }
    // A count of things each at least p_nMinSize bytes long: never more than the input holds.
    uint32_t Count(uint32_t p_ulMax, size_t p_nMinSize)
    {
        const uint32_t n = U32();
        if (n > p_ulMax || static_cast<uint64_t>(n) * p_nMinSize > m_s.size() - m_nAt)
            Fail("count " + std::to_string(n) + " out of range");
        return n;
    }
    std::string Str()
    {
        const uint32_t n = Count(static_cast<uint32_t>(kMaxBinary), 1);
        std::string s = m_s.substr(m_nAt, n);
        m_nAt += n;
        if (!IsUtf8(s))
            Fail("a string is not UTF-8");
        return s;
    }
    CBytes Bytes()
    {
        const uint32_t n = Count(static_cast<uint32_t>(kMaxBinary), 1);
        CBytes b(reinterpret_cast<const uint8_t*>(m_s.data()) + m_nAt,
                 reinterpret_cast<const uint8_t*>(m_s.data()) + m_nAt + n);
        m_nAt += n;
        return b;
    }
    CBytes Guid()
    {
        CBytes b = Bytes();
        if (b.size() != 16)
            Fail("a GUID is 16 bytes");
        return b;
    }
    int64_t Integer(uint32_t p_ulType)
    {
        const int64_t i = I64();
        if ((p_ulType == kPtI2 && (i < -32768 || i > 65535)) ||
            (p_ulType == kPtLong && (i < INT32_MIN || i > static_cast<int64_t>(UINT32_MAX))) ||
            (p_ulType == kPtBoolean && i != 0 && i != 1) || (p_ulType == kPtSysTime && i < 0))
            Fail("value out of range for its type");
        return i;
    }
    double F64()
    {
        const int64_t i = I64();
        double d = 0;
        std::memcpy(&d, &i, sizeof d);
        return d;
    }
    void Scalar(uint32_t p_ulType, int64_t& p_i, double& p_d, std::string& p_s, CBytes& p_b)
    {
        if (IsStringType(p_ulType))
            p_s = Str();
        else if (p_ulType == kPtClsid)
            p_b = Guid();
        else if (p_ulType == kPtBinary)
            p_b = Bytes();
        else if (p_ulType == kPtDouble)
            p_d = F64();
        else
            p_i = Integer(p_ulType);
    }
    CPropValue Value(bool p_bDirectory)
    {
        CPropValue v;
        v.m_ulTag = U32();
        const uint32_t t = PropType(v.m_ulTag);
        if (PropId(v.m_ulTag) == 0 || !IsStorableType(t))
            Fail("bad property tag");
        if (PropId(v.m_ulTag) >= kFirstNamedId && !p_bDirectory && !m_file.NameOfId(PropId(v.m_ulTag)))
            Fail("a named property id without a name");
        if (!(t & kMvFlag))
        {
            Scalar(t, v.m_iValue, v.m_dValue, v.m_sValue, v.m_bValue);
            return v;
        }
        const uint32_t base = t & ~kMvFlag;
        const uint32_t n = Count(
            kMaxEntries, base == kPtDouble || (!IsStringType(base) && base != kPtBinary && base != kPtClsid) ? 8 : 4);
        for (uint32_t i = 0; i < n; ++i)
        {
            int64_t iv = 0;
            double dv = 0;
            std::string sv;
            CBytes bv;
            Scalar(base, iv, dv, sv, bv);
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
    CPropList Props(bool p_bDirectory = false)
    {
        const uint32_t n = Count(kMaxEntries, 8);
        CPropList props;
        props.reserve(n);
        for (uint32_t i = 0; i < n; ++i)
        {
            CPropValue v = Value(p_bDirectory);
            if (FindProp(props, MakeTag(kPtUnspecified, PropId(v.m_ulTag))))
                Fail("property given twice");
            props.push_back(std::move(v));
        }
        return props;
    }
    uint32_t Id()
    {
        const uint32_t id = U32();
        if (id == 0 || id > kMaxId)
            Fail("object id out of range");
        m_vIds.push_back(id);
        return id;
    }
    CRestriction Restriction(int p_iDepth)
    {
        if (p_iDepth > kMaxDepth)
            Fail("restriction nested too deeply");
        CRestriction r;
        const uint32_t kind = U32();
        if (kind > CRestriction::Exist || kind == 7)
            Fail("unknown restriction kind");
        r.m_kind = static_cast<CRestriction::EKind>(kind);
        r.m_ulRelop = U32();
        r.m_ulFuzzy = U32();
        r.m_ulPropTag = U32();
        r.m_ulPropTag2 = U32();
        r.m_ulMask = U32();
        if (Bool())
        {
            CPropList one = Props(true);
            if (one.size() != 1)
                Fail("a restriction's value is one property");
            r.m_value = std::move(one.front());
        }
        const uint32_t n = Count(kMaxEntries, 25);
        for (uint32_t i = 0; i < n; ++i)
            r.m_children.push_back(Restriction(p_iDepth + 1));
        if (r.m_kind == CRestriction::Not && r.m_children.size() != 1)
            Fail("a negation has one term");
        return r;
    }
    void Orders(CFolder& p_f)
    {
        const uint32_t n = Count(kMaxEntries, 13);
        if (n == 0)
            return;
        CFolderIndex& index = FolderIndex(p_f);
        for (uint32_t i = 0; i < n; ++i)
        {
            CKeptOrder k;
            k.m_bAssociated = Bool();
            k.m_ulCollation = U32();
            const uint32_t keys = Count(kMaxEntries, 5);
            for (uint32_t j = 0; j < keys; ++j)
            {
                CSortKey key;
                key.m_ulPropTag = U32();
                key.m_bDescending = Bool();
                k.m_vKeys.push_back(key);
            }
            const uint32_t rows = Count(static_cast<uint32_t>(kMaxFolderItems), 4);
            auto order = std::make_shared<COrder>(rows);
            for (uint32_t& r : *order)
                r = U32();
            if (!IsPermutation(*order, FolderRowCount(p_f, k.m_bAssociated)))
                Fail("a kept order is not an order of the folder's rows");
            k.m_pOrder = std::move(order);
            index.m_vOrders.push_back(std::move(k));
        }
    }
    void Folder(CFolder& p_f, int p_iDepth)
    {
        if (p_iDepth > kMaxDepth)
            Fail("folders nested too deeply");
        p_f.m_uId = Id();
        p_f.m_sRole = Str();
        p_f.m_props = Props();
        p_f.m_bSearch = Bool();
        if (p_f.m_bSearch)
        {
            if (Bool())
                p_f.m_searchRestriction = Restriction(0);
            const uint32_t n = Count(kMaxEntries, 4);
            for (uint32_t i = 0; i < n; ++i)
                p_f.m_vSearchFolders.push_back(U32());
            p_f.m_ulSearchFlags = U32();
        }
        const uint32_t items = Count(static_cast<uint32_t>(kMaxFolderItems), 17);
        p_f.m_vItems.resize(items);
        for (CItem& item : p_f.m_vItems)
        {
            item.m_uId = Id();
            item.m_bAssociated = Bool();
            item.m_props = Props();
            for (auto* list : {&item.m_vRecipients, &item.m_vAttachments})
            {
                const uint32_t n = Count(kMaxEntries, 4);
                for (uint32_t i = 0; i < n; ++i)
                    list->push_back(Props());
            }
        }
        Orders(p_f);
        const uint32_t n = Count(kMaxEntries, 27);
        for (uint32_t i = 0; i < n; ++i)
        {
            auto child = std::make_unique<CFolder>();
            Folder(*child, p_iDepth + 1);
            p_f.m_vFolders.push_back(std::move(child));
        }
    }
    void Names()
    {
        const uint32_t n = Count(kLastNamedId - kFirstNamedId + 1, 13);
        for (uint32_t i = 0; i < n; ++i)
        {
            CNamedProp name;
            name.m_guid = Guid();
            name.m_bString = Bool();
            name.m_ulLid = U32();
            name.m_sName = Str();
            if (name.m_bString ? (name.m_sName.empty() || name.m_ulLid != 0) : !name.m_sName.empty())
                Fail("a name has a lid or a name");
            if (m_file.IdOfName(name, false) != 0)
                Fail("name given twice");
            (void)m_file.IdOfName(name, true);
        }
    }
    void Stores()
    {
        const uint32_t n = Count(kMaxEntries, 50);
        for (uint32_t i = 0; i < n; ++i)
        {
            CStore store;
            store.m_uid = Guid();
            if (m_file.StoreByUid(store.m_uid))
                Fail("store uid used twice");
            store.m_bDefault = Bool();
            if (store.m_bDefault && m_file.DefaultStore())
                Fail("more than one default store");
            store.m_props = Props();
            Folder(store.m_root, 0);
            if (store.m_root.m_sRole != "root")
                Fail("a store's root folder has the role root");
            m_file.m_vStores.push_back(std::move(store));
        }
    }
    void AddressBook()
    {
        const uint32_t n = Count(kMaxEntries, 17);
        for (uint32_t i = 0; i < n; ++i)
        {
            CAbEntry e;
            e.m_uId = Id();
            e.m_sContainer = Str();
            if (e.m_sContainer != "gal" && e.m_sContainer != "pab")
                Fail("container is gal or pab");
            e.m_bDistList = Bool();
            e.m_props = Props(true);
            const uint32_t members = Count(kMaxEntries, 4);
            for (uint32_t j = 0; j < members; ++j)
                e.m_vMembers.push_back(U32());
            m_file.m_vAddressBook.push_back(std::move(e));
        }
    }
    // Ids are unique, below the next id, and distribution lists name entries that exist.
    void CheckIds()
    {
        std::sort(m_vIds.begin(), m_vIds.end());
        if (std::adjacent_find(m_vIds.begin(), m_vIds.end()) != m_vIds.end())
            Fail("an object id is used twice");
        if (!m_vIds.empty() && m_file.m_uNextId <= m_vIds.back())
            Fail("the next id is not above every id");
        for (const CAbEntry& e : m_file.m_vAddressBook)
            for (uint32_t m : e.m_vMembers)
                if (m == e.m_uId || !FindAbEntry(m_file, m))
                    Fail("distribution list member " + std::to_string(m) + " does not exist");
    }
    void Read()
    {
        Need(sizeof kSnapshotSignature);
        if (std::memcmp(m_s.data(), kSnapshotSignature, sizeof kSnapshotSignature) != 0)
            Fail("not a store snapshot");
        m_nAt = sizeof kSnapshotSignature;
        if (U32() != kSnapshotVersion)
            Fail("unknown snapshot version");
        m_file.m_sProfile = Str();
        m_file.m_bReminders = Bool();
        m_file.m_uNextId = U32();
        if (m_file.m_uNextId == 0 || m_file.m_uNextId > kMaxId + 1)
            Fail("next id out of range");
        Names();
        Stores();
        AddressBook();
        if (m_nAt != m_s.size())
            Fail("bytes after the end");
        CheckIds();
    }

  private:
    const std::string& m_s;
    size_t m_nAt = 0;
    CStoreFile& m_file;
    std::vector<uint32_t> m_vIds;
};
} // namespace

bool LoadStoreSnapshot(const std::string& p_sBytes, CStoreFile& p_file, std::string& p_sError)
{
    CStoreFile file;
    try
    {
        CReader(p_sBytes, file).Read();
    }
    catch (const CBadSnapshot& e)
    {
        p_sError = e.what();
        return false;
    }
    p_file = std::move(file);
    return true;
}
} // namespace mapistore
