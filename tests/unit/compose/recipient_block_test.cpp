// tests/unit/compose/recipient_block_test.cpp: the "SMSRecip" block read back through the messaging
// library's exports: a round trip of people, typed numbers and an imported list with its members,
// and blocks that are cut short, claim more than they hold or meet a refusing core.
#include "compose/fields/recipient_block.h"
#include "tests/unit/messaging/messaging_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace compose;

namespace
{
CRecipientFactory LibraryFactory()
{
    CRecipientFactory factory;
    factory.m_pfnCreateMessageRecipientFromDetails = &CreateMessageRecipientFromDetails;
    factory.m_pfnAddExtraProp = &AddExtraProp;
    factory.m_pfnAddDistList = &AddDistList;
    factory.m_pfnAddMessageRecipient = &AddMessageRecipient;
    factory.m_pfnDeleteMessageRecipient = &DeleteMessageRecipient;
    return factory;
}

CMessageRecipient* Make(uint32_t p_dwState, int32_t p_iKind, const char* p_szDisplay, const char* p_szMobile,
                        const char* p_szEmail, const char* p_szName, int32_t p_iEntryKind, const std::string& p_sEntry,
                        uint32_t p_dwOptions)
{
    CMessageRecipient* recipient = nullptr;
    EXPECT_EQ(1, CreateMessageRecipientFromDetails(p_dwState, p_iKind, p_szDisplay, p_szMobile, p_szEmail, p_szName,
                                                   p_iEntryKind, static_cast<uint32_t>(p_sEntry.size()),
                                                   reinterpret_cast<const uint8_t*>(p_sEntry.data()), p_dwOptions,
                                                   &recipient));
    return recipient;
}

std::string Text(const char* p_szText)
{
    return p_szText == nullptr ? std::string("(null)") : std::string(p_szText);
}

std::vector<std::pair<std::string, std::string>> Props(const CMessageRecipient& p_oRecipient)
{
    std::vector<std::pair<std::string, std::string>> props;
    for (auto* node = p_oRecipient.m_p_oExtraProps != nullptr ? p_oRecipient.m_p_oExtraProps->m_p_oFirst : nullptr;
         node != nullptr; node = node->m_p_oNext)
        props.emplace_back(node->m_p_oItem->m_szName, node->m_p_oItem->m_szValue);
    return props;
}

std::string Written(const CMessageRecipientList* p_p_mrlList)
{
    std::string out;
    for (auto* node = p_p_mrlList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        WriteRecipientBlock(*node->m_p_oItem, out);
    return out;
}

EBlockResult Read(const std::string& p_sData, std::vector<CMessageRecipient*>& p_vOut,
                  const CRecipientFactory& p_oFactory = LibraryFactory())
{
    return ReadRecipientBlocks(reinterpret_cast<const uint8_t*>(p_sData.data()), p_sData.size(), p_oFactory, p_vOut);
}

void Free(std::vector<CMessageRecipient*>& p_vRecipients)
{
    for (CMessageRecipient*& recipient : p_vRecipients)
        DeleteMessageRecipient(&recipient);
    p_vRecipients.clear();
}

std::string U32(uint32_t p_dwValue)
{
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<size_t>(i)] = static_cast<char>((p_dwValue >> (8 * i)) & 0xFF);
    return out;
}

std::string Str(const std::string& p_sText)
{
    return U32(static_cast<uint32_t>(p_sText.size())) + p_sText;
}

// A person, a typed number and an imported list whose members are valid, without a number and
// with a number that is none.
class BlockRoundTrip : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CMessageRecipient* person =
            m_oList.Add(Make(kStateResolved, kKindIndividual, "Ann Lee", "+27 82 555 1234", "ann@example.com",
                             "Ann Lee", EID_TYPE_AB, std::string("\x01\x00\x02\xFF", 4), kDefaultRecipientOptions));
        AddExtraProp(person, "Company", "Brevolt");
        AddExtraProp(person, "Empty", "");
        m_oList.Add(Make(kStateTypedNumber, kKindIndividual, "+27825551234", "+27825551234", nullptr, nullptr, 0, "",
                         kDefaultRecipientOptions));
        CMessageRecipient* bulk =
            m_oList.Add(Make(kStateListComplete, kKindDistList, "clients", nullptr, nullptr, "clients", EID_TYPE_BULK,
                             std::string("C:\\clients.csv\0", 15), kOptionNameTokens));
        AddDistList(bulk);
        const struct
        {
            const char* m_szName;
            const char* m_szMobile;
            const char* m_szEmail;
        } members[] = {
            {"Bob Stone", "0825550001", "bob@example.com"}, {"Carl Mills", "", nullptr}, {"Dee Ray", "55x", nullptr}};
        for (const auto& m : members)
        {
            CMessageRecipient* member = Make(kStateResolved, kKindIndividual, m.m_szName, m.m_szMobile, m.m_szEmail,
                                             m.m_szName, EID_TYPE_BULK, "", kOptionNameTokens);
            AddExtraProp(member, "City", m.m_szName[0] == 'B' ? "Durban" : "Cape Town");
            AddMessageRecipient(bulk->m_p_mrlMembers, member);
        }
    }

    CTestList m_oList;
};
} // namespace

