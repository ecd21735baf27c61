// standins/outlook/ol_registry_win.cpp: writing the client's registration.
#include "standins/outlook/ol_registry_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "standins/outlook/ol_trace_win.h"

namespace olstandin
{
namespace
{
[[nodiscard]] bool SetText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, const std::string& p_sValue)
{
    unique_hkey key;
    return LOG_IF_WIN32_ERROR(RegCreateKeyExA(p_hRoot, p_sKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                                              nullptr)) == ERROR_SUCCESS &&
           LOG_IF_WIN32_ERROR(RegSetValueExA(key.get(), p_szName, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                                             static_cast<DWORD>(p_sValue.size() + 1))) == ERROR_SUCCESS;
}

// A DWORD that a user (or a test) may have set already stays as it is.
[[nodiscard]] bool SetDwordIfMissing(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, DWORD p_dwValue)
{
    unique_hkey key;
    if (LOG_IF_WIN32_ERROR(RegCreateKeyExA(p_hRoot, p_sKey.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                           nullptr, key.put(), nullptr)) != ERROR_SUCCESS)
        return false;
    if (RegQueryValueExA(key.get(), p_szName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        return true;
    return LOG_IF_WIN32_ERROR(RegSetValueExA(key.get(), p_szName, 0, REG_DWORD,
                                             reinterpret_cast<const BYTE*>(&p_dwValue), sizeof p_dwValue)) ==
           ERROR_SUCCESS;
}
} // namespace

std::string OfficeKeyVersion(WORD p_nMajor)
{
    return std::to_string(p_nMajor) + ".0";
}

bool RegisterClient(const std::string& p_sExePath, WORD p_nMajor, WORD p_nMinor)
{
    const std::string progId = "Outlook.Application." + std::to_string(p_nMajor);
    const std::string classes = "SOFTWARE\\Classes\\";
    const std::string clsidKey = classes + "CLSID\\" + kApplicationClsid;
    const std::string office = "Software\\Microsoft\\Office\\" + OfficeKeyVersion(p_nMajor) + "\\Outlook";
    const std::string folder = p_sExePath.substr(0, p_sExePath.find_last_of('\\'));
    const std::string quoted = "\"" + p_sExePath + "\"";
    const std::string client = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook";
    // Every step runs; the result says whether all of them worked.
    bool ok = true;
    ok &= SetText(HKEY_LOCAL_MACHINE, classes + "Outlook.Application", nullptr, "Microsoft Outlook Application");
    ok &= SetText(HKEY_LOCAL_MACHINE, classes + "Outlook.Application\\CLSID", nullptr, kApplicationClsid);
    ok &= SetText(HKEY_LOCAL_MACHINE, classes + "Outlook.Application\\CurVer", nullptr, progId);
    ok &= SetText(HKEY_LOCAL_MACHINE, classes + progId, nullptr, "Microsoft Outlook Application");
    ok &= SetText(HKEY_LOCAL_MACHINE, classes + progId + "\\CLSID", nullptr, kApplicationClsid);
    ok &= SetText(HKEY_LOCAL_MACHINE, clsidKey, nullptr, "Microsoft Outlook Application");
    ok &= SetText(HKEY_LOCAL_MACHINE, clsidKey + "\\ProgID", nullptr, progId);
    ok &= SetText(HKEY_LOCAL_MACHINE, clsidKey + "\\VersionIndependentProgID", nullptr, "Outlook.Application");
    ok &= SetText(HKEY_LOCAL_MACHINE, clsidKey + "\\LocalServer32", nullptr, p_sExePath);
    ok &= SetText(HKEY_LOCAL_MACHINE, office, "Path", folder + "\\");
    ok &= SetDwordIfMissing(HKEY_LOCAL_MACHINE, office + "\\Setup", "MailSupport", 1);
    ok &= SetDwordIfMissing(HKEY_CURRENT_USER, office + "\\Setup", "MailSupport", 1);
    // Bit 0 clear: the client's own editor, not Word.
    ok &= SetDwordIfMissing(HKEY_CURRENT_USER, office + "\\Options\\Mail", "EditorPreference", 0x20000);
    ok &= SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail", nullptr, "Microsoft Outlook");
    ok &= SetText(HKEY_LOCAL_MACHINE, client, nullptr, "Microsoft Outlook");
    ok &= SetText(HKEY_LOCAL_MACHINE, client + "\\shell\\open\\command", nullptr, quoted);
    ok &= SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE", nullptr,
                  p_sExePath);
    ok &= SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE", "Path",
                  folder);
    Trace("registered %s %u.%u at %s: %s", progId.c_str(), p_nMajor, p_nMinor, p_sExePath.c_str(),
          ok ? "done" : "incomplete");
    return ok;
}
} // namespace olstandin
