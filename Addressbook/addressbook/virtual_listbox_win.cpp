// Addressbook/addressbook/virtual_listbox_win.cpp: the owner-data list view over a page cache: its
// columns, display info and cache hints, the subclass procedure's paging keys and thumb, the context
// menu, and picking rows into recipients.
#include "Addressbook/addressbook/virtual_listbox_win.h"

#include "Addressbook/addressbook/mapi_page_cache_win.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/res/resource.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/unique_any.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>

namespace
{
const char* const kAssertCaption = "MAPI Virtual Listbox";
const char* const kUnusableCaption = "Cant use this entry";
const char* const kUnusableText = "This is not a valid mail recipient. This entry cannot be used.";
constexpr UINT_PTR kSubclassId = 0x564C;
constexpr int kStateImageSize = 16;
// The state image of a distribution list: the first image of the state list.
constexpr UINT kDistListStateImage = 1;

struct CColumn
{
    const char* m_szHeading;
    int m_iWidth;
};
constexpr CColumn kColumns[] = {{"Name", 180}, {"Mobile", 120}, {"Email", 200}};

template <typename TChar> void CopyText(const std::basic_string<TChar>& p_sText, TChar* p_pBuffer, int p_iSize)
{
    if (p_pBuffer == nullptr || p_iSize <= 0)
        return;
    const size_t nCopy = std::min(p_sText.size(), static_cast<size_t>(p_iSize) - 1);
    std::copy_n(p_sText.data(), nCopy, p_pBuffer);
    p_pBuffer[nCopy] = 0;
}

int32_t EntryKindOf(int p_iCacheKind)
{
    return p_iCacheKind == kABPageCacheKind ? EID_TYPE_AB : EID_TYPE_STORE;
}
} // namespace

void ShowPageCacheAssertion(const char* p_szFile, unsigned p_uLine, const char* p_szAssertion)
{
    LogPageCacheAssertion(p_szFile, p_uLine, p_szAssertion);
    // The box's own loop repaints the list, and every row of a page that cannot be read asserts
    // again: while one box is open the others go to the trace log only.
    static thread_local bool t_bShowing = false;
    if (t_bShowing)
        return;
    t_bShowing = true;
    const scope_exit oDone([] { t_bShowing = false; });
    char szText[512];
    std::snprintf(szText, sizeof(szText), "Assertion failed in file %s at line %u: %s", p_szFile, p_uLine,
                  p_szAssertion);
    ShowMessageBox(nullptr, szText, kAssertCaption, MB_OK | MB_ICONWARNING | MB_TASKMODAL);
}

CVirtualListBox::~CVirtualListBox()
{
    if (m_hList != nullptr && IsWindow(m_hList))
        RemoveWindowSubclass(m_hList, SubclassProc, kSubclassId);
}

bool CVirtualListBox::Create(HWND p_hParent, int p_iId, const RECT& p_rcBounds, HINSTANCE p_hResources)
{
    m_hResources = p_hResources;
    m_hList = LOG_IF_WIN32_BOOL_FALSE(CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
        p_rcBounds.left, p_rcBounds.top, p_rcBounds.right - p_rcBounds.left, p_rcBounds.bottom - p_rcBounds.top,
        p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)), GetModuleHandleA(nullptr), nullptr));
    if (m_hList == nullptr)
        return false;
    ListView_SetExtendedListViewStyle(m_hList, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    {
        LVCOLUMNA oColumn{};
        oColumn.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        oColumn.pszText = const_cast<char*>(kColumns[i].m_szHeading);
        oColumn.cx = kColumns[i].m_iWidth;
        oColumn.iSubItem = i;
        SendMessageA(m_hList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&oColumn));
    }
    // The list owns the image list (no LVS_SHAREIMAGELISTS) and destroys it with itself.
    HIMAGELIST hImages = ImageList_LoadImageA(p_hResources, MAKEINTRESOURCEA(IDB_VLIST_IMAGES), kStateImageSize, 0,
                                              RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (hImages != nullptr)
        ListView_SetImageList(m_hList, hImages, LVSIL_STATE);
    else
        LOG_FAILURE("the list's images (%d) could not be loaded", IDB_VLIST_IMAGES);
    // Owner-data items keep no state of their own: the state image is asked for with the text.
    ListView_SetCallbackMask(m_hList, LVIS_STATEIMAGEMASK);
    if (!LOG_IF_WIN32_BOOL_FALSE(
            SetWindowSubclass(m_hList, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))))
        return false;
    SetCache(nullptr);
    return true;
}

void CVirtualListBox::SetCache(CPageCache* p_pCache)
{
    m_pCache = p_pCache;
    const uint32_t ulRows = m_pCache ? m_pCache->RowCount() : 0;
    ListView_SetItemCountEx(m_hList, static_cast<int>(ulRows), 0);
    SendMessageA(m_hList, kVListRefreshCounts, 0, 0);
    SendMessageA(m_hList, kVListResetTop, 0, 0);
}

void CVirtualListBox::RefreshCounts()
{
    m_iItemsPerPage = ListView_GetCountPerPage(m_hList);
    m_iItemCount = ListView_GetItemCount(m_hList);
}

