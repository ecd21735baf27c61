// standins/mapi/tool/mapibench.cpp: mapibench.exe, a timing tool (not a test): seeds a contacts
// folder of each given size as a snapshot and measures, in a fresh process per size, what the
// address book does: MAPIInitialize and logon, opening the contents table, sorting it by display
// name, reading ten rows at the start, middle and end, and a binary search by name.
//   mapibench DLL DIR COUNT...   (DLL: the stand-in; DIR: where the store files go)
// With "--appends N" the store of each size is a JSON file, and the time measured is one process's
// (an Inbox contents table open) to see each of N saves of a message by another process.
//   mapibench DLL DIR --appends N COUNT...
#include <windows.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "common/handle_win.h"
#include "standins/mapi/provider/mapi_shims.h"
#include "standins/mapi/tool/store_bench_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
using store_bench::Now;
using store_bench::Report;

#define CHECK(call)                                                                                                    \
    do                                                                                                                 \
    {                                                                                                                  \
        const HRESULT hr_ = (call);                                                                                    \
        if (FAILED(hr_))                                                                                               \
        {                                                                                                              \
            std::printf("mapibench: %s failed: 0x%08lx\n", #call, static_cast<unsigned long>(hr_));                    \
            return 1;                                                                                                  \
        }                                                                                                              \
    } while (0)

std::wstring FirstName(const store_bench::CMapiFunctions& p_fns, LPSRowSet p_rows)
{
    std::wstring s;
    if (p_rows && p_rows->cRows > 0 && PROP_TYPE(p_rows->aRow[0].lpProps[0].ulPropTag) == PT_UNICODE)
        s = p_rows->aRow[0].lpProps[0].Value.lpszW;
    p_fns.m_pfnFreeProws(p_rows);
    return s;
}

// Reads ten rows where the address book's list would, after positioning as it does.
int ReadTen(const store_bench::CMapiFunctions& p_fns, IMAPITable* p_pTable, ULONG p_ulNum, ULONG p_ulDen,
            const char* p_szWhat)
{
    const double t = Now();
    CHECK(p_pTable->SeekRowApprox(p_ulNum, p_ulDen));
    ULONG row = 0, num = 0, den = 0;
    CHECK(p_pTable->QueryPosition(&row, &num, &den));
    LONG sought = 0;
    CHECK(p_pTable->SeekRow(BOOKMARK_BEGINNING, static_cast<LONG>(row), &sought));
    LPSRowSet rows = nullptr;
    CHECK(p_pTable->QueryRows(10, 0, &rows));
    const ULONG c = rows->cRows;
    const std::wstring first = FirstName(p_fns, rows);
    Report(p_szWhat, t);
    std::printf("    row %lu of %lu, %lu rows, first \"%ls\"\n", row, den, c, first.c_str());
    return 0;
}

// The address book's lookup: a binary search over the sorted table by display name.
int Search(const store_bench::CMapiFunctions& p_fns, IMAPITable* p_pTable, const std::wstring& p_sName)
{
    const double t = Now();
    ULONG count = 0;
    CHECK(p_pTable->GetRowCount(0, &count));
    ULONG lo = 0, hi = count;
    int probes = 0;
    while (lo < hi)
    {
        const ULONG mid = lo + (hi - lo) / 2;
        LONG sought = 0;
        CHECK(p_pTable->SeekRow(BOOKMARK_BEGINNING, static_cast<LONG>(mid), &sought));
        LPSRowSet rows = nullptr;
        CHECK(p_pTable->QueryRows(1, TBL_NOADVANCE, &rows));
        const std::wstring name = FirstName(p_fns, rows);
        ++probes;
        if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(), -1, p_sName.c_str(), -1) ==
            CSTR_LESS_THAN)
            lo = mid + 1;
        else
            hi = mid;
    }
    Report("binary search by display name", t);
    std::printf("    \"%ls\" first at row %lu, %d probes\n", p_sName.c_str(), lo, probes);
    return 0;
}

