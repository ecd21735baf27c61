// oehook/cc_mobile_win.cpp: the "CC Mobile" button and what the note's Send does with it.
#include "oehook/cc_mobile_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "oehook/cc_mobile_text.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/message_view_win.h"
#include "oehook/res/latchkit_resource.h"
#include "oehook/send_mail_win.h"
#include "oehook/subclass_win.h"
#include "oehook/window_roles_win.h"

namespace
{
// The header's fields, as the client numbers them.
constexpr int kFieldTo = 1001;
constexpr int kFieldCc = 1002;
constexpr int kFieldBcc = 1003;
constexpr int kFieldSubject = 1004;
constexpr const char* kCheckedProperty = "Latchkit.CCMobile";
constexpr const char* kEmptySubjectValue = "Mail Empty Subject Warning";
constexpr int kClientDontShowBox = 1001;
// While the note's own Send runs after the user said OK to Latchkit's question.
thread_local bool g_bAnswerClientQuestion = false;

DWORD EmptySubjectSetting()
{
    DWORD value = 0;
    DWORD size = sizeof value;
    const std::string key = ClientSettingsKey() + "\\Dont Show Dialogs";
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), kEmptySubjectValue, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

void SetEmptySubjectSetting(DWORD p_dwValue)
{
    const std::string key = ClientSettingsKey() + "\\Dont Show Dialogs";
    HKEY raw = nullptr;
    if (LOG_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                                           nullptr)) != ERROR_SUCCESS)
        return;
    const unique_hkey owner(raw);
    LOG_IF_WIN32_ERROR(RegSetValueExA(raw, kEmptySubjectValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&p_dwValue),
                                      sizeof p_dwValue));
}

// The client's own empty-subject question: a dialog with the "Don't show me this again" box.
LRESULT CALLBACK ClientQuestionProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (p_nMsg == WM_INITDIALOG)
    {
        const HWND box = GetDlgItem(p_hWnd, kClientDontShowBox);
        if (box != nullptr && ControlText(box) == "&Don't show me this again")
            PostMessageA(p_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        RemoveSubclass(p_hWnd);
    }
    return result;
}

INT_PTR CALLBACK EmptySubjectProc(HWND p_hDlg, UINT p_nMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("EmptySubjectProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_nMsg == WM_INITDIALOG)
        {
            SendDlgItemMessageA(p_hDlg, IDC_LATCHKIT_SUBJECT_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_WARNING)), 0);
            return TRUE;
        }
        if (p_nMsg != WM_COMMAND || (LOWORD(p_wParam) != IDOK && LOWORD(p_wParam) != IDCANCEL))
            return FALSE;
        const bool dontShow = IsDlgButtonChecked(p_hDlg, IDC_LATCHKIT_DONT_SHOW) == BST_CHECKED;
        EndDialog(p_hDlg, LOWORD(p_wParam) == IDCANCEL ? 0 : dontShow ? 2 : 1);
        return TRUE;
    });
}

HWND HeaderOf(HWND p_hNote)
{
    const char* header = Process().m_iMajor <= 4 ? "ATH_NoteHdr" : "OE_Envelope";
    return FindWindowExA(p_hNote, nullptr, header, nullptr);
}

bool IsCCMobileChecked(HWND p_hHeader)
{
    return GetPropA(p_hHeader, kCheckedProperty) != nullptr;
}

