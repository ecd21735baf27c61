// wordhook/launcher_win.cpp: Launcher.exe, "Launcher Hook <process id>": waits for the hooking
// mutex or the end of that process (Word or Outlook); with the mutex it keeps Penhold's global Word
// hook in place until the process ends, then removes it and lets the next Launcher take over.
#include "common/boundary.h"
#include "common/error_slot.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "wordhook/hook_command_line.h"
#include "wordhook/penhold_exports.h"

#include <cstdio>
#include <string>

namespace
{
constexpr unsigned kMsgTitle = 1;
constexpr unsigned kMsgFunctionNotFound = 214;
constexpr unsigned kMsgLoadFailed = 221;
constexpr unsigned kMsgNoLocation = 222;
constexpr const char* kHookingMutex = "SMSHookingMutex";
constexpr const char* kPenholdValue = "Penhold";

const CStringTable::CEntry g_aEntries[] = {
#define MSG(id, text) {id, text},
#include "wordhook/res/launcher_strings.inc"
#undef MSG
};

const CStringTable& LauncherStrings()
{
    static const CStringTable s_oTable(g_aEntries);
    return s_oTable;
}

// Each step goes to the trace log and to the console the Launcher may have been started from.
void Trace(const char* p_szText)
{
    Log("%s", p_szText);
    std::printf("%s\n", p_szText);
    std::fflush(stdout);
}

void Report(const std::string& p_sText)
{
    (void)ShowMessageBox(nullptr, p_sText, LauncherStrings().Find(kMsgTitle), MB_OK | MB_ICONERROR);
}

// Penhold's three Word-hook entry points; any may be missing, and is then skipped.
struct CPenholdBinding
{
    unique_hmodule m_hLibrary;
    PFN_SetGlobalWordHook m_pfnSet = nullptr;
    PFN_UnsetGlobalWordHook m_pfnUnset = nullptr;
    PFN_UnSubclassAllCompositionWindows m_pfnUnsubclass = nullptr;

    template <typename T> T Bind(const char* p_szName)
    {
        auto pfn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m_hLibrary.get(), p_szName)));
        if (pfn == nullptr)
            Report(FormatTableMessage(LauncherStrings(), kMsgFunctionNotFound, p_szName));
        return pfn;
    }

    void Load()
    {
        CRegistry oRegistry;
        std::string sPath;
        if (!oRegistry.ReadInstallText(kPenholdValue, sPath) || sPath.empty())
        {
            Report(FormatTableMessage(LauncherStrings(), kMsgNoLocation, kPenholdValue));
            return;
        }
        m_hLibrary.reset(LoadLibraryA(sPath.c_str()));
        if (!m_hLibrary)
        {
            Report(FormatTableMessage(LauncherStrings(), kMsgLoadFailed, sPath.c_str(), int(GetLastError())));
            return;
        }
        m_pfnSet = Bind<PFN_SetGlobalWordHook>(szSetGlobalWordHook);
        m_pfnUnset = Bind<PFN_UnsetGlobalWordHook>(szUnsetGlobalWordHook);
        m_pfnUnsubclass = Bind<PFN_UnSubclassAllCompositionWindows>(szUnSubclassAllCompositionWindows);
    }
};

// Holds the hook while the process lives, then hands the mutex on.
int HookUntilProcessEnds(HANDLE p_hProcess, HANDLE p_hMutex)
{
    CPenholdBinding oPenhold;
    oPenhold.Load();
    if (oPenhold.m_pfnSet != nullptr && !oPenhold.m_pfnSet())
        LOG_FAILURE("HookUntilProcessEnds: SetGlobalWordHook failed");
    Trace("Waiting for shutdown...");
    if (WaitForSingleObject(p_hProcess, INFINITE) != WAIT_OBJECT_0)
        LOG_FAILURE("HookUntilProcessEnds: the wait for the process failed (error %lu)", GetLastError());
    Trace("Closing after hooking");
    if (oPenhold.m_pfnUnsubclass != nullptr)
        (void)oPenhold.m_pfnUnsubclass();
    if (oPenhold.m_pfnUnset != nullptr)
        (void)oPenhold.m_pfnUnset();
    Trace("Releasing Mutex");
    LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(p_hMutex));
    Trace("After Releasing Mutex");
    return 0;
}

int RunLauncher(const std::string& p_sCommandLine)
{
    const DWORD dwProcessId = HookedProcessId(p_sCommandLine);
    if (dwProcessId == 0)
        return 0;
    unique_handle hProcess(OpenProcess(SYNCHRONIZE, FALSE, dwProcessId));
    if (!LOG_IF_WIN32_BOOL_FALSE(hProcess.get()))
        return 1;
    unique_handle hMutex(CreateMutexA(nullptr, FALSE, kHookingMutex));
    if (!LOG_IF_WIN32_BOOL_FALSE(hMutex.get()))
        return 1;
    Trace("Waiting for Mutex or close");
    const HANDLE ahWait[2] = {hProcess.get(), hMutex.get()};
    const DWORD dwWait = WaitForMultipleObjects(2, ahWait, FALSE, INFINITE);
    if (dwWait == WAIT_OBJECT_0)
    {
        Trace("WAIT_OBJECT_0 -- Process died");
        return 1;
    }
    // A Launcher that died holding the mutex hands it on abandoned: the hook is ours all the same.
    if (dwWait != WAIT_OBJECT_0 + 1 && dwWait != WAIT_ABANDONED_0 + 1)
    {
        LOG_FAILURE("RunLauncher: WaitForMultipleObjects gave 0x%lx", dwWait);
        return 1;
    }
    Trace("WAIT_OBJECT_1 -- Hooking Mutex");
    const int iResult = HookUntilProcessEnds(hProcess.get(), hMutex.get());
    Trace("Press enter to continue");
    return iResult;
}
} // namespace

int main()
{
    return TrapExceptions("Launcher", 1, []() { return RunLauncher(GetCommandLineA()); });
}
