// tests/unit/compose/send_rules_test.cpp: the compose window's decisions: time list, delivery in the
// past, SMS limit, sender ID, bulk decision, notification flags, send results and the helpers for
// text that comes from hosts.
#include "compose/send_rules.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace compose;

TEST(TimeList, EntriesReadOnATwelveHourDial)
{
    const struct
    {
        int m_iIndex;
        const char* m_szText;
    } cases[] = {{0, "00:00 AM"},  {1, "00:15 AM"},  {4, "01:00 AM"},  {47, "11:45 AM"},
                 {48, "12:00 PM"}, {49, "12:15 PM"}, {52, "01:00 PM"}, {95, "11:45 PM"}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeEntryText(c.m_iIndex), c.m_szText) << c.m_iIndex;
}

TEST(TimeList, EveryEntryParsesBackToItsTime)
{
    for (int i = 0; i < kTimeEntryCount; ++i)
    {
        int hour = -1;
        int minute = -1;
        ASSERT_TRUE(ParseTimeEntry(TimeEntryText(i), hour, minute)) << i;
        EXPECT_EQ(hour, i / 4) << TimeEntryText(i);
        EXPECT_EQ(minute, (i % 4) * 15) << TimeEntryText(i);
    }
    int hour = 0;
    int minute = 0;
    EXPECT_FALSE(ParseTimeEntry("noon", hour, minute));
    EXPECT_FALSE(ParseTimeEntry("10:15", hour, minute));
}

TEST(TimeList, InitialSelectionRoundsUpToTheNextQuarter)
{
    const struct
    {
        int m_iHour, m_iMinute;
        const char* m_szSelected;
    } cases[] = {{10, 7, "10:15 AM"},  {10, 15, "10:15 AM"}, {10, 0, "10:00 AM"}, {10, 46, "11:00 AM"},
                 {23, 50, "00:00 AM"}, {23, 45, "11:45 PM"}, {0, 1, "00:15 AM"},  {11, 59, "12:00 PM"}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeEntryText(InitialTimeIndex(c.m_iHour, c.m_iMinute)), c.m_szSelected)
            << c.m_iHour << ":" << c.m_iMinute;
}

TEST(DeliveryTime, PastIsDecidedToTheMinute)
{
    const auto at = [](uint16_t y, uint16_t mo, uint16_t d, uint16_t h, uint16_t mi) {
        CDeliveryTime t{};
        t.m_wYear = y;
        t.m_wMonth = mo;
        t.m_wDay = d;
        t.m_wHour = h;
        t.m_wMinute = mi;
        return t;
    };
    CDeliveryTime now = at(2026, 12, 8, 10, 16);
    now.m_wSecond = 59;
    EXPECT_FALSE(IsDeliveryInPast(at(2026, 12, 8, 10, 16), now)); // the current minute
    EXPECT_TRUE(IsDeliveryInPast(at(2026, 12, 8, 10, 15), now));
    EXPECT_FALSE(IsDeliveryInPast(at(2026, 12, 8, 10, 17), now));
    EXPECT_TRUE(IsDeliveryInPast(at(2026, 12, 7, 23, 59), now));
    EXPECT_FALSE(IsDeliveryInPast(at(2027, 1, 1, 0, 0), now));
    EXPECT_TRUE(IsDeliveryInPast(at(2025, 12, 31, 23, 59), now));
}

TEST(SMSLimit, OutOfRangeValuesAreReplaced)
{
    const struct
    {
        const char* m_szText;
        bool m_bValid;
        const char* m_szReplacement;
    } cases[] = {{"10", true, ""},    {"1", true, ""},  {"5", true, ""},     {"0", false, "1"},
                 {"11", false, "10"}, {"", false, "1"}, {"abc", false, "1"}, {"99999999999", false, "10"}};
    for (const auto& c : cases)
    {
        const CLimitCheck check = CheckSMSLimit(c.m_szText);
        EXPECT_EQ(check.m_bValid, c.m_bValid) << c.m_szText;
        EXPECT_EQ(check.m_sReplacement, c.m_szReplacement) << c.m_szText;
    }
}

