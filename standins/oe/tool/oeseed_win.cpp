// standins/oe/tool/oeseed_win.cpp: oeseed.exe, which prepares a prefix for the mail client stand-in:
// its installation entries, identities with their accounts, and folders in a store.
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace
{
constexpr const char* kUsage =
    "usage: oeseed install --version N --dir FOLDER\n"
    "       oeseed identity --version N [--id {GUID}] [--name TEXT] --store-root PATH [--not-current]\n"
    "              [--check-mail 0|1] [--smtp-server HOST] [--smtp-port N] [--email ADDRESS]\n"
    "              [--display-name TEXT] [--account-name TEXT] [--send-mail-warning 0|1]\n"
    "       oeseed folder --store FOLDER --name TEXT\n";

// "--name value" pairs after the command; a flag without a value maps to "1".
bool ParseOptions(int p_iArgc, char** p_ppArgv, std::map<std::string, std::string>& p_mOptions)
{
    for (int i = 2; i < p_iArgc; ++i)
    {
        const std::string name = p_ppArgv[i];
        if (name.rfind("--", 0) != 0)
            return false;
        if (name == "--not-current")
            p_mOptions[name] = "1";
        else if (i + 1 < p_iArgc)
            p_mOptions[name] = p_ppArgv[++i];
        else
            return false;
    }
    return true;
}

std::string Option(const std::map<std::string, std::string>& p_mOptions, const char* p_szName,
                   const std::string& p_sDefault = std::string())
{
    const auto it = p_mOptions.find(p_szName);
    return it == p_mOptions.end() ? p_sDefault : it->second;
}

int Fail(const char* p_szWhat)
{
    std::fprintf(stderr, "oeseed: %s\n", p_szWhat);
    return 1;
}

int SeedIdentity(const std::map<std::string, std::string>& p_mOptions)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sId = Option(p_mOptions, "--id", "{6A3C1E20-2D4B-4F6E-9A51-0C7E3B1D5F01}");
    seed.m_sName = Option(p_mOptions, "--name", seed.m_sName);
    seed.m_sStoreRoot = Option(p_mOptions, "--store-root");
    seed.m_bMakeCurrent = Option(p_mOptions, "--not-current").empty();
    seed.m_bCheckMailOnStartup = Option(p_mOptions, "--check-mail", "1") != "0";
    seed.m_bSendMailWarning = Option(p_mOptions, "--send-mail-warning", "0") != "0";
    seed.m_oAccount.m_sName = Option(p_mOptions, "--account-name", seed.m_oAccount.m_sName);
    seed.m_oAccount.m_sSmtpServer = Option(p_mOptions, "--smtp-server", seed.m_oAccount.m_sSmtpServer);
    seed.m_oAccount.m_nSmtpPort = std::strtoul(Option(p_mOptions, "--smtp-port", "25").c_str(), nullptr, 10);
    seed.m_oAccount.m_sEmail = Option(p_mOptions, "--email");
    seed.m_oAccount.m_sDisplayName = Option(p_mOptions, "--display-name");
    if (seed.m_sStoreRoot.empty())
        return Fail("identity needs --store-root");
    const int major = std::atoi(Option(p_mOptions, "--version", "6").c_str());
    return oestandin::SeedIdentity(major, seed) ? 0 : Fail("the identity could not be written");
}
} // namespace

int main(int p_iArgc, char** p_ppArgv)
{
    std::map<std::string, std::string> options;
    if (p_iArgc < 2 || !ParseOptions(p_iArgc, p_ppArgv, options))
        return Fail(kUsage);
    const std::string command = p_ppArgv[1];
    if (command == "install")
    {
        const std::string dir = Option(options, "--dir");
        if (dir.empty())
            return Fail("install needs --dir");
        const int major = std::atoi(Option(options, "--version", "6").c_str());
        return oestandin::RegisterInstall(major, dir) ? 0 : Fail("the installation entries could not be written");
    }
    if (command == "identity")
        return SeedIdentity(options);
    if (command == "folder")
    {
        std::string store = Option(options, "--store");
        if (store.empty() || Option(options, "--name").empty())
            return Fail("folder needs --store and --name");
        if (store.back() != '\\')
            store += '\\';
        return oestandin::AddStoreFolder(store, Option(options, "--name")) ? 0 : Fail("the folder could not be added");
    }
    return Fail(kUsage);
}
