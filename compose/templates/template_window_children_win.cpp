// compose/templates/template_window_children_win.cpp: the template editor's children: the rebar with
// the menu bar, the Open/Save buttons and the "Insert Field" bar, the body and the status bar, their
// drop-down menus, tooltips and layout.
#include "compose/templates/template_window_win.h"

#include "common/text_win.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/ui/bars.h"

#include <commctrl.h>
#include <richedit.h>

namespace
{
constexpr BYTE kTextButton = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;

void AddTextButton(HWND p_hBar, int p_iCommand, const std::string& p_sText, BYTE p_bStyle)
{
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = p_iCommand;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = p_bStyle;
    const std::string text = p_sText + std::string(1, '\0');
    button.iString = SendMessageA(p_hBar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(p_hBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

void AddBand(HWND p_hRebar, HWND p_hBar, bool p_bBreak)
{
    SIZE size{};
    SendMessageA(p_hBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (p_bBreak ? RBBS_BREAK : 0);
    band.hwndChild = p_hBar;
    band.cyMinChild = static_cast<UINT>(size.cy < 22 ? 26 : size.cy);
    band.cx = static_cast<UINT>(size.cx + 16);
    band.wID = static_cast<UINT>(GetDlgCtrlID(p_hBar));
    SendMessageA(p_hRebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

unsigned TooltipFor(UINT_PTR p_iCommand)
{
    switch (p_iCommand)
    {
    case ID_FILE_OPEN:
        return kQTipOpenTemplate;
    case ID_FILE_SAVE:
        return kQTipSaveTemplate;
    case ID_TEMPLATE_INSERT_BUTTON:
        return kQTipInsertField;
    default:
        return 0;
    }
}
} // namespace

HWND CTemplateWindow::MakeButtonBar(int p_iId)
{
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 300, 26, m_hRebar, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (bar == nullptr)
        return nullptr;
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    SendMessageA(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ForwardNotifications(bar, m_hWnd);
    return bar;
}

bool CTemplateWindow::CreateChildren()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!CreateMenuBar(instance) || !CreateButtonBars() || !CreateBody())
        return false;
    m_hStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TEMPLATE_STATUS)), instance, nullptr);
    if (m_hStatus == nullptr)
        return false;
    const int parts[2] = {200, -1};
    SendMessageA(m_hStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageA(
        m_hWnd, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLET_BIG), IMAGE_ICON, 32, 32, 0)));
    SendMessageA(
        m_hWnd, WM_SETICON, ICON_SMALL,
        reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLET_SMALL), IMAGE_ICON, 16, 16, 0)));
    return true;
}

bool CTemplateWindow::CreateMenuBar(HINSTANCE p_hInstance)
{
    m_hMenu.reset(LoadMenuA(p_hInstance, MAKEINTRESOURCEA(IDR_TEMPLATE_MENU)));
    m_hRebar = CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                   RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 100, 30, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TEMPLATE_REBAR)),
                               p_hInstance, nullptr);
    if (!m_hMenu || m_hRebar == nullptr)
        return false;
    ForwardNotifications(m_hRebar, m_hWnd);
    // One drop-down button per menu of the menu resource.
    m_hMenuBar = MakeButtonBar(IDC_TEMPLATE_MENUBAR);
    if (m_hMenuBar == nullptr)
        return false;
    for (int i = 0; i < GetMenuItemCount(m_hMenu.get()); ++i)
    {
        char title[64] = {};
        GetMenuStringA(m_hMenu.get(), static_cast<UINT>(i), title, sizeof(title) - 1, MF_BYPOSITION);
        AddTextButton(m_hMenuBar, ID_TEMPLATE_MENU_FIRST + i, title,
                      static_cast<BYTE>(kTextButton | BTNS_WHOLEDROPDOWN));
    }
    AddBand(m_hRebar, m_hMenuBar, false);
    return true;
}

