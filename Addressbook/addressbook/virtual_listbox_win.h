// Addressbook/addressbook/virtual_listbox_win.h: the virtual list box of the address-book lists: an
// owner-data report list view ("Name", "Mobile", "Email") that shows a page cache's rows without
// reading the folder, pages with the keyboard and the thumb without touching the rows it skips, and
// turns the rows a user picks into message recipients.
#pragma once

#include "Addressbook/addressbook/page_cache.h"
#include "Addressbook/messaging/recipient.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

// Private messages of the list's subclass procedure: re-read items per page and item count; put
// the top row back to 0.
constexpr UINT kVListRefreshCounts = WM_USER + 1;
constexpr UINT kVListResetTop = WM_USER + 2;

// Reports a failed cache assertion in the task-modal "MAPI Virtual Listbox" warning box
// ("Assertion failed in file %s at line %u: %s"); the list carries on.
void ShowPageCacheAssertion(const char* p_szFile, unsigned p_uLine, const char* p_szAssertion);

class CVirtualListBox
{
  public:
    // The row whose properties the user asked for through the context menu.
    using PropertiesHandler = std::function<void(uint32_t p_ulRow)>;
    // The recipients of the rows picked by a double-click.
    using PickHandler = std::function<void(std::vector<RecipientPtr> p_vRecipients)>;

    CVirtualListBox() = default;
    ~CVirtualListBox();
    CVirtualListBox(const CVirtualListBox&) = delete;
    CVirtualListBox& operator=(const CVirtualListBox&) = delete;

    // Creates the list view as a child of p_hParent. p_hResources is the module holding the list's
    // image (IDB_VLIST_IMAGES) and context menu (IDM_VLIST_CONTEXT). The host forwards the list's
    // WM_NOTIFY messages to HandleNotify.
    [[nodiscard]] bool Create(HWND p_hParent, int p_iId, const RECT& p_rcBounds, HINSTANCE p_hResources);
    HWND Handle() const
    {
        return m_hList;
    }

    // Shows the cache's rows (null: an empty list). The cache must outlive its use here.
    void SetCache(CPageCache* p_pCache);
    CPageCache* Cache() const
    {
        return m_pCache;
    }
    void SetPropertiesHandler(PropertiesHandler p_fnHandler)
    {
        m_fnProperties = std::move(p_fnHandler);
    }
    void SetPickHandler(PickHandler p_fnHandler)
    {
        m_fnPicked = std::move(p_fnHandler);
    }

    // The list's display-info, cache-hint and double-click notifications; true when handled, with
    // the result in p_lResult.
    bool HandleNotify(const NMHDR* p_pHeader, LRESULT& p_lResult);

    // The selected rows in order as recipients; a row without entry id is refused with a message
    // box and skipped.
    std::vector<RecipientPtr> PickSelected();

    // The list's own notion of its top row, kept by the paging keys and the thumb.
    int TopRow() const
    {
        return m_iTopRow;
    }
    int ItemsPerPage() const
    {
        return m_iItemsPerPage;
    }

  private:
    static LRESULT CALLBACK SubclassProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam,
                                         UINT_PTR p_uIdSubclass, DWORD_PTR p_dwRefData);
    // True when the message is handled here and must not reach the list view.
    bool OnListMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, LRESULT& p_lResult);
    void OnKeyDown(WPARAM p_wKey);
    void OnThumbPosition(WORD p_wPosition);
    void OnContextMenu(LPARAM p_lParam);
    void RefreshCounts();
    void FillDisplayInfo(LVITEMA& p_oItem);
    void FillDisplayInfo(LVITEMW& p_oItem);
    // The recipient of one row; null when it has no entry id (the user has been told).
    RecipientPtr RecipientOfRow(uint32_t p_ulRow);

    HWND m_hList = nullptr;
    HINSTANCE m_hResources = nullptr;
    CPageCache* m_pCache = nullptr;
    int m_iTopRow = 0;
    int m_iItemsPerPage = 0;
    int m_iItemCount = 0;
    SCROLLINFO m_oScroll{};
    PropertiesHandler m_fnProperties;
    PickHandler m_fnPicked;
};
