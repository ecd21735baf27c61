// compose/templates/template_window_win.cpp: the template editor's thread, dialog procedure and
// messages, its files and the recent list, the field commands and its closing.
#include "compose/templates/template_window_win.h"

#include "common/failure_log.h"
#include "common/registry.h"
#include "common/trace_log.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/templates/field_definition_win.h"
#include "compose/templates/recent_templates.h"

#include <commctrl.h>

namespace
{
struct CInsertCommand
{
    int m_iCommand;
    compose::ETemplateFieldKind m_eKind;
};
constexpr CInsertCommand kInsertCommands[] = {
    {ID_FIELD_INSERT_TEXT, compose::ETemplateFieldKind::Text},
    {ID_FIELD_INSERT_NUMBER, compose::ETemplateFieldKind::Number},
    {ID_FIELD_INSERT_LIST, compose::ETemplateFieldKind::ListBox},
    {ID_FIELD_INSERT_DATE, compose::ETemplateFieldKind::Date},
    {ID_FIELD_INSERT_TIME, compose::ETemplateFieldKind::Time},
    {ID_FIELD_INSERT_CURRENCY, compose::ETemplateFieldKind::Currency},
};
} // namespace

CTemplateWindow::CTemplateWindow(HWND p_hParentWnd, CWindowList* p_p_oWindows)
    : CComposeFrame(p_hParentWnd, p_p_oWindows, "PreviousTemplate", QuilletText(kQFilterTemplate),
                    QuilletText(kQFilterTemplate), "template", 300)
{
}

CTemplateWindow::~CTemplateWindow() = default;

HWND CTemplateWindow::FindOpen(const CWindowList& p_oWindows)
{
    for (const CWindowRecord& record : p_oWindows.Snapshot())
        if (record.m_hWnd != nullptr && IsWindow(record.m_hWnd) &&
            GetPropA(record.m_hWnd, kTemplateWindowProperty) == reinterpret_cast<HANDLE>(1))
            return record.m_hWnd;
    return nullptr;
}

bool CTemplateWindow::Start(std::unique_ptr<CTemplateWindow> p_oWindow, bool p_bSendMessage)
{
    return StartThread(std::move(p_oWindow), p_bSendMessage, IDD_TEMPLATE_WINDOW, &CTemplateWindow::DialogProc);
}

void CTemplateWindow::OnDialogDestroyed()
{
    SaveRectangle();
    RemovePropA(m_hWnd, kTemplateWindowProperty);
}

bool CTemplateWindow::Initialise()
{
    // The editor's mark, by which the opener's object finds it.
    if (!SetPropA(m_hWnd, kTemplateWindowProperty, reinterpret_cast<HANDLE>(1)))
        return false;
    if (!CreateChildren())
        return false;
    RestoreRectangle();
    OnSize();
    m_bModified = false;
    ShowState();
    SetFocus(m_oBody.Handle());
    return true;
}

void CTemplateWindow::ShowState()
{
    const std::string sName = m_sFileName.empty() ? QuilletText(kQTextUntitled) : FileNameOf(m_sFileName);
    SetWindowTextA(m_hWnd, (QuilletText(kQTitleTemplateEditor) + " - " + sName).c_str());
    if (m_hStatus == nullptr)
        return;
    std::vector<compose::CTemplateField> vFields;
    if (!m_oBody.Fields(0, -1, vFields))
        vFields.clear();
    const std::string sCount = QuilletText(kQStatusTemplateFields, static_cast<long>(vFields.size()));
    SendMessageA(m_hStatus, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(sCount.c_str()));
    const std::string sState = m_bModified ? "*" : "";
    SendMessageA(m_hStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(sState.c_str()));
}

bool CTemplateWindow::SaveToFile()
{
    if (!m_oBody.SaveToFile(m_sFileName, m_hWnd))
        return false;
    if (compose::AddRecentTemplate(SystemRegistry(), m_sFileName) != kErrorSuccess)
        LOG_FAILURE("%s could not be put in the recent-template list", m_sFileName.c_str());
    return true;
}

