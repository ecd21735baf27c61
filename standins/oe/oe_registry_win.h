// standins/oe/oe_registry_win.h: identities, accounts and the installation entries in the registry,
// as the stand-in reads them at start and as the seeding tool writes them for tests.
#pragma once

#include <windows.h>

#include <string>

namespace oestandin
{
struct COeAccountSeed
{
    std::string m_sId = "00000001";
    std::string m_sName = "Mail";
    std::string m_sSmtpServer = "localhost";
    DWORD m_nSmtpPort = 25;
    std::string m_sEmail;
    std::string m_sDisplayName;
};

struct COeIdentitySeed
{
    // "{GUID}"; version 4 has no identities and ignores it.
    std::string m_sId;
    std::string m_sName = "Main Identity";
    // Written as REG_EXPAND_SZ, so it may hold environment variables.
    std::string m_sStoreRoot;
    bool m_bCheckMailOnStartup = true;
    bool m_bMakeCurrent = true;
    // The "Send Mail Warning" after each sent note; seeded identities have it switched off
    // ("Dont Show Dialogs" value 1), as a first start of the client leaves it on.
    bool m_bSendMailWarning = false;
    COeAccountSeed m_oAccount;
};

// The identity's keys (5 and later: "Identities\<id>\..."; 4: the keys without identities), its
// settings with "Store Root", "Mail\Check Mail on Startup", "Dont Show Dialogs", "Columns", and the
// account as the default mail account of its Internet Account Manager key.
[[nodiscard]] bool SeedIdentity(int p_iMajor, const COeIdentitySeed& p_oSeed);

// "App Paths\msimn.exe" (default value the program, "Path" its folder) and "Version Info\Current".
[[nodiscard]] bool RegisterInstall(int p_iMajor, const std::string& p_sInstallDir);

// The current identity's store folder with environment variables expanded and a trailing
// backslash; for version 4 the "Mail\" folder below "Store Root". When nothing is configured a
// default identity is created first, as a first start does.
[[nodiscard]] bool CurrentStoreFolder(int p_iMajor, std::string& p_sFolder);

// "Last User ID" under "Identities"; empty when there is none.
std::string CurrentIdentityId();

// The settings key (below HKEY_CURRENT_USER) of the identity p_sId (5 and later; empty p_sId: the
// current one) or of the user (4).
std::string SettingsKey(int p_iMajor, const std::string& p_sId = std::string());
// The identity's default mail account from its Internet Account Manager key (4: the user's);
// false when it has none or no "SMTP Server".
[[nodiscard]] bool ReadAccount(int p_iMajor, const std::string& p_sId, COeAccountSeed& p_oAccount);
// The store folder of identity p_sId, as CurrentStoreFolder gives it for the current one.
[[nodiscard]] bool IdentityStoreFolder(int p_iMajor, const std::string& p_sId, std::string& p_sFolder);

// A DWORD under the identity's "Dont Show Dialogs" key; 0 when it is missing.
DWORD DontShowDialogsValue(int p_iMajor, const char* p_szName);
[[nodiscard]] bool SetDontShowDialogsValue(int p_iMajor, const char* p_szName, DWORD p_nValue);
} // namespace oestandin
