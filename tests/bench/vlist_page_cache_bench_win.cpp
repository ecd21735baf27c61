// tests/bench/vlist_page_cache_bench_win.cpp: the page cache behind the virtual list over the MAPI
// stand-in, under wine64: a contact folder of N contacts sorted by name, the list's first screen of
// 30 rows, a thumb jump to the middle and a type-ahead search, with the rows read, queries and wall
// time of each step checked against their limits. Usage: vlist_page_cache_bench [rows...]
// (default 10000 1000000). Exit code 1 when a limit is broken or the store cannot be opened.
#include <windows.h>
#include <commctrl.h>
#include <mapitags.h>

#include "Addressbook/addressbook/virtual_listbox_win.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "tests/win/addressbook/vlist_test_support.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace vlisttest;

namespace
{
constexpr int kScreenRows = 30;
constexpr uint64_t kFirstScreenPages = 3;
constexpr uint64_t kJumpPages = 4;
constexpr uint64_t kPrefixProbes = 21;
constexpr size_t kResidentLimit = 120;

using Clock = std::chrono::steady_clock;

struct CStep
{
    const char* m_szName;
    uint64_t m_ullRowsRead;
    uint64_t m_ullQueries;
    double m_dMs;
    size_t m_nResident;
    bool m_bWithinLimit;
};

// Runs one step and takes its figures; the counters start from zero for each step.
template <typename F> CStep Measure(const char* p_szName, CMapiPageCache& p_oCache, F&& p_fnStep)
{
    p_oCache.Counters() = CPageSourceCounters{};
    const auto tStart = Clock::now();
    p_fnStep();
    const double dMs = std::chrono::duration<double, std::milli>(Clock::now() - tStart).count();
    return CStep{p_szName, p_oCache.Counters().m_ullRowsRead, p_oCache.Counters().m_ullQueries,
                 dMs,      p_oCache.Cache().ResidentRows(),   true};
}

// The list's height for exactly kScreenRows rows: one row's height times the rows, plus the header.
void SizeForScreen(HWND p_hHost, HWND p_hList)
{
    // One row without a cache behind it gives the row height and reads nothing.
    ListView_SetItemCountEx(p_hList, 1, 0);
    RECT rcItem{};
    ListView_GetItemRect(p_hList, 0, &rcItem, LVIR_BOUNDS);
    ListView_SetItemCountEx(p_hList, 0, 0);
    RECT rcHeader{};
    GetWindowRect(ListView_GetHeader(p_hList), &rcHeader);
    RECT rcWindow{};
    RECT rcClient{};
    GetWindowRect(p_hList, &rcWindow);
    GetClientRect(p_hList, &rcClient);
    const int iBorders = (rcWindow.bottom - rcWindow.top) - rcClient.bottom;
    const int iHeight = (rcItem.bottom - rcItem.top) * kScreenRows + (rcHeader.bottom - rcHeader.top) + iBorders;
    SetWindowPos(p_hHost, nullptr, 0, 0, 600, iHeight + 40, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(p_hHost, &rcClient);
    MoveWindow(p_hList, 0, 0, rcClient.right, iHeight, TRUE);
    SendMessageA(p_hList, kVListRefreshCounts, 0, 0);
}

// Fills the seeded store's contact folder with generated contacts through mapistore, which keeps
// the store as a snapshot sorted by display name.
bool SeedThroughMapistore(uint32_t p_ulRows)
{
    std::string sCommand = std::string("\"") + MAPISTORE_EXE + "\" seed-contacts Contacts " + std::to_string(p_ulRows);
    STARTUPINFOA oStart{};
    oStart.cb = sizeof(oStart);
    PROCESS_INFORMATION oProcess{};
    if (!CreateProcessA(nullptr, sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &oStart, &oProcess))
        return false;
    const unique_handle hProcess(oProcess.hProcess);
    const unique_handle hThread(oProcess.hThread);
    DWORD dwExit = 1;
    return WaitForSingleObject(hProcess.get(), INFINITE) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(hProcess.get(), &dwExit) && dwExit == 0;
}

// The display name at a row of the folder, read through a table of its own so the cache's
// table and counters stay as they are.
std::string NameAt(CSeededMapi& p_oMapi, uint32_t p_ulRow)
{
    com_ptr<IMAPITable> pTable = p_oMapi.SortedContactsTable();
    SizedSPropTagArray(1, oColumns) = {1, {PR_DISPLAY_NAME_A}};
    unique_mapi_rows pRows;
    if (!pTable || FAILED(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0)) ||
        FAILED(pTable->SeekRow(BOOKMARK_BEGINNING, static_cast<LONG>(p_ulRow), nullptr)) ||
        FAILED(pTable->QueryRows(1, 0, pRows.put())) || !pRows || pRows.get()->cRows != 1 ||
        PROP_TYPE(pRows.get()->aRow[0].lpProps[0].ulPropTag) != PT_STRING8)
        return {};
    return pRows.get()->aRow[0].lpProps[0].Value.lpszA;
}

bool RunSize(uint32_t p_ulRows)
{
    std::printf("== %u contacts\n", p_ulRows);
    const auto tSeed = Clock::now();
    CSeededMapi oMapi;
    if (!oMapi.WriteSeed("brevolt-vlist-bench", SeedJson({})) || !SeedThroughMapistore(p_ulRows))
    {
        std::printf("the store could not be seeded\n");
        return false;
    }
    const double dSeedMs = std::chrono::duration<double, std::milli>(Clock::now() - tSeed).count();
    const auto tOpen = Clock::now();
    if (!oMapi.LogOn())
    {
        std::printf("the seeded store could not be opened\n");
        return false;
    }
    com_ptr<IMAPITable> pTable = oMapi.SortedContactsTable();
    CTableLookup oLookup;
    std::unique_ptr<CMapiPageCache> pCache;
    if (!pTable || FAILED(MakeContactPageCache(pTable.get(), oMapi.EmailTags(), oLookup, pCache)))
    {
        std::printf("no cache over the contact folder\n");
        return false;
    }
    std::printf("mapistore seed %.0f ms; log-on, sort and cache set-up %.0f ms\n", dSeedMs,
                std::chrono::duration<double, std::milli>(Clock::now() - tOpen).count());

    HWND hHost = CreateWindowExA(0, "BrevoltVListBench", "Select Recipients", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 600, 700, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    CVirtualListBox oList;
    g_pList = &oList;
    RECT rcClient{};
    GetClientRect(hHost, &rcClient);
    if (!oList.Create(hHost, 100, rcClient, GetModuleHandleA(nullptr)))
        return false;
    HWND hList = oList.Handle();

    std::vector<CStep> vSteps;
    SizeForScreen(hHost, hList);
    vSteps.push_back(Measure("first screen", *pCache, [&] {
        oList.SetCache(&pCache->Cache());
        UpdateWindow(hHost);
        Pump();
    }));
    vSteps.back().m_bWithinLimit = vSteps.back().m_ullRowsRead <= kFirstScreenPages * kPageRows;
    // The thumb dragged to the middle of its track; a pixel of track spans many rows, so the row
    // it lands on is near the middle rather than on it.
    bool bDragged = false;
    vSteps.push_back(Measure("thumb to the middle", *pCache, [&] {
        bDragged = DragThumb(hList, 0.5);
        UpdateWindow(hList);
        Pump();
    }));
    const int iLanded = oList.TopRow();
    const double dOff = std::abs(iLanded - static_cast<double>(p_ulRows) / 2) / p_ulRows;
    vSteps.back().m_bWithinLimit = bDragged && vSteps.back().m_ullRowsRead <= kJumpPages * kPageRows &&
                                   ListView_GetTopIndex(hList) == iLanded && dOff < 0.05;
    std::printf("rows per page %d; thumb let go at row %d\n", oList.ItemsPerPage(), iLanded);
    // The prefix: the first word of the name a third of the way down, leading apostrophes skipped
    // as the search skips them. (Further in, the table's word sort ignores apostrophes and hyphens
    // that the search's plain comparison counts, so a longer prefix may miss its rows.)
    const uint32_t ulThird = p_ulRows / 3;
    std::string sName = NameAt(oMapi, ulThird);
    sName.erase(0, std::min(sName.find_first_not_of('\''), sName.size()));
    const std::string sPrefix = sName.substr(0, sName.find(' '));
    std::optional<CPrefixPosition> oFound;
    vSteps.push_back(Measure("type-ahead", *pCache, [&] { oFound = pCache->Cache().FindPrefix(sPrefix); }));
    vSteps.back().m_bWithinLimit = !sPrefix.empty() && vSteps.back().m_ullQueries <= kPrefixProbes && oFound &&
                                   oFound->m_bMatch && oFound->m_ulRow <= ulThird;
    std::printf("type-ahead \"%s\" found row %u\n", sPrefix.c_str(), oFound ? oFound->m_ulRow : 0u);

    bool bAll = true;
    std::printf("%-22s %10s %8s %10s %9s  %s\n", "step", "rows read", "queries", "ms", "resident", "limit");
    for (const CStep& oStep : vSteps)
    {
        const bool bOk = oStep.m_bWithinLimit && oStep.m_nResident <= kResidentLimit;
        bAll = bAll && bOk;
        std::printf("%-22s %10llu %8llu %10.1f %9zu  %s\n", oStep.m_szName,
                    static_cast<unsigned long long>(oStep.m_ullRowsRead),
                    static_cast<unsigned long long>(oStep.m_ullQueries), oStep.m_dMs, oStep.m_nResident,
                    bOk ? "ok" : "BROKEN");
    }
    g_pList = nullptr;
    DestroyWindow(hHost);
    pCache.reset();
    pTable.reset();
    oMapi.Close();
    return bAll;
}
} // namespace

int main(int argc, char** argv)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA oClass{};
    oClass.lpfnWndProc = HostProc;
    oClass.hInstance = GetModuleHandleA(nullptr);
    oClass.lpszClassName = "BrevoltVListBench";
    RegisterClassA(&oClass);
    std::vector<uint32_t> vSizes;
    for (int i = 1; i < argc; ++i)
        vSizes.push_back(static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10)));
    if (vSizes.empty())
        vSizes = {10000, 1000000};
    bool bAll = true;
    for (uint32_t ulRows : vSizes)
        bAll = RunSize(ulRows) && bAll;
    CoUninitialize();
    return bAll ? 0 : 1;
}
