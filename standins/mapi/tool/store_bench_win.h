// standins/mapi/tool/store_bench_win.h: what the timing tools over the MAPI stand-in share: the
// clock, the stand-in's store file setting, a contacts folder of a given size seeded as a snapshot,
// the stand-in's MAPI functions bound by name, and the fresh process each measurement runs in.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "common/handle_win.h"

#include <cstdint>
#include <string>
#include <vector>

namespace store_bench
{
// Seconds on the performance counter.
double Now();
// "  <what>   <ms since p_dStart> ms", one line.
void Report(const char* p_szWhat, double p_dStart);

// The stand-in's store file (HKCU "Software\Brevolt Test\MAPI Stand-in" StoreFile).
[[nodiscard]] bool SetStoreFile(const std::string& p_sPath);
std::string GetStoreFile();

// The contacts of a seeded folder a benchmark types: display names held by exactly one contact,
// and the e-mail addresses of other contacts (so no two inputs name one person).
struct CSeededContacts
{
    std::vector<std::string> m_vUniqueNames;
    std::vector<std::string> m_vAddresses;
    std::vector<std::string> m_vAllNames; // a sample of every p_ulCount / 1000 contact's name
};

// Writes a default store whose Contacts folder holds p_ulCount generated contacts, kept sorted by
// display name, as a snapshot at p_sPath; with p_bReport each step's time is printed. p_p_oContacts,
// when given, receives what a benchmark can type.
[[nodiscard]] bool SeedContactsSnapshot(const std::string& p_sPath, uint32_t p_ulCount, bool p_bReport,
                                        CSeededContacts* p_p_oContacts = nullptr);

// Writes a default store whose Contacts folder holds p_ulCount generated contacts as a JSON store
// file at p_sPath (the form that takes a message's save as an appended record).
[[nodiscard]] bool SeedContactsJson(const std::string& p_sPath, uint32_t p_ulCount);

// The stand-in's exported functions a measurement needs.
struct CMapiFunctions
{
    LPMAPIINITIALIZE m_pfnInit = nullptr;
    LPMAPIUNINITIALIZE m_pfnUninit = nullptr;
    LPMAPILOGONEX m_pfnLogon = nullptr;
    LPMAPIALLOCATEBUFFER m_pfnAlloc = nullptr;
    LPMAPIFREEBUFFER m_pfnFree = nullptr;
    void(WINAPI* m_pfnFreeProws)(LPSRowSet) = nullptr;

    // Binds every function from the loaded library; false when one is missing.
    [[nodiscard]] bool Bind(HMODULE p_hLibrary);
};

template <typename T> void BindExport(HMODULE p_hLibrary, T& p_pfn, const char* p_szName)
{
    p_pfn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(p_hLibrary, p_szName)));
}

// Runs this program again with p_sArguments and waits for it: a fresh process loads the store once,
// as a client starting does. The child's exit code, or 1 when it could not start.
int RunChild(const std::string& p_sArguments);
// Starts this program again with p_sArguments; its process, or none when it could not start.
unique_handle StartChild(const std::string& p_sArguments);

// Asks every heap of the process for the low-fragmentation front end (Windows' default, Wine 8's
// only when asked): millions of small blocks are allocated fast in it.
void UseLowFragmentationHeap();

// The '|'-separated pieces of a file's text, and the file written from pieces.
std::vector<std::string> ReadList(const std::string& p_sPath);
[[nodiscard]] bool WriteList(const std::string& p_sPath, const std::vector<std::string>& p_vItems);
} // namespace store_bench
