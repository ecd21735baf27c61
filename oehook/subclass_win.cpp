// oehook/subclass_win.cpp: window procedure replacement with the previous procedure in a property.
#include "oehook/subclass_win.h"

#include "common/trace_log.h"

#include <memory>

namespace
{
constexpr const char* kPreviousProperty = "Latchkit.Previous";

struct CPrevious
{
    WNDPROC m_pfnPrevious;
    WNDPROC m_pfnOurs;
    bool m_bUnicode;
};

CPrevious* PreviousOf(HWND p_hWnd)
{
    return static_cast<CPrevious*>(GetPropA(p_hWnd, kPreviousProperty));
}
} // namespace

bool SubclassWindow(HWND p_hWnd, WNDPROC p_pfnProc)
{
    if (p_hWnd == nullptr || PreviousOf(p_hWnd) != nullptr)
        return false;
    auto previous = std::make_unique<CPrevious>();
    previous->m_pfnOurs = p_pfnProc;
    previous->m_bUnicode = IsWindowUnicode(p_hWnd) != FALSE;
    if (!SetPropA(p_hWnd, kPreviousProperty, previous.get()))
    {
        Log("Failed to set window proc - Error: %lu", GetLastError());
        return false;
    }
    SetLastError(0);
    const LONG_PTR old = previous->m_bUnicode
                             ? SetWindowLongPtrW(p_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(p_pfnProc))
                             : SetWindowLongPtrA(p_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(p_pfnProc));
    if (old == 0 && GetLastError() != 0)
    {
        Log("Failed to set window proc - Error: %lu", GetLastError());
        RemovePropA(p_hWnd, kPreviousProperty);
        return false;
    }
    previous->m_pfnPrevious = reinterpret_cast<WNDPROC>(old);
    (void)previous.release(); // owned by the window's property until RemoveSubclass
    return true;
}

bool IsSubclassedWith(HWND p_hWnd, WNDPROC p_pfnProc)
{
    const CPrevious* previous = PreviousOf(p_hWnd);
    return previous != nullptr && previous->m_pfnOurs == p_pfnProc;
}

bool RemoveSubclass(HWND p_hWnd)
{
    const CPrevious* installed = PreviousOf(p_hWnd);
    if (installed == nullptr)
        return false;
    // Another subclass went in after ours: putting ours back would cut it off, so ours stays.
    const LONG_PTR current =
        installed->m_bUnicode ? GetWindowLongPtrW(p_hWnd, GWLP_WNDPROC) : GetWindowLongPtrA(p_hWnd, GWLP_WNDPROC);
    if (current != reinterpret_cast<LONG_PTR>(installed->m_pfnOurs))
    {
        Log("RemoveSubclass: the window was subclassed again since; Latchkit's procedure stays");
        return false;
    }
    return ForgetSubclass(p_hWnd);
}

bool ForgetSubclass(HWND p_hWnd)
{
    std::unique_ptr<CPrevious> previous(static_cast<CPrevious*>(RemovePropA(p_hWnd, kPreviousProperty)));
    if (!previous)
        return false;
    const LONG_PTR old = reinterpret_cast<LONG_PTR>(previous->m_pfnPrevious);
    if (previous->m_bUnicode)
        SetWindowLongPtrW(p_hWnd, GWLP_WNDPROC, old);
    else
        SetWindowLongPtrA(p_hWnd, GWLP_WNDPROC, old);
    return true;
}

LRESULT CallPrevious(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    const CPrevious* previous = PreviousOf(p_hWnd);
    LRESULT result = 0;
    if (previous == nullptr || previous->m_pfnPrevious == nullptr)
        result = IsWindowUnicode(p_hWnd) ? DefWindowProcW(p_hWnd, p_nMsg, p_wParam, p_lParam)
                                         : DefWindowProcA(p_hWnd, p_nMsg, p_wParam, p_lParam);
    else if (previous->m_bUnicode)
        result = CallWindowProcW(previous->m_pfnPrevious, p_hWnd, p_nMsg, p_wParam, p_lParam);
    else
        result = CallWindowProcA(previous->m_pfnPrevious, p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (p_nMsg == WM_NCDESTROY)
        ForgetSubclass(p_hWnd);
    return result;
}
