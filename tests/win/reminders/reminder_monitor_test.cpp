// tests/win/reminders/reminder_monitor_test.cpp: the monitor thread's minute loop with a clock and
// a wait handed in: when each cycle runs, what window it looks at, and how stopping ends it.
#include "Addressbook/reminders/reminder_monitor_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
std::string Text(const CTraceTime& p_o)
{
    char buffer[40];
    snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d", p_o.m_iYear, p_o.m_iMonth, p_o.m_iDay,
             p_o.m_iHour, p_o.m_iMinute, p_o.m_iSecond);
    return buffer;
}
} // namespace

TEST(ReminderMonitor, MinutesAddAcrossDaysMonthsAndYearsAndTheWaitEndsASecondAfterTheMinute)
{
    EXPECT_EQ(Text(AddMinutes(CTraceTime{2027, 3, 2, 9, 43, 1, 0}, 2)), "2027-03-02 09:45:01");
    EXPECT_EQ(Text(AddMinutes(CTraceTime{2026, 12, 31, 23, 59, 30, 0}, 2)), "2027-01-01 00:01:30");
    EXPECT_EQ(Text(AddMinutes(CTraceTime{2028, 2, 28, 23, 58, 0, 0}, 2)), "2028-02-29 00:00:00");
    EXPECT_EQ(CycleTimeout(CTraceTime{2027, 3, 2, 9, 43, 1, 0}), 60000u);
    EXPECT_EQ(CycleTimeout(CTraceTime{2027, 3, 2, 9, 43, 59, 0}), 2000u);
    EXPECT_EQ(CycleTimeout(CTraceTime{2027, 3, 2, 9, 43, 0, 0}), 61000u);
}

TEST(ReminderMonitor, CyclesRunUntilStopAndTheThreadEndsOnce)
{
    std::mutex oLock;
    std::vector<std::string> vEvents;
    auto record = [&](const std::string& p_s) {
        const std::lock_guard<std::mutex> oGuard(oLock);
        vEvents.push_back(p_s);
    };
    std::atomic<int> iMinute{42};
    CReminderMonitorHooks oHooks;
    oHooks.m_fnClock = [&] { return CTraceTime{2027, 3, 2, 9, iMinute.load(), 1, 0}; };
    oHooks.m_fnThreadStart = [&] {
        record("start");
        return true;
    };
    oHooks.m_fnCycle = [&](const CTraceTime& p_oNow, const CTraceTime& p_oEnd) {
        record(Text(p_oNow) + " to " + Text(p_oEnd));
        if (iMinute == 43)
            throw std::runtime_error("a failing cycle ends only itself");
    };
    oHooks.m_fnThreadEnd = [&] { record("end"); };
    const unique_handle oThirdWait(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE hThirdWait = oThirdWait.get();
    oHooks.m_fnWaitStop = [&](HANDLE p_hStop, DWORD p_dwMilliseconds) {
        record("wait " + std::to_string(p_dwMilliseconds));
        if (++iMinute < 45)
            return false; // the minute went by
        SetEvent(hThirdWait);
        return WaitForSingleObject(p_hStop, 10000) == WAIT_OBJECT_0;
    };
    {
        CReminderMonitor oMonitor(oHooks);
        ASSERT_TRUE(oMonitor.Start());
        ASSERT_TRUE(oMonitor.Start()) << "starting twice does nothing";
        ASSERT_EQ(WaitForSingleObject(hThirdWait, 10000), WAIT_OBJECT_0);
        oMonitor.Stop();
        EXPECT_FALSE(oMonitor.Running());
        oMonitor.Stop();
    }
    EXPECT_EQ(vEvents, (std::vector<std::string>{"start", "2027-03-02 09:42:01 to 2027-03-02 09:44:01", "wait 60000",
                                                 "2027-03-02 09:43:01 to 2027-03-02 09:45:01", "wait 60000",
                                                 "2027-03-02 09:44:01 to 2027-03-02 09:46:01", "wait 60000", "end"}));
}

TEST(ReminderMonitor, AThreadThatCannotStartRunsNoCycleAndStillStops)
{
    std::atomic<int> iCycles{0};
    CReminderMonitorHooks oHooks;
    oHooks.m_fnThreadStart = [] { return false; };
    oHooks.m_fnCycle = [&](const CTraceTime&, const CTraceTime&) { ++iCycles; };
    CReminderMonitor oMonitor(oHooks);
    ASSERT_TRUE(oMonitor.Start());
    oMonitor.Stop();
    EXPECT_EQ(iCycles.load(), 0);
}
