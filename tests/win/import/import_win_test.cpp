// tests/win/import/import_win_test.cpp: the Bulk Import Wizard and the Compress Message Body dialog
// of Corvane.dll, bound by name and driven from a second thread with window messages.
#include "tests/win/corvane/corvane_test_support.h"

#include "Addressbook/res/resource.h"
#include "common/handle_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace
{
using namespace std::chrono_literals;

constexpr const char* kInstallKeyPath = "Software\\Brevolt\\Install";

std::string TempPath(const char* p_szName)
{
    char szDirectory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szDirectory);
    return std::string(szDirectory) + p_szName;
}

void WriteFile(const std::string& p_sPath, const std::string& p_sText)
{
    std::ofstream(p_sPath, std::ios::binary) << p_sText;
}

void Click(HWND p_hDialog, int p_iControl)
{
    SendMessageA(GetDlgItem(p_hDialog, p_iControl), BM_CLICK, 0, 0);
}

// Waits for the dialog to show the caption, lets it paint and saves a picture of it.
HWND AwaitStep(const std::string& p_sCaption, const char* p_szShot)
{
    const HWND hDialog = WaitForWindow([&]() { return FindDialogByCaption(p_sCaption); }, 10s);
    if (hDialog != nullptr && p_szShot != nullptr)
    {
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(SaveWindowShot(hDialog, p_szShot)) << p_szShot;
    }
    return hDialog;
}

std::vector<const CMessageRecipient*> Members(const CMessageRecipient& p_oList)
{
    std::vector<const CMessageRecipient*> v;
    for (auto* p = p_oList.m_p_mrlMembers != nullptr ? p_oList.m_p_mrlMembers->m_p_oFirst : nullptr; p != nullptr;
         p = p->m_p_oNext)
        v.push_back(p->m_p_oItem);
    return v;
}

std::string ExtraValue(const CMessageRecipient& p_oMember, const std::string& p_sName)
{
    for (auto* p = p_oMember.m_p_oExtraProps != nullptr ? p_oMember.m_p_oExtraProps->m_p_oFirst : nullptr; p != nullptr;
         p = p->m_p_oNext)
        if (p_sName == p->m_p_oItem->m_szName)
            return p->m_p_oItem->m_szValue;
    return "(absent)";
}

class CImportTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, CCorvane::Get().Module());
        m_pfnImportFromFile = CCorvane::Get().Bind<PFN_ImportFromFile>(szImportFromFile);
        m_pfnImportRecipients = CCorvane::Get().Bind<PFN_ImportRecipients>(szImportRecipients);
        m_pfnCompress = CCorvane::Get().Bind<PFN_CompressWithDialog>(szCompressWithDialog);
        ASSERT_NE(nullptr, m_pfnImportFromFile);
        ASSERT_NE(nullptr, m_pfnImportRecipients);
        ASSERT_NE(nullptr, m_pfnCompress);
        ASSERT_EQ(1, CCorvane::Get().CreateMessageRecipientList(&m_p_mrlList));
    }
    void TearDown() override
    {
        if (m_p_mrlList != nullptr)
            CCorvane::Get().DeleteMessageRecipientList(&m_p_mrlList);
    }

    PFN_ImportFromFile m_pfnImportFromFile = nullptr;
    PFN_ImportRecipients m_pfnImportRecipients = nullptr;
    PFN_CompressWithDialog m_pfnCompress = nullptr;
    CMessageRecipientList* m_p_mrlList = nullptr;
};
} // namespace