TEST(SenderId, NeedsALetter)
{
    EXPECT_EQ(CheckSenderId(""), ESenderIdCheck::Empty);
    EXPECT_EQ(CheckSenderId("12345"), ESenderIdCheck::NumbersOnly);
    EXPECT_EQ(CheckSenderId("+27 82 555"), ESenderIdCheck::NumbersOnly);
    EXPECT_EQ(CheckSenderId("Shop 24"), ESenderIdCheck::Valid);
    EXPECT_EQ(CheckSenderId("x"), ESenderIdCheck::Valid);
}

namespace
{
// A list built the way Corvane lays one out, owned by the test.
struct CTestList
{
    std::vector<std::unique_ptr<CMessageRecipient>> m_vRecipients;
    std::vector<std::unique_ptr<CRecordNode<CMessageRecipient>>> m_vNodes;
    std::vector<std::unique_ptr<CTestList>> m_vMembers;
    std::unique_ptr<CEntryID> m_oEntry;
    CMessageRecipientList m_oList;

    CMessageRecipient& Add()
    {
        m_vRecipients.push_back(std::make_unique<CMessageRecipient>());
        m_vNodes.push_back(std::make_unique<CRecordNode<CMessageRecipient>>());
        auto* node = m_vNodes.back().get();
        node->m_p_oItem = m_vRecipients.back().get();
        node->m_iOwnsItem = 0;
        node->m_p_oPrev = m_oList.m_p_oLast;
        if (m_oList.m_p_oLast != nullptr)
            m_oList.m_p_oLast->m_p_oNext = node;
        else
            m_oList.m_p_oFirst = node;
        m_oList.m_p_oLast = node;
        ++m_oList.m_dwCount;
        return *node->m_p_oItem;
    }
    ~CTestList()
    {
        for (auto& recipient : m_vRecipients)
        {
            recipient->m_p_mrlMembers = nullptr;
            recipient->m_p_oEntry = nullptr;
        }
        m_oList.m_p_oFirst = m_oList.m_p_oLast = nullptr;
    }
};
} // namespace

TEST(BulkDecision, CountsRecipientsAndListMembers)
{
    const auto make = [](int p_iCount) {
        auto list = std::make_unique<CTestList>();
        for (int i = 0; i < p_iCount; ++i)
            list->Add();
        return list;
    };
    auto hundred = make(100);
    auto none = make(0);
    EXPECT_FALSE(IsBulkSend(true, false, &hundred->m_oList, &none->m_oList, false));
    auto one = make(1);
    EXPECT_TRUE(IsBulkSend(true, false, &hundred->m_oList, &one->m_oList, false)); // 100 + 1 across To and Cc

    // One distribution list of 101 members counts as 101.
    auto withList = make(0);
    auto members = make(101);
    withList->Add().m_p_mrlMembers = &members->m_oList;
    EXPECT_EQ(CountForBulk(&withList->m_oList), 101u);
    EXPECT_TRUE(IsBulkSend(true, false, &withList->m_oList, nullptr, false));

    // Tokens, an imported entry or a sender ID make any send bulk.
    EXPECT_TRUE(IsBulkSend(false, false, &one->m_oList, nullptr, false));
    EXPECT_TRUE(IsBulkSend(true, true, &one->m_oList, nullptr, false));
    EXPECT_TRUE(IsBulkSend(true, false, &one->m_oList, nullptr, true));
    auto imported = make(0);
    CEntryID entry;
    entry.m_iKind = EID_TYPE_BULK;
    imported->Add().m_p_oEntry = &entry;
    EXPECT_TRUE(IsBulkSend(true, false, nullptr, &imported->m_oList, false));
    entry.m_iKind = EID_TYPE_AB;
    EXPECT_FALSE(IsBulkSend(true, false, nullptr, &imported->m_oList, false));
}

