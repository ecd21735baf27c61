// outlook/gui_changer_win.h: what one explorer window gets of the plug-in's user interface: the
// "Br&evolt" popup in the Exchange menu bar with its command ids, the GuiKind 1 "New SMS" item
// and toolbar button, the resource module's definitions, the command-bar controls of the object
// model (GuiKind 3), and the mutex clicks serialise on.
#pragma once

#include "common/handle_win.h"
#include "outlook/col97_win.h"
#include "outlook/exchext_win.h"
#include "outlook/ol2000_win.h"
#include "outlook/plugin_rules.h"
#include "outlook/resource_module_win.h"
#include "outlook/resource_watcher_win.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The private command the resource watcher sends to the explorer window to rebuild the bar on the
// explorer's own thread; the client routes it to DoCommand.
inline constexpr UINT kReInstallToolbarCommand = 0xFFFD;

class CGUIChanger
{
  public:
    CGUIChanger(int p_iGuiKind, IDispatch* p_pApplication, HWND p_hExplorer);
    ~CGUIChanger();
    CGUIChanger(const CGUIChanger&) = delete;
    CGUIChanger& operator=(const CGUIChanger&) = delete;

    // Inserts the popup before the Exchange Tools menu and copies the plug-in's menu into it, each
    // command item taking the next id from *p_pCommandBase. For GuiKind 1 also the "New SMS" item at
    // the Exchange "new message" command and the toolbar button. False when nothing was installed.
    [[nodiscard]] bool InstallExchangeMenu(exchext::IExchExtCallback* p_pCallback, UINT* p_pCommandBase,
                                           const exchext::TBENTRY* p_pToolbars, UINT p_cToolbars);

    std::optional<uint32_t> CommandOf(uint32_t p_uResourceId) const
    {
        return m_oIds.CommandOf(p_uResourceId);
    }
    std::optional<uint32_t> ResourceOf(uint32_t p_uCommandId) const
    {
        return m_oIds.ResourceOf(p_uCommandId);
    }
    size_t CommandCount() const
    {
        return m_oIds.Count();
    }

    // Enables "&Reply via SMS" and "&Forward via SMS" only while the one selected item is a note.
    void SetNoteSelected(bool p_bNote);

    // The toolbar and bitmap index of the GuiKind 1 button; tbid 0 when there is none.
    ULONG ButtonToolbar() const
    {
        return m_ulButtonToolbar;
    }
    UINT ButtonBitmap() const
    {
        return m_uButtonBitmap;
    }
    // String 26 of the resource module (the button's description).
    std::string ButtonDescription() const;

    // Reads both definition texts of the resource module; the entries stay empty on failure.
    void ReadDefinitions();
    const std::vector<CToolbarEntry>& ToolbarEntries() const
    {
        return m_vToolbar;
    }
    // The "New Branded SMS" companion of the client's New button.
    CToolbarEntry CompanionButton() const;

    // Clicks and re-installation serialise on this (unnamed) mutex.
    HANDLE GuiMutex() const
    {
        return m_hGuiMutex.get();
    }
    // The explorer dispatch of the object model (GuiKind 3), or null.
    [[nodiscard]] HRESULT GetExplorerDisp(IDispatch** p_ppExplorer) const;
    // The object model's folder for a MAPI folder (or, for a message, its folder), found by entry id
    // through the namespace; kept as the explorer's folder.
    [[nodiscard]] HRESULT GetOLDispFromMAPIFolder(IMsgStore* p_pStore, IMAPIProp* p_pFolder, IDispatch** p_ppFolder);

    // GuiKind 2: the hooks of Outlook 97 and 98 (COL97) on this thread, and the object model its
    // bar is built with (p_pExplorer, may be null). False when the hooks could not be installed.
    [[nodiscard]] bool InstallHooks(IDispatch* p_pExplorer, int p_iHostVersionCode, CCol97Events p_oEvents);
    // The face bitmaps of the definition entries (loaded by the installation run).
    const CFaceBitmaps& Faces() const
    {
        return m_oFaces;
    }
    // GuiKind 2 and 3: loads the faces of every definition entry and lets go of the resource module, then
    // installs (each once) the "New Branded SMS" companions and the "SMS Bar" with the clipboard
    // kept around the face pastes. p_pSink hears the controls' clicks; p_bShowBar is the stored
    // toolbar state. Runs once per explorer; true when that run installed something.
    bool InstallationRun(IDispatch* p_pExplorer, IDispatch* p_pSink, bool p_bShowBar);
    // The resource module was replaced: reads it again and rebuilds the bar's controls (the
    // companions stay), keeping the bar shown or hidden as it is.
    void ReInstallToolbar(IDispatch* p_pExplorer, IDispatch* p_pSink);
    // GuiKind 2 and 3: puts the "New Branded SMS" companion back directly after New (or adds it again)
    // when something reordered "Standard". False while the installation run has not placed it yet.
    [[nodiscard]] bool RectifyButtonPositions();
    // The selection changed: Reply/Forward on the bar follow whether one note is selected.
    void RefreshSelection();
    // Stores the bar's visibility and lets go of the click connections (the explorer closes).
    void OnExplorerClose();
    // The definition entry of a command id of the toolbar range, or null.
    const CToolbarEntry* ToolbarEntry(uint32_t p_uCommand) const
    {
        return EntryOfCommand(m_vToolbar, p_uCommand);
    }
    // Application.CreateItem(mail).Display().
    [[nodiscard]] HRESULT OpenNewMail() const;
    int GuiKind() const
    {
        return m_iGuiKind;
    }

  private:
    void CopyMenu(HMENU p_hFrom, HMENU p_hTo, UINT* p_pCommandBase);
    void InstallNewSMSItem(exchext::IExchExtCallback* p_pCallback, const exchext::TBENTRY* p_pToolbars,
                           UINT p_cToolbars);

    int m_iGuiKind;
    com_ptr<IDispatch> m_p_oApplication;
    HWND m_hExplorer;
    HMENU m_hPopup = nullptr;
    CCommandIdTable m_oIds;
    ULONG m_ulButtonToolbar = 0;
    UINT m_uButtonBitmap = 0;
    CResourceModule m_oResources;
    std::vector<CToolbarEntry> m_vToolbar;
    std::vector<CToolbarEntry> m_vNewSMS;
    CFaceBitmaps m_oFaces;
    std::unique_ptr<COL2000> m_p_oModel;
    com_ptr<IDispatch> m_p_oFolder;
    bool m_bInstallRunDone = false;
    unique_handle m_hGuiMutex;
    // This explorer is watched for resource module changes (from the first installation on).
    bool m_bWatched = false;
};

// The plug-in's module (its menu and dialogs), set by DllMain.
extern HINSTANCE g_hPluginInstance;
