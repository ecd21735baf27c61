// tests/win/oe/cbt_probe_win.cpp: oe_cbt_probe.dll, hooks that the window tests install into the mail
// client stand-in. They append to the file named by the environment variable OE_CBT_PROBE_LOG, one
// line each: the class of every window created, "0xAA8 <class>" for each finished download,
// "0x40A <class>" for each not-ready report of a note and "0x117 <class>" for each menu about to drop.
#include "common/handle_win.h"

#include <windows.h>

namespace
{
void AppendLine(const char* p_szLine, int p_iLength)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("OE_CBT_PROBE_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    unique_file log(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (log)
        WriteFile(log.get(), p_szLine, static_cast<DWORD>(p_iLength), &written, nullptr);
}
} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CbtProbeProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_iCode == HCBT_CREATEWND)
    {
        char line[260] = {};
        const int length = GetClassNameA(reinterpret_cast<HWND>(p_wParam), line, 256);
        if (length > 0)
        {
            line[length] = '\n';
            AppendLine(line, length + 1);
        }
    }
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndProbeProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(p_lParam);
    if (p_iCode == HC_ACTION && call != nullptr &&
        (call->message == 0xAA8 || call->message == WM_USER + 10 || call->message == WM_INITMENUPOPUP))
    {
        char line[280] = {};
        lstrcpyA(line, call->message == 0xAA8 ? "0xAA8 " : call->message == WM_USER + 10 ? "0x40A " : "0x117 ");
        const int length = GetClassNameA(call->hwnd, line + 6, 256);
        if (length > 0)
        {
            line[6 + length] = '\n';
            AppendLine(line, 6 + length + 1);
        }
    }
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}
