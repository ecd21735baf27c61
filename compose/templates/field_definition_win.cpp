// compose/templates/field_definition_win.cpp: the field definition dialogs: reading and writing
// their controls, the previews and the checks on OK.
#include "compose/templates/field_definition_win.h"

#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/templates/field_input_win.h"
#include "compose/templates/template_generate.h"

#include <commctrl.h>

#include <charconv>
#include <optional>

namespace
{
using compose::CTemplateField;
using compose::ETemplateFieldKind;

constexpr const char* kCaseNames[] = {"Leave as entered", "MAKE UPPERCASE", "make lowercase", "Make Title Case"};
constexpr const char* kDecimalNames[] = {"Comma (,)", "Dot (.)"};
// The input preview shows this much of a sample entry, so that the output preview has something to
// convert.
constexpr const char* kSampleText = "sample Text";

struct CDefinitionState
{
    CTemplateField m_oField; // what the dialog holds, read back on every change
    HWND m_hPreview = nullptr;
};

int DialogOf(ETemplateFieldKind p_eKind)
{
    switch (p_eKind)
    {
    case ETemplateFieldKind::ListBox:
        return IDD_FIELD_LIST;
    case ETemplateFieldKind::Number:
        return IDD_FIELD_NUMBER;
    case ETemplateFieldKind::Date:
        return IDD_FIELD_DATE;
    case ETemplateFieldKind::Currency:
        return IDD_FIELD_CURRENCY;
    case ETemplateFieldKind::Time:
        return IDD_FIELD_TIME;
    default:
        return IDD_FIELD_TEXT;
    }
}

std::optional<int32_t> ReadNumber(HWND p_hDlg, int p_iId)
{
    const std::string sText = DialogItemText(p_hDlg, p_iId);
    int32_t iValue = 0;
    const char* pBegin = sText.data();
    const char* pEnd = sText.data() + sText.size();
    const auto oResult = std::from_chars(pBegin, pEnd, iValue);
    if (sText.empty() || oResult.ec != std::errc() || oResult.ptr != pEnd)
        return std::nullopt;
    return iValue;
}

bool Checked(HWND p_hDlg, int p_iId)
{
    return IsDlgButtonChecked(p_hDlg, p_iId) == BST_CHECKED;
}

std::vector<std::string> OptionLines(const std::string& p_sText)
{
    std::vector<std::string> vLines;
    size_t nFrom = 0;
    while (nFrom <= p_sText.size())
    {
        size_t nEnd = p_sText.find('\n', nFrom);
        if (nEnd == std::string::npos)
            nEnd = p_sText.size();
        std::string sLine = p_sText.substr(nFrom, nEnd - nFrom);
        if (!sLine.empty() && sLine.back() == '\r')
            sLine.pop_back();
        if (!sLine.empty())
            vLines.push_back(std::move(sLine));
        nFrom = nEnd + 1;
    }
    return vLines;
}

// The controls into the field, as far as they read; the checks on OK say what is missing.
void ReadControls(HWND p_hDlg, CTemplateField& p_oField)
{
    p_oField.m_sName = DialogItemText(p_hDlg, IDC_DEF_NAME);
    p_oField.m_bRequired = Checked(p_hDlg, IDC_DEF_REQUIRED) ? 1 : 0;
    p_oField.m_vOptions = OptionLines(DialogItemText(p_hDlg, IDC_DEF_OPTIONS));
    p_oField.m_bAllowEditing = Checked(p_hDlg, IDC_DEF_ALLOW_EDIT) ? 1 : 0;
    p_oField.m_iMaxLength = ReadNumber(p_hDlg, IDC_DEF_LENGTH).value_or(0);
    p_oField.m_iCaseConversion = static_cast<int32_t>(SendDlgItemMessageA(p_hDlg, IDC_DEF_CASE, CB_GETCURSEL, 0, 0));
    p_oField.m_iMinimum = ReadNumber(p_hDlg, IDC_DEF_MINIMUM).value_or(0);
    p_oField.m_iMaximum = ReadNumber(p_hDlg, IDC_DEF_MAXIMUM).value_or(0);
    p_oField.m_bUpDown = Checked(p_hDlg, IDC_DEF_UPDOWN) ? 1 : 0;
    p_oField.m_bEnforceRange = Checked(p_hDlg, IDC_DEF_ENFORCE) ? 1 : 0;
    const bool bCurrent = Checked(p_hDlg, IDC_DEF_CURRENT);
    p_oField.m_bCurrentDate = p_oField.m_eKind == ETemplateFieldKind::Date && bCurrent ? 1 : 0;
    p_oField.m_bCurrentTime = p_oField.m_eKind == ETemplateFieldKind::Time && bCurrent ? 1 : 0;
    const auto iFormat = static_cast<int32_t>(SendDlgItemMessageA(p_hDlg, IDC_DEF_FORMAT, LB_GETCURSEL, 0, 0));
    if (p_oField.m_eKind == ETemplateFieldKind::Date)
        p_oField.m_iDateFormat = iFormat;
    else if (p_oField.m_eKind == ETemplateFieldKind::Time)
        p_oField.m_iTimeFormat = iFormat;
    p_oField.m_iDecimalPoint = static_cast<int32_t>(SendDlgItemMessageA(p_hDlg, IDC_DEF_DECIMAL, CB_GETCURSEL, 0, 0));
    p_oField.m_bEnterSeconds = Checked(p_hDlg, IDC_DEF_SECONDS) ? 1 : 0;
}

void FillList(HWND p_hDlg, int p_iId, UINT p_uAdd, UINT p_uSelect, const std::vector<std::string>& p_vItems,
              int p_iSelected)
{
    for (const std::string& sItem : p_vItems)
        SendDlgItemMessageA(p_hDlg, p_iId, p_uAdd, 0, reinterpret_cast<LPARAM>(sItem.c_str()));
    SendDlgItemMessageA(p_hDlg, p_iId, p_uSelect, static_cast<WPARAM>(p_iSelected), 0);
}

void WriteControls(HWND p_hDlg, const CTemplateField& p_oField)
{
    SetDlgItemTextA(p_hDlg, IDC_DEF_NAME, p_oField.m_sName.c_str());
    CheckDlgButton(p_hDlg, IDC_DEF_REQUIRED, p_oField.m_bRequired != 0 ? BST_CHECKED : BST_UNCHECKED);
    const compose::CTemplateDateTime oExample = compose::TemplateFormatExample();
    std::vector<std::string> vFormats;
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox: {
        std::string sOptions;
        for (const std::string& sOption : p_oField.m_vOptions)
            sOptions += sOption + "\r\n";
        SetDlgItemTextA(p_hDlg, IDC_DEF_OPTIONS, sOptions.c_str());
        CheckDlgButton(p_hDlg, IDC_DEF_ALLOW_EDIT, p_oField.m_bAllowEditing != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    }
    case ETemplateFieldKind::Text:
    case ETemplateFieldKind::Currency:
        SetDlgItemInt(p_hDlg, IDC_DEF_LENGTH, static_cast<UINT>(p_oField.m_iMaxLength), FALSE);
        FillList(p_hDlg, IDC_DEF_CASE, CB_ADDSTRING, CB_SETCURSEL, {std::begin(kCaseNames), std::end(kCaseNames)},
                 p_oField.m_iCaseConversion);
        FillList(p_hDlg, IDC_DEF_DECIMAL, CB_ADDSTRING, CB_SETCURSEL,
                 {std::begin(kDecimalNames), std::end(kDecimalNames)}, p_oField.m_iDecimalPoint);
        break;
    case ETemplateFieldKind::Number:
        SetDlgItemTextA(p_hDlg, IDC_DEF_MINIMUM, std::to_string(p_oField.m_iMinimum).c_str());
        SetDlgItemTextA(p_hDlg, IDC_DEF_MAXIMUM, std::to_string(p_oField.m_iMaximum).c_str());
        CheckDlgButton(p_hDlg, IDC_DEF_UPDOWN, p_oField.m_bUpDown != 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(p_hDlg, IDC_DEF_ENFORCE, p_oField.m_bEnforceRange != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    case ETemplateFieldKind::Date:
        for (int i = 0; i < compose::kDateFormats; ++i)
            vFormats.push_back(compose::FormatTemplateDate(oExample, i));
        FillList(p_hDlg, IDC_DEF_FORMAT, LB_ADDSTRING, LB_SETCURSEL, vFormats, p_oField.m_iDateFormat);
        CheckDlgButton(p_hDlg, IDC_DEF_CURRENT, p_oField.m_bCurrentDate != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    case ETemplateFieldKind::Time:
        for (int i = 0; i < compose::kTimeFormats; ++i)
            vFormats.push_back(compose::FormatTemplateTime(oExample, i));
        FillList(p_hDlg, IDC_DEF_FORMAT, LB_ADDSTRING, LB_SETCURSEL, vFormats, p_oField.m_iTimeFormat);
        CheckDlgButton(p_hDlg, IDC_DEF_CURRENT, p_oField.m_bCurrentTime != 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(p_hDlg, IDC_DEF_SECONDS, p_oField.m_bEnterSeconds != 0 ? BST_CHECKED : BST_UNCHECKED);
        break;
    }
}

// The output preview from what the input preview holds.
void ShowOutput(HWND p_hDlg, const CDefinitionState& p_oState)
{
    const compose::CTemplateEntry oEntry = ReadFieldInput(p_oState.m_oField, p_oState.m_hPreview);
    const std::string sOutput =
        compose::TemplateFieldOutput(p_oState.m_oField, oEntry, compose::TemplateFormatExample());
    SetDlgItemTextA(p_hDlg, IDC_DEF_OUTPUT_PREVIEW, sOutput.c_str());
}

// The input preview is made again from the definition, keeping what was typed into it.
void RebuildPreview(HWND p_hDlg, CDefinitionState& p_oState)
{
    std::string sTyped = kSampleText;
    if (p_oState.m_hPreview != nullptr)
    {
        sTyped = ControlText(p_oState.m_hPreview);
        DestroyWindow(p_oState.m_hPreview);
        // A number's up-down is the preview's sibling without an id of its own.
        for (HWND hChild = GetWindow(p_hDlg, GW_CHILD); hChild != nullptr;)
        {
            HWND hNext = GetWindow(hChild, GW_HWNDNEXT);
            if (GetDlgCtrlID(hChild) == 0)
                DestroyWindow(hChild);
            hChild = hNext;
        }
    }
    RECT oArea{};
    GetWindowRect(GetDlgItem(p_hDlg, IDC_DEF_INPUT_AREA), &oArea);
    MapWindowPoints(nullptr, p_hDlg, reinterpret_cast<POINT*>(&oArea), 2);
    p_oState.m_hPreview = CreateFieldInput(p_hDlg, p_oState.m_oField, oArea, IDC_DEF_INPUT_CONTROL);
    const ETemplateFieldKind eKind = p_oState.m_oField.m_eKind;
    if (p_oState.m_hPreview != nullptr && (eKind == ETemplateFieldKind::Text || eKind == ETemplateFieldKind::Currency))
        SetWindowTextA(p_oState.m_hPreview, eKind == ETemplateFieldKind::Currency ? "12.50" : sTyped.c_str());
    if (p_oState.m_hPreview != nullptr && eKind == ETemplateFieldKind::ListBox)
        SendMessageA(p_oState.m_hPreview, CB_SETCURSEL, 0, 0);
    ShowOutput(p_hDlg, p_oState);
}

bool Refuse(HWND p_hDlg, int p_iId, unsigned p_uCaption, const std::string& p_sText)
{
    (void)ShowMessageBox(p_hDlg, p_sText, QuilletText(p_uCaption), MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(p_hDlg, p_iId));
    return false;
}

bool CheckDefinition(HWND p_hDlg, const CTemplateField& p_oField)
{
    const auto Empty = [&](int p_iId, const char* p_szLabel) {
        return Refuse(p_hDlg, p_iId, kQCaptionEmptyField, QuilletText(kQMsgEmptyField, p_szLabel));
    };
    if (p_oField.m_sName.empty())
        return Empty(IDC_DEF_NAME, "Name");
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox:
        return !p_oField.m_vOptions.empty() || Empty(IDC_DEF_OPTIONS, "Choices");
    case ETemplateFieldKind::Text:
    case ETemplateFieldKind::Currency:
        if (DialogItemText(p_hDlg, IDC_DEF_LENGTH).empty())
            return Empty(IDC_DEF_LENGTH, "Length");
        return p_oField.m_iMaxLength != 0 ||
               Refuse(p_hDlg, IDC_DEF_LENGTH, kQCaptionEmptyField, QuilletText(kQMsgZeroLength));
    case ETemplateFieldKind::Number:
        if (!ReadNumber(p_hDlg, IDC_DEF_MINIMUM))
            return Empty(IDC_DEF_MINIMUM, "Minimum");
        if (!ReadNumber(p_hDlg, IDC_DEF_MAXIMUM))
            return Empty(IDC_DEF_MAXIMUM, "Maximum");
        return p_oField.m_iMinimum < p_oField.m_iMaximum ||
               Refuse(p_hDlg, IDC_DEF_MINIMUM, kQCaptionMinMax, QuilletText(kQMsgMinMax));
    case ETemplateFieldKind::Date:
        return p_oField.m_iDateFormat >= 0 ||
               Refuse(p_hDlg, IDC_DEF_FORMAT, kQCaptionEmptyField, QuilletText(kQMsgNoDateFormat));
    case ETemplateFieldKind::Time:
        return p_oField.m_iTimeFormat >= 0 ||
               Refuse(p_hDlg, IDC_DEF_FORMAT, kQCaptionEmptyField, QuilletText(kQMsgNoTimeFormat));
    }
    return true;
}

INT_PTR CALLBACK DefinitionDialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    auto* p_oState = reinterpret_cast<CDefinitionState*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
    switch (p_uMsg)
    {
    case WM_INITDIALOG:
        SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
        p_oState = reinterpret_cast<CDefinitionState*>(p_lParam);
        WriteControls(p_hDlg, p_oState->m_oField);
        RebuildPreview(p_hDlg, *p_oState);
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(p_lParam)->code == DTN_DATETIMECHANGE)
            ShowOutput(p_hDlg, *p_oState);
        return FALSE;
    case WM_COMMAND: {
        const int iId = LOWORD(p_wParam);
        const int iCode = HIWORD(p_wParam);
        if (iId == IDOK)
        {
            ReadControls(p_hDlg, p_oState->m_oField);
            if (CheckDefinition(p_hDlg, p_oState->m_oField))
                EndDialog(p_hDlg, IDOK);
        }
        else if (iId == IDCANCEL)
            EndDialog(p_hDlg, IDCANCEL);
        else if (iId == IDC_DEF_INPUT_CONTROL && (iCode == EN_CHANGE || iCode == CBN_SELCHANGE))
            ShowOutput(p_hDlg, *p_oState);
        else if (iId != IDC_DEF_INPUT_CONTROL && iId != IDC_DEF_NAME &&
                 (iCode == EN_KILLFOCUS || iCode == BN_CLICKED || iCode == CBN_SELCHANGE || iCode == LBN_SELCHANGE))
        {
            // A definition word changed: the previews follow it.
            ReadControls(p_hDlg, p_oState->m_oField);
            RebuildPreview(p_hDlg, *p_oState);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}
} // namespace

compose::CTemplateField NewTemplateField(ETemplateFieldKind p_eKind)
{
    CTemplateField oField;
    oField.m_eKind = p_eKind;
    oField.m_iMaxLength = p_eKind == ETemplateFieldKind::Text ? 20 : 10;
    oField.m_iMaximum = 100;
    oField.m_iDecimalPoint = compose::kDecimalDot;
    return oField;
}

bool EditTemplateField(HWND p_hOwner, CTemplateField& p_oField)
{
    INITCOMMONCONTROLSEX oControls{sizeof oControls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    (void)InitCommonControlsEx(&oControls);
    CDefinitionState oState;
    oState.m_oField = p_oField;
    const INT_PTR iResult = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(DialogOf(p_oField.m_eKind)),
                                            p_hOwner, &DefinitionDialogProc, reinterpret_cast<LPARAM>(&oState));
    if (iResult == -1 || iResult == 0)
        LOG_FAILURE("the definition dialog could not be shown: error %lu", GetLastError());
    if (iResult != IDOK)
        return false;
    oState.m_oField.m_iPosition = p_oField.m_iPosition;
    p_oField = std::move(oState.m_oField);
    return true;
}
