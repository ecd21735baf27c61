// common/text_win.h: the text conversions Windows code needs: ANSI (a code page) to UTF-16 and
// back, a control's text, the clipboard's text, and a guard that holds the clipboard open.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// p_sText in code page p_uCodePage as UTF-16. Bytes the code page cannot map come out as the
// system's default character; empty in, empty out.
std::wstring AnsiToWide(std::string_view p_sText, UINT p_uCodePage = CP_ACP);
// p_sText as code page p_uCodePage; characters it cannot hold come out as its default character.
std::string WideToAnsi(std::wstring_view p_sText, UINT p_uCodePage = CP_ACP);

// The text of a window or control (GetWindowText), however long.
std::string ControlText(HWND p_hWnd);
std::wstring ControlTextW(HWND p_hWnd);
// The text of a dialog's control p_iId; empty when there is no such control.
std::string DialogItemText(HWND p_hDialog, int p_iId);

// Holds the clipboard open for one thread while it lives. Another program may hold it for a
// moment: Open tries again for up to p_dwWaitMs.
class CClipboardGuard
{
  public:
    explicit CClipboardGuard(HWND p_hOwner, DWORD p_dwWaitMs = 0);
    ~CClipboardGuard();
    CClipboardGuard(const CClipboardGuard&) = delete;
    CClipboardGuard& operator=(const CClipboardGuard&) = delete;

    // Whether the clipboard is open; when not, LastError says why.
    [[nodiscard]] bool IsOpen() const
    {
        return m_bOpen;
    }
    [[nodiscard]] DWORD LastError() const
    {
        return m_dwError;
    }

  private:
    bool m_bOpen = false;
    DWORD m_dwError = 0;
};

// The clipboard's CF_UNICODETEXT (Windows synthesises it from CF_TEXT), with the clipboard already
// open. False when it holds no text.
[[nodiscard]] bool ReadOpenClipboardText(std::wstring& p_sText);
// Opens the clipboard for p_hOwner and reads its text.
[[nodiscard]] bool ReadClipboardText(HWND p_hOwner, std::wstring& p_sText);
// With the clipboard open: empties it and puts p_sText on it as CF_UNICODETEXT.
[[nodiscard]] bool WriteOpenClipboardText(std::wstring_view p_sText);
