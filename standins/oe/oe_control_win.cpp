// standins/oe/oe_control_win.cpp: the control channel's commands.
#include "standins/oe/oe_control_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "standins/oe/oe_browser_win.h"
#include "standins/oe/oe_download_win.h"
#include "standins/oe/oe_note_win.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/eml_message.h"

#include <cstdlib>

#include <algorithm>
#include <fstream>
#include <map>
#include <vector>

namespace oestandin
{
namespace
{
constexpr const char* kIdentityNotifyClass = "Identity Mgr Notify";
constexpr UINT kBroadcastTimeoutMs = 5000;

std::vector<HWND> IdentityNotifyWindows()
{
    std::vector<HWND> windows;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, kIdentityNotifyClass, nullptr)) != nullptr;)
        windows.push_back(window);
    return windows;
}

void Broadcast(const std::vector<HWND>& p_vWindows, UINT p_nMessage)
{
    for (const HWND window : p_vWindows)
    {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window, p_nMessage, 0, 0, SMTO_NORMAL, kBroadcastTimeoutMs, &result) == 0)
            LOG_FAILURE("window %p did not take message 0x%X", static_cast<void*>(window), p_nMessage);
    }
}
} // namespace

bool SwitchIdentity(const std::string& p_sId)
{
    unique_hkey identity;
    if (p_sId.empty() || RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kIdentitiesKey) + "\\" + p_sId).c_str(), 0,
                                       KEY_READ, identity.put()) != ERROR_SUCCESS)
    {
        LOG_FAILURE("no identity '%s'", p_sId.c_str());
        return false;
    }
    const UINT query = RegisterWindowMessageA("WM_QUERY_IDENTITY_CHANGE");
    const UINT changed = RegisterWindowMessageA("WM_IDENTITY_CHANGED");
    const std::vector<HWND> windows = IdentityNotifyWindows();
    Broadcast(windows, query);
    unique_hkey identities;
    if (LOG_IF_WIN32_ERROR(RegOpenKeyExA(HKEY_CURRENT_USER, kIdentitiesKey, 0, KEY_SET_VALUE, identities.put())) !=
            ERROR_SUCCESS ||
        LOG_IF_WIN32_ERROR(RegSetValueExA(identities.get(), "Last User ID", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(p_sId.c_str()),
                                          static_cast<DWORD>(p_sId.size() + 1))) != ERROR_SUCCESS)
        return false;
    Broadcast(windows, changed);
    Log("Identity switched to %s", p_sId.c_str());
    return true;
}

