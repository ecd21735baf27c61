// tests/win/addressbook/vlist_test.cpp: the virtual list box in a test window over a seeded contact
// folder, driven by messages as a user drives it: the first page (and its picture), paging keys,
// the thumb, cache hints, the context menu, double-click picks and a row without entry id.
#include <windows.h>
#include <commctrl.h>

#include "Addressbook/addressbook/virtual_listbox_win.h"
#include "Addressbook/res/resource.h"
#include "common/message_box_win.h"
#include "tests/win/addressbook/vlist_test_support.h"
#include "tools/window_picture/window_picture_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vlisttest;

namespace
{
constexpr int kListId = 100;
constexpr uint32_t kFolderRows = 251;
// "Contact 0000003 Team" sorts right after "Contact 0000003".
constexpr int kListRow = 4;

struct CShownBox
{
    std::string m_sText;
    std::string m_sCaption;
    UINT m_uType;
};
std::vector<CShownBox> g_vBoxes;
int RecordBox(HWND, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    g_vBoxes.push_back({p_sText, p_sCaption, p_uType});
    return IDOK;
}

std::string ItemText(HWND p_hList, int p_iItem, int p_iColumn)
{
    char szText[256] = {};
    ListView_GetItemText(p_hList, p_iItem, p_iColumn, szText, sizeof(szText));
    return szText;
}

void SelectOnly(HWND p_hList, const std::vector<int>& p_vRows)
{
    ListView_SetItemState(p_hList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int iRow : p_vRows)
        ListView_SetItemState(p_hList, iRow, LVIS_SELECTED, LVIS_SELECTED);
}

class VirtualListBox : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&icc));
        std::vector<CSeedContact> vContacts;
        for (uint32_t i = 0; i + 1 < kFolderRows; ++i)
            vContacts.push_back(NumberedContact(i));
        vContacts.push_back({"Contact 0000003 Team", "", {}, "IPM.DistList"});
        s_p_oMapi = new CSeededMapi();
        ASSERT_TRUE(s_p_oMapi->Open("brevolt-vlist-test", SeedJson(vContacts)));
        WNDCLASSA oClass{};
        oClass.lpfnWndProc = HostProc;
        oClass.hInstance = GetModuleHandleA(nullptr);
        oClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        oClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        oClass.lpszClassName = "BrevoltVListHost";
        ASSERT_NE(RegisterClassA(&oClass), 0);
    }
    static void TearDownTestSuite()
    {
        s_p_oMapi->Close();
        delete s_p_oMapi;
        CoUninitialize();
    }
    void SetUp() override
    {
        g_vBoxes.clear();
        SetMessageBoxFunction(RecordBox);
        m_hHost = CreateWindowExA(0, "BrevoltVListHost", "Select Recipients", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  560, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_hHost, nullptr);
        g_pList = &m_oList;
        RECT rcClient{};
        GetClientRect(m_hHost, &rcClient);
        ASSERT_TRUE(m_oList.Create(m_hHost, kListId, rcClient, GetModuleHandleA(nullptr)));
        m_hList = m_oList.Handle();
        com_ptr<IMAPITable> pTable = s_p_oMapi->SortedContactsTable();
        ASSERT_TRUE(pTable);
        ASSERT_EQ(MakeContactPageCache(pTable.get(), s_p_oMapi->EmailTags(), m_oLookup, m_pCache), S_OK);
        m_oList.SetCache(&m_pCache->Cache());
        UpdateWindow(m_hHost);
        Pump();
    }
    void TearDown() override
    {
        DestroyWindow(m_hHost);
        g_pList = nullptr;
        SetMessageBoxFunction(nullptr);
    }
    CPageCache& Cache()
    {
        return m_pCache->Cache();
    }
    // The thumb dragged to p_dFraction of its track and let go; the row it was let go at.
    int DragTo(double p_dFraction)
    {
        EXPECT_TRUE(DragThumb(m_hList, p_dFraction));
        UpdateWindow(m_hList);
        Pump();
        return m_oList.TopRow();
    }

    static CSeededMapi* s_p_oMapi;
    CTableLookup m_oLookup;
    std::unique_ptr<CMapiPageCache> m_pCache;
    CVirtualListBox m_oList;
    HWND m_hHost = nullptr;
    HWND m_hList = nullptr;
};
CSeededMapi* VirtualListBox::s_p_oMapi = nullptr;

