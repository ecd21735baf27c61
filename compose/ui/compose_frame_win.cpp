// compose/ui/compose_frame_win.cpp: CComposeFrame's dialog procedure, shared messages, save
// questions and children, and the bar helpers both frames build with.
#include "compose/ui/compose_frame_win.h"

#include "Addressbook/include/host_messages.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "compose/fields/message_field_win.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/ui/bars.h"
#include "compose/ui/window_object_win.h"

#include <ole2.h>
#include <richedit.h>

namespace
{
// The message an edit command sends to its control.
struct CEditMessage
{
    int m_iCommand;
    UINT m_uMsg;
    WPARAM m_wParam;
    LPARAM m_lParam;
};
constexpr CEditMessage kEditMessages[] = {
    {ID_EDIT_UNDO, EM_UNDO, 0, 0}, {ID_EDIT_REDO, EM_REDO, 0, 0},   {ID_EDIT_CUT, WM_CUT, 0, 0},
    {ID_EDIT_COPY, WM_COPY, 0, 0}, {ID_EDIT_PASTE, WM_PASTE, 0, 0}, {ID_EDIT_SELECT_ALL, EM_SETSEL, 0, -1},
};

// One less than ten parts of 153: the longest body the SMS limit lets through. A template is
// generated into an SMS body, so its body has the same limit.
constexpr WPARAM kBodyLimit = 1529;
} // namespace

CComposeFrame::CComposeFrame(HWND p_hParentWnd, CWindowList* p_p_oWindows, const char* p_szRectValue,
                             std::string p_sOpenFilter, std::string p_sSaveFilter, const char* p_szExtension,
                             int p_iBarWidth)
    : CMyWindow(p_hParentWnd, p_p_oWindows, p_szRectValue, std::move(p_sOpenFilter), std::move(p_sSaveFilter),
                p_szExtension),
      m_iBarWidth(p_iBarWidth)
{
}

INT_PTR CALLBACK CComposeFrame::DialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("CComposeFrame::DialogProc", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
        {
            auto* window = static_cast<CComposeFrame*>(reinterpret_cast<CMyWindow*>(p_lParam));
            if (!AttachWindowObject(p_hDlg, window))
            {
                LOG_FAILURE("the window object cannot be tied to its dialog");
                DestroyWindow(p_hDlg);
                return FALSE;
            }
            window->AdoptDialog(p_hDlg);
            // The opener's window, by which the opener's object finds the windows it is to close.
            SetWindowLongPtrA(p_hDlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window->m_hParentWnd));
            if (!window->Initialise())
            {
                LOG_FAILURE("initialisation failed: %s", window->m_oError.Text().c_str());
                DestroyWindow(p_hDlg);
            }
            return FALSE;
        }
        auto* window = WindowObject<CComposeFrame>(p_hDlg);
        if (window == nullptr || window->m_hWnd != p_hDlg)
            return FALSE;
        if (p_uMsg == WM_DESTROY)
        {
            window->OnDialogDestroyed();
            window->EndThread();
            DetachWindowObject(p_hDlg);
            return TRUE;
        }
        return window->HandleMessage(p_uMsg, p_wParam, p_lParam);
    });
}

void CComposeFrame::EndThread()
{
    if (m_bSendMessage && m_hParentWnd != nullptr)
        SendMessageA(m_hParentWnd, WM_SMS_WINDOWCOUNT, static_cast<WPARAM>(-1), 0);
    OleUninitialize();
    PostQuitMessage(0);
}

INT_PTR CComposeFrame::HandleMessage(UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_uMsg)
    {
    case WM_COMMAND:
        return OnCommand(p_wParam, p_lParam) ? TRUE : FALSE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(reinterpret_cast<NMHDR*>(p_lParam), result))
            return FALSE;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_SIZE:
        OnSize();
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_SMS_FORCECLOSE:
        ForceClose();
        return TRUE;
    case WM_SMS_CLEARMODIFIED:
        m_bModified = false;
        return TRUE;
    default:
        return FALSE;
    }
}

