// Addressbook/reminders/reminder_monitor_win.cpp: the reminder monitor's thread and its minute loop.
#include "Addressbook/reminders/reminder_monitor_win.h"

#include "Addressbook/reminders/recurrence.h"
#include "common/boundary.h"
#include "common/error_slot.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <utility>

CTraceTime AddMinutes(const CTraceTime& p_oTime, int64_t p_iMinutes)
{
    const int64_t minutes =
        MinutesAt(CCivilDate{p_oTime.m_iYear, p_oTime.m_iMonth, p_oTime.m_iDay}, p_oTime.m_iHour, p_oTime.m_iMinute) +
        p_iMinutes;
    const int64_t day = minutes / kMinutesPerDay;
    const CCivilDate date = DateOfDay(day);
    CTraceTime out = p_oTime;
    out.m_iYear = date.m_iYear;
    out.m_iMonth = date.m_iMonth;
    out.m_iDay = date.m_iDay;
    out.m_iHour = static_cast<int>((minutes - day * kMinutesPerDay) / 60);
    out.m_iMinute = static_cast<int>(minutes % 60);
    return out;
}

DWORD CycleTimeout(const CTraceTime& p_oNow)
{
    return static_cast<DWORD>(61 - p_oNow.m_iSecond) * 1000;
}

CReminderMonitor::CReminderMonitor(CReminderMonitorHooks p_oHooks) : m_oHooks(std::move(p_oHooks))
{
    if (!m_oHooks.m_fnWaitStop)
        m_oHooks.m_fnWaitStop = [](HANDLE p_hStop, DWORD p_dwMilliseconds) {
            return WaitForSingleObject(p_hStop, p_dwMilliseconds) != WAIT_TIMEOUT;
        };
}

CReminderMonitor::~CReminderMonitor()
{
    Stop();
}

bool CReminderMonitor::Start()
{
    if (m_hThread)
        return true;
    m_hStop.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    m_hDone.reset(LOG_IF_WIN32_BOOL_FALSE(CreateEventA(nullptr, TRUE, FALSE, nullptr)));
    if (!m_hStop || !m_hDone)
        return false;
    DWORD dwId = 0;
    m_hThread.reset(LOG_IF_WIN32_BOOL_FALSE(CreateThread(nullptr, 0, &ThreadMain, this, 0, &dwId)));
    return static_cast<bool>(m_hThread);
}

void CReminderMonitor::Stop()
{
    if (!m_hThread)
        return;
    (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(m_hStop.get()));
    if (WaitForSingleObject(m_hDone.get(), INFINITE) != WAIT_OBJECT_0)
        LOG_FAILURE("waiting for the monitor's done event failed");
    DWORD dwCode = STILL_ACTIVE;
    while (LOG_IF_WIN32_BOOL_FALSE(GetExitCodeThread(m_hThread.get(), &dwCode)) && dwCode == STILL_ACTIVE)
        Sleep(10);
    m_hThread.reset();
    m_hStop.reset();
    m_hDone.reset();
}

DWORD WINAPI CReminderMonitor::ThreadMain(void* p_pThis)
{
    auto* pThis = static_cast<CReminderMonitor*>(p_pThis);
    const DWORD dwResult = TrapExceptions("CReminderMonitor::ThreadMain", DWORD(1), [&]() -> DWORD {
        pThis->Run();
        return 0;
    });
    // The done event is set even when a cycle threw: Stop waits for it without limit.
    (void)LOG_IF_WIN32_BOOL_FALSE(SetEvent(pThis->m_hDone.get()));
    return dwResult;
}

void CReminderMonitor::Run()
{
    if (m_oHooks.m_fnThreadStart && !m_oHooks.m_fnThreadStart())
        return;
    for (;;)
    {
        const CTraceTime now = m_oHooks.m_fnClock();
        const DWORD dwTimeout = CycleTimeout(now);
        TrapExceptions("CReminderMonitor::Cycle", 0, [&]() -> int {
            // Nobody watches a cycle: a failure it reports goes to the log, never to a box.
            const CQuietErrors quiet;
            if (m_oHooks.m_fnCycle)
                m_oHooks.m_fnCycle(now, AddMinutes(now, 2));
            return 0;
        });
        if (m_oHooks.m_fnWaitStop(m_hStop.get(), dwTimeout))
            break;
    }
    if (m_oHooks.m_fnThreadEnd)
        m_oHooks.m_fnThreadEnd();
}
