// Addressbook/summary/ui/preview_dialog.h: the "Preview" dialog: the recipients who will receive on
// the left, the text the selected one receives on the right.
#pragma once

#include "Addressbook/summary/summary_stats.h"

#include <windows.h>

// Shows the preview modally; p_hProgress (may be null) hears of the building of its list. False
// when the list could not be built or the dialog could not be made.
[[nodiscard]] bool RunPreview(HWND p_hOwner, const CSummaryRequest& p_oRequest, const CSummarySettings& p_oSettings,
                              HWND p_hProgress);
