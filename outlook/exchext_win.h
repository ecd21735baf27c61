// outlook/exchext_win.h: the Exchange client extension contract as the plug-in uses it: context
// numbers, the interfaces a host calls and the callback it hands in, and the client's
// IOutlookExtCallback. Written from the published interface documentation.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <mapix.h>

namespace exchext
{
// Contexts in which the host creates and installs an extension object.
inline constexpr ULONG kContextSession = 1;
inline constexpr ULONG kContextViewer = 2;
inline constexpr ULONG kContextRemoteViewer = 3;
inline constexpr ULONG kContextSearchViewer = 4;
inline constexpr ULONG kContextAddressBook = 5;
inline constexpr ULONG kContextSendNote = 6;
inline constexpr ULONG kContextReadNote = 7;
inline constexpr ULONG kContextSendPost = 8;
inline constexpr ULONG kContextReadPost = 9;
inline constexpr ULONG kContextReadReport = 10;
inline constexpr ULONG kContextSendResend = 11;
inline constexpr ULONG kContextPropertySheets = 12;
inline constexpr ULONG kContextAdvancedCriteria = 13;
inline constexpr ULONG kContextTask = 14;

// QueryHelpText kinds.
inline constexpr ULONG kHelpTextStatusBar = 1;
inline constexpr ULONG kHelpTextTooltip = 2;

// Exchange command ids of the client's own menus.
inline constexpr UINT kCommandFileNewMessage = 151;
inline constexpr UINT kCommandToolsMenu = 160;

// The interface ids share one pattern: {00020Dxx-0000-0000-C000-000000000046}.
constexpr GUID ExchangeIid(unsigned long p_ulLow)
{
    return {0x00020D00 + p_ulLow, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}
inline constexpr GUID IID_IExchExtCallback = ExchangeIid(0x10);
inline constexpr GUID IID_IExchExt = ExchangeIid(0x11);
inline constexpr GUID IID_IExchExtCommands = ExchangeIid(0x12);
inline constexpr GUID IID_IExchExtUserEvents = ExchangeIid(0x13);
inline constexpr GUID IID_IExchExtSessionEvents = ExchangeIid(0x14);
inline constexpr GUID IID_IExchExtMessageEvents = ExchangeIid(0x15);
inline constexpr GUID IID_IExchExtAttachedFileEvents = ExchangeIid(0x16);
inline constexpr GUID IID_IExchExtPropertySheets = ExchangeIid(0x17);
inline constexpr GUID IID_IExchExtAdvancedCriteria = ExchangeIid(0x18);
inline constexpr GUID IID_IOutlookExtCallback = {0x0006720D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// Outlook's explorer events and the Office command-bar button events.
inline constexpr GUID IID_ExplorerEvents = {0x0006304F, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_CommandBarButtonEvents = {0x000C0351, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// IAccessible, spelled out: the oleacc import library exports IID_IAccessible as code, and a query
// with those bytes is answered by nothing.
inline constexpr GUID IID_Accessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// A toolbar the host offers to InstallCommands.
struct TBENTRY
{
    HWND hwnd;
    ULONG tbid;
    ULONG ulFlags;
    UINT itbbBase;
};

struct IExchExtCallback : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetVersion(ULONG* p_pulVersion, ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* p_phWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMenu(HMENU* p_phMenu) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetToolbar(ULONG p_ulToolbarId, HWND* p_phToolbar) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSession(IMAPISession** p_ppSession, IAddrBook** p_ppAddressBook) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObject(IMsgStore** p_ppStore, IMAPIProp** p_ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG* p_pulCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG p_ulIndex, ULONG* p_pcbEntryId, ENTRYID** p_ppEntryId,
                                                       ULONG* p_pulType, LPSTR p_szMessageClass, ULONG p_cchClass,
                                                       ULONG* p_pulFlags, ULONG p_ulReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG p_ulCommand, HMENU* p_phMenu, ULONG* p_pulFirst,
                                                 ULONG* p_pulLast, ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSharedExtsDir(LPSTR p_szDir, ULONG p_cchDir, ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRecipients(ADRLIST** p_ppList) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRecipients(ADRLIST* p_pList) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG p_ulFlags, IMAPIFolder* p_pFolder, IUnknown* p_pPersist,
                                                        IMessage** p_ppMessage, IUnknown** p_ppSite,
                                                        IUnknown** p_ppView, ULONG p_ulReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterModeless(IUnknown* p_pModeless, IUnknown** p_ppCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChooseFolder(IMsgStore** p_ppStore, IMAPIFolder** p_ppFolder, LPSTR p_szCaption,
                                                   ULONG p_cchCaption, LPSTR p_szLabel, HWND p_hParent,
                                                   ULONG p_ulFlags) = 0;
};

struct IExchExt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Install(IExchExtCallback* p_pCallback, ULONG p_ulContext, ULONG p_ulFlags) = 0;
};

struct IExchExtCommands : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE InstallCommands(IExchExtCallback* p_pCallback, HWND p_hWnd, HMENU p_hMenu,
                                                      UINT* p_pCommandBase, TBENTRY* p_pToolbars, UINT p_cToolbars,
                                                      ULONG p_ulFlags) = 0;
    virtual void STDMETHODCALLTYPE InitMenu(IExchExtCallback* p_pCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoCommand(IExchExtCallback* p_pCallback, UINT p_uCommand) = 0;
    virtual HRESULT STDMETHODCALLTYPE Help(IExchExtCallback* p_pCallback, UINT p_uCommand) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryHelpText(UINT p_uCommand, ULONG p_ulFlags, LPSTR p_szText, UINT p_cch) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryButtonInfo(ULONG p_ulToolbarId, UINT p_uButton, TBBUTTON* p_pButton,
                                                      LPSTR p_szDescription, UINT p_cchDescription,
                                                      ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetToolbar(ULONG p_ulToolbarId, ULONG p_ulFlags) = 0;
};

struct IExchExtUserEvents : public IUnknown
{
    virtual void STDMETHODCALLTYPE OnSelectionChange(IExchExtCallback* p_pCallback) = 0;
    virtual void STDMETHODCALLTYPE OnObjectChange(IExchExtCallback* p_pCallback) = 0;
};

struct IExchExtSessionEvents : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE OnDelivery(IExchExtCallback* p_pCallback) = 0;
};

struct IExchExtMessageEvents : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE OnRead(IExchExtCallback* p_pCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnReadComplete(IExchExtCallback* p_pCallback, ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWrite(IExchExtCallback* p_pCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWriteComplete(IExchExtCallback* p_pCallback, ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCheckNames(IExchExtCallback* p_pCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCheckNamesComplete(IExchExtCallback* p_pCallback, ULONG p_ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSubmit(IExchExtCallback* p_pCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSubmitComplete(IExchExtCallback* p_pCallback, ULONG p_ulFlags) = 0;
};

// Handed out by Outlook's callback object: the application object of the object model.
struct IOutlookExtCallback : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetObject(IUnknown** p_ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOfficeCharacter(void** p_ppCharacter) = 0;
};

// The one export of an extension library: a new extension object, or null.
using PFN_ExchEntryPoint = IExchExt*(CALLBACK*)();
} // namespace exchext
