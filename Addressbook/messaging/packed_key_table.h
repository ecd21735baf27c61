// Addressbook/messaging/packed_key_table.h: a set of non-zero 64-bit keys in one flat array.
// Flattening a bulk job asks "seen before?" once per recipient, so the set is a linear-probing
// table: no node per key, and a probe usually stays within one cache line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class CPackedKeyTable
{
  public:
    CPackedKeyTable() = default;
    CPackedKeyTable(const CPackedKeyTable&) = delete;
    CPackedKeyTable& operator=(const CPackedKeyTable&) = delete;

    // Sizes the table for p_nKeys keys without regrowing. Only a hint: the table still grows past
    // it, and a hint beyond kMaxReservedKeys is taken as that many.
    void Reserve(size_t p_nKeys);

    // True when p_qwKey (never 0) was not in the set; it is in it afterwards. Throws
    // std::bad_alloc when the table cannot grow, leaving it as it was.
    bool Insert(uint64_t p_qwKey);
    bool Contains(uint64_t p_qwKey) const;

    size_t Count() const
    {
        return m_nUsed;
    }
    size_t SlotCount() const
    {
        return m_nSlots;
    }

    // A hint larger than this (a list count a host may have written anything into) is not
    // allocated up front.
    static constexpr size_t kMaxReservedKeys = size_t(1) << 22;

  private:
    size_t SlotOf(uint64_t p_qwKey) const;
    void Rehash(size_t p_nSlots);

    std::unique_ptr<uint64_t[]> m_p_qwSlots; // 0 marks an empty slot
    size_t m_nSlots = 0;                     // a power of two, or 0 before the first key
    size_t m_nUsed = 0;
};
