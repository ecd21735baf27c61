// tests/win/oe/cbt_probe_win.cpp: oe_cbt_probe.dll, a CBT hook that the window tests install into the
// mail client stand-in; it appends the class of every window created to the file named by the
// environment variable OE_CBT_PROBE_LOG, one per line.
#include "common/handle_win.h"

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK CbtProbeProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_iCode == HCBT_CREATEWND)
    {
        char path[MAX_PATH] = {};
        char name[256] = {};
        const DWORD length = GetEnvironmentVariableA("OE_CBT_PROBE_LOG", path, MAX_PATH);
        const int nameLength = GetClassNameA(reinterpret_cast<HWND>(p_wParam), name, sizeof name - 1);
        if (length > 0 && length < MAX_PATH && nameLength > 0)
        {
            name[nameLength] = '\n';
            unique_file log(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            if (log)
                WriteFile(log.get(), name, static_cast<DWORD>(nameLength + 1), &written, nullptr);
        }
    }
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}
