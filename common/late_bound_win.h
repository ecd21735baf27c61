// common/late_bound_win.h: calling a mail client's object model late bound (by member name through
// IDispatch), as the plug-in and the core library must: they cannot link to the type libraries of
// every client version.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <vector>

// A VARIANT that owns what it holds.
class CVariant
{
  public:
    CVariant()
    {
        VariantInit(&m_v);
    }
    explicit CVariant(long p_lValue);
    explicit CVariant(const wchar_t* p_szText);
    explicit CVariant(const std::string& p_sText);
    explicit CVariant(bool p_bValue);
    explicit CVariant(IDispatch* p_pObject);
    ~CVariant();
    CVariant(CVariant&& p_o) noexcept;
    CVariant& operator=(CVariant&& p_o) noexcept;
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    // An optional argument left out.
    static CVariant Missing();

    // The object held (VT_DISPATCH), or null.
    IDispatch* Object() const;
    // The value as text / number / flag, converted as the object model would; p_sFallback etc. when
    // it cannot be.
    std::string Text(const std::string& p_sFallback = std::string()) const;
    long Number(long p_lFallback = -1) const;
    bool Flag(bool p_bFallback = false) const;

    VARIANT m_v;
};

// Calls p_szName on p_pObject with p_vArgs in the caller's order. Failures are logged with the
// member's name and the description the object gave ("COM Error Message: %s").
[[nodiscard]] HRESULT CallMember(IDispatch* p_pObject, const wchar_t* p_szName, WORD p_wFlags,
                                 const std::vector<const VARIANT*>& p_vArgs, CVariant* p_pResult);

// Property get (or a method without arguments answering a value); an empty value on failure.
CVariant GetMember(IDispatch* p_pObject, const wchar_t* p_szName, const std::vector<const VARIANT*>& p_vArgs = {});
// A method call answering a value; an empty value on failure.
CVariant CallMethod(IDispatch* p_pObject, const wchar_t* p_szName, const std::vector<const VARIANT*>& p_vArgs = {});
[[nodiscard]] HRESULT PutMember(IDispatch* p_pObject, const wchar_t* p_szName, const CVariant& p_oValue);
