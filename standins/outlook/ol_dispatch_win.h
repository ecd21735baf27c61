// standins/outlook/ol_dispatch_win.h: late-bound objects of the client's object model: a member table
// gives names, dispids and argument counts; type information is made from the same table. Objects
// with events also answer IConnectionPointContainer.
#pragma once

#include "common/handle_win.h"

#include <oaidl.h>
#include <ocidl.h>

#include <string>
#include <vector>

namespace olstandin
{
struct CDispMember
{
    const wchar_t* m_szName;
    DISPID m_id;
    // DISPATCH_PROPERTYGET or DISPATCH_METHOD; DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT for a property
    // a caller may also set.
    WORD m_wKind;
    // Arguments at most; the ones after the first m_nRequired are optional.
    UINT m_nArgs;
    UINT m_nRequired = kAllRequired;
    static constexpr UINT kAllRequired = ~0u;
};

// An optional argument the caller left out arrives as VT_ERROR DISP_E_PARAMNOTFOUND.
[[nodiscard]] bool IsMissing(const VARIANT* p_pArg);

class CConnectionPoint;

class CDispatchObject : public IDispatch
{
  public:
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* p_pnCount) override;
    STDMETHODIMP GetTypeInfo(UINT p_nIndex, LCID, ITypeInfo** p_ppInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* p_ppNames, UINT p_nNames, LCID, DISPID* p_pIds) override;
    STDMETHODIMP Invoke(DISPID p_id, REFIID, LCID, WORD p_wFlags, DISPPARAMS* p_pParams, VARIANT* p_pResult, EXCEPINFO*,
                        UINT* p_pnArgError) override;

  protected:
    explicit CDispatchObject(std::vector<CDispMember> p_vMembers);
    virtual ~CDispatchObject() = default;
    // Runs a member; p_vArgs are in call order (first argument first), left-out optional ones included.
    virtual HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) = 0;
    // Sets a property the table marks DISPATCH_PROPERTYPUT.
    virtual HRESULT Put(DISPID, const VARIANT&)
    {
        return DISP_E_MEMBERNOTFOUND;
    }
    // Further interfaces of the object (without a reference added), or nullptr.
    virtual void* OwnInterface(REFIID)
    {
        return nullptr;
    }

  private:
    [[nodiscard]] HRESULT MakeTypeInfo();

    LONG m_lRefs = 1;
    std::vector<CDispMember> m_vMembers;
    com_ptr<ITypeInfo> m_p_oTypeInfo;
};

// An object that raises events: IConnectionPointContainer over the points it declares.
class CEventObject : public CDispatchObject, public IConnectionPointContainer
{
  public:
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        return CDispatchObject::QueryInterface(p_riid, p_ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return CDispatchObject::AddRef();
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return CDispatchObject::Release();
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** p_ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID p_riid, IConnectionPoint** p_ppPoint) override;

  protected:
    CEventObject(std::vector<CDispMember> p_vMembers, std::vector<IID> p_vEvents);
    ~CEventObject() override;
    void* OwnInterface(REFIID p_riid) override;
    // Calls p_id on every sink of p_riid; p_vArgs in call order. A sink's failure does not stop the others.
    void Fire(REFIID p_riid, DISPID p_id, std::vector<VARIANT> p_vArgs);
    [[nodiscard]] bool HasSinks(REFIID p_riid) const;

  private:
    std::vector<com_ptr<CConnectionPoint>> m_vPoints;
};

// Result helpers for Call.
[[nodiscard]] HRESULT ReturnText(VARIANT& p_oResult, const std::string& p_sText);
[[nodiscard]] HRESULT ReturnObject(VARIANT& p_oResult, com_ptr<IDispatch> p_oObject);
[[nodiscard]] HRESULT ReturnLong(VARIANT& p_oResult, LONG p_lValue);
[[nodiscard]] HRESULT ReturnBool(VARIANT& p_oResult, bool p_bValue);
// Argument conversions; false when the argument does not convert.
[[nodiscard]] bool ArgText(const VARIANT* p_pArg, std::wstring& p_sText);
[[nodiscard]] bool ArgLong(const VARIANT* p_pArg, LONG& p_lValue);
[[nodiscard]] bool ArgBool(const VARIANT* p_pArg, bool& p_bValue);
// The ANSI text of an argument.
[[nodiscard]] bool ArgAnsi(const VARIANT* p_pArg, std::string& p_sText);
// Entry ids as the object model shows them: upper-case hexadecimal text.
[[nodiscard]] std::string HexText(const std::vector<BYTE>& p_vBytes);
} // namespace olstandin
