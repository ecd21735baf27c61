// standins/oe/oe_control_win.h: the control channel through which tests drive the stand-in: a
// WM_COPYDATA with dwData kControlCopyData and a command text, sent to the hidden main window.
#pragma once

#include <windows.h>

#include <string>

namespace oestandin
{
constexpr ULONG_PTR kControlCopyData = 0x4F45434Cu;

struct CControlContext
{
    HINSTANCE m_hInstance;
    int m_iMajor;
};

// Runs one command; true when it was understood and done. Commands:
//   switch-identity {GUID}   make the identity current and broadcast the change
//   download [N]             receive N (1 to 1000, default 1) messages into the Inbox
[[nodiscard]] bool RunControlCommand(const CControlContext& p_oContext, const std::string& p_sCommand);

// The identity switch as the identity manager does it: "WM_QUERY_IDENTITY_CHANGE" to every
// "Identity Mgr Notify" window, "Last User ID" set, then "WM_IDENTITY_CHANGED" to each. False,
// with nothing changed, when the identity has no key.
[[nodiscard]] bool SwitchIdentity(const std::string& p_sId);
} // namespace oestandin
