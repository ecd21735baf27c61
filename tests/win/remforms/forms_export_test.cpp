// tests/win/remforms/forms_export_test.cpp: the forms exports of Corvane.dll as a host calls them after
// Init with the Outlook package and the client's application object: they run on the calling
// thread's MAPI objects, and do nothing for another package.
#include "tests/win/corvane/corvane_test_support.h"
#include "tests/win/remforms/forms_test_support.h"

#include "Addressbook/include/package_kinds.h"

using namespace formstest;

TEST_F(SMSForms, ExportsInstallChangeAndRemoveForTheOutlookPackageOnly)
{
    CCorvane& corvane = CCorvane::Get();
    const auto install = corvane.Bind<PFN_InstallSMSForms>("InstallSMSForms");
    const auto uninstall = corvane.Bind<PFN_UninstallSMSForms>("UninstallSMSForms");
    const auto change = corvane.Bind<PFN_ChangeReminderForm>("ChangeReminderForm");
    ASSERT_TRUE(install && uninstall && change);
    {
        ASSERT_EQ(corvane.Init(kPackageOutlookExpress, 6, nullptr, nullptr, nullptr, kCallerFull), 1);
        EXPECT_EQ(install(), 1);
        EXPECT_EQ(corvane.Uninit(), 1);
        EXPECT_TRUE(Definitions("Calendar").empty()) << "the forms belong to Outlook";
    }
    ASSERT_EQ(corvane.Init(kPackageOutlook, 5, nullptr, m_oThread.Dispatch(), nullptr, kCallerFull), 1);
    EXPECT_EQ(install(), 1);
    EXPECT_EQ(Definitions("Calendar").size(), 3u);
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_sClass, "IPM.Appointment.SMSAppointmentFormRemYesAttNo");
    SetDefaults(1, 1);
    EXPECT_EQ(change(1), 1);
    EXPECT_EQ(Item("Calendar", "Flagged meeting").m_obMustSend, true);
    EXPECT_EQ(uninstall(), 1);
    EXPECT_TRUE(Definitions("Calendar").empty());
    EXPECT_EQ(Item("Calendar", "Plain meeting").m_sClass, "IPM.Appointment");
    BreakTemplate("TaskNoRemindOFT");
    EXPECT_EQ(install(), 0) << "a missing template fails the export";
    EXPECT_EQ(corvane.Uninit(), 1);
}