// Loads the stand-in, logs on to the default profile and opens the default store.
int LogOn(const std::string& p_sDll, store_bench::CMapiFunctions& p_fns, com_ptr<IMAPISession>& p_session,
          com_ptr<IMsgStore>& p_store)
{
    HMODULE h = LoadLibraryA(p_sDll.c_str());
    if (!h)
    {
        std::printf("mapibench: cannot load %s\n", p_sDll.c_str());
        return 1;
    }
    if (!p_fns.Bind(h))
        return 1;
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    double t = Now();
    CHECK(p_fns.m_pfnInit(nullptr));
    CHECK(p_fns.m_pfnLogon(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, p_session.put()));
    Report("MAPIInitialize + MAPILogonEx", t);

    t = Now();
    com_ptr<IMAPITable> stores;
    CHECK(p_session->GetMsgStoresTable(0, stores.put()));
    SizedSPropTagArray(2, storeCols) = {2, {PR_DEFAULT_STORE, PR_ENTRYID}};
    CHECK(stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&storeCols), 0));
    LPSRowSet rows = nullptr;
    CHECK(stores->QueryRows(10, 0, &rows));
    for (ULONG i = 0; i < rows->cRows && !p_store; ++i)
        if (rows->aRow[i].lpProps[0].Value.b)
            CHECK(p_session->OpenMsgStore(0, rows->aRow[i].lpProps[1].Value.bin.cb,
                                          reinterpret_cast<LPENTRYID>(rows->aRow[i].lpProps[1].Value.bin.lpb), nullptr,
                                          MAPI_BEST_ACCESS | MDB_NO_DIALOG, p_store.put()));
    p_fns.m_pfnFreeProws(rows);
    return p_store ? 0 : 1;
}

int Measure(const std::string& p_sDll)
{
    store_bench::CMapiFunctions fns;
    com_ptr<IMAPISession> session;
    com_ptr<IMsgStore> store;
    if (LogOn(p_sDll, fns, session, store))
        return 1;
    double t = Now();
    ULONG type = 0;
    com_ptr<IMAPIFolder> root;
    CHECK(store->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(root.put())));
    SizedSPropTagArray(1, eidTag) = {1, {PR_IPM_CONTACT_ENTRYID}};
    ULONG c = 0;
    LPSPropValue eid = nullptr;
    CHECK(root->GetProps(reinterpret_cast<LPSPropTagArray>(&eidTag), 0, &c, &eid));
    com_ptr<IMAPIFolder> contacts;
    CHECK(store->OpenEntry(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), nullptr,
                           MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(contacts.put())));
    fns.m_pfnFree(eid);
    Report("open Contacts folder", t);

    SizedSPropTagArray(4, cols) = {4, {PR_DISPLAY_NAME_W, PR_ENTRYID, PR_INSTANCE_KEY, PR_MOBILE_TELEPHONE_NUMBER_W}};
    SizedSSortOrderSet(1, sort) = {1, 0, 0, {{PR_DISPLAY_NAME_W, TABLE_SORT_ASCEND}}};
    for (int pass = 1; pass <= 2; ++pass)
    {
        std::printf(" table %d\n", pass);
        t = Now();
        com_ptr<IMAPITable> table;
        CHECK(contacts->GetContentsTable(MAPI_UNICODE, table.put()));
        CHECK(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0));
        ULONG count = 0;
        CHECK(table->GetRowCount(0, &count));
        Report("GetContentsTable + SetColumns + GetRowCount", t);
        t = Now();
        CHECK(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&sort), 0));
        Report("SortTable by PR_DISPLAY_NAME", t);
        if (ReadTen(fns, table.get(), 0, 1, "ten rows at the start") ||
            ReadTen(fns, table.get(), 1, 2, "ten rows in the middle") ||
            ReadTen(fns, table.get(), count > 10 ? count - 10 : 0, count ? count : 1, "ten rows at the end") ||
            Search(fns, table.get(), L"Smyth"))
            return 1;
    }
    // A sort no snapshot kept: the folder's order for it is built once, then shared.
    SizedSSortOrderSet(1, bySurname) = {1, 0, 0, {{PR_SURNAME_W, TABLE_SORT_ASCEND}}};
    for (int pass = 1; pass <= 2; ++pass)
    {
        com_ptr<IMAPITable> table;
        CHECK(contacts->GetContentsTable(MAPI_UNICODE, table.put()));
        CHECK(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0));
        t = Now();
        CHECK(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&bySurname), 0));
        Report(pass == 1 ? "SortTable by PR_SURNAME (built)" : "SortTable by PR_SURNAME (shared)", t);
        ULONG count = 0;
        CHECK(table->GetRowCount(0, &count));
        if (ReadTen(fns, table.get(), 1, 2, "ten rows in the middle"))
            return 1;
    }
    t = Now();
    contacts.reset();
    root.reset();
    store.reset();
    session->Logoff(0, 0, 0);
    session.reset();
    if (fns.m_pfnUninit)
        fns.m_pfnUninit();
    Report("Logoff + MAPIUninitialize (the store is saved)", t);
    return 0;
}

