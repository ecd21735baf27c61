// tests/win/corvane/check_wizard_test.cpp: Check over a seeded MAPI profile, with every page of
// its fix wizard driven as a user would: the summary and its comma hint, multiple matches, a new
// contact, mobiles written back (and refused by the global address list), list members, once-off
// numbers, picking from an address book, Ignore, Exit and sending anyway.
#include "tests/win/corvane/check_test_support.h"

#include "common/unique_any.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
const std::string kSummary = "Address Problem Summary";
const std::string kMultiple = "Multiple matches";
const std::string kNoMatch = "No matches";
const std::string kMobiles = "Missing or Invalid Mobile Phone Numbers";
const std::string kSelectCorrect = "Select correct recipient";
const std::string kOnceOff = "Once Off Number Edit";

class CheckWizard : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        s_p_oInit = std::make_unique<CInitScope>(0, 5, kCallerFull);
        ASSERT_TRUE(s_p_oInit->Succeeded());
    }
    static void TearDownTestSuite()
    {
        s_p_oInit.reset();
        CoUninitialize();
    }
    void TearDown() override
    {
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlTo);
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlCc);
    }
    void Lists(std::initializer_list<const char*> p_to, std::initializer_list<const char*> p_cc = {})
    {
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlTo);
        CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlCc);
        m_p_mrlTo = TypedList(p_to);
        m_p_mrlCc = TypedList(p_cc);
    }
    CCheckRun Run(const std::function<void(CCheckRun&)>& p_fnScript, int p_bSendAnyway = 0)
    {
        CCheckRun oRun = RunCheck(m_p_mrlTo, m_p_mrlCc, p_bSendAnyway, p_fnScript);
        for (const std::string& sFailure : oRun.m_vFailures)
            ADD_FAILURE() << sFailure;
        return oRun;
    }
    // Presses Fix on the summary.
    static void Fix(CCheckRun& p_oRun)
    {
        if (HWND hSummary = WaitPage(p_oRun, kSummary))
            Click(hSummary, IDOK);
    }
    const CMessageRecipient& To(size_t p_nAt) const
    {
        auto* p_oNode = m_p_mrlTo->m_p_oFirst;
        for (size_t i = 0; i < p_nAt; ++i)
            p_oNode = p_oNode->m_p_oNext;
        return *p_oNode->m_p_oItem;
    }

    static std::unique_ptr<CInitScope> s_p_oInit;
    CMessageRecipientList* m_p_mrlTo = nullptr;
    CMessageRecipientList* m_p_mrlCc = nullptr;
};
std::unique_ptr<CInitScope> CheckWizard::s_p_oInit;
} // namespace

// Resolved names need no wizard, and a person in To and Cc stays in To; two names joined by a
// comma are one unknown recipient, and the summary says how to separate them.
TEST_F(CheckWizard, SummaryShowsTheCommaHintAndDuplicatesStayInTo)
{
    Lists({"Carol Jones"}, {"+447700900012", "Ann Smith"});
    CCheckRun oRun = Run([](CCheckRun&) {});
    EXPECT_EQ(oRun.m_iResult, 1);
    EXPECT_EQ(DisplayTexts(m_p_mrlTo), std::vector<std::string>{"Carol Jones"});
    EXPECT_EQ(DisplayTexts(m_p_mrlCc), std::vector<std::string>{"Ann Smith"});
    EXPECT_STREQ(To(0).m_szMobile, "+447700900012");

    Lists({"Ann Smith, Bob Smith"});
    oRun = Run([](CCheckRun& p_oRun) {
        const HWND hPage = WaitPage(p_oRun, kSummary);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "The following problems were found :");
        EXPECT_EQ(RowTexts(hPage, 0), std::vector<std::string>{"Ann Smith, Bob Smith"});
        EXPECT_EQ(RowTexts(hPage, 1), std::vector<std::string>{"No matches"});
        EXPECT_EQ(ControlText(hPage, kIdcAdvice),
                  "Click 'Fix' to solve them, or click 'Ignore' to return to the composition window.");
        EXPECT_EQ(ControlText(hPage, kIdcHint),
                  "If you have used commas (,) as a separator, please replace them with semi-colons(;)");
        Shot(hPage, "check_summary");
        Click(hPage, IDCANCEL);
    });
    EXPECT_EQ(oRun.m_iResult, 0);
    EXPECT_EQ(oRun.m_iExited, 1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    EXPECT_EQ(To(0).m_dwState, kStateNoMatch);
}

