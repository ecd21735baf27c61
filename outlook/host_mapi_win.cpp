// outlook/host_mapi_win.cpp: the free functions of the MAPI library already in the client process.
#include "outlook/host_mapi_win.h"

#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/settings.h"

#include <vector>

namespace
{
#ifdef _WIN64
constexpr const char* kFreeBufferName = "MAPIFreeBuffer";
constexpr const char* kFreeProwsName = "FreeProws";
constexpr const char* kFreePadrlistName = "FreePadrlist";
#else
constexpr const char* kFreeBufferName = "MAPIFreeBuffer@4";
constexpr const char* kFreeProwsName = "FreeProws@4";
constexpr const char* kFreePadrlistName = "FreePadrlist@4";
#endif

template <typename F> F Export(HMODULE p_hModule, const char* p_szName)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(p_hModule, p_szName)));
}

HMODULE LoadedMapi()
{
    CRegistry registry;
    std::vector<uint8_t> data;
    if (registry.ReadRegistry(ERegRoot::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx", true,
                              data) &&
        !data.empty())
    {
        const std::string path(data.begin(), data.end());
        if (const HMODULE module = GetModuleHandleA(path.c_str()))
            return module;
    }
    return GetModuleHandleA("mapi32.dll");
}
} // namespace

void RecordHostMapiFreeFunctions()
{
    if (MapiFreeFunctions().m_pfnFreeBuffer != nullptr)
        return;
    const HMODULE mapi = LoadedMapi();
    if (mapi == nullptr)
    {
        LOG_FAILURE("the client has no MAPI library loaded");
        return;
    }
    CMapiFreeFunctions functions;
    functions.m_pfnFreeBuffer = Export<decltype(functions.m_pfnFreeBuffer)>(mapi, kFreeBufferName);
    functions.m_pfnFreeProws = Export<decltype(functions.m_pfnFreeProws)>(mapi, kFreeProwsName);
    functions.m_pfnFreePadrlist = Export<decltype(functions.m_pfnFreePadrlist)>(mapi, kFreePadrlistName);
    SetMapiFreeFunctions(functions);
}
