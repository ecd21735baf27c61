// common/crash_report_win.cpp: the unhandled-exception filter, its frame walk and its protection.
#include "common/crash_report.h"

#include "common/platform.h"
#include "common/trace_log.h"
#include "common/version_info_win.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
std::string g_sCrashDirectory;
LPTOP_LEVEL_EXCEPTION_FILTER g_pfnPreviousFilter = nullptr;
bool g_bInstalled = false;

// The stub that makes SetUnhandledExceptionFilter return 0 at once: "xor eax, eax" and a
// return that removes the one stdcall argument on x86, a plain return on x64.
#if defined(_WIN64)
constexpr unsigned char g_aStub[] = {0x33, 0xC0, 0xC3};
#else
constexpr unsigned char g_aStub[] = {0x33, 0xC0, 0xC2, 0x04, 0x00};
#endif
unsigned char g_aSavedBytes[sizeof(g_aStub)];
void* g_pPatched = nullptr;

// Lets a test make the report writer fault, so the handler_crash path can be seen working.
volatile bool g_bInjectFilterFault = false;

bool IsReadable(const void* p_pAddress, size_t p_nSize)
{
    const char* begin = static_cast<const char*>(p_pAddress);
    const char* end = begin + p_nSize;
    for (const char* p = begin; p < end;)
    {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(p, &info, sizeof(info)) != sizeof(info) || info.State != MEM_COMMIT)
            return false;
        const DWORD protect = info.Protect & 0xFF;
        if ((info.Protect & PAGE_GUARD) != 0 || protect == PAGE_NOACCESS || protect == PAGE_EXECUTE)
            return false;
        p = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

// The module whose image contains p_pAddress, or nullptr.
HMODULE ModuleAt(const void* p_pAddress)
{
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(p_pAddress, &info, sizeof(info)) != sizeof(info) || info.State != MEM_COMMIT ||
        info.Type != MEM_IMAGE || info.AllocationBase == nullptr)
        return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

std::string ModulePath(HMODULE p_hModule)
{
    char buffer[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(p_hModule, buffer, sizeof(buffer));
    return (n == 0 || n >= sizeof(buffer)) ? std::string() : std::string(buffer, n);
}

class CReportFile
{
  public:
    explicit CReportFile(const char* p_szBase)
    {
        const std::string path = LogFilePath(g_sCrashDirectory, p_szBase);
        if (!path.empty())
            (void)m_oFile.CreateReplacing(path);
    }
    void Write(const std::string& p_sText)
    {
        m_oFile.Append(p_sText.data(), p_sText.size());
    }

  private:
    platform::CSharedFile m_oFile;
};

// Writes one line per frame, with a module line (and its version, when wanted) whenever the
// module changes from the previous line's.
class CFrameWriter
{
  public:
    CFrameWriter(CReportFile& p_oFile, bool p_bVersions) : m_oFile(p_oFile), m_bVersions(p_bVersions)
    {
    }
    // False when the address lies in no module: the walk stops there.
    bool Frame(const void* p_pAddress)
    {
        const HMODULE module = ModuleAt(p_pAddress);
        if (module == nullptr)
            return false;
        if (module != m_hLast)
        {
            const std::string path = ModulePath(module);
            m_oFile.Write(FormatModuleLine(path));
            WORD version[4];
            if (m_bVersions && platform::FileVersion(path, version))
                m_oFile.Write(FormatVersionLine(version[0], version[1], version[2], version[3]));
            m_hLast = module;
        }
        m_oFile.Write(FormatOffsetLine(reinterpret_cast<uintptr_t>(p_pAddress) - reinterpret_cast<uintptr_t>(module)));
        return true;
    }

  private:
    CReportFile& m_oFile;
    bool m_bVersions;
    HMODULE m_hLast = nullptr;
};

constexpr int kMaxFrames = 256;

#if defined(_WIN64)
// On x64 compilers may place the frame pointer anywhere inside a frame (gcc sets it up to 240
// bytes above the stack pointer in large frames), so "[rbp] = caller's rbp, [rbp+8] = return
// address" is not a reliable chain. The unwind tables every x64 image carries are: walk those,
// and treat a function without an entry as a leaf whose return address is at the stack pointer.
void WalkStack(const CONTEXT& p_oContext, const void* p_pFaultAddress, CFrameWriter& p_oWriter)
{
    CONTEXT context = p_oContext;
    context.Rip = reinterpret_cast<DWORD64>(p_pFaultAddress);
    for (int frame = 0; frame < kMaxFrames && context.Rip != 0; ++frame)
    {
        if (!p_oWriter.Frame(reinterpret_cast<const void*>(context.Rip)))
            return;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION entry = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        const DWORD64 previousRsp = context.Rsp;
        if (entry != nullptr)
        {
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, entry, &context, &handlerData, &establisher,
                             nullptr);
        }
        else
        {
            if ((context.Rsp & 7) != 0 || !IsReadable(reinterpret_cast<void*>(context.Rsp), 8))
                return;
            context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
            context.Rsp += 8;
        }
        if (context.Rsp <= previousRsp && frame > 0)
            return;
    }
}
#else
// The frame-pointer chain: [ebp] holds the caller's ebp and [ebp+4] the return address.
void WalkStack(const CONTEXT& p_oContext, const void* p_pFaultAddress, CFrameWriter& p_oWriter)
{
    const void* address = p_pFaultAddress;
    uintptr_t framePointer = p_oContext.Ebp;
    for (int frame = 0; frame < kMaxFrames; ++frame)
    {
        if ((framePointer & 3) != 0 || !IsReadable(reinterpret_cast<void*>(framePointer), 8))
            return;
        if (!p_oWriter.Frame(address))
            return;
        const uintptr_t* slots = reinterpret_cast<const uintptr_t*>(framePointer);
        address = reinterpret_cast<const void*>(slots[1]);
        const uintptr_t next = slots[0];
        // Callers' frames lie above; anything else is a broken chain, not a caller.
        if (next <= framePointer)
            return;
        framePointer = next;
    }
}
#endif

void OperatingSystem(std::string& p_sName, std::string& p_sServicePack)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    p_sName = ok ? OperatingSystemName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion) : "Not Found";
    p_sServicePack = ServicePackText(ok ? std::string(info.szCSDVersion) : std::string());
}