// Done with no one chosen is refused; choosing a candidate resolves to that contact. The address
// books button is answered by the selection dialog, and without one the page stays as it was.
TEST_F(CheckWizard, MultipleMatchesResolveToTheChosenContact)
{
    Lists({"Smith"});
    CCheckRun oRun = Run([](CCheckRun& p_oRun) {
        Fix(p_oRun);
        const HWND hPage = WaitPage(p_oRun, kMultiple);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "There was more than one possible match for 'Smith' :");
        EXPECT_EQ(RowTexts(hPage, 0), (std::vector<std::string>{"Bob Smith", "Ann Smith"}));
        Shot(hPage, "check_multiple_matches");
        const CBox oBox = ClickForBox(p_oRun, hPage, IDOK);
        EXPECT_EQ(oBox.m_sCaption, "No one selected");
        EXPECT_EQ(oBox.m_sText, "Please select one of the matches provided in the list and then click 'Done >'");
        // The address books open over the page; cancelled, they leave the page as it was.
        Click(hPage, kIdcSelectBooks);
        const HWND hBooks =
            WaitForWindow([] { return FindDialogByCaption("Select Recipients"); }, std::chrono::seconds(10));
        EXPECT_NE(hBooks, nullptr) << "no Select Recipients dialog";
        if (hBooks != nullptr)
        {
            PostMessageA(hBooks, WM_COMMAND, IDCANCEL, 0);
            WaitForWindow([&] { return IsWindow(hBooks) ? nullptr : hPage; }, std::chrono::seconds(10));
        }
        EXPECT_TRUE(IsWindowVisible(hPage));
        EXPECT_TRUE(SelectRow(hPage, "Bob Smith"));
        Click(hPage, IDOK);
    });
    EXPECT_EQ(oRun.m_iResult, 1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    EXPECT_EQ(To(0).m_dwState, kStateResolved);
    EXPECT_STREQ(To(0).m_szDisplayText, "Bob Smith");
    EXPECT_STREQ(To(0).m_szMobile, "+447700900011");
}

// A name nobody has becomes a contact in the default contacts folder, and the recipient is it.
TEST_F(CheckWizard, NoMatchesCreatesAContactInTheDefaultContactsFolder)
{
    Lists({"Zed Newman"});
    CCheckRun oRun = Run([](CCheckRun& p_oRun) {
        Fix(p_oRun);
        const HWND hPage = WaitPage(p_oRun, kNoMatch);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "No contact matching 'Zed Newman' in your address book :");
        TypeInto(hPage, kIdcFirst, "Zed");
        TypeInto(hPage, kIdcLast, "Newman");
        TypeInto(hPage, kIdcEmail, "zed@example.com");
        EXPECT_EQ(ClickForBox(p_oRun, hPage, IDOK).m_sCaption, "Missing Details");
        EXPECT_TRUE(SelectCountry(hPage, 44));
        TypeInto(hPage, kIdcMobile, "07700 900099");
        Shot(hPage, "check_no_matches");
        Click(hPage, IDOK);
    });
    EXPECT_EQ(oRun.m_iResult, 1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    EXPECT_EQ(To(0).m_dwState, kStateResolved);
    EXPECT_STREQ(To(0).m_szDisplayText, "Zed Newman");
    EXPECT_STREQ(To(0).m_szMobile, "+44 7700900099");
    // The address book's "Contacts" container is the default contacts folder.
    const std::optional<CBookEntry> oStored = FindBookEntry(CCorvane::Get().GetSessionForThread(), "Zed Newman");
    ASSERT_TRUE(oStored.has_value());
    EXPECT_EQ(oStored->m_sContainer, "Contacts");
    EXPECT_EQ(oStored->m_sMobile, "+44 7700900099");
}

