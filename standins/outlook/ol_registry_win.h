// standins/outlook/ol_registry_win.h: the registry entries an installed client of a version leaves,
// written by "OUTLOOK.EXE /regserver".
#pragma once

#include <windows.h>

#include <string>

namespace olstandin
{
inline constexpr const char* kApplicationClsid = "{0006F03A-0000-0000-C000-000000000046}";

// The Office key number of a client version: 8.0 and 8.5 share "8.0".
[[nodiscard]] std::string OfficeKeyVersion(WORD p_nMajor);

// ProgIDs and class of the application object, the Office\N.0\Outlook keys, the mail client entry,
// App Paths. User settings that exist already are kept, as a first start of the client keeps them.
[[nodiscard]] bool RegisterClient(const std::string& p_sExePath, WORD p_nMajor, WORD p_nMinor);
} // namespace olstandin
