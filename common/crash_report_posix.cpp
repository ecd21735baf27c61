// common/crash_report_posix.cpp: native builds have no unhandled-exception filter to install.
#include "common/crash_report.h"

bool InstallCrashHandler(const std::string&)
{
    return false;
}

void RemoveCrashHandler()
{
}

void SetCrashFilterFaultInjection(bool)
{
}
