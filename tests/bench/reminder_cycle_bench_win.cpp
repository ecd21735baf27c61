// tests/bench/reminder_cycle_bench_win.cpp: reminder_cycle_bench.exe, a timing tool (not a test): for
// each size, a store whose calendar holds that many SMS appointments (a third of them recurring, with
// deleted and moved occurrences) and, in a fresh process, what the store's reminder folder table
// costs alone, one monitor cycle over it (the series read and expanded, then its marks written) and a
// second one that finds everything marked; the time per item is printed, so a flat cost shows as
// equal figures.
//   reminder_cycle_bench DLL DIR COUNT...   (DLL: the MAPI stand-in; DIR: where the store files go)
#include <windows.h>
#include <mapicode.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapix.h>

#include "Addressbook/reminders/reminder_store_win.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "standins/mapi/tool/store_bench_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace
{
using store_bench::Now;

// The published weekly example with its moved occurrence (see tests/win/reminders/reminder_seed.py).
const char kWeeklyWithException[] =
    "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000A096BC0C"
    "8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C11002200210053696D706C652052"
    "6563757272656E6365207769746820657863657074696F6E730800070033342F34313431000000000400000000000000000000"
    "003499BC0C5299BC0CF898BC0C2100530069006D0070006C006500200052006500630075007200720065006E0063006500200077"
    "00690074006800200065007800630065007000740069006F006E0073000700330034002F00340031003400310000000000000000"
    "00";

std::string Hex32(uint32_t p_v)
{
    char b[9];
    std::snprintf(b, sizeof(b), "%02X%02X%02X%02X", p_v & 0xFF, (p_v >> 8) & 0xFF, (p_v >> 16) & 0xFF, p_v >> 24);
    return b;
}

// A daily series from 2027-03-01 at p_iMinute past midnight with three deleted days.
std::string DailyBlob(uint32_t p_uMinute)
{
    const uint32_t first = static_cast<uint32_t>(MinutesAt(CCivilDate{2027, 3, 1}, 0, 0));
    // Reader versions, daily, by day, Gregorian; first date time, a period of a day, no sliding.
    std::string s = "04300430"
                    "0A20"
                    "0000"
                    "0000" +
                    Hex32(0) + Hex32(1440) + Hex32(0);
    s += Hex32(0x2023) + Hex32(10) + Hex32(0) + Hex32(3);
    for (uint32_t d : {2u, 5u, 9u})
        s += Hex32(first + d * 1440);
    s += Hex32(0) + Hex32(first) + Hex32(0x5AE980DF) + Hex32(0x3006) + Hex32(0x3008) + Hex32(p_uMinute) +
         Hex32(p_uMinute + 30) + "0000" + Hex32(0) + Hex32(0);
    return s;
}

std::string Named(const char* p_szSet, int p_iLid, const char* p_szType, const std::string& p_sValue)
{
    return std::string("{\"guid\":\"") + p_szSet + "\",\"lid\":" + std::to_string(p_iLid) + ",\"type\":\"" + p_szType +
           "\",\"value\":" + p_sValue + "}";
}

[[nodiscard]] bool WriteStore(const std::string& p_sPath, int p_iCount)
{
    std::ofstream f(p_sPath, std::ios::binary);
    f << "{\"profile\":\"Outlook\",\"stores\":[{\"name\":\"Personal Folders\",\"default\":true,\"root\":{\"folders\":"
         "[{\"role\":\"ipm_subtree\",\"name\":\"Top of Personal Folders\",\"folders\":[{\"name\":\"Inbox\",\"class\":"
         "\"IPF.Note\",\"role\":\"inbox\"},{\"name\":\"Calendar\",\"class\":\"IPF.Appointment\",\"role\":\"calendar\","
         "\"messages\":[";
    for (int i = 0; i < p_iCount; ++i)
    {
        // Single items spread over the year at every minute of the day; a third recur.
        const int day = 1 + i % 28, month = 1 + (i / 28) % 12, minute = (i * 7) % 1440;
        char start[32];
        std::snprintf(start, sizeof(start), "\"2027-%02d-%02dT%02d:%02d:00Z\"", month, day, minute / 60, minute % 60);
        const int recur = i % 3 == 0 ? (i % 2 ? 2 : 1) : 0;
        f << (i ? "," : "") << "{\"props\":[{\"tag\":\"PR_MESSAGE_CLASS\",\"value\":"
          << "\"IPM.Appointment.SMSAppointmentFormRemYesAttNo\"},{\"tag\":\"PR_SUBJECT\",\"value\":\"Item " << i
          << "\"},{\"guid\":\"PS_PUBLIC_STRINGS\",\"name\":\"MustSendSMSReminder\",\"type\":\"PT_BOOLEAN\",\"value\":"
             "true},"
          << Named("PSETID_Common", 0x8501, "PT_LONG", "15") << ","
          << Named("PSETID_Common", 0x8502, "PT_SYSTIME", start) << ","
          << Named("PSETID_Common", 0x8503, "PT_BOOLEAN", "true") << ","
          << Named("PSETID_Appointment", 0x8231, "PT_LONG", std::to_string(recur));
        if (recur)
            f << ","
              << Named("PSETID_Appointment", 0x8216, "PT_BINARY",
                       "\"" + (recur == 1 ? DailyBlob(static_cast<uint32_t>(minute)) : kWeeklyWithException) + "\"");
        f << "]}";
    }
    f << "]}]}]}}]}\n";
    return static_cast<bool>(f);
}

// This process's processor time in seconds: the figure that other work on a shared machine does
// not inflate, printed beside the elapsed time.
double CpuNow()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto value = [](const FILETIME& p_ft) {
        return static_cast<double>((static_cast<uint64_t>(p_ft.dwHighDateTime) << 32) | p_ft.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
}

// One step's line: elapsed and processor time, each per item.
struct CStep
{
    double m_dStart = Now(), m_dCpuStart = CpuNow();
    void Print(const char* p_szWhat, int p_iCount, size_t p_nResult, const char* p_szResult) const
    {
        const double ms = (Now() - m_dStart) * 1000.0, msCpu = (CpuNow() - m_dCpuStart) * 1000.0;
        std::printf("  %-28s %9.1f ms, %7.2f us per item; cpu %9.1f ms, %7.2f us per item; %zu %s\n", p_szWhat, ms,
                    ms * 1000.0 / p_iCount, msCpu, msCpu * 1000.0 / p_iCount, p_nResult, p_szResult);
    }
};

int Measure(const std::string& p_sDll, int p_iCount)
{
    HMODULE h = LoadLibraryA(p_sDll.c_str());
    store_bench::CMapiFunctions fns;
    if (!h || !fns.Bind(h))
        return 1;
    SetMapiFreeFunctions({fns.m_pfnFree, fns.m_pfnFreeProws, nullptr});
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    double t = Now();
    com_ptr<IMAPISession> session;
    if (FAILED(fns.m_pfnInit(nullptr)) ||
        FAILED(fns.m_pfnLogon(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, session.put())))
        return 1;
    com_ptr<IMAPITable> stores;
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    LPSRowSet rows = nullptr;
    com_ptr<IMsgStore> store;
    if (FAILED(session->GetMsgStoresTable(0, stores.put())) ||
        FAILED(stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)) ||
        FAILED(stores->QueryRows(1, 0, &rows)) || !rows || rows->cRows != 1)
        return 1;
    const SBinary& eid = rows->aRow[0].lpProps[0].Value.bin;
    const HRESULT hrOpen = session->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr,
                                                 MAPI_BEST_ACCESS | MDB_WRITE | MDB_NO_DIALOG, store.put());
    fns.m_pfnFreeProws(rows);
    CEntryBytes folder;
    if (FAILED(hrOpen) || FAILED(GetOwnReminderFolder(store.get(), folder)))
        return 1;
    store_bench::Report("logon, store and reminder folder", t);
    // 09:43:01 on 2027-03-01: every series is expanded; a few daily ones fall due.
    const int64_t now = LocalSecondsOf(CTraceTime{2027, 3, 1, 9, 43, 1, 0});
    CReminderTags tags;
    com_ptr<IMAPIFolder> reminders;
    ULONG type = 0;
    if (FAILED(ResolveReminderTags(store.get(), tags)) ||
        FAILED(store->OpenEntry(static_cast<ULONG>(folder.size()), reinterpret_cast<LPENTRYID>(folder.data()), nullptr,
                                MAPI_BEST_ACCESS, &type, reinterpret_cast<IUnknown**>(reminders.put()))))
        return 1;
    // What the store alone costs: the reminder folder's rows counted, which builds its table.
    const CStep rowsStep;
    com_ptr<IMAPITable> rowsOnly;
    ULONG rowCount = 0;
    if (FAILED(reminders->GetContentsTable(0, rowsOnly.put())) || FAILED(rowsOnly->GetRowCount(0, &rowCount)))
        return 1;
    rowsStep.Print("reminder folder's rows", p_iCount, rowCount, "rows");
    rowsOnly.reset();
    // The series as a cycle reads them: the table's rows, the blobs, the items opened.
    const CStep seriesStep;
    std::vector<std::unique_ptr<CReminderSeries>> series;
    if (FAILED(
            GetRecurrentRemindersStructForPeriod(store.get(), nullptr, reminders.get(), tags, series, now, now + 120)))
        return 1;
    seriesStep.Print("series read", p_iCount, series.size(), "series");
    // As the monitor runs it: the cycle's list, then its marks once the job has left.
    for (const char* what : {"first cycle", "second cycle (all marked)"})
    {
        std::vector<CReminderSMS> list;
        std::vector<CReminderMark> marks;
        const CStep cycleStep;
        if (FAILED(GetReminderSMSList(store.get(), nullptr, folder, CReminderCycle{now, now + 120, false, false},
                                      CReminderUser{"Me", "+447700900100"}, list, &marks)))
            return 1;
        cycleStep.Print(what, p_iCount, list.size(), "SMS");
        const CStep marksStep;
        if (WriteReminderMarks(store.get(), marks) != 0)
            return 1;
        // Per item here means per mark: what one save costs.
        marksStep.Print("  its marks written", static_cast<int>(std::max<size_t>(1, marks.size())), marks.size(),
                        "marks");
    }
    // A small store's cycle takes a few ticks of the processor clock: the marked cycle is run again
    // until 30,000 items have been walked, so every size is timed over as many items.
    const int repeats = std::max(1, 30000 / std::max(1, p_iCount));
    const CStep repeatStep;
    size_t sent = 0;
    for (int i = 0; i < repeats; ++i)
    {
        std::vector<CReminderSMS> list;
        std::vector<CReminderMark> marks;
        if (FAILED(GetReminderSMSList(store.get(), nullptr, folder, CReminderCycle{now, now + 120, false, false},
                                      CReminderUser{"Me", "+447700900100"}, list, &marks)))
            return 1;
        sent += list.size();
    }
    char what[64];
    std::snprintf(what, sizeof what, "marked cycle, %d runs", repeats);
    repeatStep.Print(what, p_iCount * repeats, sent, "SMS");
    store.reset();
    session->Logoff(0, 0, 0);
    session.reset();
    fns.m_pfnUninit();
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    store_bench::UseLowFragmentationHeap();
    if (argc == 4 && std::string(argv[1]) == "--measure")
        return Measure(argv[2], std::atoi(argv[3]));
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: reminder_cycle_bench DLL DIR COUNT...\n");
        return 2;
    }
    const std::string saved = store_bench::GetStoreFile();
    int status = 0;
    for (int i = 3; i < argc && status == 0; ++i)
    {
        const std::string path = std::string(argv[2]) + "\\reminders-" + argv[i] + ".json";
        std::printf("%s calendar items\n", argv[i]);
        if (!WriteStore(path, std::atoi(argv[i])) || !store_bench::SetStoreFile(path))
            return 1;
        status = store_bench::RunChild("--measure \"" + std::string(argv[1]) + "\" " + argv[i]);
        std::fflush(stdout);
    }
    (void)store_bench::SetStoreFile(saved);
    return status;
}
