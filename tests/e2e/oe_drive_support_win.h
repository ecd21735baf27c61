// tests/e2e/oe_drive_support_win.h: what the drivers of the runs inside the Outlook Express stand-in
// share: failed steps, waits that keep this thread's messages flowing, the browser with its SMS band.
#pragma once

#include <windows.h>

#include <functional>

// The driver's name, printed before the step that failed.
void SetDriverName(const char* p_szName);
// Prints the step that failed; the driver's exit code for it.
int Fail(const char* p_szStep);
// Pumps this thread's messages until p_fnDone answers true (true) or the time is up (false).
bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMs);
// Lets a window paint before its picture is taken.
void Settle(DWORD p_dwMs);
// The browser's SMS band toolbar while it is shown (with or without buttons), or null.
HWND FindBand(HWND p_hBrowser);
// The buttons the band shows; 0 while it is missing or being rebuilt.
int BandButtonCount(HWND p_hBrowser);
// Waits for the client's visible browser with its SMS band showing buttons. Null once it came, else
// the step that did not happen.
[[nodiscard]] const char* WaitForBand(HWND& p_hBrowser, DWORD p_dwMs);
// Closes the browser as the user does; true once it is gone.
[[nodiscard]] bool CloseBrowser(HWND p_hBrowser);