TEST_F(CImportTest, WizardImportsDelimitedFileIntoBulkList)
{
    const std::string sPath = TempPath("branch staff.csv");
    WriteFile(sPath, "Cell Phone, First Name, Surname, Branch\r\n"
                     "0825551234, John, Smith, Durban\r\n"
                     "\r\n"
                     ",Ann,Lee,Cape Town\r\n"
                     ",,,\r\n");
    std::vector<std::string> vCaptions;
    std::thread oUser([&]() {
        HWND hDialog = AwaitStep("Bulk Import Wizard (Step 1 of 3)", "import_wizard_step1.bmp");
        if (hDialog == nullptr)
            return;
        vCaptions.push_back(WindowText(GetDlgItem(hDialog, IDC_IMPORT_PAGE_LABEL)));
        Click(hDialog, IDC_IMPORT_NEXT);
        hDialog = AwaitStep("Bulk Import Wizard (Step 2 of 3)", "import_wizard_step2.bmp");
        if (hDialog == nullptr)
            return;
        vCaptions.push_back(WindowText(GetDlgItem(hDialog, IDC_IMPORT_PAGE_LABEL)));
        Click(hDialog, IDC_IMPORT_NEXT);
        hDialog = AwaitStep("Bulk Import Wizard (Step 3 of 3)", "import_wizard_step3.bmp");
        if (hDialog == nullptr)
            return;
        vCaptions.push_back(WindowText(GetDlgItem(hDialog, IDC_IMPORT_PAGE_LABEL)));
        // The fourth column (Branch) gets a default for rows that lack it.
        SendDlgItemMessageA(hDialog, IDC_IMPORT_COLUMN_LIST, LB_SETCURSEL, 3, 0);
        SendMessageA(hDialog, WM_COMMAND, MAKEWPARAM(IDC_IMPORT_COLUMN_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDialog, IDC_IMPORT_COLUMN_LIST)));
        vCaptions.push_back(WindowText(GetDlgItem(hDialog, IDC_IMPORT_COLUMN_NAME)));
        Click(hDialog, IDC_IMPORT_FINISH);
    });
    EXPECT_EQ(1, m_pfnImportFromFile(nullptr, sPath.c_str(), &m_p_mrlList, nullptr));
    oUser.join();
    DeleteFileA(sPath.c_str());

    EXPECT_EQ((std::vector<std::string>{"Choose Fixed or Delimited", "Delimited", "Set Column Information", "Branch"}),
              vCaptions);
    ASSERT_EQ(1u, m_p_mrlList->m_dwCount);
    const CMessageRecipient& oList = *m_p_mrlList->m_p_oFirst->m_p_oItem;
    EXPECT_EQ("branch staff.csv", std::string(oList.m_szName));
    EXPECT_EQ(kStateListIncomplete, oList.m_dwState);
    EXPECT_EQ(kKindDistList, oList.m_iKind);
    const auto vMembers = Members(oList);
    ASSERT_EQ(2u, vMembers.size());
    EXPECT_EQ("John Smith", std::string(vMembers[0]->m_szName));
    EXPECT_EQ(kStateResolved, vMembers[0]->m_dwState);
    EXPECT_EQ("Durban", ExtraValue(*vMembers[0], "Branch"));
    EXPECT_EQ("Ann Lee", std::string(vMembers[1]->m_szName));
    EXPECT_EQ(kStateNoMobile, vMembers[1]->m_dwState);
}

TEST_F(CImportTest, CancelledWizardAndCancelledFileDialogAddNothing)
{
    const std::string sPath = TempPath("cancel.csv");
    WriteFile(sPath, "Mobile\r\n0825551234\r\n");
    std::thread oUser([&]() {
        const HWND hDialog = AwaitStep("Bulk Import Wizard (Step 1 of 3)", nullptr);
        if (hDialog != nullptr)
            Click(hDialog, IDC_IMPORT_NEXT), Click(hDialog, IDCANCEL);
    });
    EXPECT_EQ(1, m_pfnImportFromFile(nullptr, sPath.c_str(), &m_p_mrlList, nullptr));
    oUser.join();
    DeleteFileA(sPath.c_str());
    EXPECT_EQ(0u, m_p_mrlList->m_dwCount);

    bool bSawOpen = false;
    std::thread oChooser([&]() {
        const HWND hOpen = WaitForWindow([]() { return FindDialogByCaption("Open"); }, 15s);
        bSawOpen = hOpen != nullptr;
        if (hOpen != nullptr)
        {
            std::this_thread::sleep_for(500ms);
            SaveWindowShot(hOpen, "import_open_dialog.bmp");
            PostMessageA(hOpen, WM_COMMAND, IDCANCEL, 0);
        }
    });
    EXPECT_EQ(1, m_pfnImportRecipients(nullptr, &m_p_mrlList, nullptr));
    oChooser.join();
    EXPECT_TRUE(bSawOpen);
    EXPECT_EQ(0u, m_p_mrlList->m_dwCount);
    EXPECT_EQ(1, m_pfnImportFromFile(nullptr, nullptr, &m_p_mrlList, nullptr));
    EXPECT_EQ(0u, m_p_mrlList->m_dwCount);
}

