// Addressbook/messaging/mobile_key_set.h: the set of mobile keys already taken while a job is
// flattened. A bulk job can hold a hundred thousand numbers, so keys that fit are packed into
// 64 bits and kept in an open-addressing table instead of a node per string.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/packed_key_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

class CMobileKeySet
{
  public:
    explicit CMobileKeySet(std::string p_sCountryCode);

    // Sizes the table for p_nKeys keys at once, so that a large job does not regrow it while the
    // flattened copies are being allocated.
    void Reserve(size_t p_nKeys);

    // True, and the key is taken, when the recipient's mobile passes the send test and its mobile
    // key (MobileKey with this set's country code) has not been taken before.
    [[nodiscard]] bool Admit(const CMessageRecipient& p_oRecipient);

    // A key's digits ("+" left out), as packed by the set: the digit count in the top bits and
    // their value below, so "+0825" and "+825" stay apart. False when there are too many digits.
    [[nodiscard]] static bool PackKey(std::string_view p_sDigits, uint64_t& p_qwPacked);

  private:
    std::string m_sCountryDigits;
    CPackedKeyTable m_oPacked;
    std::unordered_set<std::string> m_setLongKeys;
};
