// Addressbook/frame/frame_messages.h: ids of the string-table texts the library frame and its local
// user dialog show; the texts are in Addressbook/res/strings.inc.
#pragma once

constexpr unsigned kMsgTlsAllocFailed = 186;       // "TlsAlloc FAILED"
constexpr unsigned kMsgNoPackageObject = 187;      // "pSMSEP == NULL"
constexpr unsigned kMsgSecurityCreateFailed = 188; // "CClientSecurityProtocol creation FAILED"
constexpr unsigned kMsgSecurityInError = 189;      // "CClientSecurityProtocol IsError"
constexpr unsigned kMsgRuleManagerFailed = 190;    // "CRuleManager creation FAILED"

constexpr unsigned kMsgInvalidEmailText = 29; // asks for a valid e-mail address, with an example

constexpr unsigned kMsgCreateUserTitle = 500;    // "Create '%s User'"
constexpr unsigned kMsgEditUserTitle = 501;      // "Edit '%s User'"
constexpr unsigned kMsgMissingDetails = 502;     // "Missing Details"
constexpr unsigned kMsgMissingDetailsText = 503; // "Please fill in at least the First Name, ..."
constexpr unsigned kMsgNoCountry = 504;          // "No country Selected"
constexpr unsigned kMsgNoCountryText = 505;      // "Please select a country from the list ..."
constexpr unsigned kMsgInvalidMobile = 506;      // "Invalid Mobile Number"
constexpr unsigned kMsgInvalidMobileText = 507;  // "The Mobile Number must take the format ..."
constexpr unsigned kMsgInvalidEmail = 508;       // "Invalid E-mail address"
constexpr unsigned kMsgRegistryError = 509;      // "Registry Error"
constexpr unsigned kMsgRegistryErrorText = 510;  // "Failed to store the details"
constexpr unsigned kMsgMobileTooShort = 511;     // "Your mobile number is too short"
constexpr unsigned kMsgMobileTooShortText = 512; // "Only mobile numbers of 6 digits and longer ..."
constexpr unsigned kMsgChooseCountry = 513;      // "Choose a Country"
constexpr unsigned kMsgCountryItem = 514;        // "%s (+%s)"
