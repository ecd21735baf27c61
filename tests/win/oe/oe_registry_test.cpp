// tests/win/oe/oe_registry_test.cpp: identities, accounts and installation entries read back from the
// registry as the product reads them, after the stand-in's seeding wrote them.
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

namespace
{
oestandin::COeIdentitySeed SampleIdentity(const char* p_szId)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = p_szId;
    seed.m_sName = "Pat";
    seed.m_sStoreRoot = "%TEMP%\\oe_registry\\Store";
    seed.m_bCheckMailOnStartup = false;
    seed.m_oAccount.m_sId = "00000002";
    seed.m_oAccount.m_sName = "Work mail";
    seed.m_oAccount.m_sSmtpServer = "127.0.0.1";
    seed.m_oAccount.m_nSmtpPort = 2525;
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    seed.m_oAccount.m_sDisplayName = "Pat Doe";
    return seed;
}

// The account the product finds: "Default Mail Account" below the manager key, then its values.
void ExpectAccount(const std::string& p_sManagerKey)
{
    std::string account;
    ASSERT_TRUE(ReadRegString(HKEY_CURRENT_USER, p_sManagerKey, "Default Mail Account", account));
    EXPECT_EQ(account, "00000002");
    const std::string key = p_sManagerKey + "\\Accounts\\" + account;
    const struct
    {
        const char* m_szName;
        const char* m_szValue;
    } texts[] = {{"SMTP Server", "127.0.0.1"},
                 {"SMTP Email Address", "pat@brevolt.example"},
                 {"SMTP Display Name", "Pat Doe"},
                 {"Account Name", "Work mail"}};
    for (const auto& t : texts)
    {
        std::string value;
        EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, key, t.m_szName, value)) << t.m_szName;
        EXPECT_EQ(value, t.m_szValue) << t.m_szName;
    }
    DWORD port = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, key, "SMTP Port", port));
    EXPECT_EQ(port, 2525u);
}

TEST(OeRegistry, IdentityAndAccountReadAsWritten)
{
    const char* id = "{0B7E1C55-3A2F-4E8D-9C61-7D2A5F4B8E01}";
    ASSERT_TRUE(oestandin::SeedIdentity(6, SampleIdentity(id)));
    std::string value;
    ASSERT_TRUE(ReadRegString(HKEY_CURRENT_USER, "Identities", "Last User ID", value));
    EXPECT_EQ(value, id);
    ASSERT_TRUE(ReadRegString(HKEY_CURRENT_USER, "Identities", "Default User ID", value));
    EXPECT_EQ(value, id);
    EXPECT_EQ(oestandin::CurrentIdentityId(), id);
    const std::string identity = std::string("Identities\\") + id;
    ASSERT_TRUE(ReadRegString(HKEY_CURRENT_USER, identity, "Username", value));
    EXPECT_EQ(value, "Pat");

    const std::string settings = identity + "\\Software\\Microsoft\\Outlook Express\\5.0";
    DWORD type = 0;
    ASSERT_TRUE(ReadRegString(HKEY_CURRENT_USER, settings, "Store Root", value, &type));
    EXPECT_EQ(value, "%TEMP%\\oe_registry\\Store");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    DWORD check = 1;
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, settings + "\\Mail", "Check Mail on Startup", check));
    EXPECT_EQ(check, 0u);
    EXPECT_TRUE(KeyExists(settings + "\\Dont Show Dialogs"));
    for (const char* columns : {"Mail Column Info (In)", "Mail Column Info (Out)"})
    {
        DWORD size = 0;
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, (settings + "\\Columns").c_str(), columns, RRF_RT_REG_BINARY, nullptr,
                               nullptr, &size),
                  ERROR_SUCCESS)
            << columns;
        EXPECT_GT(size, 0u) << columns;
    }
    ExpectAccount(identity + "\\Software\\Microsoft\\Internet Account Manager");

    // The store folder the client opens: expanded, with its trailing backslash.
    char expected[MAX_PATH] = {};
    ExpandEnvironmentStringsA("%TEMP%\\oe_registry\\Store\\", expected, MAX_PATH);
    std::string folder;
    ASSERT_TRUE(oestandin::CurrentStoreFolder(6, folder));
    EXPECT_EQ(folder, expected);
}

TEST(OeRegistry, AnIdentityThatIsNotMadeCurrentLeavesTheCurrentOne)
{
    const char* current = "{0B7E1C55-3A2F-4E8D-9C61-7D2A5F4B8E02}";
    ASSERT_TRUE(oestandin::SeedIdentity(6, SampleIdentity(current)));
    oestandin::COeIdentitySeed other = SampleIdentity("{0B7E1C55-3A2F-4E8D-9C61-7D2A5F4B8E03}");
    other.m_bMakeCurrent = false;
    ASSERT_TRUE(oestandin::SeedIdentity(6, other));
    EXPECT_EQ(oestandin::CurrentIdentityId(), current);
    EXPECT_TRUE(
        KeyExists("Identities\\{0B7E1C55-3A2F-4E8D-9C61-7D2A5F4B8E03}\\Software\\Microsoft\\Outlook Express\\5.0"));
}

