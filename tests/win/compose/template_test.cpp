// tests/win/compose/template_test.cpp: generating a compose window's body from a template under
// wine64: the "Generate from Template" dialog filled in and checked as a user would, the recent
// templates with their menu, missing and corrupt files, the question before a modified body is
// replaced, and the field definition dialogs with their checks and previews.
#include "common/registry.h"
#include "compose/quillet_object_win.h"
#include "compose/res/resource.h"
#include "compose/templates/field_definition_win.h"
#include "compose/templates/recent_templates.h"
#include "compose/templates/template_file.h"
#include "compose/ui/sms_window.h"
#include "tests/win/compose/compose_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;
using namespace compose;

namespace
{
std::string TempPath(const std::string& p_sName)
{
    char szDir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szDir);
    return std::string(szDir) + "template_test_" + std::to_string(GetCurrentProcessId()) + "_" + p_sName;
}

void WriteBytes(const std::string& p_sPath, const std::string& p_sBytes)
{
    std::ofstream oFile(p_sPath, std::ios::binary | std::ios::trunc);
    oFile.write(p_sBytes.data(), static_cast<std::streamsize>(p_sBytes.size()));
}

CTemplateField Field(ETemplateFieldKind p_eKind, const char* p_szName, int32_t p_iPosition)
{
    CTemplateField oField;
    oField.m_eKind = p_eKind;
    oField.m_sName = p_szName;
    oField.m_iPosition = p_iPosition;
    return oField;
}

// "Dear <Name>, <Time>|<Colour>|<Count>|<Amount>|<Today>": one field of each kind.
CTemplate EveryKind()
{
    CTemplate oTemplate;
    oTemplate.m_sText = "Dear \x01, \x01|\x01|\x01|\x01|\x01";
    CTemplateField oName = Field(ETemplateFieldKind::Text, "Name", 5);
    oName.m_bRequired = 1;
    oName.m_iMaxLength = 20;
    oName.m_iCaseConversion = kCaseUpper;
    CTemplateField oTime = Field(ETemplateFieldKind::Time, "Time", 8);
    oTime.m_iTimeFormat = 3;
    CTemplateField oColour = Field(ETemplateFieldKind::ListBox, "Colour", 10);
    oColour.m_vOptions = {"Red", "Blue"};
    CTemplateField oCount = Field(ETemplateFieldKind::Number, "Count", 12);
    oCount.m_iMinimum = 1;
    oCount.m_iMaximum = 10;
    oCount.m_bUpDown = 1;
    oCount.m_bEnforceRange = 1;
    CTemplateField oAmount = Field(ETemplateFieldKind::Currency, "Amount", 14);
    oAmount.m_iMaxLength = 8;
    oAmount.m_iDecimalPoint = kDecimalComma;
    CTemplateField oToday = Field(ETemplateFieldKind::Date, "Today", 16);
    oToday.m_bCurrentDate = 1;
    oToday.m_iDateFormat = 7;
    oTemplate.m_vFields = {oName, oTime, oColour, oCount, oAmount, oToday};
    return oTemplate;
}

HWND RowInput(HWND p_hDialog, int p_iRow)
{
    return GetDlgItem(p_hDialog, IDC_TEMPLATE_FIRST_ROW + 2 * p_iRow + 1);
}

