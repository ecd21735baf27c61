// standins/outlook/outlook_win.cpp: OUTLOOK.EXE, the client stand-in of the version its own version
// resource names. "/regserver" writes the client's registration and ends; otherwise the client runs.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"
#include "common/version_info_win.h"
#include "standins/outlook/ol_host_win.h"
#include "standins/outlook/ol_registry_win.h"
#include "standins/outlook/ol_trace_win.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <string>

namespace
{
std::string OwnPath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

int RunClient(HINSTANCE p_hInstance, WORD p_nMajor, WORD p_nMinor)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    (void)InitCommonControlsEx(&controls);
    unique_hmodule richEdit(LoadLibraryA("riched20.dll"));
    if (!LOG_IF_WIN32_BOOL_FALSE(richEdit.get()))
        return 3;
    if (FAILED(LOG_IF_FAILED(OleInitialize(nullptr))))
        return 3;
    int code = 0;
    {
        olstandin::CHost host(p_nMajor, p_nMinor);
        if (!host.Start(p_hInstance))
            code = 4;
        else
        {
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    OleUninitialize();
    return code;
}
} // namespace

int WINAPI WinMain(HINSTANCE p_hInstance, HINSTANCE, LPSTR p_szCommandLine, int)
{
    return TrapExceptions("WinMain", 1, [&]() -> int {
        const std::string path = OwnPath();
        WORD version[4] = {};
        if (!platform::FileVersion(path, version))
        {
            LOG_FAILURE("no version resource in %s", path.c_str());
            return 2;
        }
        olstandin::Trace("host: %s version %u.%u", path.c_str(), version[0], version[1]);
        const std::string commandLine = p_szCommandLine != nullptr ? p_szCommandLine : "";
        if (commandLine.find("/regserver") != std::string::npos)
            return olstandin::RegisterClient(path, version[0], version[1]) ? 0 : 5;
        return RunClient(p_hInstance, version[0], version[1]);
    });
}
