// tests/win/summary/summary_win_test.cpp: the "Message Summary" and "Preview" dialogs opened from a
// real compose window whose bulk list came from a CSV file through the import wizard, driven through
// their controls from the test thread as a user drives them.
#include "Addressbook/res/resource.h"
#include "common/settings.h"
#include "compose/quillet_object_win.h"
#include "compose/ui/bars.h"
#include "compose/ui/sms_window.h"
#include "tests/win/compose/compose_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;

namespace
{
// The compose window's commands.
constexpr int kCommandImport = 32848;
constexpr int kCommandPreview = 32873;
constexpr int kCommandSummary = 32875;
constexpr int kCommandSend = 40002;
constexpr int kResultLinesFirst = 4; // the counter lines come first

class CComEnvironment : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                            ICC_COOL_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        LoadLibraryA("riched20.dll");
        ASSERT_TRUE(InstallCore(CORVANE_DLL_PATH));
    }
};
const auto* const g_pEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);

// Ten people: four complete, two without a balance, four without a mobile.
constexpr const char* kCsv = "Cell Phone,First Name,Surname,Balance\r\n"
                             "0825550001,Ann,Lee,12.50\r\n"
                             "0825550002,Bob,Stone,7.25\r\n"
                             ",Cat,Hill,1.00\r\n"
                             "0825550003,Dee,Ray,30.00\r\n"
                             "0825550004,Eve,Moss,\r\n"
                             ",Fay,Dunn,2.00\r\n"
                             "0825550005,Gus,Kerr,99.99\r\n"
                             ",Hal,Webb,3.00\r\n"
                             "0825550006,Ivy,Lamb,\r\n"
                             ",Jon,Cole,4.00\r\n";
// 180 characters and the balance: two SMS for everyone.
const std::string kBody = "Dear customer, this is a reminder from the branch that your account statement is ready "
                          "and can be collected at the counter during opening hours this week. Balance due: "
                          "payable now ";

std::string g_sCsvPath;
PFN_ImportFromFile g_pfnImportFromFile = nullptr;

struct CBulkSeen
{
    std::atomic<int> m_iCalls{0};
    std::atomic<uint32_t> m_dwMessages{0};
    std::atomic<size_t> m_nLongest{0};
} g_oBulk;

// The file dialog is the only step not driven here: the wizard reads the test's file.
int CORVANE_API ImportTestFile(HWND p_hParent, CMessageRecipientList** p_pp_mrlList, int32_t* p_piPosition)
{
    return g_pfnImportFromFile(p_hParent, g_sCsvPath.c_str(), p_pp_mrlList, p_piPosition);
}

// No address book here: the imported list is checked already.
int CORVANE_API PassCheck(HWND, CMessageRecipientList**, CMessageRecipientList**, int, HWND, int* p_pbExited)
{
    *p_pbExited = 0;
    return 1;
}

int CORVANE_API RecordBulkSend(HWND, const char*, const CFinalSMSList* p_p_oList, const char*, uint32_t,
                               const CDeliveryTime*, const CDeliveryTime*, HWND, const char*,
                               const CMessageRecipientList*, const CMessageRecipientList*, int* p_piResult)
{
    size_t nLongest = 0;
    for (auto* node = p_p_oList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        nLongest = std::max(nLongest, strlen(node->m_p_oItem->m_szText));
    g_oBulk.m_dwMessages = p_p_oList->m_dwCount;
    g_oBulk.m_nLongest = nLongest;
    *p_piResult = 6;
    ++g_oBulk.m_iCalls;
    return 1;
}

HWND Await(const std::string& p_sCaption)
{
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindOwnWindow(p_sCaption)) != nullptr; }, 15s);
    return found;
}

void Pause(std::chrono::milliseconds p_oFor)
{
    PumpUntil([] { return false; }, p_oFor);
}

