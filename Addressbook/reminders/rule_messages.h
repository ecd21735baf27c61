// Addressbook/reminders/rule_messages.h: ids of the string-table texts the notification rules and
// their dialogs use; the texts are in Addressbook/res/strings.inc.
#pragma once

constexpr unsigned kMsgRuleEmpty = 90;         // "Empty rule"
constexpr unsigned kMsgRuleEmptyText = 91;     // "Please enter at least one keyword ..."
constexpr unsigned kMsgRuleNoContentText = 93; // "Please check at least one item for the notification SMS ..."
constexpr unsigned kMsgInvalidData = 400;      // "Invalid or truncated data in '%s'."

constexpr unsigned kMsgRuleFiresWhen = 760;       // "This rule fires when you receive an e-mail "
constexpr unsigned kMsgRuleFromAnyone = 761;      // "from anyone"
constexpr unsigned kMsgRuleReceivedFrom = 762;    // "received from"
constexpr unsigned kMsgRuleAddressedTo = 763;     // "addressed to"
constexpr unsigned kMsgRuleWithSubject = 764;     // "with subject"
constexpr unsigned kMsgRuleWithBody = 765;        // "with body"
constexpr unsigned kMsgRuleSMSFrom = 766;         // "from"
constexpr unsigned kMsgRuleSMSTo = 767;           // "to"
constexpr unsigned kMsgRuleWhenThisHappens = 768; // ". When this happens, an SMS will be sent to %s containing the "
constexpr unsigned kMsgRuleYou = 769;             // "you"
constexpr unsigned kMsgRulePartSender = 770;      // "sender"
constexpr unsigned kMsgRulePartRecipients = 771;  // "recipients"
constexpr unsigned kMsgRulePartSubject = 772;     // "subject"
constexpr unsigned kMsgRulePartBody = 773;        // "body"
constexpr unsigned kMsgRulePartTime = 774;        // "date/time of receipt"
constexpr unsigned kMsgRuleLimitOne = 775;        // "The notification will be limited to %d SMS."
constexpr unsigned kMsgRuleLimitMany = 776;       // "The notification will be limited to %d SMSs."
constexpr unsigned kMsgRuleNoFurtherRules = 777;  // "\r\n\r\nNo further rules will be processed if this rule fires."
constexpr unsigned kMsgRuleNoneSelected = 778;    // "No rule selected"
constexpr unsigned kMsgRuleDefaultName = 779;     // "Inbox Rule %d"
constexpr unsigned kMsgRuleYouve = 780;           // "You've"
constexpr unsigned kMsgRuleReceivedAnEmail = 781; // " received an email "
constexpr unsigned kMsgRuleOn = 782;              // "on "
constexpr unsigned kMsgRuleTimeFormat = 783;      // "%02d/%02d/%d at %d:%02d:%02d"
constexpr unsigned kMsgRuleInvalidChars = 784;    // "Invalid characters"
constexpr unsigned kMsgRuleInvalidCharsText = 785;
constexpr unsigned kMsgRuleMissingName = 786; // "Missing rule name"
constexpr unsigned kMsgRuleMissingNameText = 787;
constexpr unsigned kMsgRuleInvalidNumber = 788; // "Invalid number"
constexpr unsigned kMsgRuleInvalidNumberText = 789;
constexpr unsigned kMsgRuleMissingNumber = 790; // "Missing number"
constexpr unsigned kMsgRuleMissingNumberText = 791;
constexpr unsigned kMsgRuleNothingToSend = 792;  // "Nothing to send"
constexpr unsigned kMsgRuleDisabledSuffix = 793; // " (disabled)"
constexpr unsigned kMsgRuleEditTitle = 794;      // "Edit Rule"
constexpr unsigned kMsgRuleEnable = 795;         // "E&nable"
constexpr unsigned kMsgRuleDisable = 796;        // "Disa&ble"
