// standins/mapi/store/store_snapshot.cpp: writes the store as its binary snapshot (layout in
// store_snapshot.h), and reads either form of the store by its signature.
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_journal.h"
#include "standins/mapi/store/store_text.h"

#include "standins/mapi/store/store_snapshot.h"

#include <cstring>

namespace mapistore
{
namespace
{
// Writes the snapshot into m_s, or with m_bMeasure only counts its bytes, so that the real pass
// fills a buffer of the right size instead of copying hundreds of megabytes as it grows.
class CWriter
{
  public:
    void Put(const char* p_p, size_t p_n)
    {
        if (m_bMeasure)
            m_nSize += p_n;
        else
            m_s.append(p_p, p_n);
    }
    void U8(uint8_t p_u)
    {
        const char c = static_cast<char>(p_u);
        Put(&c, 1);
    }
    void U32(uint32_t p_u)
    {
        const char b[4] = {static_cast<char>(p_u), static_cast<char>(p_u >> 8), static_cast<char>(p_u >> 16),
                           static_cast<char>(p_u >> 24)};
        Put(b, 4);
    }
    void I64(int64_t p_i)
    {
        const uint64_t u = static_cast<uint64_t>(p_i);
        U32(static_cast<uint32_t>(u));
        U32(static_cast<uint32_t>(u >> 32));
    }
    void F64(double p_d)
    {
        int64_t i = 0;
        std::memcpy(&i, &p_d, sizeof i);
        I64(i);
    }
    void Str(const std::string& p_s)
    {
        U32(static_cast<uint32_t>(p_s.size()));
        Put(p_s.data(), p_s.size());
    }
    void Bytes(const CBytes& p_b)
    {
        U32(static_cast<uint32_t>(p_b.size()));
        Put(reinterpret_cast<const char*>(p_b.data()), p_b.size());
    }
    void Scalar(uint32_t p_ulType, int64_t p_i, double p_d, const std::string& p_s, const CBytes& p_b)
    {
        if (IsStringType(p_ulType))
            Str(p_s);
        else if (p_ulType == kPtBinary || p_ulType == kPtClsid)
            Bytes(p_b);
        else if (p_ulType == kPtDouble)
            F64(p_d);
        else
            I64(p_i);
    }
    void Props(const CPropList& p_props)
    {
        U32(static_cast<uint32_t>(p_props.size()));
        for (const CPropValue& v : p_props)
        {
            U32(v.m_ulTag);
            const uint32_t t = PropType(v.m_ulTag);
            if (!(t & kMvFlag))
            {
                Scalar(t, v.m_iValue, v.m_dValue, v.m_sValue, v.m_bValue);
                continue;
            }
            const uint32_t base = t & ~kMvFlag;
            const size_t n = IsStringType(base)                      ? v.m_mvsValue.size()
                             : base == kPtBinary || base == kPtClsid ? v.m_mvbValue.size()
                             : base == kPtDouble                     ? v.m_mvdValue.size()
                                                                     : v.m_mviValue.size();
            U32(static_cast<uint32_t>(n));
            for (size_t i = 0; i < n; ++i)
                if (IsStringType(base))
                    Str(v.m_mvsValue[i]);
                else if (base == kPtBinary || base == kPtClsid)
                    Bytes(v.m_mvbValue[i]);
                else if (base == kPtDouble)
                    F64(v.m_mvdValue[i]);
                else
                    I64(v.m_mviValue[i]);
        }
    }
    void Restriction(const CRestriction& p_r)
    {
        U32(p_r.m_kind);
        U32(p_r.m_ulRelop);
        U32(p_r.m_ulFuzzy);
        U32(p_r.m_ulPropTag);
        U32(p_r.m_ulPropTag2);
        U32(p_r.m_ulMask);
        const bool bValue = p_r.m_kind == CRestriction::Property || p_r.m_kind == CRestriction::Content;
        U8(bValue ? 1 : 0);
        if (bValue)
            Props({p_r.m_value});
        U32(static_cast<uint32_t>(p_r.m_children.size()));
        for (const CRestriction& c : p_r.m_children)
            Restriction(c);
    }
    void Orders(const CFolder& p_f)
    {
        // Only orders of the folder as it is now are worth keeping.
        std::vector<const CKeptOrder*> kept;
        if (p_f.m_pIndex && p_f.m_pIndex->m_nItems == p_f.m_vItems.size())
            for (const CKeptOrder& k : p_f.m_pIndex->m_vOrders)
                if (k.m_pOrder)
                    kept.push_back(&k);
        U32(static_cast<uint32_t>(kept.size()));
        for (const CKeptOrder* k : kept)
        {
            U8(k->m_bAssociated ? 1 : 0);
            U32(k->m_ulCollation);
            U32(static_cast<uint32_t>(k->m_vKeys.size()));
            for (const CSortKey& key : k->m_vKeys)
            {
                U32(key.m_ulPropTag);
                U8(key.m_bDescending ? 1 : 0);
            }
            U32(static_cast<uint32_t>(k->m_pOrder->size()));
            for (uint32_t r : *k->m_pOrder)
                U32(r);
        }
    }
    void Folder(const CFolder& p_f)
    {
        U32(p_f.m_uId);
        Str(p_f.m_sRole);
        Props(p_f.m_props);
        U8(p_f.m_bSearch ? 1 : 0);
        if (p_f.m_bSearch)
        {
            U8(p_f.m_searchRestriction ? 1 : 0);
            if (p_f.m_searchRestriction)
                Restriction(*p_f.m_searchRestriction);
            U32(static_cast<uint32_t>(p_f.m_vSearchFolders.size()));
            for (uint32_t id : p_f.m_vSearchFolders)
                U32(id);
            U32(p_f.m_ulSearchFlags);
        }
        U32(static_cast<uint32_t>(p_f.m_vItems.size()));
        for (const CItem& item : p_f.m_vItems)
        {
            U32(item.m_uId);
            U8(item.m_bAssociated ? 1 : 0);
            Props(item.m_props);
            for (const auto* list : {&item.m_vRecipients, &item.m_vAttachments})
            {
                U32(static_cast<uint32_t>(list->size()));
                for (const CPropList& p : *list)
                    Props(p);
            }
        }
        Orders(p_f);
        U32(static_cast<uint32_t>(p_f.m_vFolders.size()));
        for (const auto& c : p_f.m_vFolders)
            Folder(*c);
    }

