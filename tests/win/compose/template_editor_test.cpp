// tests/win/compose/template_editor_test.cpp: the template editor under wine64, driven by window
// messages as a user would: opened through IQuillet::ShowTemplateEditor, text typed, fields inserted
// through their definition dialogs, saved as a ".template" file and opened again, copied and pasted
// through "TemplateToken" into another editor, edited by a double-click and deleted as one
// character; the questions on closing and on the server's forced close; and a saved template
// generated into a compose window whose send hands the generated text to the core.
#include "common/registry.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "compose/quillet_object_win.h"
#include "compose/res/resource.h"
#include "compose/templates/recent_templates.h"
#include "compose/templates/template_file.h"
#include "compose/templates/template_window_win.h"
#include "compose/ui/sms_window.h"
#include "tests/win/compose/compose_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using namespace compose;

namespace
{
class CEditorEnvironment : public ::testing::Environment
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
[[maybe_unused]] ::testing::Environment* const g_pEnvironment =
    ::testing::AddGlobalTestEnvironment(new CEditorEnvironment);

std::mutex g_oSentLock;
std::string g_sSentBody;
std::atomic<int> g_iSent{0};

int CORVANE_API RecordSendSMS(HWND, const CMessageRecipientList*, const CMessageRecipientList*, const char* p_szMessage,
                              uint32_t, const CDeliveryTime*, const char*, int* p_piResult)
{
    {
        std::lock_guard<std::mutex> lock(g_oSentLock);
        g_sSentBody = p_szMessage;
    }
    *p_piResult = 6;
    ++g_iSent;
    return 1;
}

std::string TempPath(const std::string& p_sName)
{
    char szDir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szDir);
    return std::string(szDir) + "editor_test_" + std::to_string(GetCurrentProcessId()) + "_" + p_sName;
}

std::string ReadBytes(const std::string& p_sPath)
{
    std::ifstream oFile(p_sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(oFile), std::istreambuf_iterator<char>());
}

// The clipboard's block in the editor's own format, read back as a template.
bool ClipboardTemplate(CTemplate& p_oTemplate, std::string& p_sText)
{
    const UINT uFormat = RegisterClipboardFormatA("TemplateToken");
    if (!OpenClipboard(nullptr))
        return false;
    bool bRead = false;
    if (HANDLE hData = GetClipboardData(uFormat))
    {
        const auto* pBytes = static_cast<const uint8_t*>(GlobalLock(hData));
        bRead = pBytes != nullptr && ReadTemplate(pBytes, GlobalSize(hData), p_oTemplate) == ETemplateResult::Ok;
        GlobalUnlock(hData);
    }
    if (HANDLE hText = GetClipboardData(CF_TEXT))
    {
        p_sText = static_cast<const char*>(GlobalLock(hText));
        GlobalUnlock(hText);
    }
    CloseClipboard();
    return bRead;
}

class TemplateEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        (void)SystemRegistry().DeleteTree(ERegRoot::CurrentUser, kRecentTemplatesKey);
        CRegistry registry;
        ASSERT_TRUE(registry.SetSendDefaults(kSendDefaultsAbsent, ""));
        m_pQuillet.attach(new CQuillet());
        ASSERT_EQ(m_pQuillet->Init(1, 0, nullptr, nullptr, Opener(), 0, 1), S_OK);
        m_pQuillet->Binding()->m_pfnSendSMS = &RecordSendSMS;
        m_sPath = TempPath("greeting.template");
        std::remove(m_sPath.c_str());
    }
    void TearDown() override
    {
        m_oBoxes.SetAnswer(IDNO);
        EXPECT_TRUE(CloseOpenedWindows(m_oOpener));
        m_pQuillet.reset();
        std::remove(m_sPath.c_str());
        (void)SystemRegistry().DeleteTree(ERegRoot::CurrentUser, kRecentTemplatesKey);
    }
    LONG Opener() const
    {
        return static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle()));
    }
    // Opens the editor through the server and waits until it shows.
    HWND OpenEditor()
    {
        if (m_pQuillet->ShowTemplateEditor(Opener()) != S_OK)
            return nullptr;
        HWND hEditor = nullptr;
        PumpUntil([&] { return (hEditor = CTemplateWindow::FindOpen(m_pQuillet->Windows())) != nullptr; }, 10s);
        PumpUntil([&] { return hEditor != nullptr && IsWindowVisible(hEditor); }, 5s);
        return hEditor;
    }
    HWND Body(HWND p_hEditor)
    {
        return GetDlgItem(p_hEditor, IDC_TEMPLATE_BODY);
    }
    std::string Status(HWND p_hEditor)
    {
        char szText[64] = {};
        SendMessageA(GetDlgItem(p_hEditor, IDC_TEMPLATE_STATUS), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(szText));
        return szText;
    }
    void Type(HWND p_hEditor, const char* p_szText)
    {
        for (const char* p = p_szText; *p != '\0'; ++p)
            SendMessageA(Body(p_hEditor), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*p)), 0);
    }
    // A command that opens a dialog on the editor's thread: the dialog, once it shows.
    HWND CommandDialog(HWND p_hEditor, int p_iCommand, const char* p_szCaption)
    {
        PostMessageA(p_hEditor, WM_COMMAND, static_cast<WPARAM>(p_iCommand), 0);
        HWND hDialog = nullptr;
        PumpUntil([&] { return (hDialog = FindOwnWindow(p_szCaption)) != nullptr; }, 10s);
        return hDialog;
    }
    // Presses OK and waits until the dialog is gone and the editor has done what followed.
    static bool PressOk(HWND p_hEditor, HWND p_hDialog)
    {
        PostMessageA(p_hDialog, WM_COMMAND, IDOK, 0);
        const bool bGone = PumpUntil([&] { return !IsWindow(p_hDialog); }, 10s);
        SendMessageTimeoutA(p_hEditor, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
        return bGone;
    }
    // The common file dialog: the path typed into its name box and OK pressed.
    static bool ChooseFile(HWND p_hEditor, HWND p_hDialog, const std::string& p_sPath)
    {
        HWND hName = GetDlgItem(p_hDialog, 0x47C); // the name combo box of the Explorer-style dialog
        if (hName == nullptr)
            hName = GetDlgItem(p_hDialog, 0x480); // its plain edit box
        if (hName == nullptr)
            return false;
        SetWindowTextA(hName, p_sPath.c_str());
        return PressOk(p_hEditor, p_hDialog);
    }
    // "Dear <<Customer*>>, <<Day>>" through the Field commands and their definition dialogs.
    void WriteGreeting(HWND p_hEditor)
    {
        Type(p_hEditor, "Dear ");
        HWND hText = CommandDialog(p_hEditor, ID_FIELD_INSERT_TEXT, "Text Field Definition");
        ASSERT_NE(hText, nullptr);
        SetDlgItemTextA(hText, IDC_DEF_NAME, "Customer");
        CheckDlgButton(hText, IDC_DEF_REQUIRED, BST_CHECKED);
        SendDlgItemMessageA(hText, IDC_DEF_CASE, CB_SETCURSEL, kCaseUpper, 0);
        ASSERT_TRUE(PressOk(p_hEditor, hText));
        Type(p_hEditor, ", ");
        HWND hDate = CommandDialog(p_hEditor, ID_FIELD_INSERT_DATE, "Date Field Definition");
        ASSERT_NE(hDate, nullptr);
        SetDlgItemTextA(hDate, IDC_DEF_NAME, "Day");
        SendDlgItemMessageA(hDate, IDC_DEF_FORMAT, LB_SETCURSEL, 7, 0);
        ASSERT_TRUE(PressOk(p_hEditor, hDate));
    }

    CBoxRecorder m_oBoxes;
    COpener m_oOpener;
    com_ptr<CQuillet> m_pQuillet;
    std::string m_sPath;
};

