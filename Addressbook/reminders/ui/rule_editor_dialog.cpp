// Addressbook/reminders/ui/rule_editor_dialog.cpp: CRuleEditorDialog.
#include "Addressbook/reminders/ui/rule_editor_dialog.h"

#include "Addressbook/frame/library.h"
#include "Addressbook/reminders/rule_messages.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/country_box.h"
#include "Addressbook/ui/dialog_text.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <cstdio>

namespace
{
constexpr int kKeywordControls[kRuleFieldCount] = {IDC_RULE_FROM, IDC_RULE_TO, IDC_RULE_SUBJECT, IDC_RULE_BODY};
constexpr std::pair<int, uint32_t> kActionControls[] = {
    {IDC_RULE_SMS_FROM, kRuleActionSender},     {IDC_RULE_SMS_TO, kRuleActionRecipients},
    {IDC_RULE_SMS_SUBJECT, kRuleActionSubject}, {IDC_RULE_SMS_BODY, kRuleActionBody},
    {IDC_RULE_SMS_TIME, kRuleActionTime},
};

bool IsChecked(HWND p_hDialog, int p_iControl)
{
    return IsDlgButtonChecked(p_hDialog, p_iControl) == BST_CHECKED;
}

void Check(HWND p_hDialog, int p_iControl, bool p_bChecked)
{
    CheckDlgButton(p_hDialog, p_iControl, p_bChecked ? BST_CHECKED : BST_UNCHECKED);
}
} // namespace

bool CRuleEditorDialog::Run(HWND p_hOwner)
{
    return CModalDialog::Run(*this, IDD_RULE_EDITOR, p_hOwner, "CRuleEditorDialog");
}

