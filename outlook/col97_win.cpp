// outlook/col97_win.cpp: the Outlook 97/98 hooks: clicks on the plug-in's command-bar buttons, the
// windows the client makes, and the explorer's close held back while the core library starts up.
#include "outlook/col97_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/late_bound_win.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "outlook/exchext_win.h"
#include "outlook/plugin_strings.h"

#include <oleacc.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace
{
constexpr LPARAM kCustomizeSelection = 0x16;
constexpr char kStartupMutex[] = "SMSStartupMutex";

enum class ESubclass
{
    Explorer,
    FormsIdle,
    OfficeDialog,
    Dialog,
};

struct CSubclass
{
    WNDPROC m_pfnOriginal = nullptr;
    ESubclass m_eKind = ESubclass::Explorer;
    // Still ours to remove; false once another procedure went over it (it then only passes on).
    bool m_bActive = true;
};

// Everything below lives on the client's one UI thread, where the hooks run.
std::vector<COL97*> g_vInstances;
unique_hhook g_hMouseHook;
unique_hhook g_hCbtHook;
int g_iHostVersionCode = 0;
UINT g_uObjectSelection = 0;
UINT g_uFormsIdle = 0;
// The Office "Customize" dialog while it is open.
HWND g_hCustomize = nullptr;
std::map<HWND, CSubclass> g_mSubclasses;

struct CPressed
{
    COL97* m_pOwner = nullptr;
    com_ptr<IDispatch> m_p_oControl;
};
CPressed g_oPressed;

std::string ClassOf(HWND p_hWnd)
{
    char name[64] = {};
    GetClassNameA(p_hWnd, name, sizeof name);
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

void ReportApiFailure(const char* p_szCall, const char* p_szFunction, DWORD p_dwError)
{
    ShowMessageBox(GetDesktopWindow(),
                   PluginText(plugin_string::kApiFailed, p_szCall, static_cast<long>(p_dwError), p_szFunction),
                   PluginText(plugin_string::kErrorOccurred), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

LRESULT CALLBACK SubclassProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam);

bool Subclass(HWND p_hWnd, ESubclass p_eKind)
{
    if (g_mSubclasses.count(p_hWnd) != 0)
        return true;
    SetLastError(0);
    const auto original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(p_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    if (original == nullptr && GetLastError() != 0)
    {
        Log("Failed to set window proc - Error: %d", static_cast<int>(GetLastError()));
        return false;
    }
    g_mSubclasses[p_hWnd] = CSubclass{original, p_eKind, true};
    return true;
}

void Unsubclass(HWND p_hWnd)
{
    const auto found = g_mSubclasses.find(p_hWnd);
    if (found == g_mSubclasses.end() || !found->second.m_bActive)
        return;
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(p_hWnd, GWLP_WNDPROC));
    if (current != &SubclassProc)
    {
        // Another procedure calls ours: ours stays in its chain, passing everything on.
        found->second.m_bActive = false;
        return;
    }
    SetWindowLongPtrA(p_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.m_pfnOriginal));
    g_mSubclasses.erase(found);
}

// Whether another component holds "SMSStartupMutex" now (the core library while it starts up).
bool StartupMutexHeld()
{
    const unique_handle mutex(OpenMutexA(SYNCHRONIZE, FALSE, kStartupMutex));
    if (!mutex)
        return false;
    const DWORD waited = WaitForSingleObject(mutex.get(), 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
    {
        ReleaseMutex(mutex.get());
        return false;
    }
    return waited == WAIT_TIMEOUT;
}

struct CDisabledArea
{
    RECT m_rcFreed{};
    bool m_bAny = false;
};

BOOL CALLBACK DisableChild(HWND p_hChild, LPARAM p_lParam)
{
    auto* area = reinterpret_cast<CDisabledArea*>(p_lParam);
    const std::string kind = ClassOf(p_hChild);
    if (kind == "MSOUNISTAT")
    {
        RECT place{};
        GetWindowRect(p_hChild, &place);
        MapWindowPoints(nullptr, GetParent(p_hChild), reinterpret_cast<POINT*>(&place), 2);
        if (area->m_bAny)
            UnionRect(&area->m_rcFreed, &area->m_rcFreed, &place);
        else
            area->m_rcFreed = place;
        area->m_bAny = true;
        ShowWindow(p_hChild, SW_HIDE);
    }
    else if (kind == "BUTTON" && ControlText(p_hChild) == "OK")
        EnableWindow(p_hChild, FALSE);
    return TRUE;
}

// The dialog Customize opens on Outlook 98 crashes the client: its commands are hidden, OK is
// disabled, and a note says why in the freed place.
void DisableCustomizeDialog(HWND p_hDialog)
{
    CDisabledArea area;
    EnumChildWindows(p_hDialog, &DisableChild, reinterpret_cast<LPARAM>(&area));
    if (!area.m_bAny)
        return;
    const std::string text =
        PluginText(plugin_string::kFunctionDisabled, PluginText(plugin_string::kProductTitle).c_str());
    HWND note = CreateWindowExA(0, "Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, area.m_rcFreed.left,
                                area.m_rcFreed.top, area.m_rcFreed.right - area.m_rcFreed.left,
                                area.m_rcFreed.bottom - area.m_rcFreed.top, p_hDialog, nullptr,
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(p_hDialog, GWLP_HINSTANCE)), nullptr);
    if (!LOG_IF_WIN32_BOOL_FALSE(note))
        return;
    SendMessageA(note, WM_SETFONT, static_cast<WPARAM>(SendMessageA(p_hDialog, WM_GETFONT, 0, 0)), FALSE);
}

// A message the subclass handles itself; false to pass it on.
bool OwnMessage(HWND p_hWnd, ESubclass p_eKind, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_eKind)
    {
    case ESubclass::Explorer:
        if (p_uMsg == WM_CLOSE && StartupMutexHeld())
        {
            Log("COL97: the close waits for %s\n", kStartupMutex);
            (void)LOG_IF_WIN32_BOOL_FALSE(SetTimer(p_hWnd, kStartupWaitTimer, kStartupWaitMs, nullptr));
            return true;
        }
        if (p_uMsg == WM_TIMER && p_wParam == kStartupWaitTimer)
        {
            if (!StartupMutexHeld())
            {
                KillTimer(p_hWnd, kStartupWaitTimer);
                Unsubclass(p_hWnd);
                PostMessageA(p_hWnd, WM_CLOSE, 0, 0);
            }
            return true;
        }
        return false;
    case ESubclass::FormsIdle:
        if (p_uMsg == g_uFormsIdle && g_uFormsIdle != 0)
        {
            Log("InstallForms ---------------------\n");
            Unsubclass(p_hWnd);
            if (!g_vInstances.empty() && g_vInstances.front()->Events().m_fnInstallForms)
                g_vInstances.front()->Events().m_fnInstallForms();
        }
        return false;
    case ESubclass::OfficeDialog:
        if (p_uMsg == g_uObjectSelection && g_uObjectSelection != 0 && p_lParam == kCustomizeSelection &&
            ControlText(p_hWnd) == "Customize")
            g_hCustomize = p_hWnd;
        return false;
    case ESubclass::Dialog:
        return false;
    }
    return false;
}

LRESULT CALLBACK SubclassProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const auto found = g_mSubclasses.find(p_hWnd);
    if (found == g_mSubclasses.end())
        return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
    const CSubclass entry = found->second;
    const bool own = entry.m_bActive && TrapExceptions("COL97::SubclassProc", false, [&] {
                         return OwnMessage(p_hWnd, entry.m_eKind, p_uMsg, p_wParam, p_lParam);
                     });
    if (own)
        return 0;
    const LRESULT result = CallWindowProcA(entry.m_pfnOriginal, p_hWnd, p_uMsg, p_wParam, p_lParam);
    if (p_uMsg == WM_INITDIALOG && entry.m_bActive && entry.m_eKind == ESubclass::Dialog)
        TrapExceptionsVoid("COL97::SubclassProc", [&] { DisableCustomizeDialog(p_hWnd); });
    if (p_uMsg == WM_NCDESTROY)
    {
        if (p_hWnd == g_hCustomize)
            g_hCustomize = nullptr;
        g_mSubclasses.erase(p_hWnd);
    }
    return result;
}

