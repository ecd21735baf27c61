// Addressbook/messaging/smtp_server_lookup.cpp: the packages' SMTP server settings.
#include "Addressbook/messaging/smtp_server_lookup.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/platform.h"
#include "common/trace_log.h"

#include <cctype>
#include <fstream>
#include <vector>

namespace
{
const char* const kOmiKey97 = "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager";
const char* const kOmiKey = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
const char* const kIdentitiesKey = "Identities";
const char* const kAccountManagerKey = "Software\\Microsoft\\Internet Account Manager";
const char* const kEudoraKey = "Software\\Qualcomm\\Eudora\\CommandLine";

bool Fail(CErrorSlot& p_oError, const char* p_szCall, const char* p_szOperation)
{
    p_oError.Set(CorvaneStrings(), kMsgFunctionFailed, p_szCall, p_szOperation);
    ReportError(p_oError, false);
    return false;
}

bool ReadText(CRegistry& p_oRegistry, const std::string& p_sKey, const char* p_szName, std::string& p_sText)
{
    std::vector<uint8_t> data;
    if (!p_oRegistry.ReadRegistry(ERegRoot::CurrentUser, p_sKey, p_szName, true, data))
        return false;
    p_sText = TextOfValue(data);
    return true;
}

// The account key below an account manager key, and its "SMTP Server".
bool ServerOfDefaultAccount(CRegistry& p_oRegistry, const std::string& p_sManagerKey, const char* p_szOperation,
                            std::string& p_sServer, CErrorSlot& p_oError)
{
    std::string account;
    if (!ReadText(p_oRegistry, p_sManagerKey, "Default Mail Account", account))
        return Fail(p_oError, "RegQueryValueEx", p_szOperation);
    const std::string accountKey = p_sManagerKey + "\\Accounts\\" + account;
    if (!p_oRegistry.KeyExists(ERegRoot::CurrentUser, accountKey))
        return Fail(p_oError, "RegOpenKeyEx(2)", p_szOperation);
    if (!ReadText(p_oRegistry, accountKey, "SMTP Server", p_sServer) || p_sServer.empty())
        return Fail(p_oError, "RegQueryValueEx(2)", p_szOperation);
    // Accounts on another port than 25 keep it as the DWORD "SMTP Port"; the mailer reads a
    // "host:port" server name.
    std::vector<uint8_t> port;
    if (p_oRegistry.ReadRegistry(ERegRoot::CurrentUser, accountKey, "SMTP Port", true, port) && port.size() == 4 &&
        p_sServer.find(':') == std::string::npos)
    {
        const uint32_t value = port[0] | port[1] << 8 | port[2] << 16 | static_cast<uint32_t>(port[3]) << 24;
        if (value != 0 && value <= 65535 && value != 25)
            p_sServer += ":" + std::to_string(value);
    }
    return true;
}

std::string Trim(const std::string& p_sText)
{
    size_t first = 0;
    size_t last = p_sText.size();
    while (first < last && std::isspace(static_cast<unsigned char>(p_sText[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(p_sText[last - 1])))
        --last;
    return p_sText.substr(first, last - first);
}

bool SameText(const std::string& p_sA, const std::string& p_sB)
{
    if (p_sA.size() != p_sB.size())
        return false;
    for (size_t i = 0; i < p_sA.size(); ++i)
    {
        if (std::tolower(static_cast<unsigned char>(p_sA[i])) != std::tolower(static_cast<unsigned char>(p_sB[i])))
            return false;
    }
    return true;
}
} // namespace

bool GetOutlookSMTPServer(CRegistry& p_oRegistry, std::string& p_sServer, CErrorSlot& p_oError)
{
    static const char* const kOperation = "COutlook::GetSMTPServer";
    std::string managerKey = kOmiKey97;
    if (!p_oRegistry.KeyExists(ERegRoot::CurrentUser, managerKey))
        managerKey = kOmiKey;
    if (!p_oRegistry.KeyExists(ERegRoot::CurrentUser, managerKey))
        return Fail(p_oError, "RegOpenKeyEx", kOperation);
    return ServerOfDefaultAccount(p_oRegistry, managerKey, kOperation, p_sServer, p_oError);
}

std::string OutlookExpressAccountManagerKey(CRegistry& p_oRegistry, bool p_bVersion4)
{
    if (!p_bVersion4)
    {
        std::string identity;
        if (ReadText(p_oRegistry, kIdentitiesKey, "Last User ID", identity) && !identity.empty())
        {
            const std::string key = std::string(kIdentitiesKey) + "\\" + identity + "\\" + kAccountManagerKey;
            if (p_oRegistry.KeyExists(ERegRoot::CurrentUser, key))
                return key;
        }
    }
    return kAccountManagerKey;
}

bool GetOutlookExpressSMTPServer(CRegistry& p_oRegistry, bool p_bVersion4, std::string& p_sServer,
                                 CErrorSlot& p_oError)
{
    static const char* const kOperation = "COutlookExpress::GetSMTPServer";
    const std::string managerKey = OutlookExpressAccountManagerKey(p_oRegistry, p_bVersion4);
    if (!p_oRegistry.KeyExists(ERegRoot::CurrentUser, managerKey))
        return Fail(p_oError, "RegOpenKeyEx", kOperation);
    return ServerOfDefaultAccount(p_oRegistry, managerKey, kOperation, p_sServer, p_oError);
}

bool ReadIniValue(const std::string& p_sPath, const std::string& p_sSection, const std::string& p_sKey,
                  std::string& p_sValue)
{
    std::ifstream in(p_sPath, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    bool inSection = false;
    while (std::getline(in, line))
    {
        const std::string text = Trim(line);
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[')
        {
            const size_t close = text.find(']');
            inSection = close != std::string::npos && SameText(Trim(text.substr(1, close - 1)), p_sSection);
            continue;
        }
        const size_t equals = text.find('=');
        if (!inSection || equals == std::string::npos || !SameText(Trim(text.substr(0, equals)), p_sKey))
            continue;
        std::string value = Trim(text.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        p_sValue = value;
        return true;
    }
    return false;
}

bool GetEudoraSMTPServer(CRegistry& p_oRegistry, std::string& p_sServer, CErrorSlot& p_oError)
{
    static const char* const kOperation = "CEudora::GetSMTPServer";
    if (!p_oRegistry.KeyExists(ERegRoot::CurrentUser, kEudoraKey))
        return Fail(p_oError, "RegOpenKeyEx", kOperation);
    std::string directory;
    if (!ReadText(p_oRegistry, kEudoraKey, "Current", directory) || directory.empty())
        return Fail(p_oError, "RegQueryValueEx", kOperation);
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/'))
        directory.pop_back();
    const std::string ini = directory + platform::PathSeparator() + "eudora.ini";
    if (!ReadIniValue(ini, "Settings", "SMTPServer", p_sServer) || p_sServer.empty())
        return Fail(p_oError, "GetPrivateProfileString", kOperation);
    return true;
}