class Templates : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        (void)SystemRegistry().DeleteTree(ERegRoot::CurrentUser, kRecentTemplatesKey);
        m_pQuillet.attach(new CQuillet());
        ASSERT_EQ(m_pQuillet->Init(1, 0, nullptr, nullptr,
                                   static_cast<LONG>(reinterpret_cast<LONG_PTR>(m_oOpener.Handle())), 0, 1),
                  S_OK);
        m_sGood = TempPath("every_kind.template");
        WriteBytes(m_sGood, WriteTemplate(EveryKind()));
    }
    void TearDown() override
    {
        m_oBoxes.SetAnswer(IDNO);
        EXPECT_TRUE(CloseOpenedWindows(m_oOpener));
        m_pQuillet.reset();
        std::remove(m_sGood.c_str());
        (void)SystemRegistry().DeleteTree(ERegRoot::CurrentUser, kRecentTemplatesKey);
    }
    HWND Open(const wchar_t* p_wszBody)
    {
        const unique_bstr bstrBody(SysAllocString(p_wszBody));
        return OpenComposeWindow(*m_pQuillet.get(), m_oOpener, nullptr, bstrBody.get());
    }
    static void SetRecent(const std::vector<std::string>& p_vPaths)
    {
        for (auto it = p_vPaths.rbegin(); it != p_vPaths.rend(); ++it)
            ASSERT_EQ(AddRecentTemplate(SystemRegistry(), *it), 0u);
    }
    // Runs the first recent template and waits for the generate dialog.
    HWND GenerateFromFirstRecent(HWND p_hWindow)
    {
        PostMessageA(p_hWindow, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
        HWND hDialog = nullptr;
        PumpUntil([&] { return (hDialog = FindOwnWindow("Generate from Template")) != nullptr; }, 10s);
        return hDialog;
    }
    // Presses OK and waits until a box was seen or the dialog is gone.
    void PressOk(HWND p_hDialog)
    {
        m_oBoxes.Clear();
        PostMessageA(p_hDialog, WM_COMMAND, IDOK, 0);
        PumpUntil([&] { return !m_oBoxes.Seen().empty() || !IsWindow(p_hDialog); }, 10s);
    }
    std::string Body(HWND p_hWindow)
    {
        return TextOf(FindDescendant(p_hWindow, kIdBodyField));
    }

    CBoxRecorder m_oBoxes;
    COpener m_oOpener;
    com_ptr<CQuillet> m_pQuillet;
    std::string m_sGood;
};
} // namespace

