// compose/templates/generate_dialog_win.cpp: the "Generate from Template" dialog, its field rows and
// checks, and the generate step from a template file.
#include "compose/templates/generate_dialog_win.h"

#include "compose/templates/field_input_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/templates/recent_templates.h"
#include "compose/templates/template_generate.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace
{
using compose::CTemplate;
using compose::CTemplateDateTime;
using compose::CTemplateEntry;
using compose::CTemplateField;
using compose::ETemplateFieldKind;

constexpr UINT WM_TEMPLATE_REFRESH = WM_APP + 1;
// A template is a few hundred characters; a file far larger than this is not one.
constexpr size_t kMaxTemplateFile = static_cast<size_t>(4) * 1024 * 1024;
constexpr int kMinRowHeight = 28;
constexpr int kInputHeight = 21;
constexpr int kRowGap = 6;
constexpr const char* kProductName = "Brevolt SMS";

struct CGenerateState
{
    const CTemplate* m_p_oTemplate = nullptr;
    std::vector<HWND> m_vInputs;
    std::string m_sText;
};

std::string Generate(const CGenerateState& p_oState)
{
    const CTemplateDateTime oNow = TemplateNow();
    std::vector<std::string> vOutputs;
    const auto& vFields = p_oState.m_p_oTemplate->m_vFields;
    for (size_t i = 0; i < vFields.size(); ++i)
        vOutputs.push_back(
            compose::TemplateFieldOutput(vFields[i], ReadFieldInput(vFields[i], p_oState.m_vInputs[i]), oNow));
    return compose::GenerateTemplateText(*p_oState.m_p_oTemplate, vOutputs);
}

// Moves a control down by p_iBy pixels.
void MoveDown(HWND p_hDlg, int p_iId, int p_iBy)
{
    HWND hWnd = GetDlgItem(p_hDlg, p_iId);
    RECT oRect{};
    GetWindowRect(hWnd, &oRect);
    MapWindowPoints(nullptr, p_hDlg, reinterpret_cast<POINT*>(&oRect), 2);
    SetWindowPos(hWnd, nullptr, oRect.left, oRect.top + p_iBy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The rows share the marked area evenly; when there are too many for it, the dialog grows.
bool MakeRows(HWND p_hDlg, CGenerateState& p_oState)
{
    RECT oArea{};
    GetWindowRect(GetDlgItem(p_hDlg, IDC_TEMPLATE_ROWS), &oArea);
    MapWindowPoints(nullptr, p_hDlg, reinterpret_cast<POINT*>(&oArea), 2);
    const auto& vFields = p_oState.m_p_oTemplate->m_vFields;
    const int iCount = std::max(1, static_cast<int>(vFields.size()));
    const int iNeeded = iCount * kMinRowHeight - (oArea.bottom - oArea.top);
    if (iNeeded > 0)
    {
        for (int iId : {IDC_TEMPLATE_RESULT_LABEL, IDC_TEMPLATE_RESULT, IDOK, IDCANCEL})
            MoveDown(p_hDlg, iId, iNeeded);
        RECT oDialog{};
        GetWindowRect(p_hDlg, &oDialog);
        SetWindowPos(p_hDlg, nullptr, 0, 0, oDialog.right - oDialog.left, oDialog.bottom - oDialog.top + iNeeded,
                     SWP_NOMOVE | SWP_NOZORDER);
        oArea.bottom += iNeeded;
    }
    const int iRow = (oArea.bottom - oArea.top) / iCount;
    const int iLabelWidth = (oArea.right - oArea.left) * 2 / 5;
    for (size_t i = 0; i < vFields.size(); ++i)
    {
        const int iTop = oArea.top + static_cast<int>(i) * iRow + (iRow - kInputHeight) / 2;
        const int iId = IDC_TEMPLATE_FIRST_ROW + 2 * static_cast<int>(i);
        HWND hLabel =
            CreateChildControl(p_hDlg, "STATIC", SS_LEFT | SS_CENTERIMAGE, 0,
                               RECT{oArea.left, iTop, oArea.left + iLabelWidth - kRowGap, iTop + kInputHeight}, iId);
        SetWindowTextA(hLabel, compose::TemplateFieldLabel(vFields[i]).c_str());
        HWND hInput = CreateFieldInput(p_hDlg, vFields[i],
                                       RECT{oArea.left + iLabelWidth, iTop, oArea.right, iTop + kInputHeight}, iId + 1);
        if (hLabel == nullptr || hInput == nullptr)
            return false;
        p_oState.m_vInputs.push_back(hInput);
    }
    return true;
}

// The first field whose entry fails, shown to the user with the focus put on it.
bool CheckEntries(HWND p_hDlg, const CGenerateState& p_oState)
{
    const auto& vFields = p_oState.m_p_oTemplate->m_vFields;
    for (size_t i = 0; i < vFields.size(); ++i)
    {
        const CTemplateField& oField = vFields[i];
        const compose::ETemplateEntryCheck eCheck =
            compose::CheckTemplateEntry(oField, ReadFieldInput(oField, p_oState.m_vInputs[i]));
        if (eCheck == compose::ETemplateEntryCheck::Ok)
            continue;
        if (eCheck == compose::ETemplateEntryCheck::OutOfRange)
            (void)ShowMessageBox(
                p_hDlg, QuilletText(kQMsgOutOfRange, oField.m_iMinimum, oField.m_iMaximum, oField.m_sName.c_str()),
                QuilletText(kQCaptionOutOfRange), MB_OK | MB_ICONEXCLAMATION);
        else
        {
            unsigned uMessage = kQMsgMissingText;
            if (oField.m_eKind == ETemplateFieldKind::ListBox)
                uMessage = kQMsgMissingCombo;
            else if (oField.m_eKind == ETemplateFieldKind::Number)
                uMessage = kQMsgMissingNumber;
            else if (oField.m_eKind == ETemplateFieldKind::Time)
                uMessage = kQMsgMissingTime;
            else if (oField.m_eKind == ETemplateFieldKind::Currency)
                uMessage = kQMsgMissingCurrency;
            (void)ShowMessageBox(p_hDlg, QuilletText(uMessage, oField.m_sName.c_str()),
                                 QuilletText(kQCaptionMissingData), MB_OK | MB_ICONEXCLAMATION);
        }
        SetFocus(p_oState.m_vInputs[i]);
        return false;
    }
    return true;
}

INT_PTR CALLBACK GenerateDialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    auto* p_oState = reinterpret_cast<CGenerateState*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
    switch (p_uMsg)
    {
    case WM_INITDIALOG:
        SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
        p_oState = reinterpret_cast<CGenerateState*>(p_lParam);
        if (!MakeRows(p_hDlg, *p_oState))
        {
            EndDialog(p_hDlg, -1);
            return TRUE;
        }
        SetDlgItemTextA(p_hDlg, IDC_TEMPLATE_RESULT, Generate(*p_oState).c_str());
        if (!p_oState->m_vInputs.empty())
        {
            SetFocus(p_oState->m_vInputs.front());
            return FALSE;
        }
        return TRUE;
    case WM_TEMPLATE_REFRESH:
        SetDlgItemTextA(p_hDlg, IDC_TEMPLATE_RESULT, Generate(*p_oState).c_str());
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(p_lParam)->code == DTN_DATETIMECHANGE)
            PostMessageA(p_hDlg, WM_TEMPLATE_REFRESH, 0, 0);
        return FALSE;
    case WM_COMMAND: {
        const int iId = LOWORD(p_wParam);
        const int iCode = HIWORD(p_wParam);
        if (iId >= IDC_TEMPLATE_FIRST_ROW && (iCode == EN_CHANGE || iCode == CBN_SELCHANGE || iCode == CBN_EDITCHANGE))
            PostMessageA(p_hDlg, WM_TEMPLATE_REFRESH, 0, 0); // a combo's text follows its selection later
        else if (iId == IDOK && CheckEntries(p_hDlg, *p_oState))
        {
            p_oState->m_sText = Generate(*p_oState);
            EndDialog(p_hDlg, IDOK);
        }
        else if (iId == IDCANCEL)
            EndDialog(p_hDlg, IDCANCEL);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

bool MissingFileError(DWORD p_dwError)
{
    return p_dwError == ERROR_FILE_NOT_FOUND || p_dwError == ERROR_PATH_NOT_FOUND;
}
} // namespace

bool RunGenerateDialog(HWND p_hOwner, const CTemplate& p_oTemplate, std::string& p_sText)
{
    INITCOMMONCONTROLSEX oControls{sizeof oControls, ICC_DATE_CLASSES | ICC_UPDOWN_CLASS};
    (void)InitCommonControlsEx(&oControls);
    CGenerateState oState;
    oState.m_p_oTemplate = &p_oTemplate;
    const INT_PTR iResult = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEMPLATE_GENERATE),
                                            p_hOwner, &GenerateDialogProc, reinterpret_cast<LPARAM>(&oState));
    if (iResult == -1 || iResult == 0)
        LOG_FAILURE("the generate dialog could not be shown: error %lu", GetLastError());
    if (iResult != IDOK)
        return false;
    p_sText = std::move(oState.m_sText);
    return true;
}

EGenerateResult GenerateFromTemplateFile(HWND p_hOwner, const std::string& p_sPath, std::string& p_sText)
{
    {
        unique_file hProbe(CreateFileA(p_sPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!hProbe)
        {
            const DWORD dwError = GetLastError();
            Log("GenerateFromTemplateFile: %s cannot be opened: error %lu", p_sPath.c_str(), dwError);
            if (MissingFileError(dwError))
                return EGenerateResult::NotFound;
            (void)ShowMessageBox(p_hOwner, QuilletText(kQMsgTemplateOpenError, static_cast<long>(dwError)),
                                 QuilletText(kQCaptionTemplateOpenError), MB_OK | MB_ICONERROR);
            return EGenerateResult::OpenFailed;
        }
    }
    std::string sBytes;
    const EReadFile eRead = ReadWholeFile(p_sPath, sBytes, kMaxTemplateFile);
    if ((eRead != EReadFile::Read && eRead != EReadFile::TooLarge) || (eRead == EReadFile::Read && sBytes.empty()))
        return EGenerateResult::Unreadable;
    CTemplate oTemplate;
    const compose::ETemplateResult eParse =
        eRead == EReadFile::Read
            ? compose::ReadTemplate(reinterpret_cast<const uint8_t*>(sBytes.data()), sBytes.size(), oTemplate)
            : compose::ETemplateResult::Truncated;
    if (eParse != compose::ETemplateResult::Ok)
    {
        Log("GenerateFromTemplateFile: %s: %s", p_sPath.c_str(), compose::TemplateResultText(eParse));
        (void)ShowMessageBox(p_hOwner, QuilletText(kQMsgTemplateCorrupt, kProductName),
                             QuilletText(kQCaptionFileCorrupt), MB_OK | MB_ICONERROR);
        return EGenerateResult::Corrupt;
    }
    if (compose::AddRecentTemplate(SystemRegistry(), p_sPath) != kErrorSuccess)
        LOG_FAILURE("%s could not be put in the recent-template list", p_sPath.c_str());
    return RunGenerateDialog(p_hOwner, oTemplate, p_sText) ? EGenerateResult::Generated : EGenerateResult::Cancelled;
}

bool AskTemplatePath(HWND p_hOwner, std::string& p_sPath)
{
    // The filter is its text, the pattern, and an empty pair to end it.
    std::string sFilter = QuilletText(kQFilterTemplate);
    sFilter.push_back('\0');
    sFilter += "*.template";
    sFilter.push_back('\0');
    sFilter.push_back('\0');
    char szPath[MAX_PATH] = {};
    OPENFILENAMEA oOpen{};
    oOpen.lStructSize = sizeof oOpen;
    oOpen.hwndOwner = p_hOwner;
    oOpen.lpstrFilter = sFilter.c_str();
    oOpen.lpstrFile = szPath;
    oOpen.nMaxFile = MAX_PATH;
    oOpen.lpstrDefExt = "template";
    oOpen.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&oOpen))
        return false;
    p_sPath = szPath;
    return true;
}
