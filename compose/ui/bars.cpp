// compose/ui/bars.cpp: the bulk and delivery bars.
#include "compose/ui/bars.h"

#include "common/boundary.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/quillet_process_win.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/send_rules.h"

#include <commctrl.h>

#include <cctype>

namespace
{
bool g_bSenderIdWarned = false;

LRESULT CALLBACK ForwardProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam, UINT_PTR, DWORD_PTR p_dwTarget)
{
    return TrapExceptions("ForwardProc", static_cast<LRESULT>(0), [&]() -> LRESULT {
        if (p_uMsg == WM_COMMAND && p_lParam != 0 && reinterpret_cast<HWND>(p_lParam) != p_hWnd)
            return SendMessageA(reinterpret_cast<HWND>(p_dwTarget), p_uMsg, p_wParam, p_lParam);
        if (p_uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(p_lParam)->hwndFrom != p_hWnd)
        {
            // Tooltips of the bar itself stay with the bar.
            const UINT code = reinterpret_cast<NMHDR*>(p_lParam)->code;
            if (code != TTN_GETDISPINFOA && code != TTN_GETDISPINFOW)
                return SendMessageA(reinterpret_cast<HWND>(p_dwTarget), p_uMsg, p_wParam, p_lParam);
        }
        if (p_uMsg == WM_NCDESTROY)
            RemoveWindowSubclass(p_hWnd, &ForwardProc, 1);
        return DefSubclassProc(p_hWnd, p_uMsg, p_wParam, p_lParam);
    });
}

HFONT GuiFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HWND MakeChild(HWND p_hParent, const char* p_szClass, const std::string& p_sText, DWORD p_dwStyle, DWORD p_dwExStyle,
               int p_iX, int p_iWidth, int p_iHeight, int p_iId)
{
    HWND child = CreateWindowExA(p_dwExStyle, p_szClass, p_sText.c_str(), WS_CHILD | WS_VISIBLE | p_dwStyle, p_iX, 2,
                                 p_iWidth, p_iHeight, p_hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                                 GetModuleHandleA(nullptr), nullptr);
    if (child != nullptr)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    return child;
}

int TextWidth(HWND p_hWindow, const std::string& p_sText)
{
    const unique_window_dc dc(p_hWindow);
    const dc_state_guard state(dc.get());
    SelectObject(dc.get(), GuiFont());
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), p_sText.c_str(), static_cast<int>(p_sText.size()), &size);
    return size.cx;
}

HWND MakeBar(HWND p_hRebar, int p_iId)
{
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_LIST |
                                   TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 600, 26, p_hRebar, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p_iId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (bar != nullptr)
    {
        SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
        SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    }
    return bar;
}

