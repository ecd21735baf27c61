// standins/mapi/provider/provider_core.cpp: MAPI memory, entry ids, property conversion, the
// object base, tables, streams, notifications and the store file behind every session.
#include "standins/mapi/provider/provider.h"

#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>

namespace mapiprov
{
// ---- MAPI memory: a buffer and everything allocated "more" on it are freed together.
namespace
{
constexpr DWORD kBlockMagic = 0x4D415049; // 'MAPI'
struct alignas(16) CBlock
{
    CBlock* m_pNext; // the chain of "more" blocks hanging off a root
    DWORD m_dwMagic;
    BOOL m_bRoot;
};
CRITICAL_SECTION g_csAlloc;
struct CAllocInit
{
    CAllocInit() { InitializeCriticalSection(&g_csAlloc); }
} g_allocInit;

CBlock* Header(void* p_p) { return p_p ? reinterpret_cast<CBlock*>(static_cast<char*>(p_p) - sizeof(CBlock)) : nullptr; }
} // namespace
} // namespace mapiprov

using namespace mapiprov;

namespace
{
SCODE AllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    auto* b = static_cast<CBlock*>(calloc(1, sizeof(CBlock) + cbSize));
    if (!b)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    b->m_dwMagic = kBlockMagic;
    b->m_bRoot = TRUE;
    *lppBuffer = b + 1;
    return S_OK;
}

SCODE AllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    CBlock* parent = Header(lpObject);
    if (!parent || parent->m_dwMagic != kBlockMagic || !parent->m_bRoot)
        return MAPI_E_INVALID_PARAMETER;
    auto* b = static_cast<CBlock*>(calloc(1, sizeof(CBlock) + cbSize));
    if (!b)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    b->m_dwMagic = kBlockMagic;
    EnterCriticalSection(&g_csAlloc);
    b->m_pNext = parent->m_pNext;
    parent->m_pNext = b;
    LeaveCriticalSection(&g_csAlloc);
    *lppBuffer = b + 1;
    return S_OK;
}

ULONG FreeBuffer(LPVOID lpBuffer)
{
    CBlock* b = Header(lpBuffer);
    if (!b)
        return S_OK;
    if (b->m_dwMagic != kBlockMagic || !b->m_bRoot)
        return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER); // not a buffer of ours, or a "more" block
    EnterCriticalSection(&g_csAlloc);
    CBlock* next = b->m_pNext;
    LeaveCriticalSection(&g_csAlloc);
    b->m_dwMagic = 0;
    free(b);
    while (next)
    {
        CBlock* n = next->m_pNext;
        next->m_dwMagic = 0;
        free(next);
        next = n;
    }
    return S_OK;
}

} // namespace

extern "C" SCODE WINAPI MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    return TrapExceptions("MAPIAllocateBuffer", static_cast<SCODE>(MAPI_E_NOT_ENOUGH_MEMORY), [&] { return AllocateBuffer(cbSize, lppBuffer); });
}

extern "C" SCODE WINAPI MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    return TrapExceptions("MAPIAllocateMore", static_cast<SCODE>(MAPI_E_NOT_ENOUGH_MEMORY),
                          [&] { return AllocateMore(cbSize, lpObject, lppBuffer); });
}

extern "C" ULONG WINAPI MAPIFreeBuffer(LPVOID lpBuffer)
{
    return TrapExceptions("MAPIFreeBuffer", static_cast<ULONG>(MAPI_E_INVALID_PARAMETER), [&] { return FreeBuffer(lpBuffer); });
}