void WriteCrashReport(EXCEPTION_POINTERS* p_pException)
{
    CReportFile file("crash");
    CCrashFacts facts;
    facts.m_sApplication = platform::ProcessPath();
    facts.m_dwProcessId = GetCurrentProcessId();
    facts.m_dwThreadId = GetCurrentThreadId();
    facts.m_dwCode = p_pException->ExceptionRecord->ExceptionCode;
    facts.m_qwAddress = reinterpret_cast<uintptr_t>(p_pException->ExceptionRecord->ExceptionAddress);
    OperatingSystem(facts.m_sOperatingSystem, facts.m_sServicePack);
    file.Write(FormatCrashHeader(facts));
    file.Write(FormatStackTraceTitle());
    if (g_bInjectFilterFault)
        *static_cast<volatile int*>(nullptr) = 0;
    CFrameWriter writer(file, true);
    WalkStack(*p_pException->ContextRecord, p_pException->ExceptionRecord->ExceptionAddress, writer);
}

void WriteHandlerCrash(EXCEPTION_POINTERS* p_pException)
{
    CReportFile file("handler_crash");
    file.Write(FormatHandlerCrashTitle(p_pException->ExceptionRecord->ExceptionCode));
    file.Write(FormatStackTraceTitle());
    CFrameWriter writer(file, false);
    WalkStack(*p_pException->ContextRecord, p_pException->ExceptionRecord->ExceptionAddress, writer);
}

// The report writer runs under its own guard. gcc has no __try, so a vectored handler catches
// a fault on the filter's thread, writes handler_crash and resumes at the point captured before
// the writer started, where g_bGuardTripped tells the writer's caller to give up.
alignas(16) CONTEXT g_oGuardResume;
volatile DWORD g_dwGuardThread = 0;
volatile bool g_bGuardTripped = false;

