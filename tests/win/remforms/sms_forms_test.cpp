// tests/win/remforms/sms_forms_test.cpp: installing, changing and removing the SMS forms against the
// MAPI stand-in through the client stand-in's object model: what gets published, which items change
// class, which keep their flags, and what the advise sink's conversions leave alone.
#include "tests/win/remforms/forms_test_support.h"

#include "Addressbook/reminders/sms_form_names.h"

#include <algorithm>

using namespace formstest;

namespace
{
const char* const kRemNoAttNo = "IPM.Appointment.SMSAppointmentFormRemNoAttNo";
const char* const kRemYesAttNo = "IPM.Appointment.SMSAppointmentFormRemYesAttNo";
const char* const kRemYesAttYes = "IPM.Appointment.SMSAppointmentFormRemYesAttYes";
const char* const kTaskRemYes = "IPM.Task.SMSTaskFormRemYes";

std::vector<std::string> Sorted(std::vector<std::string> p_vNames)
{
    std::sort(p_vNames.begin(), p_vNames.end());
    return p_vNames;
}
const std::vector<std::string> kAppointmentForms = {"SMSAppointmentFormRemNoAttNo", "SMSAppointmentFormRemYesAttNo",
                                                    "SMSAppointmentFormRemYesAttYes"};
const std::vector<std::string> kTaskForms = {"SMSTaskFormRemNo", "SMSTaskFormRemYes"};
} // namespace

TEST_F(SMSForms, InstallingTwicePublishesOnceButConvertsNewPlainItems)
{
    ASSERT_EQ(Forms().SetupSMSForms(), S_OK);
    EXPECT_EQ(Sorted(Definitions("Calendar")), kAppointmentForms);
    EXPECT_EQ(Sorted(Definitions("Tasks")), kTaskForms);
    EXPECT_EQ(DefaultClass("Calendar"), kRemYesAttNo);
    EXPECT_EQ(DefaultClass("Tasks"), kTaskRemYes);

    const CItemState plain = Item("Calendar", "Plain meeting");
    EXPECT_EQ(plain.m_sClass, kRemYesAttNo);
    EXPECT_EQ(plain.m_obMustSend, true);
    EXPECT_EQ(plain.m_obAttendees, false);
    EXPECT_EQ(Item("Calendar", "Old form meeting").m_sClass, kRemYesAttNo) << "the earlier single form is converted";
    EXPECT_EQ(Item("Calendar", "A note").m_sClass, "IPM.Note");
    const CItemState task = Item("Tasks", "Plain task");
    EXPECT_EQ(task.m_sClass, kTaskRemYes);
    EXPECT_EQ(task.m_obMustSend, true);
    EXPECT_FALSE(task.m_obAttendees) << "tasks have no attendees";

    (void)AddItem("Calendar", "IPM.Appointment", "Added later");
    ASSERT_EQ(Forms().SetupSMSForms(), S_OK);
    EXPECT_EQ(Definitions("Calendar").size(), 3u) << "nothing is published twice";
    EXPECT_EQ(Definitions("Tasks").size(), 2u);
    EXPECT_EQ(Item("Calendar", "Added later").m_sClass, kRemYesAttNo);
    EXPECT_EQ(Item("Calendar", "Added later").m_obMustSend, true);
}

TEST_F(SMSForms, ExistingFlagsAreKeptUntilChangeReminderFormOverwritesThem)
{
    ASSERT_EQ(Forms().SetupSMSForms(), S_OK);
    const CItemState flagged = Item("Calendar", "Flagged meeting");
    EXPECT_EQ(flagged.m_sClass, kRemYesAttNo);
    EXPECT_EQ(flagged.m_obMustSend, false) << "installation must not overwrite an item's own choice";
    EXPECT_FALSE(flagged.m_obAttendees);

    SetDefaults(1, 1);
    ASSERT_EQ(Forms().ChangeReminderForm(false), S_OK);
    EXPECT_EQ(DefaultClass("Calendar"), kRemYesAttYes);
    EXPECT_EQ(Item("Calendar", "Flagged meeting").m_obMustSend, false) << "without apply-to-existing items stay";

    ASSERT_EQ(Forms().ChangeReminderForm(true), S_OK);
    EXPECT_EQ(Item("Calendar", "Flagged meeting").m_obMustSend, true);
    EXPECT_EQ(Item("Calendar", "Flagged meeting").m_obAttendees, true);
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_obAttendees, true);
    EXPECT_EQ(Item("Tasks", "Plain task").m_obMustSend, true);

    SetDefaults(0, 0);
    ASSERT_EQ(Forms().ChangeReminderForm(true), S_OK);
    EXPECT_EQ(DefaultClass("Tasks"), "IPM.Task.SMSTaskFormRemNo");
    EXPECT_EQ(Item("Tasks", "Plain task").m_obMustSend, false);
    EXPECT_EQ(Item("Calendar", "Flagged meeting").m_obMustSend, false);
}

