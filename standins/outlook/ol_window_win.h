// standins/outlook/ol_window_win.h: what the explorer and the compose note share: the window class
// "rctrl_renwnd32" both use, the host they report to, and small control helpers.
#pragma once

#include "standins/outlook/ol_extensions_win.h"

#include <windows.h>

#include <memory>
#include <string>

namespace olstandin
{
inline constexpr const char* kHostWindowClass = "rctrl_renwnd32";
// Posted to a host window to tell its extensions about a selection change once the list has settled.
inline constexpr UINT kMsgSelectionSettled = WM_APP + 1;
// The explorer's own commands (its menus, toolbar and built-in command-bar controls post them).
inline constexpr UINT kCmdClose = 0xE100;
inline constexpr UINT kCmdFileMenu = 150;
inline constexpr UINT kCmdEditMenu = 152;
inline constexpr UINT kCmdViewMenu = 153;
inline constexpr UINT kCmdHelpMenu = 161;
inline constexpr UINT kCmdAddressBook = 0xE110;
inline constexpr UINT kCmdOptions = 0xE111;
inline constexpr UINT kCmdDelete = 0xE112;
inline constexpr UINT kCmdReply = 0xE113;
inline constexpr UINT kCmdReplyAll = 0xE114;
inline constexpr UINT kCmdForward = 0xE115;
inline constexpr UINT kCmdPrint = 0xE116;
inline constexpr UINT kCmdAbout = 0xE117;
inline constexpr UINT kCmdCustomize = 0xE118;

class CHostWindow;

// The host owns the windows; a window tells it when it is gone.
class CWindowOwner
{
  public:
    virtual ~CWindowOwner() = default;
    virtual void WindowDestroyed(CHostWindow* p_pWindow) = 0;
    virtual void OpenNote() = 0;
    virtual const CExtensionRegistry& Registry() const = 0;
    virtual CHostServices& Services() = 0;
    virtual UINT& NextCommand() = 0;
};

class CHostWindow : public CCallbackSite
{
  public:
    explicit CHostWindow(CWindowOwner& p_oOwner) : m_oOwner(p_oOwner)
    {
    }
    // Ends the window's extensions before the window itself.
    ~CHostWindow() override;
    CHostWindow(const CHostWindow&) = delete;
    CHostWindow& operator=(const CHostWindow&) = delete;

    [[nodiscard]] static bool RegisterWindowClass(HINSTANCE p_hInstance);
    HWND Window() const
    {
        return m_hWnd;
    }
    HWND SiteWindow() override
    {
        return m_hWnd;
    }
    HMENU SiteMenu() override
    {
        return m_hWnd != nullptr ? GetMenu(m_hWnd) : nullptr;
    }
    HWND SiteToolbar() override
    {
        return m_hToolbar;
    }
    CExtensionSet* Extensions()
    {
        return m_p_oExtensions.get();
    }

  protected:
    // The frame window of class "rctrl_renwnd32" with its menu bar, status bar and standard toolbar
    // (the common controls' standard bitmaps, then the given buttons).
    [[nodiscard]] bool CreateFrame(const char* p_szTitle, HMENU p_hMenu, int p_iWidth, int p_iHeight,
                                   const std::vector<std::pair<UINT, const char*>>& p_vButtons);
    // Installs the window's extensions of p_ulContext (none for 0) with their commands, lays the window
    // out and shows it.
    void ShowFrame(ULONG p_ulContext);
    virtual LRESULT HandleMessage(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
    // WM_COMMAND after the extensions declined it.
    virtual void OwnCommand(UINT p_nCommand) = 0;
    virtual void Layout(int p_iWidth, int p_iHeight) = 0;

    CWindowOwner& m_oOwner;
    HWND m_hWnd = nullptr;
    HWND m_hToolbar = nullptr;
    HWND m_hStatus = nullptr;
    std::unique_ptr<CExtensionSet> m_p_oExtensions;

  private:
    [[nodiscard]] HWND CreateToolbar(const std::vector<std::pair<UINT, const char*>>& p_vButtons);
    static LRESULT CALLBACK WindowProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
    LRESULT HandleNotify(NMHDR* p_pHeader);
};

// A popup menu built from (id, text) rows; a row without text is a separator.
[[nodiscard]] HMENU BuildPopup(const std::vector<std::pair<UINT, const char*>>& p_vItems);
void AppendPopup(HMENU p_hBar, HMENU p_hPopup, UINT p_nId, const char* p_szText);
} // namespace olstandin