// A contact's new mobile is written to the store; the global address list refuses the write, the
// user is told, and the number is used for this message only.
TEST_F(CheckWizard, MobilesAreWrittenBackAndAGlobalEntryRefuses)
{
    Lists({"Dave Nomobile", "Gail Global"});
    CCheckRun oRun = Run([](CCheckRun& p_oRun) {
        Fix(p_oRun);
        const HWND hPage = WaitPage(p_oRun, kMobiles);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "The following contacts do not have valid mobile phone numbers :");
        EXPECT_EQ(RowTexts(hPage, 0), (std::vector<std::string>{"Dave Nomobile", "Gail Global"}));
        Shot(hPage, "check_missing_mobiles");
        EXPECT_EQ(ClickForBox(p_oRun, hPage, IDOK).m_sCaption, "Missing Phone Details");
        EXPECT_TRUE(SelectRow(hPage, "Dave Nomobile"));
        EXPECT_TRUE(SelectCountry(hPage, 44));
        TypeInto(hPage, kIdcMobile, "07700900021");
        Click(hPage, kIdcSave);
        PumpMessages(std::chrono::milliseconds(300));
        EXPECT_EQ(RowTexts(hPage, 0), std::vector<std::string>{"Gail Global"});
        EXPECT_TRUE(SelectCountry(hPage, 44));
        TypeInto(hPage, kIdcMobile, "07700900022");
        Click(hPage, kIdcSave);
        // The address book reports the refused write first, then the page says what it means.
        CBox oBox = AnswerNextBox(p_oRun);
        if (oBox.m_sCaption == "Brevolt SMS")
            oBox = AnswerNextBox(p_oRun);
        EXPECT_EQ(oBox.m_sCaption, "Failed to set mobile number");
        EXPECT_EQ(oBox.m_sText.rfind("Failed to set this users mobile number.", 0), 0u) << oBox.m_sText;
    });
    EXPECT_EQ(oRun.m_iResult, 1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 2u);
    EXPECT_STREQ(To(0).m_szMobile, "+44 7700900021");
    EXPECT_STREQ(To(1).m_szMobile, "+44 7700900022");
    EXPECT_TRUE(To(1).m_dwState == kStateResolved);
    IMAPISession* pSession = CCorvane::Get().GetSessionForThread();
    const std::optional<CBookEntry> oDave = FindBookEntry(pSession, "Dave Nomobile");
    ASSERT_TRUE(oDave.has_value());
    EXPECT_EQ(oDave->m_sMobile, "+44 7700900021");
    const std::optional<CBookEntry> oGail = FindBookEntry(pSession, "Gail Global");
    ASSERT_TRUE(oGail.has_value());
    EXPECT_EQ(oGail->m_sMobile, "");
}

// A list with a member without a mobile is fixed member by member; a once-off number completes it
// without touching the entry.
TEST_F(CheckWizard, ListMembersTakeAOnceOffNumber)
{
    Lists({"Mixed Team"});
    CCheckRun oRun = Run([](CCheckRun& p_oRun) {
        Fix(p_oRun);
        const HWND hPage = WaitPage(p_oRun, kMobiles);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "Members of the list :");
        EXPECT_EQ(RowTexts(hPage, 0), std::vector<std::string>{"Gail Global"});
        Shot(hPage, "check_list_members");
        EXPECT_TRUE(SelectRow(hPage, "Gail Global"));
        Click(hPage, kIdcOnceOff);
        const HWND hOnceOff = WaitPage(p_oRun, kOnceOff);
        if (hOnceOff == nullptr)
            return;
        EXPECT_TRUE(SelectCountry(hOnceOff, 44));
        TypeInto(hOnceOff, kIdcMobile, "07700900031");
        Shot(hOnceOff, "check_once_off");
        Click(hOnceOff, IDOK);
    });
    EXPECT_EQ(oRun.m_iResult, 1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    EXPECT_EQ(To(0).m_dwState, kStateListComplete);
    EXPECT_STREQ(To(0).m_p_mrlMembers->m_p_oLast->m_p_oItem->m_szMobile, "+44 7700900031");
    const std::optional<CBookEntry> oGail = FindBookEntry(CCorvane::Get().GetSessionForThread(), "Gail Global");
    ASSERT_TRUE(oGail.has_value());
    EXPECT_EQ(oGail->m_sMobile, "");
}

// From "No matches" the user may pick the person from an address book instead.
TEST_F(CheckWizard, SelectCorrectRecipientFromAnAddressBook)
{
    Lists({"Annie"});
    CCheckRun oRun = Run([](CCheckRun& p_oRun) {
        Fix(p_oRun);
        const HWND hNoMatch = WaitPage(p_oRun, kNoMatch);
        if (hNoMatch == nullptr)
            return;
        Click(hNoMatch, kIdcSelectBooks);
        const HWND hPage = WaitPage(p_oRun, kSelectCorrect);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "Please select who you meant by 'Annie'");
        Shot(hPage, "check_select_correct");
        const CBox oBox = ClickForBox(p_oRun, hPage, IDOK);
        EXPECT_EQ(oBox.m_sCaption, "Please select someone");
        EXPECT_TRUE(SelectRow(hPage, "Ann Smith"));
        Click(hPage, IDOK);
    });
    EXPECT_EQ(oRun.m_iResult, 1);
    ASSERT_EQ(m_p_mrlTo->m_dwCount, 1u);
    EXPECT_STREQ(To(0).m_szDisplayText, "Ann Smith");
    EXPECT_STREQ(To(0).m_szMobile, "+447700900001");
}

