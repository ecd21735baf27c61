// standins/outlook/ol_host_win.h: the running client: its profile, the registered extensions, the
// session-context extensions, the explorers and notes, and the control channel's window.
#pragma once

#include "standins/outlook/ol_class_object_win.h"
#include "standins/outlook/ol_explorer_win.h"
#include "standins/outlook/ol_item_window_win.h"
#include "standins/outlook/ol_note_win.h"

#include <memory>
#include <vector>

namespace olstandin
{
inline constexpr const char* kControlWindowClass = "OutlookStandinControl";
inline constexpr ULONG_PTR kControlMagic = 0x4F4C434C;

class CHost final : public CWindowOwner, public CCallbackSite
{
  public:
    CHost(WORD p_nMajor, WORD p_nMinor);
    ~CHost() override;

    // Logs on, loads the extensions, installs the session context and opens the first explorer.
    [[nodiscard]] bool Start(HINSTANCE p_hInstance);

    [[nodiscard]] CExplorer* OpenExplorer();
    [[nodiscard]] CExplorer* ExplorerAt(size_t p_nIndex) const;
    [[nodiscard]] CNote* LatestNote() const;
    [[nodiscard]] size_t ExplorerCount() const
    {
        return m_vExplorers.size();
    }
    void CloseAll();

    void WindowDestroyed(CHostWindow* p_pWindow) override;
    void OpenNote() override;
    [[nodiscard]] bool OpenNoteChecked();
    // A note with its fields filled, as MailItem.Display opens it.
    [[nodiscard]] bool OpenFilledNote(const CNoteFields& p_oFields);
    // A store item's read note or inspector (Item.Display); a modal one returns once it is closed, the
    // other windows disabled meanwhile.
    [[nodiscard]] bool OpenInspector(const CItemFields& p_oFields, bool p_bModal);
    [[nodiscard]] CInspector* LatestInspector() const
    {
        return m_vInspectors.empty() ? nullptr : m_vInspectors.back().get();
    }
    const CExtensionRegistry& Registry() const override
    {
        return m_oRegistry;
    }
    CHostServices& Services() override
    {
        return m_oServices;
    }
    UINT& NextCommand() override
    {
        return m_nNextCommand;
    }

  private:
    // The session context's site: it has no window of its own beyond the first explorer's.
    HWND SiteWindow() override;
    HMENU SiteMenu() override
    {
        return nullptr;
    }
    HWND SiteToolbar() override
    {
        return nullptr;
    }
    com_ptr<IMAPIProp> SiteObject() override
    {
        return {};
    }
    std::vector<CItemRow> SiteSelection() override
    {
        return {};
    }
    static LRESULT CALLBACK ControlProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
    void ReapClosed();
    void Delivered(const CEntryId& p_oEntryId);

    CMapiProfile m_oProfile;
    CHostServices m_oServices;
    CExtensionRegistry m_oRegistry;
    UINT m_nNextCommand = exchext::kFirstExtensionCommand;
    std::unique_ptr<CExtensionSet> m_p_oSessionExtensions;
    std::vector<std::unique_ptr<CExplorer>> m_vExplorers;
    std::vector<std::unique_ptr<CNote>> m_vNotes;
    std::vector<std::unique_ptr<CInspector>> m_vInspectors;
    std::vector<std::unique_ptr<CHostWindow>> m_vClosed;
    HWND m_hControl = nullptr;
    // Revoked first when the client ends: outside clients lose the application before the windows go.
    CApplicationClass m_oApplicationClass;
};

// Runs one control command (README.md lists them); true when it was done.
[[nodiscard]] bool RunControlCommand(CHost& p_oHost, const std::string& p_sCommand);
} // namespace olstandin
