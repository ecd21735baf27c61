// Addressbook/messaging/mobile_key_set.cpp: packed mobile keys in a linear-probing table.
#include "Addressbook/messaging/mobile_key_set.h"

#include "Addressbook/messaging/phone_rules.h"

namespace
{
// 17 digits stay below 2^57, leaving the top bits for the digit count; numbers are at most 15.
constexpr size_t kMaxPackedDigits = 17;
constexpr int kDigitCountShift = 57;
constexpr size_t kInitialSlots = 1024;

uint64_t Mix(uint64_t p_qwValue)
{
    p_qwValue ^= p_qwValue >> 33;
    p_qwValue *= 0xff51afd7ed558ccdULL;
    p_qwValue ^= p_qwValue >> 33;
    p_qwValue *= 0xc4ceb9fe1a85ec53ULL;
    p_qwValue ^= p_qwValue >> 33;
    return p_qwValue;
}
} // namespace

CMobileKeySet::CMobileKeySet(std::string p_sCountryCode) : m_sCountryDigits(DigitsOf(p_sCountryCode))
{
}

bool CMobileKeySet::PackKey(std::string_view p_sDigits, uint64_t& p_qwPacked)
{
    if (p_sDigits.size() > kMaxPackedDigits)
        return false;
    uint64_t qwValue = 0;
    for (char c : p_sDigits)
        qwValue = qwValue * 10 + static_cast<uint64_t>(c - '0');
    // The count is offset by one so that the key of no digits at all is not the empty slot.
    p_qwPacked = (static_cast<uint64_t>(p_sDigits.size() + 1) << kDigitCountShift) | qwValue;
    return true;
}

bool CMobileKeySet::Admit(const CMessageRecipient& p_oRecipient)
{
    if (!PassesSendTest(p_oRecipient.m_szMobile))
        return false;
    const std::string sKey = MobileKey(p_oRecipient.m_szMobile, m_sCountryDigits);
    const std::string_view sDigits = std::string_view(sKey).substr(1);
    uint64_t qwPacked = 0;
    if (PackKey(sDigits, qwPacked))
        return InsertPacked(qwPacked);
    return m_setLongKeys.insert(sKey).second;
}

void CMobileKeySet::Reserve(size_t p_nKeys)
{
    size_t nSlots = m_vSlots.empty() ? kInitialSlots : m_vSlots.size();
    while (nSlots < p_nKeys * 2)
        nSlots *= 2;
    if (nSlots > m_vSlots.size())
        Rehash(nSlots);
}

bool CMobileKeySet::InsertPacked(uint64_t p_qwPacked)
{
    // At most half full keeps the probe runs short.
    if ((m_nUsed + 1) * 2 > m_vSlots.size())
        Rehash(m_vSlots.empty() ? kInitialSlots : m_vSlots.size() * 2);
    const size_t nMask = m_vSlots.size() - 1;
    for (size_t i = Mix(p_qwPacked) & nMask;; i = (i + 1) & nMask)
    {
        if (m_vSlots[i] == p_qwPacked)
            return false;
        if (m_vSlots[i] == 0)
        {
            m_vSlots[i] = p_qwPacked;
            ++m_nUsed;
            return true;
        }
    }
}

void CMobileKeySet::Rehash(size_t p_nSlots)
{
    std::vector<uint64_t> vOld;
    vOld.swap(m_vSlots);
    m_vSlots.assign(p_nSlots, 0);
    m_nUsed = 0;
    for (uint64_t qwPacked : vOld)
        if (qwPacked != 0)
            InsertPacked(qwPacked);
}
