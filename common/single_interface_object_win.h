// common/single_interface_object_win.h: the IUnknown of a COM object that offers one interface
// besides IUnknown and deletes itself with its last reference (sinks, class factories, connection
// points).
#pragma once

#include "common/com_ref_count_win.h"

#include <objbase.h>

template <class TInterface, const IID& TIid> class CSingleInterfaceObject : public TInterface
{
  public:
    // Public for the count's delete; objects are held and released through their interface.
    virtual ~CSingleInterfaceObject() = default;

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        if (p_ppv == nullptr)
            return E_POINTER;
        *p_ppv = nullptr;
        if (!IsEqualIID(p_riid, IID_IUnknown) && !IsEqualIID(p_riid, TIid))
            return E_NOINTERFACE;
        *p_ppv = static_cast<TInterface*>(this);
        this->AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return m_oRefs.AddRef();
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return m_oRefs.Release(this, "CSingleInterfaceObject::Release");
    }

  protected:
    CSingleInterfaceObject() = default;

  private:
    CComRefCount m_oRefs;
};
