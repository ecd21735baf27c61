// Addressbook/reminders/reminder_purge_win.cpp: PurgeRemindersUntil over the library's thread
// values, and the reminder monitor's exports: the marshalled session and dispatch, ThreadInit on
// the monitor thread, and one cycle a minute.
#include "Addressbook/reminders/reminder_purge_win.h"

#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/final_sms.h"
#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/reminders/reminder_monitor_win.h"
#include "Addressbook/reminders/reminder_store_win.h"
#include "Addressbook/sending/email_sender.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <memory>
#include <mutex>

namespace
{
constexpr uint32_t kReminderJobOptions = 0x1C000;
constexpr IID kIidMapiSession = {0x00020300, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::mutex g_oClockLock;
LocalClock g_fnClock = LocalTimeNow;

// The reminder folder, found (or made) once per session: kept with the store it belongs to, so a
// library started again over another profile looks again.
std::mutex g_oFolderLock;
CEntryBytes g_vReminderFolderStore;
CEntryBytes g_vReminderFolder;

[[nodiscard]] HRESULT ReminderFolder(IMsgStore* p_pStore, CEntryBytes& p_vFolder)
{
    const std::lock_guard<std::mutex> oLock(g_oFolderLock);
    const CLibrary& library = Library();
    const CEntryBytes vStore = library.m_p_oExMapi ? library.m_p_oExMapi->DefaultStoreEntryId() : CEntryBytes();
    if (g_vReminderFolder.empty() || vStore != g_vReminderFolderStore)
    {
        g_vReminderFolder.clear();
        if (library.m_p_oExMapi && !library.m_p_oExMapi->ReminderFolderEntryId().empty())
            g_vReminderFolder = library.m_p_oExMapi->ReminderFolderEntryId();
        else if (FAILED(GetOwnReminderFolder(p_pStore, g_vReminderFolder)))
            return E_FAIL;
        g_vReminderFolderStore = vStore;
    }
    p_vFolder = g_vReminderFolder;
    return S_OK;
}

CDeliveryTime DeliveryTimeOf(const CTraceTime& p_oTime)
{
    CDeliveryTime t = DeliveryTimeOfMinutes(LocalSecondsOf(p_oTime) / 60);
    t.m_wSecond = static_cast<uint16_t>(p_oTime.m_iSecond);
    return t;
}

[[nodiscard]] HRESULT SendReminderJob(HWND p_hOwner, HWND p_hProgress, const std::vector<CReminderSMS>& p_vList,
                                      const CTraceTime& p_oNow)
{
    CFinalSMSList* pJob = NewReminderJob(p_vList);
    if (!pJob)
        return -1;
    const CDeliveryTime stEnd = DeliveryTimeOf(p_oNow);
    int iResult = 0;
    const int sent = SendBulkSMS(p_hOwner, nullptr, pJob, nullptr, kReminderJobOptions, nullptr, &stEnd, p_hProgress,
                                 nullptr, nullptr, nullptr, &iResult);
    DestroyFinalSMSList(pJob);
    if (!sent || iResult != kSendSuccess)
    {
        LOG_FAILURE("the reminder job was not sent (result %d)", iResult);
        return -1;
    }
    return S_OK;
}

// The one monitor of the process.
std::mutex g_oMonitorLock;
std::unique_ptr<CReminderMonitor> g_p_oMonitor;

// What the monitor thread keeps from its start to its end.
struct CMonitorThread
{
    com_ptr<IStream> m_pSessionStream;
    com_ptr<IStream> m_pApplicationStream;
    com_ptr<IUnknown> m_pSession;
    com_ptr<IDispatch> m_pApplication;
    bool m_bThreadInit = false;
};

bool EnterMonitorThread(CMonitorThread& p_oThread)
{
    if (FAILED(LOG_IF_FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))))
        return false;
    // CoGetInterfaceAndReleaseStream releases the stream whatever it returns; a failure leaves
    // the thread without that interface.
    if (p_oThread.m_pSessionStream)
        (void)LOG_IF_FAILED(CoGetInterfaceAndReleaseStream(p_oThread.m_pSessionStream.detach(), kIidMapiSession,
                                                           p_oThread.m_pSession.put_void()));
    if (p_oThread.m_pApplicationStream)
        (void)LOG_IF_FAILED(CoGetInterfaceAndReleaseStream(p_oThread.m_pApplicationStream.detach(), IID_IDispatch,
                                                           p_oThread.m_pApplication.put_void()));
    p_oThread.m_bThreadInit =
        ThreadInit(reinterpret_cast<IMAPISession*>(p_oThread.m_pSession.get()), p_oThread.m_pApplication.get()) == 1;
    if (!p_oThread.m_bThreadInit)
        LOG_FAILURE("ThreadInit failed");
    return true;
}

void LeaveMonitorThread(CMonitorThread& p_oThread)
{
    p_oThread.m_pSession.reset();
    p_oThread.m_pApplication.reset();
    if (p_oThread.m_bThreadInit && ThreadUninit() != 1)
        LOG_FAILURE("ThreadUninit failed");
    CoUninitialize();
}

void RunCycle(const CTraceTime& p_oEnd)
{
    int iCount = 0;
    const HRESULT hr =
        PurgeRemindersUntil(GetDesktopWindow(), false, nullptr, LocalSecondsOf(p_oEnd), &iCount, false, false);
    if (FAILED(hr))
        LogCallFailure(__PRETTY_FUNCTION__, "PurgeRemindersUntil", EResultKind::HResult, static_cast<uint32_t>(hr));
}

