// tests/unit/reminders/reminder_series_test.cpp: which reminders a monitor cycle finds due, the
// mark that keeps them from going twice, and the texts of the SMS.
#include "Addressbook/reminders/reminder_series.h"

#include <gtest/gtest.h>

namespace
{
int64_t Minute(int p_iHour, int p_iMinute, int p_iDay = 9)
{
    return MinutesAt(CCivilDate{2026, 12, p_iDay}, p_iHour, p_iMinute);
}

int64_t Second(int p_iHour, int p_iMinute, int p_iSecond, int p_iDay = 9)
{
    return Minute(p_iHour, p_iMinute, p_iDay) * 60 + p_iSecond;
}

// A monitor cycle at the given time: its end is two minutes later.
CDueReminders Cycle(const CReminderSeries& p_oSeries, int p_iHour, int p_iMinute, int p_iSecond, int p_iDay = 9,
                    bool p_bSendAgain = false)
{
    const int64_t now = Second(p_iHour, p_iMinute, p_iSecond, p_iDay);
    return DueReminders(p_oSeries, now, now + 120, p_bSendAgain);
}

CReminderSeries Meeting(int64_t p_iStart, int32_t p_iOffset)
{
    CReminderSeries s;
    s.m_sSubject = "Budget";
    s.m_sLocation = "Room 4";
    s.m_sOrganizer = "Ann Lee";
    s.m_iStart = p_iStart;
    s.m_iOffset = p_iOffset;
    s.m_bMustSend = true;
    return s;
}

// A daily series at 10:00 from 2026-12-07 on, with its exceptions.
CReminderSeries DailyMeeting(std::vector<CRecurrenceException> p_vExceptions, std::vector<int64_t> p_vDeleted)
{
    CReminderSeries s = Meeting(0, 15);
    CRecurrence r;
    r.m_dwPeriod = 1440;
    r.m_iStartDate = Minute(0, 0, 7);
    r.m_iEndDate = 0x5AE980DF - 0x5AE980DF % 1440;
    r.m_iStartOffset = 600;
    r.m_vDeleted = std::move(p_vDeleted);
    r.m_vExceptions = std::move(p_vExceptions);
    s.m_iRecurrenceType = 1;
    s.m_oRecurrence = std::move(r);
    return s;
}

const char* Month(int p_iMonth)
{
    return ReminderMonthName(p_iMonth);
}
} // namespace

TEST(DueReminders, AReminderGoesOutInTheCycleThatPrecedesItAndOnlyOnce)
{
    CReminderSeries s = Meeting(Minute(10, 0), 15); // reminder at 09:45:00
    EXPECT_TRUE(Cycle(s, 9, 42, 1).m_vDue.empty()) << "09:45:00 is not before 09:44:01";
    const CDueReminders due = Cycle(s, 9, 43, 1);
    ASSERT_EQ(due.m_vDue.size(), 1u);
    EXPECT_EQ(due.m_vDue[0].ReminderTime(), Minute(9, 45));
    ASSERT_TRUE(MarkToWrite(s, due));
    EXPECT_EQ(*MarkToWrite(s, due), Minute(10, 0)) << "the mark is the occurrence's start";

    s.m_iMarkDate = Minute(10, 0);
    const CDueReminders again = Cycle(s, 9, 44, 1);
    EXPECT_TRUE(again.m_vDue.empty());
    EXPECT_EQ(again.m_nHeldBack, 1u);
    EXPECT_EQ(Cycle(s, 9, 44, 1, 9, true).m_vDue.size(), 1u) << "the send-again flag ignores the mark";

    EXPECT_FALSE(MarkToWrite(s, Cycle(s, 9, 44, 1, 9, true)))
        << "sending again does not save an item whose mark would not change";
    s.m_iMarkDate = Minute(11, 0);
    EXPECT_FALSE(MarkToWrite(s, Cycle(s, 9, 43, 1, 9, true))) << "a later stored mark is never moved back";
}

TEST(DueReminders, AReminderThatPassedWhileTheComputerWasOffIsNotSent)
{
    const CReminderSeries s = Meeting(Minute(10, 0), 15);
    EXPECT_TRUE(Cycle(s, 9, 50, 1).m_vDue.empty());
    EXPECT_TRUE(Cycle(s, 9, 45, 0).m_vDue.empty()) << "strictly after now";
}

TEST(DueReminders, ADailySeriesIsRemindedOncePerOccurrence)
{
    CReminderSeries s = DailyMeeting({}, {});
    int sent = 0;
    for (int day = 8; day <= 10; ++day)
        for (int minute = 40; minute < 50; ++minute)
        {
            const CDueReminders due = Cycle(s, 9, minute, 1, day);
            sent += static_cast<int>(due.m_vDue.size());
            if (const std::optional<int64_t> mark = MarkToWrite(s, due))
                s.m_iMarkDate = *mark;
        }
    EXPECT_EQ(sent, 3);
    EXPECT_EQ(s.m_iMarkDate.value_or(0), Minute(10, 0, 10));
}

