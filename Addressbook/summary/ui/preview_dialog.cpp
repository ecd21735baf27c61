// Addressbook/summary/ui/preview_dialog.cpp: the "Preview" dialog. The text box follows the list's
// selection lazily: a selection change marks the view, and the next paint of the list renders it,
// so that moving quickly through a long list renders only what stays selected.
#include "Addressbook/summary/ui/preview_dialog.h"

#include "Addressbook/include/corvane_win.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/summary/preview_list.h"
#include "Addressbook/summary/summary_report.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <commctrl.h>

namespace
{
// Releases the image list that gives the list view room to indent members.
struct image_list_traits
{
    using pointer = HIMAGELIST;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_hList) noexcept
    {
        ImageList_Destroy(p_hList);
    }
};
using unique_himagelist = unique_any<image_list_traits>;

class CPreviewDialog
{
  public:
    CPreviewDialog(const CSummaryRequest& p_oRequest, CPreviewList& p_oList) : m_oRequest(p_oRequest), m_oList(p_oList)
    {
    }

  private:
    friend struct ::CModalDialog;

    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
    {
        switch (p_uMessage)
        {
        case WM_INITDIALOG:
            m_hDialog = p_hDialog;
            FillList();
            return TRUE;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<const NMHDR*>(p_lParam));
        case WM_COMMAND:
            switch (LOWORD(p_wParam))
            {
            case IDC_PREVIEW_PREVIOUS:
                Move(-1);
                return TRUE;
            case IDC_PREVIEW_NEXT:
                Move(1);
                return TRUE;
            case IDOK:
            case IDCANCEL:
                EndDialog(p_hDialog, IDOK);
                return TRUE;
            default:
                return FALSE;
            }
        default:
            return FALSE;
        }
    }

    HWND List() const
    {
        return GetDlgItem(m_hDialog, IDC_PREVIEW_LIST);
    }

    void FillList()
    {
        const HWND hList = List();
        m_hImages.reset(ImageList_Create(16, 16, ILC_COLOR, 0, 1));
        SendMessageA(hList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_hImages.get()));
        SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        RECT rcList{};
        GetClientRect(hList, &rcList);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>("Name");
        column.cx = rcList.right - GetSystemMetrics(SM_CXVSCROLL);
        SendMessageA(hList, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        SendMessageA(hList, LVM_SETITEMCOUNT, m_oList.m_vEntries.size(), 0);
        for (size_t i = 0; i < m_oList.m_vEntries.size(); ++i)
        {
            const CPreviewEntry& oEntry = m_oList.m_vEntries[i];
            const CMessageRecipient& oRecipient = *oEntry.m_p_oRecipient;
            // People are listed by name; imported members carry a kind word as their display text.
            const char* szName = !IsNullOrEmpty(oRecipient.m_szName)          ? oRecipient.m_szName
                                 : !IsNullOrEmpty(oRecipient.m_szDisplayText) ? oRecipient.m_szDisplayText
                                                                              : oRecipient.m_szMobile;
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_INDENT | LVIF_PARAM;
            item.iItem = static_cast<int>(i);
            item.iIndent = oEntry.m_iDepth;
            item.pszText = const_cast<char*>(szName != nullptr ? szName : "");
            item.lParam = static_cast<LPARAM>(i);
            SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        if (!m_oList.m_vEntries.empty())
            Select(0);
    }

    void Select(int p_iItem)
    {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(p_iItem), reinterpret_cast<LPARAM>(&state));
        SendMessageA(List(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(p_iItem), FALSE);
    }

    void Move(int p_iStep)
    {
        const int iCount = static_cast<int>(m_oList.m_vEntries.size());
        if (iCount == 0)
            return;
        const int iSelected =
            static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        int iNext = iSelected < 0 ? 0 : iSelected + p_iStep;
        if (iNext < 0 || iNext >= iCount)
            return;
        Select(iNext);
    }

    INT_PTR OnNotify(const NMHDR* p_pHeader)
    {
        if (p_pHeader == nullptr || p_pHeader->idFrom != IDC_PREVIEW_LIST)
            return FALSE;
        if (p_pHeader->code == LVN_ITEMCHANGED)
        {
            const auto* pChange = reinterpret_cast<const NMLISTVIEW*>(p_pHeader);
            if ((pChange->uChanged & LVIF_STATE) != 0 && (pChange->uNewState & LVIS_SELECTED) != 0)
            {
                m_iPending = pChange->iItem;
                InvalidateRect(List(), nullptr, FALSE);
            }
            return FALSE;
        }
        if (p_pHeader->code == NM_CUSTOMDRAW)
        {
            const auto* pDraw = reinterpret_cast<const NMCUSTOMDRAW*>(p_pHeader);
            if (pDraw->dwDrawStage == CDDS_PREPAINT && m_iPending >= 0)
                Render();
            SetWindowLongPtrA(m_hDialog, DWLP_MSGRESULT, CDRF_DODEFAULT);
            return TRUE;
        }
        return FALSE;
    }

    void Render()
    {
        const int iItem = m_iPending;
        m_iPending = -1;
        if (iItem < 0 || static_cast<size_t>(iItem) >= m_oList.m_vEntries.size())
            return;
        const CPreviewEntry& oEntry = m_oList.m_vEntries[iItem];
        std::string sBox;
        if (!oEntry.m_bList)
        {
            std::vector<CTextPart> vParts;
            if (!PersonalisedText(m_oRequest.m_szMessage, m_oRequest.m_p_oTokens, *oEntry.m_p_oRecipient,
                                  m_oRequest.m_dwTransformFlags, vParts))
                LOG_FAILURE("the text of entry %d cannot be built", iItem);
            sBox = PreviewBoxText(vParts);
        }
        SetDlgItemTextA(m_hDialog, IDC_PREVIEW_TEXT, sBox.c_str());
    }

    const CSummaryRequest& m_oRequest;
    CPreviewList& m_oList;
    HWND m_hDialog = nullptr;
    int m_iPending = -1; // the selection the next paint of the list renders
    unique_himagelist m_hImages;
};
} // namespace

bool RunPreview(HWND p_hOwner, const CSummaryRequest& p_oRequest, const CSummarySettings& p_oSettings, HWND p_hProgress)
{
    CPreviewList oList;
    const bool bBuilt = BuildPreviewList(p_oRequest, p_oSettings, oList, [&](size_t p_nDone, size_t p_nTotal) {
        SetProgressText(p_hProgress, ProcessingText(p_nDone, p_nTotal).c_str());
    });
    if (!bBuilt)
        return false;
    CPreviewDialog oDialog(p_oRequest, oList);
    return CModalDialog::Show(oDialog, IDD_PREVIEW, p_hOwner, "CPreviewDialog") != -1;
}
