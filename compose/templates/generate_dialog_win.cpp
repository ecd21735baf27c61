// compose/templates/generate_dialog_win.cpp: the "Generate from Template" dialog, its field rows and
// checks, and the generate step from a template file.
#include "compose/templates/generate_dialog_win.h"

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

CTemplateDateTime FromSystemTime(SYSTEMTIME p_oTime)
{
    // A round trip through FILETIME fills in the day of the week for any date the picker gave.
    FILETIME oFile{};
    if (SystemTimeToFileTime(&p_oTime, &oFile))
        (void)FileTimeToSystemTime(&oFile, &p_oTime);
    return CTemplateDateTime{p_oTime.wYear, p_oTime.wMonth,  p_oTime.wDay,   p_oTime.wDayOfWeek,
                             p_oTime.wHour, p_oTime.wMinute, p_oTime.wSecond};
}

CTemplateDateTime Now()
{
    SYSTEMTIME oNow{};
    GetLocalTime(&oNow);
    return FromSystemTime(oNow);
}

bool IsPicker(const CTemplateField& p_oField)
{
    return p_oField.m_eKind == ETemplateFieldKind::Date || p_oField.m_eKind == ETemplateFieldKind::Time;
}

bool UsesNow(const CTemplateField& p_oField)
{
    return (p_oField.m_eKind == ETemplateFieldKind::Date && p_oField.m_bCurrentDate != 0) ||
           (p_oField.m_eKind == ETemplateFieldKind::Time && p_oField.m_bCurrentTime != 0);
}

CTemplateEntry ReadEntry(const CTemplateField& p_oField, HWND p_hInput)
{
    CTemplateEntry oEntry;
    if (!IsPicker(p_oField))
    {
        oEntry.m_sText = ControlText(p_hInput);
        return oEntry;
    }
    if (UsesNow(p_oField))
        return oEntry; // not entered: the current date or time stands in
    SYSTEMTIME oTime{};
    if (SendMessageA(p_hInput, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&oTime)) == GDT_VALID)
    {
        oEntry.m_bEntered = true;
        oEntry.m_oWhen = FromSystemTime(oTime);
    }
    return oEntry;
}

std::string Generate(const CGenerateState& p_oState)
{
    const CTemplateDateTime oNow = Now();
    std::vector<std::string> vOutputs;
    const auto& vFields = p_oState.m_p_oTemplate->m_vFields;
    for (size_t i = 0; i < vFields.size(); ++i)
        vOutputs.push_back(
            compose::TemplateFieldOutput(vFields[i], ReadEntry(vFields[i], p_oState.m_vInputs[i]), oNow));
    return compose::GenerateTemplateText(*p_oState.m_p_oTemplate, vOutputs);
}

HWND MakeControl(HWND p_hDlg, const char* p_szClass, DWORD p_dwStyle, DWORD p_dwExStyle, const RECT& p_oRect, int p_iId)
{
    HWND hWnd =
        CreateWindowExA(p_dwExStyle, p_szClass, "", WS_CHILD | WS_VISIBLE | p_dwStyle, p_oRect.left, p_oRect.top,
                        p_oRect.right - p_oRect.left, p_oRect.bottom - p_oRect.top, p_hDlg,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)), GetModuleHandleA(nullptr), nullptr);
    if (hWnd == nullptr)
        LOG_FAILURE("the %s control %d could not be made: error %lu", p_szClass, p_iId, GetLastError());
    else
        SendMessageA(hWnd, WM_SETFONT, SendMessageA(p_hDlg, WM_GETFONT, 0, 0), FALSE);
    return hWnd;
}

HWND MakeInput(HWND p_hDlg, const CTemplateField& p_oField, RECT p_oRect, int p_iId)
{
    constexpr DWORD kTab = WS_TABSTOP;
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox: {
        p_oRect.bottom = p_oRect.top + 160; // the drop-down's list
        const DWORD dwKind = p_oField.m_bAllowEditing != 0 ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST;
        HWND hCombo = MakeControl(p_hDlg, "COMBOBOX", kTab | WS_VSCROLL | dwKind, 0, p_oRect, p_iId);
        for (const std::string& sOption : p_oField.m_vOptions)
            SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sOption.c_str()));
        return hCombo;
    }
    case ETemplateFieldKind::Date:
    case ETemplateFieldKind::Time: {
        const bool bTime = p_oField.m_eKind == ETemplateFieldKind::Time;
        const DWORD dwStyle = bTime ? DTS_TIMEFORMAT | (UsesNow(p_oField) ? 0 : DTS_SHOWNONE) : DTS_SHORTDATEFORMAT;
        HWND hPicker = MakeControl(p_hDlg, DATETIMEPICK_CLASSA, kTab | dwStyle, 0, p_oRect, p_iId);
        if (hPicker == nullptr)
            return nullptr;
        if (bTime)
            SendMessageA(hPicker, DTM_SETFORMATA, 0,
                         reinterpret_cast<LPARAM>(p_oField.m_bEnterSeconds != 0 ? "hh':'mm':'ss tt" : "hh':'mm tt"));
        if (bTime && !UsesNow(p_oField))
            SendMessageA(hPicker, DTM_SETSYSTEMTIME, GDT_NONE, 0);
        EnableWindow(hPicker, UsesNow(p_oField) ? FALSE : TRUE);
        return hPicker;
    }
    default: {
        HWND hEdit = MakeControl(p_hDlg, "EDIT", kTab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, p_oRect, p_iId);
        if (hEdit != nullptr && p_oField.m_eKind != ETemplateFieldKind::Number && p_oField.m_iMaxLength > 0)
            SendMessageA(hEdit, EM_LIMITTEXT, static_cast<WPARAM>(p_oField.m_iMaxLength), 0);
        if (hEdit != nullptr && p_oField.m_eKind == ETemplateFieldKind::Number && p_oField.m_bUpDown != 0)
        {
            HWND hSpin =
                MakeControl(p_hDlg, UPDOWN_CLASSA, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                            0, RECT{0, 0, 16, kInputHeight}, 0);
            SendMessageA(hSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hEdit), 0);
            SendMessageA(hSpin, UDM_SETRANGE32, static_cast<WPARAM>(p_oField.m_iMinimum),
                         static_cast<LPARAM>(p_oField.m_iMaximum));
        }
        return hEdit;
    }
    }
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
        HWND hLabel = MakeControl(p_hDlg, "STATIC", SS_LEFT | SS_CENTERIMAGE, 0,
                                  RECT{oArea.left, iTop, oArea.left + iLabelWidth - kRowGap, iTop + kInputHeight}, iId);
        SetWindowTextA(hLabel, compose::TemplateFieldLabel(vFields[i]).c_str());
        HWND hInput = MakeInput(p_hDlg, vFields[i],
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
            compose::CheckTemplateEntry(oField, ReadEntry(oField, p_oState.m_vInputs[i]));
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