TEST(NotifyFlags, MenuCommandsChangeTheirBits)
{
    const struct
    {
        int m_iCommand;
        uint32_t m_dwBefore, m_dwAfter;
    } cases[] = {
        {kCmdNeverNotify, 0x22, 0x00},       {kCmdFailedOnly, 0x20, 0x02},       {kCmdAllDeliveries, 0x02, 0x20},
        {kCmdEachSubpart, 0x04, 0x08},       {kCmdOncePerRecipient, 0x08, 0x04}, {kCmdToMyPhone, 0x00, 0x10},
        {kCmdToMyPhone, 0x10, 0x00},         {kCmdNetwork, 0x20, 0x60},          {kCmdPhone, 0xA0, 0x20},
        {kCmdReplyNone, 0x600, 0x000},       {kCmdReplyEmail, 0x400, 0x200},     {kCmdReplyEmailMobile, 0x0, 0x600},
        {kCmdNotifyByEmail, 0x1234, 0x1234},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyNotifyCommand(c.m_iCommand, c.m_dwBefore), c.m_dwAfter) << c.m_iCommand;
    EXPECT_EQ(RepliesIndexOf(0x000), 0);
    EXPECT_EQ(RepliesIndexOf(0x200), 1);
    EXPECT_EQ(RepliesIndexOf(0x600), 2);
}

TEST(NotifyFlags, AllDeliveriesNeedsNetworkOrPhone)
{
    EXPECT_TRUE(NeedsNotifyTarget(0x20));
    EXPECT_FALSE(NeedsNotifyTarget(0x60));
    EXPECT_FALSE(NeedsNotifyTarget(0xA0));
    EXPECT_FALSE(NeedsNotifyTarget(0x02));
}

TEST(SendResult, EachCodeActsOnTheWindow)
{
    const struct
    {
        int m_iResult;
        bool m_bRelease;
        EResultBox m_eBox;
        bool m_bClose;
    } cases[] = {{0, true, EResultBox::Failed, false}, {1, false, EResultBox::None, false},
                 {2, false, EResultBox::None, true},   {3, true, EResultBox::Failed, false},
                 {4, true, EResultBox::Failed, false}, {5, false, EResultBox::None, true},
                 {6, true, EResultBox::None, false},   {7, true, EResultBox::TimeOut, false}};
    for (const auto& c : cases)
    {
        const CResultAction action = ActionForResult(c.m_iResult);
        EXPECT_EQ(action.m_bReleaseMutex, c.m_bRelease) << c.m_iResult;
        EXPECT_EQ(action.m_eBox, c.m_eBox) << c.m_iResult;
        EXPECT_EQ(action.m_bClose, c.m_bClose) << c.m_iResult;
    }
}

TEST(Signature, NewBodyAndSignatureOnlyTest)
{
    EXPECT_EQ(InitialBody(0x0800, "Sig"), "\r\nSig");
    EXPECT_EQ(InitialBody(0x0800, ""), "");
    EXPECT_EQ(InitialBody(0x0200, "Sig"), "");
    EXPECT_TRUE(IsOnlySignature("\nSig", "Sig"));
    EXPECT_FALSE(IsOnlySignature("\nSig!", "Sig"));
    EXPECT_FALSE(IsOnlySignature("Sig", "Sig"));
}

TEST(HostText, EntryHex)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(HexToBytes("0A1BFF", 3, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x0A, 0x1B, 0xFF}));
    EXPECT_TRUE(HexToBytes("0a1bff00", 3, bytes)); // only the counted bytes are read
    EXPECT_FALSE(HexToBytes("0A1B", 3, bytes));    // shorter than its count
    EXPECT_FALSE(HexToBytes("0G1BFF", 3, bytes));
}