TEST_F(BlockRoundTrip, EveryFieldComesBack)
{
    std::vector<CMessageRecipient*> read;
    ASSERT_EQ(Read(Written(m_oList.Get()), read), EBlockResult::Ok);
    ASSERT_EQ(read.size(), 3u);
    size_t i = 0;
    for (auto* node = m_oList.Get()->m_p_oFirst; node != nullptr; node = node->m_p_oNext, ++i)
    {
        const CMessageRecipient& before = *node->m_p_oItem;
        const CMessageRecipient& after = *read[i];
        SCOPED_TRACE(Text(before.m_szDisplayText));
        EXPECT_EQ(Text(after.m_szName), before.m_szName == nullptr ? "" : Text(before.m_szName));
        EXPECT_EQ(Text(after.m_szEmail), before.m_szEmail == nullptr ? "" : Text(before.m_szEmail));
        EXPECT_EQ(Text(after.m_szMobile), before.m_szMobile == nullptr ? "" : Text(before.m_szMobile));
        EXPECT_EQ(Text(after.m_szDisplayText), Text(before.m_szDisplayText));
        EXPECT_EQ(after.m_iKind, before.m_iKind);
        EXPECT_EQ(after.m_dwOptions, before.m_dwOptions);
        EXPECT_EQ(Props(after), Props(before));
        ASSERT_NE(after.m_p_oEntry, nullptr);
        EXPECT_EQ(after.m_p_oEntry->m_iKind, before.m_p_oEntry->m_iKind);
        ASSERT_EQ(after.m_p_oEntry->m_dwByteCount, before.m_p_oEntry->m_dwByteCount);
        if (before.m_p_oEntry->m_dwByteCount != 0)
        {
            EXPECT_EQ(0, std::memcmp(after.m_p_oEntry->m_p_bBytes, before.m_p_oEntry->m_p_bBytes,
                                     before.m_p_oEntry->m_dwByteCount));
        }
    }
    EXPECT_EQ(read[0]->m_dwState, kStateResolved);
    EXPECT_EQ(read[1]->m_dwState, kStateTypedNumber);
    EXPECT_EQ(read[0]->m_p_mrlMembers, nullptr);

    // The members are stated again from their numbers, and one that is not valid marks the list.
    const CMessageRecipient& bulk = *read[2];
    EXPECT_EQ(bulk.m_dwState, kStateListIncomplete);
    ASSERT_NE(bulk.m_p_mrlMembers, nullptr);
    ASSERT_EQ(bulk.m_p_mrlMembers->m_dwCount, 3u);
    const struct
    {
        uint32_t m_dwState;
        const char* m_szName;
        const char* m_szMobile;
        const char* m_szEmail;
        const char* m_szCity;
    } expected[] = {{kStateResolved, "Bob Stone", "0825550001", "bob@example.com", "Durban"},
                    {kStateNoMobile, "Carl Mills", "", "", "Cape Town"},
                    {kStateInvalidMobile, "Dee Ray", "55x", "", "Cape Town"}};
    auto* node = bulk.m_p_mrlMembers->m_p_oFirst;
    for (const auto& e : expected)
    {
        const CMessageRecipient& member = *node->m_p_oItem;
        EXPECT_EQ(member.m_dwState, e.m_dwState) << e.m_szName;
        EXPECT_EQ(member.m_iKind, kKindIndividual);
        EXPECT_EQ(Text(member.m_szName), e.m_szName);
        EXPECT_EQ(Text(member.m_szDisplayText), e.m_szName);
        EXPECT_EQ(Text(member.m_szMobile), e.m_szMobile);
        EXPECT_EQ(Text(member.m_szEmail), e.m_szEmail);
        EXPECT_EQ(member.m_p_oEntry->m_iKind, EID_TYPE_BULK);
        EXPECT_EQ(member.m_p_oEntry->m_dwByteCount, 0u);
        // The merge reads the token permissions from each member: they follow the list's.
        EXPECT_EQ(member.m_dwOptions, kOptionNameTokens);
        EXPECT_EQ(Props(member), (std::vector<std::pair<std::string, std::string>>{{"City", e.m_szCity}}));
        node = node->m_p_oNext;
    }
    Free(read);
}

