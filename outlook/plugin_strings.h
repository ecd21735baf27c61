// outlook/plugin_strings.h: the plug-in's string table (outlook/res/strings.inc) for its code and tests.
#pragma once

#include "common/error_slot.h"

#include <string>

namespace plugin_string
{
inline constexpr unsigned kUnknownAction = 1;
inline constexpr unsigned kUnknownActionText = 2;
inline constexpr unsigned kFinalStep = 3;
inline constexpr unsigned kFinalStepText = 4;
inline constexpr unsigned kProductTitle = 5;
inline constexpr unsigned kAboutSecondLine = 6;
inline constexpr unsigned kNotifyWhenCaption = 7;
inline constexpr unsigned kDefaultsChanging = 8;
inline constexpr unsigned kDefaultsChangingText = 9;
inline constexpr unsigned kTabDelivery = 10;
inline constexpr unsigned kTabReminder = 11;
inline constexpr unsigned kTabSending = 12;
inline constexpr unsigned kNewSMS = 13;
inline constexpr unsigned kNewBrandedSMS = 14;
inline constexpr unsigned kNotifyWhenText = 99;
inline constexpr unsigned kFunctionDisabled = 130;
inline constexpr unsigned kApiFailed = 217;
inline constexpr unsigned kCallFailed = 218;
inline constexpr unsigned kConstructFailed = 227;
inline constexpr unsigned kFunctionFailed = 228;
inline constexpr unsigned kBrowserFailed = 230;
inline constexpr unsigned kBrowserFailedText = 231;
inline constexpr unsigned kErrorOccurred = 232;
inline constexpr unsigned kUnexpectedValue = 233;
} // namespace plugin_string

const CStringTable& PluginStrings();
std::string PluginText(unsigned p_uId, ...);
