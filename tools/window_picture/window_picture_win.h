// tools/window_picture/window_picture_win.h: a window's picture as a bitmap file, for the tools and the
// Windows tests that show what a window looked like.
#pragma once

#include <windows.h>

// Copies the window's screen area into a 24-bit bitmap file at p_szPath; false when the window has
// no area or the file cannot be written.
[[nodiscard]] bool SaveWindowBitmap(HWND p_hWindow, const char* p_szPath);