namespace mapiprov
{
std::recursive_mutex& Lock()
{
    static std::recursive_mutex s_lock;
    return s_lock;
}

// ---- entry ids
ms::CBytes MakeEntryId(const ms::CBytes& p_uid, ULONG p_ulKind, ULONG p_ulId, ULONG p_ulExtra)
{
    CEntryIdBits bits{};
    memcpy(bits.m_abUid, p_uid.data(), std::min<size_t>(16, p_uid.size()));
    bits.m_ulKind = p_ulKind;
    bits.m_ulId = p_ulId;
    bits.m_ulExtra = p_ulExtra;
    const auto* p = reinterpret_cast<const uint8_t*>(&bits);
    return ms::CBytes(p, p + sizeof bits);
}

const ms::CBytes& AbUid()
{
    static const ms::CBytes s_uid = {0xB7, 0xAB, 0x0B, 0x00, 0x42, 0x72, 0x65, 0x76,
                                     0x6F, 0x6C, 0x74, 0x41, 0x42, 0x00, 0x00, 0x01};
    return s_uid;
}

bool ParseEntryId(ULONG p_cb, const void* p_pEid, CEntryIdBits& p_bits)
{
    if (p_cb != sizeof(CEntryIdBits) || !p_pEid)
        return false;
    memcpy(&p_bits, p_pEid, sizeof p_bits);
    return p_bits.m_ulKind >= kKindStore && p_bits.m_ulKind <= kKindIdentity;
}

// ---- strings
std::string Utf8FromWide(const wchar_t* p_wsz)
{
    if (!p_wsz || !*p_wsz)
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, p_wsz, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, p_wsz, -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring WideFromUtf8(const std::string& p_s)
{
    if (p_s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, p_s.data(), static_cast<int>(p_s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, p_s.data(), static_cast<int>(p_s.size()), w.data(), n);
    return w;
}

std::string Utf8FromAnsi(const char* p_sz)
{
    if (!p_sz || !*p_sz)
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, p_sz, -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, p_sz, -1, w.data(), n);
    return Utf8FromWide(w.c_str());
}

std::string AnsiFromUtf8(const std::string& p_s)
{
    const std::wstring w = WideFromUtf8(p_s);
    if (w.empty())
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::string ArgString(const void* p_p, bool p_bUnicode)
{
    if (!p_p)
        return {};
    return p_bUnicode ? Utf8FromWide(static_cast<const wchar_t*>(p_p)) : Utf8FromAnsi(static_cast<const char*>(p_p));
}

// ---- property conversion
namespace
{
template <typename T> T* More(size_t p_n, void* p_pParent)
{
    void* p = nullptr;
    if (FAILED(MAPIAllocateMore(static_cast<ULONG>(p_n * sizeof(T) + 1), p_pParent, &p)))
        throw std::bad_alloc();
    return static_cast<T*>(p);
}

char* MoreAnsi(const std::string& p_utf8, void* p_pParent)
{
    const std::string a = AnsiFromUtf8(p_utf8);
    char* s = More<char>(a.size() + 1, p_pParent);
    memcpy(s, a.c_str(), a.size() + 1);
    return s;
}

wchar_t* MoreWide(const std::string& p_utf8, void* p_pParent)
{
    const std::wstring w = WideFromUtf8(p_utf8);
    wchar_t* s = More<wchar_t>(w.size() + 1, p_pParent);
    memcpy(s, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
    return s;
}

void SetBin(SBinary& p_b, const ms::CBytes& p_v, void* p_pParent)
{
    p_b.cb = static_cast<ULONG>(p_v.size());
    p_b.lpb = More<BYTE>(p_v.size(), p_pParent);
    if (!p_v.empty())
        memcpy(p_b.lpb, p_v.data(), p_v.size());
}
} // namespace

HRESULT ToSPropValue(const ms::CPropValue& p_v, ULONG p_ulTag, bool p_bUnicode, void* p_pParent, SPropValue& p_out)
{
    ULONG type = PROP_TYPE(p_ulTag);
    const ULONG stored = PROP_TYPE(p_v.m_ulTag);
    if (type == PT_UNSPECIFIED)
        type = ms::IsStringType(stored) ? ((p_bUnicode ? PT_UNICODE : PT_STRING8) | (stored & MV_FLAG)) : stored;
    if (type != stored && !(ms::IsStringType(type) && ms::IsStringType(stored)))
        return MAPI_E_NOT_FOUND;
    p_out.ulPropTag = PROP_TAG(type, PROP_ID(p_v.m_ulTag));
    p_out.dwAlignPad = 0;
    try
    {
        switch (type)
        {
        case PT_I2:
            p_out.Value.i = static_cast<short>(p_v.m_iValue);
            break;
        case PT_LONG:
            p_out.Value.l = static_cast<LONG>(p_v.m_iValue);
            break;
        case PT_BOOLEAN:
            p_out.Value.b = p_v.m_iValue ? 1 : 0;
            break;
        case PT_I8:
            p_out.Value.li.QuadPart = p_v.m_iValue;
            break;
        case PT_DOUBLE:
            p_out.Value.dbl = p_v.m_dValue;
            break;
        case PT_SYSTIME:
            p_out.Value.ft.dwLowDateTime = static_cast<DWORD>(p_v.m_iValue);
            p_out.Value.ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(p_v.m_iValue) >> 32);
            break;
        case PT_STRING8:
            p_out.Value.lpszA = MoreAnsi(p_v.m_sValue, p_pParent);
            break;
        case PT_UNICODE:
            p_out.Value.lpszW = MoreWide(p_v.m_sValue, p_pParent);
            break;
        case PT_BINARY:
            SetBin(p_out.Value.bin, p_v.m_bValue, p_pParent);
            break;
        case PT_CLSID:
            p_out.Value.lpguid = More<GUID>(1, p_pParent);
            memcpy(p_out.Value.lpguid, p_v.m_bValue.data(), std::min<size_t>(16, p_v.m_bValue.size()));
            break;
        case PT_MV_STRING8:
            p_out.Value.MVszA.cValues = static_cast<ULONG>(p_v.m_mvsValue.size());
            p_out.Value.MVszA.lppszA = More<LPSTR>(p_v.m_mvsValue.size(), p_pParent);
            for (size_t i = 0; i < p_v.m_mvsValue.size(); ++i)
                p_out.Value.MVszA.lppszA[i] = MoreAnsi(p_v.m_mvsValue[i], p_pParent);
            break;
        case PT_MV_UNICODE:
            p_out.Value.MVszW.cValues = static_cast<ULONG>(p_v.m_mvsValue.size());
            p_out.Value.MVszW.lppszW = More<LPWSTR>(p_v.m_mvsValue.size(), p_pParent);
            for (size_t i = 0; i < p_v.m_mvsValue.size(); ++i)
                p_out.Value.MVszW.lppszW[i] = MoreWide(p_v.m_mvsValue[i], p_pParent);
            break;
        case PT_MV_BINARY:
            p_out.Value.MVbin.cValues = static_cast<ULONG>(p_v.m_mvbValue.size());
            p_out.Value.MVbin.lpbin = More<SBinary>(p_v.m_mvbValue.size(), p_pParent);
            for (size_t i = 0; i < p_v.m_mvbValue.size(); ++i)
                SetBin(p_out.Value.MVbin.lpbin[i], p_v.m_mvbValue[i], p_pParent);
            break;
        case PT_MV_LONG:
            p_out.Value.MVl.cValues = static_cast<ULONG>(p_v.m_mviValue.size());
            p_out.Value.MVl.lpl = More<LONG>(p_v.m_mviValue.size(), p_pParent);
            for (size_t i = 0; i < p_v.m_mviValue.size(); ++i)
                p_out.Value.MVl.lpl[i] = static_cast<LONG>(p_v.m_mviValue[i]);
            break;
        case PT_MV_SYSTIME:
            p_out.Value.MVft.cValues = static_cast<ULONG>(p_v.m_mviValue.size());
            p_out.Value.MVft.lpft = More<FILETIME>(p_v.m_mviValue.size(), p_pParent);
            for (size_t i = 0; i < p_v.m_mviValue.size(); ++i)
            {
                p_out.Value.MVft.lpft[i].dwLowDateTime = static_cast<DWORD>(p_v.m_mviValue[i]);
                p_out.Value.MVft.lpft[i].dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(p_v.m_mviValue[i]) >> 32);
            }
            break;
        default:
            return MAPI_E_NOT_FOUND;
        }
    }
    catch (const std::bad_alloc&)
    {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    return S_OK;
}

bool FromSPropValue(const SPropValue& p_v, ms::CPropValue& p_out)
{
    const ULONG type = PROP_TYPE(p_v.ulPropTag), id = PROP_ID(p_v.ulPropTag);
    p_out = {};
    p_out.m_ulTag = p_v.ulPropTag;
    auto ft = [](const FILETIME& f) { return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime); };
    auto bin = [](const SBinary& b) {
        return b.lpb ? ms::CBytes(b.lpb, b.lpb + b.cb) : ms::CBytes();
    };
    switch (type)
    {
    case PT_I2:
        p_out.m_iValue = p_v.Value.i;
        return true;
    case PT_LONG:
        p_out.m_iValue = p_v.Value.l;
        return true;
    case PT_BOOLEAN:
        p_out.m_iValue = p_v.Value.b ? 1 : 0;
        return true;
    case PT_I8:
        p_out.m_iValue = p_v.Value.li.QuadPart;
        return true;
    case PT_DOUBLE:
        p_out.m_dValue = p_v.Value.dbl;
        return true;
    case PT_SYSTIME:
        p_out.m_iValue = ft(p_v.Value.ft);
        return true;
    case PT_STRING8:
        p_out.m_ulTag = PROP_TAG(PT_UNICODE, id);
        p_out.m_sValue = Utf8FromAnsi(p_v.Value.lpszA);
        return true;
    case PT_UNICODE:
        p_out.m_sValue = Utf8FromWide(p_v.Value.lpszW);
        return true;
    case PT_BINARY:
        p_out.m_bValue = bin(p_v.Value.bin);
        return true;
    case PT_CLSID:
        if (!p_v.Value.lpguid)
            return false;
        p_out.m_bValue.assign(reinterpret_cast<const uint8_t*>(p_v.Value.lpguid), reinterpret_cast<const uint8_t*>(p_v.Value.lpguid) + 16);
        return true;
    case PT_MV_STRING8:
        p_out.m_ulTag = PROP_TAG(PT_MV_UNICODE, id);
        for (ULONG i = 0; i < p_v.Value.MVszA.cValues; ++i)
            p_out.m_mvsValue.push_back(Utf8FromAnsi(p_v.Value.MVszA.lppszA[i]));
        return true;
    case PT_MV_UNICODE:
        for (ULONG i = 0; i < p_v.Value.MVszW.cValues; ++i)
            p_out.m_mvsValue.push_back(Utf8FromWide(p_v.Value.MVszW.lppszW[i]));
        return true;
    case PT_MV_BINARY:
        for (ULONG i = 0; i < p_v.Value.MVbin.cValues; ++i)
            p_out.m_mvbValue.push_back(bin(p_v.Value.MVbin.lpbin[i]));
        return true;
    case PT_MV_LONG:
        for (ULONG i = 0; i < p_v.Value.MVl.cValues; ++i)
            p_out.m_mviValue.push_back(p_v.Value.MVl.lpl[i]);
        return true;
    case PT_MV_SYSTIME:
        for (ULONG i = 0; i < p_v.Value.MVft.cValues; ++i)
            p_out.m_mviValue.push_back(ft(p_v.Value.MVft.lpft[i]));
        return true;
    default:
        return false;
    }
}

bool FromSRestriction(const SRestriction* p_pRes, ms::CRestriction& p_out, int p_iDepth)
{
    if (!p_pRes || p_iDepth > 64)
        return false;
    p_out = {};
    switch (p_pRes->rt)
    {
    case RES_AND:
    case RES_OR: {
        p_out.m_kind = p_pRes->rt == RES_AND ? ms::CRestriction::And : ms::CRestriction::Or;
        const ULONG n = p_pRes->res.resAnd.cRes;
        if (n && !p_pRes->res.resAnd.lpRes)
            return false;
        for (ULONG i = 0; i < n; ++i)
        {
            ms::CRestriction c;
            if (!FromSRestriction(&p_pRes->res.resAnd.lpRes[i], c, p_iDepth + 1))
                return false;
            p_out.m_children.push_back(std::move(c));
        }
        return true;
    }
    case RES_NOT: {
        p_out.m_kind = ms::CRestriction::Not;
        ms::CRestriction c;
        if (!FromSRestriction(p_pRes->res.resNot.lpRes, c, p_iDepth + 1))
            return false;
        p_out.m_children.push_back(std::move(c));
        return true;
    }
    case RES_EXIST:
        p_out.m_kind = ms::CRestriction::Exist;
        p_out.m_ulPropTag = p_pRes->res.resExist.ulPropTag;
        return true;
    case RES_PROPERTY:
        p_out.m_kind = ms::CRestriction::Property;
        p_out.m_ulRelop = p_pRes->res.resProperty.relop;
        p_out.m_ulPropTag = p_pRes->res.resProperty.ulPropTag;
        return p_pRes->res.resProperty.lpProp && FromSPropValue(*p_pRes->res.resProperty.lpProp, p_out.m_value);
    case RES_CONTENT:
        p_out.m_kind = ms::CRestriction::Content;
        p_out.m_ulFuzzy = p_pRes->res.resContent.ulFuzzyLevel;
        p_out.m_ulPropTag = p_pRes->res.resContent.ulPropTag;
        return p_pRes->res.resContent.lpProp && FromSPropValue(*p_pRes->res.resContent.lpProp, p_out.m_value);
    case RES_BITMASK:
        p_out.m_kind = ms::CRestriction::BitMask;
        p_out.m_ulRelop = p_pRes->res.resBitMask.relBMR;
        p_out.m_ulPropTag = p_pRes->res.resBitMask.ulPropTag;
        p_out.m_ulMask = p_pRes->res.resBitMask.ulMask;
        return true;
    case RES_COMPAREPROPS:
        p_out.m_kind = ms::CRestriction::CompareProps;
        p_out.m_ulRelop = p_pRes->res.resCompareProps.relop;
        p_out.m_ulPropTag = p_pRes->res.resCompareProps.ulPropTag1;
        p_out.m_ulPropTag2 = p_pRes->res.resCompareProps.ulPropTag2;
        return true;
    default:
        return false;
    }
}

HRESULT RowToSRow(const ms::CPropList& p_row, const std::vector<ULONG>& p_cols, bool p_bUnicode, SRow& p_out)
{
    LPSPropValue vals = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * std::max<size_t>(1, p_cols.size())),
                                  reinterpret_cast<void**>(&vals))))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    for (size_t i = 0; i < p_cols.size(); ++i)
    {
        const ms::CPropValue* v = ms::FindProp(p_row, p_cols[i]);
        if (!v || FAILED(ToSPropValue(*v, p_cols[i], p_bUnicode, vals, vals[i])))
        {
            vals[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(p_cols[i]));
            vals[i].Value.err = MAPI_E_NOT_FOUND;
        }
    }
    p_out.ulAdrEntryPad = 0;
    p_out.cValues = static_cast<ULONG>(p_cols.size());
    p_out.lpProps = vals;
    return S_OK;
}

