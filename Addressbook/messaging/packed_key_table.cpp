// Addressbook/messaging/packed_key_table.cpp: linear probing over a power-of-two array, grown
// before it is more than three quarters full.
#include "Addressbook/messaging/packed_key_table.h"

#include "common/platform.h"

#include <new>

namespace
{
constexpr size_t kMinSlots = 64;

// Spreads keys whose differences sit in a few bits (consecutive numbers, aligned pointers) over
// the whole table.
uint64_t Mix(uint64_t p_qwValue)
{
    p_qwValue ^= p_qwValue >> 33;
    p_qwValue *= 0xff51afd7ed558ccdULL;
    p_qwValue ^= p_qwValue >> 33;
    p_qwValue *= 0xc4ceb9fe1a85ec53ULL;
    p_qwValue ^= p_qwValue >> 33;
    return p_qwValue;
}

// Slots for p_nKeys at most three quarters full.
size_t SlotsFor(size_t p_nKeys)
{
    size_t nSlots = kMinSlots;
    while (nSlots / 4 * 3 < p_nKeys)
        nSlots *= 2;
    return nSlots;
}
} // namespace

CSlotArray::CSlotArray(size_t p_nSlots) : m_nSlots(p_nSlots)
{
    if (p_nSlots >= kPagedSlots)
        m_p_qwSlots = static_cast<uint64_t*>(platform::AllocatePages(p_nSlots * sizeof(uint64_t)));
    else
        m_p_qwSlots = new (std::nothrow) uint64_t[p_nSlots]();
    if (m_p_qwSlots == nullptr)
        throw std::bad_alloc();
}

CSlotArray::~CSlotArray()
{
    if (m_nSlots >= kPagedSlots)
        platform::FreePages(m_p_qwSlots, m_nSlots * sizeof(uint64_t));
    else
        delete[] m_p_qwSlots;
}

size_t CPackedKeyTable::SlotOf(uint64_t p_qwKey) const
{
    const size_t nMask = m_aSlots.Size() - 1;
    size_t i = static_cast<size_t>(Mix(p_qwKey)) & nMask;
    while (m_aSlots[i] != 0 && m_aSlots[i] != p_qwKey)
        i = (i + 1) & nMask;
    return i;
}

void CPackedKeyTable::Reserve(size_t p_nKeys)
{
    if (p_nKeys > kMaxReservedKeys)
        p_nKeys = kMaxReservedKeys;
    const size_t nSlots = SlotsFor(p_nKeys);
    if (nSlots > m_aSlots.Size())
        Rehash(nSlots);
}

bool CPackedKeyTable::Insert(uint64_t p_qwKey)
{
    const size_t nSlots = m_aSlots.Size();
    if (nSlots == 0 || (m_nUsed + 1) > nSlots / 4 * 3)
        Rehash(nSlots == 0 ? kMinSlots : nSlots * 2);
    const size_t i = SlotOf(p_qwKey);
    if (m_aSlots[i] == p_qwKey)
        return false;
    m_aSlots[i] = p_qwKey;
    ++m_nUsed;
    return true;
}

bool CPackedKeyTable::Contains(uint64_t p_qwKey) const
{
    return m_aSlots.Size() != 0 && m_aSlots[SlotOf(p_qwKey)] == p_qwKey;
}

void CPackedKeyTable::Rehash(size_t p_nSlots)
{
    // The new array is complete before the old one goes, so a failed allocation changes nothing.
    CSlotArray aOld(p_nSlots);
    aOld.Swap(m_aSlots);
    for (size_t i = 0; i < aOld.Size(); ++i)
        if (aOld[i] != 0)
            m_aSlots[SlotOf(aOld[i])] = aOld[i];
}
