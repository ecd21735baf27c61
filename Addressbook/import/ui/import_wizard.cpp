// Addressbook/import/ui/import_wizard.cpp: the "Bulk Import Wizard" and the exports ImportRecipients
// and ImportFromFile. Text files take three steps (fixed or delimited, the layout, the columns);
// comma-separated text saved from a workbook takes two (the worksheet, the columns).
#include "Addressbook/import/ui/import_wizard.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/import/import_messages.h"
#include "Addressbook/import/import_reader.h"
#include "Addressbook/messaging/ansi_text.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr size_t kPreviewLines = 10;

// Every control that belongs to one page or another; the rest (title, buttons) is always shown.
constexpr int kPageControls[] = {
    IDC_IMPORT_DELIMITED,      IDC_IMPORT_FIXED,           IDC_IMPORT_GROUP,
    IDC_IMPORT_COMMA,          IDC_IMPORT_SEMICOLON,       IDC_IMPORT_TAB,
    IDC_IMPORT_SPACE,          IDC_IMPORT_OTHER,           IDC_IMPORT_OTHER_TEXT,
    IDC_IMPORT_MULTIPLE,       IDC_IMPORT_LABEL_QUALIFIER, IDC_IMPORT_QUALIFIER,
    IDC_IMPORT_LABEL_BREAKS,   IDC_IMPORT_BREAKS,          IDC_IMPORT_SHEETS,
    IDC_IMPORT_COLUMN_LIST,    IDC_IMPORT_LABEL_TYPE,      IDC_IMPORT_COLUMN_TYPE,
    IDC_IMPORT_LABEL_NAME,     IDC_IMPORT_COLUMN_NAME,     IDC_IMPORT_LABEL_DEFAULT,
    IDC_IMPORT_COLUMN_DEFAULT, IDC_IMPORT_HEADERS,
};

// The column type box: recognised types by their standard names, then "Other" for a custom column.
constexpr int kTypeOrder[] = {kColumnMobile,  kColumnName,   kColumnFirstName, kColumnLastName, kColumnEmail,
                              kColumnAddress, kColumnAmount, kColumnDate,      kColumnTitle,    kColumnCustom};

bool IsChecked(HWND p_hDialog, int p_iControl)
{
    return IsDlgButtonChecked(p_hDialog, p_iControl) == BST_CHECKED;
}

std::string JoinCells(const std::vector<std::string>& p_vCells)
{
    std::string sOut;
    for (size_t i = 0; i < p_vCells.size(); ++i)
        sOut += (i == 0 ? "" : " | ") + p_vCells[i];
    return sOut;
}
} // namespace

CImportWizard::CImportWizard(std::string p_sPath, std::vector<std::string> p_vPreview,
                             std::vector<std::string> p_vSheets)
    : m_sPath(p_sPath), m_sListPath(std::move(p_sPath)), m_vPreview(std::move(p_vPreview)),
      m_vSheets(std::move(p_vSheets)), m_bWorkbook(!m_vSheets.empty())
{
    m_oLayout.m_oDelimited.m_sDelimiters = ",";
    m_oLayout.m_oDelimited.m_cQualifier = '"';
    m_oLayout.m_vBreaks = ProposeFixedBreaks(m_vPreview);
}

int CImportWizard::StepCount() const
{
    return m_bWorkbook ? 2 : 3;
}

bool CImportWizard::Run(HWND p_hParent)
{
    return CModalDialog::Run(*this, IDD_IMPORT_WIZARD, p_hParent, "CImportWizard");
}

INT_PTR CImportWizard::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        OnInitDialog(p_hDialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(p_hDialog, LOWORD(p_wParam), HIWORD(p_wParam));
        return TRUE;
    }
    return FALSE;
}