namespace
{
[[nodiscard]] bool Deliver(const CControlContext& p_oContext, const std::string& p_sPath)
{
    std::string text;
    oestore::CMailMessage message;
    if (ReadWholeFile(p_sPath, text, oestore::kMaxMessageSize) != EReadFile::Read ||
        !oestore::ParseMessage(text, message))
    {
        LOG_FAILURE("'%s' is not a message", p_sPath.c_str());
        return false;
    }
    const bool stored = RunDownload(p_oContext.m_hInstance, p_oContext.m_iMajor, 0, {text});
    RefreshMessages();
    return stored;
}

// "key=value;key=value" as a map; false for a part without "=".
[[nodiscard]] bool ParseSettings(const std::string& p_sText, std::map<std::string, std::string>& p_mSettings)
{
    for (size_t at = 0; at < p_sText.size();)
    {
        const size_t end = std::min(p_sText.find(';', at), p_sText.size());
        const std::string part = p_sText.substr(at, end - at);
        const size_t equals = part.find('=');
        if (equals == std::string::npos)
            return false;
        p_mSettings[part.substr(0, equals)] = part.substr(equals + 1);
        at = end + 1;
    }
    return true;
}

// seed-identity {GUID} store-root=PATH;email=...: the identity and its account as oeseed writes them.
[[nodiscard]] bool SeedIdentityCommand(int p_iMajor, const std::string& p_sArgument)
{
    const size_t space = p_sArgument.find(' ');
    std::map<std::string, std::string> settings;
    if (!ParseSettings(space == std::string::npos ? std::string() : p_sArgument.substr(space + 1), settings))
        return false;
    auto text = [&](const char* p_szKey, const std::string& p_sDefault) {
        const auto found = settings.find(p_szKey);
        return found == settings.end() ? p_sDefault : found->second;
    };
    COeIdentitySeed seed;
    seed.m_sId = p_sArgument.substr(0, space);
    seed.m_sName = text("name", seed.m_sName);
    seed.m_sStoreRoot = text("store-root", std::string());
    seed.m_bMakeCurrent = text("current", "1") != "0";
    seed.m_bCheckMailOnStartup = text("check-mail", "1") != "0";
    seed.m_bSendMailWarning = text("send-mail-warning", "0") != "0";
    seed.m_oAccount.m_sName = text("account-name", seed.m_oAccount.m_sName);
    seed.m_oAccount.m_sSmtpServer = text("smtp-server", seed.m_oAccount.m_sSmtpServer);
    seed.m_oAccount.m_nSmtpPort = std::strtoul(text("smtp-port", "25").c_str(), nullptr, 10);
    seed.m_oAccount.m_sEmail = text("email", std::string());
    seed.m_oAccount.m_sDisplayName = text("display-name", std::string());
    if (seed.m_sStoreRoot.empty() || (p_iMajor > 4 && (seed.m_sId.size() < 3 || seed.m_sId.front() != '{')))
    {
        LOG_FAILURE("seed-identity needs an identity and store-root: '%s'", p_sArgument.c_str());
        return false;
    }
    return SeedIdentity(p_iMajor, seed);
}

[[nodiscard]] bool AddFolderCommand(int p_iMajor, const std::string& p_sName)
{
    if (p_iMajor <= 4 || AddStoreFolderUnder(Browser().m_sStoreFolder, p_sName, 0) != EAddFolder::Added)
    {
        LOG_FAILURE("the folder '%s' was not added", p_sName.c_str());
        return false;
    }
    ReloadFolders();
    return true;
}

void WriteWindow(std::ofstream& p_oOut, HWND p_hWindow, int p_iDepth)
{
    char cls[256] = {};
    char title[256] = {};
    GetClassNameA(p_hWindow, cls, sizeof cls);
    GetWindowTextA(p_hWindow, title, sizeof title);
    p_oOut << std::string(static_cast<size_t>(p_iDepth) * 2, ' ') << cls << " \"" << title << "\" "
           << ((GetWindowLongA(p_hWindow, GWL_STYLE) & WS_CHILD) != 0 ? GetDlgCtrlID(p_hWindow) : 0)
           << (IsWindowVisible(p_hWindow) ? " visible" : "") << "\n";
    for (HWND child = GetWindow(p_hWindow, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        WriteWindow(p_oOut, child, p_iDepth + 1);
}

// Every top-level window of this process with its children: class, title, control id (0 for a
// top-level window, whose id slot holds its menu), visibility.
[[nodiscard]] bool WriteWindowTree(const std::string& p_sPath)
{
    std::ofstream out(p_sPath, std::ios::trunc);
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT))
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            WriteWindow(out, window, 0);
    }
    out.close();
    return out.good();
}
} // namespace

bool RunControlCommand(const CControlContext& p_oContext, const std::string& p_sCommand)
{
    const size_t space = p_sCommand.find(' ');
    const std::string verb = p_sCommand.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : p_sCommand.substr(space + 1);
    if (verb == "switch-identity")
        return SwitchIdentity(argument);
    if (verb == "download")
    {
        const unsigned long count = argument.empty() ? 1 : std::strtoul(argument.c_str(), nullptr, 10);
        if (count == 0 || count > 1000)
        {
            LOG_FAILURE("download of '%s' messages refused", argument.c_str());
            return false;
        }
        return RunDownload(p_oContext.m_hInstance, p_oContext.m_iMajor, static_cast<unsigned>(count));
    }
    if (verb == "deliver")
        return Deliver(p_oContext, argument);
    if (verb == "open")
        return OpenMessageFile(argument);
    if (verb == "click")
        return ClickByText(argument);
    if (verb == "select-folder")
        return SelectFolderByName(argument);
    if (verb == "select-message")
        return SelectMessageBySubject(argument);
    if (verb == "not-ready")
    {
        SetNotesNotReady(static_cast<unsigned>(std::strtoul(argument.c_str(), nullptr, 10)));
        return true;
    }
    if (verb == "window-tree")
        return !argument.empty() && WriteWindowTree(argument);
    if (verb == "seed-identity")
        return SeedIdentityCommand(p_oContext.m_iMajor, argument);
    if (verb == "add-folder")
        return AddFolderCommand(p_oContext.m_iMajor, argument);
    if (verb == "quit")
        return PostMessageA(Browser().m_hBrowser, WM_CLOSE, 0, 0) != FALSE;
    LOG_FAILURE("unknown control command '%s'", p_sCommand.c_str());
    return false;
}
} // namespace oestandin