TEST_F(SMSForms, ReminderOffWithAttendeesOnTakesTheNoReminderForm)
{
    SetDefaults(0, 1);
    ASSERT_EQ(Forms().SetupSMSForms(), S_OK);
    EXPECT_EQ(DefaultClass("Calendar"), kRemNoAttNo);
    const CItemState plain = Item("Calendar", "Plain meeting");
    EXPECT_EQ(plain.m_sClass, kRemNoAttNo);
    EXPECT_EQ(plain.m_obMustSend, false);
    EXPECT_EQ(Item("Tasks", "Plain task").m_sClass, "IPM.Task.SMSTaskFormRemNo");
}

TEST_F(SMSForms, OnlyPlainItemsOfTheDefaultFoldersAreConvertedOnEvents)
{
    ASSERT_EQ(Forms().SetupSMSForms(), S_OK);
    EXPECT_EQ(Item("Team Calendar", "Team meeting").m_sClass, "IPM.Appointment")
        << "installation stays in the default calendar";

    const std::vector<BYTE> team = AddItem("Team Calendar", "IPM.Appointment", "Team plain");
    EXPECT_EQ(Forms().ConvertOnEvent(team, FolderId("Team Calendar")), S_OK);
    EXPECT_EQ(Item("Team Calendar", "Team plain").m_sClass, "IPM.Appointment");
    EXPECT_FALSE(Item("Team Calendar", "Team plain").m_obMustSend);

    const std::vector<BYTE> mine = AddItem("Calendar", "ipm.appointment", "New plain");
    EXPECT_EQ(Forms().ConvertOnEvent(mine, FolderId("Calendar")), S_OK);
    EXPECT_EQ(Item("Calendar", "New plain").m_sClass, kRemYesAttNo) << "the plain class compares without case";
    EXPECT_EQ(Item("Calendar", "New plain").m_obMustSend, true);

    const std::vector<BYTE> chosen = AddItem("Calendar", kRemYesAttYes, "Chosen form");
    EXPECT_EQ(Forms().ConvertOnEvent(chosen, FolderId("Calendar")), S_OK);
    EXPECT_EQ(Item("Calendar", "Chosen form").m_sClass, kRemYesAttYes) << "an SMS class is the user's choice";

    const std::vector<BYTE> task = AddItem("Tasks", "IPM.Task", "New task");
    EXPECT_EQ(Forms().ConvertOnEvent(task, FolderId("Tasks")), S_OK);
    EXPECT_EQ(Item("Tasks", "New task").m_sClass, kTaskRemYes);

    (void)AddItem("Calendar", "IPM.Appointment", "Folder event");
    (void)AddItem("Team Calendar", "IPM.Appointment", "Team folder event");
    EXPECT_EQ(Forms().ConvertFolderOnEvent(FolderId("Calendar")), S_OK);
    EXPECT_EQ(Forms().ConvertFolderOnEvent(FolderId("Team Calendar")), S_OK);
    EXPECT_EQ(Item("Calendar", "Folder event").m_sClass, kRemYesAttNo);
    EXPECT_EQ(Item("Team Calendar", "Team folder event").m_sClass, "IPM.Appointment");
}

TEST_F(SMSForms, AMissingTemplateChangesNothing)
{
    BreakTemplate("AppointmentYesRemindYesAttendeeOFT");
    EXPECT_TRUE(FAILED(Forms().SetupSMSForms()));
    EXPECT_TRUE(Definitions("Tasks").empty()) << "the tasks come first, but only once every template is there";
    EXPECT_TRUE(Definitions("Calendar").empty());
    EXPECT_EQ(Item("Tasks", "Plain task").m_sClass, "IPM.Task");
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_sClass, "IPM.Appointment");
}

