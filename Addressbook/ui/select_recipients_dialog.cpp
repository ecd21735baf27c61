// Addressbook/ui/select_recipients_dialog.cpp: the "Select Recipients" dialog.
#include "Addressbook/ui/select_recipients_dialog.h"

#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/ui/message_box.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <algorithm>
#include <cstdio>

namespace
{
// What an owner list shows of a recipient: its name, else its display text, else its mobile.
std::string LabelOf(const CMessageRecipient& p_oRecipient)
{
    for (const char* sz : {p_oRecipient.m_szName, p_oRecipient.m_szDisplayText, p_oRecipient.m_szMobile})
        if (sz != nullptr && *sz != '\0')
            return sz;
    return "<No Name>";
}

void CopyInto(const CMessageRecipientList* p_p_mrlSource, std::vector<RecipientPtr>& p_vTarget)
{
    if (p_p_mrlSource == nullptr)
        return;
    for (auto* p_oNode = p_p_mrlSource->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        if (p_oNode->m_p_oItem != nullptr)
            p_vTarget.push_back(CopyRecipient(*p_oNode->m_p_oItem));
}
} // namespace

CSelectRecipientsDialog::CSelectRecipientsDialog(CExMAPI& p_oExMapi, CRegistry& p_oRegistry,
                                                 const CMessageRecipientList* p_p_mrlTo,
                                                 const CMessageRecipientList* p_p_mrlCc)
    : m_oExMapi(p_oExMapi), m_oRegistry(p_oRegistry)
{
    CopyInto(p_p_mrlTo, m_vTo);
    CopyInto(p_p_mrlCc, m_vCc);
}

bool CSelectRecipientsDialog::Run(HWND p_hOwner)
{
    m_hOwner = p_hOwner;
    const INT_PTR result = DialogBoxParamA(g_hModule, MAKEINTRESOURCEA(IDD_SELECT_RECIPIENTS), p_hOwner, &Procedure,
                                           reinterpret_cast<LPARAM>(this));
    if (result == -1)
        LogCallFailure("CSelectRecipientsDialog::Run", "DialogBoxParam", EResultKind::Win32Error, GetLastError());
    return result == IDOK;
}

RecipientListPtr CSelectRecipientsDialog::TakeTo()
{
    return std::move(m_mrlTo);
}

RecipientListPtr CSelectRecipientsDialog::TakeCc()
{
    return std::move(m_mrlCc);
}

INT_PTR CALLBACK CSelectRecipientsDialog::Procedure(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMessage == WM_INITDIALOG)
    {
        SetWindowLongPtrA(p_hDialog, DWLP_USER, p_lParam);
        reinterpret_cast<CSelectRecipientsDialog*>(p_lParam)->m_hDialog = p_hDialog;
    }
    auto* p_oDialog = reinterpret_cast<CSelectRecipientsDialog*>(GetWindowLongPtrA(p_hDialog, DWLP_USER));
    if (p_oDialog == nullptr)
        return FALSE;
    return TrapExceptions("SelectRecipientsDialogProc", static_cast<INT_PTR>(FALSE),
                          [&]() -> INT_PTR { return p_oDialog->OnMessage(p_uMessage, p_wParam, p_lParam); });
}

