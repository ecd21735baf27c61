// outlook/gui_changer_win.h: what one explorer window gets of the plug-in's user interface: the
// "Br&evolt" popup in the Exchange menu bar with its command ids, the GuiKind 1 "New SMS" item
// and toolbar button, the resource module's definitions, and the mutex clicks serialise on.
#pragma once

#include "common/handle_win.h"
#include "outlook/exchext_win.h"
#include "outlook/plugin_rules.h"
#include "outlook/resource_module_win.h"

#include <optional>
#include <string>
#include <vector>

class CGUIChanger
{
  public:
    CGUIChanger(int p_iGuiKind, IDispatch* p_pApplication, HWND p_hExplorer);
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
    unique_handle m_hGuiMutex;
};

// The plug-in's module (its menu and dialogs), set by DllMain.
extern HINSTANCE g_hPluginInstance;
