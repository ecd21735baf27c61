// Addressbook/addressbook/ui/check_mobiles.cpp: the fix wizard's "Missing or Invalid Mobile Phone
// Numbers" page (also for the members of a list) and "Once Off Number Edit", and the helpers
// every page shares.
#include "Addressbook/addressbook/ui/check_wizard.h"

#include "Addressbook/messaging/check_texts.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/country_box.h"
#include "Addressbook/ui/dialog_text.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/trace_log.h"

#include <commctrl.h>

#include <algorithm>

using namespace check_page;

namespace
{
// Longer numbers than this are no one's mobile.
constexpr WPARAM kMaxMobileChars = 30;

void PrepareNumberBoxes(HWND p_hDialog, const char* p_szMobile)
{
    const HWND hCombo = GetDlgItem(p_hDialog, IDC_CHECK_COUNTRY);
    if (SendMessageA(hCombo, CB_GETCOUNT, 0, 0) <= 0 && !FillCountryBox(hCombo, true))
        LOG_FAILURE("the country box could not be filled");
    SendMessageA(hCombo, CB_SETCURSEL, 0, 0);
    if (const std::string sCode = DefaultCountryCode(); !sCode.empty() && !SelectCountryCode(hCombo, sCode))
        Log("PrepareNumberBoxes: no country with the code '%s'", sCode.c_str());
    SendDlgItemMessageA(p_hDialog, IDC_CHECK_MOBILE, EM_LIMITTEXT, kMaxMobileChars, 0);
    const bool bNumber = !IsNullOrEmpty(p_szMobile) && TextOf(p_szMobile) != kNoMobilePlaceholder;
    SetDlgItemTextA(p_hDialog, IDC_CHECK_MOBILE, bNumber ? p_szMobile : "");
}

// The number in the boxes in international form; empty (and the user told why) when it will not do.
std::string EnteredMobile(HWND p_hDialog)
{
    const std::string sNumber = TrimmedControlText(p_hDialog, IDC_CHECK_MOBILE);
    const HWND hCombo = GetDlgItem(p_hDialog, IDC_CHECK_COUNTRY);
    if (!CheckMobileEntry(p_hDialog, hCombo, sNumber))
        return {};
    return InternationalForm(SelectedCountryCode(hCombo), sNumber);
}

class CMobilesPage
{
  public:
    CMobilesPage(CCheckWizard& p_oWizard, std::vector<CMessageRecipient*> p_vPeople, const CMessageRecipient* p_p_oList)
        : m_oWizard(p_oWizard), m_vPeople(std::move(p_vPeople)), m_p_oList(p_p_oList)
    {
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        switch (p_uMessage)
        {
        case WM_INITDIALOG:
            OnInit(p_hDialog);
            return TRUE;
        case WM_NOTIFY:
            // Only the list notifies; whatever it says, the selection may have moved.
            if (p_wParam == IDC_CHECK_LIST)
                ShowSelected(p_hDialog);
            return FALSE;
        case WM_COMMAND:
            return OnCommand(p_hDialog, p_wParam);
        }
        return FALSE;
    }

