// standins/outlook/ol_customize_win.h: the command bars' Customize dialog (Tools > Customize...).
#pragma once

#include "standins/outlook/ol_commandbars_win.h"

namespace olstandin
{
// The class of the client's Office dialogs.
inline constexpr const char* kCustomizeWindowClass = "bosa_sdm_Mso96";

[[nodiscard]] bool RegisterCustomizeClass(HINSTANCE p_hInstance);
// Opens the dialog over p_hOwner for the explorer's bars; the window, or nullptr.
HWND OpenCustomize(HWND p_hOwner, CCommandBars& p_oBars);
} // namespace olstandin