void CImportWizard::OnInitDialog(HWND p_hDialog)
{
    CheckDlgButton(p_hDialog, IDC_IMPORT_DELIMITED, BST_CHECKED);
    CheckDlgButton(p_hDialog, IDC_IMPORT_COMMA, BST_CHECKED);
    CheckDlgButton(p_hDialog, IDC_IMPORT_HEADERS, BST_CHECKED);
    SendDlgItemMessageA(p_hDialog, IDC_IMPORT_OTHER_TEXT, EM_LIMITTEXT, 1, 0);
    const HWND hQualifier = GetDlgItem(p_hDialog, IDC_IMPORT_QUALIFIER);
    for (const char* szQualifier : {"\"", "'", "{none}"})
        SendMessageA(hQualifier, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szQualifier));
    SendMessageA(hQualifier, CB_SETCURSEL, 0, 0);
    const HWND hSheets = GetDlgItem(p_hDialog, IDC_IMPORT_SHEETS);
    for (const auto& sSheet : m_vSheets)
        SendMessageA(hSheets, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sSheet.c_str()));
    SendMessageA(hSheets, LB_SETCURSEL, 0, 0);
    const HWND hTypes = GetDlgItem(p_hDialog, IDC_IMPORT_COLUMN_TYPE);
    for (int iType : kTypeOrder)
        SendMessageA(hTypes, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(iType == kColumnCustom ? "Other" : StandardColumnName(iType)));
    std::string sBreaks;
    for (size_t nBreak : m_oLayout.m_vBreaks)
        sBreaks += (sBreaks.empty() ? "" : ",") + std::to_string(nBreak);
    SetDlgItemTextA(p_hDialog, IDC_IMPORT_BREAKS, sBreaks.c_str());
    ShowStep(p_hDialog, 0);
}

void CImportWizard::ReadLayout(HWND p_hDialog)
{
    if (m_bWorkbook)
    {
        // Workbooks arrive as comma-separated text with double-quoted cells.
        m_oLayout.m_bFixedWidth = false;
        m_oLayout.m_oDelimited = CDelimitedOptions();
    }
    else
    {
        m_oLayout.m_bFixedWidth = IsChecked(p_hDialog, IDC_IMPORT_FIXED);
        std::string sDelimiters;
        if (IsChecked(p_hDialog, IDC_IMPORT_COMMA))
            sDelimiters += ',';
        if (IsChecked(p_hDialog, IDC_IMPORT_SEMICOLON))
            sDelimiters += ';';
        if (IsChecked(p_hDialog, IDC_IMPORT_TAB))
            sDelimiters += '\t';
        if (IsChecked(p_hDialog, IDC_IMPORT_SPACE))
            sDelimiters += ' ';
        if (IsChecked(p_hDialog, IDC_IMPORT_OTHER))
            sDelimiters += DialogItemText(p_hDialog, IDC_IMPORT_OTHER_TEXT).substr(0, 1);
        m_oLayout.m_oDelimited.m_sDelimiters = sDelimiters;
        const LRESULT iQualifier = SendDlgItemMessageA(p_hDialog, IDC_IMPORT_QUALIFIER, CB_GETCURSEL, 0, 0);
        m_oLayout.m_oDelimited.m_cQualifier = iQualifier == 0 ? '"' : iQualifier == 1 ? '\'' : '\0';
        m_oLayout.m_oDelimited.m_bMultipleAsOne = IsChecked(p_hDialog, IDC_IMPORT_MULTIPLE);
        m_oLayout.m_vBreaks.clear();
        const std::string sBreaks = DialogItemText(p_hDialog, IDC_IMPORT_BREAKS);
        for (const char* p = sBreaks.c_str(); *p != '\0';)
        {
            char* p_cEnd = nullptr;
            const unsigned long ulBreak = std::strtoul(p, &p_cEnd, 10);
            if (p_cEnd == p)
            {
                ++p;
                continue;
            }
            if (ulBreak > 0 && ulBreak < 100000)
                m_oLayout.m_vBreaks.push_back(ulBreak);
            p = p_cEnd;
        }
        std::sort(m_oLayout.m_vBreaks.begin(), m_oLayout.m_vBreaks.end());
    }
    m_oLayout.m_bHeaderRow = IsChecked(p_hDialog, IDC_IMPORT_HEADERS);
}

void CImportWizard::MakeColumns()
{
    size_t nColumns = 0;
    for (const auto& sLine : m_vPreview)
        nColumns = std::max(nColumns, SplitImportLine(sLine, m_oLayout).size());
    const std::vector<std::string> vFirst =
        m_vPreview.empty() ? std::vector<std::string>() : SplitImportLine(m_vPreview[0], m_oLayout);
    m_vColumns = MakeImportColumns(vFirst, m_oLayout.m_bHeaderRow, nColumns);
    m_vOwnNames.clear();
    for (size_t i = 0; i < m_vColumns.size(); ++i)
    {
        const std::string sHeader = m_oLayout.m_bHeaderRow && i < vFirst.size() ? TrimCellPadding(vFirst[i]) : "";
        m_vOwnNames.push_back(sHeader.empty() ? ColumnLetterName(i) : sHeader);
    }
}

bool CImportWizard::IsColumnsStep() const
{
    return m_iStep == StepCount() - 1;
}