HRESULT AllocTagArray(const std::vector<ULONG>& p_tags, LPSPropTagArray* p_pp)
{
    LPSPropTagArray a = nullptr;
    if (FAILED(MAPIAllocateBuffer(CbNewSPropTagArray(p_tags.size()), reinterpret_cast<void**>(&a))))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    a->cValues = static_cast<ULONG>(p_tags.size());
    for (size_t i = 0; i < p_tags.size(); ++i)
        a->aulPropTag[i] = p_tags[i];
    *p_pp = a;
    return S_OK;
}

HRESULT CopyBytesOut(const ms::CBytes& p_b, ULONG* p_pcb, LPENTRYID* p_pp, void* p_pParent)
{
    if (!p_pcb || !p_pp)
        return MAPI_E_INVALID_PARAMETER;
    void* p = nullptr;
    const SCODE sc = p_pParent ? MAPIAllocateMore(static_cast<ULONG>(p_b.size()), p_pParent, &p)
                               : MAPIAllocateBuffer(static_cast<ULONG>(p_b.size()), &p);
    if (FAILED(sc))
        return sc;
    memcpy(p, p_b.data(), p_b.size());
    *p_pcb = static_cast<ULONG>(p_b.size());
    *p_pp = static_cast<LPENTRYID>(p);
    return S_OK;
}

