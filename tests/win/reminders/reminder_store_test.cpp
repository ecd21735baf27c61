// tests/win/reminders/reminder_store_test.cpp: the reminder cycles over the MAPI stand-in seeded
// with reminder_seed.json: which cycle sends what, the marks, recurring series with deleted and
// moved occurrences, the extra numbers and attendees, and the library's own search folder.
#include "tests/win/addressbook/exmapi_test_support.h"

#include "Addressbook/addressbook/exmapi_internal_win.h"
#include "Addressbook/messaging/final_sms.h"
#include "Addressbook/reminders/reminder_store_win.h"
#include "common/mapi_owner_win.h"

#include <mapiutil.h>

#include <optional>

using namespace exmapitest;

namespace
{
CTraceTime At(int p_iYear, int p_iMonth, int p_iDay, int p_iHour, int p_iMinute, int p_iSecond = 1)
{
    return CTraceTime{p_iYear, p_iMonth, p_iDay, p_iHour, p_iMinute, p_iSecond, 0};
}

constexpr ULONG kTagIpmAppointmentEntryId = PROP_TAG(PT_BINARY, 0x36D0);
const CReminderUser kUser{"Me", "+447700900100"};

std::string UtcText(const FILETIME& p_ft)
{
    SYSTEMTIME st{};
    FileTimeToSystemTime(&p_ft, &st);
    char buffer[32];
    snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return buffer;
}

std::vector<std::string> Describe(const std::vector<CReminderSMS>& p_vList)
{
    std::vector<std::string> vOut;
    for (const CReminderSMS& oSMS : p_vList)
        vOut.push_back(oSMS.m_sName + "|" + oSMS.m_sMobile + "|" + oSMS.m_sText);
    return vOut;
}

class Reminders : public ExMapi
{
  protected:
    void SetUp() override
    {
        ExMapi::SetUp();
        Seed("..\\reminders\\reminder_seed.json");
    }

    // Opens the seeded store as the Outlook package does; the reminder folder is found (or made).
    void Open()
    {
        m_p_oExMapi = std::make_unique<CExMAPI>(OutlookSettings(), m_oThread);
        ASSERT_TRUE(m_p_oExMapi->IsReady());
        ASSERT_EQ(GetOwnReminderFolder(m_oThread.MessageStore(), m_vFolder), S_OK);
    }

    // One cycle at p_oNow; its end is two minutes on unless given.
    std::vector<CReminderSMS> Cycle(const CTraceTime& p_oNow, bool p_bSendAgain = false, bool p_bInAdvance = false,
                                    std::optional<int64_t> p_oiEnd = std::nullopt)
    {
        const int64_t now = LocalSecondsOf(p_oNow);
        const CReminderCycle oCycle{now, p_oiEnd.value_or(now + 120), p_bSendAgain, p_bInAdvance};
        std::vector<CReminderSMS> vList;
        EXPECT_EQ(
            GetReminderSMSList(m_oThread.MessageStore(), m_oThread.AddressBook(), m_vFolder, oCycle, kUser, vList),
            S_OK);
        return vList;
    }