// A text button on a bar; returns its right edge.
int AddTextButton(HWND p_hBar, int p_iCommand, const std::string& p_sText)
{
    const INT_PTR text =
        SendMessageA(p_hBar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>((p_sText + std::string(1, '\0')).c_str()));
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = p_iCommand;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    button.iString = text;
    SendMessageA(p_hBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    RECT rect{};
    SendMessageA(p_hBar, TB_GETITEMRECT, SendMessageA(p_hBar, TB_BUTTONCOUNT, 0, 0) - 1,
                 reinterpret_cast<LPARAM>(&rect));
    return rect.right;
}

// A separator that reserves room for a control placed over it; returns its left edge.
int AddSpace(HWND p_hBar, int p_iWidth)
{
    TBBUTTON button{};
    button.iBitmap = p_iWidth;
    button.fsStyle = BTNS_SEP;
    SendMessageA(p_hBar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    RECT rect{};
    SendMessageA(p_hBar, TB_GETITEMRECT, SendMessageA(p_hBar, TB_BUTTONCOUNT, 0, 0) - 1,
                 reinterpret_cast<LPARAM>(&rect));
    return rect.left;
}

void AddTool(HWND p_hTip, HWND p_hOwner, HWND p_hControl, const std::string& p_sText)
{
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = p_hOwner;
    tool.uId = reinterpret_cast<UINT_PTR>(p_hControl);
    tool.lpszText = const_cast<char*>(p_sText.c_str());
    SendMessageA(p_hTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string WindowTextOf(HWND p_hWindow, size_t p_nMax)
{
    return ControlText(p_hWindow).substr(0, p_nMax);
}

INT_PTR CALLBACK SenderIdDialogProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("SenderIdDialogProc", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
            return TRUE;
        if (p_uMsg == WM_COMMAND && (LOWORD(p_wParam) == IDOK || LOWORD(p_wParam) == IDCANCEL))
        {
            const bool bDontShow = IsDlgButtonChecked(p_hDlg, IDC_SENDER_ID_DONT_SHOW) == BST_CHECKED;
            EndDialog(p_hDlg, LOWORD(p_wParam) == IDOK && bDontShow ? 2 : 1);
            return TRUE;
        }
        return FALSE;
    });
}
} // namespace

void ForwardNotifications(HWND p_hBar, HWND p_hTarget)
{
    SetWindowSubclass(p_hBar, &ForwardProc, 1, reinterpret_cast<DWORD_PTR>(p_hTarget));
}

bool CMyBulkbar::Create(HWND p_hRebar, HWND p_hOwner)
{
    m_hWnd = MakeBar(p_hRebar, kIdBulkBar);
    if (m_hWnd == nullptr)
        return false;
    ForwardNotifications(m_hWnd, p_hOwner);
    int x = AddSpace(m_hWnd, 140);
    m_hTokens =
        MakeChild(m_hWnd, WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, x, 140, 200, kIdTokenList);
    AddTextButton(m_hWnd, kIdInsertToken, QuilletText(kQTextInsertToken));
    AddTextButton(m_hWnd, kIdImportList, QuilletText(kQTextImportList));
    const std::string limitLabel = QuilletText(kQTextSMSLimit);
    const int labelWidth = TextWidth(m_hWnd, limitLabel) + 8;
    x = AddSpace(m_hWnd, labelWidth);
    MakeChild(m_hWnd, WC_STATICA, limitLabel, SS_CENTERIMAGE, 0, x + 4, labelWidth - 4, 20, -1);
    x = AddSpace(m_hWnd, 56);
    m_hLimit =
        MakeChild(m_hWnd, WC_EDITA, "10", ES_NUMBER | ES_RIGHT | WS_TABSTOP, WS_EX_CLIENTEDGE, x, 52, 20, kIdSMSLimit);
    SendMessageA(m_hLimit, EM_LIMITTEXT, 10, 0);
    m_hSpin = CreateWindowExA(
        0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 0, 0,
        m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSMSLimitSpin)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(m_hSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(m_hLimit), 0);
    SendMessageA(m_hSpin, UDM_SETRANGE32, 1, 10);
    SendMessageA(m_hSpin, UDM_SETPOS32, 0, 10);
    const std::string option = QuilletText(kQTextSenderId);
    const int optionWidth = TextWidth(m_hWnd, option) + 24;
    x = AddSpace(m_hWnd, optionWidth);
    m_hSenderOption = MakeChild(m_hWnd, WC_BUTTONA, option, BS_AUTOCHECKBOX | WS_TABSTOP, 0, x + 4, optionWidth - 4, 20,
                                kIdSenderIdOption);
    const int idWidth = TextWidth(m_hWnd, "My Company") + 12;
    x = AddSpace(m_hWnd, idWidth);
    m_hSenderId = MakeChild(m_hWnd, WC_EDITA, "", ES_AUTOHSCROLL | WS_TABSTOP | WS_DISABLED, WS_EX_CLIENTEDGE, x,
                            idWidth, 20, kIdSenderId);
    SendMessageA(m_hSenderId, EM_LIMITTEXT, 11, 0);
    SetTokens({});
    return m_hTokens != nullptr && m_hLimit != nullptr && m_hSenderOption != nullptr && m_hSenderId != nullptr;
}

void CMyBulkbar::SetSMSLimit(int p_iLimit)
{
    SetWindowTextA(m_hLimit, std::to_string(p_iLimit).c_str());
}

int CMyBulkbar::SMSLimit() const
{
    return compose::CheckSMSLimit(WindowTextOf(m_hLimit, 10)).m_iValue;
}

bool CMyBulkbar::ValidateSMSLimit(HWND p_hOwner)
{
    const compose::CLimitCheck check = compose::CheckSMSLimit(WindowTextOf(m_hLimit, 10));
    if (check.m_bValid)
        return true;
    (void)ShowMessageBox(p_hOwner, QuilletText(kQMsgSMSLimit), QuilletText(kQCaptionSMSLimit), MB_OK);
    SetFocus(m_hLimit);
    SetWindowTextA(m_hLimit, check.m_sReplacement.c_str());
    SendMessageA(m_hLimit, EM_SETSEL, 0, -1);
    return false;
}

bool CMyBulkbar::SenderIdChecked() const
{
    return SendMessageA(m_hSenderOption, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool CMyBulkbar::ReadSenderId(HWND p_hOwner, bool& p_bHasId, std::string& p_sSenderId)
{
    p_bHasId = false;
    p_sSenderId.clear();
    if (!SenderIdChecked())
        return true;
    const std::string text = WindowTextOf(m_hSenderId, 255);
    switch (compose::CheckSenderId(text))
    {
    case compose::ESenderIdCheck::Empty:
        (void)ShowMessageBox(p_hOwner, QuilletText(kQMsgEmptySenderId), QuilletText(kQCaptionEmptySenderId),
                             MB_OK | MB_ICONWARNING);
        SetFocus(m_hSenderId);
        return false;
    case compose::ESenderIdCheck::NumbersOnly:
        (void)ShowMessageBox(p_hOwner, QuilletText(kQMsgInvalidSenderId), QuilletText(kQCaptionInvalidSenderId),
                             MB_OK | MB_ICONWARNING);
        SetFocus(m_hSenderId);
        SendMessageA(m_hSenderId, EM_SETSEL, 0, -1);
        return false;
    case compose::ESenderIdCheck::Valid:
        break;
    }
    p_bHasId = true;
    p_sSenderId = text;
    return true;
}

void CMyBulkbar::OnSenderIdOption(HWND p_hOwner)
{
    const bool bChecked = SenderIdChecked();
    EnableWindow(m_hSenderId, bChecked ? TRUE : FALSE);
    if (!bChecked)
        return;
    if (!g_bSenderIdWarned)
    {
        g_bSenderIdWarned = true;
        CRegistry registry;
        std::string warned = registry.ReadUserText("WarnSenderID");
        for (char& c : warned)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (warned != "TRUE")
        {
            Log("Showing \"%s\"", QuilletText(kQCaptionSenderIdEnabled).c_str());
            if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SENDER_ID_ENABLED), p_hOwner,
                                &SenderIdDialogProc, 0) == 2)
                (void)registry.WriteUserText("WarnSenderID", "TRUE");
        }
    }
    SetFocus(m_hSenderId);
}

