// Addressbook/newmail/new_mail_sink_win.cpp: the new-mail advise sink and its connection.
#include "Addressbook/newmail/new_mail_sink_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <mapicode.h>

#include <atomic>

namespace
{
// The seam's two pointers change only while the library starts; they are read on the sink's thread.
std::atomic<PFN_ConvertOnEvent> g_pfnConvertOnEvent{nullptr};
std::atomic<PFN_ConvertFolderOnEvent> g_pfnConvertFolderOnEvent{nullptr};

// IID_IMAPIAdviseSink, written out so the library needs no MAPI import library.
const IID kIIDMapiAdviseSink = {0x00020302, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

CEntryBytes Bytes(ULONG p_cb, const ENTRYID* p_pEntryId)
{
    if (p_pEntryId == nullptr || p_cb == 0)
        return CEntryBytes();
    const auto* bytes = reinterpret_cast<const uint8_t*>(p_pEntryId);
    return CEntryBytes(bytes, bytes + p_cb);
}

void ConvertMessage(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder)
{
    if (const PFN_ConvertOnEvent convert = g_pfnConvertOnEvent.load())
        LOG_IF_MAPI_FAILED(convert(p_vMessage, p_vFolder));
}
} // namespace

void SetFormConversionSeam(const CFormConversionSeam& p_oSeam)
{
    g_pfnConvertOnEvent.store(p_oSeam.m_pfnConvertOnEvent);
    g_pfnConvertFolderOnEvent.store(p_oSeam.m_pfnConvertFolderOnEvent);
}

CFormConversionSeam FormConversionSeam()
{
    return CFormConversionSeam{g_pfnConvertOnEvent.load(), g_pfnConvertFolderOnEvent.load()};
}

CNewMailAdviseSink::CNewMailAdviseSink(CNewMailHandlers p_oHandlers) : m_oHandlers(std::move(p_oHandlers))
{
}

STDMETHODIMP CNewMailAdviseSink::QueryInterface(REFIID p_riid, void** p_ppv)
{
    if (p_ppv == nullptr)
        return E_POINTER;
    if (p_riid == IID_IUnknown || p_riid == kIIDMapiAdviseSink)
    {
        *p_ppv = static_cast<IMAPIAdviseSink*>(this);
        AddRef();
        return S_OK;
    }
    *p_ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CNewMailAdviseSink::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

STDMETHODIMP_(ULONG) CNewMailAdviseSink::Release()
{
    const LONG refs = InterlockedDecrement(&m_lRefs);
    if (refs == 0)
        TrapExceptionsVoid("CNewMailAdviseSink::Release", [this] { delete this; });
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) CNewMailAdviseSink::OnNotify(ULONG p_cNotifications, LPNOTIFICATION p_pNotifications)
{
    if (p_pNotifications == nullptr)
        return 0;
    for (ULONG i = 0; i < p_cNotifications; ++i)
        TrapExceptionsVoid("CNewMailAdviseSink::OnNotify", [&] { Handle(p_pNotifications[i]); });
    return 0;
}

void CNewMailAdviseSink::Handle(const NOTIFICATION& p_oNotification)
{
    const ULONG event = p_oNotification.ulEventType;
    if (event != fnevObjectCreated && event != fnevObjectMoved && event != fnevObjectCopied &&
        event != fnevObjectModified)
        return;
    const OBJECT_NOTIFICATION& object = p_oNotification.info.obj;
    const CEntryBytes entry = Bytes(object.cbEntryID, object.lpEntryID);
    const CEntryBytes parent = Bytes(object.cbParentID, object.lpParentID);
    if (object.ulObjType == MAPI_MESSAGE)
    {
        ConvertMessage(entry, parent);
        if (event == fnevObjectCreated && m_oHandlers.m_fnDealWithNewMail)
            LOG_IF_MAPI_FAILED(m_oHandlers.m_fnDealWithNewMail(entry, parent));
        return;
    }
    if (event == fnevObjectModified && object.ulObjType == MAPI_FOLDER)
    {
        if (const PFN_ConvertFolderOnEvent convert = g_pfnConvertFolderOnEvent.load())
            LOG_IF_MAPI_FAILED(convert(entry));
    }
}

HRESULT CNewMailAdvise::Start(IMsgStore* p_pStore, PFN_HrThisThreadAdviseSink p_pfnThreadSink,
                              CNewMailHandlers p_oHandlers)
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    if (m_pStore)
        return S_OK;
    if (p_pStore == nullptr || p_pfnThreadSink == nullptr)
    {
        LOG_FAILURE("no store or no HrThisThreadAdviseSink");
        return MAPI_E_INVALID_PARAMETER;
    }
    com_ptr<IMAPIAdviseSink> sink;
    sink.attach(new CNewMailAdviseSink(std::move(p_oHandlers)));
    com_ptr<IMAPIAdviseSink> threadSink;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pfnThreadSink(sink.get(), threadSink.put()));
    if (FAILED(hr))
        return hr;
    ULONG connection = 0;
    // No entry id: the whole store.
    hr = LOG_IF_MAPI_FAILED(p_pStore->Advise(0, nullptr, kNewMailEventMask, threadSink.get(), &connection));
    if (FAILED(hr))
        return hr;
    m_pStore = com_ptr<IMsgStore>::copy_from(p_pStore);
    m_ulConnection = connection;
    Log("CNewMailAdvise::Start: advised on the default store, connection %lu", static_cast<unsigned long>(connection));
    return S_OK;
}

void CNewMailAdvise::Stop()
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    if (!m_pStore)
        return;
    LOG_IF_MAPI_FAILED(m_pStore->Unadvise(m_ulConnection));
    m_pStore.reset();
    m_ulConnection = 0;
}

bool CNewMailAdvise::IsAdvised() const
{
    std::lock_guard<std::mutex> lock(m_oMutex);
    return static_cast<bool>(m_pStore);
}

CNewMailAdvise& NewMailAdvise()
{
    static CNewMailAdvise s_oAdvise;
    return s_oAdvise;
}
