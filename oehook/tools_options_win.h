// oehook/tools_options_win.h: the Tools/Options automation: while it is requested, the Options
// sheet's Send page is brought to the direction's option states through the options' accelerators,
// re-checked every 100 ms (timer 1013), and the sheet is confirmed.
#pragma once

#include <windows.h>

// The timer of the Send page's re-check.
constexpr UINT_PTR kOptionsCheckTimer = 1013;

// Asks for the automation of the next Options sheet (within 15 s). Direction on: reply in the same
// format on, include the message off, send HTML off; off: the opposite of each.
void RequestOptionsAutomation(bool p_bDirection);
// Whether an automation waits for a sheet (an unanswered request expires).
bool OptionsAutomationWanted();
// A watched dialog has initialised: true when it is the Options sheet or its Send page (the
// automation then runs on it).
bool OnOptionsDialogInit(HWND p_hDialog);
// Timer 1013 of the Send page.
void OnOptionsCheckTimer(HWND p_hPage);
