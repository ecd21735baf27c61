// Addressbook/import/ui/import_wizard.h: the "Bulk Import Wizard" dialog over the portable import
// engine, and the workbook reader that drives Excel through automation.
#pragma once

#include "Addressbook/import/import_members.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CImportWizard
{
  public:
    // With worksheet names the wizard has the two workbook steps, else the three text steps.
    CImportWizard(std::string p_sPath, std::vector<std::string> p_vPreview, std::vector<std::string> p_vSheets);

    // Called when a worksheet was chosen: sets the text file to read and its preview lines.
    using SheetChosen = std::function<bool(int p_iSheet, std::string& p_sPath, std::vector<std::string>& p_vPreview)>;
    void OnSheetChosen(SheetChosen p_fnSheetChosen)
    {
        m_fnSheetChosen = std::move(p_fnSheetChosen);
    }

    // True when the user finished and the file was imported.
    [[nodiscard]] bool Run(HWND p_hParent);
    RecipientPtr TakeResult();

  private:
    friend struct CModalDialog;
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);
    void OnInitDialog(HWND p_hDialog);
    void OnCommand(HWND p_hDialog, int p_iControl, int p_iNotification);
    void OnFinish(HWND p_hDialog);
    void ShowStep(HWND p_hDialog, int p_iStep);
    void ShowPreview(HWND p_hDialog);
    void ReadLayout(HWND p_hDialog);
    void MakeColumns();
    void LoadColumn(HWND p_hDialog);
    int SelectedColumn(HWND p_hDialog) const;
    int StepCount() const;
    bool IsColumnsStep() const;

    std::string m_sPath;     // the text file read
    std::string m_sListPath; // what the list is named after
    std::vector<std::string> m_vPreview;
    std::vector<std::string> m_vSheets;
    bool m_bWorkbook;
    int m_iStep = 0;
    int m_iSheet = 0;
    bool m_bLoading = false;
    CTextImportLayout m_oLayout;
    std::vector<CImportColumn> m_vColumns;
    std::vector<std::string> m_vOwnNames; // header text or letter name of each column
    SheetChosen m_fnSheetChosen;
    RecipientPtr m_oResult;
};

// The Excel reader: null when nothing is to be added (failures have been shown).
RecipientPtr ImportWorkbookWithWizard(HWND p_hParent, const std::string& p_sPath);
