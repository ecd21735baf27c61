// Addressbook/addressbook/ui/check_wizard.h: the fix wizard Check runs over the recipients it
// could not resolve: the problem summary, then one page per kind of problem.
#pragma once

#include "Addressbook/addressbook/check_address_book_win.h"
#include "Addressbook/messaging/check_pass.h"

#include <windows.h>

#include <string>
#include <vector>

// How a wizard page ended: its Done (or Fix) button, Skip (or Ignore), or E&xit.
enum class EPageEnd
{
    Done,
    Skip,
    Exit
};

class CCheckWizard
{
  public:
    // p_p_oBook is null when the library has no address book: pages that need one say so.
    CCheckWizard(HWND p_hOwner, CCheckAddressBook* p_p_oBook) : m_hOwner(p_hOwner), m_p_oBook(p_p_oBook)
    {
    }

    // "Address Problem Summary": Done is Fix, Skip is Ignore. p_bAgain after a first round of fixes;
    // p_bAnyUsable chooses which way "Ignore" is explained.
    EPageEnd RunSummary(const std::vector<CProblemRow>& p_vRows, bool p_bAgain, bool p_bAnyUsable);

    // Walks the problems: the ambiguous and unknown names one by one, then every recipient without
    // a valid mobile on one page, then each list whose members lack one. False when the user exited.
    [[nodiscard]] bool FixProblems(CMessageRecipientList* p_p_mrlTo, CMessageRecipientList* p_p_mrlCc);

    // The pages, also used by one another.
    EPageEnd RunMultipleMatches(CMessageRecipient& p_oRecipient);
    EPageEnd RunNoMatch(CMessageRecipient& p_oRecipient, HWND p_hOwner);
    EPageEnd RunSelectCorrect(CMessageRecipient& p_oRecipient, HWND p_hOwner);
    // The people without valid mobiles; p_p_oList names the list they are members of, if any.
    EPageEnd RunMobiles(std::vector<CMessageRecipient*> p_vPeople, const CMessageRecipient* p_p_oList);
    // A number for this message only: true when one was given (and set on the recipient).
    EPageEnd RunOnceOff(CMessageRecipient& p_oRecipient, HWND p_hOwner);

    CCheckAddressBook* Book() const
    {
        return m_p_oBook;
    }

  private:
    HWND m_hOwner;
    CCheckAddressBook* m_p_oBook;
};

// Helpers the pages share.
namespace check_page
{
// The page's end as its dialog procedure passes it to EndDialog.
EPageEnd EndOf(INT_PTR p_iResult);
INT_PTR ResultOf(EPageEnd p_eEnd);
// Sets up a report list view with full-row selection and the columns of these string-table ids.
void AddColumns(HWND p_hList, std::initializer_list<unsigned> p_uColumns, int p_iWidth);
// Appends a row of texts with p_lParam as its item data.
void AddRow(HWND p_hList, const std::vector<std::string>& p_vCells, LPARAM p_lParam);
// The selected row's index, or -1.
int SelectedRow(HWND p_hList);
LPARAM RowData(HWND p_hList, int p_iRow);
// Common end buttons: Done through p_fnDone, Skip and Exit end the page.
bool HandleEndButton(HWND p_hDialog, WORD p_wId);
// Makes the recipient a resolved one with this mobile, keeping its entry, e-mail and name.
void UseMobile(CMessageRecipient& p_oRecipient, const std::string& p_sMobile);
} // namespace check_page