    // The mark date of the calendar item named p_sSubject, as UTC text; empty when it has none.
    std::string Mark(const std::string& p_sSubject)
    {
        IMsgStore* pStore = m_oThread.MessageStore();
        CReminderTags oTags;
        EXPECT_EQ(ResolveReminderTags(pStore, oTags), S_OK);
        com_ptr<IMAPIFolder> pRoot;
        ULONG ulRootType = 0;
        EXPECT_EQ(pStore->OpenEntry(0, nullptr, nullptr, 0, &ulRootType, reinterpret_cast<IUnknown**>(pRoot.put())),
                  S_OK);
        unique_mapi_buffer<SPropValue> pCalendar;
        EXPECT_EQ(exmapi::GetOneProp(pRoot.get(), kTagIpmAppointmentEntryId, pCalendar), S_OK);
        const SBinary& bin = pCalendar.get()->Value.bin;
        com_ptr<IMAPIFolder> pCalendarFolder;
        ULONG ulType = 0;
        EXPECT_EQ(pStore->OpenEntry(bin.cb, reinterpret_cast<LPENTRYID>(bin.lpb), nullptr, 0, &ulType,
                                    reinterpret_cast<IUnknown**>(pCalendarFolder.put())),
                  S_OK);
        com_ptr<IMAPITable> pTable;
        EXPECT_EQ(pCalendarFolder->GetContentsTable(0, pTable.put()), S_OK);
        exmapi::CTags<2> oColumns{2, {PR_SUBJECT_A, oTags.m_ulMark}};
        EXPECT_EQ(pTable->SetColumns(oColumns.get(), 0), S_OK);
        std::string sMark;
        EXPECT_EQ(exmapi::ForEachRow(pTable.get(),
                                     [&](const SRow& p_oRow) {
                                         if (exmapi::StringProp(p_oRow, PR_SUBJECT_A).value_or("") != p_sSubject)
                                             return true;
                                         if (const SPropValue* p = exmapi::FindProp(p_oRow, oTags.m_ulMark))
                                             sMark = UtcText(p->Value.ft);
                                         return false;
                                     }),
                  S_OK);
        return sMark;
    }

    std::unique_ptr<CExMAPI> m_p_oExMapi;
    CEntryBytes m_vFolder;
};

const char* const kDentist =
    "Me|+447700900100|You have an appointment for 2 March 2027 10:00:00 AM created by Ann Smith.\n"
    "Subject: Dentist\nLocation: Surgery";
} // namespace

TEST_F(Reminders, AReminderIsSentByTheFirstCycleThatReachesItAndNeverAgain)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    // 10:00 with 15 minutes: the reminder time 09:45:00 must lie strictly before now + 2 minutes.
    EXPECT_TRUE(Cycle(At(2027, 3, 2, 9, 42)).empty()) << "09:42:01 reaches only 09:44:01";
    EXPECT_EQ(Mark("Dentist"), "");
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 9, 43))), std::vector<std::string>{kDentist})
        << "the plain item and the item without SMS give nothing";
    EXPECT_EQ(Mark("Dentist"), "2027-03-02 10:00");
    EXPECT_EQ(Mark("Quiet"), "2027-03-02 10:00") << "a due item is marked even when it sends no SMS";
    EXPECT_EQ(Mark("Plain"), "");
    EXPECT_TRUE(Cycle(At(2027, 3, 2, 9, 44)).empty()) << "the mark holds the reminder back";
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 9, 44), true)), std::vector<std::string>{kDentist})
        << "the send-again flag takes it all the same";
    EXPECT_EQ(Mark("Dentist"), "2027-03-02 10:00");
}

TEST_F(Reminders, MarksHandedToTheCallerWaitForItAndAReminderStaysDueUntilTheyAreWritten)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    auto cycle = [&](const CTraceTime& p_oNow, std::vector<CReminderMark>& p_vMarks) {
        const int64_t now = LocalSecondsOf(p_oNow);
        std::vector<CReminderSMS> vList;
        EXPECT_EQ(GetReminderSMSList(m_oThread.MessageStore(), m_oThread.AddressBook(), m_vFolder,
                                     CReminderCycle{now, now + 120, false, false}, kUser, vList, &p_vMarks),
                  S_OK);
        return Describe(vList);
    };
    std::vector<CReminderMark> vMarks;
    EXPECT_EQ(cycle(At(2027, 3, 2, 9, 43), vMarks), std::vector<std::string>{kDentist});
    ASSERT_EQ(vMarks.size(), 2u) << "the Dentist and the due item that sends nothing";
    EXPECT_EQ(Mark("Dentist"), "") << "nothing is written before the job has left";
    std::vector<CReminderMark> vAgain;
    EXPECT_EQ(cycle(At(2027, 3, 2, 9, 44), vAgain), std::vector<std::string>{kDentist})
        << "a job that did not leave leaves its reminder due for the next cycle";
    EXPECT_EQ(WriteReminderMarks(m_oThread.MessageStore(), vAgain), 0u);
    EXPECT_EQ(Mark("Dentist"), "2027-03-02 10:00");
    EXPECT_EQ(Mark("Quiet"), "2027-03-02 10:00");
    std::vector<CReminderMark> vNone;
    EXPECT_TRUE(cycle(At(2027, 3, 2, 9, 44), vNone).empty());
    EXPECT_TRUE(vNone.empty());

    // An item that went away between the cycle and its marks costs only its own mark.
    std::vector<CReminderMark> vGone = {{"no such item", vMarks[0].m_iMarkMinutes}, vMarks[0]};
    EXPECT_EQ(WriteReminderMarks(m_oThread.MessageStore(), vGone), 1u);
}

