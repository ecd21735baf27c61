// Addressbook/messaging/packed_key_table.h: a set of non-zero 64-bit keys in one flat array.
// Flattening a bulk job asks "seen before?" once per recipient, so the set is a linear-probing
// table: no node per key, and a probe usually stays within one cache line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

// The table's slots, all zero when made. A table of kPagedSlots slots or more comes straight from
// the system's pages: a heap request that large would make the heap first merge every small block
// freed since the last one (a whole job's records, when the job before it was freed), and would
// come back uncleared.
class CSlotArray
{
  public:
    static constexpr size_t kPagedSlots = 8192;

    CSlotArray() = default;
    // Throws std::bad_alloc when there is no memory for p_nSlots slots.
    explicit CSlotArray(size_t p_nSlots);
    ~CSlotArray();
    CSlotArray(const CSlotArray&) = delete;
    CSlotArray& operator=(const CSlotArray&) = delete;

    void Swap(CSlotArray& p_oOther) noexcept
    {
        std::swap(m_p_qwSlots, p_oOther.m_p_qwSlots);
        std::swap(m_nSlots, p_oOther.m_nSlots);
    }
    uint64_t& operator[](size_t p_nIndex)
    {
        return m_p_qwSlots[p_nIndex];
    }
    uint64_t operator[](size_t p_nIndex) const
    {
        return m_p_qwSlots[p_nIndex];
    }
    size_t Size() const
    {
        return m_nSlots;
    }

  private:
    uint64_t* m_p_qwSlots = nullptr;
    size_t m_nSlots = 0;
};

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
    [[nodiscard]] bool Insert(uint64_t p_qwKey);
    bool Contains(uint64_t p_qwKey) const;

    size_t Count() const
    {
        return m_nUsed;
    }
    size_t SlotCount() const
    {
        return m_aSlots.Size();
    }

    // A hint larger than this (a list count a host may have written anything into) is not
    // allocated up front.
    static constexpr size_t kMaxReservedKeys = size_t(1) << 22;

  private:
    size_t SlotOf(uint64_t p_qwKey) const;
    void Rehash(size_t p_nSlots);

    CSlotArray m_aSlots; // 0 marks an empty slot; a power of two of them, or none before the first key
    size_t m_nUsed = 0;
};
