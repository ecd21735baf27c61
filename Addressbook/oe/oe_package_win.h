// Addressbook/oe/oe_package_win.h: the Outlook Express package object as the library makes it: the
// browser found by window class, the hooks' answer through the named events, SMTP with the
// account of the current identity as the road beside it.
#pragma once

#include "Addressbook/oe/oe_package.h"
#include "common/settings.h"

#include <memory>

namespace oe
{
constexpr unsigned kSendMailMessage = 0x400 + 24; // WM_USER+24: "enter send-mail mode" with the file number
constexpr const char* kSendSuccessEvent = "OESendSuccess";
constexpr const char* kSendFailedEvent = "OESendFailed";

std::unique_ptr<IBrowserLink> CreateWindowBrowserLink();
// p_iMajor: the Outlook Express major version the host passed to Init.
std::unique_ptr<CMailPackage> CreateOutlookExpressPackage(int p_iMajor, CRegistry& p_oRegistry,
                                                          uint32_t p_dwWaitMs = kSendWaitMs);
} // namespace oe
