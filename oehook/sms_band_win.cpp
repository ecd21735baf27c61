// oehook/sms_band_win.cpp: the SMS toolbar band: its buttons from the toolbar definition, tool tips,
// drop-downs and chevron, and showing or hiding it from the rebar's context menu.
#include "oehook/sms_band_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/sms_commands_win.h"

#include <cstdio>

namespace
{
// This process's band image list; the toolbar does not own it.
HIMAGELIST g_hBandImages = nullptr;
bool g_bContextMenuExpected = false;

void DestroyBandImages()
{
    if (g_hBandImages != nullptr)
        ImageList_Destroy(std::exchange(g_hBandImages, nullptr));
}

// One image per entry, in entry order; an entry whose bitmap is missing gets no picture.
std::vector<int> AddBandImages(const std::vector<CToolbarEntry>& p_vEntries)
{
    std::vector<int> images(p_vEntries.size(), I_IMAGENONE);
    DestroyBandImages();
    for (size_t i = 0; i < p_vEntries.size(); ++i)
    {
        const unique_hbitmap face = Process().m_oResources.FaceBitmap(p_vEntries[i].m_uFaceBitmap);
        BITMAP info{};
        if (!face || GetObjectA(face.get(), sizeof info, &info) != sizeof info || info.bmHeight <= 0)
            continue;
        if (g_hBandImages == nullptr)
            g_hBandImages = ImageList_Create(info.bmHeight, info.bmHeight, ILC_COLOR24, 8, 8);
        const int index = g_hBandImages != nullptr ? ImageList_Add(g_hBandImages, face.get(), nullptr) : -1;
        if (index < 0)
            Log("ImageList_Add failed - thats bad\n");
        else
            images[i] = index;
    }
    return images;
}

HWND CreateBandToolbar(HWND p_hRebar)
{
    const std::vector<CToolbarEntry>& entries = Process().m_vToolbar;
    const HWND toolbar = CreateWindowExA(
        0, TOOLBARCLASSNAMEA, nullptr,
        WS_CHILD | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
        0, 0, 0, p_hRebar, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kSMSBandId)), Process().m_hInstance, nullptr);
    if (LOG_IF_WIN32_BOOL_FALSE(toolbar) == nullptr)
        return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageA(toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    const std::vector<int> images = AddBandImages(entries);
    SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(g_hBandImages));
    for (size_t i = 0; i < entries.size(); ++i)
    {
        const CToolbarEntry& entry = entries[i];
        TBBUTTON button{};
        button.iBitmap = images[i];
        button.idCommand = static_cast<int>(kToolbarCommandBase + entry.m_uPosition);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        if (entry.m_eKind == EToolbarEntryKind::DropDownButton)
            button.fsStyle |= BTNS_DROPDOWN;
        else if (entry.m_eKind == EToolbarEntryKind::DropDownList)
            button.fsStyle |= BTNS_WHOLEDROPDOWN;
        button.iString = reinterpret_cast<INT_PTR>(entry.m_sCaption.c_str());
        SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}

const CToolbarEntry* EntryOfCommand(UINT_PTR p_uCommand)
{
    for (const CToolbarEntry& entry : Process().m_vToolbar)
    {
        if (kToolbarCommandBase + entry.m_uPosition == p_uCommand)
            return &entry;
        for (const CToolbarEntry& child : entry.m_vChildren)
            if (kToolbarCommandBase + child.m_uPosition == p_uCommand)
                return &child;
    }
    return nullptr;
}

void ShowDropDown(HWND p_hBrowser, HWND p_hToolbar, int p_iCommand)
{
    const CToolbarEntry* entry = EntryOfCommand(static_cast<UINT_PTR>(p_iCommand));
    RECT button{};
    const LRESULT index = SendMessageA(p_hToolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(p_iCommand), 0);
    if (entry == nullptr || entry->m_vChildren.empty() ||
        !SendMessageA(p_hToolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)))
        return;
    MapWindowPoints(p_hToolbar, nullptr, reinterpret_cast<POINT*>(&button), 2);
    unique_hmenu popup(CreatePopupMenu());
    for (const CToolbarEntry& child : entry->m_vChildren)
        AppendMenuA(popup.get(), MF_STRING, kToolbarCommandBase + child.m_uPosition, child.m_sCaption.c_str());
    TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0, p_hBrowser, nullptr);
}

