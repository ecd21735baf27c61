// Addressbook/reminders/reminder_monitor_win.h: the reminder monitor's thread: a cycle one second
// after every full minute until it is stopped. What a cycle does, how the thread starts and ends,
// the clock and the wait are handed in, so the loop runs the same under tests.
#pragma once

#include "common/clock.h"
#include "common/handle_win.h"

#include <windows.h>

#include <cstdint>
#include <functional>

struct CReminderMonitorHooks
{
    LocalClock m_fnClock = LocalTimeNow;
    // On the monitor thread before the first cycle; false ends the thread at once.
    std::function<bool()> m_fnThreadStart;
    // One cycle: the reminders due strictly between p_oNow and p_oEnd (p_oNow + 2 minutes).
    std::function<void(const CTraceTime& p_oNow, const CTraceTime& p_oEnd)> m_fnCycle;
    // On the monitor thread after the last cycle.
    std::function<void()> m_fnThreadEnd;
    // Waits for the stop event at most p_dwMilliseconds; true when it was set.
    std::function<bool(HANDLE p_hStop, DWORD p_dwMilliseconds)> m_fnWaitStop;
};

class CReminderMonitor
{
  public:
    explicit CReminderMonitor(CReminderMonitorHooks p_oHooks);
    ~CReminderMonitor();
    CReminderMonitor(const CReminderMonitor&) = delete;
    CReminderMonitor& operator=(const CReminderMonitor&) = delete;

    // Starts the thread; false when it could not be made.
    [[nodiscard]] bool Start();
    // Sets the stop event, waits for the thread's "done" event, then until the thread has ended.
    void Stop();
    bool Running() const
    {
        return static_cast<bool>(m_hThread);
    }

  private:
    static DWORD WINAPI ThreadMain(void* p_pThis);
    void Run();

    CReminderMonitorHooks m_oHooks;
    unique_handle m_hStop;
    unique_handle m_hDone;
    unique_handle m_hThread;
};

// p_oTime moved by p_iMinutes (seconds kept), across days, months and years.
CTraceTime AddMinutes(const CTraceTime& p_oTime, int64_t p_iMinutes);
// How long a cycle that ran at p_oNow waits: until one second after the next full minute.
DWORD CycleTimeout(const CTraceTime& p_oNow);