LRESULT CALLBACK CVirtualListBox::SubclassProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, UINT_PTR,
                                               DWORD_PTR p_dwRefData)
{
    auto* pThis = reinterpret_cast<CVirtualListBox*>(p_dwRefData);
    return TrapExceptions<LRESULT>("CVirtualListBox::SubclassProc", 0, [&]() -> LRESULT {
        LRESULT lResult = 0;
        if (pThis->OnListMessage(p_uMsg, p_wParam, p_lParam, lResult))
            return lResult;
        if (p_uMsg == WM_NCDESTROY)
        {
            RemoveWindowSubclass(p_hWnd, SubclassProc, kSubclassId);
            pThis->m_hList = nullptr;
        }
        return DefSubclassProc(p_hWnd, p_uMsg, p_wParam, p_lParam);
    });
}

bool CVirtualListBox::OnListMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult)
{
    p_lResult = 0;
    switch (p_uMsg)
    {
    case kVListRefreshCounts:
        RefreshCounts();
        return true;
    case kVListResetTop:
        m_iTopRow = 0;
        return true;
    case WM_SIZE:
        // The list resizes itself first; the page it shows may have changed.
        p_lResult = DefSubclassProc(m_hList, p_uMsg, p_wParam, p_lParam);
        RefreshCounts();
        return true;
    case WM_KEYDOWN:
        OnKeyDown(p_wParam);
        return false;
    case WM_VSCROLL:
        switch (LOWORD(p_wParam))
        {
        case SB_THUMBPOSITION:
            OnThumbPosition(HIWORD(p_wParam));
            return true;
        case SB_THUMBTRACK:
            // While the thumb moves nothing is read: the rows are shown where it is let go.
            m_oScroll.cbSize = sizeof(m_oScroll);
            m_oScroll.fMask = SIF_ALL;
            GetScrollInfo(m_hList, SB_VERT, &m_oScroll);
            return true;
        case SB_ENDSCROLL:
            return true;
        default:
            return false;
        }
    case WM_CONTEXTMENU:
        OnContextMenu(p_lParam);
        return true;
    default:
        return false;
    }
}

void CVirtualListBox::OnKeyDown(WPARAM p_wKey)
{
    switch (p_wKey)
    {
    case VK_PRIOR:
        m_iTopRow = std::max(0, m_iTopRow - m_iItemsPerPage);
        break;
    case VK_NEXT:
        m_iTopRow = std::min(m_iItemCount, m_iTopRow + m_iItemsPerPage);
        break;
    case VK_END:
        m_iTopRow = m_iItemCount;
        break;
    case VK_HOME:
        m_iTopRow = 0;
        break;
    default:
        break;
    }
}

void CVirtualListBox::OnThumbPosition(WORD p_wPosition)
{
    m_oScroll.cbSize = sizeof(m_oScroll);
    m_oScroll.fMask = SIF_ALL;
    if (!GetScrollInfo(m_hList, SB_VERT, &m_oScroll) || m_iItemCount <= 0)
        return;
    // The message's 16 bits cannot name rows past 65,535: a longer list takes the scroll bar's
    // 32-bit track position, which only a drag sets.
    const int iPosition = m_oScroll.nMax > 0xFFFF ? m_oScroll.nTrackPos : static_cast<int>(p_wPosition);
    const int iRow = std::clamp(iPosition, 0, m_iItemCount - 1);
    // Moving down, the row must end at the top: make the last row of its page visible.
    int iVisible = iRow;
    if (iRow > m_iTopRow)
        iVisible = std::min(iRow + std::max(m_iItemsPerPage, 1) - 1, m_iItemCount - 1);
    ListView_EnsureVisible(m_hList, iVisible, FALSE);
    m_iTopRow = iRow;
}

void CVirtualListBox::OnContextMenu(LPARAM p_lParam)
{
    POINT ptAt{GET_X_LPARAM(p_lParam), GET_Y_LPARAM(p_lParam)};
    const int iSelected = ListView_GetNextItem(m_hList, -1, LVNI_SELECTED);
    if (p_lParam == -1)
    {
        // From the keyboard: at the selected row, or the list's corner.
        RECT rcItem{};
        if (iSelected < 0 || !ListView_GetItemRect(m_hList, iSelected, &rcItem, LVIR_LABEL))
            rcItem = RECT{};
        ptAt = POINT{rcItem.left, rcItem.bottom};
        ClientToScreen(m_hList, &ptAt);
    }
    const unique_hmenu hMenu(LOG_IF_WIN32_BOOL_FALSE(LoadMenuA(m_hResources, MAKEINTRESOURCEA(IDM_VLIST_CONTEXT))));
    HMENU hPopup = hMenu ? GetSubMenu(hMenu.get(), 0) : nullptr;
    if (hPopup == nullptr)
        return;
    const bool bOne = ListView_GetSelectedCount(m_hList) == 1;
    EnableMenuItem(hPopup, IDM_VLIST_PROPERTIES, MF_BYCOMMAND | (bOne ? MF_ENABLED : MF_GRAYED));
    const UINT uCommand = static_cast<UINT>(
        TrackPopupMenu(hPopup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, ptAt.x, ptAt.y, 0, m_hList, nullptr));
    if (uCommand == IDM_VLIST_PROPERTIES && bOne && iSelected >= 0 && m_fnProperties)
        m_fnProperties(static_cast<uint32_t>(iSelected));
}

