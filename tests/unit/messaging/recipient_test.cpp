// tests/unit/messaging/recipient_test.cpp: recipient exports, resolution states, copies and entries.
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/recipient.h"
#include "messaging_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
std::vector<std::string> DisplayTexts(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<std::string> vTexts;
    for (CMessageRecipient* p_oRecipient : ItemsOf(p_p_mrlList))
        vTexts.push_back(p_oRecipient->m_szDisplayText);
    return vTexts;
}

CMessageRecipient* Text(const char* p_szText)
{
    CMessageRecipient* p_oRecipient = nullptr;
    EXPECT_EQ(1, CreateMessageRecipient(p_szText, &p_oRecipient));
    return p_oRecipient;
}

TEST(RecipientExports, CreateGivesUnresolvedText)
{
    CMessageRecipient* p_oRecipient = Text("Ann");
    ASSERT_NE(nullptr, p_oRecipient);
    EXPECT_EQ(kStateUnresolved, p_oRecipient->m_dwState);
    EXPECT_EQ(kKindUnidentified, p_oRecipient->m_iKind);
    EXPECT_EQ(3u, p_oRecipient->m_dwOptions);
    EXPECT_STREQ("Ann", p_oRecipient->m_szDisplayText);
    EXPECT_EQ(1, DeleteMessageRecipient(&p_oRecipient));
    EXPECT_EQ(nullptr, p_oRecipient);
    EXPECT_EQ(1, DeleteMessageRecipient(&p_oRecipient)); // null is accepted

    CMessageRecipient* p_oNoText = Text(nullptr);
    EXPECT_EQ(nullptr, p_oNoText->m_szDisplayText);
    DeleteMessageRecipient(&p_oNoText);
    EXPECT_EQ(0, CreateMessageRecipient("x", nullptr));
}

TEST(RecipientExports, InsertAndDeleteByPosition)
{
    CTestList oList;
    oList.Add(Text("b"));
    EXPECT_EQ(1, InsertMessageRecipientAtPos(oList.Get(), Text("a"), 0));
    EXPECT_EQ(1, InsertMessageRecipientAtPos(oList.Get(), Text("d"), 2)); // at the count: appended
    EXPECT_EQ(1, InsertMessageRecipientAtPos(oList.Get(), Text("c"), 2));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), DisplayTexts(oList.Get()));

    CMessageRecipient* p_oRefused = Text("x");
    EXPECT_EQ(0, InsertMessageRecipientAtPos(oList.Get(), p_oRefused, 5)); // count + 1
    EXPECT_EQ(0, InsertMessageRecipientAtPos(oList.Get(), p_oRefused, -1));
    EXPECT_EQ(4u, oList.Get()->m_dwCount);
    DeleteMessageRecipient(&p_oRefused); // still the caller's after a refusal

    EXPECT_EQ(0, DeleteMessageRecipientAtPos(oList.Get(), 4));
    EXPECT_EQ(0, DeleteMessageRecipientAtPos(oList.Get(), -1));
    EXPECT_EQ(1, DeleteMessageRecipientAtPos(oList.Get(), 1));
    EXPECT_EQ((std::vector<std::string>{"a", "c", "d"}), DisplayTexts(oList.Get()));
    EXPECT_EQ(oList.Get()->m_p_oLast->m_p_oItem->m_szDisplayText, std::string("d"));
    EXPECT_EQ(0, AddMessageRecipient(nullptr, nullptr));
}

TEST(RecipientExports, DeletingUnderTheCursorMovesItBack)
{
    CTestList oList;
    for (const char* sz : {"a", "b", "c"})
        oList.Add(Text(sz));
    SetCursorToFirst(*oList.Get());
    AdvanceCursor(*oList.Get());
    AdvanceCursor(*oList.Get());
    ASSERT_EQ(1, DeleteMessageRecipientAtPos(oList.Get(), 2));
    EXPECT_STREQ("b", oList.Get()->m_p_oCursor->m_p_oItem->m_szDisplayText);
    SetCursorToFirst(*oList.Get());
    ASSERT_EQ(1, DeleteMessageRecipientAtPos(oList.Get(), 0));
    EXPECT_STREQ("b", oList.Get()->m_p_oCursor->m_p_oItem->m_szDisplayText); // no previous: the first
    ASSERT_EQ(1, DeleteMessageRecipientAtPos(oList.Get(), 0));
    EXPECT_EQ(nullptr, oList.Get()->m_p_oCursor);
    EXPECT_EQ(nullptr, oList.Get()->m_p_oFirst);
    EXPECT_EQ(nullptr, oList.Get()->m_p_oLast);
}