INT_PTR CSelectRecipientsDialog::OnMessage(UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        return FALSE; // the focus is on the Find box
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!m_oList.HandleNotify(reinterpret_cast<const NMHDR*>(p_lParam), result))
            return FALSE;
        SetWindowLongPtrA(m_hDialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_VKEYTOITEM:
        if (LOWORD(p_wParam) != VK_DELETE)
            return -1;
        RemoveSelected(reinterpret_cast<HWND>(p_lParam) == GetDlgItem(m_hDialog, IDC_SR_CC_LIST));
        return -2;
    case WM_COMMAND:
        OnCommand(LOWORD(p_wParam), HIWORD(p_wParam));
        return TRUE;
    case WM_DESTROY:
        RememberPlace();
        // The list goes before the cache it shows.
        m_oList.SetCache(nullptr);
        m_pCache.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

void CSelectRecipientsDialog::OnInitDialog()
{
    m_oExMapi.RetrieveTreeFolders(m_vFolders);
    const HWND hFolders = GetDlgItem(m_hDialog, IDC_SR_FOLDER);
    for (const CFolderEntry& oFolder : m_vFolders)
        SendMessageA(hFolders, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(oFolder.m_sName.c_str()));
    RECT rcArea{};
    const HWND hArea = GetDlgItem(m_hDialog, IDC_SR_LIST_AREA);
    GetWindowRect(hArea, &rcArea);
    MapWindowPoints(nullptr, m_hDialog, reinterpret_cast<POINT*>(&rcArea), 2);
    if (!m_oList.Create(m_hDialog, IDC_SR_LIST, rcArea, g_hModule))
        LOG_FAILURE("the list of the folder's entries could not be made");
    m_oList.SetPickHandler([this](std::vector<RecipientPtr> p_vPicked) { Add(false, std::move(p_vPicked)); });
    SetWindowPos(m_oList.Handle(), GetDlgItem(m_hDialog, IDC_SR_FIND), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (const bool bCc : {false, true})
        for (const RecipientPtr& p_oRecipient : bCc ? m_vCc : m_vTo)
            SendDlgItemMessageA(m_hDialog, bCc ? IDC_SR_CC_LIST : IDC_SR_TO_LIST, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(LabelOf(*p_oRecipient).c_str()));
    SendMessageA(hFolders, CB_SETCURSEL, 0, 0);
    ShowFolder(m_vFolders.empty() ? -1 : 0);
    Place();
    SetFocus(GetDlgItem(m_hDialog, IDC_SR_FIND));
}

void CSelectRecipientsDialog::OnCommand(int p_iId, int p_iCode)
{
    switch (p_iId)
    {
    case IDC_SR_FOLDER:
        if (p_iCode == CBN_SELCHANGE)
            ShowFolder(static_cast<int>(SendDlgItemMessageA(m_hDialog, IDC_SR_FOLDER, CB_GETCURSEL, 0, 0)));
        break;
    case IDC_SR_FIND:
        if (p_iCode == EN_CHANGE)
            OnFindChanged();
        break;
    case IDC_SR_TO:
    case IDC_SR_CC:
        if (p_iCode == BN_CLICKED)
            AddSelected(p_iId == IDC_SR_CC);
        break;
    case IDOK:
        OnOk();
        break;
    case IDCANCEL:
        EndDialog(m_hDialog, IDCANCEL);
        break;
    default:
        break;
    }
}

void CSelectRecipientsDialog::ShowFolder(int p_iFolder)
{
    m_oList.SetCache(nullptr);
    m_pCache.reset();
    if (p_iFolder >= 0 && static_cast<size_t>(p_iFolder) < m_vFolders.size())
    {
        Log("Calling GetPageCacheForFolder from SelectRecipientsDialogProc");
        const HRESULT hr = m_oExMapi.GetPageCacheForFolder(m_vFolders[p_iFolder], m_pCache);
        if (FAILED(hr))
        {
            Log("GetPageCacheForFolder failed with %d", static_cast<int>(hr));
            m_pCache.reset();
        }
    }
    m_oList.SetCache(m_pCache ? &m_pCache->Cache() : nullptr);
    const bool bEmpty = (!m_pCache || m_pCache->Cache().RowCount() == 0) && !AnyOtherFolderHasRows(p_iFolder);
    ShowWindow(GetDlgItem(m_hDialog, IDC_SR_EMPTY), bEmpty ? SW_SHOW : SW_HIDE);
    ShowWindow(m_oList.Handle(), bEmpty ? SW_HIDE : SW_SHOW);
    if (!bEmpty && !ControlText(GetDlgItem(m_hDialog, IDC_SR_FIND)).empty())
        OnFindChanged();
}

bool CSelectRecipientsDialog::AnyOtherFolderHasRows(int p_iShown)
{
    for (size_t i = 0; i < m_vFolders.size(); ++i)
    {
        std::unique_ptr<CMapiPageCache> pCache;
        if (static_cast<int>(i) != p_iShown && SUCCEEDED(m_oExMapi.GetPageCacheForFolder(m_vFolders[i], pCache)) &&
            pCache && pCache->Cache().RowCount() > 0)
            return true;
    }
    return false;
}

void CSelectRecipientsDialog::OnFindChanged()
{
    const std::string sPrefix = ControlText(GetDlgItem(m_hDialog, IDC_SR_FIND));
    if (!m_pCache || sPrefix.empty())
        return;
    const std::optional<CPrefixPosition> oFound = m_pCache->Cache().FindPrefix(sPrefix);
    if (!oFound)
        return;
    const HWND hList = m_oList.Handle();
    const int iRow = static_cast<int>(oFound->m_ulRow);
    ListView_SetItemState(hList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(hList, iRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hList, iRow, FALSE);
}

void CSelectRecipientsDialog::AddSelected(bool p_bCc)
{
    if (ListView_GetSelectedCount(m_oList.Handle()) == 0)
    {
        ShowMessage(m_hDialog, kMsgSelectSomeone, TableText(kMsgSelectBeforeDone), MB_OK | MB_ICONWARNING);
        return;
    }
    Add(p_bCc, m_oList.PickSelected());
}

void CSelectRecipientsDialog::Add(bool p_bCc, std::vector<RecipientPtr> p_vRecipients)
{
    const HWND hList = GetDlgItem(m_hDialog, p_bCc ? IDC_SR_CC_LIST : IDC_SR_TO_LIST);
    for (RecipientPtr& p_oRecipient : p_vRecipients)
    {
        if (!p_oRecipient)
            continue;
        SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LabelOf(*p_oRecipient).c_str()));
        (p_bCc ? m_vCc : m_vTo).push_back(std::move(p_oRecipient));
    }
}

void CSelectRecipientsDialog::RemoveSelected(bool p_bCc)
{
    const HWND hList = GetDlgItem(m_hDialog, p_bCc ? IDC_SR_CC_LIST : IDC_SR_TO_LIST);
    std::vector<RecipientPtr>& vChosen = p_bCc ? m_vCc : m_vTo;
    const LRESULT lSelected = SendMessageA(hList, LB_GETCURSEL, 0, 0);
    if (lSelected == LB_ERR || static_cast<size_t>(lSelected) >= vChosen.size())
    {
        ShowMessage(m_hDialog, kMsgSelectSomeone, TableText(kMsgSelectBeforeDelete), MB_OK | MB_ICONWARNING);
        return;
    }
    SendMessageA(hList, LB_DELETESTRING, static_cast<WPARAM>(lSelected), 0);
    vChosen.erase(vChosen.begin() + lSelected);
}

RecipientListPtr CSelectRecipientsDialog::BuildList(std::vector<RecipientPtr>& p_vChosen)
{
    RecipientListPtr mrlList = NewList<CMessageRecipientList>();
    for (RecipientPtr& p_oRecipient : p_vChosen)
    {
        // A list picked from a folder comes without its members: they are read now, once.
        if (p_oRecipient->m_iKind == kKindDistList && p_oRecipient->m_p_oEntry != nullptr &&
            (p_oRecipient->m_p_mrlMembers == nullptr || p_oRecipient->m_p_mrlMembers->m_dwCount == 0))
        {
            Log("FillInDistListMembers");
            EnsureMembersList(*p_oRecipient);
            const CEntryID& oEntry = *p_oRecipient->m_p_oEntry;
            const CEntryBytes vEntry(oEntry.m_p_bBytes, oEntry.m_p_bBytes + oEntry.m_dwByteCount);
            LOG_IF_FAILED(oEntry.m_iKind == EID_TYPE_AB
                              ? m_oExMapi.AddAllRecipientsInABDistList(vEntry, *p_oRecipient->m_p_mrlMembers)
                              : m_oExMapi.AddAllRecipientsInNormalDistList(vEntry, *p_oRecipient->m_p_mrlMembers));
        }
        AppendItem(*mrlList, p_oRecipient);
    }
    p_vChosen.clear();
    return mrlList;
}

void CSelectRecipientsDialog::OnOk()
{
    m_mrlTo = BuildList(m_vTo);
    m_mrlCc = BuildList(m_vCc);
    EndDialog(m_hDialog, IDOK);
}

void CSelectRecipientsDialog::Place()
{
    RECT rcDialog{};
    GetWindowRect(m_hDialog, &rcDialog);
    int x = 0;
    int y = 0;
    const std::string sPlace = m_oRegistry.ReadUserText(kSelectRecipientsPosition);
    if (std::sscanf(sPlace.c_str(), "%d,%d", &x, &y) != 2)
    {
        // Centred on the owner, or on the screen without one.
        RECT rcOwner{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (m_hOwner != nullptr)
            GetWindowRect(m_hOwner, &rcOwner);
        x = rcOwner.left + ((rcOwner.right - rcOwner.left) - (rcDialog.right - rcDialog.left)) / 2;
        y = rcOwner.top + ((rcOwner.bottom - rcOwner.top) - (rcDialog.bottom - rcDialog.top)) / 2;
    }
    // Wholly on the nearest screen: centred on an owner near an edge, or kept from a screen that is
    // gone, it would open with its folder box or buttons out of reach.
    const int cx = rcDialog.right - rcDialog.left;
    const int cy = rcDialog.bottom - rcDialog.top;
    const RECT rcWanted{x, y, x + cx, y + cy};
    MONITORINFO oMonitor{};
    oMonitor.cbSize = sizeof(oMonitor);
    if (GetMonitorInfoA(MonitorFromRect(&rcWanted, MONITOR_DEFAULTTONEAREST), &oMonitor))
    {
        const RECT& rcWork = oMonitor.rcWork;
        x = std::max<int>(rcWork.left, std::min<int>(x, rcWork.right - cx));
        y = std::max<int>(rcWork.top, std::min<int>(y, rcWork.bottom - cy));
    }
    SetWindowPos(m_hDialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSelectRecipientsDialog::RememberPlace()
{
    RECT rcDialog{};
    if (!GetWindowRect(m_hDialog, &rcDialog))
        return;
    char szPlace[32];
    std::snprintf(szPlace, sizeof(szPlace), "%ld,%ld", rcDialog.left, rcDialog.top);
    if (!m_oRegistry.WriteUserText(kSelectRecipientsPosition, szPlace))
        LOG_FAILURE("the dialog's position could not be kept");
}
