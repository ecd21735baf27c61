// oehook/sms_band_win.h: the SMS toolbar band in the browser's rebar, built from the resource
// module's toolbar definition, and its place in the rebar's context menu.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Adds the band (id 10121) once, hidden when the stored "OEToolbarShowing" says so. False when
// there is nothing to show (no definition) or the band cannot be made.
bool AddSMSBand(HWND p_hRebar);
// Removes the band and its image list.
void RemoveSMSBand(HWND p_hRebar);
// Under "ResourceChangingMutex<process id>": removes the band, reads the resource module again and
// adds the band back.
void RebuildSMSBand(HWND p_hRebar);
// Shows or hides the band and stores the new state as "OEToolbarShowing".
void ToggleSMSBand(HWND p_hRebar);
// The band's toolbar, or null.
HWND SMSBandToolbar(HWND p_hRebar);

// Notifications of the band's toolbar (tool tips, drop-downs); true when handled.
bool HandleBandNotify(HWND p_hBrowser, const NMHDR* p_pHeader, LRESULT& p_lResult);
// The rebar's chevron for the band: the band's buttons as a popup.
void ShowBandChevron(HWND p_hBrowser, const NMREBARCHEVRON* p_pChevron);

// The rebar's context menu is being shown: "Brevolt bar" goes into the next popup at position 2.
void ExpectRebarContextMenu(bool p_bExpect);
// Adds "Brevolt bar" to p_hPopup when the rebar's context menu is expected; true when it did.
bool AddBarItemToContextMenu(HMENU p_hPopup);
// Whether the expected context menu was shown (and took the item).
bool RebarContextMenuPending();