INT_PTR CRuleEditorDialog::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        OnInitDialog(p_hDialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(p_wParam))
        {
        case IDOK:
            OnOK(p_hDialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(p_hDialog, IDCANCEL);
            return TRUE;
        case IDC_RULE_TO_ME:
        case IDC_RULE_TO_OTHER:
            UpdateRecipientControls(p_hDialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void CRuleEditorDialog::OnInitDialog(HWND p_hDialog)
{
    if (!m_bNew)
        SetWindowTextA(p_hDialog, TableText(kMsgRuleEditTitle).c_str());
    if (const HFONT bold = Library().BoldFont(); bold != nullptr)
        for (int step : {IDC_RULE_STEP1, IDC_RULE_STEP2, IDC_RULE_STEP3, IDC_RULE_STEP4})
            SendDlgItemMessageA(p_hDialog, step, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
    SendDlgItemMessageA(p_hDialog, IDC_RULE_NAME, EM_LIMITTEXT, kMaxRuleNameChars, 0);
    SetDlgItemTextA(p_hDialog, IDC_RULE_NAME, m_oRule.m_sName.c_str());
    Check(p_hDialog, IDC_RULE_ALWAYS, m_oRule.m_bTriggerAlways);
    for (int i = 0; i < kRuleFieldCount; ++i)
    {
        SendDlgItemMessageA(p_hDialog, kKeywordControls[i], EM_LIMITTEXT, kMaxRuleKeywordChars, 0);
        SetDlgItemTextA(p_hDialog, kKeywordControls[i], m_oRule.m_aCriteria[i].TriggerData().c_str());
    }
    for (const auto& [control, bit] : kActionControls)
        Check(p_hDialog, control, (m_oRule.m_dwTriggerAction & bit) != 0);

    const HWND limit = GetDlgItem(p_hDialog, IDC_RULE_LIMIT);
    for (uint32_t i = 1; i <= kMaxRuleSMSLimit; ++i)
        SendMessageA(limit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(i).c_str()));
    const uint32_t current = m_oRule.m_dwSMSLimit < 1                  ? 1
                             : m_oRule.m_dwSMSLimit > kMaxRuleSMSLimit ? kMaxRuleSMSLimit
                                                                       : m_oRule.m_dwSMSLimit;
    SendMessageA(limit, CB_SETCURSEL, current - 1, 0);

    CheckRadioButton(p_hDialog, IDC_RULE_TO_ME, IDC_RULE_TO_OTHER,
                     m_oRule.m_bSendToMe ? IDC_RULE_TO_ME : IDC_RULE_TO_OTHER);
    const HWND combo = GetDlgItem(p_hDialog, IDC_RULE_COUNTRY);
    if (!FillCountryBox(combo, true))
        LOG_FAILURE("the country box could not be filled");
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    const std::string code = m_oRule.m_sRecipientNumberCC.empty() ? DefaultCountryCode() : m_oRule.m_sRecipientNumberCC;
    if (!code.empty() && !SelectCountryCode(combo, code))
        Log("CRuleEditorDialog::OnInitDialog: no country with the code '%s'", code.c_str());
    SendDlgItemMessageA(p_hDialog, IDC_RULE_NUMBER, EM_LIMITTEXT, kMaxRuleNumberChars, 0);
    SetDlgItemTextA(p_hDialog, IDC_RULE_NUMBER, m_oRule.m_sRecipientNumber.c_str());
    Check(p_hDialog, IDC_RULE_CONTINUE, m_oRule.m_bContinueProcessing);
    UpdateRecipientControls(p_hDialog);
}

void CRuleEditorDialog::UpdateRecipientControls(HWND p_hDialog)
{
    const bool other = IsChecked(p_hDialog, IDC_RULE_TO_OTHER);
    EnableWindow(GetDlgItem(p_hDialog, IDC_RULE_COUNTRY), other);
    EnableWindow(GetDlgItem(p_hDialog, IDC_RULE_NUMBER), other);
}

void CRuleEditorDialog::OnOK(HWND p_hDialog)
{
    CRuleEditorFields fields;
    fields.m_sName = TrimmedControlText(p_hDialog, IDC_RULE_NAME);
    for (int i = 0; i < kRuleFieldCount; ++i)
        fields.m_asKeywords[static_cast<size_t>(i)] = TrimmedControlText(p_hDialog, kKeywordControls[i]);
    fields.m_bTriggerAlways = IsChecked(p_hDialog, IDC_RULE_ALWAYS);
    for (const auto& [control, bit] : kActionControls)
        if (IsChecked(p_hDialog, control))
            fields.m_dwTriggerAction |= bit;
    fields.m_bSendToMe = !IsChecked(p_hDialog, IDC_RULE_TO_OTHER);
    fields.m_sRecipientNumber = TrimmedControlText(p_hDialog, IDC_RULE_NUMBER);

    CRuleFieldProblem problem;
    if (!CMessageRule::ValidateFields(fields, problem))
    {
        ShowWarning(p_hDialog, problem.m_uCaptionId, problem.m_uTextId);
        int control = 0;
        switch (problem.m_eField)
        {
        case CRuleFieldProblem::kName:
            control = IDC_RULE_NAME;
            break;
        case CRuleFieldProblem::kKeyword:
            control = kKeywordControls[problem.m_iKeyword < 0 ? 0 : problem.m_iKeyword];
            break;
        case CRuleFieldProblem::kNumber:
            control = IDC_RULE_NUMBER;
            break;
        case CRuleFieldProblem::kTriggerAction:
            control = IDC_RULE_SMS_FROM;
            break;
        case CRuleFieldProblem::kNone:
            break;
        }
        if (control != 0)
            SetFocus(GetDlgItem(p_hDialog, control));
        return;
    }
    const HWND combo = GetDlgItem(p_hDialog, IDC_RULE_COUNTRY);
    if (!fields.m_bSendToMe && !CheckCountryChosen(p_hDialog, combo))
        return;

    m_oRule.m_sName = fields.m_sName;
    for (int i = 0; i < kRuleFieldCount; ++i)
    {
        CMessageRuleCriterion& criterion = m_oRule.m_aCriteria[i];
        // A criterion that someone set to match whole fields keeps its way of matching.
        if (criterion.TriggerCriteria() == 0 || m_bNew)
            criterion.SetTriggerCriteria(kCriteriaEditorDefault);
        criterion.SetTriggerData(fields.m_asKeywords[static_cast<size_t>(i)]);
    }
    m_oRule.m_bTriggerAlways = fields.m_bTriggerAlways;
    m_oRule.m_dwTriggerAction = fields.m_dwTriggerAction;
    const LRESULT limit = SendDlgItemMessageA(p_hDialog, IDC_RULE_LIMIT, CB_GETCURSEL, 0, 0);
    m_oRule.m_dwSMSLimit = limit == CB_ERR ? 1 : static_cast<uint32_t>(limit) + 1;
    m_oRule.m_bSendToMe = fields.m_bSendToMe;
    if (!fields.m_bSendToMe)
    {
        m_oRule.m_sRecipientNumber = fields.m_sRecipientNumber;
        m_oRule.m_sRecipientNumberCC = SelectedCountryCode(combo);
    }
    m_oRule.m_bContinueProcessing = IsChecked(p_hDialog, IDC_RULE_CONTINUE);
    Log("CRuleEditorDialog: rule '%s' accepted", m_oRule.m_sName.c_str());
    EndDialog(p_hDialog, IDOK);
}
