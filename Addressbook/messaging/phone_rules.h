// Addressbook/messaging/phone_rules.h: what counts as a mobile number, and the forms a number is
// compared, keyed and shown in.
#pragma once

#include "Addressbook/messaging/country_code.h"

#include <string>
#include <string_view>

// Digits, space, "(", ")", "+" and "-".
bool IsPhoneCharacter(char p_c);

// Not empty, starts with a digit or "(", then only digits, spaces, "-", "(" and ")".
bool IsLocalFormat(const char* p_szNumber);
// "+" followed by a local-format number.
bool IsInternationalFormat(const char* p_szNumber);
// Local format whose first two digits are "0" and a digit other than "0".
bool IsNationalTrunkForm(const char* p_szNumber);
// What the send pipeline accepts: present, local or international format.
bool PassesSendTest(const char* p_szNumber);
// What resolution rejects: empty, or neither international nor national trunk form. The
// placeholder "<none>" is not counted as invalid.
bool IsInvalidMobile(const char* p_szNumber);
bool IsEmailAddress(const char* p_szText);

// The digits of a text, in order.
std::string DigitsOf(std::string_view p_sText);

// "+" with the international digits of a number, so that one number written two ways gives one
// key. A national number ("0...") takes p_sCountryCode in place of its "0"; a number with anything
// but phone characters contributes no digits.
std::string MobileKey(std::string_view p_sNumber, std::string_view p_sCountryCode);
// True when MobileKey carries digits of the number itself, i.e. the key names one number.
bool HasNumberKey(std::string_view p_sNumber);

// The digits a typed number is matched by, international without the "+".
std::string ComparableForm(std::string_view p_sNumber, std::string_view p_sCountryCode);
std::string ComparableForm(std::string_view p_sNumber, CCountryCode& p_oCountry = ProcessCountryCode());

// "+<country> <number>" for display and storage.
std::string InternationalForm(std::string_view p_sCountryCode, std::string_view p_sLocalNumber);

// The e-mail address as duplicates are detected: upper case.
std::string EmailKey(std::string_view p_sEmail);

// "first second", or "second, first" when reversed; one part alone when the other is absent.
std::string JoinNames(const char* p_szFirst, const char* p_szSecond, bool p_bReversed = false);
