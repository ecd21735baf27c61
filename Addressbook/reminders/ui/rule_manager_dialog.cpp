// Addressbook/reminders/ui/rule_manager_dialog.cpp: CRuleManagerDialog and the ShowRuleManager export.
#include "Addressbook/reminders/ui/rule_manager_dialog.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/frame_messages.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/reminders/rule_messages.h"
#include "Addressbook/reminders/ui/rule_editor_dialog.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/boundary.h"
#include "common/trace_log.h"

#include <memory>

namespace
{
constexpr int kSelectionButtons[] = {IDC_RULE_EDIT, IDC_RULE_DELETE, IDC_RULE_ENABLE, IDC_RULE_UP, IDC_RULE_DOWN};
}

bool CRuleManagerDialog::Run(HWND p_hOwner)
{
    m_oRules = m_oManager.Rules();
    return CModalDialog::Run(*this, IDD_RULE_MANAGER, p_hOwner, "CRuleManagerDialog");
}

INT_PTR CRuleManagerDialog::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        FillList(p_hDialog, m_oRules.empty() ? -1 : 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(p_wParam))
        {
        case IDC_RULE_LIST:
            if (HIWORD(p_wParam) == LBN_SELCHANGE)
                UpdateSelection(p_hDialog);
            else if (HIWORD(p_wParam) == LBN_DBLCLK)
                OnEdit(p_hDialog);
            return TRUE;
        case IDC_RULE_NEW:
            OnNew(p_hDialog);
            return TRUE;
        case IDC_RULE_EDIT:
            OnEdit(p_hDialog);
            return TRUE;
        case IDC_RULE_DELETE:
            OnDelete(p_hDialog);
            return TRUE;
        case IDC_RULE_ENABLE:
            OnToggle(p_hDialog);
            return TRUE;
        case IDC_RULE_UP:
            OnMove(p_hDialog, true);
            return TRUE;
        case IDC_RULE_DOWN:
            OnMove(p_hDialog, false);
            return TRUE;
        case IDOK:
            OnOK(p_hDialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(p_hDialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void CRuleManagerDialog::FillList(HWND p_hDialog, int p_iSelect)
{
    const HWND list = GetDlgItem(p_hDialog, IDC_RULE_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const CMessageRule& rule : m_oRules)
    {
        const std::string item = rule.m_bEnabled ? rule.m_sName : rule.m_sName + TableText(kMsgRuleDisabledSuffix);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(p_iSelect), 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    UpdateSelection(p_hDialog);
}

int CRuleManagerDialog::Selected(HWND p_hDialog) const
{
    const LRESULT index = SendDlgItemMessageA(p_hDialog, IDC_RULE_LIST, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || index < 0 || static_cast<size_t>(index) >= m_oRules.size())
        return -1;
    return static_cast<int>(index);
}

void CRuleManagerDialog::UpdateSelection(HWND p_hDialog)
{
    const int index = Selected(p_hDialog);
    const std::string description =
        index < 0 ? TableText(kMsgRuleNoneSelected) : m_oRules[static_cast<size_t>(index)].GetDescription();
    SetDlgItemTextA(p_hDialog, IDC_RULE_DESCRIPTION, description.c_str());
    for (int button : kSelectionButtons)
        EnableWindow(GetDlgItem(p_hDialog, button), index >= 0);
    if (index < 0)
        return;
    EnableWindow(GetDlgItem(p_hDialog, IDC_RULE_UP), index > 0);
    EnableWindow(GetDlgItem(p_hDialog, IDC_RULE_DOWN), static_cast<size_t>(index) + 1 < m_oRules.size());
    const bool enabled = m_oRules[static_cast<size_t>(index)].m_bEnabled;
    SetDlgItemTextA(p_hDialog, IDC_RULE_ENABLE, TableText(enabled ? kMsgRuleDisable : kMsgRuleEnable).c_str());
}

void CRuleManagerDialog::OnNew(HWND p_hDialog)
{
    CMessageRule rule(static_cast<int>(m_oRules.size()));
    CRuleEditorDialog editor(rule, true);
    if (!editor.Run(p_hDialog))
        return;
    m_oRules.push_back(rule);
    FillList(p_hDialog, static_cast<int>(m_oRules.size()) - 1);
}

void CRuleManagerDialog::OnEdit(HWND p_hDialog)
{
    const int index = Selected(p_hDialog);
    if (index < 0)
        return;
    CMessageRule rule = m_oRules[static_cast<size_t>(index)];
    CRuleEditorDialog editor(rule, false);
    if (!editor.Run(p_hDialog))
        return;
    m_oRules[static_cast<size_t>(index)] = rule;
    FillList(p_hDialog, index);
}

void CRuleManagerDialog::OnDelete(HWND p_hDialog)
{
    const int index = Selected(p_hDialog);
    if (index < 0)
        return;
    Log("CRuleManagerDialog: rule '%s' deleted", m_oRules[static_cast<size_t>(index)].m_sName.c_str());
    m_oRules.erase(m_oRules.begin() + index);
    const int next = m_oRules.empty() ? -1 : index < static_cast<int>(m_oRules.size()) ? index : index - 1;
    FillList(p_hDialog, next);
}

void CRuleManagerDialog::OnToggle(HWND p_hDialog)
{
    const int index = Selected(p_hDialog);
    if (index < 0)
        return;
    CMessageRule& rule = m_oRules[static_cast<size_t>(index)];
    rule.m_bEnabled = !rule.m_bEnabled;
    FillList(p_hDialog, index);
}

void CRuleManagerDialog::OnMove(HWND p_hDialog, bool p_bUp)
{
    const int index = Selected(p_hDialog);
    if (index < 0)
        return;
    const size_t at = static_cast<size_t>(index);
    if (p_bUp ? MoveRuleUp(m_oRules, at) : MoveRuleDown(m_oRules, at))
        FillList(p_hDialog, p_bUp ? index - 1 : index + 1);
}

void CRuleManagerDialog::OnOK(HWND p_hDialog)
{
    const CMessageRuleList before = m_oManager.Rules();
    m_oManager.SetRules(m_oRules);
    if (!m_oManager.SaveRules())
    {
        // The dialog stays open with the user's edits; the manager goes on with what it had.
        const std::string error = m_oManager.Error().Text();
        m_oManager.SetRules(before);
        ShowMessage(p_hDialog, kMsgRegistryError, error, MB_OK | MB_ICONWARNING);
        return;
    }
    EndDialog(p_hDialog, IDOK);
}

extern "C"
{
    int CORVANE_API ShowRuleManager(HWND p_hOwner)
    {
        return TrapExceptions("ShowRuleManager", 0, [&]() -> int {
            CLogScope scope("ShowRuleManager");
            CLibrary& library = Library();
            CRuleManager* manager = library.m_p_oRuleManager.get();
            // A host that started the library without the full set-up has no rule manager of its
            // own; the dialog then works on the stored rules directly.
            std::unique_ptr<CRuleManager> own;
            if (manager == nullptr)
            {
                own = std::make_unique<CRuleManager>(library.m_oRegistry);
                if (!own->LoadRulesFromRegistry())
                {
                    ShowMessage(library.OwnerFor(p_hOwner), kMsgRegistryError, own->Error().Text(),
                                MB_OK | MB_ICONWARNING);
                    return 1;
                }
                manager = own.get();
            }
            CRuleManagerDialog dialog(*manager);
            // OK has saved the rules and Cancel leaves them as they were: either way the export is done.
            (void)dialog.Run(library.OwnerFor(p_hOwner));
            return 1;
        });
    }
}
