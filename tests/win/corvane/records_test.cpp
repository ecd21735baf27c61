// tests/win/corvane/records_test.cpp: recipients and lists made and freed through the exports leave
// nothing behind on the heaps. The meter is the busy bytes of every process heap; it is first shown
// to see a deliberate leak, so a quiet result means something.
#include "tests/win/corvane/corvane_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
constexpr int kRounds = 2000;

// One round of what a compose window does with its recipient fields.
void UseRecipients(CCorvane& p_oCorvane)
{
    static const uint8_t entry[] = {0x0A, 0x1B, 0xFF, 0x00, 0x42};
    CMessageRecipientList* list = nullptr;
    ASSERT_EQ(p_oCorvane.CreateMessageRecipientList(&list), 1);
    ASSERT_NE(list, nullptr);

    CMessageRecipient* typed = nullptr;
    ASSERT_EQ(p_oCorvane.CreateMessageRecipient("Alice Example", &typed), 1);
    ASSERT_EQ(p_oCorvane.AddExtraProp(typed, "Company", "Example Trading Ltd"), 1);
    ASSERT_EQ(p_oCorvane.AddMessageRecipient(list, typed), 1);

    CMessageRecipient* team = nullptr;
    ASSERT_EQ(p_oCorvane.CreateMessageRecipient("Team", &team), 1);
    ASSERT_EQ(p_oCorvane.AddDistList(team), 1);
    CMessageRecipient* member = nullptr;
    ASSERT_EQ(p_oCorvane.CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, "Bob", "082 555 1234",
                                                           "bob@example.com", "Bob", EID_TYPE_AB, sizeof(entry), entry,
                                                           kDefaultRecipientOptions, &member),
              1);
    ASSERT_EQ(p_oCorvane.AddMessageRecipient(team->m_p_mrlMembers, member), 1);
    ASSERT_EQ(p_oCorvane.InsertMessageRecipientAtPos(list, team, 0), 1);

    CMessageRecipient* copy = nullptr;
    ASSERT_EQ(p_oCorvane.CopyMessageRecipient(team, &copy), 1);
    ASSERT_EQ(p_oCorvane.AddMessageRecipient(list, copy), 1);
    ASSERT_EQ(list->m_dwCount, 3u);
    ASSERT_EQ(p_oCorvane.DeleteMessageRecipientAtPos(list, 1), 1);

    CMessageRecipient* loose = nullptr;
    ASSERT_EQ(p_oCorvane.CopyMessageRecipient(member, &loose), 1);
    ASSERT_EQ(p_oCorvane.DeleteMessageRecipient(&loose), 1);
    ASSERT_EQ(loose, nullptr);

    ASSERT_EQ(p_oCorvane.DeleteMessageRecipientList(&list), 1);
    ASSERT_EQ(list, nullptr);
}
} // namespace

TEST(CorvaneRecords, RecipientsMadeAndFreedThroughTheExportsLeakNothing)
{
    CCorvane& corvane = CCorvane::Get();
    CInitScope init(1, 0, kCallerNoPackage);
    ASSERT_TRUE(init.Succeeded());
    for (int i = 0; i < 50; ++i)
        ASSERT_NO_FATAL_FAILURE(UseRecipients(corvane));

    // The meter must see a leak of the size it is about to rule out.
    const std::string text(100, 'x');
    const CHeapUse beforeLeak = MeasureHeaps();
    std::vector<CMessageRecipient*> kept(kRounds, nullptr);
    for (CMessageRecipient*& recipient : kept)
        ASSERT_EQ(corvane.CreateMessageRecipient(text.c_str(), &recipient), 1);
    const CHeapUse leaking = MeasureHeaps();
    for (CMessageRecipient*& recipient : kept)
        corvane.DeleteMessageRecipient(&recipient);
    ASSERT_GT(leaking.m_nBytes, beforeLeak.m_nBytes + kRounds * text.size())
        << "the heap meter does not see allocations";

    const CHeapUse before = MeasureHeaps();
    for (int i = 0; i < kRounds; ++i)
        ASSERT_NO_FATAL_FAILURE(UseRecipients(corvane));
    const CHeapUse after = MeasureHeaps();
    // A lost string per round would be tens of kilobytes; what remains is the heaps' own noise.
    EXPECT_LT(after.m_nBytes, before.m_nBytes + 16 * 1024)
        << before.m_nBlocks << " blocks before, " << after.m_nBlocks << " after";
}