void WatchCreatedWindow(HWND p_hWnd)
{
    const std::string kind = ClassOf(p_hWnd);
    if (kind == "REN IDLE")
        (void)Subclass(p_hWnd, ESubclass::FormsIdle);
    else if (g_iHostVersionCode == 2 && kind == "BOSA_SDM_MSO96")
        (void)Subclass(p_hWnd, ESubclass::OfficeDialog);
    else if (g_iHostVersionCode == 2 && kind == "#32770" && g_hCustomize != nullptr && IsWindow(g_hCustomize))
        (void)Subclass(p_hWnd, ESubclass::Dialog);
}

LRESULT CALLBACK CbtHook(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_iCode == HCBT_CREATEWND)
        TrapExceptionsVoid("COL97::CbtHook", [&] { WatchCreatedWindow(reinterpret_cast<HWND>(p_wParam)); });
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

bool SameObject(IDispatch* p_pOne, IDispatch* p_pOther)
{
    if (p_pOne == nullptr || p_pOther == nullptr)
        return false;
    const com_ptr<IUnknown> one = com_ptr<IDispatch>::copy_from(p_pOne).query<IUnknown>(IID_IUnknown);
    const com_ptr<IUnknown> other = com_ptr<IDispatch>::copy_from(p_pOther).query<IUnknown>(IID_IUnknown);
    return one && one.get() == other.get();
}

