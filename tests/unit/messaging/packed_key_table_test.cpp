// tests/unit/messaging/packed_key_table_test.cpp: the flat key set behind flattening, checked
// against std::unordered_set while it grows, under clustered keys and after a reservation.
#include "Addressbook/messaging/packed_key_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_set>
#include <vector>

namespace
{
// Consecutive numbers, numbers a table size apart (all hashing near each other before mixing),
// aligned pointers, and random keys with repeats.
std::vector<uint64_t> KeysOfKind(int p_iKind, size_t p_nCount)
{
    std::vector<uint64_t> vKeys;
    std::mt19937_64 oRandom(7);
    for (size_t i = 0; i < p_nCount; ++i)
    {
        switch (p_iKind)
        {
        case 0:
            vKeys.push_back(i + 1);
            break;
        case 1:
            vKeys.push_back((i % 97 + 1) << 20 | (i / 97 + 1) << 40);
            break;
        case 2:
            vKeys.push_back(0x7f0000000000ULL + i * 64);
            break;
        default:
            vKeys.push_back(oRandom() % (p_nCount / 2) + 1);
            break;
        }
    }
    return vKeys;
}
} // namespace

TEST(PackedKeyTable, AgreesWithAReferenceSetWhileGrowing)
{
    for (int iKind = 0; iKind < 4; ++iKind)
        for (size_t nReserve : {size_t(0), size_t(10), size_t(20000)})
        {
            CPackedKeyTable oTable;
            oTable.Reserve(nReserve);
            std::unordered_set<uint64_t> setReference;
            const std::vector<uint64_t> vKeys = KeysOfKind(iKind, 20000);
            // Each key twice over: the second round must find every one.
            for (int iRound = 0; iRound < 2; ++iRound)
                for (uint64_t qwKey : vKeys)
                    ASSERT_EQ(setReference.insert(qwKey).second, oTable.Insert(qwKey))
                        << "kind " << iKind << " reserve " << nReserve << " key " << qwKey;
            EXPECT_EQ(setReference.size(), oTable.Count());
            EXPECT_LE(oTable.Count(), oTable.SlotCount() / 4 * 3);
            for (uint64_t qwKey : vKeys)
                EXPECT_TRUE(oTable.Contains(qwKey));
            EXPECT_FALSE(oTable.Contains(0xdeadbeefcafeULL));
        }
}

TEST(PackedKeyTable, ReservationIsSizedAndBounded)
{
    const struct
    {
        size_t m_nReserve;
        size_t m_nSlots;
    } aCases[] = {
        {0, 64}, {48, 64}, {49, 128}, {100000, 262144}, {size_t(1) << 40, (size_t(1) << 23)},
    };
    for (const auto& c : aCases)
    {
        CPackedKeyTable oTable;
        oTable.Reserve(c.m_nReserve);
        EXPECT_EQ(c.m_nSlots, oTable.SlotCount()) << c.m_nReserve;
        // A reservation never loses keys already there, nor shrinks the table.
        EXPECT_TRUE(oTable.Insert(5));
        oTable.Reserve(1);
        EXPECT_EQ(c.m_nSlots, oTable.SlotCount());
        EXPECT_FALSE(oTable.Insert(5));
    }
}