// ---- calls and notifications
namespace
{
struct CPending
{
    ULONG m_ulEvent;
    ms::CBytes m_storeUid, m_eid, m_parent, m_oldEid, m_oldParent;
    ULONG m_ulObjType;
    std::string m_sClass;
    ULONG m_ulFlags;
};
std::vector<CPending> g_vPending;
std::vector<CAdvise> g_vAdvises;
ULONG g_ulNextConnection = 1;
} // namespace

HRESULT Call(const char* p_szName, const std::function<HRESULT()>& p_body)
{
    const HRESULT hr = TrapExceptions(p_szName, static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&] {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        return p_body();
    });
    DeliverQueued();
    return hr;
}

ULONG AddAdvise(const ms::CBytes& p_storeUid, ms::CBytes p_filter, ULONG p_ulMask, IMAPIAdviseSink* p_pSink)
{
    p_pSink->AddRef();
    g_vAdvises.push_back({g_ulNextConnection, p_storeUid, std::move(p_filter), p_ulMask, p_pSink});
    return g_ulNextConnection++;
}

bool RemoveAdvise(ULONG p_ulConnection)
{
    for (auto it = g_vAdvises.begin(); it != g_vAdvises.end(); ++it)
        if (it->m_ulConnection == p_ulConnection)
        {
            IMAPIAdviseSink* sink = it->m_pSink;
            g_vAdvises.erase(it);
            sink->Release();
            return true;
        }
    return false;
}

void QueueObjectEvent(ULONG p_ulEvent, const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, ULONG p_ulObjType,
                      const ms::CBytes& p_parent, const ms::CBytes& p_oldEid, const ms::CBytes& p_oldParent)
{
    g_vPending.push_back({p_ulEvent, p_storeUid, p_eid, p_parent, p_oldEid, p_oldParent, p_ulObjType, {}, 0});
}

void QueueNewMail(const ms::CBytes& p_storeUid, const ms::CBytes& p_eid, const ms::CBytes& p_parent,
                  const std::string& p_sClass, ULONG p_ulFlags)
{
    g_vPending.push_back({fnevNewMail, p_storeUid, p_eid, p_parent, {}, {}, MAPI_MESSAGE, p_sClass, p_ulFlags});
}

