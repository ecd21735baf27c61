// Addressbook/newmail/new_mail_sink_win.h: the advise sink on the whole default store that drives
// the SMS form conversion and the new-mail handling, and the one advise connection the library
// keeps for its session.
#pragma once

#include <windows.h>
#include <mapidefs.h>

#include "Addressbook/addressbook/page_cache.h"
#include "common/handle_win.h"

#include <functional>
#include <mutex>

// fnevNewMail | fnevObjectCreated | fnevObjectModified | fnevObjectMoved | fnevObjectCopied.
constexpr ULONG kNewMailEventMask = 0x76;

// The SMS form conversion the reminders provide; both default to doing nothing. A message that was
// created, moved or copied, or modified, is converted with its folder; a modified folder whole.
using PFN_ConvertOnEvent = HRESULT (*)(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder);
using PFN_ConvertFolderOnEvent = HRESULT (*)(const CEntryBytes& p_vFolder);
struct CFormConversionSeam
{
    PFN_ConvertOnEvent m_pfnConvertOnEvent = nullptr;
    PFN_ConvertFolderOnEvent m_pfnConvertFolderOnEvent = nullptr;
};
void SetFormConversionSeam(const CFormConversionSeam& p_oSeam);
CFormConversionSeam FormConversionSeam();

// What the sink does with the notifications it hears.
struct CNewMailHandlers
{
    std::function<HRESULT(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder)> m_fnDealWithNewMail;
};

class CNewMailAdviseSink final : public IMAPIAdviseSink
{
  public:
    explicit CNewMailAdviseSink(CNewMailHandlers p_oHandlers);

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // Each notification in order; a handler that throws is trapped and the next one still runs.
    STDMETHODIMP_(ULONG) OnNotify(ULONG p_cNotifications, LPNOTIFICATION p_pNotifications) override;

  private:
    ~CNewMailAdviseSink() = default;
    void Handle(const NOTIFICATION& p_oNotification);

    LONG m_lRefs = 1;
    CNewMailHandlers m_oHandlers;
};

// HrThisThreadAdviseSink, as the MAPI library exports it.
using PFN_HrThisThreadAdviseSink = HRESULT(STDAPICALLTYPE*)(LPMAPIADVISESINK, LPMAPIADVISESINK*);

// The advise connection on the default store: made once, kept until Stop.
class CNewMailAdvise
{
  public:
    // Wraps a new sink for the calling thread and registers it on the whole store. Does nothing
    // when a connection is already held.
    [[nodiscard]] HRESULT Start(IMsgStore* p_pStore, PFN_HrThisThreadAdviseSink p_pfnThreadSink,
                                CNewMailHandlers p_oHandlers);
    // Unadvises; safe when nothing is held.
    void Stop();
    bool IsAdvised() const;

  private:
    mutable std::mutex m_oMutex;
    com_ptr<IMsgStore> m_pStore;
    ULONG m_ulConnection = 0;
};

// The library's one connection, made by StartAdvise and ended by Uninit.
CNewMailAdvise& NewMailAdvise();
