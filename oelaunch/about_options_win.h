// oelaunch/about_options_win.h: Runbay's About box and its Options dialog (the pages Delivery and
// Sending; the reminder defaults are Outlook's alone), shown for Latchkit's menu inside the client.
#pragma once

#include <windows.h>

// Modal, from the dialog templates of p_hResources.
void ShowRunbayAbout(HINSTANCE p_hResources, HWND p_hOwner);
// Modal; OK stores "NotifyDefaults", "SendDefaults" and "Signature". True when it did.
bool ShowRunbayOptions(HINSTANCE p_hResources, HWND p_hOwner);