// The rebar's height changed: the browser lays its panes out again, as after a resize.
void RelayoutBrowser()
{
    const HWND browser = g_oShared.m_hBrowser;
    RECT client{};
    if (browser != nullptr && GetClientRect(browser, &client))
        SendMessageA(browser, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

void StoreToolbarShowing(bool p_bShowing)
{
    CRegistry registry;
    if (!registry.WriteUserText("OEToolbarShowing", p_bShowing ? "True" : "False"))
        LOG_FAILURE("OEToolbarShowing could not be stored");
}
} // namespace

HWND SMSBandToolbar(HWND p_hRebar)
{
    for (HWND child = FindWindowExA(p_hRebar, nullptr, TOOLBARCLASSNAMEA, nullptr); child != nullptr;
         child = FindWindowExA(p_hRebar, child, TOOLBARCLASSNAMEA, nullptr))
        if (GetDlgCtrlID(child) == static_cast<int>(kSMSBandId))
            return child;
    return nullptr;
}

bool AddSMSBand(HWND p_hRebar)
{
    CLatchkitProcess& process = Process();
    if (p_hRebar == nullptr || SendMessageA(p_hRebar, RB_IDTOINDEX, kSMSBandId, 0) >= 0)
        return false;
    if (!process.m_bDefinitionsRead)
        LoadToolbarDefinitions();
    if (process.m_vToolbar.empty())
        return false;
    const HWND toolbar = CreateBandToolbar(p_hRebar);
    if (toolbar == nullptr)
        return false;
    SIZE size{};
    SendMessageA(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_BREAK | RBBS_GRIPPERALWAYS | RBBS_USECHEVRON | (process.m_bToolbarShowing ? 0 : RBBS_HIDDEN);
    band.hwndChild = toolbar;
    band.wID = kSMSBandId;
    band.cyMinChild = size.cy > 0 ? size.cy : 24;
    band.cx = size.cx + 16;
    band.cxIdeal = size.cx;
    if (!SendMessageA(p_hRebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)))
    {
        LOG_FAILURE("RB_INSERTBAND of the SMS band failed");
        unique_hwnd discard(toolbar);
        return false;
    }
    // A hidden band's toolbar stays hidden whatever the rebar does with its children on insertion.
    if (!process.m_bToolbarShowing)
    {
        SendMessageA(p_hRebar, RB_SHOWBAND, static_cast<WPARAM>(SendMessageA(p_hRebar, RB_IDTOINDEX, kSMSBandId, 0)),
                     FALSE);
        ShowWindow(toolbar, SW_HIDE);
    }
    RelayoutBrowser();
    Log("AddSMSBand: %d buttons, %s", static_cast<int>(process.m_vToolbar.size()),
        process.m_bToolbarShowing ? "shown" : "hidden");
    return true;
}

void RemoveSMSBand(HWND p_hRebar)
{
    const LRESULT index = p_hRebar != nullptr ? SendMessageA(p_hRebar, RB_IDTOINDEX, kSMSBandId, 0) : -1;
    if (index >= 0)
    {
        const HWND toolbar = SMSBandToolbar(p_hRebar);
        SendMessageA(p_hRebar, RB_DELETEBAND, static_cast<WPARAM>(index), 0);
        unique_hwnd discard(toolbar);
        RelayoutBrowser();
    }
    DestroyBandImages();
}

void RebuildSMSBand(HWND p_hRebar)
{
    char name[64] = {};
    std::snprintf(name, sizeof name, "ResourceChangingMutex%lu", GetCurrentProcessId());
    const unique_handle mutex(LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, name)));
    const DWORD wait = mutex ? WaitForSingleObject(mutex.get(), INFINITE) : WAIT_FAILED;
    RemoveSMSBand(p_hRebar);
    LoadToolbarDefinitions();
    AddSMSBand(p_hRebar);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        ReleaseMutex(mutex.get());
}