TEST_F(CImportTest, EmptyFileAndWorkbookWithoutExcelAreReported)
{
    struct
    {
        const char* m_szName;
        const char* m_szText;
        const char* m_szCaption;
        const char* m_szMessage;
    } aCases[] = {
        {"empty.txt", "\r\n\r\n\n", "This is an empty file",
         "This is an empty file. Please choose a file with contents."},
        {"book.xls", "not a workbook", "Automation Error",
         "Cannot start Excel. You cannot import Excel files if you do not have Excel installed."},
    };
    for (const auto& oCase : aCases)
    {
        const std::string sPath = TempPath(oCase.m_szName);
        WriteFile(sPath, oCase.m_szText);
        std::string sMessage;
        std::thread oUser([&]() {
            const HWND hBox = WaitForWindow([&]() { return FindDialogByCaption(oCase.m_szCaption); }, 15s);
            if (hBox == nullptr)
                return;
            sMessage = WindowText(GetDlgItem(hBox, 0xFFFF));
            PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(1, m_pfnImportFromFile(nullptr, sPath.c_str(), &m_p_mrlList, nullptr));
        oUser.join();
        DeleteFileA(sPath.c_str());
        EXPECT_EQ(oCase.m_szMessage, sMessage) << oCase.m_szName;
        EXPECT_EQ(0u, m_p_mrlList->m_dwCount);
    }
}

// Registers (or removes) the Excel stand-in as "Excel.Application".
bool RunStandin(const char* p_szSwitch)
{
    std::string sCommand = std::string("\"") + EXCEL_STANDIN_PATH + "\" " + p_szSwitch;
    STARTUPINFOA oStartup{};
    oStartup.cb = sizeof(oStartup);
    PROCESS_INFORMATION oProcess{};
    if (!CreateProcessA(nullptr, sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &oStartup, &oProcess))
        return false;
    const unique_handle hThread(oProcess.hThread);
    const unique_handle hProcess(oProcess.hProcess);
    WaitForSingleObject(hProcess.get(), 30000);
    DWORD dwExit = 1;
    GetExitCodeProcess(hProcess.get(), &dwExit);
    return dwExit == 0;
}

TEST_F(CImportTest, WorkbookImportedThroughExcelAutomation)
{
    ASSERT_TRUE(RunStandin("/RegServer"));
    const std::string sPath = TempPath("staff.xls");
    WriteFile(sPath, "BREVOLT WORKBOOK 1\r\n"
                     "SHEET Summary\r\n"
                     "Total\t2\r\n"
                     "SHEET Staff\r\n"
                     "Mobile\tName\tOffice\r\n"
                     "0825551234\tAnn Lee\tDurban, North\r\n"
                     "\tBob\t\"Main\"\r\n");
    std::vector<std::string> vSeen;
    std::thread oUser([&]() {
        HWND hDialog = AwaitStep("Bulk Import Wizard (Step 1 of 2)", "import_workbook_step1.bmp");
        if (hDialog == nullptr)
        {
            // Whatever went wrong was shown in a box; record it and close it.
            if (const HWND hBox = FindDialogByCaption("Automation Error"); hBox != nullptr)
            {
                vSeen.push_back(WindowText(GetDlgItem(hBox, 0xFFFF)));
                PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            }
            return;
        }
        const HWND hSheets = GetDlgItem(hDialog, IDC_IMPORT_SHEETS);
        for (LRESULT i = 0; i < SendMessageA(hSheets, LB_GETCOUNT, 0, 0); ++i)
        {
            char szName[64] = {};
            SendMessageA(hSheets, LB_GETTEXT, i, reinterpret_cast<LPARAM>(szName));
            vSeen.push_back(szName);
        }
        SendMessageA(hSheets, LB_SETCURSEL, 1, 0);
        Click(hDialog, IDC_IMPORT_NEXT);
        hDialog = AwaitStep("Bulk Import Wizard (Step 2 of 2)", "import_workbook_step2.bmp");
        if (hDialog == nullptr)
            return;
        vSeen.push_back(WindowText(GetDlgItem(hDialog, IDC_IMPORT_PAGE_LABEL)));
        Click(hDialog, IDC_IMPORT_FINISH);
    });
    EXPECT_EQ(1, m_pfnImportFromFile(nullptr, sPath.c_str(), &m_p_mrlList, nullptr));
    oUser.join();
    DeleteFileA(sPath.c_str());
    EXPECT_TRUE(RunStandin("/UnregServer"));

    EXPECT_EQ((std::vector<std::string>{"Summary", "Staff", "Set Column Information"}), vSeen);
    ASSERT_EQ(1u, m_p_mrlList->m_dwCount);
    const CMessageRecipient& oList = *m_p_mrlList->m_p_oFirst->m_p_oItem;
    EXPECT_EQ("staff.xls", std::string(oList.m_szName));
    ASSERT_NE(nullptr, oList.m_p_oEntry);
    EXPECT_EQ(sPath, std::string(reinterpret_cast<const char*>(oList.m_p_oEntry->m_p_bBytes)));
    const auto vMembers = Members(oList);
    ASSERT_EQ(2u, vMembers.size());
    EXPECT_EQ("Ann Lee", std::string(vMembers[0]->m_szName));
    EXPECT_EQ("Durban, North", ExtraValue(*vMembers[0], "Office"));
    EXPECT_EQ(kStateNoMobile, vMembers[1]->m_dwState);
    EXPECT_EQ("Main", ExtraValue(*vMembers[1], "Office"));
}

TEST_F(CImportTest, CompressDialogPreviewsAndReturnsTheChosenMethods)
{
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kInstallKeyPath, "DictFile", SMS_DICTIONARY_PATH));
    // One token (code 1) named First Name.
    char szName[] = "First Name";
    CMessageToken oToken{szName, 3};
    CMessageTokenList oTokens;
    CRecordNode<CMessageToken> oNode;
    oNode.m_iOwnsItem = 0;
    oNode.m_p_oItem = &oToken;
    oTokens.m_dwCount = 1;
    oTokens.m_p_oFirst = oTokens.m_p_oLast = &oNode;
    const char* szText = "Hi \x01,\nsee you   tomorrow\nplease";

    struct
    {
        std::string m_sCount;
        std::string m_sPreview;
        LRESULT m_iLevel = -1;
    } aSeen[2];
    std::thread oUser([&]() {
        const HWND hDialog = AwaitStep("Compress Message Body", nullptr);
        if (hDialog == nullptr)
            return;
        // Level 2: whitespace and dictionary.
        SendDlgItemMessageA(hDialog, IDC_COMPRESS_SLIDER, TBM_SETPOS, TRUE, 2);
        SendMessageA(hDialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 2),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDialog, IDC_COMPRESS_SLIDER)));
        std::this_thread::sleep_for(300ms);
        SaveWindowShot(hDialog, "compress_dialog_level2.bmp");
        aSeen[0] = {WindowText(GetDlgItem(hDialog, IDC_COMPRESS_COUNT)),
                    WindowText(GetDlgItem(hDialog, IDC_COMPRESS_PREVIEW)),
                    SendDlgItemMessageA(hDialog, IDC_COMPRESS_SLIDER, TBM_GETPOS, 0, 0)};
        // Leaving only the dictionary checked moves the slider to Custom.
        Click(hDialog, IDC_COMPRESS_SQUEEZE);
        aSeen[1] = {WindowText(GetDlgItem(hDialog, IDC_COMPRESS_COUNT)),
                    WindowText(GetDlgItem(hDialog, IDC_COMPRESS_PREVIEW)),
                    SendDlgItemMessageA(hDialog, IDC_COMPRESS_SLIDER, TBM_GETPOS, 0, 0)};
        Click(hDialog, IDOK);
    });
    char* szCompressed = nullptr;
    int32_t iCancelled = -1;
    uint32_t dwFlags = 0;
    EXPECT_EQ(1, m_pfnCompress(nullptr, &oTokens, szText, &szCompressed, &iCancelled, &dwFlags));
    oUser.join();

    EXPECT_EQ("Number of characters (excluding token): 18", aSeen[0].m_sCount);
    EXPECT_EQ("Hi <<First Name>>,\r\nc u 2moro\r\npls", aSeen[0].m_sPreview);
    EXPECT_EQ(2, aSeen[0].m_iLevel);
    EXPECT_EQ("Hi <<First Name>>,\r\nc u   2moro\r\npls", aSeen[1].m_sPreview);
    EXPECT_EQ(4, aSeen[1].m_iLevel);
    EXPECT_EQ(0, iCancelled);
    EXPECT_EQ(4u, dwFlags);
    ASSERT_NE(nullptr, szCompressed);
    EXPECT_EQ("Hi \x01,\r\nc u   2moro\r\npls", std::string(szCompressed));
    CCorvane::Get().FreeString(&szCompressed);

    // Cancel gives nothing back and keeps the flags.
    std::thread oCanceller([&]() {
        const HWND hDialog = AwaitStep("Compress Message Body", nullptr);
        if (hDialog != nullptr)
            PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(1, m_pfnCompress(nullptr, &oTokens, szText, &szCompressed, &iCancelled, &dwFlags));
    oCanceller.join();
    EXPECT_EQ(1, iCancelled);
    EXPECT_EQ(nullptr, szCompressed);
    EXPECT_EQ(4u, dwFlags);

    // Without a readable dictionary the dialog does not open.
    ASSERT_TRUE(WriteRegText(HKEY_LOCAL_MACHINE, kInstallKeyPath, "DictFile", "Z:\\nowhere\\dictionary.txt"));
    EXPECT_EQ(1, m_pfnCompress(nullptr, &oTokens, szText, &szCompressed, &iCancelled, &dwFlags));
    EXPECT_EQ(1, iCancelled);
    EXPECT_EQ(nullptr, szCompressed);
}