bool CTemplateWindow::CreateButtonBars()
{
    m_hButtons = MakeButtonBar(IDC_TEMPLATE_BUTTONS);
    m_hInsertBar = MakeButtonBar(IDC_TEMPLATE_INSERTBAR);
    if (m_hButtons == nullptr || m_hInsertBar == nullptr)
        return false;
    AddTextButton(m_hButtons, ID_FILE_OPEN, QuilletText(kQTextOpenButton), kTextButton);
    AddTextButton(m_hButtons, ID_FILE_SAVE, QuilletText(kQTextSaveButton), kTextButton);
    AddTextButton(m_hInsertBar, ID_TEMPLATE_INSERT_BUTTON, QuilletText(kQTextInsertFieldButton),
                  static_cast<BYTE>(kTextButton | BTNS_WHOLEDROPDOWN));
    AddBand(m_hRebar, m_hButtons, true);
    AddBand(m_hRebar, m_hInsertBar, false);
    return true;
}

bool CTemplateWindow::CreateBody()
{
    if (!m_oBody.Create(m_hWnd, IDC_TEMPLATE_BODY,
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                        WS_EX_CLIENTEDGE, nullptr, std::string()))
        return false;
    HWND body = m_oBody.Handle();
    SendMessageA(body, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // The same limit as the SMS body the template is generated into.
    SendMessageA(body, EM_LIMITTEXT, 1529, 0);
    SendMessageA(body, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
    return true;
}

void CTemplateWindow::OnSize()
{
    if (m_hStatus == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    SendMessageA(m_hStatus, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(m_hStatus, &status);
    const int iBars = static_cast<int>(SendMessageA(m_hRebar, RB_GETBARHEIGHT, 0, 0));
    MoveWindow(m_hRebar, 0, 0, client.right, iBars, TRUE);
    const int iBody = client.bottom - (status.bottom - status.top) - iBars;
    MoveWindow(m_oBody.Handle(), 0, iBars, client.right, iBody > 0 ? iBody : 0, TRUE);
}

void CTemplateWindow::ShowPopup(HWND p_hBar, int p_iButton, HMENU p_hPopup)
{
    RECT rect{};
    SendMessageA(p_hBar, TB_GETRECT, static_cast<WPARAM>(p_iButton), reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(p_hBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    TrackPopupMenu(p_hPopup, TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom, 0, m_hWnd, nullptr);
}

bool CTemplateWindow::OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult)
{
    if (p_pHeader->code == TBN_DROPDOWN)
    {
        auto* drop = reinterpret_cast<NMTOOLBARA*>(p_pHeader);
        const int iMenus = GetMenuItemCount(m_hMenu.get());
        HMENU popup = nullptr;
        if (drop->iItem >= ID_TEMPLATE_MENU_FIRST && drop->iItem < ID_TEMPLATE_MENU_FIRST + iMenus)
            popup = GetSubMenu(m_hMenu.get(), drop->iItem - ID_TEMPLATE_MENU_FIRST);
        // The insert bar's drop-down: the six kinds, in the Field menu's order.
        unique_hmenu kinds;
        if (drop->iItem == ID_TEMPLATE_INSERT_BUTTON)
        {
            kinds.reset(CreatePopupMenu());
            for (int i = 0; kinds && i < 6; ++i)
                AppendMenuA(kinds.get(), MF_STRING, static_cast<UINT_PTR>(ID_FIELD_INSERT_TEXT + i),
                            QuilletText(kQTextFieldKindFirst + static_cast<unsigned>(i)).c_str());
            popup = kinds.get();
        }
        if (popup != nullptr)
            ShowPopup(p_pHeader->hwndFrom, drop->iItem, popup);
        p_lResult = TBDDRET_DEFAULT;
        return true;
    }
    if (p_pHeader->code == TTN_GETDISPINFOA || p_pHeader->code == TTN_GETDISPINFOW)
    {
        const unsigned id = TooltipFor(p_pHeader->idFrom);
        if (id == 0)
            return false;
        thread_local std::string s_sTip;
        thread_local std::wstring s_wsTip;
        s_sTip = QuilletText(id);
        if (p_pHeader->code == TTN_GETDISPINFOA)
            reinterpret_cast<NMTTDISPINFOA*>(p_pHeader)->lpszText = const_cast<char*>(s_sTip.c_str());
        else
        {
            s_wsTip = AnsiToWide(s_sTip);
            reinterpret_cast<NMTTDISPINFOW*>(p_pHeader)->lpszText = const_cast<wchar_t*>(s_wsTip.c_str());
        }
        return true;
    }
    if (p_pHeader->code == RBN_HEIGHTCHANGE)
    {
        OnSize();
        return true;
    }
    return false;
}