TEST_F(VirtualListBox, FirstPageShowsNamesMobilesAndEmailsFromAFewPages)
{
    EXPECT_EQ(ListView_GetItemCount(m_hList), static_cast<int>(kFolderRows));
    EXPECT_GT(m_oList.ItemsPerPage(), 5);
    EXPECT_EQ(m_oList.TopRow(), 0);
    char szHeading[32] = {};
    LVCOLUMNA oColumn{};
    oColumn.mask = LVCF_TEXT;
    oColumn.pszText = szHeading;
    oColumn.cchTextMax = sizeof(szHeading);
    const char* const aHeadings[] = {"Name", "Mobile", "Email"};
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(ListView_GetColumn(m_hList, i, &oColumn));
        EXPECT_STREQ(szHeading, aHeadings[i]);
    }
    EXPECT_EQ(ItemText(m_hList, 0, 0), "Contact 0000000");
    EXPECT_EQ(ItemText(m_hList, 0, 1), "+447700900000");
    EXPECT_EQ(ItemText(m_hList, 0, 2), "contact0000000@example.com");
    // The distribution list carries the list image and no mobile.
    EXPECT_EQ(ItemText(m_hList, kListRow, 0), "Contact 0000003 Team");
    EXPECT_EQ(ItemText(m_hList, kListRow, 1), "");
    EXPECT_EQ(ListView_GetItemState(m_hList, kListRow, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_EQ(ListView_GetItemState(m_hList, 0, LVIS_STATEIMAGEMASK), 0u);
    EXPECT_NE(ListView_GetImageList(m_hList, LVSIL_STATE), nullptr);
    // Only the pages of the screen were read.
    const int iScreenPages = (m_oList.ItemsPerPage() + 9) / 10 + 1;
    EXPECT_LE(Cache().ResidentPages(), iScreenPages);
    EXPECT_LE(m_pCache->Counters().m_ullRowsRead, static_cast<uint64_t>(iScreenPages) * 10);
    CreateDirectoryA(ARTIFACTS_DIR, nullptr);
    EXPECT_TRUE(SaveWindowBitmap(m_hHost, ARTIFACTS_DIR "/vlist_first_page.bmp"));
}

TEST_F(VirtualListBox, PagingKeysMoveTheTopRowWithinTheList)
{
    const int iPage = m_oList.ItemsPerPage();
    ASSERT_GT(iPage, 0);
    SetFocus(m_hList);
    SendMessageA(m_hList, WM_KEYDOWN, VK_PRIOR, 0);
    EXPECT_EQ(m_oList.TopRow(), 0) << "not above the first row";
    SendMessageA(m_hList, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(m_oList.TopRow(), iPage);
    SendMessageA(m_hList, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(m_oList.TopRow(), 2 * iPage);
    SendMessageA(m_hList, WM_KEYDOWN, VK_PRIOR, 0);
    EXPECT_EQ(m_oList.TopRow(), iPage);
    SendMessageA(m_hList, WM_KEYDOWN, VK_END, 0);
    UpdateWindow(m_hList);
    Pump();
    EXPECT_EQ(m_oList.TopRow(), static_cast<int>(kFolderRows));
    EXPECT_GE(ListView_GetTopIndex(m_hList), static_cast<int>(kFolderRows) - iPage - 1);
    EXPECT_EQ(ItemText(m_hList, kFolderRows - 1, 0), "Contact 0000249");
    SendMessageA(m_hList, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(m_oList.TopRow(), static_cast<int>(kFolderRows)) << "not beyond the item count";
    SendMessageA(m_hList, WM_KEYDOWN, VK_HOME, 0);
    UpdateWindow(m_hList);
    Pump();
    EXPECT_EQ(m_oList.TopRow(), 0);
    EXPECT_EQ(ListView_GetTopIndex(m_hList), 0);
    EXPECT_LE(Cache().ResidentRows(), 120u);
    // A new cache puts the top back.
    SendMessageA(m_hList, WM_KEYDOWN, VK_NEXT, 0);
    m_oList.SetCache(&Cache());
    EXPECT_EQ(m_oList.TopRow(), 0);
}

TEST_F(VirtualListBox, ThumbReadsOnlyWhereItIsLetGo)
{
    const uint64_t ullBefore = m_pCache->Counters().m_ullRowsRead;
    // Tracking alone reads nothing and does not scroll; end-scroll is swallowed.
    SendMessageA(m_hList, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 120), 0);
    SendMessageA(m_hList, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    UpdateWindow(m_hList);
    Pump();
    EXPECT_EQ(m_pCache->Counters().m_ullRowsRead, ullBefore);
    EXPECT_EQ(ListView_GetTopIndex(m_hList), 0);

    // Dragged down: the row at the thumb becomes the top row; the rows passed over are not read.
    const int iDown = DragTo(0.6);
    EXPECT_GT(iDown, 100);
    EXPECT_LT(iDown, 200);
    EXPECT_EQ(ListView_GetTopIndex(m_hList), iDown);
    EXPECT_TRUE(Cache().IsResident(iDown / 10));
    EXPECT_FALSE(Cache().IsResident(8));
    const uint64_t ullScreen = static_cast<uint64_t>(m_oList.ItemsPerPage() + 20);
    EXPECT_LE(m_pCache->Counters().m_ullRowsRead - ullBefore, ullScreen);
    // Dragged up: the row at the thumb is shown at the top.
    const int iUp = DragTo(0.2);
    EXPECT_LT(iUp, iDown);
    EXPECT_EQ(ListView_GetTopIndex(m_hList), iUp);

    // A thumb position sent by another program carries the row in its high word.
    SendMessageA(m_hList, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 150), 0);
    UpdateWindow(m_hList);
    EXPECT_EQ(m_oList.TopRow(), 150);
    EXPECT_EQ(ListView_GetTopIndex(m_hList), 150);
    // Past the end it is capped at the last row.
    SendMessageA(m_hList, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5000), 0);
    UpdateWindow(m_hList);
    EXPECT_EQ(m_oList.TopRow(), static_cast<int>(kFolderRows) - 1);
    EXPECT_EQ(ListView_GetTopIndex(m_hList), static_cast<int>(kFolderRows) - m_oList.ItemsPerPage());
    EXPECT_LE(Cache().ResidentRows(), 120u);
}

TEST_F(VirtualListBox, CacheHintsReadEveryPageTheRangeTouches)
{
    NMLVCACHEHINT oHint{};
    oHint.hdr.hwndFrom = m_hList;
    oHint.hdr.idFrom = kListId;
    oHint.hdr.code = LVN_ODCACHEHINT;
    oHint.iFrom = 205;
    oHint.iTo = 226;
    SendMessageA(m_hHost, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&oHint));
    for (int iPage : {20, 21, 22})
        EXPECT_TRUE(Cache().IsResident(iPage)) << iPage;
    EXPECT_FALSE(Cache().IsResident(19));
    EXPECT_FALSE(Cache().IsResident(23));
    // A backwards range reads nothing.
    oHint.iFrom = 90;
    oHint.iTo = 80;
    SendMessageA(m_hHost, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&oHint));
    EXPECT_FALSE(Cache().IsResident(8));
}