void CImportWizard::ShowStep(HWND p_hDialog, int p_iStep)
{
    m_iStep = p_iStep;
    const unsigned aTextTitles[] = {kMsgWizardTextStep1, kMsgWizardTextStep2, kMsgWizardTextStep3};
    const unsigned aBookTitles[] = {kMsgWizardBookStep1, kMsgWizardBookStep2};
    const std::string sTitle = TableText(m_bWorkbook ? aBookTitles[p_iStep] : aTextTitles[p_iStep]);
    SetWindowTextA(p_hDialog, sTitle.c_str());
    SetDlgItemTextA(p_hDialog, IDC_IMPORT_STEP_TITLE, sTitle.c_str());

    std::vector<int> vShown;
    const char* szLabel = "";
    if (IsColumnsStep())
    {
        szLabel = "Set Column Information";
        vShown = {IDC_IMPORT_COLUMN_LIST, IDC_IMPORT_LABEL_TYPE,    IDC_IMPORT_COLUMN_TYPE,   IDC_IMPORT_LABEL_NAME,
                  IDC_IMPORT_COLUMN_NAME, IDC_IMPORT_LABEL_DEFAULT, IDC_IMPORT_COLUMN_DEFAULT};
    }
    else if (p_iStep == 0 && m_bWorkbook)
    {
        szLabel = "Choose your worksheet";
        vShown = {IDC_IMPORT_SHEETS, IDC_IMPORT_HEADERS};
    }
    else if (p_iStep == 0)
    {
        szLabel = "Choose Fixed or Delimited";
        vShown = {IDC_IMPORT_DELIMITED, IDC_IMPORT_FIXED, IDC_IMPORT_HEADERS};
    }
    else if (IsChecked(p_hDialog, IDC_IMPORT_FIXED))
    {
        szLabel = "Fixed Width";
        vShown = {IDC_IMPORT_LABEL_BREAKS, IDC_IMPORT_BREAKS};
    }
    else
    {
        szLabel = "Delimited";
        vShown = {IDC_IMPORT_GROUP,           IDC_IMPORT_COMMA,    IDC_IMPORT_SEMICOLON,  IDC_IMPORT_TAB,
                  IDC_IMPORT_SPACE,           IDC_IMPORT_OTHER,    IDC_IMPORT_OTHER_TEXT, IDC_IMPORT_MULTIPLE,
                  IDC_IMPORT_LABEL_QUALIFIER, IDC_IMPORT_QUALIFIER};
    }
    SetDlgItemTextA(p_hDialog, IDC_IMPORT_PAGE_LABEL, szLabel);
    for (int iControl : kPageControls)
        ShowWindow(GetDlgItem(p_hDialog, iControl),
                   std::find(vShown.begin(), vShown.end(), iControl) != vShown.end() ? SW_SHOW : SW_HIDE);
    EnableWindow(GetDlgItem(p_hDialog, IDC_IMPORT_BACK), p_iStep > 0);
    EnableWindow(GetDlgItem(p_hDialog, IDC_IMPORT_NEXT), !IsColumnsStep());
    EnableWindow(GetDlgItem(p_hDialog, IDC_IMPORT_FINISH), IsColumnsStep());

    if (IsColumnsStep())
    {
        const HWND hList = GetDlgItem(p_hDialog, IDC_IMPORT_COLUMN_LIST);
        SendMessageA(hList, LB_RESETCONTENT, 0, 0);
        for (size_t i = 0; i < m_vColumns.size(); ++i)
            SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ColumnLetterName(i).c_str()));
        SendMessageA(hList, LB_SETCURSEL, 0, 0);
        LoadColumn(p_hDialog);
    }
    ShowPreview(p_hDialog);
}

void CImportWizard::ShowPreview(HWND p_hDialog)
{
    std::string sPreview;
    if (m_iStep == 0 && !m_bWorkbook)
    {
        for (const auto& sLine : m_vPreview)
            sPreview += sLine + "\r\n";
    }
    else
    {
        ReadLayout(p_hDialog);
        if (IsColumnsStep())
        {
            std::vector<std::string> vNames;
            for (const auto& oColumn : m_vColumns)
                vNames.push_back(oColumn.m_iType == kColumnCustom ? oColumn.m_sName
                                                                  : std::string("[") + oColumn.m_sName + "]");
            sPreview += JoinCells(vNames) + "\r\n";
        }
        for (size_t i = 0; i < m_vPreview.size(); ++i)
        {
            if (IsColumnsStep() && i == 0 && m_oLayout.m_bHeaderRow)
                continue;
            sPreview += JoinCells(SplitImportLine(m_vPreview[i], m_oLayout)) + "\r\n";
        }
    }
    SetDlgItemTextA(p_hDialog, IDC_IMPORT_PREVIEW, sPreview.c_str());
}