// E&xit on any page ends Check with the exit flag and nothing to send.
TEST_F(CheckWizard, ExitOnEveryPageEndsTheCheck)
{
    const struct
    {
        const char* m_szTyped;
        std::vector<std::pair<std::string, int>> m_vSteps; // page, button pressed on it
    } aCases[] = {
        {"Nobody Here", {{kSummary, IDCANCEL}}},
        {"Smith", {{kSummary, IDOK}, {kMultiple, IDCANCEL}}},
        {"Smith", {{kSummary, IDOK}, {kMultiple, kIdcNewContact}, {kNoMatch, IDCANCEL}}},
        {"Nobody Here", {{kSummary, IDOK}, {kNoMatch, IDCANCEL}}},
        {"Nobody Here", {{kSummary, IDOK}, {kNoMatch, kIdcSelectBooks}, {kSelectCorrect, IDCANCEL}}},
        {"Erin Badnumber", {{kSummary, IDOK}, {kMobiles, IDCANCEL}}},
        {"Erin Badnumber", {{kSummary, IDOK}, {kMobiles, kIdcOnceOff}, {kOnceOff, IDCANCEL}}},
        {"Mixed Team", {{kSummary, IDOK}, {kMobiles, IDCANCEL}}},
    };
    for (const auto& oCase : aCases)
    {
        Lists({oCase.m_szTyped, "Carol Jones"});
        const CCheckRun oRun = Run([&](CCheckRun& p_oRun) {
            for (const auto& [sPage, iButton] : oCase.m_vSteps)
                if (HWND hPage = WaitPage(p_oRun, sPage))
                    Click(hPage, iButton);
        });
        EXPECT_EQ(oRun.m_iResult, 0) << oCase.m_szTyped << " " << oCase.m_vSteps.back().first;
        EXPECT_EQ(oRun.m_iExited, 1) << oCase.m_szTyped << " " << oCase.m_vSteps.back().first;
    }
}

// Fix then Skip brings the summary back as "STILL unfixed"; Ignore keeps only the usable. With no
// one usable, Ignore ends in "No valid recipients" unless sending anyway.
TEST_F(CheckWizard, IgnoreKeepsTheUsableAndSendAnywayPasses)
{
    Lists({"Nobody Here", "Carol Jones"});
    CCheckRun oRun = Run([](CCheckRun& p_oRun) {
        Fix(p_oRun);
        if (HWND hNoMatch = WaitPage(p_oRun, kNoMatch))
            Click(hNoMatch, kIdcSkip);
        // The first summary is gone before the second is looked for.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const HWND hPage = WaitPage(p_oRun, kSummary);
        if (hPage == nullptr)
            return;
        EXPECT_EQ(ControlText(hPage, kIdcHeader), "The following problems are STILL unfixed :");
        EXPECT_EQ(ControlText(hPage, kIdcAdvice),
                  "Click 'Fix' to solve them, or click 'Ignore' to send to those without problems.");
        Click(hPage, kIdcIgnore);
    });
    EXPECT_EQ(oRun.m_iResult, 1);
    EXPECT_EQ(oRun.m_iExited, 0);
    EXPECT_EQ(DisplayTexts(m_p_mrlTo), std::vector<std::string>{"Carol Jones"});

    Lists({"Nobody Here"});
    oRun = Run(
        [](CCheckRun& p_oRun) {
            if (HWND hPage = WaitPage(p_oRun, kSummary))
                Click(hPage, kIdcIgnore);
        },
        1);
    EXPECT_EQ(oRun.m_iResult, 1);

    Lists({"Nobody Here"});
    oRun = Run([](CCheckRun& p_oRun) {
        if (HWND hPage = WaitPage(p_oRun, kSummary))
            Click(hPage, kIdcIgnore);
        if (HWND hBox = WaitPage(p_oRun, "No valid recipients"))
            PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(oRun.m_iResult, 0);
    EXPECT_EQ(oRun.m_iExited, 0);
}
