// Addressbook/reminders/ui/rule_editor_dialog.h: "Create New Rule", the editor of one notification rule in
// four steps: its name, the mails that trigger it, what the SMS says and who receives it.
#pragma once

#include "Addressbook/reminders/message_rule.h"

#include <windows.h>

class CRuleEditorDialog
{
  public:
    // Edits p_oRule in place; it is changed only when the dialog closes with OK.
    CRuleEditorDialog(CMessageRule& p_oRule, bool p_bNew) : m_oRule(p_oRule), m_bNew(p_bNew)
    {
    }

    // Shows the dialog modally; true when the rule was changed.
    [[nodiscard]] bool Run(HWND p_hOwner);

  private:
    friend struct CModalDialog;
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);
    void OnInitDialog(HWND p_hDialog);
    void OnOK(HWND p_hDialog);
    // The country box and number only count when the SMS goes to another number.
    void UpdateRecipientControls(HWND p_hDialog);

    CMessageRule& m_oRule;
    bool m_bNew;
};
