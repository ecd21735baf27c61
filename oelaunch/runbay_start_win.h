// oelaunch/runbay_start_win.h: Runbay's start-up steps before its monitor window exists: where the
// mail client is and which version, the two named events that keep one monitor per session, and
// the mail-on-start hand-over.
#pragma once

#include "common/handle_win.h"
#include "oelaunch/oe_hooks_win.h"

#include <windows.h>

#include <string>

namespace runbay
{
constexpr const char* kStartupEventName = "OE Monitor Startup Event";
constexpr const char* kAtomicityEventName = "OE Monitor Atomicity Event";

// "<App Paths\msimn.exe Path>\msimn.exe"; false when the client is not installed.
[[nodiscard]] bool SetUpOEPath(std::string& p_sPath);
// The major number of the file version of p_sPath as a profile takes it; 0 when it has none.
int OEMajorOfFile(const std::string& p_sPath);

enum class EAtomicity
{
    First,       // this Runbay starts the monitor
    AnotherRuns, // only start the client
    Failed,
};
// "OE Monitor Startup Event": another Runbay is starting while it exists.
EAtomicity CheckStartupAtomicity(unique_handle& p_hEvent);
// "OE Monitor Atomicity Event" and a window of p_szHiddenClass: a client runs under a monitor.
EAtomicity CheckAtomicity(unique_handle& p_hEvent, const char* p_szHiddenClass);
// Starts the client through the shell, as the user's own start would (a running one comes forward).
void StartOEByShell(const std::string& p_sPath);
// Switches the client's own check for mail at start off and tells Latchkit to do it instead.
void HandOverMailOnStart(int p_iMajor, COEHooks& p_oHooks);
} // namespace runbay