// The template the greeting is saved as.
CTemplate Greeting()
{
    CTemplate oTemplate;
    oTemplate.m_sText = "Dear \x01, \x01";
    CTemplateField oCustomer;
    oCustomer.m_eKind = ETemplateFieldKind::Text;
    oCustomer.m_sName = "Customer";
    oCustomer.m_bRequired = 1;
    oCustomer.m_iPosition = 5;
    oCustomer.m_iMaxLength = 20;
    oCustomer.m_iCaseConversion = kCaseUpper;
    CTemplateField oDay;
    oDay.m_eKind = ETemplateFieldKind::Date;
    oDay.m_sName = "Day";
    oDay.m_iPosition = 8;
    oDay.m_iMaxLength = 10;
    oDay.m_iMaximum = 100;
    oDay.m_iDateFormat = 7;
    oTemplate.m_vFields = {oCustomer, oDay};
    return oTemplate;
}
} // namespace

TEST_F(TemplateEditor, FieldsAreInsertedSavedReopenedPastedIntoAnotherEditorEditedAndDeleted)
{
    HWND hEditor = OpenEditor();
    ASSERT_NE(hEditor, nullptr);
    EXPECT_EQ(TextOf(hEditor), "Brevolt SMS Template Editor - Untitled");
    EXPECT_EQ(GetPropA(hEditor, "TemplateWindow"), reinterpret_cast<HANDLE>(1));
    // A second request brings the same editor forward.
    ASSERT_EQ(m_pQuillet->ShowTemplateEditor(Opener()), S_OK);
    EXPECT_EQ(m_oOpener.m_vRegistered.size(), 1u);

    WriteGreeting(hEditor);
    EXPECT_EQ(Status(hEditor), "2 field(s)");
    // Each field is one character of the control.
    EXPECT_EQ(GetWindowTextLengthA(Body(hEditor)), 9);
    RedrawWindow(hEditor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageTimeoutA(hEditor, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_TRUE(SaveWindowShot(hEditor, "template_editor.bmp"));

    HWND hSave = CommandDialog(hEditor, ID_FILE_SAVE_AS, "Save As");
    ASSERT_NE(hSave, nullptr);
    ASSERT_TRUE(ChooseFile(hEditor, hSave, m_sPath));
    CTemplate oSaved;
    const std::string sBytes = ReadBytes(m_sPath);
    ASSERT_EQ(ReadTemplate(reinterpret_cast<const uint8_t*>(sBytes.data()), sBytes.size(), oSaved),
              ETemplateResult::Ok);
    // The file carries each kind's own words only: those are what must match.
    EXPECT_EQ(WriteTemplate(oSaved), WriteTemplate(Greeting()));
    EXPECT_EQ(ReadRecentTemplates(SystemRegistry()), std::vector<std::string>{m_sPath});
    PumpUntil([&] { return TextOf(hEditor) == "Brevolt SMS Template Editor - " + FileNameOf(m_sPath); }, 5s);
    EXPECT_EQ(TextOf(hEditor), "Brevolt SMS Template Editor - " + FileNameOf(m_sPath));

    // Everything away, then the file opened again: the same fields come back.
    SendMessageA(Body(hEditor), EM_SETSEL, 0, -1);
    SendMessageA(Body(hEditor), WM_CHAR, 'x', 0);
    m_oBoxes.SetAnswer(IDNO);
    HWND hOpen = CommandDialog(hEditor, ID_FILE_OPEN, "Open");
    ASSERT_NE(hOpen, nullptr);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "Save changes");
    ASSERT_TRUE(ChooseFile(hEditor, hOpen, m_sPath));
    PumpUntil([&] { return Status(hEditor) == "2 field(s)"; }, 5s);
    EXPECT_EQ(GetWindowTextLengthA(Body(hEditor)), 9);

    // Copy: the clipboard holds the template layout and the text with its labels.
    SendMessageA(Body(hEditor), EM_SETSEL, 0, -1);
    SendMessageA(hEditor, WM_COMMAND, ID_EDIT_COPY, 0);
    CTemplate oCopied;
    std::string sPlain;
    ASSERT_TRUE(ClipboardTemplate(oCopied, sPlain));
    EXPECT_EQ(WriteTemplate(oCopied), WriteTemplate(Greeting()));
    EXPECT_EQ(sPlain, "Dear <<Customer*>>, <<Day>>");

    // Another editor, as another server object would open it, takes the fields from the clipboard.
    CWindowList oOther;
    ASSERT_TRUE(CTemplateWindow::Start(std::make_unique<CTemplateWindow>(nullptr, &oOther), false));
    HWND hSecond = nullptr;
    PumpUntil([&] { return (hSecond = CTemplateWindow::FindOpen(oOther)) != nullptr; }, 10s);
    ASSERT_NE(hSecond, nullptr);
    Type(hSecond, "> ");
    SendMessageA(hSecond, WM_COMMAND, ID_EDIT_PASTE, 0);
    EXPECT_EQ(Status(hSecond), "2 field(s)");
    EXPECT_EQ(GetWindowTextLengthA(Body(hSecond)), 11);

    // A double-click on "<<Day>>" brings up the Date definition with the field's name.
    POINTL oAt{};
    SendMessageA(Body(hSecond), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&oAt), 10);
    const LPARAM lPoint = MAKELPARAM(oAt.x + 4, oAt.y + 4);
    for (UINT uMessage : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageA(Body(hSecond), uMessage, uMessage == WM_LBUTTONUP ? 0 : MK_LBUTTON, lPoint);
    HWND hDate = nullptr;
    PumpUntil([&] { return (hDate = FindOwnWindow("Date Field Definition")) != nullptr; }, 10s);
    ASSERT_NE(hDate, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(hDate, IDC_DEF_NAME)), "Day");
    SetDlgItemTextA(hDate, IDC_DEF_NAME, "Delivery day");
    ASSERT_TRUE(PressOk(hSecond, hDate));

    // Delete on a field takes the whole field and nothing else.
    SendMessageA(Body(hSecond), EM_SETSEL, 7, 7);
    SendMessageA(Body(hSecond), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(Status(hSecond), "1 field(s)");
    EXPECT_EQ(GetWindowTextLengthA(Body(hSecond)), 10);
    SendMessageA(Body(hSecond), EM_SETSEL, 0, -1);
    SendMessageA(hSecond, WM_COMMAND, ID_EDIT_COPY, 0);
    ASSERT_TRUE(ClipboardTemplate(oCopied, sPlain));
    EXPECT_EQ(sPlain, "> Dear , <<Delivery day>>");

    m_oBoxes.SetAnswer(IDNO);
    PostMessageA(hSecond, WM_SMS_FORCECLOSE, 0, 0);
    for (const CWindowRecord& oRecord : oOther.Snapshot())
        EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(oRecord.m_hThread, 0) == WAIT_OBJECT_0; }, 10s));
}

