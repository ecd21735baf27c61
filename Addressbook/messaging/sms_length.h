// Addressbook/messaging/sms_length.h: the SMS length rule every part of Corvane counts with.
// One SMS holds 160 characters; a longer text travels in parts of 153 (the rest of each part
// carries the header that joins them again on the phone).
#pragma once

#include <cstdint>

constexpr int32_t kSingleSMSCharacters = 160;
constexpr int32_t kPartSMSCharacters = 153;

// Characters that p_iSMSCount SMS carry with p_iReserved of them set aside; never below 0.
int64_t SMSCapacity(int64_t p_iSMSCount, int64_t p_iReserved = 0);
// SMS needed for p_iCharacters characters plus p_iReserved.
int64_t SMSCount(int64_t p_iCharacters, int64_t p_iReserved = 0);
// What is left in the SMS that the text already needs.
int64_t SMSCharactersLeft(int64_t p_iCharacters, int64_t p_iReserved = 0);