TEST(OeRegistry, Version4KeepsSettingsAndAccountsWithoutIdentities)
{
    ASSERT_TRUE(oestandin::SeedIdentity(4, SampleIdentity("")));
    std::string root;
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, "Software\\Microsoft\\Outlook Express", "Store Root", root));
    EXPECT_EQ(root, "%TEMP%\\oe_registry\\Store");
    ExpectAccount("Software\\Microsoft\\Internet Account Manager");
}

TEST(OeRegistry, AFirstStartWithoutIdentitiesCreatesOne)
{
    DeleteRegTree(HKEY_CURRENT_USER, "Identities");
    std::string folder;
    ASSERT_TRUE(oestandin::CurrentStoreFolder(5, folder));
    const std::string id = oestandin::CurrentIdentityId();
    ASSERT_EQ(id.size(), 38u) << id;
    EXPECT_NE(folder.find(id), std::string::npos) << folder;
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder.find('%'), std::string::npos) << "expanded: " << folder;
}

TEST(OeRegistry, InstallEntriesNameTheProgramAndItsVersion)
{
    for (const int major : {4, 5, 6})
    {
        ASSERT_TRUE(oestandin::RegisterInstall(major, "C:\\Program Files\\Outlook Express\\"));
        std::string value;
        ASSERT_TRUE(ReadRegString(HKEY_LOCAL_MACHINE, oestandin::kAppPathsKey, "Path", value));
        EXPECT_EQ(value, "C:\\Program Files\\Outlook Express");
        ASSERT_TRUE(ReadRegString(HKEY_LOCAL_MACHINE, oestandin::kAppPathsKey, "", value));
        EXPECT_EQ(value, "C:\\Program Files\\Outlook Express\\msimn.exe");
        ASSERT_TRUE(ReadRegString(HKEY_LOCAL_MACHINE, oestandin::kVersionInfoKey, "Current", value));
        EXPECT_EQ(value.substr(0, value.find(',')), std::to_string(major));
    }
}

DWORD RunSeedTool(const std::string& p_sArguments)
{
    std::string command = "\"" OESEED_EXE "\" " + p_sArguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1000;
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    DWORD exitCode = 1001;
    if (WaitForSingleObject(processHandle.get(), 20000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(processHandle.get(), &exitCode))
        return 1002;
    return exitCode;
}

TEST(OeSeedTool, WritesIdentitiesInstallEntriesAndFoldersFromItsCommandLine)
{
    const std::string store = NewTempFolder("oe_seed_tool");
    // Without its trailing backslash, which would escape the closing quote of the argument.
    const std::string storeArg = "\"" + store.substr(0, store.size() - 1) + "\"";
    const std::string id = "{0B7E1C55-3A2F-4E8D-9C61-7D2A5F4B8E04}";
    ASSERT_EQ(RunSeedTool("identity --version 6 --id " + id + " --name Sam --store-root " + storeArg +
                          " --smtp-server 127.0.0.1 --smtp-port 2526 --email sam@brevolt.example"
                          " --display-name \"Sam Roe\" --check-mail 0"),
              0u);
    EXPECT_EQ(oestandin::CurrentIdentityId(), id);
    const std::string account =
        "Identities\\" + id + "\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001";
    std::string value;
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, account, "SMTP Display Name", value));
    EXPECT_EQ(value, "Sam Roe");
    DWORD port = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, account, "SMTP Port", port));
    EXPECT_EQ(port, 2526u);

    ASSERT_EQ(RunSeedTool("folder --store " + storeArg + " --name \"Sent SMSs\""), 0u);
    EXPECT_GT(ReadBytes(store + "Sent SMSs.dbx").size(), 0x60u);
    ASSERT_EQ(RunSeedTool("install --version 5 --dir \"C:\\Program Files\\OE5\""), 0u);
    EXPECT_TRUE(ReadRegString(HKEY_LOCAL_MACHINE, oestandin::kVersionInfoKey, "Current", value));
    EXPECT_EQ(value, "5,50,4807,1700");

    // Wrong use fails with 1 and changes nothing.
    EXPECT_EQ(RunSeedTool("identity --version 6 --id {0B7E1C55-3A2F-4E8D-9C61-7D2A5F4B8E05}"), 1u);
    EXPECT_EQ(oestandin::CurrentIdentityId(), id);
    EXPECT_EQ(RunSeedTool("folder --store " + storeArg + " --name \"Sent SMSs\""), 1u) << "exists already";
    EXPECT_EQ(RunSeedTool("frobnicate"), 1u);
    EXPECT_EQ(RunSeedTool("install --dir"), 1u);
}
} // namespace
