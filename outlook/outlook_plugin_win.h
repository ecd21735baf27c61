// outlook/outlook_plugin_win.h: the extension object the client creates per context: one object
// with one reference count and the interface parts the context needs.
#pragma once

#include "common/handle_win.h"
#include "outlook/exchext_win.h"
#include "outlook/gui_changer_win.h"
#include "outlook/outlook_version_win.h"

#include <memory>

class CCommandInvoker;

// Private command ids the plug-in posts to its explorer window, routed back to DoCommand.
inline constexpr UINT kRectifyButtonPositions = 0xF449;
inline constexpr UINT kRunPendingToolbarCommand = 0xFFFA;
inline constexpr UINT kExecuteNewSMS = 0xFFFB;
inline constexpr UINT kNewOutlookMail = 0xFFFC;
inline constexpr UINT kInstallationRun = 0xFFFE;

class COutlookPlugin final : public exchext::IExchExt,
                             public exchext::IExchExtCommands,
                             public exchext::IExchExtUserEvents,
                             public exchext::IExchExtSessionEvents,
                             public exchext::IExchExtMessageEvents,
                             public IDispatch
{
  public:
    COutlookPlugin();
    COutlookPlugin(const COutlookPlugin&) = delete;
    COutlookPlugin& operator=(const COutlookPlugin&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID p_riid, void** p_ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IExchExt
    HRESULT STDMETHODCALLTYPE Install(exchext::IExchExtCallback* p_pCallback, ULONG p_ulContext,
                                      ULONG p_ulFlags) override;

    // IExchExtCommands
    HRESULT STDMETHODCALLTYPE InstallCommands(exchext::IExchExtCallback* p_pCallback, HWND p_hWnd, HMENU p_hMenu,
                                              UINT* p_pCommandBase, exchext::TBENTRY* p_pToolbars, UINT p_cToolbars,
                                              ULONG p_ulFlags) override;
    void STDMETHODCALLTYPE InitMenu(exchext::IExchExtCallback* p_pCallback) override;
    HRESULT STDMETHODCALLTYPE DoCommand(exchext::IExchExtCallback* p_pCallback, UINT p_uCommand) override;
    HRESULT STDMETHODCALLTYPE Help(exchext::IExchExtCallback* p_pCallback, UINT p_uCommand) override;
    HRESULT STDMETHODCALLTYPE QueryHelpText(UINT p_uCommand, ULONG p_ulFlags, LPSTR p_szText, UINT p_cch) override;
    HRESULT STDMETHODCALLTYPE QueryButtonInfo(ULONG p_ulToolbarId, UINT p_uButton, TBBUTTON* p_pButton,
                                              LPSTR p_szDescription, UINT p_cchDescription, ULONG p_ulFlags) override;
    HRESULT STDMETHODCALLTYPE ResetToolbar(ULONG p_ulToolbarId, ULONG p_ulFlags) override;

    // IExchExtUserEvents
    void STDMETHODCALLTYPE OnSelectionChange(exchext::IExchExtCallback* p_pCallback) override;
    void STDMETHODCALLTYPE OnObjectChange(exchext::IExchExtCallback* p_pCallback) override;

    // IExchExtSessionEvents
    HRESULT STDMETHODCALLTYPE OnDelivery(exchext::IExchExtCallback* p_pCallback) override;

    // IExchExtMessageEvents
    HRESULT STDMETHODCALLTYPE OnRead(exchext::IExchExtCallback* p_pCallback) override;
    HRESULT STDMETHODCALLTYPE OnReadComplete(exchext::IExchExtCallback* p_pCallback, ULONG p_ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnWrite(exchext::IExchExtCallback* p_pCallback) override;
    HRESULT STDMETHODCALLTYPE OnWriteComplete(exchext::IExchExtCallback* p_pCallback, ULONG p_ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnCheckNames(exchext::IExchExtCallback* p_pCallback) override;
    HRESULT STDMETHODCALLTYPE OnCheckNamesComplete(exchext::IExchExtCallback* p_pCallback, ULONG p_ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnSubmit(exchext::IExchExtCallback* p_pCallback) override;
    HRESULT STDMETHODCALLTYPE OnSubmitComplete(exchext::IExchExtCallback* p_pCallback, ULONG p_ulFlags) override;

    // IDispatch: the explorer event sink.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p_pCount) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT p_uIndex, LCID p_lcid, ITypeInfo** p_ppInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID p_riid, LPOLESTR* p_pNames, UINT p_cNames, LCID p_lcid,
                                            DISPID* p_pIds) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID p_id, REFIID p_riid, LCID p_lcid, WORD p_wFlags, DISPPARAMS* p_pParams,
                                     VARIANT* p_pResult, EXCEPINFO* p_pException, UINT* p_puArgError) override;

    int GuiKindOf() const
    {
        return m_iGuiKind;
    }

  private:
    ~COutlookPlugin();
    HRESULT InstallViewer(exchext::IExchExtCallback* p_pCallback);
    // Asks the GUI changer for the object model's folder of the explorer's MAPI folder.
    [[nodiscard]] bool FindExplorerFolder(exchext::IExchExtCallback* p_pCallback);
    // A command-bar button's Click: the command of its tag, run while holding the GUI mutex.
    void OnButtonClick(IDispatch* p_pControl);
    // The Outlook 97/98 hooks saw a click on a button: its command is left in the pending slot and
    // run by DoCommand, outside the hook.
    void OnHookedButtonClick(IDispatch* p_pControl);
    // The command in the clicked control's tag; keeps the control's place as the drop-down anchor.
    [[nodiscard]] static bool ClickedCommand(IDispatch* p_pControl, uint32_t& p_uCommand);
    // GuiKind 2: the hooks, and the first installation run posted to the explorer.
    void InstallOutlook97Hooks();
    // Runs a command id the plug-in's buttons carry: a toolbar definition entry (2000 to 4000) or a
    // command of the menu by resource id.
    void ExecuteButtonCommand(uint32_t p_uCommand, exchext::IExchExtCallback* p_pCallback);
    [[nodiscard]] bool SinkToExplorerEvents();
    void CloseExplorerSink();
    void OpenNewOutlookMail();

    std::unique_ptr<CGUIChanger> m_p_oGC;
    com_ptr<IDispatch> m_p_oExplorer;
    DWORD m_dwAdviseCookie = 0;
    LONG m_lRefs = 1;
    ULONG m_ulContext = 0;
    int m_iGuiKind = 1;
    HWND m_hExplorer = nullptr;
    bool m_bSelectionChanged = false;
    bool m_bRectified = false;
    bool m_bCountedViewer = false;
    COutlookVersion m_oVersion;
    // What OnSubmitComplete hands to the compose server.
    LONG m_lCCPhoneValue = 0;
};

// The process's command runner (created by the first viewer, gone with the last); null otherwise.
CCommandInvoker* ProcessCommandInvoker();
// The stored "OutlookToolbarShowing" state, read when the last plug-in object was made.
bool ToolbarShowing();
// The right and bottom edge (screen) of the last clicked SMS command-bar button.
POINT LastButtonAnchor();
void SetLastButtonAnchor(POINT p_ptAnchor);