TEST(RecipientExports, CopyIsDeepAndNamesByMobile)
{
    const uint8_t aEntry[] = {1, 2, 3, 4};
    CMessageRecipient* p_oSource = nullptr;
    ASSERT_EQ(1, CreateMessageRecipientFromDetails(kStateTypedNumber, kKindIndividual, "+27825551234", "+27825551234",
                                                   nullptr, nullptr, EID_TYPE_AB, 4, aEntry, 1, &p_oSource));
    ASSERT_EQ(1, AddExtraProp(p_oSource, "City", "Durban"));
    ASSERT_EQ(1, AddExtraProp(p_oSource, nullptr, nullptr));

    CMessageRecipient* p_oCopy = nullptr;
    ASSERT_EQ(1, CopyMessageRecipient(p_oSource, &p_oCopy));
    ASSERT_NE(nullptr, p_oCopy);
    EXPECT_STREQ("+27825551234", p_oCopy->m_szName);
    EXPECT_EQ(nullptr, p_oSource->m_szName);
    EXPECT_EQ(kStateTypedNumber, p_oCopy->m_dwState);
    EXPECT_EQ(1u, p_oCopy->m_dwOptions);
    EXPECT_EQ(nullptr, p_oCopy->m_szEmail);
    ASSERT_NE(nullptr, p_oCopy->m_p_oEntry);
    EXPECT_NE(p_oSource->m_p_oEntry->m_p_bBytes, p_oCopy->m_p_oEntry->m_p_bBytes);
    EXPECT_EQ(0, std::memcmp(aEntry, p_oCopy->m_p_oEntry->m_p_bBytes, 4));
    EXPECT_EQ(EID_TYPE_AB, p_oCopy->m_p_oEntry->m_iKind);
    const auto vProps = ItemsOf(p_oCopy->m_p_oExtraProps);
    ASSERT_EQ(2u, vProps.size());
    EXPECT_STREQ("Durban", vProps[0]->m_szValue);
    EXPECT_STREQ("", vProps[1]->m_szName); // an absent name or value is stored empty
    EXPECT_NE(p_oSource->m_p_oExtraProps->m_p_oFirst->m_p_oItem, vProps[0]);
    DeleteMessageRecipient(&p_oSource);
    DeleteMessageRecipient(&p_oCopy);
}

TEST(RecipientExports, CopySharesMembersItDoesNotOwn)
{
    CMessageRecipient* p_oShared = CTestList::MakePerson("Shared", "0821");
    CMessageRecipient* p_oList = CTestList::MakeDistList("Team", {CTestList::MakePerson("Own", "0822")});
    AppendSharedItem(*p_oList->m_p_mrlMembers, p_oShared);

    CMessageRecipient* p_oCopy = nullptr;
    ASSERT_EQ(1, CopyMessageRecipient(p_oList, &p_oCopy));
    const auto vSource = ItemsOf(p_oList->m_p_mrlMembers);
    const auto vCopy = ItemsOf(p_oCopy->m_p_mrlMembers);
    ASSERT_EQ(2u, vCopy.size());
    EXPECT_NE(vSource[0], vCopy[0]);
    EXPECT_STREQ("Own", vCopy[0]->m_szName);
    EXPECT_EQ(p_oShared, vCopy[1]);
    EXPECT_EQ(0, p_oCopy->m_p_mrlMembers->m_p_oLast->m_iOwnsItem);
    DeleteMessageRecipient(&p_oCopy);
    DeleteMessageRecipient(&p_oList);
    DeleteMessageRecipient(&p_oShared);
}