TEST_F(Reminders, AReminderThatPassedWhileTheComputerWasOffIsNotSent)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(Cycle(At(2027, 3, 2, 9, 45, 0)).empty()) << "a reminder at now is not after now";
    EXPECT_TRUE(Cycle(At(2027, 3, 2, 9, 50)).empty());
    EXPECT_EQ(Mark("Dentist"), "");
}

TEST_F(Reminders, ARecurringSeriesRemindsEachOccurrenceOnceWithDeletedAndMovedOnesHonoured)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string standup = "You have an appointment for %d March 2027  9:00:00 AM created by Ann Smith.\n"
                                "Subject: Standup";
    auto day = [&](int p_iDay) {
        char buffer[200];
        snprintf(buffer, sizeof(buffer), standup.c_str(), p_iDay);
        return std::vector<std::string>{std::string("Me|+447700900100|") + buffer};
    };
    const std::string sBefore = NewTrace();
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 1, 8, 49))), day(1));
    EXPECT_NE(NewTrace().find("Reccurrence state is bad"), std::string::npos)
        << "the item with a cut blob is traced and skipped";
    EXPECT_TRUE(Cycle(At(2027, 3, 1, 8, 49)).empty());
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 8, 49))), day(2));
    EXPECT_TRUE(Cycle(At(2027, 3, 3, 8, 49)).empty()) << "the occurrence of the 3rd was deleted";
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 4, 8, 49))), day(4));
    EXPECT_EQ(Mark("Standup"), "2027-03-04 09:00");

    // The published weekly example: the occurrence of 2007-04-16 moved from 10:00 to 11:00 with
    // its own subject and location.
    EXPECT_TRUE(Cycle(At(2007, 4, 16, 9, 43)).empty()) << "nothing at the old time";
    EXPECT_EQ(Describe(Cycle(At(2007, 4, 16, 10, 43))),
              std::vector<std::string>{"Me|+447700900100|You have an appointment for 16 April 2007 11:00:00 AM "
                                       "created by Ann Smith.\nSubject: Simple Recurrence with exceptions\n"
                                       "Location: 34/4141"});
    EXPECT_EQ(Describe(Cycle(At(2007, 4, 19, 9, 43))).size(), 1u) << "the series goes on";
}

