// Addressbook/frame/word_hook_binding.cpp: CWordHookBinding.
#include "Addressbook/frame/word_hook_binding.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <string>

namespace
{
constexpr const char* kPenholdValue = "Penhold";

template <typename T> bool Resolve(HMODULE p_hLibrary, const char* p_szName, T& p_pfn, CErrorSlot& p_oError)
{
    p_pfn = reinterpret_cast<T>(GetProcAddress(p_hLibrary, p_szName));
    if (p_pfn != nullptr)
        return true;
    if (!p_oError.IsSet())
        p_oError.Set(CorvaneStrings(), kMsgFunctionNotFound, p_szName);
    LOG_FAILURE("%s not found", p_szName);
    return false;
}
} // namespace

CWordHookBinding::CWordHookBinding(CRegistry& p_oRegistry)
{
    std::string path;
    if (!p_oRegistry.ReadInstallText(kPenholdValue, path) || path.empty())
    {
        m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, "ReadInstallText(Penhold)", "CWordHookBinding()");
        LOG_FAILURE("no Install value \"%s\"", kPenholdValue);
        return;
    }
    m_hLibrary.reset(LoadLibraryA(path.c_str()));
    if (!m_hLibrary)
    {
        const DWORD error = GetLastError();
        m_oError.Set(CorvaneStrings(), kMsgLoadFailed, path.c_str(), static_cast<int>(error));
        const std::string call = "LoadLibrary(" + path + ")";
        LogCallFailure(__PRETTY_FUNCTION__, call.c_str(), EResultKind::Win32Error, error);
        return;
    }
    Resolve(m_hLibrary.get(), "SetGlobalWordHook", m_pfnSetGlobalWordHook, m_oError);
    Resolve(m_hLibrary.get(), "UnsetGlobalWordHook", m_pfnUnsetGlobalWordHook, m_oError);
    Resolve(m_hLibrary.get(), "UnSubclassAllCompositionWindows", m_pfnUnSubclassAllCompositionWindows, m_oError);
}