bool CVirtualListBox::HandleNotify(const NMHDR* p_pHeader, LRESULT& p_lResult)
{
    if (p_pHeader == nullptr || p_pHeader->hwndFrom != m_hList)
        return false;
    p_lResult = 0;
    return TrapExceptions<bool>("CVirtualListBox::HandleNotify", true, [&] {
        switch (p_pHeader->code)
        {
        case LVN_GETDISPINFOA:
            FillDisplayInfo(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(p_pHeader))->item);
            return true;
        case LVN_GETDISPINFOW:
            FillDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(p_pHeader))->item);
            return true;
        case LVN_ODCACHEHINT: {
            const auto* pHint = reinterpret_cast<const NMLVCACHEHINT*>(p_pHeader);
            if (m_pCache && pHint->iFrom >= 0 && pHint->iTo >= pHint->iFrom)
                m_pCache->CacheHint(static_cast<uint32_t>(pHint->iFrom), static_cast<uint32_t>(pHint->iTo));
            return true;
        }
        case NM_DBLCLK: {
            std::vector<RecipientPtr> vPicked = PickSelected();
            if (!vPicked.empty() && m_fnPicked)
                m_fnPicked(std::move(vPicked));
            return true;
        }
        default:
            return false;
        }
    });
}

void CVirtualListBox::FillDisplayInfo(LVITEMA& p_oItem)
{
    if (!m_pCache || p_oItem.iItem < 0)
        return;
    const auto ulRow = static_cast<uint32_t>(p_oItem.iItem);
    if (p_oItem.mask & LVIF_TEXT)
        CopyText(m_pCache->TextOf(ulRow, p_oItem.iSubItem), p_oItem.pszText, p_oItem.cchTextMax);
    if ((p_oItem.mask & LVIF_STATE) && p_oItem.iSubItem == 0)
    {
        const bool bList = m_pCache->NumberOf(ulRow, kColumnObjectType) == kObjectTypeDistList;
        p_oItem.state =
            (p_oItem.state & ~LVIS_STATEIMAGEMASK) | (bList ? INDEXTOSTATEIMAGEMASK(kDistListStateImage) : 0);
        p_oItem.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

void CVirtualListBox::FillDisplayInfo(LVITEMW& p_oItem)
{
    if (!m_pCache || p_oItem.iItem < 0)
        return;
    const auto ulRow = static_cast<uint32_t>(p_oItem.iItem);
    if (p_oItem.mask & LVIF_TEXT)
        CopyText(AnsiToWide(m_pCache->TextOf(ulRow, p_oItem.iSubItem), CP_ACP), p_oItem.pszText, p_oItem.cchTextMax);
    if ((p_oItem.mask & LVIF_STATE) && p_oItem.iSubItem == 0)
    {
        const bool bList = m_pCache->NumberOf(ulRow, kColumnObjectType) == kObjectTypeDistList;
        p_oItem.state =
            (p_oItem.state & ~LVIS_STATEIMAGEMASK) | (bList ? INDEXTOSTATEIMAGEMASK(kDistListStateImage) : 0);
        p_oItem.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

RecipientPtr CVirtualListBox::RecipientOfRow(uint32_t p_ulRow)
{
    const std::optional<CEntryBytes> ovEntryId = m_pCache->EntryIdOf(p_ulRow);
    if (!ovEntryId || ovEntryId->empty())
    {
        ShowMessageBox(m_hList, kUnusableText, kUnusableCaption, MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    EntryPtr oEntry = MakeEntry(EntryKindOf(m_pCache->Kind()), static_cast<uint32_t>(ovEntryId->size()),
                                ovEntryId->data(), AddressBookEntryAllocator());
    const std::string sName = m_pCache->TextOf(p_ulRow, kColumnName);
    if (m_pCache->NumberOf(p_ulRow, kColumnObjectType) == kObjectTypeDistList)
        return NewListRecipient(std::move(oEntry), sName.c_str());
    const std::string sMobile = m_pCache->TextOf(p_ulRow, kColumnMobile);
    const std::string sEmail = m_pCache->TextOf(p_ulRow, kColumnEmail);
    return NewPersonRecipient(std::move(oEntry), sMobile.c_str(), sEmail.c_str(), sName.c_str());
}

std::vector<RecipientPtr> CVirtualListBox::PickSelected()
{
    std::vector<RecipientPtr> vPicked;
    if (!m_pCache)
        return vPicked;
    for (int iRow = ListView_GetNextItem(m_hList, -1, LVNI_SELECTED); iRow >= 0;
         iRow = ListView_GetNextItem(m_hList, iRow, LVNI_SELECTED))
        if (RecipientPtr oRecipient = RecipientOfRow(static_cast<uint32_t>(iRow)))
            vPicked.push_back(std::move(oRecipient));
    return vPicked;
}
