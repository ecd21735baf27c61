// tests/win/common/common_child.cpp: a second process for the runtime's Windows tests: it logs
// alongside the test, or crashes in the ways the crash report must describe.
#include "common/boundary.h"
#include "common/crash_report.h"
#include "common/trace_log.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// A few real frames between main and the fault, so the report has a chain to walk.
__attribute__((noinline)) void Fault(volatile int* p_pTarget)
{
    *p_pTarget = 42;
}

__attribute__((noinline)) void Middle(volatile int* p_pTarget)
{
    char pad[64];
    std::memset(pad, 0, sizeof(pad));
    Fault(p_pTarget);
    std::printf("%d", pad[3]);
}

__attribute__((noinline)) void Outer()
{
    Middle(nullptr);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "log" && argc == 5)
    {
        CLogger logger(reinterpret_cast<const void*>(&Outer), argv[2]);
        const int lines = std::atoi(argv[3]);
        const std::string payload(150, argv[4][0]);
        for (int i = 0; i < lines; ++i)
            logger.Log("writer %s line %d %s", argv[4], i, payload.c_str());
        return 0;
    }
    // The module's own logger has put the crash filter in place by now.
    ModuleLogger().Log("child about to crash: %s", mode.c_str());
    if (mode == "crash-av")
        Outer();
    else if (mode == "guarded-then-crash")
    {
        // A fault the guard traps leaves the crash report in place for the one it does not.
        const bool trapped = !TrapExceptionsVoid("ChildGuard", [] { Middle(nullptr); });
        std::printf("%s\n", trapped ? "trapped" : "not trapped");
        Outer();
    }
    else if (mode == "crash-code" && argc == 3)
        RaiseException(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 16)), EXCEPTION_NONCONTINUABLE, 0, nullptr);
    else if (mode == "crash-in-filter")
    {
        SetCrashFilterFaultInjection(true);
        Outer();
    }
    else if (mode == "replace-filter")
    {
        // Protected: the call returns 0 and changes nothing.
        const auto previous = SetUnhandledExceptionFilter(nullptr);
        std::printf("%s\n", previous == nullptr ? "blocked" : "replaced");
        return 0;
    }
    return 3;
}