std::string LabelLine(HWND p_hDialog, int p_iLine)
{
    std::string line;
    for (int j = 0; j < IDC_SUMMARY_LINE_STRIDE; ++j)
        if (HWND label = GetDlgItem(p_hDialog, IDC_SUMMARY_LABELS + IDC_SUMMARY_LINE_STRIDE * p_iLine + j))
            line += TextOf(label);
    return line;
}

// Every line's labels share one top and one height and follow each other without a gap or overlap.
void ExpectLabelsInRows(HWND p_hDialog)
{
    for (int i = 0; i < kResultLinesFirst + 5; ++i)
    {
        RECT previous{};
        for (int j = 0; j < IDC_SUMMARY_LINE_STRIDE; ++j)
        {
            HWND label = GetDlgItem(p_hDialog, IDC_SUMMARY_LABELS + IDC_SUMMARY_LINE_STRIDE * i + j);
            if (label == nullptr)
                break;
            RECT rect{};
            GetWindowRect(label, &rect);
            if (j > 0)
            {
                EXPECT_EQ(rect.top, previous.top) << "line " << i << " label " << j;
                EXPECT_EQ(rect.bottom, previous.bottom) << "line " << i << " label " << j;
                EXPECT_EQ(rect.left, previous.right) << "line " << i << " label " << j;
            }
            previous = rect;
        }
    }
}

std::string ItemText(HWND p_hList, int p_iItem)
{
    char text[128] = {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(p_hList, LVM_GETITEMTEXTA, static_cast<WPARAM>(p_iItem), reinterpret_cast<LPARAM>(&item));
    return text;
}

class SummaryDialogs : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CRegistry registry;
        ASSERT_TRUE(registry.SetSendDefaults(kSendDefaultsAbsent, ""));
        char directory[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, directory);
        g_sCsvPath = std::string(directory) + "statements.csv";
        std::ofstream(g_sCsvPath, std::ios::binary) << kCsv;
        m_pQuillet.attach(new CQuillet());
        ASSERT_EQ(m_pQuillet->Init(1, 0, nullptr, nullptr,
                                   static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())), 0, 1),
                  S_OK);
        CAddressBookControlObject& core = *m_pQuillet->Binding();
        g_pfnImportFromFile = core.m_pfnImportFromFile;
        core.m_pfnImportRecipients = &ImportTestFile;
        core.m_pfnCheck = &PassCheck;
        core.m_pfnSendBulkSMS = &RecordBulkSend;
        g_oBulk.m_iCalls = 0;
    }

    void TearDown() override
    {
        m_oBoxes.SetAnswer(IDNO);
        EXPECT_TRUE(CloseOpenedWindows(m_oOpener));
        m_pQuillet.reset();
        DeleteFileA(g_sCsvPath.c_str());
    }

    // A compose window with the imported list in To and the body ending in the Balance token.
    HWND OpenWithImportedList()
    {
        const std::wstring wide(kBody.begin(), kBody.end());
        const unique_bstr body(SysAllocString(wide.c_str()));
        HWND window = OpenComposeWindow(*m_pQuillet.get(), m_oOpener, nullptr, body.get());
        if (window == nullptr)
            return nullptr;
        std::thread user([] {
            for (const char* step : {"Bulk Import Wizard (Step 1 of 3)", "Bulk Import Wizard (Step 2 of 3)"})
            {
                HWND wizard = nullptr;
                for (int i = 0; i < 500 && (wizard = FindOwnWindow(step)) == nullptr; ++i)
                    Sleep(20);
                SendMessageA(GetDlgItem(wizard, IDC_IMPORT_NEXT), BM_CLICK, 0, 0);
            }
            HWND wizard = nullptr;
            for (int i = 0; i < 500 && (wizard = FindOwnWindow("Bulk Import Wizard (Step 3 of 3)")) == nullptr; ++i)
                Sleep(20);
            SendMessageA(GetDlgItem(wizard, IDC_IMPORT_FINISH), BM_CLICK, 0, 0);
        });
        PostMessageA(window, WM_COMMAND, kCommandImport, 0);
        HWND tokens = FindDescendant(window, kIdTokenList);
        const bool imported = PumpUntil(
            [&] {
                return SendMessageA(tokens, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>("Balance")) >= 0;
            },
            20s);
        user.join();
        if (!imported)
            return nullptr;
        HWND bodyField = FindDescendant(window, kIdBodyField);
        const LRESULT end = static_cast<LRESULT>(kBody.size());
        SendMessageA(bodyField, EM_SETSEL, static_cast<WPARAM>(end), end);
        SendMessageA(tokens, CB_SETCURSEL,
                     static_cast<WPARAM>(SendMessageA(tokens, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                      reinterpret_cast<LPARAM>("Balance"))),
                     0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(kIdInsertToken, BN_CLICKED), 0);
        Pause(200ms);
        return window;
    }

    static void Click(HWND p_hDialog, int p_iControl)
    {
        SendMessageA(GetDlgItem(p_hDialog, p_iControl), BM_CLICK, 0, 0);
    }

    CBoxRecorder m_oBoxes;
    COpener m_oOpener;
    com_ptr<CQuillet> m_pQuillet;
};
} // namespace

