// Addressbook/frame/pending_exports.cpp: exports whose subsystems join the library later. Each
// answers with its failure value and says so in the trace log, so a host that binds every export
// by name keeps working. Stopping a monitor that cannot exist yet is already done, and reports
// success as the finished versions do.
#include "Addressbook/frame/exports.h"
#include "common/boundary.h"
#include "common/trace_log.h"

namespace
{
int NotBuilt(const char* p_szName, int p_iResult)
{
    Log("%s: not part of this build of the library", p_szName);
    return p_iResult;
}
} // namespace

extern "C"
{
    int CORVANE_API StartOEMonitor()
    {
        return TrapExceptions("StartOEMonitor", 0, [&]() -> int { return NotBuilt("StartOEMonitor", 0); });
    }

    int CORVANE_API StopOEMonitor()
    {
        return TrapExceptions("StopOEMonitor", 0, [&]() -> int { return NotBuilt("StopOEMonitor", 1); });
    }

    int CORVANE_API GetOEMaxForIdentity(const char*, uint32_t*, uint32_t*)
    {
        return TrapExceptions("GetOEMaxForIdentity", 0, [&]() -> int { return NotBuilt("GetOEMaxForIdentity", 0); });
    }

    // The recommend-to-friends mailer is not part of the product; hosts still bind both names.
    int CORVANE_API RecommendToFriends(HWND)
    {
        return TrapExceptions("RecommendToFriends", 0, []() { return 0; });
    }

    int CORVANE_API StartVMIfNecessary(HWND)
    {
        return TrapExceptions("StartVMIfNecessary", 0, []() { return 0; });
    }
}
