// Addressbook/reminders/ui/rule_manager_dialog.h: "Inbox Rules", where the user creates, edits, deletes,
// enables, disables and reorders the notification rules. Edits stay in the dialog until OK.
#pragma once

#include "Addressbook/reminders/rule_manager.h"

#include <windows.h>

class CRuleManagerDialog
{
  public:
    explicit CRuleManagerDialog(CRuleManager& p_oManager) : m_oManager(p_oManager)
    {
    }

    // Shows the dialog modally; true when it closed with OK and the rules were saved.
    [[nodiscard]] bool Run(HWND p_hOwner);

  private:
    friend struct CModalDialog;
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);
    // Refills the list and selects p_iSelect (-1: nothing).
    void FillList(HWND p_hDialog, int p_iSelect);
    // The description and the buttons follow the selection.
    void UpdateSelection(HWND p_hDialog);
    int Selected(HWND p_hDialog) const;
    void OnNew(HWND p_hDialog);
    void OnEdit(HWND p_hDialog);
    void OnDelete(HWND p_hDialog);
    void OnToggle(HWND p_hDialog);
    void OnMove(HWND p_hDialog, bool p_bUp);
    void OnOK(HWND p_hDialog);

    CRuleManager& m_oManager;
    CMessageRuleList m_oRules;
};
