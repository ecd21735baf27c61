// standins/outlook/ol_dispatch_win.h: late-bound objects of the client's object model: a member table
// gives names, dispids and argument counts; type information is made from the same table.
#pragma once

#include "common/handle_win.h"

#include <oaidl.h>

#include <string>
#include <vector>

namespace olstandin
{
struct CDispMember
{
    const wchar_t* m_szName;
    DISPID m_id;
    // DISPATCH_PROPERTYGET or DISPATCH_METHOD.
    WORD m_wKind;
    UINT m_nArgs;
};

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
    // Runs a member; p_vArgs are in call order (first argument first).
    virtual HRESULT Call(DISPID p_id, const std::vector<VARIANT*>& p_vArgs, VARIANT& p_oResult) = 0;

  private:
    [[nodiscard]] HRESULT MakeTypeInfo();

    LONG m_lRefs = 1;
    std::vector<CDispMember> m_vMembers;
    com_ptr<ITypeInfo> m_p_oTypeInfo;
};

// Result helpers for Call.
[[nodiscard]] HRESULT ReturnText(VARIANT& p_oResult, const std::string& p_sText);
[[nodiscard]] HRESULT ReturnObject(VARIANT& p_oResult, com_ptr<IDispatch> p_oObject);
// Entry ids as the object model shows them: upper-case hexadecimal text.
[[nodiscard]] std::string HexText(const std::vector<BYTE>& p_vBytes);
} // namespace olstandin