int CImportWizard::SelectedColumn(HWND p_hDialog) const
{
    const LRESULT iSelected = SendDlgItemMessageA(p_hDialog, IDC_IMPORT_COLUMN_LIST, LB_GETCURSEL, 0, 0);
    return iSelected >= 0 && static_cast<size_t>(iSelected) < m_vColumns.size() ? static_cast<int>(iSelected) : -1;
}

void CImportWizard::LoadColumn(HWND p_hDialog)
{
    const int iColumn = SelectedColumn(p_hDialog);
    m_bLoading = true;
    if (iColumn >= 0)
    {
        const auto& oColumn = m_vColumns[static_cast<size_t>(iColumn)];
        const auto* p_iType = std::find(std::begin(kTypeOrder), std::end(kTypeOrder), oColumn.m_iType);
        SendDlgItemMessageA(p_hDialog, IDC_IMPORT_COLUMN_TYPE, CB_SETCURSEL, p_iType - std::begin(kTypeOrder), 0);
        SetDlgItemTextA(p_hDialog, IDC_IMPORT_COLUMN_NAME, oColumn.m_sName.c_str());
        SetDlgItemTextA(p_hDialog, IDC_IMPORT_COLUMN_DEFAULT, oColumn.m_sDefault.c_str());
        EnableWindow(GetDlgItem(p_hDialog, IDC_IMPORT_COLUMN_NAME), oColumn.m_iType == kColumnCustom);
    }
    m_bLoading = false;
}

void CImportWizard::OnCommand(HWND p_hDialog, int p_iControl, int p_iNotification)
{
    switch (p_iControl)
    {
    case IDC_IMPORT_NEXT:
        if (IsColumnsStep())
            return;
        ReadLayout(p_hDialog);
        if (m_bWorkbook)
        {
            const LRESULT iSheet = SendDlgItemMessageA(p_hDialog, IDC_IMPORT_SHEETS, LB_GETCURSEL, 0, 0);
            m_iSheet = iSheet < 0 ? 0 : static_cast<int>(iSheet);
            if (m_fnSheetChosen && !m_fnSheetChosen(m_iSheet, m_sPath, m_vPreview))
                return;
        }
        if (m_iStep + 1 == StepCount() - 1)
            MakeColumns();
        ShowStep(p_hDialog, m_iStep + 1);
        return;
    case IDC_IMPORT_BACK:
        if (m_iStep > 0)
            ShowStep(p_hDialog, m_iStep - 1);
        return;
    case IDC_IMPORT_FINISH:
        if (IsColumnsStep())
            OnFinish(p_hDialog);
        return;
    case IDCANCEL:
        EndDialog(p_hDialog, IDCANCEL);
        return;
    case IDC_IMPORT_COLUMN_LIST:
        if (p_iNotification == LBN_SELCHANGE)
            LoadColumn(p_hDialog);
        return;
    case IDC_IMPORT_COLUMN_TYPE:
        if (p_iNotification == CBN_SELCHANGE && !m_bLoading)
        {
            const int iColumn = SelectedColumn(p_hDialog);
            const LRESULT iItem = SendDlgItemMessageA(p_hDialog, IDC_IMPORT_COLUMN_TYPE, CB_GETCURSEL, 0, 0);
            if (iColumn >= 0 && iItem >= 0 && static_cast<size_t>(iItem) < std::size(kTypeOrder))
            {
                SetColumnType(m_vColumns[static_cast<size_t>(iColumn)], kTypeOrder[iItem],
                              m_vOwnNames[static_cast<size_t>(iColumn)]);
                LoadColumn(p_hDialog);
                ShowPreview(p_hDialog);
            }
        }
        return;
    case IDC_IMPORT_COLUMN_NAME:
    case IDC_IMPORT_COLUMN_DEFAULT:
        if (p_iNotification == EN_CHANGE && !m_bLoading)
        {
            const int iColumn = SelectedColumn(p_hDialog);
            if (iColumn < 0)
                return;
            auto& oColumn = m_vColumns[static_cast<size_t>(iColumn)];
            if (p_iControl == IDC_IMPORT_COLUMN_DEFAULT)
                oColumn.m_sDefault = DialogItemText(p_hDialog, p_iControl);
            else if (oColumn.m_iType == kColumnCustom)
            {
                oColumn.m_sName = DialogItemText(p_hDialog, p_iControl);
                ShowPreview(p_hDialog);
            }
        }
        return;
    default:
        // Any change of the layout shows at once in the preview.
        if (m_iStep > 0 && !IsColumnsStep() &&
            (p_iNotification == BN_CLICKED || p_iNotification == EN_CHANGE || p_iNotification == CBN_SELCHANGE))
            ShowPreview(p_hDialog);
        return;
    }
}