  private:
    void OnInit(HWND p_hDialog)
    {
        SetDlgItemTextA(p_hDialog, IDC_CHECK_HEADER,
                        TableText(m_p_oList != nullptr ? kMsgMembersOfList : kMsgNoValidMobiles).c_str());
        const HWND hList = GetDlgItem(p_hDialog, IDC_CHECK_LIST);
        AddColumns(hList, {kMsgColumnName, kMsgColumnMobile, kMsgColumnEmail}, 140);
        for (CMessageRecipient* p_oPerson : m_vPeople)
            AddRow(hList,
                   {std::string(TextOf(p_oPerson->m_szDisplayText)), std::string(TextOf(p_oPerson->m_szMobile)),
                    std::string(TextOf(p_oPerson->m_szEmail))},
                   reinterpret_cast<LPARAM>(p_oPerson));
        PrepareNumberBoxes(p_hDialog, nullptr);
        ListView_SetItemState(hList, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ShowSelected(p_hDialog);
    }

    INT_PTR OnCommand(HWND p_hDialog, WPARAM p_wParam)
    {
        switch (LOWORD(p_wParam))
        {
        case IDC_CHECK_MOBILE:
            if (HIWORD(p_wParam) == EN_CHANGE && !m_bFilling)
                m_bEdited = true;
            return TRUE;
        case IDC_CHECK_SAVE:
            (void)Save(p_hDialog);
            return TRUE;
        case IDC_CHECK_ONCE_OFF:
            OnOnceOff(p_hDialog);
            return TRUE;
        case IDOK:
            OnDone(p_hDialog);
            return TRUE;
        }
        return HandleEndButton(p_hDialog, LOWORD(p_wParam));
    }

    CMessageRecipient* Selected(HWND p_hDialog) const
    {
        const HWND hList = GetDlgItem(p_hDialog, IDC_CHECK_LIST);
        const int iRow = SelectedRow(hList);
        return iRow < 0 ? nullptr : reinterpret_cast<CMessageRecipient*>(RowData(hList, iRow));
    }

    void ShowSelected(HWND p_hDialog)
    {
        CMessageRecipient* p_oPerson = Selected(p_hDialog);
        if (p_oPerson == m_p_oShown)
            return;
        m_p_oShown = p_oPerson;
        m_bFilling = true;
        SetDlgItemTextA(p_hDialog, IDC_CHECK_MOBILE, "");
        if (p_oPerson != nullptr && !IsNullOrEmpty(p_oPerson->m_szMobile) &&
            TextOf(p_oPerson->m_szMobile) != kNoMobilePlaceholder)
            SetDlgItemTextA(p_hDialog, IDC_CHECK_MOBILE, p_oPerson->m_szMobile);
        m_bFilling = false;
        m_bEdited = false;
    }

    // Takes the fixed person off the list and moves on to the next; the page ends with the last.
    void Fixed(HWND p_hDialog, CMessageRecipient* p_p_oPerson)
    {
        const HWND hList = GetDlgItem(p_hDialog, IDC_CHECK_LIST);
        for (int i = ListView_GetItemCount(hList) - 1; i >= 0; --i)
            if (reinterpret_cast<CMessageRecipient*>(RowData(hList, i)) == p_p_oPerson)
                ListView_DeleteItem(hList, i);
        m_bEdited = false;
        m_p_oShown = nullptr;
        if (ListView_GetItemCount(hList) == 0)
        {
            EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
            return;
        }
        ListView_SetItemState(hList, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ShowSelected(p_hDialog);
    }

    // Writes the number to the selected person's entry; a refused write keeps it for this message.
    bool Save(HWND p_hDialog)
    {
        CMessageRecipient* p_oPerson = Selected(p_hDialog);
        if (p_oPerson == nullptr)
        {
            ShowWarning(p_hDialog, kMsgPleaseSelectSomeone, kMsgSelectBeforeDone);
            return false;
        }
        const std::string sMobile = EnteredMobile(p_hDialog);
        if (sMobile.empty())
            return false;
        CCheckAddressBook* p_oBook = m_oWizard.Book();
        if (p_oBook == nullptr || !p_oBook->WriteMobile(*p_oPerson, sMobile))
            ShowWarning(p_hDialog, kMsgSetMobileFailed, kMsgSetMobileFailedText);
        UseMobile(*p_oPerson, sMobile);
        Fixed(p_hDialog, p_oPerson);
        return true;
    }

    void OnOnceOff(HWND p_hDialog)
    {
        CMessageRecipient* p_oPerson = Selected(p_hDialog);
        if (p_oPerson == nullptr)
        {
            ShowWarning(p_hDialog, kMsgPleaseSelectSomeone, kMsgSelectBeforeDone);
            return;
        }
        const EPageEnd eEnd = m_oWizard.RunOnceOff(*p_oPerson, p_hDialog);
        if (eEnd == EPageEnd::Exit)
            EndDialog(p_hDialog, ResultOf(EPageEnd::Exit));
        else if (eEnd == EPageEnd::Done)
            Fixed(p_hDialog, p_oPerson);
    }

    void OnDone(HWND p_hDialog)
    {
        if (m_bEdited && !TrimmedControlText(p_hDialog, IDC_CHECK_MOBILE).empty())
        {
            const int iAnswer = ShowMessage(p_hDialog, kMsgDetailsChanged, TableText(kMsgDetailsChangedText),
                                            MB_YESNO | MB_ICONQUESTION);
            m_bEdited = false;
            if (iAnswer == IDYES && !Save(p_hDialog))
                return;
        }
        if (ListView_GetItemCount(GetDlgItem(p_hDialog, IDC_CHECK_LIST)) > 0)
        {
            ShowWarning(p_hDialog, kMsgMissingPhoneDetails, kMsgMissingPhoneDetailsText);
            return;
        }
        EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
    }

    CCheckWizard& m_oWizard;
    std::vector<CMessageRecipient*> m_vPeople;
    const CMessageRecipient* m_p_oList;
    CMessageRecipient* m_p_oShown = nullptr;
    bool m_bEdited = false;
    bool m_bFilling = false;
};

class COnceOffPage
{
  public:
    explicit COnceOffPage(CMessageRecipient& p_oRecipient) : m_oRecipient(p_oRecipient)
    {
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
    {
        if (p_uMessage == WM_INITDIALOG)
        {
            SetDlgItemTextA(p_hDialog, IDC_CHECK_HEADER, std::string(TextOf(m_oRecipient.m_szDisplayText)).c_str());
            PrepareNumberBoxes(p_hDialog, m_oRecipient.m_szMobile);
            return TRUE;
        }
        if (p_uMessage == WM_COMMAND && LOWORD(p_wParam) == IDOK)
        {
            if (const std::string sMobile = EnteredMobile(p_hDialog); !sMobile.empty())
            {
                UseMobile(m_oRecipient, sMobile);
                EndDialog(p_hDialog, ResultOf(EPageEnd::Done));
            }
            return TRUE;
        }
        return p_uMessage == WM_COMMAND && HandleEndButton(p_hDialog, LOWORD(p_wParam));
    }

  private:
    CMessageRecipient& m_oRecipient;
};
} // namespace

EPageEnd CCheckWizard::RunMobiles(std::vector<CMessageRecipient*> p_vPeople, const CMessageRecipient* p_p_oList)
{
    CMobilesPage oPage(*this, std::move(p_vPeople), p_p_oList);
    const INT_PTR iResult = CModalDialog::Show(oPage, IDD_CHECK_MOBILES, m_hOwner, "CCheckMobilesPage");
    return iResult == -1 ? EPageEnd::Skip : EndOf(iResult);
}

EPageEnd CCheckWizard::RunOnceOff(CMessageRecipient& p_oRecipient, HWND p_hOwner)
{
    COnceOffPage oPage(p_oRecipient);
    const INT_PTR iResult = CModalDialog::Show(oPage, IDD_CHECK_ONCE_OFF, p_hOwner, "CCheckOnceOffPage");
    return iResult == -1 ? EPageEnd::Skip : EndOf(iResult);
}

namespace check_page
{
// EndDialog values: IDOK, IDC_CHECK_SKIP and IDCANCEL.
EPageEnd EndOf(INT_PTR p_iResult)
{
    if (p_iResult == IDOK)
        return EPageEnd::Done;
    return p_iResult == IDC_CHECK_SKIP ? EPageEnd::Skip : EPageEnd::Exit;
}

INT_PTR ResultOf(EPageEnd p_eEnd)
{
    switch (p_eEnd)
    {
    case EPageEnd::Done:
        return IDOK;
    case EPageEnd::Skip:
        return IDC_CHECK_SKIP;
    default:
        return IDCANCEL;
    }
}

void AddColumns(HWND p_hList, std::initializer_list<unsigned> p_uColumns, int p_iWidth)
{
    ListView_SetExtendedListViewStyle(p_hList, LVS_EX_FULLROWSELECT);
    if (Header_GetItemCount(ListView_GetHeader(p_hList)) > 0)
        return;
    int iColumn = 0;
    for (const unsigned uId : p_uColumns)
    {
        std::string sTitle = TableText(uId);
        LVCOLUMNA oColumn{};
        oColumn.mask = LVCF_TEXT | LVCF_WIDTH;
        oColumn.cx = p_iWidth;
        oColumn.pszText = sTitle.data();
        SendMessageA(p_hList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(iColumn++), reinterpret_cast<LPARAM>(&oColumn));
    }
}

void AddRow(HWND p_hList, const std::vector<std::string>& p_vCells, LPARAM p_lParam)
{
    LVITEMA oItem{};
    oItem.mask = LVIF_TEXT | LVIF_PARAM;
    oItem.iItem = ListView_GetItemCount(p_hList);
    std::string sFirst = p_vCells.empty() ? std::string() : p_vCells.front();
    oItem.pszText = sFirst.data();
    oItem.lParam = p_lParam;
    const auto iRow = SendMessageA(p_hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&oItem));
    if (iRow < 0)
    {
        LOG_FAILURE("the row could not be added");
        return;
    }
    for (size_t i = 1; i < p_vCells.size(); ++i)
    {
        std::string sCell = p_vCells[i];
        LVITEMA oCell{};
        oCell.iSubItem = static_cast<int>(i);
        oCell.pszText = sCell.data();
        SendMessageA(p_hList, LVM_SETITEMTEXTA, static_cast<WPARAM>(iRow), reinterpret_cast<LPARAM>(&oCell));
    }
}

int SelectedRow(HWND p_hList)
{
    return ListView_GetNextItem(p_hList, -1, LVNI_SELECTED);
}

LPARAM RowData(HWND p_hList, int p_iRow)
{
    LVITEMA oItem{};
    oItem.mask = LVIF_PARAM;
    oItem.iItem = p_iRow;
    return SendMessageA(p_hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&oItem)) ? oItem.lParam : 0;
}

bool HandleEndButton(HWND p_hDialog, WORD p_wId)
{
    if (p_wId == IDC_CHECK_SKIP)
    {
        EndDialog(p_hDialog, IDC_CHECK_SKIP);
        return true;
    }
    if (p_wId == IDCANCEL)
    {
        EndDialog(p_hDialog, IDCANCEL);
        return true;
    }
    return false;
}

void UseMobile(CMessageRecipient& p_oRecipient, const std::string& p_sMobile)
{
    EntryPtr oEntry = p_oRecipient.m_p_oEntry != nullptr ? CopyEntry(*p_oRecipient.m_p_oEntry) : nullptr;
    const char* szName = !IsNullOrEmpty(p_oRecipient.m_szName) ? p_oRecipient.m_szName : p_oRecipient.m_szDisplayText;
    SetResolved(p_oRecipient, std::move(oEntry), MakeOwnedString(p_sMobile), CopyOwnedString(p_oRecipient.m_szEmail),
                CopyOwnedString(szName));
}
} // namespace check_page