TEST_F(SummaryDialogs, ToolsSummaryShowsTheListsFiguresAndOkGivesTheBulkBarItsLimit)
{
    HWND window = OpenWithImportedList();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, kCommandSummary, 0);
    HWND dialog = Await("Message Summary");
    ASSERT_NE(dialog, nullptr);
    Pause(300ms);

    EXPECT_EQ(LabelLine(dialog, 0), "- Number of recipients : 10");
    EXPECT_EQ(LabelLine(dialog, 1), "- Number without mobile : 4");
    EXPECT_EQ(LabelLine(dialog, 2), "- Number with other missing details : 2");
    EXPECT_EQ(LabelLine(dialog, 3), "- The longest SMS needs to be split into: 2 parts");
    EXPECT_EQ(LabelLine(dialog, 4), "- 4 recipients will not receive the message because they dont have a mobile.");
    EXPECT_EQ(LabelLine(dialog, 5),
              "- 2 recipients will receive the message even though they have other missing details.");
    EXPECT_EQ(LabelLine(dialog, 6), "- The longest SMS requires 2 parts. You have set an SMS limit of 10 parts.");
    EXPECT_EQ(LabelLine(dialog, 7), "All recipients require less parts than the limit.");
    EXPECT_EQ(LabelLine(dialog, 8), "- In Summary: 12 SMSs will be sent to 6 recipients.");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDOK)), "&Apply");
    ExpectLabelsInRows(dialog);
    EXPECT_TRUE(SaveWindowShot(dialog, "summary_dialog.bmp"));

    // The Part's case: missing details left out, a limit of one, over-limit recipients dropped.
    Click(dialog, IDC_SUMMARY_MISSING);
    SetWindowTextA(GetDlgItem(dialog, IDC_SUMMARY_LIMIT), "1");
    Click(dialog, IDC_SUMMARY_OVER_LIMIT);
    EXPECT_EQ(LabelLine(dialog, 5),
              "- 2 recipients will not receive the message because they have other missing details.");
    EXPECT_EQ(LabelLine(dialog, 7),
              "4 recipients will not receive the message at all because it requires too many parts.");
    EXPECT_EQ(LabelLine(dialog, 8), "- In Summary: 0 SMSs will be sent to 0 recipients.");
    Click(dialog, IDC_SUMMARY_OVER_LIMIT);
    EXPECT_EQ(LabelLine(dialog, 7),
              "4 recipients will not receive the full message because it requires too many parts.");
    EXPECT_EQ(LabelLine(dialog, 8), "- In Summary: 4 SMSs will be sent to 4 recipients.");
    ExpectLabelsInRows(dialog);

    // Typing 12 and leaving the box.
    HWND limit = GetDlgItem(dialog, IDC_SUMMARY_LIMIT);
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(limit), TRUE);
    Pause(100ms);
    SetWindowTextA(limit, "12");
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_SUMMARY_PREVIEW)), TRUE);
    HWND violation = Await("SMS limit violation");
    ASSERT_NE(violation, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(violation, 0xFFFF)), "You can only limit the SMS splitter to 10 SMSs or less.");
    PostMessageA(violation, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(limit) == "10"; }, 5s)) << TextOf(limit);
    SetWindowTextA(limit, "1");

    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return TextOf(FindDescendant(window, kIdSMSLimit)) == "1"; }, 5s))
        << TextOf(FindDescendant(window, kIdSMSLimit));
}

