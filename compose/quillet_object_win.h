// compose/quillet_object_win.h: CQuillet, the object behind the Quillet coclass: it keeps the host's
// session and application, binds the core library, opens compose windows and forwards the host's
// requests to the core.
#pragma once

#include "common/clock.h"
#include "common/com_ref_count_win.h"
#include "common/error_slot.h"
#include "common/handle_win.h"
#include "compose/address_book_binding_win.h"
#include "compose/quillet_h.h"
#include "compose/quillet_process_win.h"

#include <memory>
#include <string>

class CQuillet : public IQuillet
{
  public:
    CQuillet();
    virtual ~CQuillet();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch, through the embedded type library
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p_pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT p_iTInfo, LCID p_lcid, ITypeInfo** p_ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID p_riid, LPOLESTR* p_rgszNames, UINT p_cNames, LCID p_lcid,
                                            DISPID* p_rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID p_dispIdMember, REFIID p_riid, LCID p_lcid, WORD p_wFlags,
                                     DISPPARAMS* p_pDispParams, VARIANT* p_pVarResult, EXCEPINFO* p_pExcepInfo,
                                     UINT* p_puArgErr) override;
    // IQuillet
    HRESULT STDMETHODCALLTYPE Init(int iPackage, int iPackageVersion, IUnknown* p_IUnkSession, IUnknown* p_IUnkApp,
                                   LONG hParentWnd, LONG hMonitorWnd, LONG bSendMessage) override;
    HRESULT STDMETHODCALLTYPE CreateNewSMS(LONG hParentWnd, BSTR bstrTo, BSTR bstrMessage) override;
    HRESULT STDMETHODCALLTYPE StartReminderMonitor() override;
    HRESULT STDMETHODCALLTYPE StopReminderMonitor() override;
    HRESULT STDMETHODCALLTYPE StartMailMonitor(LONG dwPID) override;
    HRESULT STDMETHODCALLTYPE CCPhoneSend(LONG hParentWnd) override;
    HRESULT STDMETHODCALLTYPE CreateReminder(LONG hParentWnd) override;
    HRESULT STDMETHODCALLTYPE CCPhoneStore(IUnknown* p_IUnkMesage, LONG NotifyTo, LONG NotifyCC,
                                           LONG NotifyBCC) override;
    HRESULT STDMETHODCALLTYPE CCPhoneCleanup() override;
    HRESULT STDMETHODCALLTYPE GetEmailDetails(LONG cbeid, BSTR bstrEid, BSTR* bstrSender, BSTR* bstrMessage) override;
    HRESULT STDMETHODCALLTYPE StartVMIfNecessary(LONG hParentWnd) override;
    HRESULT STDMETHODCALLTYPE InstallSMSForms() override;
    HRESULT STDMETHODCALLTYPE UninstallSMSForms() override;
    HRESULT STDMETHODCALLTYPE SetBrowserWindow(LONG lWnd) override;
    HRESULT STDMETHODCALLTYPE ShowRuleManager(LONG hParentWnd) override;
    HRESULT STDMETHODCALLTYPE ChangeReminderForm(LONG bChangeOldOnes) override;
    HRESULT STDMETHODCALLTYPE ShowTemplateEditor(LONG hParentWnd) override;
    HRESULT STDMETHODCALLTYPE ShowSyncReminders(LONG hParentWnd) override;
    HRESULT STDMETHODCALLTYPE StartOEMonitor() override;
    HRESULT STDMETHODCALLTYPE StopOEMonitor() override;

    // For the server and its tests.
    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    CAddressBookControlObject* Binding() const
    {
        return m_p_abcoAddressBook.get();
    }
    CWindowList& Windows()
    {
        return m_oWindows;
    }
    // The clock the windows it opens from now on read; tests hand in a fixed one.
    void SetClock(LocalClock p_fnClock)
    {
        m_fnClock = std::move(p_fnClock);
    }
    // Opens a compose window; p_pszBody null means "no body given" (the signature rule applies).
    [[nodiscard]] bool SpawnNewMessage(HWND p_hParentWnd, bool p_bSendMessage, const std::string& p_sTo,
                                       const char* p_pszBody);
    // Posts the force-close message to every window this object opened and waits for their threads.
    void ForceSMSWindowsToClose();

  private:
    [[nodiscard]] bool InitializeMAPI(int p_iPackageVersion);
    IMAPISession* Session() const
    {
        return reinterpret_cast<IMAPISession*>(m_p_mapiSession.get());
    }
    void ShowError(const CErrorSlot& p_oError) const;
    // Runs p_fnCall when the binding can be used; a false result fails the method.
    template <class F> [[nodiscard]] HRESULT Forward(const char* p_szName, bool p_bFailOnFalse, F&& p_fnCall);

    CComRefCount m_oRefs;
    CErrorSlot m_oError;
    CWindowList m_oWindows;
    std::unique_ptr<CAddressBookControlObject> m_p_abcoAddressBook;
    // The session as IUnknown: MAPI's headers give its interface no __uuidof.
    com_ptr<IUnknown> m_p_mapiSession;
    com_ptr<IDispatch> m_p_dispApp;
    int m_iPackage = 0;
    int m_iPackageVersion = 0;
    bool m_bSendMessage = false;
    HWND m_hParentWnd = nullptr;
    HWND m_hMonitorWnd = nullptr;
    unique_hmodule m_hRichDll;
    com_ptr<ITypeInfo> m_pTypeInfo;
    LocalClock m_fnClock = &LocalTimeNow;
};

// The IID of IMAPISession, which the MAPI headers would give.
extern const IID IID_IMAPISession_Quillet;
