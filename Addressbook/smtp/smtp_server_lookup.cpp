// Addressbook/smtp/smtp_server_lookup.cpp: the packages' SMTP server settings.
#include "Addressbook/smtp/smtp_server_lookup.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/file_read.h"
#include "common/platform.h"
#include "common/trace_log.h"

#include <cctype>
#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

namespace
{
const char* const kOmiKey97 = "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager";
const char* const kOmiKey = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
const char* const kIdentitiesKey = "Identities";
const char* const kAccountManagerKey = "Software\\Microsoft\\Internet Account Manager";
const char* const kEudoraKey = "Software\\Qualcomm\\Eudora\\CommandLine";
const char* const kNetscapeBiffKey = "Software\\Netscape\\Netscape Navigator\\biff";
const char* const kNetscapeMarkupKey = "SOFTWARE\\Classes\\NetscapeMarkup\\shell\\open\\command";
// A prefs.js is a few kilobytes; anything far larger is not one.
constexpr size_t kMaxPrefsBytes = 16 * 1024 * 1024;

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

bool GetOutlookExpressSMTPServer(CRegistry& p_oRegistry, bool p_bVersion4, std::string& p_sServer, CErrorSlot& p_oError)
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

namespace
{
bool IsSeparator(char p_c)
{
    return p_c == '\\' || p_c == '/';
}

bool EndsWithFolder(const std::string& p_sPath, const char* p_szFolder)
{
    // p_sPath ends with a separator; the folder name before it must match without case.
    const std::string folder = p_szFolder;
    if (p_sPath.size() < folder.size() + 2)
        return false;
    const size_t start = p_sPath.size() - 1 - folder.size();
    return IsSeparator(p_sPath[start - 1]) && SameText(p_sPath.substr(start, folder.size()), folder);
}

void SkipBlanks(const std::string& p_sText, size_t& p_nAt)
{
    while (p_nAt < p_sText.size() && (p_sText[p_nAt] == ' ' || p_sText[p_nAt] == '\t'))
        ++p_nAt;
}

// A JavaScript string literal starting at p_nAt (its quote); p_nAt ends after the closing quote.
bool ReadQuoted(const std::string& p_sText, size_t& p_nAt, std::string& p_sOut)
{
    if (p_nAt >= p_sText.size() || (p_sText[p_nAt] != '"' && p_sText[p_nAt] != '\''))
        return false;
    const char quote = p_sText[p_nAt++];
    p_sOut.clear();
    while (p_nAt < p_sText.size())
    {
        const char c = p_sText[p_nAt++];
        if (c == quote)
            return true;
        if (c == '\n' || c == '\r')
            return false;
        if (c != '\\')
        {
            p_sOut += c;
            continue;
        }
        if (p_nAt >= p_sText.size())
            return false;
        const char escaped = p_sText[p_nAt++];
        switch (escaped)
        {
        case 'n':
            p_sOut += '\n';
            break;
        case 't':
            p_sOut += '\t';
            break;
        case 'r':
            p_sOut += '\r';
            break;
        default:
            p_sOut += escaped;
            break;
        }
    }
    return false;
}

// One user_pref / pref call on a line: its name and value.
bool ReadPrefLine(const std::string& p_sLine, std::string& p_sName, std::string& p_sValue)
{
    size_t at = 0;
    SkipBlanks(p_sLine, at);
    for (const char* call : {"user_pref", "pref"})
    {
        const size_t length = std::char_traits<char>::length(call);
        if (p_sLine.compare(at, length, call) == 0)
        {
            at += length;
            break;
        }
    }
    SkipBlanks(p_sLine, at);
    if (at >= p_sLine.size() || p_sLine[at] != '(')
        return false;
    ++at;
    SkipBlanks(p_sLine, at);
    if (!ReadQuoted(p_sLine, at, p_sName))
        return false;
    SkipBlanks(p_sLine, at);
    if (at >= p_sLine.size() || p_sLine[at] != ',')
        return false;
    ++at;
    SkipBlanks(p_sLine, at);
    if (at < p_sLine.size() && (p_sLine[at] == '"' || p_sLine[at] == '\''))
        return ReadQuoted(p_sLine, at, p_sValue);
    const size_t start = at;
    while (at < p_sLine.size() && p_sLine[at] != ')' && p_sLine[at] != ' ' && p_sLine[at] != '\t')
        ++at;
    if (at == start || at >= p_sLine.size())
        return false;
    p_sValue = p_sLine.substr(start, at - start);
    return true;
}
} // namespace

bool ReadPrefsValue(const std::string& p_sText, const std::string& p_sName, std::string& p_sValue)
{
    bool found = false;
    size_t start = 0;
    while (start < p_sText.size())
    {
        size_t end = p_sText.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = p_sText.size();
        const std::string line = p_sText.substr(start, end - start);
        start = end + 1;
        if (line.find(p_sName) == std::string::npos)
            continue;
        std::string name, value;
        if (ReadPrefLine(line, name, value) && name == p_sName)
        {
            p_sValue = value;
            found = true;
        }
    }
    return found;
}

std::string NetscapeInstallFolder(const std::string& p_sCommand)
{
    std::string command = Trim(p_sCommand);
    std::string program;
    if (!command.empty() && command[0] == '"')
    {
        const size_t close = command.find('"', 1);
        if (close == std::string::npos)
            return std::string();
        program = command.substr(1, close - 1);
    }
    else
        program = command.substr(0, command.find(' '));
    size_t slash = program.size();
    while (slash > 0 && !IsSeparator(program[slash - 1]))
        --slash;
    if (slash == 0)
        return std::string();
    std::string folder = program.substr(0, slash);
    for (const char* level : {"Program", "Communicator"})
    {
        if (EndsWithFolder(folder, level))
            folder.resize(folder.size() - std::char_traits<char>::length(level) - 1);
    }
    return folder;
}

bool GetNetscapeSMTPServer(CRegistry& p_oRegistry, std::string& p_sServer, CErrorSlot& p_oError)
{
    static const char* const kOperation = "CNetscape::GetSMTPServer";
    if (!p_oRegistry.KeyExists(ERegRoot::CurrentUser, kNetscapeBiffKey))
        return Fail(p_oError, "RegOpenKeyEx", kOperation);
    std::string user;
    if (!ReadText(p_oRegistry, kNetscapeBiffKey, "CurrentUser", user) || user.empty())
        return Fail(p_oError, "RegQueryValueEx", kOperation);
    std::vector<uint8_t> data;
    if (!p_oRegistry.KeyExists(ERegRoot::LocalMachine, kNetscapeMarkupKey))
        return Fail(p_oError, "RegOpenKeyEx(2)", kOperation);
    if (!p_oRegistry.ReadRegistry(ERegRoot::LocalMachine, kNetscapeMarkupKey, "", true, data))
        return Fail(p_oError, "RegQueryValueEx(2)", kOperation);
    const std::string folder = NetscapeInstallFolder(TextOfValue(data));
    // A user name is one folder below "users"; one that climbs out of it is not a Netscape user.
    if (folder.empty() || user.find_first_of("\\/") != std::string::npos || user == "." || user == "..")
        return Fail(p_oError, "RegQueryValueEx(2)", kOperation);
    const char separator = platform::PathSeparator();
    const std::string path = folder + "users" + separator + user + separator + "prefs.js";

    std::string text;
    const EReadFile read = ReadWholeFile(path, text, kMaxPrefsBytes);
    if (read != EReadFile::Read)
    {
        if (read == EReadFile::Missing)
            p_oError.Set(CorvaneStrings(), kMsgOpenFile, path.c_str(), errno);
        else
            p_oError.Set(CorvaneStrings(), kMsgFunctionFailed, "ReadFile", kOperation);
        ReportError(p_oError, false);
        return false;
    }
    std::string server;
    if (!ReadPrefsValue(text, "network.hosts.smtp_server", server) || Trim(server).empty())
        return Fail(p_oError, "network.hosts.smtp_server", kOperation);
    p_sServer = Trim(server);
    return true;
}