// The journal measurement's two processes take turns through these events.
const char kGoEvent[] = "Local\\BrevoltMapibenchGo";
const char kDoneEvent[] = "Local\\BrevoltMapibenchDone";

// One of the two processes: logged on with the default store's Inbox open.
struct CSide
{
    store_bench::CMapiFunctions m_fns;
    com_ptr<IMAPISession> m_session;
    com_ptr<IMsgStore> m_store;
    com_ptr<IMAPIFolder> m_inbox;

    int Open(const std::string& p_sDll)
    {
        if (LogOn(p_sDll, m_fns, m_session, m_store))
            return 1;
        ULONG cb = 0, type = 0;
        LPENTRYID eid = nullptr;
        CHECK(m_store->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr));
        const HRESULT hr =
            m_store->OpenEntry(cb, eid, nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(m_inbox.put()));
        m_fns.m_pfnFree(eid);
        CHECK(hr);
        return 0;
    }
};

// The writer: a message made in the Inbox (two records appended: the id it takes, then the
// message), then at each turn that message changed and saved (a record appended to the store
// file), and at the last turn a folder made (the whole file written).
int Write(const std::string& p_sDll, int p_iAppends)
{
    CSide side;
    IMAPIFolder* inbox = nullptr;
    unique_handle go(OpenEventA(SYNCHRONIZE, FALSE, kGoEvent)), done(OpenEventA(EVENT_MODIFY_STATE, FALSE, kDoneEvent));
    com_ptr<IMessage> message;
    if (!go || !done || side.Open(p_sDll))
        return 1;
    inbox = side.m_inbox.get();
    CHECK(inbox->CreateMessage(nullptr, 0, message.put()));
    CHECK(message->SaveChanges(KEEP_OPEN_READWRITE));
    SetEvent(done.get());
    for (int i = 0; i <= p_iAppends; ++i)
    {
        if (WaitForSingleObject(go.get(), 60000) != WAIT_OBJECT_0)
            return 1;
        if (i == p_iAppends)
        {
            com_ptr<IMAPIFolder> folder;
            CHECK(inbox->CreateFolder(FOLDER_GENERIC, const_cast<LPTSTR>(reinterpret_cast<const TCHAR*>("Bench")),
                                      nullptr, nullptr, OPEN_IF_EXISTS, folder.put()));
        }
        else
        {
            const std::string text = "Saved by the other process, version " + std::to_string(i);
            SPropValue subject{};
            subject.ulPropTag = PR_SUBJECT_A;
            subject.Value.lpszA = const_cast<char*>(text.c_str());
            CHECK(message->SetProps(1, &subject, nullptr));
            CHECK(message->SaveChanges(KEEP_OPEN_READWRITE));
        }
        SetEvent(done.get());
    }
    side.m_session->Logoff(0, 0, 0);
    return 0;
}