TEST_F(Templates, EveryKindIsAskedCheckedAndGeneratedIntoTheBody)
{
    HWND hWindow = Open(L"");
    ASSERT_NE(hWindow, nullptr);
    SetRecent({m_sGood});
    HWND hDialog = GenerateFromFirstRecent(hWindow);
    ASSERT_NE(hDialog, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW)), "Name*");
    EXPECT_EQ(TextOf(GetDlgItem(hDialog, IDC_TEMPLATE_FIRST_ROW + 4)), "Colour");

    // The required name is missing.
    PressOk(hDialog);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "Missing Data");
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sText, "Please fill in the text field 'Name'.");
    ASSERT_TRUE(IsWindow(hDialog));

    SendMessageA(RowInput(hDialog, 0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("john"));
    SYSTEMTIME oTime{2026, 12, 3, 9, 23, 52, 0, 0};
    SendMessageA(RowInput(hDialog, 1), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&oTime));
    SendMessageA(RowInput(hDialog, 2), CB_SETCURSEL, 1, 0);
    SendMessageA(RowInput(hDialog, 3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("11"));
    SendMessageA(RowInput(hDialog, 4), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12.50"));
    PumpUntil([&] { return TextOf(GetDlgItem(hDialog, IDC_TEMPLATE_RESULT)).find("JOHN") != std::string::npos; }, 5s);
    // The dialog's thread paints everything before the picture is taken.
    RedrawWindow(hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageTimeoutA(hDialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_TRUE(SaveWindowShot(hDialog, "template_generate.bmp"));

    // Eleven is outside one to ten.
    PressOk(hDialog);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "Value not in specified range");
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sText, "Please choose a number in the range 1 to 10 for number field 'Count'.");

    SendMessageA(RowInput(hDialog, 3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7"));
    PressOk(hDialog);
    EXPECT_TRUE(m_oBoxes.Seen().empty());
    ASSERT_FALSE(IsWindow(hDialog));

    SYSTEMTIME oToday{};
    GetLocalTime(&oToday);
    char szToday[16] = {};
    std::snprintf(szToday, sizeof szToday, "%04u-%02u-%02u", oToday.wYear, oToday.wMonth, oToday.wDay);
    PumpUntil([&] { return !Body(hWindow).empty(); }, 5s);
    EXPECT_EQ(Body(hWindow), std::string("Dear JOHN, 23:52|Blue|7|12,50|") + szToday);
    EXPECT_EQ(ReadRecentTemplates(SystemRegistry()), std::vector<std::string>{m_sGood});
}

TEST_F(Templates, MissingAndCorruptFilesAreReportedAndTheBodyIsKept)
{
    HWND hWindow = Open(L"Keep me");
    ASSERT_NE(hWindow, nullptr);
    const std::string sMissing = TempPath("deleted.template");
    SetRecent({sMissing, m_sGood});
    SendMessageA(hWindow, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "File not found");
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sText,
              "The template file cannot be found and will be removed from the recent list.");
    EXPECT_EQ(ReadRecentTemplates(SystemRegistry()), std::vector<std::string>{m_sGood});

    // A field kind of 9 right after the text and the count.
    std::string sBytes = WriteTemplate(EveryKind());
    sBytes.replace(4 + EveryKind().m_sText.size() + 4, 4, std::string("\x09\0\0\0", 4));
    const std::string sCorrupt = TempPath("corrupt.template");
    WriteBytes(sCorrupt, sBytes);
    SetRecent({sCorrupt});
    m_oBoxes.Clear();
    SendMessageA(hWindow, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "File corrupt");
    EXPECT_NE(m_oBoxes.Seen()[0].m_sText.find("from the Brevolt SMS menu"), std::string::npos);
    EXPECT_EQ(Body(hWindow), "Keep me");
    std::remove(sCorrupt.c_str());
}

TEST_F(Templates, AModifiedBodyIsAskedAboutAndCancelKeepsIt)
{
    HWND hWindow = Open(L"Draft");
    ASSERT_NE(hWindow, nullptr);
    HWND hBody = FindDescendant(hWindow, kIdBodyField);
    SendMessageA(hBody, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageA(hBody, WM_CHAR, 'x', 0);
    SetRecent({m_sGood});
    m_oBoxes.SetAnswer(IDCANCEL);
    SendMessageA(hWindow, WM_COMMAND, ID_TEMPLATE_RECENT_FIRST, 0);
    ASSERT_EQ(m_oBoxes.Seen().size(), 1u);
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sCaption, "Confirm template generation");
    EXPECT_EQ(m_oBoxes.Seen()[0].m_sText, "You are about to lose the body of your message. Do you want to save it?");
    EXPECT_EQ(FindOwnWindow("Generate from Template"), nullptr);
    EXPECT_EQ(Body(hWindow), "Draftx");

    // No: the dialog comes, and its Cancel leaves the body as it was.
    m_oBoxes.SetAnswer(IDNO);
    HWND hDialog = GenerateFromFirstRecent(hWindow);
    ASSERT_NE(hDialog, nullptr);
    PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
    PumpUntil([&] { return !IsWindow(hDialog); }, 5s);
    EXPECT_EQ(Body(hWindow), "Draftx");
}

TEST_F(Templates, RecentMenuListsTheTemplatesOrSaysThereAreNone)
{
    HWND hWindow = Open(L"");
    ASSERT_NE(hWindow, nullptr);
    const unique_hmenu hPopup(CreatePopupMenu());
    ASSERT_TRUE(AppendMenuA(hPopup.get(), MF_STRING, ID_TEMPLATE_RECENT_FIRST, "stale"));
    auto ItemText = [&](int p_iPosition) {
        char szText[MAX_PATH + 8] = {};
        GetMenuStringA(hPopup.get(), static_cast<UINT>(p_iPosition), szText, sizeof szText, MF_BYPOSITION);
        return std::string(szText);
    };

    SendMessageA(hWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup.get()), 0);
    ASSERT_EQ(GetMenuItemCount(hPopup.get()), 1);
    EXPECT_EQ(ItemText(0), "No recent templates");
    EXPECT_NE(GetMenuState(hPopup.get(), 0, MF_BYPOSITION) & MF_GRAYED, 0u);

    SetRecent({"C:\\a.template", "C:\\b.template"});
    SendMessageA(hWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup.get()), 0);
    ASSERT_EQ(GetMenuItemCount(hPopup.get()), 2);
    EXPECT_EQ(ItemText(0), "&1 C:\\a.template");
    EXPECT_EQ(GetMenuItemID(hPopup.get(), 1), static_cast<UINT>(ID_TEMPLATE_RECENT_FIRST + 1));
}

