// tests/win/reminders/rule_dialog_test.cpp: "Inbox Rules" and "Create New Rule" driven the way a
// user drives them, from a second thread with window messages, against the real registry.
#include "tests/unit/reminders/rule_set_cases.h"
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/res/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

constexpr const char* kManagerCaption = "Inbox Rules";
constexpr const char* kEditorCaption = "Create New Rule";

void Click(HWND p_hDialog, int p_iButton)
{
    SendMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(p_iButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(p_hDialog, p_iButton)));
}

void Select(HWND p_hDialog, int p_iIndex)
{
    const HWND list = GetDlgItem(p_hDialog, IDC_RULE_LIST);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(p_iIndex), 0);
    SendMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDC_RULE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::vector<std::string> Items(HWND p_hDialog)
{
    const HWND list = GetDlgItem(p_hDialog, IDC_RULE_LIST);
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
    {
        char text[512] = {};
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof(text)))
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string Text(HWND p_hDialog, int p_iControl)
{
    return WindowText(GetDlgItem(p_hDialog, p_iControl));
}

// Saves a window's shot and says where, so a failing run points at the picture.
void Shoot(HWND p_hWindow, const char* p_szName)
{
    PumpMessages(300ms);
    EXPECT_TRUE(SaveWindowShot(p_hWindow, p_szName)) << p_szName;
}

CMessageRuleList StoredRules()
{
    CRegistry registry(SystemRegistry());
    CRuleManager reader(registry);
    EXPECT_TRUE(reader.LoadRulesFromRegistry()) << reader.Error().Text();
    return reader.Rules();
}

std::vector<std::string> NamesOf(const CMessageRuleList& p_oRules)
{
    std::vector<std::string> names;
    for (const CMessageRule& rule : p_oRules)
        names.push_back(rule.m_sName);
    return names;
}

void StoreFullSet()
{
    ClearRules(SystemRegistry());
    CRegistry registry(SystemRegistry());
    CRuleManager writer(registry);
    writer.SetRules(FullRuleSet());
    ASSERT_TRUE(writer.SaveRules()) << writer.Error().Text();
}

using CNames = std::vector<std::string>;
} // namespace

TEST(RuleManagerDialog, ListsMovesDeletesAddsAndOKStoresTheNewOrder)
{
    CCorvane& corvane = CCorvane::Get();
    const auto showRuleManager = corvane.Bind<PFN_ShowRuleManager>(szShowRuleManager);
    ASSERT_NE(showRuleManager, nullptr);
    StoreFullSet();
    CInitScope init(1, 6, kCallerFull);
    ASSERT_TRUE(init.Succeeded());

    CNames atStart, afterMove, afterDelete, afterEnable, afterNew;
    std::string firstDescription, noneSelected, enableLabel, emptyText;
    CBox emptyBox, noContentBox;
    HWND editor = nullptr;
    CDialogUser user([&](HWND p_hDialog) {
        atStart = Items(p_hDialog);
        firstDescription = Text(p_hDialog, IDC_RULE_DESCRIPTION);
        Shoot(p_hDialog, "rules_inbox_rules.bmp");

        Select(p_hDialog, -1);
        noneSelected = Text(p_hDialog, IDC_RULE_DESCRIPTION);

        Select(p_hDialog, 2);
        Click(p_hDialog, IDC_RULE_UP);
        afterMove = Items(p_hDialog);

        Select(p_hDialog, 0);
        Click(p_hDialog, IDC_RULE_DELETE);
        afterDelete = Items(p_hDialog);

        Select(p_hDialog, 1);
        enableLabel = Text(p_hDialog, IDC_RULE_ENABLE);
        Click(p_hDialog, IDC_RULE_ENABLE);
        afterEnable = Items(p_hDialog);

        // New...: the editor opens over the manager; an empty rule and one without content are refused.
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDC_RULE_NEW, BN_CLICKED), 0);
        editor = WaitForWindow([&]() { return FindDialogByCaption(kEditorCaption); }, 5s);
        if (editor == nullptr)
            return;
        emptyText = Text(editor, IDC_RULE_NAME);
        emptyBox = PressExpectingBox(editor, IDOK);
        SetDlgItemTextA(editor, IDC_RULE_NAME, "Invoices");
        SetDlgItemTextA(editor, IDC_RULE_SUBJECT, "invoice;statement");
        for (int box : {IDC_RULE_SMS_FROM, IDC_RULE_SMS_SUBJECT})
            CheckDlgButton(editor, box, BST_UNCHECKED);
        noContentBox = PressExpectingBox(editor, IDOK);
        CheckDlgButton(editor, IDC_RULE_SMS_SUBJECT, BST_CHECKED);
        CheckDlgButton(editor, IDC_RULE_SMS_TIME, BST_CHECKED);
        Shoot(editor, "rules_create_new_rule.bmp");
        PostMessageA(editor, WM_COMMAND, IDOK, 0);
        WaitUntilGone(editor, 3s);
        WaitForWindow([&]() { return IsWindowEnabled(p_hDialog) ? p_hDialog : nullptr; }, 3s);
        afterNew = Items(p_hDialog);
        Shoot(p_hDialog, "rules_inbox_rules_after.bmp");
        PostMessageA(p_hDialog, WM_COMMAND, IDOK, 0);
    });
    user.Start(kManagerCaption);
    const int result = showRuleManager(nullptr);
    user.Join();

    ASSERT_NE(user.Dialog(), nullptr) << "no dialog captioned " << kManagerCaption;
    EXPECT_FALSE(user.LeftOpen());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(atStart, (CNames{"Boss mail", "Everything to my partner (disabled)", "Not newsletters"}));
    EXPECT_EQ(firstDescription, FullRuleSet()[0].GetDescription());
    EXPECT_EQ(noneSelected, "No rule selected");
    EXPECT_EQ(afterMove, (CNames{"Boss mail", "Not newsletters", "Everything to my partner (disabled)"}));
    EXPECT_EQ(afterDelete, (CNames{"Not newsletters", "Everything to my partner (disabled)"}));
    EXPECT_EQ(enableLabel, "E&nable");
    EXPECT_EQ(afterEnable, (CNames{"Not newsletters", "Everything to my partner"}));
    ASSERT_NE(editor, nullptr) << "no dialog captioned " << kEditorCaption;
    EXPECT_EQ(emptyText, "Inbox Rule 2");
    EXPECT_EQ(emptyBox.m_sCaption, "Empty rule");
    EXPECT_EQ(
        emptyBox.m_sText.rfind("Please enter at least one keyword in either 'From', 'To', 'Subject', or 'Body'.", 0),
        0u);
    EXPECT_EQ(noContentBox.m_sCaption, "Nothing to send");
    EXPECT_EQ(noContentBox.m_sText,
              "Please check at least one item for the notification SMS content (Step 3) such as 'From' or 'Subject'.");
    EXPECT_EQ(afterNew, (CNames{"Not newsletters", "Everything to my partner", "Invoices"}));

    // OK stored the list order as the priority, every rule with its data.
    const CMessageRuleList stored = StoredRules();
    EXPECT_EQ(NamesOf(stored), (CNames{"Not newsletters", "Everything to my partner", "Invoices"}));
    const CMessageRuleList original = FullRuleSet();
    ASSERT_EQ(stored.size(), 3u);
    CMessageRule expected = original[2];
    expected.m_iPriority = 0;
    EXPECT_TRUE(stored[0].SameData(expected));
    expected = original[1];
    expected.m_iPriority = 1;
    expected.m_bEnabled = true;
    EXPECT_TRUE(stored[1].SameData(expected));
    EXPECT_EQ(stored[2].m_aCriteria[kRuleFieldSubject].TriggerData(), "invoice;statement");
    EXPECT_EQ(stored[2].m_aCriteria[kRuleFieldSubject].TriggerCriteria(), 1u);
    EXPECT_EQ(stored[2].m_dwTriggerAction, kRuleActionSubject | kRuleActionTime);
    EXPECT_TRUE(stored[2].m_bSendToMe);
    std::vector<std::string> subkeys;
    ASSERT_EQ(SystemRegistry().EnumSubkeys(ERegRoot::CurrentUser, kRulesKey, subkeys), kErrorSuccess);
    EXPECT_EQ(subkeys.size(), 3u) << "a deleted rule's key was left behind";
    ClearRules(SystemRegistry());
}