void DeliverQueued()
{
    std::vector<std::pair<IMAPIAdviseSink*, LPNOTIFICATION>> calls;
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        if (g_vPending.empty())
            return;
        std::vector<CPending> pending;
        pending.swap(g_vPending);
        for (const CPending& p : pending)
            for (const CAdvise& a : g_vAdvises)
            {
                if (a.m_storeUid != p.m_storeUid || !(a.m_ulMask & p.m_ulEvent))
                    continue;
                // A sink on one object hears about it and about what happens in it (a folder's messages).
                if (!a.m_filterEid.empty() && a.m_filterEid != p.m_eid && a.m_filterEid != p.m_parent)
                    continue;
                LPNOTIFICATION n = nullptr;
                if (FAILED(MAPIAllocateBuffer(sizeof(NOTIFICATION), reinterpret_cast<void**>(&n))))
                    continue;
                memset(n, 0, sizeof *n);
                n->ulEventType = p.m_ulEvent;
                auto eid = [&](const ms::CBytes& b, ULONG& cb, LPENTRYID& e) {
                    if (!b.empty())
                        (void)CopyBytesOut(b, &cb, &e, n);
                };
                if (p.m_ulEvent == fnevNewMail)
                {
                    eid(p.m_eid, n->info.newmail.cbEntryID, n->info.newmail.lpEntryID);
                    eid(p.m_parent, n->info.newmail.cbParentID, n->info.newmail.lpParentID);
                    n->info.newmail.ulFlags = 0; // the class is ANSI
                    n->info.newmail.lpszMessageClass = More<char>(p.m_sClass.size() + 1, n);
                    memcpy(n->info.newmail.lpszMessageClass, p.m_sClass.c_str(), p.m_sClass.size() + 1);
                    n->info.newmail.ulMessageFlags = p.m_ulFlags;
                }
                else
                {
                    eid(p.m_eid, n->info.obj.cbEntryID, n->info.obj.lpEntryID);
                    eid(p.m_parent, n->info.obj.cbParentID, n->info.obj.lpParentID);
                    eid(p.m_oldEid, n->info.obj.cbOldID, n->info.obj.lpOldID);
                    eid(p.m_oldParent, n->info.obj.cbOldParentID, n->info.obj.lpOldParentID);
                    n->info.obj.ulObjType = p.m_ulObjType;
                }
                a.m_pSink->AddRef();
                calls.push_back({a.m_pSink, n});
            }
    }
    for (auto& [sink, n] : calls)
    {
        TrapExceptionsVoid("IMAPIAdviseSink::OnNotify", [&] { sink->OnNotify(1, n); });
        sink->Release();
        MAPIFreeBuffer(n);
    }
}

// ---- COM base
CUnknownBase::~CUnknownBase()
{
    if (m_pFtm)
        m_pFtm->Release();
}

HRESULT CUnknownBase::QueryBase(REFIID p_riid, void** p_ppv, IUnknown* p_pSelf, std::initializer_list<const IID*> p_iids)
{
    if (!p_ppv)
        return E_POINTER;
    *p_ppv = nullptr;
    if (p_riid == IID_IUnknown)
    {
        *p_ppv = p_pSelf;
        AddRefBase();
        return S_OK;
    }
    for (const IID* iid : p_iids)
        if (p_riid == *iid)
        {
            *p_ppv = p_pSelf;
            AddRefBase();
            return S_OK;
        }
    if (p_riid == IID_IMarshal)
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        if (!m_pFtm && FAILED(CoCreateFreeThreadedMarshaler(p_pSelf, &m_pFtm)))
            return E_NOINTERFACE;
        return m_pFtm->QueryInterface(p_riid, p_ppv);
    }
    return E_NOINTERFACE;
}

// ---- tables
CTable::CTable(CSource p_source, std::vector<ULONG> p_cols, bool p_bUnicode)
    : m_source(std::move(p_source)), m_vCols(std::move(p_cols)), m_bUnicode(p_bUnicode)
{
}

void CTable::Refresh()
{
    const uint64_t g = CProvider::Get().Generation();
    if (g == m_ulGeneration)
        return;
    m_ulGeneration = g;
    std::vector<ms::CPropList> rows = m_source();
    for (size_t i = 0; i < rows.size(); ++i)
        if (!ms::FindProp(rows[i], PR_INSTANCE_KEY))
        {
            const uint32_t key = static_cast<uint32_t>(i + 1);
            ms::SetProp(rows[i], ms::CPropValue::Binary(PR_INSTANCE_KEY, ms::CBytes(reinterpret_cast<const uint8_t*>(&key),
                                                                                      reinterpret_cast<const uint8_t*>(&key) + 4)));
        }
    m_view.SetRows(std::move(rows));
}

HRESULT NewTable(CTable::CSource p_source, std::vector<ULONG> p_cols, ULONG p_ulFlags, LPMAPITABLE* p_pp)
{
    if (!p_pp)
        return MAPI_E_INVALID_PARAMETER;
    *p_pp = new CTable(std::move(p_source), std::move(p_cols), (p_ulFlags & MAPI_UNICODE) != 0);
    return S_OK;
}

