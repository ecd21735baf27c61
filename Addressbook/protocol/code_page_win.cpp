// Addressbook/protocol/code_page_win.cpp: ANSI text to UTF-8 through UTF-16 with CP_ACP.
#include "Addressbook/protocol/code_page.h"

#include <windows.h>
#include <climits>

namespace code_page
{
bool AnsiToUtf8(std::string_view p_sAnsi, std::string& p_sUtf8)
{
    p_sUtf8.clear();
    if (p_sAnsi.empty())
        return true;
    if (p_sAnsi.size() > INT_MAX / 4)
        return false;
    const int ansiLength = static_cast<int>(p_sAnsi.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, p_sAnsi.data(), ansiLength, nullptr, 0);
    if (wideLength <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, p_sAnsi.data(), ansiLength, wide.data(), wideLength);
    const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0)
        return false;
    p_sUtf8.assign(static_cast<size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, p_sUtf8.data(), utf8Length, nullptr, nullptr);
    return true;
}

bool Utf8ToAnsi(std::string_view p_sUtf8, std::string& p_sAnsi)
{
    p_sAnsi.clear();
    if (p_sUtf8.empty())
        return true;
    if (p_sUtf8.size() > INT_MAX / 2)
        return false;
    const int utf8Length = static_cast<int>(p_sUtf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p_sUtf8.data(), utf8Length, nullptr, 0);
    if (wideLength <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p_sUtf8.data(), utf8Length, wide.data(), wideLength);
    BOOL lossy = FALSE;
    const int ansiLength = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, &lossy);
    if (ansiLength <= 0 || lossy)
        return false;
    p_sAnsi.assign(static_cast<size_t>(ansiLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, p_sAnsi.data(), ansiLength, nullptr, nullptr);
    return true;
}
} // namespace code_page
