// oelaunch/runbay_strings.h: Runbay's string table (oelaunch/res/strings.inc) for its code and tests.
#pragma once

#include "common/error_slot.h"

#include <string>

namespace runbay_string
{
inline constexpr unsigned kUnknownAction = 1;
inline constexpr unsigned kUnknownActionText = 2;
inline constexpr unsigned kNotifyWhenCaption = 7;
inline constexpr unsigned kTabDelivery = 10;
inline constexpr unsigned kTabSending = 12;
inline constexpr unsigned kCCMobileCancelled = 24;
inline constexpr unsigned kCCMobileCancelledText = 25;
inline constexpr unsigned kNewMailFromWithSubject = 30;
inline constexpr unsigned kNewMailFrom = 31;
inline constexpr unsigned kNewMailWithSubject = 32;
inline constexpr unsigned kNewMail = 33;
inline constexpr unsigned kNotifyWhenText = 99;
inline constexpr unsigned kLoadFailed = 221;
inline constexpr unsigned kBrowserFailed = 230;
inline constexpr unsigned kBrowserFailedText = 231;
inline constexpr unsigned kNoLocation = 232;
} // namespace runbay_string

const CStringTable& RunbayStrings();
std::string RunbayText(unsigned p_uId, ...);
