// Addressbook/protocol/protocol_messages.h: ids of the protocol's own string-table messages
// (the shared ones are in res/corvane_strings.h).
#pragma once

constexpr unsigned kMsgTryAgain = 123;     // "try again"
constexpr unsigned kMsgErrorBox = 126;     // "The following error has occured: ... Please %s. ... contact %s support."
constexpr unsigned kMsgErrorCaption = 128; // "%s Error"
constexpr unsigned kMsgCorruptData = 400;  // "Invalid or truncated data in '%s'."