// The open context menu, looked at (and answered) from a timer inside its modal loop.
struct CMenuVisit
{
    UINT m_uState = 0xFFFFFFFF;
    bool m_bChoose = false;
};
CMenuVisit g_oVisit;
void CALLBACK VisitMenu(HWND, UINT, UINT_PTR p_uId, DWORD)
{
    HWND hMenuWindow = FindWindowA("#32768", nullptr);
    if (hMenuWindow == nullptr)
        return;
    KillTimer(nullptr, p_uId);
    auto hMenu = reinterpret_cast<HMENU>(SendMessageA(hMenuWindow, MN_GETHMENU, 0, 0));
    g_oVisit.m_uState = hMenu ? GetMenuState(hMenu, IDM_VLIST_PROPERTIES, MF_BYCOMMAND) : 0xFFFFFFFF;
    if (g_oVisit.m_bChoose)
    {
        PostMessageA(hMenuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(hMenuWindow, WM_KEYDOWN, VK_RETURN, 0);
    }
    else
        EndMenu();
}

UINT OpenContextMenu(HWND p_hList, bool p_bChoose, bool p_bKeyboard = false)
{
    g_oVisit = CMenuVisit{};
    g_oVisit.m_bChoose = p_bChoose;
    SetTimer(nullptr, 0, 50, VisitMenu);
    RECT rc{};
    GetWindowRect(p_hList, &rc);
    // From the keyboard (Shift+F10) the position is -1 and the menu opens at the selected row.
    const LPARAM lAt = p_bKeyboard ? static_cast<LPARAM>(-1) : MAKELPARAM(rc.left + 40, rc.top + 40);
    SendMessageA(p_hList, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(p_hList), lAt);
    return g_oVisit.m_uState;
}

TEST_F(VirtualListBox, ContextMenuPropertiesNeedsExactlyOneRow)
{
    std::vector<uint32_t> vAsked;
    m_oList.SetPropertiesHandler([&](uint32_t p_ulRow) { vAsked.push_back(p_ulRow); });
    SelectOnly(m_hList, {});
    EXPECT_TRUE(OpenContextMenu(m_hList, false) & MF_GRAYED);
    SelectOnly(m_hList, {1, 2});
    EXPECT_TRUE(OpenContextMenu(m_hList, false) & MF_GRAYED);
    SelectOnly(m_hList, {2});
    const UINT uState = OpenContextMenu(m_hList, true);
    ASSERT_NE(uState, 0xFFFFFFFFu) << "the menu did not open";
    EXPECT_FALSE(uState & MF_GRAYED);
    ASSERT_EQ(vAsked.size(), 1u);
    EXPECT_EQ(vAsked[0], 2u);
    SelectOnly(m_hList, {7});
    EXPECT_FALSE(OpenContextMenu(m_hList, true, true) & MF_GRAYED);
    ASSERT_EQ(vAsked.size(), 2u);
    EXPECT_EQ(vAsked[1], 7u);
}

TEST_F(VirtualListBox, DoubleClickPicksTheSelectedRowsIntoRecipients)
{
    std::vector<RecipientPtr> vPicked;
    m_oList.SetPickHandler([&](std::vector<RecipientPtr> p_v) {
        for (auto& p : p_v)
            vPicked.push_back(std::move(p));
    });
    RECT rcItem{};
    ASSERT_TRUE(ListView_GetItemRect(m_hList, 1, &rcItem, LVIR_LABEL));
    const LPARAM lAt = MAKELPARAM(rcItem.left + 5, (rcItem.top + rcItem.bottom) / 2);
    SendMessageA(m_hList, WM_LBUTTONDOWN, MK_LBUTTON, lAt);
    SendMessageA(m_hList, WM_LBUTTONUP, 0, lAt);
    SendMessageA(m_hList, WM_LBUTTONDBLCLK, MK_LBUTTON, lAt);
    SendMessageA(m_hList, WM_LBUTTONUP, 0, lAt);
    Pump();
    ASSERT_EQ(vPicked.size(), 1u);
    const CMessageRecipient& oPerson = *vPicked[0];
    EXPECT_STREQ(oPerson.m_szName, "Contact 0000001");
    EXPECT_STREQ(oPerson.m_szDisplayText, "Contact 0000001");
    EXPECT_STREQ(oPerson.m_szMobile, "+447700900001");
    EXPECT_STREQ(oPerson.m_szEmail, "contact0000001@example.com");
    EXPECT_EQ(oPerson.m_iKind, kKindIndividual);
    ASSERT_NE(oPerson.m_p_oEntry, nullptr);
    EXPECT_EQ(oPerson.m_p_oEntry->m_iKind, EID_TYPE_STORE);
    const std::optional<CEntryBytes> ovEntry = Cache().EntryIdOf(1);
    ASSERT_TRUE(ovEntry);
    ASSERT_EQ(oPerson.m_p_oEntry->m_dwByteCount, ovEntry->size());
    EXPECT_TRUE(std::equal(ovEntry->begin(), ovEntry->end(), oPerson.m_p_oEntry->m_p_bBytes));

    // The add buttons take every selected row in order; the list comes as a list recipient.
    SelectOnly(m_hList, {kListRow, 0});
    std::vector<RecipientPtr> vAdded = m_oList.PickSelected();
    ASSERT_EQ(vAdded.size(), 2u);
    EXPECT_STREQ(vAdded[0]->m_szName, "Contact 0000000");
    EXPECT_STREQ(vAdded[1]->m_szName, "Contact 0000003 Team");
    EXPECT_EQ(vAdded[1]->m_iKind, kKindDistList);
    EXPECT_TRUE(g_vBoxes.empty());
}

// A folder of three rows, the middle one without entry id, read from memory.
class CMemorySource : public IPageRowSource
{
  public:
    bool SeekRow(uint32_t p_ulRow) override
    {
        m_ulAt = p_ulRow;
        return true;
    }
    bool QueryRows(uint32_t p_ulCount, std::vector<CSourceRow>& p_vRows) override
    {
        const std::vector<ULONG> vColumns = ABPageColumns();
        const char* const aNames[] = {"Amy Address", "Ben Blank", "Cy Contact"};
        for (; p_ulCount > 0 && m_ulAt < 3; --p_ulCount, ++m_ulAt)
        {
            CSourceRow vRow;
            for (ULONG ulTag : vColumns)
                vRow.push_back({ulTag, CSourceValue()});
            if (m_ulAt != 1)
                vRow[0].m_vValue = CEntryBytes{0xAB, static_cast<uint8_t>(m_ulAt)};
            vRow[1].m_vValue = int64_t{MAPI_MAILUSER};
            vRow[2].m_vValue = std::string(aNames[m_ulAt]);
            vRow[3].m_vValue = std::string("+44770090012") + char('0' + m_ulAt);
            p_vRows.push_back(std::move(vRow));
        }
        return true;
    }
    uint32_t m_ulAt = 0;
};

TEST_F(VirtualListBox, ARowWithoutEntryIdIsRefusedAndSkipped)
{
    CMemorySource oSource;
    const auto pDecoder = MakeABPageDecoder(m_oLookup);
    CPageCache oCache(oSource, *pDecoder);
    ASSERT_TRUE(oCache.SetUp(3));
    m_oList.SetCache(&oCache);
    SelectOnly(m_hList, {0, 1, 2});
    std::vector<RecipientPtr> vPicked = m_oList.PickSelected();
    ASSERT_EQ(vPicked.size(), 2u);
    EXPECT_STREQ(vPicked[0]->m_szName, "Amy Address");
    EXPECT_STREQ(vPicked[1]->m_szName, "Cy Contact");
    EXPECT_EQ(vPicked[1]->m_p_oEntry->m_iKind, EID_TYPE_AB);
    ASSERT_EQ(g_vBoxes.size(), 1u);
    EXPECT_EQ(g_vBoxes[0].m_sCaption, "Cant use this entry");
    EXPECT_EQ(g_vBoxes[0].m_sText, "This is not a valid mail recipient. This entry cannot be used.");
    m_oList.SetCache(nullptr);
    EXPECT_EQ(ListView_GetItemCount(m_hList), 0);
    EXPECT_TRUE(m_oList.PickSelected().empty());
}

// A table whose every query fails.
class CFailingSource : public IPageRowSource
{
  public:
    bool SeekRow(uint32_t) override
    {
        return true;
    }
    bool QueryRows(uint32_t, std::vector<CSourceRow>&) override
    {
        return false;
    }
};

TEST_F(VirtualListBox, AnUnreadablePageShowsEmptyRowsAndTheListCarriesOn)
{
    CFailingSource oSource;
    const auto pDecoder = MakeABPageDecoder(m_oLookup);
    CPageCache oCache(oSource, *pDecoder, ShowPageCacheAssertion);
    ASSERT_TRUE(oCache.SetUp(40));
    m_oList.SetCache(&oCache);
    UpdateWindow(m_hList);
    EXPECT_EQ(ItemText(m_hList, 0, 0), "");
    EXPECT_EQ(oCache.ResidentPages(), 0);
    ASSERT_FALSE(g_vBoxes.empty());
    for (const CShownBox& oBox : g_vBoxes)
        EXPECT_EQ(oBox.m_sCaption, "MAPI Virtual Listbox");
    EXPECT_NE(g_vBoxes[0].m_sText.find(": pRow"), std::string::npos) << g_vBoxes[0].m_sText;
    // Back on a readable cache, the rows show.
    m_oList.SetCache(&Cache());
    EXPECT_EQ(ItemText(m_hList, 2, 0), "Contact 0000002");
}

TEST_F(VirtualListBox, AssertionsGoToATaskModalWarningBox)
{
    ShowPageCacheAssertion("Addressbook\\PageCache", 12, "pRow");
    ASSERT_EQ(g_vBoxes.size(), 1u);
    EXPECT_EQ(g_vBoxes[0].m_sCaption, "MAPI Virtual Listbox");
    EXPECT_EQ(g_vBoxes[0].m_sText, "Assertion failed in file Addressbook\\PageCache at line 12: pRow");
    EXPECT_EQ(g_vBoxes[0].m_uType & MB_TASKMODAL, static_cast<UINT>(MB_TASKMODAL));
    EXPECT_EQ(g_vBoxes[0].m_uType & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
}

// The rows of an unreadable page assert while the first box is up; the user sees one box.
int AssertAgainWhileShown(HWND p_hOwner, const std::string& p_sText, const std::string& p_sCaption, UINT p_uType)
{
    RecordBox(p_hOwner, p_sText, p_sCaption, p_uType);
    ShowPageCacheAssertion("Addressbook\\PageCache", 13, "pRow");
    return IDOK;
}

TEST_F(VirtualListBox, AssertionsRaisedUnderAnOpenBoxAreOnlyLogged)
{
    SetMessageBoxFunction(AssertAgainWhileShown);
    ShowPageCacheAssertion("Addressbook\\PageCache", 12, "pRow");
    EXPECT_EQ(g_vBoxes.size(), 1u);
    // Once the box is closed the next assertion is shown again.
    ShowPageCacheAssertion("Addressbook\\PageCache", 14, "prs");
    EXPECT_EQ(g_vBoxes.size(), 2u);
}
} // namespace
