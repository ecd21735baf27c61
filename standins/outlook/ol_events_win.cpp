// standins/outlook/ol_events_win.cpp: connection points of the object model's event sources: sinks
// advise for an event interface and are called through IDispatch::Invoke, as the client calls them.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/single_interface_object_win.h"
#include "standins/outlook/ol_dispatch_win.h"

#include <olectl.h>

namespace olstandin
{
class CConnectionPoint final : public CSingleInterfaceObject<IConnectionPoint, IID_IConnectionPoint>
{
  public:
    CConnectionPoint(IConnectionPointContainer* p_pContainer, REFIID p_riid) : m_pContainer(p_pContainer), m_iid(p_riid)
    {
    }

    STDMETHODIMP GetConnectionInterface(IID* p_pIid) override
    {
        if (p_pIid == nullptr)
            return E_POINTER;
        *p_pIid = m_iid;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** p_ppContainer) override
    {
        if (p_ppContainer == nullptr)
            return E_POINTER;
        *p_ppContainer = m_pContainer;
        if (m_pContainer == nullptr)
            return E_UNEXPECTED;
        m_pContainer->AddRef();
        return S_OK;
    }
    // A sink answers the event interface; one that answers only IDispatch is taken as well, as the
    // events are raised through Invoke either way.
    STDMETHODIMP Advise(IUnknown* p_pSink, DWORD* p_pdwCookie) override
    {
        return TrapExceptions("CConnectionPoint::Advise", E_FAIL, [&]() -> HRESULT {
            if (p_pSink == nullptr || p_pdwCookie == nullptr)
                return E_POINTER;
            *p_pdwCookie = 0;
            com_ptr<IDispatch> sink;
            if (FAILED(p_pSink->QueryInterface(m_iid, sink.put_void())) &&
                FAILED(p_pSink->QueryInterface(IID_IDispatch, sink.put_void())))
                return CONNECT_E_CANNOTCONNECT;
            m_vSinks.push_back({++m_dwLastCookie, std::move(sink)});
            *p_pdwCookie = m_dwLastCookie;
            return S_OK;
        });
    }
    STDMETHODIMP Unadvise(DWORD p_dwCookie) override
    {
        for (auto it = m_vSinks.begin(); it != m_vSinks.end(); ++it)
            if (it->first == p_dwCookie)
            {
                // Released after the erase: the sink's release may call back into this point.
                com_ptr<IDispatch> sink = std::move(it->second);
                m_vSinks.erase(it);
                return S_OK;
            }
        return CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** p_ppEnum) override
    {
        if (p_ppEnum != nullptr)
            *p_ppEnum = nullptr;
        return E_NOTIMPL;
    }

    [[nodiscard]] REFIID Iid() const
    {
        return m_iid;
    }
    [[nodiscard]] bool HasSinks() const
    {
        return !m_vSinks.empty();
    }
    void Detach()
    {
        m_pContainer = nullptr;
        m_vSinks.clear();
    }
    void Fire(DISPID p_id, std::vector<VARIANT>& p_vArgs)
    {
        // Arguments go last-first into DISPPARAMS; a copy of the sinks, as a sink may unadvise while called.
        std::vector<VARIANT> reversed(p_vArgs.rbegin(), p_vArgs.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        std::vector<com_ptr<IDispatch>> sinks;
        for (const auto& [cookie, sink] : m_vSinks)
            sinks.push_back(sink);
        for (const com_ptr<IDispatch>& sink : sinks)
        {
            VARIANT result;
            VariantInit(&result);
            (void)LOG_IF_FAILED(
                sink->Invoke(p_id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
            (void)VariantClear(&result);
        }
    }

  private:
    ~CConnectionPoint() = default;

    IConnectionPointContainer* m_pContainer;
    IID m_iid;
    DWORD m_dwLastCookie = 0;
    std::vector<std::pair<DWORD, com_ptr<IDispatch>>> m_vSinks;
};

CEventObject::CEventObject(std::vector<CDispMember> p_vMembers, std::vector<IID> p_vEvents)
    : CDispatchObject(std::move(p_vMembers))
{
    for (const IID& iid : p_vEvents)
    {
        com_ptr<CConnectionPoint> point;
        point.attach(new CConnectionPoint(this, iid));
        m_vPoints.push_back(std::move(point));
    }
}

CEventObject::~CEventObject()
{
    for (const com_ptr<CConnectionPoint>& point : m_vPoints)
        point->Detach();
}

void* CEventObject::OwnInterface(REFIID p_riid)
{
    return IsEqualIID(p_riid, IID_IConnectionPointContainer) ? static_cast<IConnectionPointContainer*>(this) : nullptr;
}

STDMETHODIMP CEventObject::EnumConnectionPoints(IEnumConnectionPoints** p_ppEnum)
{
    if (p_ppEnum != nullptr)
        *p_ppEnum = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CEventObject::FindConnectionPoint(REFIID p_riid, IConnectionPoint** p_ppPoint)
{
    if (p_ppPoint == nullptr)
        return E_POINTER;
    *p_ppPoint = nullptr;
    for (const com_ptr<CConnectionPoint>& point : m_vPoints)
        if (IsEqualIID(point->Iid(), p_riid))
        {
            *p_ppPoint = com_ptr<CConnectionPoint>(point).detach();
            return S_OK;
        }
    return CONNECT_E_NOCONNECTION;
}

void CEventObject::Fire(REFIID p_riid, DISPID p_id, std::vector<VARIANT> p_vArgs)
{
    // The object stays alive while its sinks run, even when one of them lets go of it.
    com_ptr<IDispatch> self = com_ptr<IDispatch>::copy_from(this);
    for (const com_ptr<CConnectionPoint>& point : m_vPoints)
        if (IsEqualIID(point->Iid(), p_riid))
            point->Fire(p_id, p_vArgs);
}

bool CEventObject::HasSinks(REFIID p_riid) const
{
    for (const com_ptr<CConnectionPoint>& point : m_vPoints)
        if (IsEqualIID(point->Iid(), p_riid) && point->HasSinks())
            return true;
    return false;
}
} // namespace olstandin
