// standins/oe/oe_registry_win.cpp: identities, accounts and installation entries in the registry.
#include "standins/oe/oe_registry_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "standins/oe/oe_profile.h"
#include "standins/oe/store/column_layout.h"

#include <objbase.h>

#include <vector>

namespace oestandin
{
namespace
{
[[nodiscard]] bool CreateKey(HKEY p_hRoot, const std::string& p_sPath, unique_hkey& p_oKey)
{
    return LOG_IF_WIN32_ERROR(RegCreateKeyExA(p_hRoot, p_sPath.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                              p_oKey.put(), nullptr)) == ERROR_SUCCESS;
}

[[nodiscard]] bool SetValue(HKEY p_hKey, const char* p_szName, DWORD p_nType, const void* p_pData, size_t p_nSize)
{
    return LOG_IF_WIN32_ERROR(RegSetValueExA(p_hKey, p_szName, 0, p_nType, static_cast<const BYTE*>(p_pData),
                                             static_cast<DWORD>(p_nSize))) == ERROR_SUCCESS;
}

[[nodiscard]] bool SetText(HKEY p_hKey, const char* p_szName, const std::string& p_sText, DWORD p_nType = REG_SZ)
{
    return SetValue(p_hKey, p_szName, p_nType, p_sText.c_str(), p_sText.size() + 1);
}

[[nodiscard]] bool SetDword(HKEY p_hKey, const char* p_szName, DWORD p_nValue)
{
    return SetValue(p_hKey, p_szName, REG_DWORD, &p_nValue, sizeof p_nValue);
}

// A value that is missing counts as cleared.
[[nodiscard]] bool ClearValue(HKEY p_hKey, const char* p_szName)
{
    const LONG result = RegDeleteValueA(p_hKey, p_szName);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND || LOG_IF_WIN32_ERROR(result) == ERROR_SUCCESS;
}

[[nodiscard]] bool ReadText(HKEY p_hRoot, const std::string& p_sPath, const char* p_szName, std::string& p_sText)
{
    DWORD size = 0;
    if (RegGetValueA(p_hRoot, p_sPath.c_str(), p_szName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                     nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<char> text(size + 1, 0);
    if (RegGetValueA(p_hRoot, p_sPath.c_str(), p_szName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                     text.data(), &size) != ERROR_SUCCESS)
        return false;
    p_sText = text.data();
    return true;
}

[[nodiscard]] bool SeedAccount(const std::string& p_sManagerKey, const COeAccountSeed& p_oAccount)
{
    unique_hkey manager;
    unique_hkey account;
    return CreateKey(HKEY_CURRENT_USER, p_sManagerKey, manager) &&
           SetText(manager.get(), "Default Mail Account", p_oAccount.m_sId) &&
           CreateKey(manager.get(), "Accounts\\" + p_oAccount.m_sId, account) &&
           SetText(account.get(), "Account Name", p_oAccount.m_sName) &&
           SetText(account.get(), "SMTP Server", p_oAccount.m_sSmtpServer) &&
           SetDword(account.get(), "SMTP Port", p_oAccount.m_nSmtpPort) &&
           SetText(account.get(), "SMTP Email Address", p_oAccount.m_sEmail) &&
           SetText(account.get(), "SMTP Display Name", p_oAccount.m_sDisplayName);
}

[[nodiscard]] bool SeedSettings(int p_iMajor, const std::string& p_sSettingsKey, const COeIdentitySeed& p_oSeed)
{
    unique_hkey settings;
    unique_hkey mail;
    unique_hkey dialogs;
    unique_hkey columns;
    const std::vector<uint8_t> in = oestore::BuildColumnLayout(p_iMajor, oestore::DefaultColumns(false));
    const std::vector<uint8_t> out = oestore::BuildColumnLayout(p_iMajor, oestore::DefaultColumns(true));
    return CreateKey(HKEY_CURRENT_USER, p_sSettingsKey, settings) &&
           SetText(settings.get(), "Store Root", p_oSeed.m_sStoreRoot, REG_EXPAND_SZ) &&
           CreateKey(settings.get(), "Mail", mail) &&
           SetDword(mail.get(), "Check Mail on Startup", p_oSeed.m_bCheckMailOnStartup ? 1 : 0) &&
           CreateKey(settings.get(), "Dont Show Dialogs", dialogs) &&
           (p_oSeed.m_bSendMailWarning ? ClearValue(dialogs.get(), "Send Mail Warning")
                                       : SetDword(dialogs.get(), "Send Mail Warning", 1)) &&
           CreateKey(settings.get(), "Columns", columns) &&
           SetValue(columns.get(), "Mail Column Info (In)", REG_BINARY, in.data(), in.size()) &&
           SetValue(columns.get(), "Mail Column Info (Out)", REG_BINARY, out.data(), out.size());
}

std::string NewIdentityId()
{
    GUID guid{};
    if (FAILED(LOG_IF_FAILED(CoCreateGuid(&guid))))
        return "{00000000-0000-0000-0000-000000000001}";
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0)
        return "{00000000-0000-0000-0000-000000000001}";
    return std::string(text, text + wcslen(text));
}

[[nodiscard]] bool ExpandFolder(const std::string& p_sRoot, std::string& p_sFolder)
{
    const DWORD size = ExpandEnvironmentStringsA(p_sRoot.c_str(), nullptr, 0);
    if (size == 0)
    {
        LOG_FAILURE("ExpandEnvironmentStrings('%s') failed", p_sRoot.c_str());
        return false;
    }
    std::vector<char> expanded(size + 1, 0);
    if (ExpandEnvironmentStringsA(p_sRoot.c_str(), expanded.data(), size) == 0)
        return false;
    p_sFolder = expanded.data();
    if (p_sFolder.empty() || p_sFolder.back() != '\\')
        p_sFolder += '\\';
    return true;
}
} // namespace

bool SeedIdentity(int p_iMajor, const COeIdentitySeed& p_oSeed)
{
    if (p_iMajor <= 4)
        return SeedSettings(p_iMajor, kVersion4SettingsKey, p_oSeed) &&
               SeedAccount(kAccountManagerKey, p_oSeed.m_oAccount);
    const std::string base = std::string(kIdentitiesKey) + "\\" + p_oSeed.m_sId;
    unique_hkey identity;
    if (!CreateKey(HKEY_CURRENT_USER, base, identity) || !SetText(identity.get(), "Username", p_oSeed.m_sName) ||
        !SetText(identity.get(), "User ID", p_oSeed.m_sId) ||
        !SeedSettings(p_iMajor, base + "\\" + kIdentitySettingsKey, p_oSeed) ||
        !SeedAccount(base + "\\" + kAccountManagerKey, p_oSeed.m_oAccount))
        return false;
    if (!p_oSeed.m_bMakeCurrent)
        return true;
    unique_hkey identities;
    return CreateKey(HKEY_CURRENT_USER, kIdentitiesKey, identities) &&
           SetText(identities.get(), "Last User ID", p_oSeed.m_sId) &&
           SetText(identities.get(), "Default User ID", p_oSeed.m_sId);
}

bool RegisterInstall(int p_iMajor, const std::string& p_sInstallDir)
{
    std::string dir = p_sInstallDir;
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    unique_hkey appPath;
    unique_hkey versionInfo;
    unique_hkey extension;
    unique_hkey open;
    // The shell opens message files with the client: ShellExecute "open" of an ".eml" starts it
    // with the file, and a running client takes the file over from that start.
    return CreateKey(HKEY_LOCAL_MACHINE, kAppPathsKey, appPath) && SetText(appPath.get(), "", dir + "\\msimn.exe") &&
           SetText(appPath.get(), "Path", dir) && CreateKey(HKEY_LOCAL_MACHINE, kVersionInfoKey, versionInfo) &&
           SetText(versionInfo.get(), "Current", ProfileFor(p_iMajor).m_szVersionText) &&
           CreateKey(HKEY_LOCAL_MACHINE, kMessageExtensionKey, extension) &&
           SetText(extension.get(), "", kMessageFileType) &&
           SetText(extension.get(), "Content Type", "message/rfc822") &&
           CreateKey(HKEY_LOCAL_MACHINE, std::string(kClassesKey) + kMessageFileType + "\\shell\\open\\command",
                     open) &&
           SetText(open.get(), "", "\"" + dir + "\\msimn.exe\" \"%1\"");
}

std::string CurrentIdentityId()
{
    std::string id;
    return ReadText(HKEY_CURRENT_USER, kIdentitiesKey, "Last User ID", id) ? id : std::string();
}

std::string SettingsKey(int p_iMajor, const std::string& p_sId)
{
    if (p_iMajor <= 4)
        return kVersion4SettingsKey;
    const std::string id = p_sId.empty() ? CurrentIdentityId() : p_sId;
    return std::string(kIdentitiesKey) + "\\" + id + "\\" + kIdentitySettingsKey;
}

bool ReadAccount(int p_iMajor, const std::string& p_sId, COeAccountSeed& p_oAccount)
{
    std::string manager = kAccountManagerKey;
    if (p_iMajor > 4)
    {
        const std::string id = p_sId.empty() ? CurrentIdentityId() : p_sId;
        const std::string own = std::string(kIdentitiesKey) + "\\" + id + "\\" + kAccountManagerKey;
        unique_hkey key;
        if (!id.empty() && RegOpenKeyExA(HKEY_CURRENT_USER, own.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
            manager = own;
    }
    if (!ReadText(HKEY_CURRENT_USER, manager, "Default Mail Account", p_oAccount.m_sId))
        return false;
    const std::string account = manager + "\\Accounts\\" + p_oAccount.m_sId;
    if (!ReadText(HKEY_CURRENT_USER, account, "SMTP Server", p_oAccount.m_sSmtpServer))
        return false;
    (void)ReadText(HKEY_CURRENT_USER, account, "Account Name", p_oAccount.m_sName);
    (void)ReadText(HKEY_CURRENT_USER, account, "SMTP Email Address", p_oAccount.m_sEmail);
    (void)ReadText(HKEY_CURRENT_USER, account, "SMTP Display Name", p_oAccount.m_sDisplayName);
    DWORD port = 25;
    DWORD size = sizeof port;
    if (RegGetValueA(HKEY_CURRENT_USER, account.c_str(), "SMTP Port", RRF_RT_REG_DWORD, nullptr, &port, &size) ==
            ERROR_SUCCESS &&
        port != 0 && port < 65536)
        p_oAccount.m_nSmtpPort = port;
    return true;
}

DWORD DontShowDialogsValue(int p_iMajor, const char* p_szName)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    const std::string key = SettingsKey(p_iMajor) + "\\Dont Show Dialogs";
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), p_szName, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

bool SetDontShowDialogsValue(int p_iMajor, const char* p_szName, DWORD p_nValue)
{
    unique_hkey key;
    return CreateKey(HKEY_CURRENT_USER, SettingsKey(p_iMajor) + "\\Dont Show Dialogs", key) &&
           SetDword(key.get(), p_szName, p_nValue);
}

bool IdentityStoreFolder(int p_iMajor, const std::string& p_sId, std::string& p_sFolder)
{
    std::string root;
    if (!ReadText(HKEY_CURRENT_USER, SettingsKey(p_iMajor, p_sId), "Store Root", root))
    {
        LOG_FAILURE("no \"Store Root\" for identity '%s'", p_sId.c_str());
        return false;
    }
    if (!ExpandFolder(root, p_sFolder))
        return false;
    if (p_iMajor <= 4)
        p_sFolder += "Mail\\";
    return true;
}

bool CurrentStoreFolder(int p_iMajor, std::string& p_sFolder)
{
    std::string settingsKey = kVersion4SettingsKey;
    if (p_iMajor > 4)
    {
        std::string id = CurrentIdentityId();
        if (id.empty())
        {
            COeIdentitySeed seed;
            seed.m_sId = NewIdentityId();
            seed.m_sStoreRoot = "%APPDATA%\\Identities\\" + seed.m_sId + "\\Microsoft\\Outlook Express";
            seed.m_bSendMailWarning = true;
            if (!SeedIdentity(p_iMajor, seed))
                return false;
            id = seed.m_sId;
        }
        settingsKey = std::string(kIdentitiesKey) + "\\" + id + "\\" + kIdentitySettingsKey;
    }
    std::string root;
    if (!ReadText(HKEY_CURRENT_USER, settingsKey, "Store Root", root))
    {
        if (p_iMajor > 4)
        {
            LOG_FAILURE("no \"Store Root\" under '%s'", settingsKey.c_str());
            return false;
        }
        COeIdentitySeed seed;
        seed.m_sStoreRoot = "%APPDATA%\\Microsoft\\Outlook Express\\";
        seed.m_bSendMailWarning = true;
        if (!SeedIdentity(p_iMajor, seed))
            return false;
        root = seed.m_sStoreRoot;
    }
    if (!ExpandFolder(root, p_sFolder))
        return false;
    if (p_iMajor <= 4)
        p_sFolder += "Mail\\";
    return true;
}
} // namespace oestandin
