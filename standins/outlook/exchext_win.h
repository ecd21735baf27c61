// standins/outlook/exchext_win.h: the Exchange client extension contract (interfaces, identifiers,
// context numbers and flags) as the client's published extension documentation gives it.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <mapix.h>

// Interface identifiers share one block: {00020D1x-0000-0000-C000-000000000046}.
#define BREVOLT_EXCHEXT_GUID(name, low)                                                                                \
    inline constexpr GUID name = {0x00020D00 + (low), 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}

namespace exchext
{
BREVOLT_EXCHEXT_GUID(IID_IExchExtCallback, 0x10);
BREVOLT_EXCHEXT_GUID(IID_IExchExt, 0x11);
BREVOLT_EXCHEXT_GUID(IID_IExchExtCommands, 0x12);
BREVOLT_EXCHEXT_GUID(IID_IExchExtUserEvents, 0x13);
BREVOLT_EXCHEXT_GUID(IID_IExchExtSessionEvents, 0x14);
BREVOLT_EXCHEXT_GUID(IID_IExchExtMessageEvents, 0x15);
BREVOLT_EXCHEXT_GUID(IID_IExchExtAttachedFileEvents, 0x16);
BREVOLT_EXCHEXT_GUID(IID_IExchExtPropertySheets, 0x17);
BREVOLT_EXCHEXT_GUID(IID_IExchExtAdvancedCriteria, 0x18);
BREVOLT_EXCHEXT_GUID(IID_IExchExtModeless, 0x19);
BREVOLT_EXCHEXT_GUID(IID_IExchExtModelessCallback, 0x1A);

// The client's own callback extension: GetObject gives its application object.
inline constexpr GUID IID_IOutlookExtCallback = {0x0006720D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Contexts passed to IExchExt::Install.
enum EContext : ULONG
{
    kContextSession = 1,
    kContextViewer = 2,
    kContextRemoteViewer = 3,
    kContextSearchViewer = 4,
    kContextAddrBook = 5,
    kContextSendNoteMessage = 6,
    kContextReadNoteMessage = 7,
    kContextSendPostMessage = 8,
    kContextReadPostMessage = 9,
    kContextReadReportMessage = 10,
    kContextSendResendMessage = 11,
    kContextPropertySheets = 12,
    kContextAdvancedCriteria = 13,
    kContextTask = 14,
    kContextCount = 14
};

// The interfaces column of a registration: one character each, in this order.
enum EInterfaceSlot : unsigned
{
    kSlotCommands,
    kSlotUserEvents,
    kSlotSessionEvents,
    kSlotMessageEvents,
    kSlotAttachedFileEvents,
    kSlotPropertySheets,
    kSlotAdvancedCriteria,
    kSlotCount
};

// Exchange command ids of the standard menus that extensions look up.
inline constexpr UINT kCmdFileNewMessage = 151;
inline constexpr UINT kCmdTools = 160;
// Extensions receive command ids from here on.
inline constexpr UINT kFirstExtensionCommand = 0x4000;

// Toolbar ids, IExchExtCallback::GetVersion flags and IExchExtCommands::QueryHelpText kinds.
inline constexpr ULONG kToolbarStandard = 1;
inline constexpr ULONG kGetBuildVersion = 0x1;
inline constexpr ULONG kGetActualVersion = 0x2;
inline constexpr ULONG kGetVirtualVersion = 0x4;
inline constexpr ULONG kBuildVersion = 0x000D0000 | 0x1;
inline constexpr ULONG kHelpStatusText = 1;
inline constexpr ULONG kHelpTooltipText = 2;
inline constexpr ULONG kFlagModal = 0x1;
} // namespace exchext

// One toolbar offered to InstallCommands.
struct TBENTRY
{
    HWND hwnd;
    ULONG tbid;
    ULONG ulFlags;
    UINT itbbBase;
};

struct IExchExtCallback;

struct IExchExt : IUnknown
{
    STDMETHOD(Install)(IExchExtCallback* p_pCallback, ULONG p_ulContext, ULONG p_ulFlags) PURE;
};

struct IExchExtCallback : IUnknown
{
    STDMETHOD(GetVersion)(ULONG* p_pulVersion, ULONG p_ulFlags) PURE;
    STDMETHOD(GetWindow)(HWND* p_phWnd) PURE;
    STDMETHOD(GetMenu)(HMENU* p_phMenu) PURE;
    STDMETHOD(GetToolbar)(ULONG p_ulToolbar, HWND* p_phWnd) PURE;
    STDMETHOD(GetSession)(LPMAPISESSION* p_ppSession, LPADRBOOK* p_ppAddrBook) PURE;
    STDMETHOD(GetObject)(LPMDB* p_ppStore, LPMAPIPROP* p_ppObject) PURE;
    STDMETHOD(GetSelectionCount)(ULONG* p_pulCount) PURE;
    STDMETHOD(GetSelectionItem)
    (ULONG p_ulIndex, ULONG* p_pcbEntryId, LPENTRYID* p_ppEntryId, ULONG* p_pulType, LPSTR p_szMessageClass,
     ULONG p_cchMessageClass, ULONG* p_pulMessageFlags, ULONG p_ulFlags) PURE;
    STDMETHOD(GetMenuPos)
    (ULONG p_ulCommand, HMENU* p_phMenu, ULONG* p_pulPosMin, ULONG* p_pulPosMax, ULONG p_ulFlags) PURE;
    STDMETHOD(GetSharedExtsDir)(LPSTR p_szDir, ULONG p_cchDir, ULONG p_ulFlags) PURE;
    STDMETHOD(GetRecipients)(LPADRLIST* p_ppList) PURE;
    STDMETHOD(SetRecipients)(LPADRLIST p_pList) PURE;
    STDMETHOD(GetNewMessageSite)
    (ULONG p_bComposeInFolder, LPMAPIFOLDER p_pFolder, LPMAPIPROP p_pProp, LPMESSAGE* p_ppMessage, LPVOID* p_ppSite,
     LPVOID* p_ppViewContext, ULONG p_ulFlags) PURE;
    STDMETHOD(RegisterModeless)(LPVOID p_pSink, HWND p_hWnd) PURE;
    STDMETHOD(ChooseFolder)(LPMDB* p_ppStore, LPMAPIFOLDER* p_ppFolder, LPVOID p_pReserved) PURE;
};

struct IOutlookExtCallback : IUnknown
{
    STDMETHOD(GetObject)(IUnknown** p_ppUnknown) PURE;
    STDMETHOD(GetOfficeCharacter)(void** p_ppCharacter) PURE;
};

struct IExchExtCommands : IUnknown
{
    STDMETHOD(InstallCommands)
    (IExchExtCallback* p_pCallback, HWND p_hWnd, HMENU p_hMenu, UINT* p_pnCommandBase, TBENTRY* p_pToolbars,
     UINT p_nToolbars, ULONG p_ulFlags) PURE;
    STDMETHOD_(void, InitMenu)(IExchExtCallback* p_pCallback) PURE;
    STDMETHOD(DoCommand)(IExchExtCallback* p_pCallback, UINT p_nCommand) PURE;
    STDMETHOD(Help)(IExchExtCallback* p_pCallback, UINT p_nCommand) PURE;
    STDMETHOD(QueryHelpText)(UINT p_nCommand, ULONG p_ulFlags, LPSTR p_szText, UINT p_cchText) PURE;
    STDMETHOD(QueryButtonInfo)
    (ULONG p_ulToolbar, UINT p_nButton, TBBUTTON* p_pButton, LPSTR p_szDescription, UINT p_cchDescription,
     ULONG p_ulFlags) PURE;
    STDMETHOD(ResetToolbar)(ULONG p_ulToolbar, ULONG p_ulFlags) PURE;
};

struct IExchExtUserEvents : IUnknown
{
    STDMETHOD_(void, OnSelectionChange)(IExchExtCallback* p_pCallback) PURE;
    STDMETHOD_(void, OnObjectChange)(IExchExtCallback* p_pCallback) PURE;
};

struct IExchExtSessionEvents : IUnknown
{
    STDMETHOD(OnDelivery)(IExchExtCallback* p_pCallback) PURE;
};

struct IExchExtMessageEvents : IUnknown
{
    STDMETHOD(OnRead)(IExchExtCallback* p_pCallback) PURE;
    STDMETHOD(OnReadComplete)(IExchExtCallback* p_pCallback, ULONG p_ulFlags) PURE;
    STDMETHOD(OnWrite)(IExchExtCallback* p_pCallback) PURE;
    STDMETHOD(OnWriteComplete)(IExchExtCallback* p_pCallback, ULONG p_ulFlags) PURE;
    STDMETHOD(OnCheckNames)(IExchExtCallback* p_pCallback) PURE;
    STDMETHOD(OnCheckNamesComplete)(IExchExtCallback* p_pCallback, ULONG p_ulFlags) PURE;
    STDMETHOD(OnSubmit)(IExchExtCallback* p_pCallback) PURE;
    STDMETHOD_(void, OnSubmitComplete)(IExchExtCallback* p_pCallback, ULONG p_ulFlags) PURE;
};

// The entry point each registered library exports (by the ordinal its registration names).
using LPFNEXCHEXTENTRY = IExchExt*(WINAPI*)();