void MouseButton(UINT p_uMsg, const MOUSEHOOKSTRUCT& p_oInfo)
{
    const std::string kind = p_oInfo.hwnd != nullptr ? ClassOf(p_oInfo.hwnd) : std::string();
    if (kind != "MSOCOMMANDBAR" && kind != "MSOCOMMANDBARPOPUP")
    {
        if (p_uMsg == WM_LBUTTONDOWN)
            g_oPressed = CPressed{};
        return;
    }
    const HWND explorer = GetAncestor(p_oInfo.hwnd, GA_ROOTOWNER);
    const auto owner = std::find_if(g_vInstances.begin(), g_vInstances.end(),
                                    [explorer](const COL97* p_pModel) { return p_pModel->Explorer() == explorer; });
    if (owner == g_vInstances.end())
        return;
    com_ptr<IDispatch> hit = (*owner)->ButtonHitTest(p_oInfo.hwnd, p_oInfo.pt);
    if (p_uMsg == WM_LBUTTONDOWN)
    {
        g_oPressed = CPressed{*owner, std::move(hit)};
        return;
    }
    CPressed pressed = std::move(g_oPressed);
    g_oPressed = CPressed{};
    if (pressed.m_pOwner == *owner && SameObject(pressed.m_p_oControl.get(), hit.get()) && (*owner)->Events().m_fnClick)
        (*owner)->Events().m_fnClick(hit.get());
}

LRESULT CALLBACK MouseHook(int p_iCode, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_iCode == HC_ACTION && (p_wParam == WM_LBUTTONDOWN || p_wParam == WM_LBUTTONUP))
        TrapExceptionsVoid("COL97::MouseHook", [&] {
            MouseButton(static_cast<UINT>(p_wParam), *reinterpret_cast<const MOUSEHOOKSTRUCT*>(p_lParam));
        });
    return CallNextHookEx(nullptr, p_iCode, p_wParam, p_lParam);
}

bool HookMouseMessages()
{
    g_uObjectSelection = RegisterWindowMessageA("WM_OBJECTSEL");
    g_uFormsIdle = RegisterWindowMessageA("REN Idle");
    const DWORD thread = GetCurrentThreadId();
    g_hMouseHook.reset(SetWindowsHookExA(WH_MOUSE, &MouseHook, nullptr, thread));
    if (!g_hMouseHook)
    {
        ReportApiFailure("SetWindowsHookEx", "COL97::HookMouseMessages", GetLastError());
        return false;
    }
    g_hCbtHook.reset(SetWindowsHookExA(WH_CBT, &CbtHook, nullptr, thread));
    if (!g_hCbtHook)
    {
        ReportApiFailure("SetWindowsHookEx(WH_CBT)", "COL97::HookMouseMessages", GetLastError());
        g_hMouseHook.reset();
        return false;
    }
    return true;
}

BOOL CALLBACK FindFormsIdle(HWND p_hWnd, LPARAM)
{
    if (ClassOf(p_hWnd) == "REN IDLE")
        (void)Subclass(p_hWnd, ESubclass::FormsIdle);
    return TRUE;
}

std::string AccessibleName(IAccessible* p_pAccessible, LONG p_lChild)
{
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = p_lChild;
    unique_bstr name;
    if (p_pAccessible == nullptr || FAILED(p_pAccessible->get_accName(child, name.put())) || !name)
        return std::string();
    return WideToAnsi(name.get(), CP_ACP);
}

std::string PlainCaption(std::string p_sCaption)
{
    p_sCaption.erase(std::remove(p_sCaption.begin(), p_sCaption.end(), '&'), p_sCaption.end());
    return p_sCaption;
}

