// standins/outlook/ol_window_win.h: what the explorer and the compose note share: the window class
// "rctrl_renwnd32" both use, the host they report to, and small control helpers.
#pragma once

#include "standins/outlook/ol_extensions_win.h"

#include <windows.h>

#include <string>

namespace olstandin
{
inline constexpr const char* kHostWindowClass = "rctrl_renwnd32";
// Posted to a host window to tell its extensions about a selection change once the list has settled.
inline constexpr UINT kMsgSelectionSettled = WM_APP + 1;

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
    ~CHostWindow() override = default;
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
    virtual CExtensionSet* Extensions() = 0;

  protected:
    [[nodiscard]] bool CreateFrame(const char* p_szTitle, HMENU p_hMenu, int p_iWidth, int p_iHeight);
    virtual LRESULT HandleMessage(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
    // The standard toolbar: the common controls' standard bitmaps, then the given buttons.
    [[nodiscard]] HWND CreateToolbar(const std::vector<std::pair<UINT, const char*>>& p_vButtons);
    // WM_COMMAND after the extensions declined it.
    virtual void OwnCommand(UINT p_nCommand) = 0;
    virtual void Layout(int p_iWidth, int p_iHeight) = 0;

    CWindowOwner& m_oOwner;
    HWND m_hWnd = nullptr;
    HWND m_hToolbar = nullptr;
    HWND m_hStatus = nullptr;

  private:
    static LRESULT CALLBACK WindowProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
    LRESULT HandleNotify(NMHDR* p_pHeader);
};

// A popup menu built from (id, text) rows; a row without text is a separator.
[[nodiscard]] HMENU BuildPopup(const std::vector<std::pair<UINT, const char*>>& p_vItems);
void AppendPopup(HMENU p_hBar, HMENU p_hPopup, UINT p_nId, const char* p_szText);
} // namespace olstandin
