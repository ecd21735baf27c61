// wordhook/penhold_subclass_win.cpp: the CBT handler, the "Notify mobile" boxes and the field and
// compose-window subclasses. Everything here runs on the hooked process's user-interface thread.
#include "wordhook/penhold_subclass_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "wordhook/penhold_exports.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

extern HMODULE g_hPenholdModule;

namespace
{
constexpr const char* kComposeClass = "rctrl_renwnd32";
constexpr int kBoxWidth = 90;
constexpr int kBoxHeight = 20;
// The box sits this far inside the parent's right edge; a field with a box ends before it.
constexpr int kBoxInset = 98;
constexpr int kFieldEndWithBox = 105;
constexpr int kFieldEndWithoutBox = 8;
constexpr int kBoxGap = 7;

// Header children by (control id << 16) | style low word.
constexpr UINT kKeyHeaderLine = 0x1001C080;
constexpr UINT kKeyTo = 0x1003D044;
constexpr UINT kKeyCc = 0x1004D044;
constexpr UINT kKeyBcc = 0x1007D044;
constexpr UINT kKeySubject = 0x1005C080;
constexpr UINT kKeySubjectMultiline = 0x1005D080;

struct CSubclassRecord
{
    WNDPROC m_pfnPrevious = nullptr;
    bool m_bCompose = false;
    HWND m_ahBoxes[3] = {}; // compose window: the To, Cc and Bcc boxes
    HWND m_hBox = nullptr;  // field: its box, if it has one
};

// Every window this process's copy of Penhold subclassed, in handle order.
std::map<HWND, CSubclassRecord>& Subclasses()
{
    static std::map<HWND, CSubclassRecord> s_mapSubclasses;
    return s_mapSubclasses;
}

LRESULT CALLBACK FieldProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);
LRESULT CALLBACK ComposeProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);

bool ClassIs(HWND p_hWnd, const char* p_szClass)
{
    char szClass[64] = {};
    return GetClassNameA(p_hWnd, szClass, sizeof szClass) > 0 && std::strcmp(szClass, p_szClass) == 0;
}

int ClientWidth(HWND p_hWnd)
{
    RECT rcClient{};
    return GetClientRect(p_hWnd, &rcClient) ? rcClient.right - rcClient.left : 0;
}

bool CCDefaultTicked()
{
    CRegistry oRegistry;
    uint32_t dwFlags = 0;
    std::string sSignature;
    oRegistry.GetSendDefaults(dwFlags, sSignature);
    return (dwFlags & kSendCCMobile) != 0;
}

// A Unicode window (Outlook's and Word's own fields are) is subclassed through the wide calls, so
// the text messages it passes on are not narrowed to the ANSI code page on their way through.
LONG_PTR WindowProcOf(HWND p_hWnd)
{
    return IsWindowUnicode(p_hWnd) ? GetWindowLongPtrW(p_hWnd, GWLP_WNDPROC) : GetWindowLongPtrA(p_hWnd, GWLP_WNDPROC);
}

LONG_PTR SetWindowProc(HWND p_hWnd, WNDPROC p_pfnProcedure)
{
    const auto value = reinterpret_cast<LONG_PTR>(reinterpret_cast<void*>(p_pfnProcedure));
    return IsWindowUnicode(p_hWnd) ? SetWindowLongPtrW(p_hWnd, GWLP_WNDPROC, value)
                                   : SetWindowLongPtrA(p_hWnd, GWLP_WNDPROC, value);
}

LRESULT CallPrevious(WNDPROC p_pfnPrevious, HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_pfnPrevious == nullptr)
        return IsWindowUnicode(p_hWnd) ? DefWindowProcW(p_hWnd, p_uMsg, p_wParam, p_lParam)
                                       : DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
    return IsWindowUnicode(p_hWnd) ? CallWindowProcW(p_pfnPrevious, p_hWnd, p_uMsg, p_wParam, p_lParam)
                                   : CallWindowProcA(p_pfnPrevious, p_hWnd, p_uMsg, p_wParam, p_lParam);
}

// Replaces the window's procedure and remembers the previous one; false when it could not be done.
bool Subclass(HWND p_hWnd, WNDPROC p_pfnProcedure, const CSubclassRecord& p_oRecord)
{
    SetLastError(0);
    const LONG_PTR previous = SetWindowProc(p_hWnd, p_pfnProcedure);
    if (previous == 0 && GetLastError() != 0)
        return false;
    CSubclassRecord oRecord = p_oRecord;
    oRecord.m_pfnPrevious = reinterpret_cast<WNDPROC>(previous);
    Subclasses()[p_hWnd] = oRecord;
    return true;
}

// Gives the window its previous procedure back, when Penhold's is still the one it has. False
// when another subclass came after Penhold's: Penhold's procedure must then stay reachable.
bool Unsubclass(HWND p_hWnd, const CSubclassRecord& p_oRecord)
{
    if (!IsWindow(p_hWnd))
        return true;
    const auto current = reinterpret_cast<WNDPROC>(WindowProcOf(p_hWnd));
    if (current != &FieldProc && current != &ComposeProc)
    {
        Log("Penhold: window %p was subclassed again after Penhold; its procedure stays", p_hWnd);
        return false;
    }
    SetWindowProc(p_hWnd, p_oRecord.m_pfnPrevious);
    return true;
}

