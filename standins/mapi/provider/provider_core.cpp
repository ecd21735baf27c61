// standins/mapi/provider/provider_core.cpp: entry ids, strings, property and restriction
// conversion, the call guard and the COM object base every provider object shares.
#include "standins/mapi/provider/provider.h"

#include <cstring>

namespace mapiprov
{
CStoreMutex& Lock()
{
    static CStoreMutex s_lock;
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
                p_out.Value.MVft.lpft[i].dwHighDateTime =
                    static_cast<DWORD>(static_cast<uint64_t>(p_v.m_mviValue[i]) >> 32);
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
    auto ft = [](const FILETIME& f) {
        return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    auto bin = [](const SBinary& b) { return b.lpb ? ms::CBytes(b.lpb, b.lpb + b.cb) : ms::CBytes(); };
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
        p_out.m_bValue.assign(reinterpret_cast<const uint8_t*>(p_v.Value.lpguid),
                              reinterpret_cast<const uint8_t*>(p_v.Value.lpguid) + 16);
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

HRESULT Call(const char* p_szName, const std::function<HRESULT()>& p_body)
{
    const HRESULT hr = TrapExceptions(p_szName, static_cast<HRESULT>(MAPI_E_CALL_FAILED), [&] {
        std::lock_guard<CStoreMutex> lock(Lock());
        return p_body();
    });
    DeliverQueued();
    return hr;
}

// GCC guesses the marshaler may be one of this module's own objects, inlines that object's
// Release and then warns about deleting it at an offset; the marshaler is never one of ours.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
CUnknownBase::~CUnknownBase()
{
    if (m_pFtm)
        m_pFtm->Release();
    if (m_bHoldsInitialize)
        MAPIUninitialize();
}
#pragma GCC diagnostic pop

HRESULT CUnknownBase::QueryBase(REFIID p_riid, void** p_ppv, IUnknown* p_pSelf,
                                std::initializer_list<const IID*> p_iids)
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
        std::lock_guard<CStoreMutex> lock(Lock());
        if (!m_pFtm && FAILED(LOG_IF_FAILED(CoCreateFreeThreadedMarshaler(p_pSelf, &m_pFtm))))
            return E_NOINTERFACE;
        // An object another process can open from the store file marshals itself there; in the
        // process it stays free-threaded either way.
        CMarshalTarget target;
        if (MarshalTarget(target))
            return NewMarshaler(p_pSelf, m_pFtm, target, p_ppv);
        return m_pFtm->QueryInterface(p_riid, p_ppv);
    }
    return E_NOINTERFACE;
}
} // namespace mapiprov
