// tests/win/installer/installer_test_support.cpp: msiexec runs, registry snapshots and process lookups
// for the package tests.
#include "tests/win/installer/installer_test_support.h"

#include "common/handle_win.h"

#include <tlhelp32.h>

#include <cstdio>

namespace msitest
{
namespace
{
std::string WindowsPath(const char* p_szUnixPath)
{
    std::string path = std::string("Z:") + p_szUnixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string ValueText(DWORD p_dwType, const std::vector<BYTE>& p_vData, DWORD p_dwSize)
{
    char head[32];
    std::snprintf(head, sizeof head, "%lu:", static_cast<unsigned long>(p_dwType));
    std::string text = head;
    if (p_dwType == REG_SZ || p_dwType == REG_EXPAND_SZ)
    {
        std::string s(reinterpret_cast<const char*>(p_vData.data()), p_dwSize);
        while (!s.empty() && s.back() == '\0')
            s.pop_back();
        return text + s;
    }
    for (DWORD i = 0; i < p_dwSize; ++i)
    {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", p_vData[i]);
        text += hex;
    }
    return text;
}

void Walk(HKEY p_hKey, const std::string& p_sPath, CSnapshot& p_mapOut)
{
    p_mapOut["K " + p_sPath] = std::string();
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i)
    {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG result = RegEnumValueA(p_hKey, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (result == ERROR_MORE_DATA)
        {
            p_mapOut["V " + p_sPath + " | " + std::string(name.data(), nameSize)] = "(over 64 KB)";
            continue;
        }
        // Wine's performance-counter keys answer every value index with an error.
        if (result != ERROR_SUCCESS)
            break;
        p_mapOut["V " + p_sPath + " | " + std::string(name.data(), nameSize)] = ValueText(type, data, dataSize);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i)
    {
        DWORD nameSize = static_cast<DWORD>(name.size());
        const LONG result = RegEnumKeyExA(p_hKey, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS)
            break;
        children.emplace_back(name.data(), nameSize);
    }
    for (const std::string& child : children)
    {
        // Wine links the 32-bit view's shared keys back into the 64-bit tree: one Wow6432Node level
        // is all there is to see.
        if (lstrcmpiA(child.c_str(), "Wow6432Node") == 0 && p_sPath.find("Wow6432Node") != std::string::npos)
            continue;
        unique_hkey key;
        if (RegOpenKeyExA(p_hKey, child.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
            Walk(key.get(), p_sPath + "\\" + child, p_mapOut);
    }
}
} // namespace

std::string InstallDir()
{
    return "C:\\Program Files\\Brevolt SMS";
}

const std::vector<std::string>& InstalledFiles()
{
    static const std::vector<std::string> files = {"Corvane.dll",
                                                   "Quillet.exe",
                                                   "BrevoltOutlook.dll",
                                                   "Penhold.dll",
                                                   "Launcher.exe",
                                                   "Runbay.exe",
                                                   "Latchkit.dll",
                                                   "Resource.dll",
                                                   "SMSDictionary.txt",
                                                   "Forms\\AppointmentNoRemindNoAttendee.oft",
                                                   "Forms\\AppointmentYesRemindNoAttendee.oft",
                                                   "Forms\\AppointmentYesRemindYesAttendee.oft",
                                                   "Forms\\TaskNoRemind.oft",
                                                   "Forms\\TaskYesRemind2.oft"};
    return files;
}

int RunAndWait(const std::string& p_sCommandLine, DWORD p_dwTimeoutMs)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = p_sCommandLine;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    const unique_handle processHandle(process.hProcess);
    const unique_handle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, p_dwTimeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

int InstallPackage(const char* p_szUnixPath)
{
    return RunAndWait("msiexec /i \"" + WindowsPath(p_szUnixPath) + "\" /qn");
}

int RemovePackage(const char* p_szUnixPath)
{
    return RunAndWait("msiexec /x \"" + WindowsPath(p_szUnixPath) + "\" /qn");
}

CSnapshot Snapshot(HKEY p_hRoot, const std::string& p_sKey, REGSAM p_samView)
{
    CSnapshot snapshot;
    unique_hkey key;
    if (RegOpenKeyExA(p_hRoot, p_sKey.c_str(), 0, KEY_READ | p_samView, key.put()) == ERROR_SUCCESS)
        Walk(key.get(), p_sKey, snapshot);
    return snapshot;
}

void AddSnapshot(CSnapshot& p_mapTo, const CSnapshot& p_mapFrom, const std::string& p_sLabel)
{
    for (const auto& [entry, data] : p_mapFrom)
        p_mapTo[p_sLabel + entry] = data;
}

std::vector<std::string> Added(const CSnapshot& p_mapBefore, const CSnapshot& p_mapAfter)
{
    std::vector<std::string> added;
    for (const auto& [entry, data] : p_mapAfter)
    {
        const auto before = p_mapBefore.find(entry);
        if (before == p_mapBefore.end() || before->second != data)
            added.push_back(data.empty() ? entry : entry + " = " + data);
    }
    return added;
}

std::string Lines(const std::vector<std::string>& p_vLines)
{
    std::string text;
    for (const std::string& line : p_vLines)
        text += line + "\n";
    return text;
}

std::string RunningImagePath(const char* p_szExeName)
{
    const unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
    {
        if (lstrcmpiA(entry.szExeFile, p_szExeName) != 0)
            continue;
        const unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (process && QueryFullProcessImageNameA(process.get(), 0, path, &size))
            return std::string(path, size);
        return entry.szExeFile;
    }
    return std::string();
}

bool WaitUntilGone(const char* p_szExeName, DWORD p_dwTimeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + p_dwTimeoutMs;
    while (!RunningImagePath(p_szExeName).empty())
    {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(50);
    }
    return true;
}

bool FileExists(const std::string& p_sPath)
{
    return GetFileAttributesA(p_sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace msitest
