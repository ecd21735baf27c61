// wordhook/penhold_exports.h: Penhold's exported functions, one type and one name each, as the
// plug-in, Launcher and the tests bind them; and the messages a hooked compose window answers.
#pragma once

#include <windows.h>

typedef BOOL(WINAPI* PFN_SetCBTHook)(DWORD p_dwThreadId);
typedef BOOL(WINAPI* PFN_UnsetCBTHook)();
typedef BOOL(WINAPI* PFN_NotifyNewCCMobileDefaults)();
typedef BOOL(WINAPI* PFN_SetGlobalWordHook)();
typedef BOOL(WINAPI* PFN_UnsetGlobalWordHook)();
typedef BOOL(WINAPI* PFN_UnSubclassAllCompositionWindows)();

constexpr const char* szSetCBTHook = "SetCBTHook";
constexpr const char* szUnsetCBTHook = "UnsetCBTHook";
constexpr const char* szNotifyNewCCMobileDefaults = "NotifyNewCCMobileDefaults";
constexpr const char* szSetGlobalWordHook = "SetGlobalWordHook";
constexpr const char* szUnsetGlobalWordHook = "UnsetGlobalWordHook";
constexpr const char* szUnSubclassAllCompositionWindows = "UnSubclassAllCompositionWindows";

// Sent to a compose window: the answer has bit 1 for a ticked To box, 2 for Cc, 4 for Bcc.
constexpr UINT kMsgCCMobileChoice = WM_USER + 1;
// Sent with wParam 0: the boxes take the "SendDefaults" CC default again.
constexpr UINT kMsgCCMobileDefaults = WM_USER + 2;

// The "Notify mobile" boxes beside To, Cc and Bcc.
constexpr int kIdNotifyTo = 5345;
constexpr int kIdNotifyCc = 5346;
constexpr int kIdNotifyBcc = 5347;