TEST_F(TemplateEditor, ClosingAsksAboutChangesAndTheServerClosesTheEditor)
{
    HWND hEditor = OpenEditor();
    ASSERT_NE(hEditor, nullptr);
    Type(hEditor, "Hello");
    m_oBoxes.SetAnswer(IDCANCEL);
    SendMessageA(hEditor, WM_CLOSE, 0, 0);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "Confirm Close");
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sText, "Do you want to save the changes to this template?");
    EXPECT_TRUE(IsWindow(hEditor));

    // The mail package closing: one question, answered No, and the editor is gone with its thread.
    m_oBoxes.Clear();
    m_oBoxes.SetAnswer(IDNO);
    // The opener lives on this thread and hears the editor go, so the server's wait runs beside it.
    std::atomic<bool> bClosed{false};
    std::thread oCloser([&] {
        m_pQuillet->ForceSMSWindowsToClose();
        bClosed = true;
    });
    PumpUntil([&] { return bClosed.load(); }, 15s);
    oCloser.join();
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "Save Template");
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sText, "Your mail package is now closing. Would you like to save this template?");
    EXPECT_FALSE(IsWindow(hEditor));
    EXPECT_EQ(CTemplateWindow::FindOpen(m_pQuillet->Windows()), nullptr);
    // A new request opens a new editor.
    EXPECT_NE(OpenEditor(), nullptr);
}

