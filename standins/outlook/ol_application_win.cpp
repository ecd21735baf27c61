// standins/outlook/ol_application_win.cpp: the late-bound application object (Version only).
#include "standins/outlook/ol_application_win.h"

#include "common/boundary.h"
#include "common/text_win.h"

namespace olstandin
{
namespace
{
class CApplication final : public IDispatch
{
  public:
    explicit CApplication(std::string p_sVersion) : m_sVersion(std::move(p_sVersion))
    {
    }

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, IID_IDispatch))
            return E_NOINTERFACE;
        *p_ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_lRefs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* p_pnCount) override
    {
        if (p_pnCount == nullptr)
            return E_POINTER;
        *p_pnCount = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* p_ppNames, UINT p_nNames, LCID, DISPID* p_pIds) override
    {
        if (p_ppNames == nullptr || p_pIds == nullptr || p_nNames == 0)
            return E_INVALIDARG;
        for (UINT i = 0; i < p_nNames; ++i)
            p_pIds[i] = DISPID_UNKNOWN;
        if (p_ppNames[0] == nullptr || lstrcmpiW(p_ppNames[0], L"Version") != 0)
            return DISP_E_UNKNOWNNAME;
        p_pIds[0] = kDispidVersion;
        return p_nNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID p_id, REFIID, LCID, WORD p_wFlags, DISPPARAMS*, VARIANT* p_pResult, EXCEPINFO*,
                        UINT*) override
    {
        return TrapExceptions("CApplication::Invoke", E_FAIL, [&]() -> HRESULT {
            if (p_id != kDispidVersion)
                return DISP_E_MEMBERNOTFOUND;
            if (!(p_wFlags & DISPATCH_PROPERTYGET))
                return DISP_E_MEMBERNOTFOUND;
            if (p_pResult == nullptr)
                return S_OK;
            VariantInit(p_pResult);
            p_pResult->vt = VT_BSTR;
            p_pResult->bstrVal = SysAllocString(AnsiToWide(m_sVersion, CP_ACP).c_str());
            return p_pResult->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
        });
    }

  private:
    ~CApplication() = default;

    LONG m_lRefs = 1;
    std::string m_sVersion;
};
} // namespace

com_ptr<IDispatch> CreateApplication(const std::string& p_sVersion)
{
    com_ptr<IDispatch> application;
    application.attach(new CApplication(p_sVersion));
    return application;
}
} // namespace olstandin