LONG CALLBACK GuardHandler(EXCEPTION_POINTERS* p_pException)
{
    if (g_dwGuardThread != GetCurrentThreadId() || g_bGuardTripped)
        return EXCEPTION_CONTINUE_SEARCH;
    g_bGuardTripped = true;
    WriteHandlerCrash(p_pException);
    *p_pException->ContextRecord = g_oGuardResume;
    return EXCEPTION_CONTINUE_EXECUTION;
}

__attribute__((noinline)) void WriteCrashReportGuarded(EXCEPTION_POINTERS* p_pException)
{
    PVOID guard = AddVectoredExceptionHandler(1, GuardHandler);
    g_bGuardTripped = false;
    g_dwGuardThread = GetCurrentThreadId();
    RtlCaptureContext(&g_oGuardResume);
    // Reached twice when the writer faults: the second time g_bGuardTripped is set.
    if (!g_bGuardTripped)
        WriteCrashReport(p_pException);
    g_dwGuardThread = 0;
    if (guard != nullptr)
        RemoveVectoredExceptionHandler(guard);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* p_pException)
{
    static volatile LONG s_lEntered = 0;
    // One report per process: a second thread crashing meanwhile gets the default handling.
    if (p_pException != nullptr && InterlockedExchange(&s_lEntered, 1) == 0)
        WriteCrashReportGuarded(p_pException);
    return EXCEPTION_CONTINUE_SEARCH;
}

void* SetFilterFunction()
{
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    return kernel32 == nullptr ? nullptr
                               : reinterpret_cast<void*>(GetProcAddress(kernel32, "SetUnhandledExceptionFilter"));
}

bool WriteCode(void* p_pTarget, const void* p_pBytes, size_t p_nSize)
{
    DWORD old = 0;
    if (!VirtualProtect(p_pTarget, p_nSize, PAGE_EXECUTE_READWRITE, &old))
        return false;
    std::memcpy(p_pTarget, p_pBytes, p_nSize);
    DWORD ignored = 0;
    VirtualProtect(p_pTarget, p_nSize, old, &ignored);
    FlushInstructionCache(GetCurrentProcess(), p_pTarget, p_nSize);
    return true;
}

// Keeps other code from replacing the filter. When another module of this process protects it
// already the function starts with the stub, and there is nothing to save or patch.
void ProtectFilter()
{
    void* target = SetFilterFunction();
    if (target == nullptr || !IsReadable(target, sizeof(g_aStub)) || std::memcmp(target, g_aStub, sizeof(g_aStub)) == 0)
        return;
    std::memcpy(g_aSavedBytes, target, sizeof(g_aSavedBytes));
    if (WriteCode(target, g_aStub, sizeof(g_aStub)))
        g_pPatched = target;
}

void UnprotectFilter()
{
    if (g_pPatched != nullptr && WriteCode(g_pPatched, g_aSavedBytes, sizeof(g_aSavedBytes)))
        g_pPatched = nullptr;
}
} // namespace

bool InstallCrashHandler(const std::string& p_sDirectory)
{
    if (g_bInstalled || p_sDirectory.empty())
        return false;
    void* target = SetFilterFunction();
    // Another module's filter holds the process already; installing now would do nothing.
    if (target != nullptr && IsReadable(target, sizeof(g_aStub)) && std::memcmp(target, g_aStub, sizeof(g_aStub)) == 0)
        return false;
    g_sCrashDirectory = p_sDirectory;
    g_pfnPreviousFilter = SetUnhandledExceptionFilter(CrashFilter);
    ProtectFilter();
    g_bInstalled = true;
    return true;
}

void RemoveCrashHandler()
{
    if (!g_bInstalled)
        return;
    UnprotectFilter();
    // A module being unloaded must not leave the process pointing at its code.
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(g_pfnPreviousFilter);
    if (current != CrashFilter)
        SetUnhandledExceptionFilter(current);
    g_bInstalled = false;
}

void SetCrashFilterFaultInjection(bool p_bFault)
{
    g_bInjectFilterFault = p_bFault;
}