TEST_F(TemplateEditor, ASavedTemplateIsGeneratedIntoAComposeWindowAndSent)
{
    // The bytes the editor saves the greeting as (the first test checks them).
    {
        std::ofstream oFile(m_sPath, std::ios::binary | std::ios::trunc);
        const std::string sBytes = WriteTemplate(Greeting());
        oFile.write(sBytes.data(), static_cast<std::streamsize>(sBytes.size()));
    }
    ASSERT_EQ(AddRecentTemplate(SystemRegistry(), m_sPath), 0u);
    const unique_bstr bstrTo(SysAllocString(L"0821234567"));
    HWND hWindow = OpenComposeWindow(*m_pQuillet.get(), m_oOpener, bstrTo.get(), nullptr);
    ASSERT_NE(hWindow, nullptr);
    PostMessageA(hWindow, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
    HWND hDialog = nullptr;
    PumpUntil([&] { return (hDialog = FindOwnWindow("Generate from Template")) != nullptr; }, 10s);
    ASSERT_NE(hDialog, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW)), "Customer*");
    SendMessageA(GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW + 1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("john"));
    SYSTEMTIME oDay{2026, 12, 3, 9, 0, 0, 0, 0};
    SendMessageA(GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW + 3), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&oDay));
    ASSERT_TRUE(PressOk(hWindow, hDialog));
    PumpUntil([&] { return !TextOf(FindDescendant(hWindow, kIdBodyField)).empty(); }, 5s);
    EXPECT_EQ(TextOf(FindDescendant(hWindow, kIdBodyField)), "Dear JOHN, 2026-12-09");

    PostMessageA(hWindow, WM_COMMAND, ID_FILE_SEND, 0);
    PumpUntil([&] { return g_iSent > 0 || !m_oBoxes.Seen().empty(); }, 15s);
    SendMessageTimeoutA(hWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_EQ(g_iSent, 1);
    std::lock_guard<std::mutex> lock(g_oSentLock);
    EXPECT_EQ(g_sSentBody, "Dear JOHN, 2026-12-09");
}