void ApplyDefault(const CSubclassRecord& p_oCompose)
{
    const WPARAM state = CCDefaultTicked() ? BST_CHECKED : BST_UNCHECKED;
    for (HWND hBox : p_oCompose.m_ahBoxes)
        if (hBox != nullptr && IsWindow(hBox))
            SendMessageA(hBox, BM_SETCHECK, state, 0);
}

LRESULT ChoiceOf(const CSubclassRecord& p_oCompose)
{
    LRESULT bits = 0;
    for (int i = 0; i < 3; ++i)
    {
        HWND hBox = p_oCompose.m_ahBoxes[i];
        if (hBox != nullptr && IsWindow(hBox) && SendMessageA(hBox, BM_GETCHECK, 0, 0) == BST_CHECKED)
            bits |= LRESULT(1) << i;
    }
    return bits;
}

// The compose window a header field belongs to: the parent of its parent, or the window above
// that when it is a compose window itself (Outlook nests the header pane one level deeper).
HWND ComposeWindowOf(HWND p_hFieldParent)
{
    HWND hWindow = GetAncestor(p_hFieldParent, GA_PARENT);
    if (hWindow == nullptr || hWindow == GetDesktopWindow())
        return nullptr;
    HWND hAbove = GetAncestor(hWindow, GA_PARENT);
    if (hAbove != nullptr && hAbove != GetDesktopWindow() && ClassIs(hAbove, kComposeClass))
        return hAbove;
    return hWindow;
}

HFONT FontFor(HWND p_hCompose, HWND p_hFieldParent)
{
    for (HWND hWindow : {p_hCompose, p_hFieldParent})
        if (hWindow != nullptr)
            if (auto hFont = reinterpret_cast<HFONT>(SendMessageA(hWindow, WM_GETFONT, 0, 0)))
                return hFont;
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The field gets its box in its parent, at the parent's right edge and the field's y; the compose
// window is subclassed once and keeps the box in the field's slot.
void AddCheckBox(HWND p_hField, CREATESTRUCTA& p_oCreate, int p_iSlot)
{
    HWND hParent = p_oCreate.hwndParent;
    if (hParent == nullptr)
        return;
    const bool bTicked = CCDefaultTicked();
    HWND hBox = LOG_IF_WIN32_BOOL_FALSE(CreateWindowExA(
        0, "Button", "Notify mobile", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, ClientWidth(hParent) - kBoxInset,
        p_oCreate.y, kBoxWidth, kBoxHeight, hParent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdNotifyTo + p_iSlot)), g_hPenholdModule, nullptr));
    if (hBox == nullptr)
        return;
    // The field is made narrower at once, so it never lies over its box before the first layout.
    p_oCreate.cx = std::max(0, ClientWidth(hParent) - p_oCreate.x - kFieldEndWithBox);
    CSubclassRecord oField;
    oField.m_hBox = hBox;
    if (!Subclass(p_hField, &FieldProc, oField))
    {
        DestroyWindow(hBox);
        return;
    }
    HWND hCompose = ComposeWindowOf(hParent);
    SendMessageA(hBox, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(hCompose, hParent)), FALSE);
    SendMessageA(hBox, BM_SETCHECK, bTicked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (hCompose == nullptr)
        return;
    const auto current = reinterpret_cast<WNDPROC>(WindowProcOf(hCompose));
    if (current != &ComposeProc)
    {
        CSubclassRecord oCompose;
        oCompose.m_bCompose = true;
        if (!Subclass(hCompose, &ComposeProc, oCompose))
            return;
    }
    Subclasses()[hCompose].m_ahBoxes[p_iSlot] = hBox;
}

void OnCreateWindow(HWND p_hWnd, CREATESTRUCTA& p_oCreate)
{
    const UINT key = (static_cast<UINT>(reinterpret_cast<UINT_PTR>(p_oCreate.hMenu)) << 16) |
                     (static_cast<UINT>(p_oCreate.style) & 0xFFFF);
    switch (key)
    {
    case kKeyHeaderLine:
        if (p_oCreate.hwndParent != nullptr)
            p_oCreate.cx = ClientWidth(p_oCreate.hwndParent) - p_oCreate.x - kFieldEndWithoutBox;
        break;
    case kKeyTo:
    case kKeyCc:
    case kKeyBcc:
        AddCheckBox(p_hWnd, p_oCreate, key == kKeyTo ? 0 : key == kKeyCc ? 1 : 2);
        break;
    case kKeySubject:
    case kKeySubjectMultiline:
        (void)Subclass(p_hWnd, &FieldProc, CSubclassRecord{});
        break;
    default:
        break;
    }
}

