// compose/ui/sms_window_parts.h: what the compose window's source files share among themselves
// (the window, its children, its commands and its send flow live in one file each).
#pragma once

#include <string>

namespace sms_window
{
// The menu bar's buttons: one per menu of the window's menu resource, from this id on.
constexpr int kMenuBarFirstButton = 60000;

// An Install value, or p_szDefault when it is missing or empty.
std::string InstallText(const char* p_szName, const char* p_szDefault);

// The string id of the tooltip of a button or field; 0 when it has none.
unsigned TooltipFor(int p_iCommand);
} // namespace sms_window