TEST(RecipientExports, CreateAndDeleteLeaveNothingBehind)
{
    // Run under the leak checker: every object, string, entry and node made here must be freed.
    const uint8_t aEntry[] = {9, 8, 7};
    for (int i = 0; i < 50; ++i)
    {
        CTestList oList;
        CMessageRecipient* p_oPerson = oList.AddPerson("Ann Lee", "082 555 1234", "ann@example.org");
        AddExtraProp(p_oPerson, "City", "Durban");
        CMessageRecipient* p_oDetailed = nullptr;
        CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, "d", "0821", "e", "n", EID_TYPE_STORE, 3,
                                          aEntry, 3, &p_oDetailed);
        oList.Add(p_oDetailed);
        oList.Add(CTestList::MakeDistList("Team", {CTestList::MakePerson("A", "0823"), Text("typed")}));
        CMessageRecipient* p_oCopy = nullptr;
        CopyMessageRecipient(oList.Get()->m_p_oLast->m_p_oItem, &p_oCopy);
        oList.Add(p_oCopy);
        DeleteMessageRecipientAtPos(oList.Get(), 1);

        CFinalSMSList* p_oSMS = nullptr;
        CTestMessage oMessage("Hi <<First Name>> from <<City>>");
        EXPECT_EQ(1,
                  CreateFinalSMSs(oMessage.Text(), oMessage.Tokens(), oList.Get(), oList.Get(), 1, 1, 1, 10, &p_oSMS));
        EXPECT_EQ(2u, p_oSMS->m_dwCount);
        EXPECT_EQ(&p_oSMS, DeleteSMSList(&p_oSMS));
        EXPECT_EQ(nullptr, p_oSMS);
    }
    CFinalSMSList* p_oNone = nullptr;
    EXPECT_EQ(&p_oNone, DeleteSMSList(&p_oNone));
}

TEST(RecipientStates, SetOperationsReplaceWhatTheStateOwned)
{
    RecipientPtr oRecipient = NewTextRecipient("ann");
    AddExtraProperty(*oRecipient, "City", "Durban");
    const uint8_t aEntry[] = {1};
    SetResolved(*oRecipient, MakeEntry(EID_TYPE_AB, 1, aEntry, nullptr), MakeOwnedString("0825551234"),
                MakeOwnedString("ann@example.org"), MakeOwnedString("Ann Lee"));
    EXPECT_EQ(kStateResolved, oRecipient->m_dwState);
    EXPECT_EQ(kKindIndividual, oRecipient->m_iKind);
    EXPECT_STREQ("Ann Lee", oRecipient->m_szDisplayText);
    EXPECT_EQ(nullptr, oRecipient->m_p_oExtraProps);
    EXPECT_TRUE(IsUsable(*oRecipient));

    SetDistributionList(*oRecipient, nullptr, MakeOwnedString("Team"));
    EXPECT_EQ(kStateListUnchecked, oRecipient->m_dwState);
    EXPECT_EQ(kKindDistList, oRecipient->m_iKind);
    ASSERT_NE(nullptr, oRecipient->m_p_mrlMembers);
    EXPECT_EQ(0u, oRecipient->m_p_mrlMembers->m_dwCount);
    EXPECT_EQ(nullptr, oRecipient->m_szMobile);
    EXPECT_FALSE(IsUsable(*oRecipient));

    SetNoMatch(*oRecipient);
    EXPECT_EQ(kStateNoMatch, oRecipient->m_dwState);
    EXPECT_EQ(nullptr, oRecipient->m_p_mrlMembers);
    EXPECT_STREQ("Team", oRecipient->m_szDisplayText); // the text the user sees stays

    // Handing a recipient the candidate list it already holds must not free that list.
    SetMultipleMatches(*oRecipient, RecipientListPtr(NewList<CMessageRecipientList>().release()));
    CMessageRecipientList* p_mrlCandidates = oRecipient->m_p_mrlMembers;
    SetMultipleMatches(*oRecipient, RecipientListPtr(p_mrlCandidates));
    EXPECT_EQ(p_mrlCandidates, oRecipient->m_p_mrlMembers);

    SetInvalidMobile(*oRecipient, nullptr, MakeOwnedString("Bob"), nullptr, MakeOwnedString("12x"));
    EXPECT_EQ(kStateInvalidMobile, oRecipient->m_dwState);
    EXPECT_STREQ("Bob", oRecipient->m_szDisplayText);
    EXPECT_FALSE(IsUsable(*oRecipient));
}

