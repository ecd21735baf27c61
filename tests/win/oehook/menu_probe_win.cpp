// tests/win/oehook/menu_probe_win.cpp: latchkit_menu_probe.dll, a hook the Latchkit tests install
// into the mail client stand-in: after each WM_INITMENUPOPUP it appends one line to the file named
// by LATCHKIT_MENU_PROBE_LOG with the texts of the popup's items and of its submenus' items
// ("[" and "]" around a submenu, "|" between items), so the test sees menus that live in the
// other process.
#include "common/handle_win.h"

#include <windows.h>

#include <string>

namespace
{
void AppendMenuTexts(HMENU p_hMenu, std::string& p_sLine, int p_iDepth)
{
    const int count = GetMenuItemCount(p_hMenu);
    for (int i = 0; i < count; ++i)
    {
        char text[256] = {};
        GetMenuStringA(p_hMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        p_sLine += text;
        if (const HMENU sub = GetSubMenu(p_hMenu, i); sub != nullptr && p_iDepth < 3)
        {
            p_sLine += "[";
            AppendMenuTexts(sub, p_sLine, p_iDepth + 1);
            p_sLine += "]";
        }
        p_sLine += "|";
    }
}

void AppendLine(const std::string& p_sLine)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("LATCHKIT_MENU_PROBE_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    unique_file log(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (log)
        WriteFile(log.get(), p_sLine.data(), static_cast<DWORD>(p_sLine.size()), &written, nullptr);
}
} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(p_lParam);
    if (p_iCode == HC_ACTION && call != nullptr && call->message == WM_INITMENUPOPUP)
    {
        std::string line;
        AppendMenuTexts(reinterpret_cast<HMENU>(call->wParam), line, 0);
        AppendLine(line + "\n");
    }
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}