namespace
{
// Runs a field's definition dialog on a thread of its own, as the editor's thread would, and gives
// the test the dialog to drive.
class CDefinitionRun
{
  public:
    CDefinitionRun(CTemplateField p_oField, const char* p_szCaption) : m_oField(std::move(p_oField))
    {
        m_oThread = std::thread([this] { m_bResult = EditTemplateField(nullptr, m_oField); });
        PumpUntil([&] { return (m_hDialog = FindOwnWindow(p_szCaption)) != nullptr; }, 10s);
    }
    ~CDefinitionRun()
    {
        if (IsWindow(m_hDialog))
            PostMessageA(m_hDialog, WM_COMMAND, IDCANCEL, 0);
        m_oThread.join();
    }
    // Presses OK and waits for a box or the end of the dialog.
    void PressOk(CBoxRecorder& p_oBoxes)
    {
        p_oBoxes.Clear();
        PostMessageA(m_hDialog, WM_COMMAND, IDOK, 0);
        PumpUntil([&] { return !p_oBoxes.Seen().empty() || !IsWindow(m_hDialog); }, 10s);
    }
    void SetText(int p_iId, const char* p_szText)
    {
        SendMessageA(GetDlgItem(m_hDialog, p_iId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_szText));
    }
    // Ends the dialog's thread; the field and the result are then final.
    bool Finish()
    {
        m_oThread.join();
        m_oThread = std::thread([] {});
        return m_bResult;
    }

    CTemplateField m_oField;
    HWND m_hDialog = nullptr;

  private:
    std::thread m_oThread;
    bool m_bResult = false;
};
} // namespace

TEST(TemplateFieldDefinition, TextFieldChecksItsNameAndLengthThenTakesTheDefinition)
{
    CBoxRecorder oBoxes;
    CTemplateField oField = NewTemplateField(ETemplateFieldKind::Text);
    oField.m_iPosition = 7;
    CDefinitionRun oRun(oField, "Text Field Definition");
    ASSERT_NE(oRun.m_hDialog, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(oRun.m_hDialog, IDC_DEF_HEADING)),
              "Set the properties below to define how the field will be entered on the SMS template.");

    oRun.PressOk(oBoxes);
    ASSERT_EQ(oBoxes.Seen().size(), 1u);
    EXPECT_EQ(oBoxes.Seen()[0].m_sCaption, "Empty Field");
    EXPECT_EQ(oBoxes.Seen()[0].m_sText, "The 'Name' field cannot be empty. Please enter a value and click 'OK'.");

    oRun.SetText(IDC_DEF_NAME, "Customer");
    oRun.SetText(IDC_DEF_LENGTH, "0");
    oRun.PressOk(oBoxes);
    ASSERT_EQ(oBoxes.Seen().size(), 1u);
    EXPECT_EQ(oBoxes.Seen()[0].m_sText, "The 'Length' field cannot be 0. Please enter a number and click 'OK'.");

    // Capitals: the output preview converts the sample in the input preview.
    oRun.SetText(IDC_DEF_LENGTH, "15");
    SendDlgItemMessageA(oRun.m_hDialog, IDC_DEF_CASE, CB_SETCURSEL, kCaseUpper, 0);
    SendMessageA(oRun.m_hDialog, WM_COMMAND, MAKEWPARAM(IDC_DEF_CASE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(oRun.m_hDialog, IDC_DEF_CASE)));
    EXPECT_EQ(TextOf(GetDlgItem(oRun.m_hDialog, IDC_DEF_OUTPUT_PREVIEW)), "SAMPLE TEXT");
    CheckDlgButton(oRun.m_hDialog, IDC_DEF_REQUIRED, BST_CHECKED);
    RedrawWindow(oRun.m_hDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(SaveWindowShot(oRun.m_hDialog, "template_text_definition.bmp"));
    oRun.PressOk(oBoxes);
    EXPECT_TRUE(oBoxes.Seen().empty());
    ASSERT_TRUE(oRun.Finish());
    EXPECT_EQ(oRun.m_oField.m_sName, "Customer");
    EXPECT_EQ(oRun.m_oField.m_iMaxLength, 15);
    EXPECT_EQ(oRun.m_oField.m_iCaseConversion, kCaseUpper);
    EXPECT_EQ(oRun.m_oField.m_bRequired, 1);
    EXPECT_EQ(oRun.m_oField.m_iPosition, 7);
}