    std::string m_s;
    bool m_bMeasure = false;
    size_t m_nSize = 0;
};
} // namespace

bool IsStoreSnapshot(const std::string& p_sBytes)
{
    return p_sBytes.size() >= sizeof kSnapshotSignature &&
           std::memcmp(p_sBytes.data(), kSnapshotSignature, sizeof kSnapshotSignature) == 0;
}

namespace
{
void WriteSnapshot(CWriter& p_w, const CStoreFile& p_file)
{
    p_w.Put(kSnapshotSignature, sizeof kSnapshotSignature);
    p_w.U32(kSnapshotVersion);
    p_w.Str(p_file.m_sProfile);
    p_w.U8(p_file.m_bReminders ? 1 : 0);
    p_w.U32(p_file.m_uNextId);
    p_w.U32(static_cast<uint32_t>(p_file.m_vNames.size()));
    for (const CNamedProp& n : p_file.m_vNames)
    {
        p_w.Bytes(n.m_guid);
        p_w.U8(n.m_bString ? 1 : 0);
        p_w.U32(n.m_ulLid);
        p_w.Str(n.m_sName);
    }
    p_w.U32(static_cast<uint32_t>(p_file.m_vStores.size()));
    for (const CStore& s : p_file.m_vStores)
    {
        p_w.Bytes(s.m_uid);
        p_w.U8(s.m_bDefault ? 1 : 0);
        p_w.Props(s.m_props);
        p_w.Folder(s.m_root);
    }
    p_w.U32(static_cast<uint32_t>(p_file.m_vAddressBook.size()));
    for (const CAbEntry& e : p_file.m_vAddressBook)
    {
        p_w.U32(e.m_uId);
        p_w.Str(e.m_sContainer);
        p_w.U8(e.m_bDistList ? 1 : 0);
        p_w.Props(e.m_props);
        p_w.U32(static_cast<uint32_t>(e.m_vMembers.size()));
        for (uint32_t m : e.m_vMembers)
            p_w.U32(m);
    }
}
} // namespace

std::string SaveStoreSnapshot(const CStoreFile& p_file)
{
    CWriter w;
    w.m_bMeasure = true;
    WriteSnapshot(w, p_file);
    w.m_bMeasure = false;
    w.m_s.reserve(w.m_nSize);
    WriteSnapshot(w, p_file);
    return std::move(w.m_s);
}

bool LoadStoreAny(const std::string& p_sBytes, CStoreFile& p_file, std::string& p_sError, size_t* p_pnSkipped)
{
    if (p_pnSkipped)
        *p_pnSkipped = 0;
    return IsStoreSnapshot(p_sBytes) ? LoadStoreSnapshot(p_sBytes, p_file, p_sError)
                                     : LoadStoreJournaled(p_sBytes, p_file, p_sError, p_pnSkipped);
}
} // namespace mapistore
