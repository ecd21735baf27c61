// common/text_win.cpp: text conversions, control texts and clipboard text.
#include "common/text_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"

#include <cstring>
#include <cwchar>

std::wstring AnsiToWide(std::string_view p_sText, UINT p_uCodePage)
{
    if (p_sText.empty())
        return std::wstring();
    const int source = static_cast<int>(p_sText.size());
    const int length = MultiByteToWideChar(p_uCodePage, 0, p_sText.data(), source, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(p_uCodePage, 0, p_sText.data(), source, wide.data(), length);
    return wide;
}

std::string WideToAnsi(std::wstring_view p_sText, UINT p_uCodePage)
{
    if (p_sText.empty())
        return std::string();
    const int source = static_cast<int>(p_sText.size());
    const int length = WideCharToMultiByte(p_uCodePage, 0, p_sText.data(), source, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(p_uCodePage, 0, p_sText.data(), source, text.data(), length, nullptr, nullptr);
    return text;
}

std::string ControlText(HWND p_hWnd)
{
    const int length = GetWindowTextLengthA(p_hWnd);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(p_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ControlTextW(HWND p_hWnd)
{
    const int length = GetWindowTextLengthW(p_hWnd);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(p_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string DialogItemText(HWND p_hDialog, int p_iId)
{
    const HWND item = GetDlgItem(p_hDialog, p_iId);
    return item != nullptr ? ControlText(item) : std::string();
}

CClipboardGuard::CClipboardGuard(HWND p_hOwner, DWORD p_dwWaitMs)
{
    const ULONGLONG end = GetTickCount64() + p_dwWaitMs;
    for (;;)
    {
        if (OpenClipboard(p_hOwner))
        {
            m_bOpen = true;
            return;
        }
        m_dwError = GetLastError();
        if (GetTickCount64() >= end)
            return;
        // Another program has it open; it keeps it for a moment only.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

CClipboardGuard::~CClipboardGuard()
{
    if (m_bOpen)
        CloseClipboard();
}

bool ReadOpenClipboardText(std::wstring& p_sText)
{
    p_sText.clear();
    const HANDLE global = GetClipboardData(CF_UNICODETEXT);
    if (global == nullptr)
        return false;
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(global));
    if (wide == nullptr)
        return false;
    // The block may lack its terminator: never read past its size.
    p_sText.assign(wide, wcsnlen(wide, GlobalSize(global) / sizeof(wchar_t)));
    GlobalUnlock(global);
    return true;
}

bool ReadClipboardText(HWND p_hOwner, std::wstring& p_sText)
{
    p_sText.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) && !IsClipboardFormatAvailable(CF_TEXT))
        return false;
    CClipboardGuard clipboard(p_hOwner);
    if (!clipboard.IsOpen())
    {
        LogCallFailure(__PRETTY_FUNCTION__, "OpenClipboard", EResultKind::Win32Error, clipboard.LastError());
        return false;
    }
    return ReadOpenClipboardText(p_sText);
}

bool WriteOpenClipboardText(std::wstring_view p_sText)
{
    const size_t bytes = (p_sText.size() + 1) * sizeof(wchar_t);
    unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!block)
        return false;
    auto* target = static_cast<wchar_t*>(GlobalLock(block.get()));
    if (target == nullptr)
        return false;
    std::memcpy(target, p_sText.data(), p_sText.size() * sizeof(wchar_t));
    target[p_sText.size()] = L'\0';
    GlobalUnlock(block.get());
    if (!LOG_IF_WIN32_BOOL_FALSE(EmptyClipboard()))
        return false;
    if (LOG_IF_WIN32_BOOL_FALSE(SetClipboardData(CF_UNICODETEXT, block.get())) == nullptr)
        return false;
    // The clipboard owns the block now.
    (void)block.release();
    return true;
}
