// Addressbook/summary/ui/summary_dialog.h: the "Message Summary" dialog over gathered statistics.
#pragma once

#include "Addressbook/summary/summary_stats.h"

#include <windows.h>

// How the dialog ended.
enum class ESummaryEnd
{
    Applied,   // OK: p_oSettings holds what the user chose
    Cancelled, // p_oSettings unchanged
    Failed,    // the dialog could not be made
};

// p_bSendMode names the OK button "&Apply and Send", else "&Apply". The preview it offers uses
// p_oRequest and the settings shown at the time.
[[nodiscard]] ESummaryEnd RunSummary(HWND p_hOwner, const CSummaryRequest& p_oRequest, const CSummaryStats& p_oStats,
                                     CSummarySettings& p_oSettings, bool p_bSendMode);