bool CTemplateWindow::LoadFromFile(const std::string& p_sPath)
{
    if (!m_oBody.LoadFromFile(p_sPath, m_hWnd))
        return false;
    if (compose::AddRecentTemplate(SystemRegistry(), p_sPath) != kErrorSuccess)
        LOG_FAILURE("%s could not be put in the recent-template list", p_sPath.c_str());
    return true;
}

void CTemplateWindow::OpenFile()
{
    if (m_bModified && !OfferSave(kQCaptionSaveChanges, kQMsgSaveBeforeLoading, 0))
        return;
    std::string sPath;
    if (!AskFileName(false, sPath) || !LoadFromFile(sPath))
        return;
    m_sFileName = sPath;
    SetFocus(m_oBody.Handle());
    // The load's own change notices come first; then the document is as its file.
    PostMessageA(m_hWnd, WM_SMS_CLEARMODIFIED, 0, 0);
}

void CTemplateWindow::InsertNewField(compose::ETemplateFieldKind p_eKind)
{
    compose::CTemplateField oField = NewTemplateField(p_eKind);
    if (EditTemplateField(m_hWnd, oField) && !m_oBody.InsertField(oField))
        LOG_FAILURE("the field %s could not be inserted", oField.m_sName.c_str());
    SetFocus(m_oBody.Handle());
}

void CTemplateWindow::EditFieldAtCaret()
{
    long iPosition = 0;
    compose::CTemplateField oField;
    if (!m_oBody.FieldAtCaret(iPosition, oField))
    {
        MessageBeep(MB_OK);
        return;
    }
    if (EditTemplateField(m_hWnd, oField) && !m_oBody.ReplaceFieldAt(iPosition, oField))
        LOG_FAILURE("the field at %ld could not be updated", iPosition);
    SetFocus(m_oBody.Handle());
}

bool CTemplateWindow::OnCommand(WPARAM p_wParam, LPARAM)
{
    const int iId = LOWORD(p_wParam);
    const int iCode = HIWORD(p_wParam);
    if (iId == IDC_TEMPLATE_BODY)
    {
        if (iCode == EN_CHANGE)
        {
            m_bModified = true;
            ShowState();
        }
        return true;
    }
    if (compose_frame::SendEditCommand(m_oBody.Handle(), iId))
        return true;
    for (const CInsertCommand& insert : kInsertCommands)
        if (insert.m_iCommand == iId)
        {
            InsertNewField(insert.m_eKind);
            return true;
        }
    switch (iId)
    {
    case ID_FILE_OPEN:
        OpenFile();
        return true;
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
        (void)Save(iId == ID_FILE_SAVE_AS);
        ShowState();
        return true;
    case ID_FILE_CLOSE:
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return true;
    case ID_FIELD_PROPERTIES:
        EditFieldAtCaret();
        return true;
    default:
        return false;
    }
}

void CTemplateWindow::OnClose()
{
    if (m_bModified && !OfferSave(kQCaptionConfirmClose, kQMsgSaveTemplateOnClose, MB_ICONWARNING))
        return;
    CloseNow();
}

void CTemplateWindow::ForceClose()
{
    if (m_bModified)
        OfferSaveBeforeForcedClose(kQCaptionSaveTemplate, kQMsgSaveTemplateOnForce);
    CloseNow();
}

INT_PTR CTemplateWindow::HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMsg)
    {
    case WM_SMS_CLEARMODIFIED:
        m_bModified = false;
        ShowState();
        return TRUE;
    case WM_TEMPLATE_EDITFIELD:
        EditFieldAtCaret();
        return TRUE;
    default:
        return CComposeFrame::HandleMessage(p_uMsg, p_wParam, p_lParam);
    }
}