TEST_F(BlockRoundTrip, AListWhoseMembersAreAllValidKeepsItsState)
{
    CMessageRecipient* bulk = m_oList.Get()->m_p_oLast->m_p_oItem;
    ASSERT_EQ(1, DeleteMessageRecipientAtPos(bulk->m_p_mrlMembers, 2));
    ASSERT_EQ(1, DeleteMessageRecipientAtPos(bulk->m_p_mrlMembers, 1));
    std::string block;
    WriteRecipientBlock(*bulk, block);
    std::vector<CMessageRecipient*> read;
    ASSERT_EQ(Read(block, read), EBlockResult::Ok);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0]->m_dwState, kStateListComplete);
    EXPECT_EQ(read[0]->m_p_mrlMembers->m_dwCount, 1u);
    Free(read);
}

TEST_F(BlockRoundTrip, EveryCutShortDataIsRefusedAndLeavesNothing)
{
    const std::string data = Written(m_oList.Get());
    std::string first;
    WriteRecipientBlock(*m_oList.Get()->m_p_oFirst->m_p_oItem, first);
    std::string second;
    WriteRecipientBlock(*m_oList.Get()->m_p_oFirst->m_p_oNext->m_p_oItem, second);
    for (size_t length = 1; length < data.size(); ++length)
    {
        std::vector<CMessageRecipient*> read;
        const EBlockResult result = Read(data.substr(0, length), read);
        const bool bWhole = length == first.size() || length == first.size() + second.size();
        // The typed number's block starts with empty strings: a cut within its first zeros looks
        // like the padding of the transfer memory and ends the data after the whole first block.
        const bool bZeros = length > first.size() && length - first.size() < kMinRecipientBlock &&
                            data.find_first_not_of('\0', first.size()) >= length;
        EXPECT_EQ(result, bWhole || bZeros ? EBlockResult::Ok : EBlockResult::Malformed) << length;
        EXPECT_EQ(read.empty(), !(bWhole || bZeros)) << length;
        Free(read);
    }
}