void ToggleSMSBand(HWND p_hRebar)
{
    Log("Show/Hide\n");
    CLatchkitProcess& process = Process();
    process.m_bToolbarShowing = !process.m_bToolbarShowing;
    StoreToolbarShowing(process.m_bToolbarShowing);
    const LRESULT index = SendMessageA(p_hRebar, RB_IDTOINDEX, kSMSBandId, 0);
    if (index >= 0)
    {
        SendMessageA(p_hRebar, RB_SHOWBAND, static_cast<WPARAM>(index), process.m_bToolbarShowing);
        RelayoutBrowser();
    }
    else if (process.m_bToolbarShowing)
        AddSMSBand(p_hRebar);
}

bool HandleBandNotify(HWND p_hBrowser, const NMHDR* p_pHeader, LRESULT& p_lResult)
{
    const HWND toolbar = SMSBandToolbar(g_oShared.m_hRebar);
    if (toolbar == nullptr)
        return false;
    const bool fromToolbar = p_pHeader->hwndFrom == toolbar;
    const bool fromTips = p_pHeader->hwndFrom == reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0));
    if (fromToolbar && p_pHeader->code == TBN_DROPDOWN)
    {
        ShowDropDown(p_hBrowser, toolbar, reinterpret_cast<const NMTOOLBARA*>(p_pHeader)->iItem);
        p_lResult = TBDDRET_DEFAULT;
        return true;
    }
    if (!fromTips || (p_pHeader->code != TTN_GETDISPINFOA && p_pHeader->code != TTN_GETDISPINFOW))
        return false;
    const CToolbarEntry* entry = EntryOfCommand(p_pHeader->idFrom);
    if (entry == nullptr)
        return false;
    static thread_local std::string s_sTip;
    static thread_local std::wstring s_sWideTip;
    s_sTip = entry->m_sToolTip;
    if (p_pHeader->code == TTN_GETDISPINFOA)
        reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(p_pHeader))->lpszText = s_sTip.data();
    else
    {
        s_sWideTip.assign(s_sTip.begin(), s_sTip.end());
        reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(p_pHeader))->lpszText = s_sWideTip.data();
    }
    p_lResult = 0;
    return true;
}

void ShowBandChevron(HWND p_hBrowser, const NMREBARCHEVRON* p_pChevron)
{
    const HWND toolbar = SMSBandToolbar(g_oShared.m_hRebar);
    if (toolbar == nullptr || p_pChevron->wID != kSMSBandId)
        return;
    Log("SMSChevronPopup");
    RECT visible{};
    GetClientRect(toolbar, &visible);
    unique_hmenu popup(CreatePopupMenu());
    const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        RECT button{};
        TBBUTTON info{};
        SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        SendMessageA(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
        const CToolbarEntry* entry = EntryOfCommand(static_cast<UINT_PTR>(info.idCommand));
        if (entry != nullptr && button.right > visible.right)
            AppendMenuA(popup.get(), MF_STRING, static_cast<UINT_PTR>(info.idCommand), entry->m_sCaption.c_str());
    }
    POINT at{p_pChevron->rc.left, p_pChevron->rc.bottom};
    ClientToScreen(p_pChevron->hdr.hwndFrom, &at);
    TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, p_hBrowser, nullptr);
}

void ExpectRebarContextMenu(bool p_bExpect)
{
    g_bContextMenuExpected = p_bExpect;
}

bool RebarContextMenuPending()
{
    return g_bContextMenuExpected;
}

bool AddBarItemToContextMenu(HMENU p_hPopup)
{
    if (!g_bContextMenuExpected || p_hPopup == nullptr)
        return false;
    g_bContextMenuExpected = false;
    const UINT flags = MF_BYPOSITION | MF_STRING | (Process().m_bToolbarShowing ? MF_CHECKED : MF_UNCHECKED);
    const int count = GetMenuItemCount(p_hPopup);
    const UINT at = count < 2 ? static_cast<UINT>(count > 0 ? count : 0) : 2;
    return LOG_IF_WIN32_BOOL_FALSE(InsertMenuA(p_hPopup, at, flags, kCmdShowHideBar, "Brevolt bar")) != FALSE;
}
