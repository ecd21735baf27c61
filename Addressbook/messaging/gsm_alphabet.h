// Addressbook/messaging/gsm_alphabet.h: which UTF-16 code units an SMS can carry in the GSM 7-bit default
// alphabet, and the character count of a body that the status bar turns into SMS messages.
#pragma once

#include <cstdint>
#include <string_view>

// 1: one septet of the default alphabet; 2: a character of its extension table (escape plus one
// septet); 0: a character an SMS cannot carry.
int GsmClass(char16_t p_cUnit);

// The septets of a body: the classes of its characters summed, less one for each embedded object
// (an object is one character of the text and costs nothing). Never below 0.
int64_t GsmLength(std::u16string_view p_sText, int64_t p_iObjects);

// What the status bar shows for a body of p_iLength septets.
struct CBodyCount
{
    int64_t m_iRemaining = 0; // characters left in the SMS messages the body already needs
    int64_t m_iSMSCount = 0;
};
CBodyCount CountBody(int64_t p_iLength);
