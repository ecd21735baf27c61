// Addressbook/addressbook/ui/check_wizard.cpp: the fix wizard's summary, "Multiple matches",
// "No matches" and "Select correct recipient" pages, and the walk over the problems.
#include "Addressbook/addressbook/ui/check_wizard.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/frame_messages.h"
#include "Addressbook/messaging/check_texts.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/country_box.h"
#include "Addressbook/ui/dialog_text.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/trace_log.h"

#include <commctrl.h>

using namespace check_page;

namespace
{
std::string TextOrEmpty(const char* p_szText)
{
    return std::string(TextOf(p_szText));
}

void FillPersonRows(HWND p_hList, const CMessageRecipientList* p_p_mrlPeople)
{
    AddColumns(p_hList, {kMsgColumnName, kMsgColumnMobile, kMsgColumnEmail}, 140);
    if (p_p_mrlPeople == nullptr)
        return;
    for (auto* p_oNode = p_p_mrlPeople->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageRecipient& oPerson = *p_oNode->m_p_oItem;
        AddRow(p_hList,
               {TextOrEmpty(oPerson.m_szDisplayText), TextOrEmpty(oPerson.m_szMobile), TextOrEmpty(oPerson.m_szEmail)},
               reinterpret_cast<LPARAM>(&oPerson));
    }
}

// The candidate or picked row the user chose, copied for the recipient to take over.
RecipientPtr ChosenRow(HWND p_hList)
{
    const int iRow = SelectedRow(p_hList);
    if (iRow < 0)
        return nullptr;
    const auto* p_oRow = reinterpret_cast<const CMessageRecipient*>(RowData(p_hList, iRow));
    return p_oRow == nullptr ? nullptr : CopyRecipient(*p_oRow, false);
}

class CSummaryPage
{
  public:
    CSummaryPage(const std::vector<CProblemRow>& p_vRows, bool p_bAgain, bool p_bAnyUsable)
        : m_vRows(p_vRows), m_bAgain(p_bAgain), m_bAnyUsable(p_bAnyUsable)
    {
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        if (p_uMessage == WM_INITDIALOG)
        {
            SetDlgItemTextA(p_hDialog, IDC_CHECK_HEADER,
                            TableText(m_bAgain ? kMsgProblemsStill : kMsgProblemsFound).c_str());
            SetDlgItemTextA(p_hDialog, IDC_CHECK_ADVICE,
                            TableText(m_bAnyUsable ? kMsgFixOrSend : kMsgFixOrReturn).c_str());
            SetDlgItemTextA(p_hDialog, IDC_CHECK_HINT, TableText(kMsgCommaHint).c_str());
            const HWND hList = GetDlgItem(p_hDialog, IDC_CHECK_LIST);
            AddColumns(hList, {kMsgColumnName, kMsgColumnProblem}, 210);
            for (const CProblemRow& oRow : m_vRows)
                AddRow(hList, {TextOrEmpty(oRow.m_p_oRecipient->m_szDisplayText), TableText(oRow.m_uTextId)}, 0);
            return TRUE;
        }
        if (p_uMessage == WM_COMMAND && LOWORD(p_wParam) == IDC_CHECK_IGNORE)
        {
            EndDialog(p_hDialog, ResultOf(EPageEnd::Skip));
            return TRUE;
        }
        if (p_uMessage == WM_COMMAND && LOWORD(p_wParam) == IDOK)
        {
            EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
            return TRUE;
        }
        return p_uMessage == WM_COMMAND && HandleEndButton(p_hDialog, LOWORD(p_wParam));
    }

