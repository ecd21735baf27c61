// standins/outlook/ol_class_object_win.cpp: the class factory that hands out the one application object.
#include "standins/outlook/ol_class_object_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/single_interface_object_win.h"

namespace olstandin
{
namespace
{
class CApplicationFactory final : public CSingleInterfaceObject<IClassFactory, IID_IClassFactory>
{
  public:
    explicit CApplicationFactory(IDispatch* p_pApplication)
        : m_p_oApplication(com_ptr<IDispatch>::copy_from(p_pApplication))
    {
    }
    // Every client gets the client's one application object.
    STDMETHODIMP CreateInstance(IUnknown* p_pOuter, REFIID p_riid, void** p_ppv) override
    {
        return TrapExceptions("CApplicationFactory::CreateInstance", E_FAIL, [&]() -> HRESULT {
            if (p_ppv == nullptr)
                return E_POINTER;
            *p_ppv = nullptr;
            if (p_pOuter != nullptr)
                return CLASS_E_NOAGGREGATION;
            return m_p_oApplication->QueryInterface(p_riid, p_ppv);
        });
    }
    STDMETHODIMP LockServer(BOOL) override
    {
        return S_OK;
    }

  private:
    ~CApplicationFactory() = default;

    com_ptr<IDispatch> m_p_oApplication;
};
} // namespace

bool CApplicationClass::Register(IDispatch* p_pApplication)
{
    if (p_pApplication == nullptr)
        return false;
    com_ptr<IClassFactory> factory;
    factory.attach(new CApplicationFactory(p_pApplication));
    if (FAILED(LOG_IF_FAILED(CoRegisterClassObject(kClsidApplication, factory.get(), CLSCTX_LOCAL_SERVER,
                                                   REGCLS_MULTIPLEUSE, &m_dwCookie))))
        return false;
    m_p_oApplication = com_ptr<IDispatch>::copy_from(p_pApplication);
    return true;
}

void CApplicationClass::Revoke()
{
    if (m_dwCookie != 0)
        (void)LOG_IF_FAILED(CoRevokeClassObject(m_dwCookie));
    m_dwCookie = 0;
    // Outside clients may still hold objects of a client that is ending: their stubs go now.
    if (m_p_oApplication)
        (void)LOG_IF_FAILED(CoDisconnectObject(m_p_oApplication.get(), 0));
    m_p_oApplication.reset();
}
} // namespace olstandin
