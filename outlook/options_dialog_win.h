// outlook/options_dialog_win.h: the Options dialog (Delivery, Reminder and Sending pages) and the
// About box of the plug-in.
#pragma once

#include <windows.h>

class CSMSSpawner;

// Modal; true when OK stored the values. p_pSpawner (may be null) takes the reminder form change.
bool ShowOptionsDialog(HWND p_hParent, CSMSSpawner* p_pSpawner);
// Modal.
bool ShowAboutBox(HWND p_hParent);
