// tests/unit/reminders/reminder_jobs_test.cpp: who receives a reminder, with which delivery time,
// and where a "Reminder Sync" period ends.
#include "Addressbook/reminders/reminder_jobs.h"

#include <gtest/gtest.h>

namespace
{
int64_t Minute(int p_iDay, int p_iHour, int p_iMinute)
{
    return MinutesAt(CCivilDate{2026, 12, p_iDay}, p_iHour, p_iMinute);
}

std::string Names(const std::vector<CReminderSMS>& p_vList)
{
    std::string out;
    for (const CReminderSMS& sms : p_vList)
        out += (out.empty() ? "" : "|") + sms.m_sName + "=" + sms.m_sMobile;
    return out;
}
} // namespace

TEST(ReminderSMSList, TheUserAttendeesAndEachValidExtraNumberGetOne)
{
    CReminderSeries s;
    s.m_sSubject = "Budget";
    s.m_bMustSend = true;
    s.m_sAlsoNumbers = "+27 82 555 0101;;0825550102;call me";
    s.m_vAttendees = {{"Bo", "+27 82 555 0103"}, {"Cy", ""}};
    CDueReminder due{Minute(9, 10, 0), 15, "Budget", "", &s};
    const CReminderUser user{"Me", "+27 82 555 0100"};

    std::vector<CReminderSMS> list = ReminderSMSList({due}, user, false);
    EXPECT_EQ(Names(list), "Me=+27 82 555 0100|+27 82 555 0101=+27 82 555 0101|0825550102=0825550102")
        << "two valid numbers with an empty entry between them give two extra SMS";
    EXPECT_FALSE(list[0].m_iDeliveryMinute);
    EXPECT_EQ(list[0].m_sText, list[2].m_sText);
    EXPECT_NE(list[0].m_sText.find("You have an appointment for 9 December 2026 10:00:00 AM"), std::string::npos);

    s.m_bAlsoAttendees = true;
    list = ReminderSMSList({due}, user, true);
    EXPECT_EQ(Names(list),
              "Me=+27 82 555 0100|Bo=+27 82 555 0103|+27 82 555 0101=+27 82 555 0101|0825550102=0825550102")
        << "an attendee without a mobile gets none";
    for (const CReminderSMS& sms : list)
        EXPECT_EQ(sms.m_iDeliveryMinute.value_or(0), Minute(9, 9, 45)) << "in advance: the reminder time";

    s.m_bMustSend = false;
    EXPECT_TRUE(ReminderSMSList({due}, user, true).empty());
}

TEST(ReminderSyncEnd, EachPeriodEndsAtTheLastSecondOfItsDay)
{
    const CCivilDate today{2027, 1, 31};
    auto endOf = [](int year, int month, int day) {
        return (MinutesAt(CCivilDate{year, month, day}, 23, 59)) * 60 + 59;
    };
    EXPECT_EQ(ReminderSyncEnd(today, 0, ESyncPeriod::Days), endOf(2027, 1, 31));
    EXPECT_EQ(ReminderSyncEnd(today, 3, ESyncPeriod::Days), endOf(2027, 2, 3));
    EXPECT_EQ(ReminderSyncEnd(today, 2, ESyncPeriod::Weeks), endOf(2027, 2, 14));
    EXPECT_EQ(ReminderSyncEnd(today, 1, ESyncPeriod::Months), endOf(2027, 2, 28)) << "no 31 February";
    EXPECT_EQ(ReminderSyncEnd(today, 11, ESyncPeriod::Months), endOf(2027, 12, 31));
    EXPECT_EQ(ReminderSyncEnd(today, 13, ESyncPeriod::Months), endOf(2028, 2, 29)) << "months carry into years";
    EXPECT_EQ(ReminderSyncEnd(CCivilDate{2028, 2, 29}, 1, ESyncPeriod::Years), endOf(2029, 2, 28));
}
