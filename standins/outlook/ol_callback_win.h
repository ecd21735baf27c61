// standins/outlook/ol_callback_win.h: the callback object the host hands its extensions
// (IExchExtCallback, and IOutlookExtCallback for the application object).
#pragma once

#include "standins/outlook/ol_extensions_win.h"

namespace olstandin
{
class CExtensionCallback final : public IExchExtCallback, public IOutlookExtCallback
{
  public:
    CExtensionCallback(CHostServices& p_oServices, CCallbackSite& p_oSite, ULONG p_ulContext);

    // While an event runs about a particular object (a note being sent, a delivered message),
    // GetObject gives that object instead of the site's.
    void SetEventObject(IMAPIProp* p_pObject);

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetVersion(ULONG* p_pulVersion, ULONG p_ulFlags) override;
    STDMETHODIMP GetWindow(HWND* p_phWnd) override;
    STDMETHODIMP GetMenu(HMENU* p_phMenu) override;
    STDMETHODIMP GetToolbar(ULONG p_ulToolbar, HWND* p_phWnd) override;
    STDMETHODIMP GetSession(LPMAPISESSION* p_ppSession, LPADRBOOK* p_ppAddrBook) override;
    STDMETHODIMP GetObject(LPMDB* p_ppStore, LPMAPIPROP* p_ppObject) override;
    STDMETHODIMP GetSelectionCount(ULONG* p_pulCount) override;
    STDMETHODIMP GetSelectionItem(ULONG p_ulIndex, ULONG* p_pcbEntryId, LPENTRYID* p_ppEntryId, ULONG* p_pulType,
                                  LPSTR p_szMessageClass, ULONG p_cchMessageClass, ULONG* p_pulMessageFlags,
                                  ULONG p_ulFlags) override;
    STDMETHODIMP GetMenuPos(ULONG p_ulCommand, HMENU* p_phMenu, ULONG* p_pulPosMin, ULONG* p_pulPosMax,
                            ULONG p_ulFlags) override;
    STDMETHODIMP GetSharedExtsDir(LPSTR p_szDir, ULONG p_cchDir, ULONG p_ulFlags) override;
    STDMETHODIMP GetRecipients(LPADRLIST* p_ppList) override;
    STDMETHODIMP SetRecipients(LPADRLIST p_pList) override;
    STDMETHODIMP GetNewMessageSite(ULONG p_bComposeInFolder, LPMAPIFOLDER p_pFolder, LPMAPIPROP p_pProp,
                                   LPMESSAGE* p_ppMessage, LPVOID* p_ppSite, LPVOID* p_ppViewContext,
                                   ULONG p_ulFlags) override;
    STDMETHODIMP RegisterModeless(LPVOID p_pSink, HWND p_hWnd) override;
    STDMETHODIMP ChooseFolder(LPMDB* p_ppStore, LPMAPIFOLDER* p_ppFolder, LPVOID p_pReserved) override;

    // IOutlookExtCallback
    STDMETHODIMP GetObject(IUnknown** p_ppUnknown) override;
    STDMETHODIMP GetOfficeCharacter(void** p_ppCharacter) override;

  private:
    ~CExtensionCallback() = default;

    LONG m_lRefs = 1;
    CHostServices& m_oServices;
    CCallbackSite& m_oSite;
    ULONG m_ulContext;
    com_ptr<IMAPIProp> m_p_oEventObject;
};

// The menu and position of a standard Exchange command in a menu bar: the Tools popup (160) is
// found by its position in the bar, other commands by their item.
[[nodiscard]] bool FindMenuCommand(HMENU p_hMenuBar, ULONG p_ulCommand, HMENU& p_hMenu, ULONG& p_ulPosition);
} // namespace olstandin