TEST(TemplateFieldDefinition, NumberRangeDateFormatAndListChoicesAreChecked)
{
    CBoxRecorder oBoxes;
    {
        CTemplateField oNumber = NewTemplateField(ETemplateFieldKind::Number);
        oNumber.m_sName = "Count";
        CDefinitionRun oRun(oNumber, "Number Field Definition");
        ASSERT_NE(oRun.m_hDialog, nullptr);
        oRun.SetText(IDC_DEF_MINIMUM, "10");
        oRun.SetText(IDC_DEF_MAXIMUM, "5");
        oRun.PressOk(oBoxes);
        ASSERT_EQ(oBoxes.Seen().size(), 1u);
        EXPECT_EQ(oBoxes.Seen()[0].m_sCaption, "Min/Max conflict");
        EXPECT_EQ(oBoxes.Seen()[0].m_sText,
                  "The minimum must be less than the maximum. Please rectify and press 'OK'.");
    }
    {
        CTemplateField oDate = NewTemplateField(ETemplateFieldKind::Date);
        oDate.m_sName = "When";
        oDate.m_iDateFormat = 2;
        oDate.m_bCurrentDate = 1;
        CDefinitionRun oRun(oDate, "Date Field Definition");
        ASSERT_NE(oRun.m_hDialog, nullptr);
        EXPECT_EQ(TextOf(GetDlgItem(oRun.m_hDialog, IDC_DEF_OUTPUT_PREVIEW)), "Monday, September 1, 2003");
        SendDlgItemMessageA(oRun.m_hDialog, IDC_DEF_FORMAT, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        oRun.PressOk(oBoxes);
        ASSERT_EQ(oBoxes.Seen().size(), 1u);
        EXPECT_EQ(oBoxes.Seen()[0].m_sText,
                  "The 'Date format' field cannot be empty. Please select a format and click 'OK'.");
    }
    {
        CTemplateField oList = NewTemplateField(ETemplateFieldKind::ListBox);
        oList.m_sName = "Colour";
        CDefinitionRun oRun(oList, "List Box Field Definition");
        ASSERT_NE(oRun.m_hDialog, nullptr);
        oRun.PressOk(oBoxes);
        ASSERT_EQ(oBoxes.Seen().size(), 1u);
        EXPECT_EQ(oBoxes.Seen()[0].m_sText,
                  "The 'Choices' field cannot be empty. Please enter a value and click 'OK'.");
        oRun.SetText(IDC_DEF_OPTIONS, "Red\r\n\r\nDark blue\r\n");
        oRun.PressOk(oBoxes);
        ASSERT_TRUE(oRun.Finish());
        EXPECT_EQ(oRun.m_oField.m_vOptions, (std::vector<std::string>{"Red", "Dark blue"}));
    }
    for (const auto& [eKind, szCaption] : {std::pair{ETemplateFieldKind::Currency, "Currency Field Definition"},
                                           std::pair{ETemplateFieldKind::Time, "Time Field Definition"}})
    {
        CDefinitionRun oRun(NewTemplateField(eKind), szCaption);
        EXPECT_NE(oRun.m_hDialog, nullptr) << szCaption;
    }
}