// Whether the control lies under the point: its own accessible object's hit test, or for a control
// without one its place on the screen.
bool ControlUnder(IDispatch* p_pControl, POINT p_pt)
{
    const com_ptr<IAccessible> accessible =
        com_ptr<IDispatch>::copy_from(p_pControl).query<IAccessible>(exchext::IID_Accessible);
    if (accessible)
    {
        VARIANT hit;
        VariantInit(&hit);
        const HRESULT hr = accessible->accHitTest(p_pt.x, p_pt.y, &hit);
        const bool self = hr == S_OK && hit.vt == VT_I4 && hit.lVal == CHILDID_SELF;
        VariantClear(&hit);
        return self;
    }
    const long left = GetMember(p_pControl, L"Left").Number(0);
    const long top = GetMember(p_pControl, L"Top").Number(0);
    const RECT place{left, top, left + GetMember(p_pControl, L"Width").Number(0),
                     top + GetMember(p_pControl, L"Height").Number(0)};
    return PtInRect(&place, p_pt) != FALSE;
}

// The name of what the accessible object at the point shows there, or empty when the window tells
// none. A bar's simple child counts only when the bar carries the window's text; a bar's own
// background is no control.
std::string NameAtPoint(HWND p_hBar, POINT p_pt)
{
    com_ptr<IAccessible> atPoint;
    VARIANT child;
    VariantInit(&child);
    const HRESULT hr = AccessibleObjectFromPoint(p_pt, atPoint.put(), &child);
    std::string name;
    if (FAILED(hr) || !atPoint || child.vt != VT_I4)
        Log("ButtonHitTest COM error: %s\n", ("AccessibleObjectFromPoint hr " + std::to_string(hr)).c_str());
    else if (child.lVal == CHILDID_SELF)
        name = AccessibleName(atPoint.get(), CHILDID_SELF);
    else if (AccessibleName(atPoint.get(), CHILDID_SELF) == ControlText(p_hBar))
        name = AccessibleName(atPoint.get(), child.lVal);
    else
        name = "\n"; // a window other than the bar: matches no caption
    VariantClear(&child);
    return name;
}
} // namespace

COL97::COL97(IDispatch* p_pExplorer, HWND p_hExplorer, int p_iHostVersionCode, CCol97Events p_oEvents)
    : COL2000(p_pExplorer, p_hExplorer, nullptr), m_hExplorerWindow(p_hExplorer), m_oEvents(std::move(p_oEvents))
{
    m_bOwnDropDowns = true;
    m_bSeparateNewBar = p_iHostVersionCode == 2;
    g_iHostVersionCode = p_iHostVersionCode;
    if (g_vInstances.empty() && !HookMouseMessages())
        return;
    g_vInstances.push_back(this);
    if (p_hExplorer != nullptr)
        (void)Subclass(p_hExplorer, ESubclass::Explorer);
    EnumThreadWindows(GetCurrentThreadId(), &FindFormsIdle, 0);
}

COL97::~COL97()
{
    const auto self = std::find(g_vInstances.begin(), g_vInstances.end(), this);
    if (self == g_vInstances.end())
        return;
    g_vInstances.erase(self);
    if (g_oPressed.m_pOwner == this)
        g_oPressed = CPressed{};
    if (m_hExplorerWindow != nullptr && IsWindow(m_hExplorerWindow))
    {
        KillTimer(m_hExplorerWindow, kStartupWaitTimer);
        Unsubclass(m_hExplorerWindow);
    }
    if (!g_vInstances.empty())
        return;
    g_hMouseHook.reset();
    g_hCbtHook.reset();
    std::vector<HWND> windows;
    for (const auto& subclass : g_mSubclasses)
        windows.push_back(subclass.first);
    for (HWND window : windows)
        Unsubclass(window);
}

bool COL97::Hooked()
{
    return static_cast<bool>(g_hMouseHook) && static_cast<bool>(g_hCbtHook);
}

com_ptr<IDispatch> COL97::ButtonHitTest(HWND p_hBar, POINT p_ptScreen) const
{
    const std::string kind = ClassOf(p_hBar);
    const bool list = kind == "MSOCOMMANDBARPOPUP";
    if (!list && kind != "MSOCOMMANDBAR")
        return {};
    const std::string name = NameAtPoint(p_hBar, p_ptScreen);
    for (const CPlacedControl& placed : PlacedControls())
        if (placed.m_bInList == list && ControlUnder(placed.m_p_oControl.get(), p_ptScreen) &&
            (name.empty() || PlainCaption(GetMember(placed.m_p_oControl.get(), L"Caption").Text()) == name))
            return placed.m_p_oControl;
    return {};
}