STDMETHODIMP CTable::GetLastError(HRESULT, ULONG, LPMAPIERROR* p_pp)
{
    if (p_pp)
        *p_pp = nullptr;
    return S_OK;
}
STDMETHODIMP CTable::Advise(ULONG, LPMAPIADVISESINK, ULONG*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP CTable::Unadvise(ULONG) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP CTable::GetStatus(ULONG* p_pStatus, ULONG* p_pType)
{
    if (!p_pStatus || !p_pType)
        return MAPI_E_INVALID_PARAMETER;
    *p_pStatus = TBLSTAT_COMPLETE;
    *p_pType = TBLTYPE_DYNAMIC;
    return S_OK;
}

STDMETHODIMP CTable::SetColumns(LPSPropTagArray p_pTags, ULONG)
{
    return Call("IMAPITable::SetColumns", [&]() -> HRESULT {
        if (!p_pTags || p_pTags->cValues == 0)
            return MAPI_E_INVALID_PARAMETER;
        m_vCols.assign(p_pTags->aulPropTag, p_pTags->aulPropTag + p_pTags->cValues);
        return S_OK;
    });
}

STDMETHODIMP CTable::QueryColumns(ULONG p_ulFlags, LPSPropTagArray* p_pp)
{
    return Call("IMAPITable::QueryColumns", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        if (!(p_ulFlags & TBL_ALL_COLUMNS))
            return AllocTagArray(m_vCols, p_pp);
        Refresh();
        std::vector<ULONG> all;
        const uint32_t pos = m_view.Position();
        int32_t sought = 0;
        m_view.SeekRow(ms::kBookmarkBeginning, 0, sought);
        for (const ms::CPropList* row : m_view.QueryRows(static_cast<int32_t>(m_view.RowCount()), true))
            for (const auto& v : *row)
                if (std::find(all.begin(), all.end(), v.m_ulTag) == all.end())
                    all.push_back(v.m_ulTag);
        m_view.SeekRow(ms::kBookmarkBeginning, static_cast<int32_t>(pos), sought);
        return AllocTagArray(all, p_pp);
    });
}

STDMETHODIMP CTable::GetRowCount(ULONG, ULONG* p_pc)
{
    return Call("IMAPITable::GetRowCount", [&]() -> HRESULT {
        if (!p_pc)
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        *p_pc = m_view.RowCount();
        return S_OK;
    });
}

STDMETHODIMP CTable::SeekRow(BOOKMARK p_bk, LONG p_lRows, LONG* p_plSought)
{
    return Call("IMAPITable::SeekRow", [&]() -> HRESULT {
        Refresh();
        int32_t sought = 0;
        if (!m_view.SeekRow(static_cast<uint32_t>(p_bk), p_lRows, sought))
            return MAPI_E_INVALID_BOOKMARK;
        if (p_plSought)
            *p_plSought = sought;
        return S_OK;
    });
}

STDMETHODIMP CTable::SeekRowApprox(ULONG p_ulNum, ULONG p_ulDen)
{
    return Call("IMAPITable::SeekRowApprox", [&]() -> HRESULT {
        Refresh();
        return m_view.SeekRowApprox(p_ulNum, p_ulDen) ? S_OK : MAPI_E_INVALID_PARAMETER;
    });
}

STDMETHODIMP CTable::QueryPosition(ULONG* p_pRow, ULONG* p_pNum, ULONG* p_pDen)
{
    return Call("IMAPITable::QueryPosition", [&]() -> HRESULT {
        if (!p_pRow || !p_pNum || !p_pDen)
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        *p_pRow = m_view.Position();
        *p_pNum = m_view.Position();
        *p_pDen = m_view.RowCount();
        return S_OK;
    });
}

STDMETHODIMP CTable::FindRow(LPSRestriction p_pRes, BOOKMARK p_bk, ULONG p_ulFlags)
{
    return Call("IMAPITable::FindRow", [&]() -> HRESULT {
        ms::CRestriction r;
        if (!FromSRestriction(p_pRes, r))
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        bool bBad = false;
        if (m_view.FindRow(r, static_cast<uint32_t>(p_bk), (p_ulFlags & DIR_BACKWARD) != 0, bBad))
            return S_OK;
        return bBad ? MAPI_E_INVALID_BOOKMARK : MAPI_E_NOT_FOUND;
    });
}

STDMETHODIMP CTable::Restrict(LPSRestriction p_pRes, ULONG)
{
    return Call("IMAPITable::Restrict", [&]() -> HRESULT {
        Refresh();
        if (!p_pRes)
        {
            m_view.Restrict(std::nullopt);
            return S_OK;
        }
        ms::CRestriction r;
        if (!FromSRestriction(p_pRes, r))
            return MAPI_E_TOO_COMPLEX;
        m_view.Restrict(std::move(r));
        return S_OK;
    });
}

STDMETHODIMP CTable::CreateBookmark(BOOKMARK* p_pbk)
{
    return Call("IMAPITable::CreateBookmark", [&]() -> HRESULT {
        if (!p_pbk)
            return MAPI_E_INVALID_PARAMETER;
        Refresh();
        *p_pbk = m_view.CreateBookmark();
        return S_OK;
    });
}

STDMETHODIMP CTable::FreeBookmark(BOOKMARK p_bk)
{
    return Call("IMAPITable::FreeBookmark", [&]() -> HRESULT {
        return m_view.FreeBookmark(static_cast<uint32_t>(p_bk)) ? S_OK : MAPI_E_INVALID_BOOKMARK;
    });
}

STDMETHODIMP CTable::SortTable(LPSSortOrderSet p_pSort, ULONG)
{
    return Call("IMAPITable::SortTable", [&]() -> HRESULT {
        if (!p_pSort)
            return MAPI_E_INVALID_PARAMETER;
        std::vector<ms::CSortKey> keys;
        for (ULONG i = 0; i < p_pSort->cSorts; ++i)
        {
            if (p_pSort->aSort[i].ulOrder != TABLE_SORT_ASCEND && p_pSort->aSort[i].ulOrder != TABLE_SORT_DESCEND)
                return MAPI_E_TOO_COMPLEX;
            keys.push_back({p_pSort->aSort[i].ulPropTag, p_pSort->aSort[i].ulOrder == TABLE_SORT_DESCEND});
        }
        Refresh();
        m_view.Sort(std::move(keys));
        return S_OK;
    });
}

