// compose/ui/window_object_win.h: how every window procedure of the compose server finds the object
// it serves: a window property set when the window is made and removed when it goes.
#pragma once

#include <windows.h>

namespace window_object
{
constexpr const char kProperty[] = "Brevolt.WindowObject";
} // namespace window_object

// Ties p_p_oObject to p_hWnd; false when the window cannot hold it.
template <typename T> [[nodiscard]] bool AttachWindowObject(HWND p_hWnd, T* p_p_oObject)
{
    return SetPropA(p_hWnd, window_object::kProperty, static_cast<HANDLE>(p_p_oObject)) != FALSE;
}

// The object tied to p_hWnd, or null before AttachWindowObject and after DetachWindowObject.
template <typename T> T* WindowObject(HWND p_hWnd)
{
    return static_cast<T*>(GetPropA(p_hWnd, window_object::kProperty));
}

inline void DetachWindowObject(HWND p_hWnd)
{
    RemovePropA(p_hWnd, window_object::kProperty);
}
