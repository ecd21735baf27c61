// Addressbook/messaging/gsm_alphabet.cpp: the GSM character classes and the body's SMS count.
#include "Addressbook/messaging/gsm_alphabet.h"

#include "Addressbook/messaging/sms_length.h"

#include <algorithm>
#include <iterator>

namespace
{
// The default alphabet's characters from Latin-1 and Greek, sorted for bisection.
constexpr char16_t kLatinGreek[] = {
    0x00A1, 0x00A3, 0x00A4, 0x00A5, 0x00A7, 0x00BF, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C9, 0x00D1, 0x00D6,
    0x00D8, 0x00DC, 0x00DF, 0x00E0, 0x00E4, 0x00E5, 0x00E6, 0x00E8, 0x00E9, 0x00EC, 0x00F1, 0x00F2, 0x00F6,
    0x00F8, 0x00F9, 0x00FC, 0x0393, 0x0394, 0x0398, 0x039B, 0x039E, 0x03A0, 0x03A3, 0x03A6, 0x03A8, 0x03A9,
};
static_assert(std::size(kLatinGreek) == 39);

constexpr char16_t kEuro = 0x20AC;
} // namespace

int GsmClass(char16_t p_cUnit)
{
    if (p_cUnit == u'\n' || p_cUnit == u'\r' || p_cUnit == u'_')
        return 1;
    if ((p_cUnit >= 0x20 && p_cUnit <= 0x5A) || (p_cUnit >= 0x61 && p_cUnit <= 0x7A))
        return 1;
    if ((p_cUnit >= 0x5B && p_cUnit <= 0x5E) || (p_cUnit >= 0x7B && p_cUnit <= 0x7E) || p_cUnit == kEuro)
        return 2;
    if (p_cUnit >= kLatinGreek[0] && p_cUnit <= kLatinGreek[std::size(kLatinGreek) - 1])
        return std::binary_search(std::begin(kLatinGreek), std::end(kLatinGreek), p_cUnit) ? 1 : 0;
    return 0;
}

int64_t GsmLength(std::u16string_view p_sText, int64_t p_iObjects)
{
    int64_t iLength = 0;
    for (const char16_t cUnit : p_sText)
        iLength += GsmClass(cUnit);
    iLength -= p_iObjects;
    return iLength < 0 ? 0 : iLength;
}

CBodyCount CountBody(int64_t p_iLength)
{
    CBodyCount oCount;
    oCount.m_iSMSCount = SMSCount(p_iLength);
    oCount.m_iRemaining = SMSCharactersLeft(p_iLength);
    return oCount;
}