STDMETHODIMP CTable::QuerySortOrder(LPSSortOrderSet* p_pp)
{
    return Call("IMAPITable::QuerySortOrder", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        const auto& keys = m_view.SortKeys();
        LPSSortOrderSet s = nullptr;
        if (FAILED(MAPIAllocateBuffer(CbNewSSortOrderSet(keys.size()), reinterpret_cast<void**>(&s))))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        s->cSorts = static_cast<ULONG>(keys.size());
        s->cCategories = s->cExpanded = 0;
        for (size_t i = 0; i < keys.size(); ++i)
            s->aSort[i] = {keys[i].m_ulPropTag, keys[i].m_bDescending ? TABLE_SORT_DESCEND : TABLE_SORT_ASCEND};
        *p_pp = s;
        return S_OK;
    });
}

STDMETHODIMP CTable::QueryRows(LONG p_lCount, ULONG p_ulFlags, LPSRowSet* p_pp)
{
    return Call("IMAPITable::QueryRows", [&]() -> HRESULT {
        if (!p_pp)
            return MAPI_E_INVALID_PARAMETER;
        *p_pp = nullptr;
        Refresh();
        const auto rows = m_view.QueryRows(p_lCount, (p_ulFlags & TBL_NOADVANCE) != 0);
        LPSRowSet set = nullptr;
        if (FAILED(MAPIAllocateBuffer(CbNewSRowSet(std::max<size_t>(1, rows.size())), reinterpret_cast<void**>(&set))))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        set->cRows = 0;
        for (const ms::CPropList* row : rows)
        {
            if (FAILED(RowToSRow(*row, m_vCols, m_bUnicode, set->aRow[set->cRows])))
            {
                FreeProws(set);
                return MAPI_E_NOT_ENOUGH_MEMORY;
            }
            ++set->cRows;
        }
        *p_pp = set;
        return S_OK;
    });
}

STDMETHODIMP CTable::Abort() { return S_OK; }
STDMETHODIMP CTable::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP CTable::CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP CTable::WaitForCompletion(ULONG, ULONG, ULONG* p_pStatus)
{
    if (p_pStatus)
        *p_pStatus = TBLSTAT_COMPLETE;
    return S_OK;
}
STDMETHODIMP CTable::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) { return MAPI_E_NO_SUPPORT; }
STDMETHODIMP CTable::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) { return MAPI_E_NO_SUPPORT; }

// ---- streams
namespace
{
class CMemoryStream final : public IStream, public CUnknownBase
{
  public:
    CMemoryStream(ms::CBytes p_data, std::function<void(const ms::CBytes&)> p_onCommit, IUnknown* p_pOwner)
        : m_data(std::move(p_data)), m_onCommit(std::move(p_onCommit)), m_pOwner(p_pOwner)
    {
    }
    ~CMemoryStream() override
    {
        if (m_pOwner)
            m_pOwner->Release();
    }
    MAPI_UNKNOWN_IMPL(&IID_IStream, &IID_ISequentialStream)

    STDMETHODIMP Read(void* p_pv, ULONG p_cb, ULONG* p_pcbRead) override
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        const size_t n = m_nPos < m_data.size() ? std::min<size_t>(p_cb, m_data.size() - m_nPos) : 0;
        if (n)
            memcpy(p_pv, m_data.data() + m_nPos, n);
        m_nPos += n;
        if (p_pcbRead)
            *p_pcbRead = static_cast<ULONG>(n);
        return S_OK;
    }
    STDMETHODIMP Write(const void* p_pv, ULONG p_cb, ULONG* p_pcbWritten) override
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        if (!m_onCommit)
            return STG_E_ACCESSDENIED;
        if (m_nPos + p_cb > m_data.size())
            m_data.resize(m_nPos + p_cb);
        if (p_cb)
            memcpy(m_data.data() + m_nPos, p_pv, p_cb);
        m_nPos += p_cb;
        if (p_pcbWritten)
            *p_pcbWritten = p_cb;
        return S_OK;
    }
    STDMETHODIMP Seek(LARGE_INTEGER p_move, DWORD p_dwOrigin, ULARGE_INTEGER* p_pNew) override
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        int64_t base = p_dwOrigin == STREAM_SEEK_SET ? 0
                       : p_dwOrigin == STREAM_SEEK_CUR ? static_cast<int64_t>(m_nPos)
                       : p_dwOrigin == STREAM_SEEK_END ? static_cast<int64_t>(m_data.size())
                                                       : -1;
        if (base < 0 || base + p_move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        m_nPos = static_cast<size_t>(base + p_move.QuadPart);
        if (p_pNew)
            p_pNew->QuadPart = m_nPos;
        return S_OK;
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER p_size) override
    {
        std::lock_guard<std::recursive_mutex> lock(Lock());
        if (!m_onCommit)
            return STG_E_ACCESSDENIED;
        m_data.resize(static_cast<size_t>(p_size.QuadPart));
        return S_OK;
    }
    STDMETHODIMP CopyTo(IStream* p_pDest, ULARGE_INTEGER p_cb, ULARGE_INTEGER* p_pRead, ULARGE_INTEGER* p_pWritten) override
    {
        ms::CBytes chunk;
        {
            std::lock_guard<std::recursive_mutex> lock(Lock());
            const size_t n = m_nPos < m_data.size() ? std::min<uint64_t>(p_cb.QuadPart, m_data.size() - m_nPos) : 0;
            chunk.assign(m_data.begin() + static_cast<ptrdiff_t>(m_nPos), m_data.begin() + static_cast<ptrdiff_t>(m_nPos + n));
            m_nPos += n;
        }
        ULONG written = 0;
        HRESULT hr = chunk.empty() ? S_OK : p_pDest->Write(chunk.data(), static_cast<ULONG>(chunk.size()), &written);
        if (p_pRead)
            p_pRead->QuadPart = chunk.size();
        if (p_pWritten)
            p_pWritten->QuadPart = written;
        return hr;
    }
    STDMETHODIMP Commit(DWORD) override
    {
        std::function<void(const ms::CBytes&)> f;
        ms::CBytes data;
        {
            std::lock_guard<std::recursive_mutex> lock(Lock());
            f = m_onCommit;
            data = m_data;
        }
        if (f)
            TrapExceptionsVoid("IStream::Commit", [&] { f(data); });
        return S_OK;
    }
    STDMETHODIMP Revert() override { return S_OK; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP Stat(STATSTG* p_pStat, DWORD) override
    {
        if (!p_pStat)
            return STG_E_INVALIDPOINTER;
        memset(p_pStat, 0, sizeof *p_pStat);
        p_pStat->type = STGTY_STREAM;
        std::lock_guard<std::recursive_mutex> lock(Lock());
        p_pStat->cbSize.QuadPart = m_data.size();
        return S_OK;
    }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

  private:
    ms::CBytes m_data;
    size_t m_nPos = 0;
    std::function<void(const ms::CBytes&)> m_onCommit;
    IUnknown* m_pOwner;
};
} // namespace

