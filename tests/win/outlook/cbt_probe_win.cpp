// tests/win/outlook/cbt_probe_win.cpp: ol_cbt_probe.dll, the CBT hook the note tests install on the
// client's UI thread. Each created window appends "class id style" (hexadecimal) to the file that
// OL_CBT_PROBE_LOG names.
#include "common/handle_win.h"

#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) LRESULT CALLBACK CbtProbeProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_iCode == HCBT_CREATEWND)
    {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(p_lParam)->lpcs;
        char className[128] = {};
        GetClassNameA(reinterpret_cast<HWND>(p_wParam), className, sizeof className);
        char line[256] = {};
        const int length = snprintf(line, sizeof line, "%s 0x%X 0x%lX\n", className,
                                    static_cast<unsigned>(reinterpret_cast<UINT_PTR>(create->hMenu)),
                                    static_cast<unsigned long>(create->style));
        char path[MAX_PATH] = {};
        const DWORD size = GetEnvironmentVariableA("OL_CBT_PROBE_LOG", path, MAX_PATH);
        if (length > 0 && length < static_cast<int>(sizeof line) && size > 0 && size < MAX_PATH)
        {
            unique_file log(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            if (log)
                (void)WriteFile(log.get(), line, static_cast<DWORD>(length), &written, nullptr);
        }
    }
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}