TEST(RuleManagerDialog, CancelChangesNothing)
{
    CCorvane& corvane = CCorvane::Get();
    const auto showRuleManager = corvane.Bind<PFN_ShowRuleManager>(szShowRuleManager);
    ASSERT_NE(showRuleManager, nullptr);
    StoreFullSet();
    CInitScope init(1, 6, kCallerFull);
    ASSERT_TRUE(init.Succeeded());

    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        CNames seen, emptied;
        CDialogUser user([&](HWND p_hDialog) {
            seen = Items(p_hDialog);
            for (int i = 0; i < 3; ++i)
            {
                Select(p_hDialog, 0);
                Click(p_hDialog, IDC_RULE_DELETE);
            }
            emptied = Items(p_hDialog);
            PostMessageA(p_hDialog, WM_COMMAND, IDCANCEL, 0);
        });
        user.Start(kManagerCaption);
        EXPECT_EQ(showRuleManager(nullptr), 1);
        user.Join();
        EXPECT_FALSE(user.LeftOpen());
        // The second round shows the library's rules are untouched too, not only the stored ones.
        EXPECT_EQ(seen, (CNames{"Boss mail", "Everything to my partner (disabled)", "Not newsletters"}));
        EXPECT_TRUE(emptied.empty());
        EXPECT_EQ(NamesOf(StoredRules()), (CNames{"Boss mail", "Everything to my partner", "Not newsletters"}));
    }
    ClearRules(SystemRegistry());
}

TEST(RuleManagerDialog, InitRefusesToStartOverADamagedRuleAndSaysWhy)
{
    CCorvane::Get();
    StoreFullSet();
    const char text[] = "three";
    ASSERT_EQ(SystemRegistry().SetValue(ERegRoot::CurrentUser, "Software\\Brevolt\\Rules\\Rule1", "SMSLimit", kRegSz,
                                        text, sizeof(text)),
              kErrorSuccess);
    CBox seen;
    std::thread user([&]() {
        const HWND box = WaitForWindow([&]() { return FindDialogByCaption("CRuleManager creation FAILED"); }, 10s);
        if (box == nullptr)
            return;
        seen = {WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))};
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    {
        CInitScope init(1, 6, kCallerFull);
        EXPECT_FALSE(init.Succeeded());
    }
    user.join();
    EXPECT_EQ(seen.m_sCaption, "CRuleManager creation FAILED");
    EXPECT_EQ(seen.m_sText, "Invalid or truncated data in 'Software\\Brevolt\\Rules\\Rule1\\SMSLimit'.");
    ClearRules(SystemRegistry());

    // Without any rules stored the library starts as before.
    CInitScope init(1, 6, kCallerFull);
    EXPECT_TRUE(init.Succeeded());
}
