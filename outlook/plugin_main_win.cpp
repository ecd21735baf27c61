// outlook/plugin_main_win.cpp: the library's exports: ExchEntryPoint for the client, and the
// registration as a client extension that regsvr32 (the installer, scripts/prefix) runs.
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "outlook/exchext_win.h"
#include "outlook/gui_changer_win.h"
#include "outlook/outlook_plugin_win.h"
#include "outlook/plugin_registration_win.h"

#include <olectl.h>

#include <new>

BOOL WINAPI DllMain(HINSTANCE p_hInstance, DWORD p_dwReason, LPVOID)
{
    if (p_dwReason == DLL_PROCESS_ATTACH)
    {
        g_hPluginInstance = p_hInstance;
        DisableThreadLibraryCalls(p_hInstance);
    }
    return TRUE;
}

extern "C" exchext::IExchExt* CALLBACK ExchEntryPoint()
{
    return TrapExceptions("ExchEntryPoint", static_cast<exchext::IExchExt*>(nullptr), []() -> exchext::IExchExt* {
        auto* plugin = new (std::nothrow) COutlookPlugin();
        if (plugin == nullptr)
            LOG_FAILURE("no memory for the extension object");
        return plugin;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return TrapExceptions("DllRegisterServer", E_FAIL, []() -> HRESULT {
        char path[MAX_PATH] = {};
        if (!LOG_IF_WIN32_BOOL_FALSE(GetModuleFileNameA(g_hPluginInstance, path, MAX_PATH)))
            return E_FAIL;
        return RegisterClientExtension(path) ? S_OK : SELFREG_E_CLASS;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return TrapExceptions("DllUnregisterServer", E_FAIL,
                          []() -> HRESULT { return UnregisterClientExtension() ? S_OK : SELFREG_E_CLASS; });
}