TEST_F(SMSForms, RemovingRestoresPlainClassesAndDeletesTheDefinitions)
{
    ASSERT_EQ(Forms().SetupSMSForms(), S_OK);
    ASSERT_EQ(Forms().RemoveSMSForms(), S_OK);
    EXPECT_TRUE(Definitions("Calendar").empty());
    EXPECT_TRUE(Definitions("Tasks").empty());
    EXPECT_EQ(DefaultClass("Calendar"), "IPM.Appointment");
    EXPECT_EQ(DefaultClass("Tasks"), "IPM.Task");
    for (const CItemState& item : Items("Calendar"))
        EXPECT_TRUE(item.m_sClass == "IPM.Appointment" || item.m_sClass == "IPM.Note") << item.m_sSubject;
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_obMustSend, true) << "removal leaves the flags";
    EXPECT_EQ(Item("Tasks", "Plain task").m_sClass, "IPM.Task");
}

TEST_F(SMSForms, Outlook98PublishesPersonallyOnlyWhileHoldingTheStartupMutex)
{
    ASSERT_EQ(Forms(2).SetupSMSForms(), S_OK);
    EXPECT_TRUE(Definitions("Calendar").empty()) << "a second instance leaves the forms to the first";
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_sClass, "IPM.Appointment");
    ASSERT_EQ(Forms(4, {}, {}, 1).SetupSMSForms(), S_OK);
    EXPECT_TRUE(Definitions("Calendar").empty()) << "the caller kind without a package installs nothing";

    int released = 0;
    ASSERT_EQ(Forms(
                  2, [] { return true; }, [&] { ++released; })
                  .SetupSMSForms(),
              S_OK);
    EXPECT_EQ(released, 1) << "the startup mutex is let go once the forms are set up";
    EXPECT_EQ(Sorted(Definitions("Calendar")), kAppointmentForms) << "moved from the personal forms into the folder";
    EXPECT_EQ(Sorted(Definitions("Tasks")), kTaskForms);
    EXPECT_TRUE(Definitions("").empty()) << "nothing is left in the personal forms";
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_sClass, kRemYesAttNo);
}

TEST_F(SMSForms, TheAdviseSinksThreadFindsTheDefaultFoldersWithoutTheObjectModel)
{
    // The store's notifications arrive on a thread that has a session and a store but no application.
    m_oThread.SetDispatch(nullptr);
    const std::vector<BYTE> mine = AddItem("Calendar", "IPM.Appointment", "Sink plain");
    const std::vector<BYTE> team = AddItem("Team Calendar", "IPM.Appointment", "Sink team");
    EXPECT_EQ(Forms().ConvertOnEvent(mine, FolderId("Calendar")), S_OK);
    EXPECT_EQ(Forms().ConvertOnEvent(team, FolderId("Team Calendar")), S_OK);
    EXPECT_EQ(Item("Calendar", "Sink plain").m_sClass, kRemYesAttNo);
    EXPECT_EQ(Item("Team Calendar", "Sink team").m_sClass, "IPM.Appointment");
    EXPECT_EQ(Forms().ConvertFolderOnEvent(FolderId("Tasks")), S_OK);
    EXPECT_EQ(Item("Tasks", "Plain task").m_sClass, kTaskRemYes);
    EXPECT_EQ(Item("Tasks", "Plain task").m_obMustSend, true);

    m_oThread.SetMessageStore(nullptr);
    EXPECT_TRUE(FAILED(Forms().ConvertOnEvent(mine, FolderId("Calendar")))) << "no store: nothing can be done";
}

TEST_F(SMSForms, ATemplateThatIsNotAFormFailsThePublishBeforeTheCalendarIsTouched)
{
    SetTemplate("TaskYesRemind2OFT", FORMS_SEED_FILE);
    EXPECT_EQ(Forms().SetupSMSForms(), STG_E_INVALIDHEADER) << "the client's error comes back";
    EXPECT_EQ(Definitions("Tasks"), std::vector<std::string>{"SMSTaskFormRemNo"}) << "tasks are published in order";
    EXPECT_EQ(Item("Tasks", "Plain task").m_sClass, "IPM.Task");
    EXPECT_TRUE(Definitions("Calendar").empty());
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_sClass, "IPM.Appointment");
}
