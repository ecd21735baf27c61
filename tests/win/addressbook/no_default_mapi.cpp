// tests/win/addressbook/no_default_mapi.cpp: MAPIAdminProfiles over the MAPI stand-in's, with a
// profile table restricted to the rows that are not the default profile (the stand-in has one
// profile, its default, so none is left). The stand-in must be loaded before this library is bound.
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "common/handle_win.h"

namespace
{
class CNoDefaultAdmin final : public IProfAdmin
{
  public:
    explicit CNoDefaultAdmin(IProfAdmin* p_pInner)
    {
        m_pInner.attach(p_pInner);
    }
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_pp) override
    {
        if (p_riid == IID_IUnknown)
        {
            *p_pp = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *p_pp = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return InterlockedIncrement(&m_lRefs);
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG lRefs = InterlockedDecrement(&m_lRefs);
        if (lRefs == 0)
            delete this;
        return lRefs;
    }
    STDMETHODIMP GetLastError(HRESULT p_hr, ULONG p_ulFlags, LPMAPIERROR* p_pp) override
    {
        return m_pInner->GetLastError(p_hr, p_ulFlags, p_pp);
    }
    STDMETHODIMP GetProfileTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        com_ptr<IMAPITable> pTable;
        HRESULT hr = m_pInner->GetProfileTable(p_ulFlags, pTable.put());
        if (FAILED(hr))
            return hr;
        SPropValue oDefault{};
        oDefault.ulPropTag = PR_DEFAULT_PROFILE;
        oDefault.Value.b = FALSE;
        SRestriction oRestriction{};
        oRestriction.rt = RES_PROPERTY;
        oRestriction.res.resProperty.relop = RELOP_EQ;
        oRestriction.res.resProperty.ulPropTag = PR_DEFAULT_PROFILE;
        oRestriction.res.resProperty.lpProp = &oDefault;
        hr = pTable->Restrict(&oRestriction, 0);
        if (FAILED(hr))
            return hr;
        *p_pp = pTable.detach();
        return S_OK;
    }
    STDMETHODIMP CreateProfile(LPTSTR, LPTSTR, ULONG_PTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP DeleteProfile(LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP ChangeProfilePassword(LPTSTR, LPTSTR, LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP RenameProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP SetDefaultProfile(LPTSTR, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP AdminServices(LPTSTR, LPTSTR, ULONG_PTR, ULONG, LPSERVICEADMIN*) override
    {
        return MAPI_E_NO_SUPPORT;
    }

  private:
    ~CNoDefaultAdmin() = default;
    com_ptr<IProfAdmin> m_pInner;
    LONG m_lRefs = 1;
};
} // namespace

extern "C" HRESULT WINAPI MAPIAdminProfiles(ULONG p_ulFlags, LPPROFADMIN* p_pp)
{
    *p_pp = nullptr;
    const HMODULE hStandin = GetModuleHandleA("mapi_standin.dll");
    if (!hStandin)
        return MAPI_E_NOT_INITIALIZED;
    const auto pfnAdmin = reinterpret_cast<HRESULT(WINAPI*)(ULONG, LPPROFADMIN*)>(
        reinterpret_cast<void*>(GetProcAddress(hStandin, "MAPIAdminProfiles")));
    IProfAdmin* pInner = nullptr;
    const HRESULT hr = pfnAdmin ? pfnAdmin(p_ulFlags, &pInner) : MAPI_E_CALL_FAILED;
    if (FAILED(hr))
        return hr;
    // The wrapper takes over the reference the stand-in gave.
    *p_pp = new CNoDefaultAdmin(pInner);
    return S_OK;
}
