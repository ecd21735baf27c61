// Addressbook/messaging/check_texts.h: the string-table ids of Check and its fix wizard.
#pragma once

constexpr unsigned kMsgResolvingRecipients = 142;     // "Resolving recipients..."
constexpr unsigned kMsgEliminatingDuplicates = 335;   // "Eliminating duplicates..."
constexpr unsigned kMsgEliminatingAgain = 336;        // "Eliminating duplicates again..."
constexpr unsigned kMsgQuickResolving = 337;          // "Quick resolving duplicates..."
constexpr unsigned kMsgProblemMultipleMatches = 2400; // "Multiple matches"
constexpr unsigned kMsgProblemNoMatches = 2401;       // "No matches"
constexpr unsigned kMsgProblemNoMobile = 2402;        // "Recipient has no mobile"
constexpr unsigned kMsgProblemInvalidMobile = 2403;   // "Recipient has invalid mobile"
constexpr unsigned kMsgProblemListMembers = 2404;     // "Not all members have valid mobiles"
constexpr unsigned kMsgProblemsFound = 2405;          // "The following problems were found :"
constexpr unsigned kMsgProblemsStill = 2406;          // "The following problems are STILL unfixed :"
constexpr unsigned kMsgFixOrSend = 2407;              // "Click 'Fix' ... send to those without problems."
constexpr unsigned kMsgFixOrReturn = 2408;            // "Click 'Fix' ... return to the composition window."
constexpr unsigned kMsgCommaHint = 2409;              // "If you have used commas (,) as a separator, ..."
constexpr unsigned kMsgMoreThanOneMatch = 2410;       // "There was more than one possible match for '%s' :"
constexpr unsigned kMsgNoOneSelected = 2411;          // "No one selected"
constexpr unsigned kMsgNoOneSelectedText = 2412;      // "Please select one of the matches provided ..."
constexpr unsigned kMsgNoContactMatching = 2413;      // "No contact matching '%s' in your address book :"
constexpr unsigned kMsgCreateContactFailed = 2414;    // "Failed to create Contact"
constexpr unsigned kMsgCreateContactFailedText = 2415;
constexpr unsigned kMsgSetMobileFailed = 2416; // "Failed to set mobile number"
constexpr unsigned kMsgSetMobileFailedText = 2417;
constexpr unsigned kMsgMissingPhoneDetails = 2418; // "Missing Phone Details"
constexpr unsigned kMsgMissingPhoneDetailsText = 2419;
constexpr unsigned kMsgDetailsChanged = 2420; // "Contacts details changed"
constexpr unsigned kMsgDetailsChangedText = 2421;
constexpr unsigned kMsgNoValidMobiles = 2422;    // "The following contacts do not have valid mobile ..."
constexpr unsigned kMsgMembersOfList = 2423;     // "Members of the list :"
constexpr unsigned kMsgSelectWhoYouMeant = 2424; // "Please select who you meant by '%s'"
constexpr unsigned kMsgColumnName = 2425;
constexpr unsigned kMsgColumnProblem = 2426;
constexpr unsigned kMsgColumnMobile = 2427;
constexpr unsigned kMsgColumnEmail = 2428;
constexpr unsigned kMsgPleaseSelectSomeone = 2429;
constexpr unsigned kMsgSelectBeforeDone = 2430;
