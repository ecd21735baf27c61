// oelaunch/oe_profile.h: what Runbay needs to know of each mail client version: its window classes and
// where its settings live, selected by the major number of msimn.exe's file version (portable).
#pragma once

#include "common/registry.h"

#include <cstdint>
#include <string>

namespace runbay
{
struct COEProfile
{
    int m_iMajor;
    const char* m_szBrowserClass;
    const char* m_szHiddenClass;
    const char* m_szListClass;
    const char* m_szNoteTitle;
};

// 4 for 4.x; 5 and 6 for theirs; later versions keep the layout of 6. 0 for a file version older
// than 4, which is no client Runbay knows.
int OEMajorFromFileVersion(uint32_t p_dwFileVersionMS);
const COEProfile& ProfileFor(int p_iMajor);

// The client's settings key below the current user: version 4 keeps one, 5 and later one per
// identity (p_sIdentity is the "Last User ID" value, with its braces).
std::string OESettingsKey(int p_iMajor, const std::string& p_sIdentity);
// The "Internet Settings" key holding "GlobalUserOffline": below the current user, and for version 4
// below the default user (HKEY_USERS).
constexpr const char* kInternetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kDefaultUserInternetSettingsKey =
    ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";

// The mail-on-start hand-over: unless the user works offline, the client's own "Check Mail on
// Startup" is switched off (written 0) when it is absent or on, so that Latchkit can run the first
// send and receive once its hooks are in place. True when it was switched off and Latchkit must be
// told. Version 5 and later keep it for the identity named by "Last User ID"; without one there is
// nothing to switch.
[[nodiscard]] bool HandOverMailOnStart(Registry& p_oRegistry, int p_iMajor, bool p_bGlobalOffline);
} // namespace runbay
