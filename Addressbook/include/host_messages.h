// Addressbook/include/host_messages.h: the window messages between a compose window and the
// mail client window that opened it (the Outlook Express hook's or the Outlook extension's).
#pragma once

#include <cstdint>

// Compose window -> opener: lParam is the new compose window; the opener keeps it in its list.
constexpr uint32_t WM_SMS_REGISTERWINDOW = 3027;
// Compose window -> opener: wParam is +1 when a compose window opens, -1 when it closes.
constexpr uint32_t WM_SMS_WINDOWCOUNT = 0x040B;

// Messages the Outlook Express opener handles: open a new mail, SMS or news message.
constexpr uint32_t WM_SMS_OE_NEWMAIL = 3024; // 0x0BD0
constexpr uint32_t WM_SMS_OE_NEWSMS = 3025;  // 0x0BD1
constexpr uint32_t WM_SMS_OE_NEWNEWS = 3026; // 0x0BD2

// WM_COMMAND ids the Outlook opener handles: open a new SMS or a new mail.
constexpr uint32_t kIdOutlookNewSMS = 65531;  // 0xFFFB
constexpr uint32_t kIdOutlookNewMail = 65532; // 0xFFFC