TEST(RecipientBlock, LengthsAndCountsBeyondTheDataAreRefused)
{
    const std::string strings = Str("Ann") + Str("") + Str("082") + Str("Ann");
    const std::string tail = U32(0) + U32(kStateResolved) + U32(3);
    const struct
    {
        const char* m_szCase;
        std::string m_sData;
    } cases[] = {
        {"name length", U32(0xFFFFFFFFu) + "Ann"},
        {"string longer than the rest", Str("Ann") + U32(100) + "x"},
        {"entry byte count", strings + U32(EID_TYPE_AB) + U32(0x7FFFFFFFu) + "ab"},
        {"property count", strings + U32(0) + U32(0) + tail + U32(0x40000000u)},
        {"property pairs cut", strings + U32(0) + U32(0) + tail + U32(2) + Str("a") + Str("b") + Str("c")},
        {"member count",
         strings + U32(EID_TYPE_BULK) + U32(2) + std::string("p\0", 2) + tail + U32(0) + U32(0x20000000u)},
        {"member property count", strings + U32(EID_TYPE_BULK) + U32(2) + std::string("p\0", 2) + tail + U32(0) +
                                      U32(1) + Str("m") + Str("") + Str("082") + U32(0xFFFFFFF0u)},
        {"padding that is not zero", strings + U32(0) + U32(0) + tail + U32(0) + std::string("\0\0\x01", 3)},
    };
    for (const auto& c : cases)
    {
        std::vector<CMessageRecipient*> read;
        EXPECT_EQ(Read(c.m_sData, read), EBlockResult::Malformed) << c.m_szCase;
        EXPECT_TRUE(read.empty()) << c.m_szCase;
    }
    // The transfer memory may be longer than the blocks: a short run of zeros after them is padding.
    const std::string block = strings + U32(0) + U32(0) + tail + U32(0);
    std::vector<CMessageRecipient*> read;
    ASSERT_EQ(Read(block + std::string(12, '\0'), read), EBlockResult::Ok);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_STREQ(read[0]->m_szName, "Ann");
    EXPECT_STREQ(read[0]->m_szEmail, "");
    Free(read);
    EXPECT_EQ(Read(std::string(), read), EBlockResult::Ok);
    EXPECT_TRUE(read.empty());
}

namespace
{
// The library's exports, until the n-th call of any of them that can refuse.
int g_iCallsLeft = 0;
bool Allowed()
{
    return g_iCallsLeft-- > 0;
}
int CORVANE_API RefusingCreate(uint32_t p_dwState, int32_t p_iKind, const char* p_szDisplay, const char* p_szMobile,
                               const char* p_szEmail, const char* p_szName, int32_t p_iEntryKind, uint32_t p_dwCount,
                               const uint8_t* p_pBytes, uint32_t p_dwOptions, CMessageRecipient** p_pp_oOut)
{
    if (!Allowed())
    {
        *p_pp_oOut = nullptr; // out of memory, as the library reports it
        return 1;
    }
    return CreateMessageRecipientFromDetails(p_dwState, p_iKind, p_szDisplay, p_szMobile, p_szEmail, p_szName,
                                             p_iEntryKind, p_dwCount, p_pBytes, p_dwOptions, p_pp_oOut);
}
int CORVANE_API RefusingProp(CMessageRecipient* p_p_oRecipient, const char* p_szName, const char* p_szValue)
{
    return Allowed() ? AddExtraProp(p_p_oRecipient, p_szName, p_szValue) : 0;
}
int CORVANE_API RefusingDistList(CMessageRecipient* p_p_oRecipient)
{
    return Allowed() ? AddDistList(p_p_oRecipient) : 0;
}
int CORVANE_API RefusingAdd(CMessageRecipientList* p_p_mrlList, CMessageRecipient* p_p_oRecipient)
{
    return Allowed() ? AddMessageRecipient(p_p_mrlList, p_p_oRecipient) : 0;
}
} // namespace

TEST_F(BlockRoundTrip, ACoreThatRefusesAtAnyStepLeavesNothing)
{
    const std::string data = Written(m_oList.Get());
    CRecipientFactory factory = LibraryFactory();
    factory.m_pfnCreateMessageRecipientFromDetails = &RefusingCreate;
    factory.m_pfnAddExtraProp = &RefusingProp;
    factory.m_pfnAddDistList = &RefusingDistList;
    factory.m_pfnAddMessageRecipient = &RefusingAdd;
    // Three recipients, two extra properties, a member list and three members with a property each
    // and an append each: 15 calls in all.
    for (int allowed = 0; allowed < 15; ++allowed)
    {
        g_iCallsLeft = allowed;
        std::vector<CMessageRecipient*> read;
        EXPECT_EQ(Read(data, read, factory), EBlockResult::CreationFailed) << allowed;
        EXPECT_TRUE(read.empty());
    }
    g_iCallsLeft = 15;
    std::vector<CMessageRecipient*> read;
    EXPECT_EQ(Read(data, read, factory), EBlockResult::Ok);
    EXPECT_EQ(read.size(), 3u);
    Free(read);
}