TEST(DueReminders, AMovedOccurrenceIsRemindedAtItsNewTimeAndADeletedOneNotAtAll)
{
    CRecurrenceException moved;
    moved.m_iOriginalStart = Minute(10, 0, 9);
    moved.m_iStart = Minute(14, 0, 9);
    moved.m_iEnd = Minute(14, 30, 9);
    moved.m_sSubject = "Budget (moved)";
    moved.m_iReminderDelta = 30;
    CRecurrenceException silent;
    silent.m_iOriginalStart = Minute(10, 0, 11);
    silent.m_iStart = Minute(10, 0, 11);
    silent.m_bReminderSet = false;
    const CReminderSeries s = DailyMeeting({moved, silent}, {Minute(0, 0, 9), Minute(0, 0, 10), Minute(0, 0, 11)});

    EXPECT_TRUE(Cycle(s, 9, 43, 1, 9).m_vDue.empty()) << "the old time of the moved occurrence";
    const CDueReminders due = Cycle(s, 13, 28, 1, 9);
    ASSERT_EQ(due.m_vDue.size(), 1u);
    EXPECT_EQ(due.m_vDue[0].m_iStart, Minute(14, 0, 9));
    EXPECT_EQ(due.m_vDue[0].m_iOffset, 30);
    EXPECT_EQ(due.m_vDue[0].m_sSubject, "Budget (moved)");
    EXPECT_EQ(due.m_vDue[0].m_sLocation, "Room 4");
    EXPECT_TRUE(Cycle(s, 9, 43, 1, 10).m_vDue.empty()) << "deleted";
    EXPECT_TRUE(Cycle(s, 9, 43, 1, 11).m_vDue.empty()) << "its reminder was switched off";
    EXPECT_EQ(Cycle(s, 9, 43, 1, 12).m_vDue.size(), 1u);
}

TEST(DueReminders, ReminderSyncFindsEveryOccurrenceUpToItsEnd)
{
    const CReminderSeries s = DailyMeeting({}, {Minute(0, 0, 12)});
    const CDueReminders due = DueReminders(s, Second(8, 0, 0), Second(23, 59, 59, 15), true);
    ASSERT_EQ(due.m_vDue.size(), 6u); // the 9th to the 15th less the 12th
    EXPECT_EQ(due.m_vDue.front().ReminderTime(), Minute(9, 45, 9));
    EXPECT_EQ(due.m_vDue.back().m_iStart, Minute(10, 0, 15));
}

TEST(ReminderText, TasksAndAppointmentsReadAsTheUserExpects)
{
    CReminderSeries task = Meeting(Minute(0, 30), 0);
    task.m_eKind = EReminderKind::Task;
    task.m_sSubject = "Call the bank";
    CDueReminder due{task.m_iStart, 0, task.m_sSubject, task.m_sLocation, &task};
    EXPECT_EQ(ReminderText(due, Month),
              "You have a task reminder for 9 December 2026  0:30:00 AM.\nSubject: Call the bank");
    due.m_iStart = Minute(12, 30);
    due.m_sSubject.clear();
    EXPECT_EQ(ReminderText(due, Month), "You have a task reminder for 9 December 2026 12:30:00 PM.");

    const CReminderSeries meeting = Meeting(MinutesAt(CCivilDate{2027, 3, 1}, 15, 5), 15);
    CDueReminder appointment{meeting.m_iStart, 15, meeting.m_sSubject, meeting.m_sLocation, &meeting};
    EXPECT_EQ(ReminderText(appointment, Month),
              "You have an appointment for 1 March 2027  3:05:00 PM created by Ann Lee.\nSubject: Budget\nLocation: "
              "Room 4");
    CReminderSeries bare = meeting;
    bare.m_sOrganizer.clear();
    appointment = CDueReminder{bare.m_iStart, 15, "", "", &bare};
    EXPECT_EQ(ReminderText(appointment, Month), "You have an appointment for 1 March 2027  3:05:00 PM");
}

TEST(ReminderText, MonthNamesAndNumberListsComeOutWhole)
{
    EXPECT_STREQ(ReminderMonthName(1), "January");
    EXPECT_STREQ(ReminderMonthName(12), "December");
    EXPECT_STREQ(ReminderMonthName(13), "");
    EXPECT_EQ(SplitReminderNumbers("082 555 0101;;+27 82 555 0102"),
              (std::vector<std::string>{"082 555 0101", "", "+27 82 555 0102"}));
    EXPECT_EQ(SplitReminderNumbers(""), (std::vector<std::string>{""}));
}