void CMyBulkbar::SetTokens(const std::vector<std::string>& p_vTokens)
{
    m_vTokens = p_vTokens;
    SendMessageA(m_hTokens, CB_RESETCONTENT, 0, 0);
    if (p_vTokens.empty())
        SendMessageA(m_hTokens, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(QuilletText(kQTextNoTokens).c_str()));
    for (const std::string& token : p_vTokens)
        SendMessageA(m_hTokens, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(token.c_str()));
    SendMessageA(m_hTokens, CB_SETCURSEL, 0, 0);
}

bool CMyDeliverybar::Create(HWND p_hRebar, HWND p_hOwner, const LocalClock& p_fnClock)
{
    m_hWnd = MakeBar(p_hRebar, kIdDeliveryBar);
    if (m_hWnd == nullptr)
        return false;
    ForwardNotifications(m_hWnd, p_hOwner);
    const std::string now = QuilletText(kQTextDeliverNow);
    const std::string on = QuilletText(kQTextDeliverOn);
    int width = TextWidth(m_hWnd, now) + 24;
    int x = AddSpace(m_hWnd, width);
    m_hNow = MakeChild(m_hWnd, WC_BUTTONA, now, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, x + 4, width - 4, 20,
                       kIdDeliverNow);
    width = TextWidth(m_hWnd, on) + 24;
    x = AddSpace(m_hWnd, width);
    m_hOn = MakeChild(m_hWnd, WC_BUTTONA, on, BS_AUTORADIOBUTTON, 0, x + 4, width - 4, 20, kIdDeliverOn);
    x = AddSpace(m_hWnd, 96);
    m_hDate = MakeChild(m_hWnd, DATETIMEPICK_CLASSA, "", DTS_SHORTDATEFORMAT | WS_TABSTOP | WS_DISABLED, 0, x, 96, 20,
                        kIdDeliveryDate);
    const std::string at = QuilletText(kQTextDeliverAt);
    width = TextWidth(m_hWnd, at) + 10;
    x = AddSpace(m_hWnd, width);
    MakeChild(m_hWnd, WC_STATICA, at, SS_CENTER | SS_CENTERIMAGE, 0, x, width, 20, -1);
    x = AddSpace(m_hWnd, 90);
    m_hTime = MakeChild(m_hWnd, WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_DISABLED, 0, x, 90,
                        240, kIdDeliveryTime);
    for (int i = 0; i < compose::kTimeEntryCount; ++i)
        SendMessageA(m_hTime, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(compose::TimeEntryText(i).c_str()));
    const CTraceTime today = p_fnClock();
    SendMessageA(m_hTime, CB_SETCURSEL, compose::InitialTimeIndex(today.m_iHour, today.m_iMinute), 0);
    SYSTEMTIME date{};
    date.wYear = static_cast<WORD>(today.m_iYear);
    date.wMonth = static_cast<WORD>(today.m_iMonth);
    date.wDay = static_cast<WORD>(today.m_iDay);
    date.wHour = static_cast<WORD>(today.m_iHour);
    date.wMinute = static_cast<WORD>(today.m_iMinute);
    date.wSecond = static_cast<WORD>(today.m_iSecond);
    SendMessageA(m_hDate, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
    const std::string replies = QuilletText(kQTextReplies);
    width = TextWidth(m_hWnd, replies) + 14;
    x = AddSpace(m_hWnd, width);
    MakeChild(m_hWnd, WC_STATICA, replies, SS_CENTER | SS_CENTERIMAGE, 0, x, width, 20, -1);
    x = AddSpace(m_hWnd, 120);
    m_hReplies = MakeChild(m_hWnd, WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_TABSTOP, 0, x, 120, 100, kIdReplies);
    for (unsigned id : {77u, 78u, 79u})
        SendMessageA(m_hReplies, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(QuilletText(id).c_str()));
    SendMessageA(m_hReplies, CB_SETCURSEL, 1, 0);
    SendMessageA(m_hNow, BM_SETCHECK, BST_CHECKED, 0);
    m_hTip =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, p_hOwner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_hTip != nullptr)
        AddTool(m_hTip, p_hOwner, m_hReplies, QuilletText(kQTipReplies));
    return m_hNow != nullptr && m_hOn != nullptr && m_hDate != nullptr && m_hTime != nullptr && m_hReplies != nullptr;
}

