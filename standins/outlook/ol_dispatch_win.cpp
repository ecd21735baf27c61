// standins/outlook/ol_dispatch_win.cpp: the late-binding plumbing of the object model.
#include "standins/outlook/ol_dispatch_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"

#include <algorithm>

namespace olstandin
{
CDispatchObject::CDispatchObject(std::vector<CDispMember> p_vMembers) : m_vMembers(std::move(p_vMembers))
{
}

STDMETHODIMP CDispatchObject::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    *p_ppv = nullptr;
    if (IsEqualIID(p_riid, IID_IUnknown) || IsEqualIID(p_riid, IID_IDispatch))
        *p_ppv = static_cast<IDispatch*>(this);
    else
        *p_ppv = OwnInterface(p_riid);
    if (*p_ppv == nullptr)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CDispatchObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

STDMETHODIMP_(ULONG) CDispatchObject::Release()
{
    const LONG refs = InterlockedDecrement(&m_lRefs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CDispatchObject::GetTypeInfoCount(UINT* p_pnCount)
{
    if (p_pnCount == nullptr)
        return E_POINTER;
    *p_pnCount = 1;
    return S_OK;
}

// The type information describes every member with VARIANT arguments and result; a settable property
// has a second, put entry.
HRESULT CDispatchObject::MakeTypeInfo()
{
    if (m_p_oTypeInfo)
        return S_OK;
    static PARAMDATA s_aParams[8] = {
        {const_cast<OLECHAR*>(L"a1"), VT_VARIANT}, {const_cast<OLECHAR*>(L"a2"), VT_VARIANT},
        {const_cast<OLECHAR*>(L"a3"), VT_VARIANT}, {const_cast<OLECHAR*>(L"a4"), VT_VARIANT},
        {const_cast<OLECHAR*>(L"a5"), VT_VARIANT}, {const_cast<OLECHAR*>(L"a6"), VT_VARIANT},
        {const_cast<OLECHAR*>(L"a7"), VT_VARIANT}, {const_cast<OLECHAR*>(L"a8"), VT_VARIANT}};
    std::vector<METHODDATA> methods;
    for (const CDispMember& member : m_vMembers)
    {
        METHODDATA method{};
        method.szName = const_cast<OLECHAR*>(member.m_szName);
        method.ppdata = s_aParams;
        method.dispid = member.m_id;
        method.iMeth = static_cast<UINT>(7 + methods.size());
        method.cc = CC_STDCALL;
        method.cArgs = member.m_nArgs <= 8 ? member.m_nArgs : 8;
        method.vtReturn = VT_VARIANT;
        method.wFlags = member.m_wKind & ~DISPATCH_PROPERTYPUT;
        methods.push_back(method);
        if (member.m_wKind & DISPATCH_PROPERTYPUT)
        {
            method.iMeth = static_cast<UINT>(7 + methods.size());
            method.cArgs = 1;
            method.wFlags = DISPATCH_PROPERTYPUT;
            method.vtReturn = VT_EMPTY;
            methods.push_back(method);
        }
    }
    INTERFACEDATA data{methods.data(), static_cast<UINT>(methods.size())};
    // CreateDispTypeInfo describes a class; the members are on the interface it implements.
    com_ptr<ITypeInfo> coclass;
    HREFTYPE interfaceType = 0;
    RETURN_IF_FAILED(CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, coclass.put()));
    RETURN_IF_FAILED(coclass->GetRefTypeOfImplType(0, &interfaceType));
    return LOG_IF_FAILED(coclass->GetRefTypeInfo(interfaceType, m_p_oTypeInfo.put()));
}

STDMETHODIMP CDispatchObject::GetTypeInfo(UINT p_nIndex, LCID, ITypeInfo** p_ppInfo)
{
    return TrapExceptions("CDispatchObject::GetTypeInfo", E_FAIL, [&]() -> HRESULT {
        if (p_ppInfo == nullptr)
            return E_POINTER;
        *p_ppInfo = nullptr;
        if (p_nIndex != 0)
            return DISP_E_BADINDEX;
        RETURN_IF_FAILED(MakeTypeInfo());
        *p_ppInfo = com_ptr<ITypeInfo>(m_p_oTypeInfo).detach();
        return S_OK;
    });
}

STDMETHODIMP CDispatchObject::GetIDsOfNames(REFIID, LPOLESTR* p_ppNames, UINT p_nNames, LCID, DISPID* p_pIds)
{
    if (p_ppNames == nullptr || p_pIds == nullptr || p_nNames == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < p_nNames; ++i)
        p_pIds[i] = DISPID_UNKNOWN;
    for (const CDispMember& member : m_vMembers)
        if (p_ppNames[0] != nullptr && lstrcmpiW(p_ppNames[0], member.m_szName) == 0)
        {
            p_pIds[0] = member.m_id;
            // Named arguments are not supported.
            return p_nNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CDispatchObject::Invoke(DISPID p_id, REFIID, LCID, WORD p_wFlags, DISPPARAMS* p_pParams,
                                     VARIANT* p_pResult, EXCEPINFO*, UINT* p_pnArgError)
{
    return TrapExceptions("CDispatchObject::Invoke", E_FAIL, [&]() -> HRESULT {
        const CDispMember* found = nullptr;
        for (const CDispMember& member : m_vMembers)
            if (member.m_id == p_id)
                found = &member;
        if (found == nullptr)
            return DISP_E_MEMBERNOTFOUND;
        const UINT count = p_pParams != nullptr ? p_pParams->cArgs : 0;
        if (p_wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        {
            // A put carries its value as the one (named DISPID_PROPERTYPUT) argument.
            if (!(found->m_wKind & DISPATCH_PROPERTYPUT))
                return DISP_E_MEMBERNOTFOUND;
            return count == 1 ? Put(p_id, p_pParams->rgvarg[0]) : DISP_E_BADPARAMCOUNT;
        }
        // A method with a result may be read as a property, as late-bound callers do.
        if (!(p_wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) ||
            (!(found->m_wKind & DISPATCH_METHOD) && !(p_wFlags & DISPATCH_PROPERTYGET)))
            return DISP_E_MEMBERNOTFOUND;
        const UINT required = std::min(found->m_nRequired, found->m_nArgs);
        if (count < required || count > found->m_nArgs)
            return DISP_E_BADPARAMCOUNT;
        if (p_pParams != nullptr && p_pParams->cNamedArgs > 0)
            return DISP_E_NONAMEDARGS;
        std::vector<VARIANT*> args;
        for (UINT i = 0; i < count; ++i)
            args.push_back(&p_pParams->rgvarg[count - 1 - i]);
        std::vector<VARIANT> missing(found->m_nArgs - count);
        for (VARIANT& arg : missing)
        {
            arg.vt = VT_ERROR;
            arg.scode = DISP_E_PARAMNOTFOUND;
            args.push_back(&arg);
        }
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = Call(p_id, args, result);
        if (p_pnArgError != nullptr)
            *p_pnArgError = 0;
        if (p_pResult != nullptr)
            *p_pResult = result;
        else
            (void)VariantClear(&result);
        return hr;
    });
}

HRESULT ReturnText(VARIANT& p_oResult, const std::string& p_sText)
{
    p_oResult.vt = VT_BSTR;
    p_oResult.bstrVal = SysAllocString(AnsiToWide(p_sText, CP_ACP).c_str());
    return p_oResult.bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnObject(VARIANT& p_oResult, com_ptr<IDispatch> p_oObject)
{
    p_oResult.vt = VT_DISPATCH;
    p_oResult.pdispVal = p_oObject.detach();
    return S_OK;
}

HRESULT ReturnLong(VARIANT& p_oResult, LONG p_lValue)
{
    p_oResult.vt = VT_I4;
    p_oResult.lVal = p_lValue;
    return S_OK;
}

HRESULT ReturnBool(VARIANT& p_oResult, bool p_bValue)
{
    p_oResult.vt = VT_BOOL;
    p_oResult.boolVal = p_bValue ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

bool IsMissing(const VARIANT* p_pArg)
{
    return p_pArg == nullptr || (p_pArg->vt == VT_ERROR && p_pArg->scode == DISP_E_PARAMNOTFOUND) ||
           p_pArg->vt == VT_EMPTY;
}

bool ArgText(const VARIANT* p_pArg, std::wstring& p_sText)
{
    VARIANT text;
    VariantInit(&text);
    if (p_pArg == nullptr || FAILED(VariantChangeType(&text, const_cast<VARIANT*>(p_pArg), 0, VT_BSTR)))
        return false;
    p_sText = text.bstrVal != nullptr ? text.bstrVal : L"";
    (void)VariantClear(&text);
    return true;
}

bool ArgAnsi(const VARIANT* p_pArg, std::string& p_sText)
{
    std::wstring text;
    if (!ArgText(p_pArg, text))
        return false;
    p_sText = WideToAnsi(text, CP_ACP);
    return true;
}

bool ArgLong(const VARIANT* p_pArg, LONG& p_lValue)
{
    VARIANT number;
    VariantInit(&number);
    if (p_pArg == nullptr || FAILED(VariantChangeType(&number, const_cast<VARIANT*>(p_pArg), 0, VT_I4)))
        return false;
    p_lValue = number.lVal;
    return true;
}

bool ArgBool(const VARIANT* p_pArg, bool& p_bValue)
{
    VARIANT flag;
    VariantInit(&flag);
    if (p_pArg == nullptr || FAILED(VariantChangeType(&flag, const_cast<VARIANT*>(p_pArg), 0, VT_BOOL)))
        return false;
    p_bValue = flag.boolVal != VARIANT_FALSE;
    return true;
}

std::string HexText(const std::vector<BYTE>& p_vBytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const BYTE byte : p_vBytes)
    {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}
} // namespace olstandin