TEST_F(Reminders, AttendeesAndEachValidExtraNumberGetTheReminderAndInAdvanceItCarriesItsTime)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string text = "You have an appointment for 5 March 2027  2:00:00 PM created by Ann Smith.\nSubject: Vet";
    const std::vector<std::string> expected = {"Me|+447700900100|" + text, "Bob Jones|+447700900003|" + text,
                                               "+447700900001|+447700900001|" + text,
                                               "+447700900002|+447700900002|" + text};
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 5, 13, 29))), expected)
        << "the organizer is no attendee; the empty entry between the numbers gives nothing";

    // "Reminder Sync": everything up to the end of the week, each SMS at its reminder time.
    const int64_t end = LocalSecondsOf(At(2027, 3, 7, 23, 59, 59));
    const std::vector<CReminderSMS> vAhead = Cycle(At(2027, 3, 5, 8, 0), true, true, end);
    ASSERT_EQ(vAhead.size(), 4u + 3u) << "the Vet's four and the Standups of the 5th, 6th and 7th";
    for (const CReminderSMS& oSMS : vAhead)
        ASSERT_TRUE(oSMS.m_iDeliveryMinute);
    std::unique_ptr<CFinalSMSList, void (*)(CFinalSMSList*)> oJob(NewReminderJob(vAhead),
                                                                  [](CFinalSMSList* p) { DestroyFinalSMSList(p); });
    ASSERT_TRUE(oJob);
    ASSERT_EQ(oJob->m_dwCount, 7u);
    std::vector<std::string> vTimes;
    for (auto* pNode = oJob->m_p_oFirst; pNode; pNode = pNode->m_p_oNext)
    {
        const CDeliveryTime& t = pNode->m_p_oItem->m_stDeliveryTime;
        vTimes.push_back(std::to_string(t.m_wDay) + " " + std::to_string(t.m_wHour) + ":" +
                         std::to_string(t.m_wMinute) + " " + pNode->m_p_oItem->m_szMobile);
    }
    EXPECT_EQ(vTimes,
              (std::vector<std::string>{"5 13:30 +447700900100", "5 13:30 +447700900003", "5 13:30 +447700900001",
                                        "5 13:30 +447700900002", "5 8:50 +447700900100", "6 8:50 +447700900100",
                                        "7 8:50 +447700900100"}));
}

TEST_F(Reminders, TaskTextsShowTheTwelveHourClock)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 0, 29))),
              std::vector<std::string>{"Me|+447700900100|You have a task reminder for 2 March 2027  0:30:00 AM.\n"
                                       "Subject: Report"});
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 12, 29))),
              std::vector<std::string>{"Me|+447700900100|You have a task reminder for 2 March 2027 12:30:00 PM.\n"
                                       "Subject: Lunch"});
}

TEST_F(Reminders, WithoutARemindersFolderTheLibraryMakesItsOwnSearchFolderOnce)
{
    Seed("..\\reminders\\reminder_no_folder_seed.json");
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(m_p_oExMapi->ReminderFolderEntryId().empty());
    CEntryBytes vAgain;
    ASSERT_EQ(GetOwnReminderFolder(m_oThread.MessageStore(), vAgain), S_OK);
    EXPECT_EQ(vAgain, m_vFolder) << "found, not made again";

    com_ptr<IMAPIFolder> pFolder;
    ULONG ulType = 0;
    ASSERT_EQ(m_oThread.MessageStore()->OpenEntry(
                  static_cast<ULONG>(m_vFolder.size()), reinterpret_cast<LPENTRYID>(m_vFolder.data()), nullptr,
                  MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(pFolder.put())),
              S_OK);
    unique_mapi_buffer<SPropValue> pName;
    ASSERT_EQ(exmapi::GetOneProp(pFolder.get(), PR_DISPLAY_NAME_A, pName), S_OK);
    EXPECT_STREQ(pName.get()->Value.lpszA, "MyReminders");
    unique_mapi_buffer<SRestriction> pCriteria;
    unique_mapi_buffer<ENTRYLIST> pFolders;
    ULONG ulState = 0;
    ASSERT_EQ(pFolder->GetSearchCriteria(0, pCriteria.put(), pFolders.put(), &ulState), S_OK);
    EXPECT_EQ(pFolders.get()->cValues, 2u) << "the default calendar and tasks";
    EXPECT_TRUE(ulState & SEARCH_RUNNING);

    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 9, 43))), std::vector<std::string>{kDentist});
    EXPECT_EQ(Describe(Cycle(At(2027, 3, 2, 0, 29))).size(), 1u) << "tasks are searched too";
}