HRESULT NewMemoryStream(ms::CBytes p_data, std::function<void(const ms::CBytes&)> p_onCommit, IUnknown* p_pOwner,
                        IStream** p_pp)
{
    if (!p_pp)
        return MAPI_E_INVALID_PARAMETER;
    *p_pp = new CMemoryStream(std::move(p_data), std::move(p_onCommit), p_pOwner);
    return S_OK;
}

HRESULT OpenFileStream(const std::wstring& p_sPath, ULONG p_ulFlags, IStream** p_pp)
{
    // OpenStreamOnFile: STGM_CREATE makes or truncates the file; writes go to the file on Commit.
    ms::CBytes data;
    const bool bCreate = (p_ulFlags & STGM_CREATE) != 0;
    const bool bWrite = bCreate || (p_ulFlags & (STGM_WRITE | STGM_READWRITE)) != 0;
    if (!bCreate)
    {
        HANDLE h = CreateFileW(p_sPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return MAPI_E_NOT_FOUND;
        LARGE_INTEGER size{};
        GetFileSizeEx(h, &size);
        if (size.QuadPart > (256LL << 20))
        {
            CloseHandle(h);
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        const BOOL ok = data.empty() || ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
        CloseHandle(h);
        if (!ok || read != data.size())
            return MAPI_E_DISK_ERROR;
    }
    std::function<void(const ms::CBytes&)> onCommit;
    if (bWrite)
    {
        onCommit = [p_sPath](const ms::CBytes& p_b) {
            HANDLE h = CreateFileW(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE)
                return;
            DWORD written = 0;
            if (!p_b.empty())
                WriteFile(h, p_b.data(), static_cast<DWORD>(p_b.size()), &written, nullptr);
            CloseHandle(h);
        };
        if (bCreate)
            onCommit(data); // the file exists (empty) from the start, as CreateFile would make it
    }
    return NewMemoryStream(std::move(data), onCommit, nullptr, p_pp);
}

// ---- the store file
CProvider& CProvider::Get()
{
    static CProvider s_provider;
    return s_provider;
}

std::wstring CProvider::Config(const wchar_t* p_szName, const std::wstring& p_sDefault)
{
    wchar_t buf[1024];
    DWORD cb = sizeof buf - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kConfigKey, p_szName, RRF_RT_REG_SZ, &type, buf, &cb) !=
        ERROR_SUCCESS)
        return p_sDefault;
    return buf;
}

HRESULT CProvider::EnsureLoaded()
{
    if (m_bLoaded)
        return S_OK;
    m_sPath = Config(L"StoreFile");
    if (m_sPath.empty())
    {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        m_sPath = std::wstring(dir) + L"brevolt-mapi-store.json";
    }
    std::string text;
    {
        std::ifstream in(m_sPath.c_str(), std::ios::binary);
        if (in)
        {
            std::ostringstream ss;
            ss << in.rdbuf();
            text = ss.str();
        }
    }
    if (text.empty())
        m_file = ms::MakeDefaultStoreFile();
    else
    {
        std::string err;
        ms::CStoreFile file;
        if (!ms::LoadStoreFile(text, file, err))
        {
            OutputDebugStringA(("MAPI stand-in: store file rejected: " + err + "\n").c_str());
            return MAPI_E_CORRUPT_DATA; // the file is left as it is: nothing is lost
        }
        ms::EnsureStandardFolders(file, file.m_bReminders);
        m_file = std::move(file);
    }
    m_bLoaded = true;
    Changed();
    return S_OK;
}

void CProvider::Save()
{
    if (!m_bLoaded)
        return;
    const std::string text = ms::SaveStoreFile(m_file);
    const std::wstring tmp = m_sPath + L".tmp";
    {
        std::ofstream out(tmp.c_str(), std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            return;
    }
    MoveFileExW(tmp.c_str(), m_sPath.c_str(), MOVEFILE_REPLACE_EXISTING);
}
} // namespace mapiprov