// The reader: an Inbox contents table open while the writer saves a message p_iAppends times; the
// time this process's next call takes to see each save, then to see the writer's folder.
int Read(const std::string& p_sDll, int p_iAppends)
{
    CSide side;
    com_ptr<IMAPITable> table;
    unique_handle go(CreateEventA(nullptr, FALSE, FALSE, kGoEvent)),
        done(CreateEventA(nullptr, FALSE, FALSE, kDoneEvent));
    if (!go || !done || side.Open(p_sDll))
        return 1;
    IMAPIFolder* inbox = side.m_inbox.get();
    CHECK(inbox->GetContentsTable(0, table.put()));
    ULONG before = 0, count = 0;
    CHECK(table->GetRowCount(0, &before));
    const unique_handle process = store_bench::StartChild("--write \"" + p_sDll + "\" " + std::to_string(p_iAppends));
    if (!process)
        return 1;
    double total = 0, slowest = 0, floor = 0, made = 0; // floor: the same call with nothing new
    for (int i = 0; i <= p_iAppends; ++i)
    {
        if (WaitForSingleObject(done.get(), 120000) != WAIT_OBJECT_0)
            return 1;
        if (i > 0)
        {
            const double t = Now();
            CHECK(table->GetRowCount(0, &count));
            const double took = Now() - t;
            total += took;
            slowest = std::max(slowest, took);
            const double again = Now();
            CHECK(table->GetRowCount(0, &count));
            floor += Now() - again;
        }
        else
        {
            const double t = Now();
            CHECK(table->GetRowCount(0, &count)); // the writer's new message
            made = Now() - t;
        }
        if (i < p_iAppends)
            SetEvent(go.get());
    }
    std::printf("  a message another process made, seen         %10.3f ms\n", made * 1000.0);
    std::printf("  a message another process saved, seen        %10.3f ms (mean of %d, slowest %.3f ms)\n",
                total * 1000.0 / (p_iAppends ? p_iAppends : 1), p_iAppends, slowest * 1000.0);
    std::printf("  the same call with nothing new                %10.3f ms\n",
                floor * 1000.0 / (p_iAppends ? p_iAppends : 1));
    // The writer logs off once it made its folder: its last save is over before the clock starts.
    SetEvent(go.get());
    if (WaitForSingleObject(done.get(), 120000) != WAIT_OBJECT_0 ||
        WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0)
        return 1;
    const double folderStart = Now();
    com_ptr<IMAPITable> hierarchy;
    CHECK(inbox->GetHierarchyTable(0, hierarchy.put()));
    ULONG folders = 0;
    CHECK(hierarchy->GetRowCount(0, &folders));
    Report("a folder another process made, seen", folderStart);
    std::printf("    Inbox %lu -> %lu messages, %lu folders under it\n", before, count, folders);
    return count == before + 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    store_bench::UseLowFragmentationHeap();
    if (argc == 3 && std::string(argv[1]) == "--measure")
        return Measure(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--write")
        return Write(argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::string(argv[1]) == "--read")
        return Read(argv[2], std::atoi(argv[3]));
    // --appends N: a JSON store per size, and one process timing N messages another one saves.
    const bool bAppends = argc >= 6 && std::string(argv[3]) == "--appends";
    if (argc < 4 || (std::string(argv[3]) == "--appends" && !bAppends))
    {
        std::fprintf(stderr, "usage: mapibench DLL DIR [--appends N] COUNT...\n");
        return 2;
    }
    const std::string previous = store_bench::GetStoreFile();
    int status = 0;
    for (int i = bAppends ? 5 : 3; i < argc && status == 0; ++i)
    {
        const unsigned long count = std::strtoul(argv[i], nullptr, 10);
        const std::string path = std::string(argv[2]) + "\\mapibench-" + argv[i] + (bAppends ? ".json" : ".store");
        std::printf("%lu contacts (%s)\n", count, path.c_str());
        if (!(bAppends ? store_bench::SeedContactsJson(path, static_cast<uint32_t>(count))
                       : store_bench::SeedContactsSnapshot(path, static_cast<uint32_t>(count), true)) ||
            !store_bench::SetStoreFile(path))
            status = 1;
        else
            status = store_bench::RunChild((bAppends ? "--read \"" + std::string(argv[1]) + "\" " + argv[4]
                                                     : "--measure \"" + std::string(argv[1]) + "\""));
        std::fflush(stdout);
    }
    if (!previous.empty())
        (void)store_bench::SetStoreFile(previous);
    return status;
}
