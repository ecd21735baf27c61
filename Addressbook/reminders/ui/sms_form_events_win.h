// Addressbook/reminders/ui/sms_form_events_win.h: the SMS forms as the rest of the library calls them:
// the store advise sink's conversions, and the access to CExMAPI's startup mutex that installing needs.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// A message was created, moved, copied or modified in a folder: a plain appointment or task in the
// default calendar or tasks folder takes the form class of the user's defaults. Uses the calling
// thread's store; failures are traced and returned.
[[nodiscard]] HRESULT ConvertOnEvent(const std::vector<BYTE>& p_vMessageEntryId,
                                     const std::vector<BYTE>& p_vFolderEntryId);
// A folder was modified: when it is the default calendar or tasks folder, its plain items are converted.
[[nodiscard]] HRESULT ConvertFolderOnEvent(const std::vector<BYTE>& p_vFolderEntryId);

// Whether this instance holds "SMSStartupMutex" (CExMAPI takes it for Outlook 97 and 98) and how to let
// go of it once the forms are set up. Until it is set, the instance holds nothing.
void SetFormsStartupMutexAccess(std::function<bool()> p_fnHolds, std::function<void()> p_fnRelease);