bool CMyDeliverybar::ReadDeliveryTime(CDeliveryTime& p_stTime) const
{
    p_stTime = CDeliveryTime{};
    if (SendMessageA(m_hNow, BM_GETCHECK, 0, 0) == BST_CHECKED)
        return true;
    SYSTEMTIME date{};
    if (SendMessageA(m_hDate, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date)) != GDT_VALID)
        return false;
    const LRESULT selected = SendMessageA(m_hTime, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return false;
    char text[32] = {};
    if (SendMessageA(m_hTime, CB_GETLBTEXTLEN, selected, 0) >= static_cast<LRESULT>(sizeof(text)))
        return false;
    SendMessageA(m_hTime, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
    int hour = 0;
    int minute = 0;
    if (!compose::ParseTimeEntry(text, hour, minute))
        return false;
    p_stTime.m_wYear = date.wYear;
    p_stTime.m_wMonth = date.wMonth;
    p_stTime.m_wDayOfWeek = date.wDayOfWeek;
    p_stTime.m_wDay = date.wDay;
    p_stTime.m_wHour = static_cast<uint16_t>(hour);
    p_stTime.m_wMinute = static_cast<uint16_t>(minute);
    return true;
}

void CMyDeliverybar::OnDeliveryChoice()
{
    const BOOL bOn = SendMessageA(m_hOn, BM_GETCHECK, 0, 0) == BST_CHECKED ? TRUE : FALSE;
    EnableWindow(m_hDate, bOn);
    EnableWindow(m_hTime, bOn);
}

void CMyDeliverybar::SetReplies(int p_iIndex)
{
    SendMessageA(m_hReplies, CB_SETCURSEL, p_iIndex, 0);
}

int CMyDeliverybar::Replies() const
{
    const LRESULT selected = SendMessageA(m_hReplies, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? 1 : static_cast<int>(selected);
}