// The field keeps the room for its box at the parent's right edge, and the box follows it.
void KeepBoxAtEdge(HWND p_hField, HWND p_hBox, WINDOWPOS& p_oPos)
{
    HWND hParent = GetParent(p_hField);
    if (hParent == nullptr || ((p_oPos.flags & SWP_NOMOVE) && (p_oPos.flags & SWP_NOSIZE)))
        return;
    RECT rcField{};
    GetWindowRect(p_hField, &rcField);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rcField), 2);
    if (p_oPos.flags & SWP_NOMOVE)
    {
        p_oPos.x = rcField.left;
        p_oPos.y = rcField.top;
    }
    if (p_oPos.flags & SWP_NOSIZE)
        p_oPos.cy = rcField.bottom - rcField.top;
    const bool bWithBox = p_hBox != nullptr && IsWindow(p_hBox);
    p_oPos.cx = std::max(0, ClientWidth(hParent) - p_oPos.x - (bWithBox ? kFieldEndWithBox : kFieldEndWithoutBox));
    p_oPos.flags &= ~static_cast<UINT>(SWP_NOSIZE);
    if (bWithBox)
        SetWindowPos(p_hBox, nullptr, p_oPos.x + p_oPos.cx + kBoxGap, p_oPos.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT FieldMessage(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const auto found = Subclasses().find(p_hWnd);
    if (found == Subclasses().end())
        return CallPrevious(nullptr, p_hWnd, p_uMsg, p_wParam, p_lParam);
    const CSubclassRecord oRecord = found->second;
    switch (p_uMsg)
    {
    case WM_WINDOWPOSCHANGING:
        if (p_lParam != 0)
            KeepBoxAtEdge(p_hWnd, oRecord.m_hBox, *reinterpret_cast<WINDOWPOS*>(p_lParam));
        break;
    case WM_SHOWWINDOW:
        if (oRecord.m_hBox != nullptr && IsWindow(oRecord.m_hBox))
            ShowWindow(oRecord.m_hBox, p_wParam != 0 ? SW_SHOWNA : SW_HIDE);
        break;
    case WM_MOVE:
        InvalidateRect(p_hWnd, nullptr, TRUE);
        if (oRecord.m_hBox != nullptr && IsWindow(oRecord.m_hBox))
            InvalidateRect(oRecord.m_hBox, nullptr, TRUE);
        break;
    case WM_NCDESTROY:
        (void)Unsubclass(p_hWnd, oRecord);
        Subclasses().erase(p_hWnd);
        return CallPrevious(oRecord.m_pfnPrevious, p_hWnd, p_uMsg, p_wParam, p_lParam);
    default:
        break;
    }
    return CallPrevious(oRecord.m_pfnPrevious, p_hWnd, p_uMsg, p_wParam, p_lParam);
}

LRESULT ComposeMessage(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const auto found = Subclasses().find(p_hWnd);
    if (found == Subclasses().end())
        return CallPrevious(nullptr, p_hWnd, p_uMsg, p_wParam, p_lParam);
    const CSubclassRecord oRecord = found->second;
    if (p_uMsg == kMsgCCMobileChoice)
        return ChoiceOf(oRecord);
    if ((p_uMsg == kMsgCCMobileDefaults || p_uMsg == WM_SHOWWINDOW) && p_wParam == 0)
        ApplyDefault(oRecord);
    if (p_uMsg == UnsubclassRequestMessage())
    {
        UnsubclassAll();
        return 1;
    }
    if (p_uMsg == WM_NCDESTROY)
    {
        (void)Unsubclass(p_hWnd, oRecord);
        Subclasses().erase(p_hWnd);
    }
    return CallPrevious(oRecord.m_pfnPrevious, p_hWnd, p_uMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK FieldProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("Penhold FieldProc", LRESULT(0),
                          [&]() { return FieldMessage(p_hWnd, p_uMsg, p_wParam, p_lParam); });
}

LRESULT CALLBACK ComposeProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("Penhold ComposeProc", LRESULT(0),
                          [&]() { return ComposeMessage(p_hWnd, p_uMsg, p_wParam, p_lParam); });
}
} // namespace

LRESULT CALLBACK PenholdCBTProc(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_iCode == HCBT_CREATEWND && p_lParam != 0)
        (void)TrapExceptionsVoid("PenholdCBTProc", [&]() {
            auto* p_oCreate = reinterpret_cast<CBT_CREATEWNDA*>(p_lParam);
            if (p_oCreate->lpcs != nullptr)
                OnCreateWindow(reinterpret_cast<HWND>(p_wParam), *p_oCreate->lpcs);
        });
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

void NotifyComposeWindows()
{
    std::vector<HWND> vCompose;
    for (const auto& [hWnd, oRecord] : Subclasses())
        if (oRecord.m_bCompose)
            vCompose.push_back(hWnd);
    for (HWND hWnd : vCompose)
        SendMessageA(hWnd, kMsgCCMobileDefaults, 0, 0);
}

void UnsubclassAll()
{
    std::map<HWND, CSubclassRecord> mapAll;
    mapAll.swap(Subclasses());
    for (const auto& [hWnd, oRecord] : mapAll)
        if (!Unsubclass(hWnd, oRecord))
            Subclasses()[hWnd] = oRecord;
}

UINT UnsubclassRequestMessage()
{
    static const UINT s_uMessage = RegisterWindowMessageA("Brevolt.Penhold.UnsubclassAll");
    return s_uMessage;
}