void SetCCMobileChecked(HWND p_hHeader, bool p_bChecked)
{
    if (p_bChecked)
        SetPropA(p_hHeader, kCheckedProperty, reinterpret_cast<HANDLE>(1));
    else
        RemovePropA(p_hHeader, kCheckedProperty);
    const HWND button = GetDlgItem(p_hHeader, kCCMobileButtonId);
    if (Process().m_iMajor >= 5)
        SendMessageA(button, BM_SETCHECK, p_bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
    else
        InvalidateRect(button, nullptr, TRUE);
}

// The button sits 10 pixels right of the Cc field, at its top; the field gives up room when the
// header is too narrow for both.
void PlaceCCMobileButton(HWND p_hHeader)
{
    const HWND field = GetDlgItem(p_hHeader, kFieldCc);
    const HWND button = GetDlgItem(p_hHeader, kCCMobileButtonId);
    RECT place{};
    RECT size{};
    RECT client{};
    if (field == nullptr || button == nullptr || !GetWindowRect(field, &place) || !GetWindowRect(button, &size) ||
        !GetClientRect(p_hHeader, &client))
        return;
    MapWindowPoints(nullptr, p_hHeader, reinterpret_cast<POINT*>(&place), 2);
    const int width = size.right - size.left;
    const int room = client.right - 4 - width - 10;
    if (place.right > room && room > place.left + 40)
    {
        place.right = room;
        SetWindowPos(field, nullptr, 0, 0, place.right - place.left, place.bottom - place.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(button, nullptr, place.right + 10, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddCCMobileButton(HWND p_hHeader)
{
    const HWND field = GetDlgItem(p_hHeader, kFieldCc);
    RECT place{};
    if (field == nullptr || !GetWindowRect(field, &place))
        return;
    MapWindowPoints(nullptr, p_hHeader, reinterpret_cast<POINT*>(&place), 2);
    const bool oe4 = Process().m_iMajor <= 4;
    if (oe4)
        Log("Make an ownerdraw button for OE4\n");
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (oe4 ? BS_OWNERDRAW : BS_AUTOCHECKBOX);
    const HWND button = CreateWindowExA(0, "Button", "CC Mobile", style, place.right + 10, place.top, oe4 ? 90 : 80,
                                        oe4 ? 25 : place.bottom - place.top, p_hHeader,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCCMobileButtonId)),
                                        Process().m_hInstance, nullptr);
    if (LOG_IF_WIN32_BOOL_FALSE(button) == nullptr)
        return;
    SendMessageA(button, WM_SETFONT, SendMessageA(field, WM_GETFONT, 0, 0), 0);
    uint32_t defaults = 0;
    std::string signature;
    CRegistry registry;
    registry.GetSendDefaults(defaults, signature);
    SetCCMobileChecked(p_hHeader, (defaults & kSendCCMobile) != 0);
}

// Version 4's owner-drawn button: a flat face with a check box and the caption.
void DrawCCMobileButton(const DRAWITEMSTRUCT& p_oItem)
{
    const bool checked = IsCCMobileChecked(GetParent(p_oItem.hwndItem));
    RECT face = p_oItem.rcItem;
    DrawFrameControl(p_oItem.hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
    const int box = 13;
    RECT check{face.left + 5, (face.top + face.bottom - box) / 2, face.left + 5 + box,
               (face.top + face.bottom + box) / 2};
    DrawFrameControl(p_oItem.hDC, &check, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
    const unique_hfont font(CreateFontA(-MulDiv(8, GetDeviceCaps(p_oItem.hDC, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0,
                                        0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
    const dc_state_guard state(p_oItem.hDC);
    SelectObject(p_oItem.hDC, font.get());
    SetBkMode(p_oItem.hDC, TRANSPARENT);
    RECT text = face;
    text.left = check.right + 4;
    DrawTextA(p_oItem.hDC, "CC Mobile", -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK HeaderProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    LRESULT result = 0;
    const bool handled = TrapExceptions("HeaderProc", false, [&] {
        if (p_nMsg == WM_DRAWITEM && p_wParam == kCCMobileButtonId)
        {
            DrawCCMobileButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(p_lParam));
            result = TRUE;
            return true;
        }
        if (p_nMsg == WM_COMMAND && LOWORD(p_wParam) == kCCMobileButtonId && HIWORD(p_wParam) == BN_CLICKED)
        {
            const bool checked = Process().m_iMajor >= 5
                                     ? SendMessageA(reinterpret_cast<HWND>(p_lParam), BM_GETCHECK, 0, 0) == BST_CHECKED
                                     : !IsCCMobileChecked(p_hWnd);
            SetCCMobileChecked(p_hWnd, checked);
            return true;
        }
        if (p_nMsg == WM_SIZE)
        {
            result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
            PlaceCCMobileButton(p_hWnd);
            return true;
        }
        if (p_nMsg != WM_CREATE)
            return false;
        result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (result != -1)
            AddCCMobileButton(p_hWnd);
        return true;
    });
    if (handled)
        return result;
    if (p_nMsg == WM_NCDESTROY)
        RemovePropA(p_hWnd, kCheckedProperty);
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

// Hands the e-mail's subject and addresses to the launcher, which sends the SMS notices.
void SendCCToMonitor(HWND p_hNote, HWND p_hHeader)
{
    std::vector<std::string> fields;
    for (const int id : {kFieldTo, kFieldCc, kFieldBcc})
        fields.push_back(DialogItemText(p_hHeader, id));
    const std::string text = CCMobileText(DialogItemText(p_hHeader, kFieldSubject), fields);
    COPYDATASTRUCT data{};
    data.cbData = static_cast<DWORD>(text.size() + 1);
    data.lpData = const_cast<char*>(text.c_str());
    DWORD_PTR ignored = 0;
    if (g_oShared.m_hMonitor == nullptr ||
        SendMessageTimeoutA(g_oShared.m_hMonitor, WM_COPYDATA, reinterpret_cast<WPARAM>(p_hNote),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &ignored) == 0)
    {
        LOG_FAILURE("the CC Mobile text did not reach the monitor");
        return;
    }
    PostToMonitor(WM_MON_CC_PHONE, reinterpret_cast<WPARAM>(p_hNote), 0);
}

// Send with "CC Mobile" ticked. False when the user stopped the send at the empty-subject question.
bool SendWithCCMobile(HWND p_hNote, HWND p_hHeader, bool& p_bSuppressQuestion)
{
    p_bSuppressQuestion = false;
    if (TrimmedText(DialogItemText(p_hHeader, kFieldSubject)).empty())
    {
        if (EmptySubjectSetting() != 0)
            Log("Just Send\n");
        else
        {
            const INT_PTR answer = DialogBoxParamA(Process().m_hInstance, MAKEINTRESOURCEA(IDD_LATCHKIT_EMPTY_SUBJECT),
                                                   p_hNote, EmptySubjectProc, 0);
            if (answer <= 0)
                return false;
            if (answer == 2)
                SetEmptySubjectSetting(1);
            else
                p_bSuppressQuestion = true;
        }
    }
    SendCCToMonitor(p_hNote, p_hHeader);
    return true;
}

LRESULT CALLBACK NoteProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_nMsg == WM_COMMAND &&
        TrapExceptions("NoteProc", false, [&] { return HandleNoteSMSCommand(p_hWnd, LOWORD(p_wParam)); }))
        return 0;
    if (p_nMsg != WM_COMMAND || LOWORD(p_wParam) != Process().m_p_oProfile->m_uSendCommand)
        return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    const HWND header = HeaderOf(p_hWnd);
    bool suppress = false;
    bool send = true;
    TrapExceptions("NoteProc", false, [&] {
        if (header != nullptr && IsCCMobileChecked(header))
            send = SendWithCCMobile(p_hWnd, header, suppress);
        return true;
    });
    if (!send)
        return 0;
    // The user has answered the question already: the client's own copy is answered for them.
    g_bAnswerClientQuestion = suppress;
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    g_bAnswerClientQuestion = false;
    return result;
}
} // namespace

bool RecogniseClientQuestion(HWND p_hWnd)
{
    if (!g_bAnswerClientQuestion)
        return false;
    if (!SubclassWindow(p_hWnd, ClientQuestionProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
    return true;
}

void RecogniseNoteHeader(HWND p_hWnd)
{
    if (!SubclassWindow(p_hWnd, HeaderProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
}

void RecogniseNote(HWND p_hWnd)
{
    // Version 4 runs notes on threads of their own: those need the launcher's thread hook.
    const DWORD thread = GetWindowThreadProcessId(p_hWnd, nullptr);
    const HWND browser = g_oShared.m_hBrowser;
    if (Process().m_iMajor <= 4 || (browser != nullptr && GetWindowThreadProcessId(browser, nullptr) != thread))
        PostToMonitor(WM_MON_STOP_GLOBAL_CBT_HOOK, thread, 0);
    if (TakeSendingNote(p_hWnd))
        return;
    if (!SubclassWindow(p_hWnd, NoteProc))
        Log("Failed to set window proc - Error: %lu", GetLastError());
}