bool CComposeFrame::OnNotify(NMHDR* p_pHeader, LRESULT& p_lResult)
{
    if (p_pHeader->code == TBN_DROPDOWN)
    {
        const int button = reinterpret_cast<NMTOOLBARA*>(p_pHeader)->iItem;
        unique_hmenu owned;
        HMENU popup = nullptr;
        if (button >= m_iFirstMenuButton && button < m_iFirstMenuButton + GetMenuItemCount(m_hMenu.get()))
            popup = GetSubMenu(m_hMenu.get(), button - m_iFirstMenuButton);
        else
            popup = DropDownMenu(button, owned);
        if (popup != nullptr)
            ShowPopup(p_pHeader->hwndFrom, button, popup);
        p_lResult = TBDDRET_DEFAULT;
        return true;
    }
    if (p_pHeader->code == TTN_GETDISPINFOA || p_pHeader->code == TTN_GETDISPINFOW)
    {
        const unsigned id = ToolTipOf(p_pHeader->idFrom);
        if (id == 0)
            return false;
        // The tooltip reads the text after the notification returns.
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

void CComposeFrame::ShowPopup(HWND p_hBar, int p_iButton, HMENU p_hPopup) const
{
    RECT rect{};
    SendMessageA(p_hBar, TB_GETRECT, static_cast<WPARAM>(p_iButton), reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(p_hBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    TrackPopupMenu(p_hPopup, TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom, 0, m_hWnd, nullptr);
}

int CComposeFrame::Box(unsigned p_uCaption, const std::string& p_sText, UINT p_uType)
{
    return ShowMessageBox(m_hWnd, p_sText, QuilletText(p_uCaption), p_uType);
}

bool CComposeFrame::OfferSave(unsigned p_uCaption, unsigned p_uMessage, UINT p_uIcon)
{
    const int answer = Box(p_uCaption, QuilletText(p_uMessage), MB_YESNOCANCEL | p_uIcon);
    return answer != IDCANCEL && (answer != IDYES || Save(false));
}

void CComposeFrame::OfferSaveBeforeForcedClose(unsigned p_uCaption, unsigned p_uMessage)
{
    if (Box(p_uCaption, QuilletText(p_uMessage), MB_YESNO | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND) == IDYES)
        (void)Save(false);
}

void CComposeFrame::CloseNow()
{
    OleFlushClipboard();
    DestroyWindow(m_hWnd);
}

bool CComposeFrame::CreateMenuBar(HINSTANCE p_hInstance, const CMenuBarIds& p_oIds)
{
    m_hMenu.reset(LoadMenuA(p_hInstance, MAKEINTRESOURCEA(p_oIds.m_uMenu)));
    m_hRebar = compose_frame::MakeRebar(m_hWnd, p_oIds.m_iRebar);
    if (!m_hMenu || m_hRebar == nullptr)
        return false;
    ForwardNotifications(m_hRebar, m_hWnd);
    m_hMenuBar = MakeButtonBar(m_hRebar, p_oIds.m_iBar);
    if (m_hMenuBar == nullptr)
        return false;
    m_iFirstMenuButton = p_oIds.m_iFirstButton;
    for (int i = 0; i < GetMenuItemCount(m_hMenu.get()); ++i)
    {
        char title[64] = {};
        GetMenuStringA(m_hMenu.get(), static_cast<UINT>(i), title, sizeof(title) - 1, MF_BYPOSITION);
        compose_frame::AddTextButton(m_hMenuBar, m_iFirstMenuButton + i, title,
                                     static_cast<BYTE>(compose_frame::kTextButton | BTNS_WHOLEDROPDOWN));
    }
    compose_frame::AddBarBand(m_hRebar, m_hMenuBar, false);
    return true;
}

HWND CComposeFrame::MakeButtonBar(HWND p_hParent, int p_iId) const
{
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, m_iBarWidth, 26, p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (bar == nullptr)
        return nullptr;
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    SendMessageA(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    compose_frame::UseDefaultFont(bar);
    ForwardNotifications(bar, m_hWnd);
    return bar;
}

bool CComposeFrame::CreateStatusBar(HINSTANCE p_hInstance, int p_iId, int p_iFirstPart)
{
    m_hStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)), p_hInstance, nullptr);
    if (m_hStatus == nullptr)
        return false;
    const int parts[] = {p_iFirstPart, -1};
    SendMessageA(m_hStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    return true;
}

bool CComposeFrame::CreateBody(CMessageField& p_oBody, int p_iId, LPARAM p_lEventMask) const
{
    if (!p_oBody.Create(m_hWnd, p_iId,
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                        WS_EX_CLIENTEDGE, nullptr, std::string()))
        return false;
    HWND body = p_oBody.Handle();
    compose_frame::UseDefaultFont(body);
    SendMessageA(body, EM_LIMITTEXT, kBodyLimit, 0);
    SendMessageA(body, EM_SETEVENTMASK, 0, p_lEventMask);
    return true;
}

void CComposeFrame::SetIcons(HINSTANCE p_hInstance) const
{
    SendMessageA(
        m_hWnd, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(LoadImageA(p_hInstance, MAKEINTRESOURCEA(IDI_QUILLET_BIG), IMAGE_ICON, 32, 32, 0)));
    SendMessageA(
        m_hWnd, WM_SETICON, ICON_SMALL,
        reinterpret_cast<LPARAM>(LoadImageA(p_hInstance, MAKEINTRESOURCEA(IDI_QUILLET_SMALL), IMAGE_ICON, 16, 16, 0)));
}

int CComposeFrame::PlaceStatusBar() const
{
    SendMessageA(m_hStatus, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(m_hStatus, &status);
    return status.bottom - status.top;
}

HWND compose_frame::MakeRebar(HWND p_hParent, int p_iId)
{
    return CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | RBS_BANDBORDERS |
                               CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                           0, 0, 100, 30, p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                           GetModuleHandleA(nullptr), nullptr);
}

void compose_frame::AddTextButton(HWND p_hBar, int p_iCommand, const std::string& p_sText, BYTE p_bStyle)
{
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = p_iCommand;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = p_bStyle;
    // The toolbar's string list takes a double-null-terminated list.
    const std::string text = p_sText + std::string(1, '\0');
    button.iString = SendMessageA(p_hBar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(p_hBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

SIZE compose_frame::BarSize(HWND p_hBar)
{
    SIZE size{};
    SendMessageA(p_hBar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    if (size.cy < 22)
        size.cy = 26;
    return size;
}

void compose_frame::AddBand(HWND p_hRebar, HWND p_hChild, int p_iWidth, int p_iHeight, bool p_bBreak)
{
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (p_bBreak ? RBBS_BREAK : 0);
    band.hwndChild = p_hChild;
    band.cxMinChild = 0;
    band.cyMinChild = static_cast<UINT>(p_iHeight);
    band.cx = static_cast<UINT>(p_iWidth + 16);
    band.wID = static_cast<UINT>(GetDlgCtrlID(p_hChild));
    SendMessageA(p_hRebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

void compose_frame::AddBarBand(HWND p_hRebar, HWND p_hBar, bool p_bBreak)
{
    const SIZE size = BarSize(p_hBar);
    AddBand(p_hRebar, p_hBar, size.cx, size.cy, p_bBreak);
}

void compose_frame::UseDefaultFont(HWND p_hWnd)
{
    SendMessageA(p_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

bool compose_frame::SendEditCommand(HWND p_hTarget, int p_iCommand)
{
    for (const CEditMessage& edit : kEditMessages)
        if (edit.m_iCommand == p_iCommand)
        {
            SendMessageA(p_hTarget, edit.m_uMsg, edit.m_wParam, edit.m_lParam);
            return true;
        }
    return false;
}