TEST_F(SummaryDialogs, PreviewListsWhoReceivesAndShowsTheirMergedText)
{
    HWND window = OpenWithImportedList();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, kCommandPreview, 0);
    HWND preview = Await("Preview");
    ASSERT_NE(preview, nullptr);
    HWND list = GetDlgItem(preview, IDC_PREVIEW_LIST);
    HWND text = GetDlgItem(preview, IDC_PREVIEW_TEXT);
    // Both settings are on at first: everyone with a mobile, under the list's entry.
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 7);
    EXPECT_EQ(ItemText(list, 0), "statements.csv");
    EXPECT_EQ(ItemText(list, 1), "Ann Lee");
    EXPECT_EQ(ItemText(list, 6), "Ivy Lamb");
    EXPECT_EQ(TextOf(GetDlgItem(preview, IDC_PREVIEW_PREVIOUS)), "<<  &Previous");
    EXPECT_EQ(TextOf(GetDlgItem(preview, IDC_PREVIEW_NEXT)), "&Next  >>");
    EXPECT_EQ(TextOf(GetDlgItem(preview, IDOK)), "&Done");

    // The list entry itself has no text; Next moves to its first member, rendered on the next paint.
    Pause(300ms);
    EXPECT_EQ(TextOf(text), "");
    Click(preview, IDC_PREVIEW_NEXT);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(text) == kBody + "12.50"; }, 5s)) << TextOf(text);
    Click(preview, IDC_PREVIEW_NEXT);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(text) == kBody + "7.25"; }, 5s)) << TextOf(text);
    Click(preview, IDC_PREVIEW_PREVIOUS);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(text) == kBody + "12.50"; }, 5s)) << TextOf(text);
    Pause(200ms);
    EXPECT_TRUE(SaveWindowShot(preview, "preview_dialog.bmp"));
    PostMessageA(preview, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(preview); }, 5s));
}

TEST_F(SummaryDialogs, SendShowsTheSummaryAndSendsWhatItAnnounced)
{
    HWND window = OpenWithImportedList();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, kCommandSend, 0);
    HWND dialog = Await("Message Summary");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDOK)), "&Apply and Send");
    RECT ok{};
    RECT cancel{};
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
    EXPECT_GE(ok.right - ok.left, cancel.right - cancel.left);
    EXPECT_LE(ok.right, cancel.left);
    Pause(300ms);
    EXPECT_TRUE(SaveWindowShot(dialog, "summary_dialog_send.bmp"));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 5s));
    Pause(300ms);
    EXPECT_EQ(g_oBulk.m_iCalls, 0);

    PostMessageA(window, WM_COMMAND, kCommandSend, 0);
    dialog = Await("Message Summary");
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDC_SUMMARY_MISSING);
    SetWindowTextA(GetDlgItem(dialog, IDC_SUMMARY_LIMIT), "1");
    EXPECT_EQ(LabelLine(dialog, 8), "- In Summary: 4 SMSs will be sent to 4 recipients.");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([] { return g_oBulk.m_iCalls > 0; }, 10s));
    EXPECT_EQ(g_oBulk.m_dwMessages, 4u);
    EXPECT_EQ(g_oBulk.m_nLongest, 160u);
    EXPECT_EQ(TextOf(FindDescendant(window, kIdSMSLimit)), "1");
}
