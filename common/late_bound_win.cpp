// common/late_bound_win.cpp: VARIANT ownership and the by-name calls on the client's objects.
#include "common/late_bound_win.h"

#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <utility>

CVariant::CVariant(long p_lValue) : CVariant()
{
    m_v.vt = VT_I4;
    m_v.lVal = p_lValue;
}

CVariant::CVariant(const wchar_t* p_szText) : CVariant()
{
    m_v.vt = VT_BSTR;
    m_v.bstrVal = SysAllocString(p_szText);
}

CVariant::CVariant(const std::string& p_sText) : CVariant(AnsiToWide(p_sText).c_str())
{
}

CVariant::CVariant(bool p_bValue) : CVariant()
{
    m_v.vt = VT_BOOL;
    m_v.boolVal = p_bValue ? VARIANT_TRUE : VARIANT_FALSE;
}

CVariant::CVariant(IDispatch* p_pObject) : CVariant()
{
    m_v.vt = VT_DISPATCH;
    m_v.pdispVal = p_pObject;
    if (p_pObject != nullptr)
        p_pObject->AddRef();
}

CVariant::~CVariant()
{
    (void)VariantClear(&m_v);
}

CVariant::CVariant(CVariant&& p_o) noexcept : CVariant()
{
    std::swap(m_v, p_o.m_v);
}

CVariant& CVariant::operator=(CVariant&& p_o) noexcept
{
    std::swap(m_v, p_o.m_v);
    return *this;
}

CVariant CVariant::Missing()
{
    CVariant missing;
    missing.m_v.vt = VT_ERROR;
    missing.m_v.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

IDispatch* CVariant::Object() const
{
    return m_v.vt == VT_DISPATCH ? m_v.pdispVal : nullptr;
}

std::string CVariant::Text(const std::string& p_sFallback) const
{
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&m_v), 0, VT_BSTR)))
        return p_sFallback;
    const unique_bstr owner(text.bstrVal);
    return owner ? WideToAnsi(owner.get()) : std::string();
}

long CVariant::Number(long p_lFallback) const
{
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&m_v), 0, VT_I4)))
        return p_lFallback;
    return number.lVal;
}

bool CVariant::Flag(bool p_bFallback) const
{
    VARIANT flag;
    VariantInit(&flag);
    if (m_v.vt == VT_EMPTY || FAILED(VariantChangeType(&flag, const_cast<VARIANT*>(&m_v), 0, VT_BOOL)))
        return p_bFallback;
    return flag.boolVal != VARIANT_FALSE;
}

HRESULT CallMember(IDispatch* p_pObject, const wchar_t* p_szName, WORD p_wFlags,
                   const std::vector<const VARIANT*>& p_vArgs, CVariant* p_pResult)
{
    if (p_pObject == nullptr)
        return E_POINTER;
    std::wstring name(p_szName);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = p_pObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
    {
        Log("COM Error Message: no member %s 0x%08lX\n", WideToAnsi(name).c_str(), static_cast<unsigned long>(hr));
        return hr;
    }
    // DISPPARAMS holds the arguments last first.
    std::vector<VARIANT> arguments;
    arguments.reserve(p_vArgs.size());
    for (auto it = p_vArgs.rbegin(); it != p_vArgs.rend(); ++it)
        arguments.push_back(**it);
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = (p_wFlags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS params{arguments.empty() ? nullptr : arguments.data(), put ? &putId : nullptr,
                      static_cast<UINT>(arguments.size()), put ? 1u : 0u};
    EXCEPINFO exception{};
    CVariant ignored;
    CVariant* result = p_pResult != nullptr ? p_pResult : &ignored;
    (void)VariantClear(&result->m_v);
    hr = p_pObject->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, p_wFlags, &params, put ? nullptr : &result->m_v,
                           &exception, nullptr);
    const unique_bstr description(exception.bstrDescription);
    const unique_bstr source(exception.bstrSource);
    const unique_bstr help(exception.bstrHelpFile);
    if (FAILED(hr))
    {
        const std::string text = description ? WideToAnsi(description.get()) : std::string("hr");
        Log("COM Error Message: %s: %s 0x%08lX\n", WideToAnsi(name).c_str(), text.c_str(),
            static_cast<unsigned long>(hr));
        VariantInit(&result->m_v);
    }
    return hr;
}

CVariant GetMember(IDispatch* p_pObject, const wchar_t* p_szName, const std::vector<const VARIANT*>& p_vArgs)
{
    CVariant result;
    (void)CallMember(p_pObject, p_szName, DISPATCH_PROPERTYGET | DISPATCH_METHOD, p_vArgs, &result);
    return result;
}

CVariant CallMethod(IDispatch* p_pObject, const wchar_t* p_szName, const std::vector<const VARIANT*>& p_vArgs)
{
    CVariant result;
    (void)CallMember(p_pObject, p_szName, DISPATCH_METHOD, p_vArgs, &result);
    return result;
}

HRESULT PutMember(IDispatch* p_pObject, const wchar_t* p_szName, const CVariant& p_oValue)
{
    return CallMember(p_pObject, p_szName, DISPATCH_PROPERTYPUT, {&p_oValue.m_v}, nullptr);
}