// The session and dispatch of the calling thread, marshalled for the monitor thread.
std::shared_ptr<CMonitorThread> MarshalForMonitor(IDispatch* p_pApplication)
{
    auto oThread = std::make_shared<CMonitorThread>();
    if (IMAPISession* pSession = Library().m_oThreadValues.Session())
        (void)LOG_IF_FAILED(CoMarshalInterThreadInterfaceInStream(
            kIidMapiSession, reinterpret_cast<IUnknown*>(pSession), oThread->m_pSessionStream.put()));
    else
        Log("StartReminderMonitor: the calling thread has no MAPI session");
    if (p_pApplication)
        (void)LOG_IF_FAILED(
            CoMarshalInterThreadInterfaceInStream(IID_IDispatch, p_pApplication, oThread->m_pApplicationStream.put()));
    return oThread;
}
} // namespace

void SetReminderClock(LocalClock p_fnClock)
{
    const std::lock_guard<std::mutex> oLock(g_oClockLock);
    g_fnClock = p_fnClock ? std::move(p_fnClock) : LocalClock(LocalTimeNow);
}

CTraceTime ReminderNow()
{
    LocalClock fnClock;
    {
        const std::lock_guard<std::mutex> oLock(g_oClockLock);
        fnClock = g_fnClock;
    }
    return fnClock();
}

HRESULT PurgeRemindersUntil(HWND p_hOwner, bool p_bSendAgain, HWND p_hProgress, int64_t p_iEndSeconds, int* p_piCount,
                            bool p_bInAdvance, bool p_bForced)
{
    if (p_piCount)
        *p_piCount = 0;
    CLibrary& library = Library();
    IMsgStore* pStore = library.m_oThreadValues.MessageStore();
    if (!library.m_oThreadValues.Session() || !pStore)
    {
        LOG_FAILURE("Error: MAPI session not defined in this thread");
        return E_FAIL;
    }
    CEntryBytes vFolder;
    if (FAILED(ReminderFolder(pStore, vFolder)))
        return E_FAIL;
    const CLocalSender oSender = ReadLocalSender(library.m_oRegistry);
    const CTraceTime now = ReminderNow();
    const CReminderCycle oCycle{LocalSecondsOf(now), p_iEndSeconds, p_bSendAgain, p_bInAdvance};
    std::vector<CReminderSMS> vList;
    std::vector<CReminderMark> vMarks;
    const HRESULT hr = GetReminderSMSList(pStore, library.m_oThreadValues.AddressBook(), vFolder, oCycle,
                                          CReminderUser{oSender.m_sName, oSender.m_sPhone}, vList, &vMarks);
    if (FAILED(hr))
    {
        LOG_FAILURE("GetReminderSMSList() failed 0x%08X", static_cast<unsigned>(hr));
        return hr;
    }
    if (p_piCount)
        *p_piCount = static_cast<int>(vList.size());
    Log("PurgeRemindersUntil: %u reminder SMS", static_cast<unsigned>(vList.size()));
    if (!vList.empty() || p_bForced)
    {
        // The marks follow the job: a job that did not leave keeps its reminders due, so the next
        // cycle (or the monitor, after a failed Reminder Sync) sends them.
        const HRESULT hrSend = SendReminderJob(p_hOwner, p_hProgress, vList, now);
        if (FAILED(hrSend))
            return hrSend;
    }
    if (const size_t nFailed = WriteReminderMarks(pStore, vMarks))
        LOG_FAILURE("%u of %u marks not written", static_cast<unsigned>(nFailed), static_cast<unsigned>(vMarks.size()));
    return S_OK;
}

extern "C"
{
    int CORVANE_API StartReminderMonitor(IDispatch* p_pApplication)
    {
        return TrapExceptions("StartReminderMonitor", 0, [&]() -> int {
            if (Library().Package() != kPackageOutlook)
                return 1;
            const std::lock_guard<std::mutex> oLock(g_oMonitorLock);
            if (g_p_oMonitor)
                return 1;
            std::shared_ptr<CMonitorThread> oThread = MarshalForMonitor(p_pApplication);
            CReminderMonitorHooks oHooks;
            oHooks.m_fnClock = ReminderNow;
            oHooks.m_fnThreadStart = [oThread] { return EnterMonitorThread(*oThread); };
            oHooks.m_fnCycle = [](const CTraceTime&, const CTraceTime& p_oEnd) { RunCycle(p_oEnd); };
            oHooks.m_fnThreadEnd = [oThread] { LeaveMonitorThread(*oThread); };
            auto oMonitor = std::make_unique<CReminderMonitor>(std::move(oHooks));
            if (!oMonitor->Start())
                return 1;
            g_p_oMonitor = std::move(oMonitor);
            Log("StartReminderMonitor: the monitor runs");
            return 1;
        });
    }

    int CORVANE_API StopReminderMonitor()
    {
        return TrapExceptions("StopReminderMonitor", 0, [&]() -> int {
            std::unique_ptr<CReminderMonitor> oMonitor;
            {
                const std::lock_guard<std::mutex> oLock(g_oMonitorLock);
                oMonitor = std::move(g_p_oMonitor);
            }
            if (oMonitor)
                oMonitor->Stop();
            return 1;
        });
    }
}
