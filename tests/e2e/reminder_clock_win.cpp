// tests/e2e/reminder_clock_win.cpp: the chosen clock of one loaded library, through its import table.
#include "tests/e2e/reminder_clock_win.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
// 1601-01-01 to 1970-01-01 in 100 ns units.
constexpr int64_t kUnixEpochFileTime = 116444736000000000;

// What the clock adds to the real UTC time, in 100 ns units; set once, before the module is hooked.
int64_t g_iShift = 0;

int64_t RealNow()
{
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME ShiftedNow()
{
    const uint64_t now = static_cast<uint64_t>(RealNow() + g_iShift);
    return FILETIME{static_cast<DWORD>(now), static_cast<DWORD>(now >> 32)};
}

void WINAPI ShiftedSystemTimeAsFileTime(FILETIME* p_pTime)
{
    *p_pTime = ShiftedNow();
}

void WINAPI ShiftedSystemTime(SYSTEMTIME* p_pTime)
{
    const FILETIME now = ShiftedNow();
    FileTimeToSystemTime(&now, p_pTime);
}

void WINAPI ShiftedLocalTime(SYSTEMTIME* p_pTime)
{
    SYSTEMTIME utc{};
    ShiftedSystemTime(&utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, p_pTime);
}

int64_t __cdecl ShiftedTime64(int64_t* p_piTime)
{
    const FILETIME now = ShiftedNow();
    const int64_t seconds =
        (static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) -
         kUnixEpochFileTime) /
        10000000;
    if (p_piTime)
        *p_piTime = seconds;
    return seconds;
}

// Points p_hModule's import of p_szFunction (from p_szLibrary) at p_pReplacement.
bool ReplaceImport(HMODULE p_hModule, const char* p_szLibrary, const char* p_szFunction, void* p_pReplacement)
{
    auto* base = reinterpret_cast<BYTE*>(p_hModule);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return false;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name; ++entry)
    {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), p_szLibrary) != 0 ||
            entry->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), p_szFunction) != 0)
                continue;
            DWORD dwOld = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &dwOld))
                return false;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(p_pReplacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), dwOld, &dwOld);
            return true;
        }
    }
    return false;
}
} // namespace

bool ParseLocalTime(const std::string& p_sText, SYSTEMTIME& p_stTime)
{
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    if (std::sscanf(p_sText.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 || y < 1601 ||
        mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
        return false;
    p_stTime = SYSTEMTIME{static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
                          static_cast<WORD>(mi), static_cast<WORD>(s),  0};
    FILETIME check{};
    return SystemTimeToFileTime(&p_stTime, &check) != FALSE; // refuses 31 February and the like
}

bool SetModuleClock(HMODULE p_hModule, const SYSTEMTIME& p_stLocalNow)
{
    SYSTEMTIME utc{};
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &p_stLocalNow, &utc) || !SystemTimeToFileTime(&utc, &ft))
    {
        std::fprintf(stderr, "reminder clock: the local time cannot be converted\n");
        return false;
    }
    g_iShift = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) - RealNow();
    const struct
    {
        const char* m_szLibrary;
        const char* m_szFunction;
        void* m_pReplacement;
    } hooks[] = {
        {"kernel32.dll", "GetLocalTime", reinterpret_cast<void*>(&ShiftedLocalTime)},
        {"kernel32.dll", "GetSystemTime", reinterpret_cast<void*>(&ShiftedSystemTime)},
        {"kernel32.dll", "GetSystemTimeAsFileTime", reinterpret_cast<void*>(&ShiftedSystemTimeAsFileTime)},
        {"msvcrt.dll", "_time64", reinterpret_cast<void*>(&ShiftedTime64)},
    };
    int replaced = 0;
    for (const auto& hook : hooks)
        replaced += ReplaceImport(p_hModule, hook.m_szLibrary, hook.m_szFunction, hook.m_pReplacement) ? 1 : 0;
    if (replaced == 0)
        std::fprintf(stderr, "reminder clock: the library imports no time function\n");
    return replaced != 0;
}