  private:
    const std::vector<CProblemRow>& m_vRows;
    bool m_bAgain;
    bool m_bAnyUsable;
};

class CMultiplePage
{
  public:
    CMultiplePage(CCheckWizard& p_oWizard, CMessageRecipient& p_oRecipient)
        : m_oWizard(p_oWizard), m_oRecipient(p_oRecipient)
    {
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        if (p_uMessage == WM_INITDIALOG)
        {
            SetDlgItemTextA(p_hDialog, IDC_CHECK_HEADER,
                            TableText(kMsgMoreThanOneMatch, TextOrEmpty(m_oRecipient.m_szDisplayText).c_str()).c_str());
            FillPersonRows(GetDlgItem(p_hDialog, IDC_CHECK_LIST), m_oRecipient.m_p_mrlMembers);
            return TRUE;
        }
        if (p_uMessage != WM_COMMAND)
            return FALSE;
        switch (LOWORD(p_wParam))
        {
        case IDOK:
            OnDone(p_hDialog);
            return TRUE;
        case IDC_CHECK_NEW_CONTACT:
            // Skipping the new contact returns here; a contact made, or an exit, ends this page too.
            if (const EPageEnd eEnd = m_oWizard.RunNoMatch(m_oRecipient, p_hDialog); eEnd != EPageEnd::Skip)
                EndDialog(p_hDialog, ResultOf(eEnd));
            return TRUE;
        case IDC_CHECK_SELECT_AB:
            OnSelectFromBooks(p_hDialog);
            return TRUE;
        }
        return HandleEndButton(p_hDialog, LOWORD(p_wParam));
    }

  private:
    void OnDone(HWND p_hDialog)
    {
        RecipientPtr oChosen = ChosenRow(GetDlgItem(p_hDialog, IDC_CHECK_LIST));
        if (!oChosen)
        {
            ShowWarning(p_hDialog, kMsgNoOneSelected, kMsgNoOneSelectedText);
            return;
        }
        AdoptChosen(std::move(oChosen));
        EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
    }

    void AdoptChosen(RecipientPtr p_oChosen)
    {
        if (m_oWizard.Book() != nullptr)
            AdoptMatch(m_oRecipient, std::move(p_oChosen), *m_oWizard.Book());
    }

    // The Select Recipients dialog over a list of its own: the first one picked is the answer.
    void OnSelectFromBooks(HWND p_hDialog)
    {
        CMessageRecipientList* p_mrlTo = NewList<CMessageRecipientList>().release();
        CMessageRecipientList* p_mrlCc = NewList<CMessageRecipientList>().release();
        const int iPicked = SelectRecipients(p_hDialog, &p_mrlTo, &p_mrlCc);
        RecipientPtr oChosen;
        for (CMessageRecipientList* p_mrlList : {p_mrlTo, p_mrlCc})
            if (!oChosen && p_mrlList != nullptr && p_mrlList->m_p_oFirst != nullptr)
                oChosen = CopyRecipient(*p_mrlList->m_p_oFirst->m_p_oItem, false);
        DestroyList(p_mrlTo);
        DestroyList(p_mrlCc);
        if (iPicked == 0 || !oChosen)
            return;
        AdoptChosen(std::move(oChosen));
        EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
    }

    CCheckWizard& m_oWizard;
    CMessageRecipient& m_oRecipient;
};

class CNoMatchPage
{
  public:
    CNoMatchPage(CCheckWizard& p_oWizard, CMessageRecipient& p_oRecipient)
        : m_oWizard(p_oWizard), m_oRecipient(p_oRecipient)
    {
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        if (p_uMessage == WM_INITDIALOG)
        {
            OnInit(p_hDialog);
            return TRUE;
        }
        if (p_uMessage != WM_COMMAND)
            return FALSE;
        if (LOWORD(p_wParam) == IDOK)
        {
            OnDone(p_hDialog);
            return TRUE;
        }
        if (LOWORD(p_wParam) == IDC_CHECK_SELECT_AB)
        {
            const EPageEnd eEnd = m_oWizard.RunSelectCorrect(m_oRecipient, p_hDialog);
            if (eEnd != EPageEnd::Skip)
                EndDialog(p_hDialog, ResultOf(eEnd));
            return TRUE;
        }
        return HandleEndButton(p_hDialog, LOWORD(p_wParam));
    }

