// tests/win/corvane/progress_test.cpp: CreateProgressBar makes its window only for long lists, a
// distribution list counting as its members, and DeleteProgressBar takes it down again.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace
{
class CList
{
  public:
    CList()
    {
        CCorvane::Get().CreateMessageRecipientList(&m_p_mrlList);
    }
    ~CList()
    {
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlList);
    }
    CMessageRecipientList* Get() const
    {
        return m_p_mrlList;
    }

  private:
    CMessageRecipientList* m_p_mrlList = nullptr;
};

void AddPeople(CMessageRecipientList* p_p_mrlList, int p_iCount)
{
    CCorvane& corvane = CCorvane::Get();
    for (int i = 0; i < p_iCount; ++i)
    {
        const std::string name = "Person " + std::to_string(i);
        const std::string mobile = "082 555 " + std::to_string(1000 + i);
        CMessageRecipient* person = nullptr;
        corvane.CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, name.c_str(), mobile.c_str(),
                                                  nullptr, name.c_str(), EID_TYPE_BULK, 0, nullptr,
                                                  kDefaultRecipientOptions, &person);
        ASSERT_NE(person, nullptr);
        corvane.AddMessageRecipient(p_p_mrlList, person);
    }
}

// A distribution list of p_iMembers people, appended to p_p_mrlList; returns its members list.
CMessageRecipientList* AddTeam(CMessageRecipientList* p_p_mrlList, int p_iMembers)
{
    CCorvane& corvane = CCorvane::Get();
    CMessageRecipient* team = nullptr;
    corvane.CreateMessageRecipientFromDetails(kStateListComplete, kKindDistList, "Team", nullptr, nullptr, "Team",
                                              EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions, &team);
    if (team == nullptr)
        return nullptr;
    corvane.AddDistList(team);
    AddPeople(team->m_p_mrlMembers, p_iMembers);
    corvane.AddMessageRecipient(p_p_mrlList, team);
    return team->m_p_mrlMembers;
}

class CorvaneProgress : public testing::Test
{
  protected:
    CorvaneProgress() : m_oInit(1, 0, kCallerNoPackage)
    {
    }
    CInitScope m_oInit;
    CCorvane& m_oCorvane = CCorvane::Get();
};
} // namespace

TEST_F(CorvaneProgress, ListsBelowFiftyEachMakeNoWindow)
{
    ASSERT_TRUE(m_oInit.Succeeded());
    CList first, second;
    AddPeople(first.Get(), 49);
    AddTeam(second.Get(), 49);
    HWND progress = reinterpret_cast<HWND>(1);
    EXPECT_EQ(m_oCorvane.CreateProgressBar(nullptr, "Nothing", 1, &progress, first.Get(), second.Get()), 1);
    EXPECT_EQ(progress, nullptr);
    EXPECT_EQ(FindDialogByCaption("Nothing"), nullptr);
    EXPECT_EQ(m_oCorvane.CreateProgressBar(nullptr, "Nothing", 1, &progress, nullptr, nullptr), 1);
    EXPECT_EQ(progress, nullptr);
    EXPECT_EQ(m_oCorvane.CreateProgressBar(nullptr, "Nothing", 1, nullptr, first.Get(), second.Get()), 0);
}

TEST_F(CorvaneProgress, ADistributionListOfFiftyMakesTheWindowWithItsBar)
{
    ASSERT_TRUE(m_oInit.Succeeded());
    CList first;
    AddTeam(first.Get(), 50);
    HWND progress = nullptr;
    ASSERT_EQ(m_oCorvane.CreateProgressBar(nullptr, "Sending to the team", 1, &progress, first.Get(), nullptr), 1);
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_EQ(WindowText(progress), "Sending to the team");
    ASSERT_NE(GetDlgItem(progress, kProgressBarControl), nullptr);
    EXPECT_EQ(GetDlgItem(progress, IDC_PROGRESS_ANIMATE), nullptr);

    SetProgressText(progress, "Building list...");
    EXPECT_EQ(WindowText(GetDlgItem(progress, kProgressTextControl)), "Building list...");
    SendDlgItemMessageA(progress, kProgressBarControl, PBM_SETPOS, 40, 0);
    PumpMessages(std::chrono::milliseconds(300));
    EXPECT_TRUE(SaveWindowShot(progress, "corvane_progress_bar.bmp"));

    EXPECT_EQ(m_oCorvane.DeleteProgressBar(&progress), 1);
    EXPECT_EQ(progress, nullptr);
    EXPECT_EQ(FindDialogByCaption("Sending to the team"), nullptr);
    EXPECT_EQ(m_oCorvane.DeleteProgressBar(&progress), 1) << "deleting a deleted window fails";
}

TEST_F(CorvaneProgress, NestedListsInTheSecondListCountTheirMembersAndGetTheAnimation)
{
    ASSERT_TRUE(m_oInit.Succeeded());
    CList first, second;
    AddPeople(first.Get(), 10);
    CMessageRecipientList* outer = AddTeam(second.Get(), 20);
    ASSERT_NE(outer, nullptr);
    AddTeam(outer, 30);

    HWND progress = nullptr;
    ASSERT_EQ(m_oCorvane.CreateProgressBar(nullptr, "Checking names", 0, &progress, first.Get(), second.Get()), 1);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetDlgItem(progress, kProgressBarControl), nullptr);
    EXPECT_NE(GetDlgItem(progress, IDC_PROGRESS_ANIMATE), nullptr);
    SetProgressText(progress, "Resolving recipients...");
    PumpMessages(std::chrono::milliseconds(500));
    EXPECT_TRUE(SaveWindowShot(progress, "corvane_progress_animation.bmp"));
    EXPECT_EQ(m_oCorvane.DeleteProgressBar(&progress), 1);
    EXPECT_EQ(progress, nullptr);
}
