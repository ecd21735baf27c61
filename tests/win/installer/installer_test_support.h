// tests/win/installer/installer_test_support.h: what the package tests need of the machine: running
// msiexec and the installed programs, registry snapshots to compare, and the installed layout.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace msitest
{
// "C:\Program Files\Brevolt SMS" and the files the package puts there, relative to it.
std::string InstallDir();
const std::vector<std::string>& InstalledFiles();

// Runs a command line and waits up to p_dwTimeoutMs; the exit code, or -1 when it did not start or end.
[[nodiscard]] int RunAndWait(const std::string& p_sCommandLine, DWORD p_dwTimeoutMs = 50000);
// msiexec /i or /x of a package (a Unix path), silently; its exit code.
[[nodiscard]] int InstallPackage(const char* p_szUnixPath);
[[nodiscard]] int RemovePackage(const char* p_szUnixPath);

// A registry tree as text lines, one per key ("K <path>") and per value ("V <path> | <name> = <type>:<data>"),
// keyed for comparison; p_sKey's own path is written relative to p_hRoot. Absent trees give nothing.
using CSnapshot = std::map<std::string, std::string>;
CSnapshot Snapshot(HKEY p_hRoot, const std::string& p_sKey, REGSAM p_samView = KEY_WOW64_64KEY);
// Adds p_mapFrom's entries with p_sLabel put before each (to tell registry views apart).
void AddSnapshot(CSnapshot& p_mapTo, const CSnapshot& p_mapFrom, const std::string& p_sLabel = std::string());
// Entries of p_mapAfter that are new or changed against p_mapBefore, one per line.
std::vector<std::string> Added(const CSnapshot& p_mapBefore, const CSnapshot& p_mapAfter);
std::string Lines(const std::vector<std::string>& p_vLines);

// The image path of the running process named p_szExeName ("Quillet.exe"); empty when none runs.
std::string RunningImagePath(const char* p_szExeName);
// Waits until no process of that name runs; false after p_dwTimeoutMs.
[[nodiscard]] bool WaitUntilGone(const char* p_szExeName, DWORD p_dwTimeoutMs);

bool FileExists(const std::string& p_sPath);
} // namespace msitest
