// tests/e2e/reminder_clock_win.h: sets the wall clock one loaded library reads, without touching the
// system clock: the library's imports of the time functions are pointed at a clock that starts at a
// chosen local time and runs on at the real pace from there.
#pragma once

#include <windows.h>

#include <string>

// Parses "YYYY-MM-DDTHH:MM:SS" (local time); false when the text is not such a time.
[[nodiscard]] bool ParseLocalTime(const std::string& p_sText, SYSTEMTIME& p_stTime);

// From now on p_hModule's GetLocalTime, GetSystemTime, GetSystemTimeAsFileTime and _time64 tell
// p_stLocalNow plus the real time gone by since this call. False (with the reason on standard
// error) when the module imports none of them or the time cannot be converted.
[[nodiscard]] bool SetModuleClock(HMODULE p_hModule, const SYSTEMTIME& p_stLocalNow);
