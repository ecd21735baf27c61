// Addressbook/messaging/mobile_key_set.cpp: mobile keys packed as they are read.
#include "Addressbook/messaging/mobile_key_set.h"

#include "Addressbook/messaging/phone_rules.h"

namespace
{
// 17 digits stay below 2^57, leaving the top bits for the digit count; numbers are at most 15.
constexpr size_t kMaxPackedDigits = 17;
constexpr int kDigitCountShift = 57;

bool IsDigit(char p_c)
{
    return p_c >= '0' && p_c <= '9';
}

// Digits accumulated into the packed form, or counted only once there are too many to pack.
struct CKeyDigits
{
    void Add(char p_c)
    {
        if (m_nCount < kMaxPackedDigits)
            m_qwValue = m_qwValue * 10 + static_cast<uint64_t>(p_c - '0');
        ++m_nCount;
    }
    bool Fits() const
    {
        return m_nCount <= kMaxPackedDigits;
    }
    // The count is offset by one so that the key of no digits at all is not the empty slot.
    uint64_t Packed() const
    {
        return (static_cast<uint64_t>(m_nCount + 1) << kDigitCountShift) | m_qwValue;
    }

    uint64_t m_qwValue = 0;
    size_t m_nCount = 0;
};
} // namespace

CMobileKeySet::CMobileKeySet(std::string p_sCountryCode) : m_sCountryDigits(DigitsOf(p_sCountryCode))
{
}

bool CMobileKeySet::PackKey(std::string_view p_sDigits, uint64_t& p_qwPacked)
{
    if (p_sDigits.size() > kMaxPackedDigits)
        return false;
    CKeyDigits oDigits;
    for (char c : p_sDigits)
        oDigits.Add(c);
    p_qwPacked = oDigits.Packed();
    return true;
}

bool CMobileKeySet::Admit(const CMessageRecipient& p_oRecipient)
{
    // One pass does the send test and gathers the key's digits: a number that passes is made of
    // phone characters only, so all of its digits (after a leading "0") belong to the key.
    const char* p_cNumber = p_oRecipient.m_szMobile;
    if (p_cNumber == nullptr)
        return false;
    const char* p_c = p_cNumber[0] == '+' ? p_cNumber + 1 : p_cNumber;
    if (!(IsDigit(*p_c) || *p_c == '('))
        return false;
    CKeyDigits oDigits;
    if (p_cNumber[0] == '0')
    {
        for (char c : m_sCountryDigits)
            oDigits.Add(c);
        ++p_c;
    }
    for (; *p_c != '\0'; ++p_c)
    {
        const char c = *p_c;
        if (IsDigit(c))
            oDigits.Add(c);
        else if (c != ' ' && c != '-' && c != '(' && c != ')')
            return false;
    }
    if (oDigits.Fits())
        return m_oPacked.Insert(oDigits.Packed());
    return m_setLongKeys.insert(MobileKey(p_cNumber, m_sCountryDigits)).second;
}

void CMobileKeySet::Reserve(size_t p_nKeys)
{
    m_oPacked.Reserve(p_nKeys);
}
