// Addressbook/newmail/newmail_messages.h: ids of the string-table texts the new-mail handling uses;
// the texts are in Addressbook/res/strings.inc.
#pragma once

constexpr unsigned kMsgDeleteFileCaption = 236;    // "Error deleting file"
constexpr unsigned kMsgDeleteFileError = 237;      // "Error %d when deleting file '%s'."
constexpr unsigned kMsgUnknownCommunication = 361; // "Unknown Communication Type"
