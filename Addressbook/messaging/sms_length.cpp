// Addressbook/messaging/sms_length.cpp: the 160/153 rule.
#include "Addressbook/messaging/sms_length.h"

int64_t SMSCapacity(int64_t p_iSMSCount, int64_t p_iReserved)
{
    const int64_t iCapacity =
        (p_iSMSCount == 1 ? kSingleSMSCharacters : p_iSMSCount * kPartSMSCharacters) - p_iReserved;
    return iCapacity < 0 ? 0 : iCapacity;
}

int64_t SMSCount(int64_t p_iCharacters, int64_t p_iReserved)
{
    const int64_t iTotal = p_iCharacters + p_iReserved;
    if (iTotal <= kSingleSMSCharacters)
        return 1;
    return (iTotal + kPartSMSCharacters - 1) / kPartSMSCharacters;
}

int64_t SMSCharactersLeft(int64_t p_iCharacters, int64_t p_iReserved)
{
    return SMSCapacity(SMSCount(p_iCharacters, p_iReserved)) - p_iCharacters - p_iReserved;
}