  private:
    void OnInit(HWND p_hDialog)
    {
        const std::string sText = TextOrEmpty(m_oRecipient.m_szDisplayText);
        SetDlgItemTextA(p_hDialog, IDC_CHECK_HEADER, TableText(kMsgNoContactMatching, sText.c_str()).c_str());
        // Typed text is most often the name; an address goes to the e-mail box instead.
        SetDlgItemTextA(p_hDialog, IsEmailAddress(sText.c_str()) ? IDC_CHECK_EMAIL : IDC_CHECK_FIRST, sText.c_str());
        const HWND hCombo = GetDlgItem(p_hDialog, IDC_CHECK_COUNTRY);
        if (!FillCountryBox(hCombo, true))
            LOG_FAILURE("the country box could not be filled");
        SendMessageA(hCombo, CB_SETCURSEL, 0, 0);
        if (const std::string sCode = DefaultCountryCode(); !sCode.empty() && !SelectCountryCode(hCombo, sCode))
            Log("CNoMatchPage::OnInit: no country with the code '%s'", sCode.c_str());
    }

    void OnDone(HWND p_hDialog)
    {
        CEntryDetails oDetails;
        oDetails.m_sGivenName = TrimmedControlText(p_hDialog, IDC_CHECK_FIRST);
        oDetails.m_sSurname = TrimmedControlText(p_hDialog, IDC_CHECK_LAST);
        oDetails.m_sEmail = TrimmedControlText(p_hDialog, IDC_CHECK_EMAIL);
        const std::string sNumber = TrimmedControlText(p_hDialog, IDC_CHECK_MOBILE);
        const HWND hCombo = GetDlgItem(p_hDialog, IDC_CHECK_COUNTRY);
        const std::string sCode = SelectedCountryCode(hCombo);
        if (oDetails.m_sGivenName.empty() || sCode.empty() || sNumber.empty())
        {
            ShowWarning(p_hDialog, kMsgMissingDetails, kMsgMissingDetailsText);
            return;
        }
        if (!CheckMobileEntry(p_hDialog, hCombo, sNumber))
            return;
        oDetails.m_sName =
            oDetails.m_sSurname.empty() ? oDetails.m_sGivenName : oDetails.m_sGivenName + " " + oDetails.m_sSurname;
        oDetails.m_sMobile = InternationalForm(sCode, sNumber);
        RecipientPtr oContact = m_oWizard.Book() != nullptr ? m_oWizard.Book()->CreateContact(oDetails) : nullptr;
        if (!oContact)
        {
            ShowWarning(p_hDialog, kMsgCreateContactFailed, kMsgCreateContactFailedText);
            return;
        }
        AdoptMatch(m_oRecipient, std::move(oContact), *m_oWizard.Book());
        EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
    }

    CCheckWizard& m_oWizard;
    CMessageRecipient& m_oRecipient;
};

class CSelectCorrectPage
{
  public:
    CSelectCorrectPage(CCheckWizard& p_oWizard, CMessageRecipient& p_oRecipient)
        : m_oWizard(p_oWizard), m_oRecipient(p_oRecipient)
    {
        if (CCheckAddressBook* p_oBook = p_oWizard.Book(); p_oBook != nullptr)
        {
            m_vFolders = p_oBook->ExMapi().ContactFolders();
            const auto& vBooks = p_oBook->ExMapi().AddressBookFolders();
            m_vFolders.insert(m_vFolders.end(), vBooks.begin(), vBooks.end());
        }
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        if (p_uMessage == WM_INITDIALOG)
        {
            OnInit(p_hDialog);
            return TRUE;
        }
        if (p_uMessage != WM_COMMAND)
            return FALSE;
        if (LOWORD(p_wParam) == IDC_CHECK_BOOKS && HIWORD(p_wParam) == CBN_SELCHANGE)
        {
            ShowFolder(p_hDialog);
            return TRUE;
        }
        if (LOWORD(p_wParam) == IDOK)
        {
            OnDone(p_hDialog);
            return TRUE;
        }
        return HandleEndButton(p_hDialog, LOWORD(p_wParam));
    }