// The four other definition dialogs, each driven as a user fills it in: the fields they define are
// saved with their settings, and generating the template takes an entry of each kind into a
// compose window's body.
TEST_F(TemplateEditor, EveryOtherFieldKindIsDefinedSavedAndGenerated)
{
    HWND hEditor = OpenEditor();
    ASSERT_NE(hEditor, nullptr);
    const auto define = [&](int p_iCommand, const char* p_szCaption, const char* p_szShot,
                            const std::function<void(HWND)>& p_fnFill) {
        HWND hDialog = CommandDialog(hEditor, p_iCommand, p_szCaption);
        ASSERT_NE(hDialog, nullptr) << p_szCaption;
        p_fnFill(hDialog);
        RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        SendMessageTimeoutA(hDialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
        EXPECT_TRUE(SaveWindowShot(hDialog, p_szShot));
        ASSERT_TRUE(PressOk(hEditor, hDialog)) << p_szCaption;
    };
    Type(hEditor, "Order: ");
    define(ID_FIELD_INSERT_NUMBER, "Number Field Definition", "template_field_number.bmp", [](HWND p_hDialog) {
        SetDlgItemTextA(p_hDialog, IDC_DEF_NAME, "Qty");
        SetDlgItemTextA(p_hDialog, IDC_DEF_MINIMUM, "1");
        SetDlgItemTextA(p_hDialog, IDC_DEF_MAXIMUM, "10");
        CheckDlgButton(p_hDialog, IDC_DEF_ENFORCE, BST_CHECKED);
    });
    Type(hEditor, " x ");
    define(ID_FIELD_INSERT_LIST, "List Box Field Definition", "template_field_list.bmp", [](HWND p_hDialog) {
        SetDlgItemTextA(p_hDialog, IDC_DEF_NAME, "Size");
        SetDlgItemTextA(p_hDialog, IDC_DEF_OPTIONS, "S\r\nM\r\nL");
    });
    Type(hEditor, " = ");
    define(ID_FIELD_INSERT_CURRENCY, "Currency Field Definition", "template_field_currency.bmp",
           [](HWND p_hDialog) { SetDlgItemTextA(p_hDialog, IDC_DEF_NAME, "Amount"); });
    Type(hEditor, " at ");
    define(ID_FIELD_INSERT_TIME, "Time Field Definition", "template_field_time.bmp", [](HWND p_hDialog) {
        SetDlgItemTextA(p_hDialog, IDC_DEF_NAME, "At");
        SendDlgItemMessageA(p_hDialog, IDC_DEF_FORMAT, LB_SETCURSEL, 3, 0);
    });
    EXPECT_EQ(Status(hEditor), "4 field(s)");

    HWND hSave = CommandDialog(hEditor, ID_FILE_SAVE_AS, "Save As");
    ASSERT_NE(hSave, nullptr);
    ASSERT_TRUE(ChooseFile(hEditor, hSave, m_sPath));
    CTemplate oSaved;
    const std::string sBytes = ReadBytes(m_sPath);
    ASSERT_EQ(ReadTemplate(reinterpret_cast<const uint8_t*>(sBytes.data()), sBytes.size(), oSaved),
              ETemplateResult::Ok);
    EXPECT_EQ(oSaved.m_sText, "Order: \x01 x \x01 = \x01 at \x01");
    ASSERT_EQ(oSaved.m_vFields.size(), 4u);
    EXPECT_EQ(oSaved.m_vFields[0].m_eKind, ETemplateFieldKind::Number);
    EXPECT_EQ(oSaved.m_vFields[0].m_sName, "Qty");
    EXPECT_EQ(oSaved.m_vFields[0].m_iMinimum, 1);
    EXPECT_EQ(oSaved.m_vFields[0].m_iMaximum, 10);
    EXPECT_EQ(oSaved.m_vFields[1].m_eKind, ETemplateFieldKind::ListBox);
    EXPECT_EQ(oSaved.m_vFields[1].m_vOptions, (std::vector<std::string>{"S", "M", "L"}));
    EXPECT_EQ(oSaved.m_vFields[2].m_eKind, ETemplateFieldKind::Currency);
    EXPECT_EQ(oSaved.m_vFields[2].m_sName, "Amount");
    EXPECT_EQ(oSaved.m_vFields[3].m_eKind, ETemplateFieldKind::Time);
    EXPECT_EQ(oSaved.m_vFields[3].m_iTimeFormat, 3);
    m_oBoxes.SetAnswer(IDNO);
    PostMessageA(hEditor, WM_SMS_FORCECLOSE, 0, 0);

    // The saved file is the most recent template: a compose window generates from it.
    const unique_bstr bstrTo(SysAllocString(L"0821234567"));
    HWND hWindow = OpenComposeWindow(*m_pQuillet.get(), m_oOpener, bstrTo.get(), nullptr);
    ASSERT_NE(hWindow, nullptr);
    PostMessageA(hWindow, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
    HWND hDialog = nullptr;
    PumpUntil([&] { return (hDialog = FindOwnWindow("Generate from Template")) != nullptr; }, 10s);
    ASSERT_NE(hDialog, nullptr);
    const auto input = [&](int p_iRow) { return GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW + 2 * p_iRow + 1); };
    SendMessageA(input(0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("3"));
    SendMessageA(input(1), CB_SETCURSEL, 1, 0);
    SendMessageA(input(2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12.50"));
    SYSTEMTIME oAt{2026, 12, 3, 9, 23, 52, 0, 0};
    SendMessageA(input(3), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&oAt));
    RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageTimeoutA(hDialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_TRUE(SaveWindowShot(hDialog, "template_generate_kinds.bmp"));
    ASSERT_TRUE(PressOk(hWindow, hDialog));
    PumpUntil([&] { return !TextOf(FindDescendant(hWindow, kIdBodyField)).empty(); }, 5s);
    EXPECT_EQ(TextOf(FindDescendant(hWindow, kIdBodyField)), "Order: 3 x M = 12.50 at 23:52");
}
