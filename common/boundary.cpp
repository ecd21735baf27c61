// common/boundary.cpp: the log lines of trapped exceptions.
#include "common/boundary.h"

#include "common/crash_report.h"
#include "common/platform.h"
#include "common/trace_log.h"

void LogExceptionInModule(uint32_t p_dwCode, const void* p_pAddress)
{
    Log("Exception of type %s caught in module %s", ExceptionName(p_dwCode),
        FileNameOf(platform::ModulePathOf(p_pAddress)).c_str());
}

void LogExceptionTrapped(const char* p_szName)
{
    Log("Exception trapped in %s", p_szName != nullptr ? p_szName : "(unnamed)");
}
