// Addressbook/protocol/code_page.h: the ANSI code page seam. Windows converts from CP_ACP
// (code_page_win.cpp); native builds take the ANSI code page to be Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace code_page
{
// ANSI text to UTF-8 (through UTF-16 on Windows). Embedded NULs pass through unchanged.
[[nodiscard]] bool AnsiToUtf8(std::string_view p_sAnsi, std::string& p_sUtf8);

// The portable conversion; the five bytes Windows-1252 leaves undefined map to U+0081, U+008D,
// U+008F, U+0090 and U+009D as MultiByteToWideChar maps them.
std::string Windows1252ToUtf8(std::string_view p_sText);
// UTF-8 back to ANSI, as a reader of what the client sent needs it. Fails on text that is not
// UTF-8 or holds a character the code page cannot carry.
[[nodiscard]] bool Utf8ToAnsi(std::string_view p_sUtf8, std::string& p_sAnsi);
[[nodiscard]] bool Utf8ToWindows1252(std::string_view p_sText, std::string& p_sOut);
} // namespace code_page