void CImportWizard::OnFinish(HWND p_hDialog)
{
    ReadLayout(p_hDialog);
    if (!ImportTextFile(m_sPath, m_oLayout, m_vColumns, m_oResult, &m_sListPath))
    {
        Log("CImportWizard::OnFinish: the file \"%s\" could not be read", m_sPath.c_str());
        ShowMessage(p_hDialog, kMsgAnErrorOccurred, TableText(kMsgImportReadFailed, m_sPath.c_str()),
                    MB_OK | MB_ICONWARNING);
        EndDialog(p_hDialog, IDCANCEL);
        return;
    }
    EndDialog(p_hDialog, IDOK);
}

RecipientPtr CImportWizard::TakeResult()
{
    return std::move(m_oResult);
}

namespace
{
// The text reader: preview, wizard, import. Null when nothing is to be added.
RecipientPtr ImportTextWithWizard(HWND p_hParent, const std::string& p_sPath)
{
    std::vector<std::string> vPreview;
    if (!ReadImportLines(p_sPath, kPreviewLines, vPreview))
    {
        Log("ImportFromFile: the file \"%s\" could not be read", p_sPath.c_str());
        ShowMessage(p_hParent, kMsgAnErrorOccurred, TableText(kMsgImportReadFailed, p_sPath.c_str()),
                    MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    if (vPreview.empty())
    {
        ShowWarning(p_hParent, kMsgEmptyFileCaption, kMsgEmptyFile);
        return nullptr;
    }
    CImportWizard oWizard(p_sPath, std::move(vPreview), {});
    if (!oWizard.Run(p_hParent))
        return nullptr;
    return oWizard.TakeResult();
}

bool IsWorkbookPath(const std::string& p_sPath)
{
    return p_sPath.size() >= 3 && AnsiUpperCase(p_sPath.substr(p_sPath.size() - 3)) == "XLS";
}

void AppendImported(CMessageRecipientList** p_pp_mrlList, RecipientPtr p_oList)
{
    if (!p_oList || p_pp_mrlList == nullptr)
        return;
    if (*p_pp_mrlList == nullptr)
        *p_pp_mrlList = NewList<CMessageRecipientList>().release();
    Log("ImportFromFile: %u members imported",
        p_oList->m_p_mrlMembers != nullptr ? p_oList->m_p_mrlMembers->m_dwCount : 0u);
    AppendItem(**p_pp_mrlList, std::move(p_oList));
}
} // namespace

extern "C"
{
    int CORVANE_API ImportFromFile(HWND p_hParent, const char* p_szPath, CMessageRecipientList** p_pp_mrlList, int32_t*)
    {
        return TrapExceptions("ImportFromFile", 1, [&]() -> int {
            if (p_szPath == nullptr)
                return 1;
            const std::string sPath(p_szPath);
            RecipientPtr oList = IsWorkbookPath(sPath) ? ImportWorkbookWithWizard(p_hParent, sPath)
                                                       : ImportTextWithWizard(p_hParent, sPath);
            AppendImported(p_pp_mrlList, std::move(oList));
            return 1;
        });
    }

    int CORVANE_API ImportRecipients(HWND p_hParent, CMessageRecipientList** p_pp_mrlList, int32_t* p_piPosition)
    {
        return TrapExceptions("ImportRecipients", 1, [&]() -> int {
            char szFile[MAX_PATH] = {};
            std::string sFilter = TableText(kMsgImportFilter);
            sFilter.push_back('\0');
            sFilter += "*.csv;*.txt;*.xls";
            sFilter.push_back('\0');
            OPENFILENAMEA oOpen{};
            oOpen.lStructSize = sizeof(oOpen);
            oOpen.hwndOwner = p_hParent;
            oOpen.lpstrFilter = sFilter.c_str();
            oOpen.lpstrFile = szFile;
            oOpen.nMaxFile = sizeof(szFile);
            oOpen.lpstrDefExt = "TXT";
            oOpen.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
            if (!GetOpenFileNameA(&oOpen))
            {
                const DWORD dwError = CommDlgExtendedError();
                if (dwError != 0)
                    LogCallFailure(__PRETTY_FUNCTION__, "GetOpenFileName", EResultKind::Win32Error, dwError);
                return 1;
            }
            return ImportFromFile(p_hParent, szFile, p_pp_mrlList, p_piPosition);
        });
    }
}