TEST(RecipientStates, TypedNumberAndPersonConstruction)
{
    auto oStore = CreateMemoryRegistry();
    CCountryCode oCountry(*oStore);
    RecipientPtr oTyped = NewTextRecipient("082 555-1234");
    SetTypedNumber(*oTyped, oCountry);
    EXPECT_STREQ("+27825551234", oTyped->m_szMobile);
    EXPECT_STREQ("+27825551234", oTyped->m_szDisplayText);
    EXPECT_EQ(kStateTypedNumber, oTyped->m_dwState);
    EXPECT_TRUE(IsUsable(*oTyped));

    EXPECT_EQ(kStateNoMobile, NewPersonRecipient(nullptr, "", nullptr, "A")->m_dwState);
    EXPECT_EQ(kStateInvalidMobile, NewPersonRecipient(nullptr, "555", nullptr, "A")->m_dwState);
    EXPECT_EQ(kStateResolved, NewPersonRecipient(nullptr, "082 555", nullptr, "A")->m_dwState);
    RecipientPtr oPlaceholder = NewPersonRecipient(nullptr, "<none>", nullptr, "A");
    EXPECT_EQ(kStateResolved, oPlaceholder->m_dwState);
    EXPECT_FALSE(IsUsable(*oPlaceholder));
    RecipientPtr oList = NewListRecipient(nullptr, "Team");
    EXPECT_EQ(kKindDistList, oList->m_iKind);
    EXPECT_EQ(kStateResolved, oList->m_dwState);
}

TEST(EntryIDs, CopiesThroughTheRightAllocator)
{
    struct CCountingAllocator final : CEntryAllocator
    {
        void* AllocateEntryBytes(uint32_t p_dwSize) override
        {
            ++m_iLive;
            return ::operator new(p_dwSize);
        }
        void FreeEntryBytes(void* p_pBytes) override
        {
            --m_iLive;
            ::operator delete(p_pBytes);
        }
        int m_iLive = 0;
    } oSession;
    const uint8_t aBytes[] = {0xAB, 0xCD};
    {
        EntryPtr oShared = MakeEntry(EID_TYPE_AB, 2, aBytes, &oSession);
        EntryPtr oCopy = CopyEntry(*oShared);
        EXPECT_EQ(&oSession, oCopy->m_p_oAllocator);
        EXPECT_EQ(0u, oCopy->m_dwOwnsAllocator);
        EXPECT_EQ(2, oSession.m_iLive);
        EXPECT_EQ(EntryKey(*oShared), EntryKey(*oCopy));

        EntryPtr oOwn = MakeEntry(EID_TYPE_AB, 2, aBytes, nullptr);
        EXPECT_EQ(1u, oOwn->m_dwOwnsAllocator);
        EntryPtr oOwnCopy = CopyEntry(*oOwn);
        EXPECT_EQ(1u, oOwnCopy->m_dwOwnsAllocator);
        EXPECT_NE(EntryKey(*oShared), EntryKey(*oOwnCopy)); // same bytes, another owner
        EXPECT_EQ(2, oSession.m_iLive);

        EntryPtr oEmpty = MakeEntry(EID_TYPE_BULK, 0, aBytes, &oSession);
        EXPECT_EQ(nullptr, oEmpty->m_p_bBytes);
        EXPECT_EQ(0u, CopyEntry(*oEmpty)->m_dwByteCount);
    }
    EXPECT_EQ(0, oSession.m_iLive);
}

TEST(EntryIDs, HexText)
{
    EntryPtr oEntry = EntryFromHexText(L"00fF1a");
    ASSERT_NE(nullptr, oEntry);
    EXPECT_EQ(EID_TYPE_STORE, oEntry->m_iKind);
    ASSERT_EQ(3u, oEntry->m_dwByteCount);
    EXPECT_EQ(0xFF, oEntry->m_p_bBytes[1]);
    EXPECT_EQ(0x1A, oEntry->m_p_bBytes[2]);
    EXPECT_EQ(nullptr, EntryFromHexText(L"abc"));
    EXPECT_EQ(nullptr, EntryFromHexText(L"0g"));
    EXPECT_EQ(0u, EntryFromHexText(L"")->m_dwByteCount);
}
} // namespace
