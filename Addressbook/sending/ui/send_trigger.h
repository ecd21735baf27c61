// Addressbook/sending/ui/send_trigger.h: makes a running Outlook send what lies in its Outbox, the way
// each Outlook version lets another program ask for it.
#pragma once

#include <windows.h>

// Outlook's hidden command windows and the send command each version answers to.
constexpr UINT kOutlook2000SendCommand = 0x104BB;
constexpr UINT kOutlook2002SendCommand = 0x10A1B;

// By host version code: 3 posts the send command to Outlook 2000's hidden "AfxWnd" child of
// p_hParent; 4 and 5 to the "AfxWndA" (else "AfxWndW") child; 1 and 2 press F5 in the parent;
// other versions need nothing. True when the request was made.
[[nodiscard]] bool TriggerSendButton(HWND p_hParent, int p_iPackageVersion);

// The hidden child of p_hParent of that class whose grandparent is none, or null.
HWND FindHiddenCommandWindow(HWND p_hParent, const char* p_szClass);