  private:
    void OnInit(HWND p_hDialog)
    {
        SetDlgItemTextA(p_hDialog, IDC_CHECK_HEADER,
                        TableText(kMsgSelectWhoYouMeant, TextOrEmpty(m_oRecipient.m_szDisplayText).c_str()).c_str());
        const HWND hBooks = GetDlgItem(p_hDialog, IDC_CHECK_BOOKS);
        for (const CFolderEntry& oFolder : m_vFolders)
            SendMessageA(hBooks, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(oFolder.m_sName.c_str()));
        FillPersonRows(GetDlgItem(p_hDialog, IDC_CHECK_LIST), nullptr);
        SendMessageA(hBooks, CB_SETCURSEL, 0, 0);
        ShowFolder(p_hDialog);
    }

    void ShowFolder(HWND p_hDialog)
    {
        const HWND hList = GetDlgItem(p_hDialog, IDC_CHECK_LIST);
        ListView_DeleteAllItems(hList);
        m_mrlShown = NewList<CMessageRecipientList>();
        const LRESULT iFolder = SendDlgItemMessageA(p_hDialog, IDC_CHECK_BOOKS, CB_GETCURSEL, 0, 0);
        CCheckAddressBook* p_oBook = m_oWizard.Book();
        if (p_oBook == nullptr || iFolder < 0 || static_cast<size_t>(iFolder) >= m_vFolders.size())
            return;
        const CFolderEntry& oFolder = m_vFolders[static_cast<size_t>(iFolder)];
        const HRESULT hr =
            oFolder.m_iKind == EID_TYPE_AB
                ? p_oBook->ExMapi().RetrieveAllMessageRecipientsInABFolder(oFolder.m_vEntryId, *m_mrlShown)
                : p_oBook->ExMapi().RetrieveAllMessageRecipientsInNormalFolder(oFolder.m_vEntryId, *m_mrlShown);
        if (FAILED(hr))
            Log("CSelectCorrectPage::ShowFolder: the folder '%s' could not be read", oFolder.m_sName.c_str());
        for (auto* p_oNode = m_mrlShown->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        {
            const CMessageRecipient& oRow = *p_oNode->m_p_oItem;
            AddRow(hList,
                   {TextOrEmpty(oRow.m_szDisplayText), TextOrEmpty(oRow.m_szMobile), TextOrEmpty(oRow.m_szEmail)},
                   reinterpret_cast<LPARAM>(&oRow));
        }
    }

    void OnDone(HWND p_hDialog)
    {
        RecipientPtr oChosen = ChosenRow(GetDlgItem(p_hDialog, IDC_CHECK_LIST));
        if (!oChosen)
        {
            ShowWarning(p_hDialog, kMsgPleaseSelectSomeone, kMsgSelectBeforeDone);
            return;
        }
        AdoptMatch(m_oRecipient, std::move(oChosen), *m_oWizard.Book());
        EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
    }

    CCheckWizard& m_oWizard;
    CMessageRecipient& m_oRecipient;
    std::vector<CFolderEntry> m_vFolders;
    RecipientListPtr m_mrlShown;
};

template <class TPage> EPageEnd RunPage(TPage& p_oPage, int p_iTemplate, HWND p_hOwner, const char* p_szName)
{
    const INT_PTR iResult = CModalDialog::Show(p_oPage, p_iTemplate, p_hOwner, p_szName);
    // A page that could not be shown is passed over: the problem stays for the next round.
    return iResult == -1 ? EPageEnd::Skip : EndOf(iResult);
}

// The members of a list (nested lists' members too) that cannot be sent to.
void UnusableMembers(CMessageRecipient& p_oList, std::vector<CMessageRecipient*>& p_vPeople, int p_iDepth)
{
    if (p_oList.m_p_mrlMembers == nullptr || p_iDepth > kMaxListNesting)
        return;
    for (auto* p_oNode = p_oList.m_p_mrlMembers->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        CMessageRecipient* p_oMember = p_oNode->m_p_oItem;
        if (p_oMember == nullptr)
            continue;
        if (p_oMember->m_iKind == kKindDistList)
            UnusableMembers(*p_oMember, p_vPeople, p_iDepth + 1);
        else if (!IsUsable(*p_oMember))
            p_vPeople.push_back(p_oMember);
    }
}
} // namespace

EPageEnd CCheckWizard::RunSummary(const std::vector<CProblemRow>& p_vRows, bool p_bAgain, bool p_bAnyUsable)
{
    CSummaryPage oPage(p_vRows, p_bAgain, p_bAnyUsable);
    const INT_PTR iResult = CModalDialog::Show(oPage, IDD_CHECK_SUMMARY, m_hOwner, "CCheckSummaryPage");
    // Without its summary the wizard cannot be asked anything: the user is back at the message.
    return iResult == -1 ? EPageEnd::Exit : EndOf(iResult);
}

EPageEnd CCheckWizard::RunMultipleMatches(CMessageRecipient& p_oRecipient)
{
    CMultiplePage oPage(*this, p_oRecipient);
    return RunPage(oPage, IDD_CHECK_MULTIPLE, m_hOwner, "CCheckMultiplePage");
}

EPageEnd CCheckWizard::RunNoMatch(CMessageRecipient& p_oRecipient, HWND p_hOwner)
{
    CNoMatchPage oPage(*this, p_oRecipient);
    return RunPage(oPage, IDD_CHECK_NO_MATCH, p_hOwner, "CCheckNoMatchPage");
}

EPageEnd CCheckWizard::RunSelectCorrect(CMessageRecipient& p_oRecipient, HWND p_hOwner)
{
    CSelectCorrectPage oPage(*this, p_oRecipient);
    return RunPage(oPage, IDD_CHECK_SELECT_CORRECT, p_hOwner, "CCheckSelectCorrectPage");
}

bool CCheckWizard::FixProblems(CMessageRecipientList* p_p_mrlTo, CMessageRecipientList* p_p_mrlCc)
{
    for (const CProblemRow& oRow : ProblemRows(p_p_mrlTo, p_p_mrlCc))
    {
        CMessageRecipient& oRecipient = *oRow.m_p_oRecipient;
        EPageEnd eEnd = EPageEnd::Skip;
        if (oRecipient.m_dwState == kStateMultipleMatches)
            eEnd = RunMultipleMatches(oRecipient);
        else if (oRecipient.m_dwState == kStateNoMatch)
            eEnd = RunNoMatch(oRecipient, m_hOwner);
        if (eEnd == EPageEnd::Exit)
            return false;
    }
    // A name fixed above may have become a person without a mobile, or a list: those come next.
    std::vector<CMessageRecipient*> vPeople;
    for (const CProblemRow& oRow : ProblemRows(p_p_mrlTo, p_p_mrlCc))
        if (oRow.m_p_oRecipient->m_dwState == kStateNoMobile || oRow.m_p_oRecipient->m_dwState == kStateInvalidMobile)
            vPeople.push_back(oRow.m_p_oRecipient);
    if (!vPeople.empty() && RunMobiles(vPeople, nullptr) == EPageEnd::Exit)
        return false;
    for (const CProblemRow& oRow : ProblemRows(p_p_mrlTo, p_p_mrlCc))
    {
        if (oRow.m_p_oRecipient->m_dwState != kStateListIncomplete)
            continue;
        std::vector<CMessageRecipient*> vMembers;
        UnusableMembers(*oRow.m_p_oRecipient, vMembers, 0);
        if (!vMembers.empty() && RunMobiles(vMembers, oRow.m_p_oRecipient) == EPageEnd::Exit)
            return false;
        UpdateListState(*oRow.m_p_oRecipient);
    }
    return true;
}
