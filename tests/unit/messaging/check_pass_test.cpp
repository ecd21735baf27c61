// tests/unit/messaging/check_pass_test.cpp: Check's resolution over a fake address book: the
// states typed text ends in, list checks, duplicates across To and Cc, the problem rows and what
// "Ignore" keeps.
#include "Addressbook/messaging/check_pass.h"
#include "Addressbook/messaging/check_texts.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/recipient_list.h"
#include "messaging_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
struct CBookEntry
{
    std::string m_sName;
    std::string m_sMobile; // empty: none
    bool m_bList = false;
};

// Names map to entries; a list's members are looked up by its first entry byte.
class CFakeBook : public ICheckAddressBook
{
  public:
    void Resolve(const std::string& p_sText, std::vector<RecipientPtr>& p_vMatches) override
    {
        m_vAsked.push_back(p_sText);
        for (const auto& [sKey, oEntry] : m_mapNames)
            if (sKey.rfind(p_sText, 0) == 0)
                p_vMatches.push_back(Make(oEntry));
    }
    bool ExpandList(const CEntryID& p_oList, CMessageRecipientList& p_oMembers) override
    {
        const auto it = m_mapMembers.find(p_oList.m_p_bBytes[0]);
        if (it == m_mapMembers.end())
            return false;
        for (const CBookEntry& oMember : it->second)
            AppendItem(p_oMembers, Make(oMember));
        return true;
    }

    RecipientPtr Make(const CBookEntry& p_oEntry)
    {
        const uint8_t bId = static_cast<uint8_t>(m_mapIds.emplace(p_oEntry.m_sName, m_mapIds.size() + 1).first->second);
        EntryPtr oEntry = MakeEntry(EID_TYPE_AB, 1, &bId, nullptr);
        if (p_oEntry.m_bList)
            return NewListRecipient(std::move(oEntry), p_oEntry.m_sName.c_str());
        return NewPersonRecipient(std::move(oEntry), p_oEntry.m_sMobile.c_str(), nullptr, p_oEntry.m_sName.c_str());
    }
    void AddList(const std::string& p_sName, std::vector<CBookEntry> p_vMembers)
    {
        m_mapNames[p_sName] = {p_sName, "", true};
        Make(m_mapNames[p_sName]);
        m_mapMembers[static_cast<uint8_t>(m_mapIds[p_sName])] = std::move(p_vMembers);
    }

    std::map<std::string, CBookEntry> m_mapNames;
    std::map<std::string, size_t> m_mapIds;
    std::map<uint8_t, std::vector<CBookEntry>> m_mapMembers;
    std::vector<std::string> m_vAsked;
};

CMessageRecipient* Typed(const char* p_szText)
{
    CMessageRecipient* p_oRecipient = nullptr;
    EXPECT_EQ(1, CreateMessageRecipient(p_szText, &p_oRecipient));
    return p_oRecipient;
}

class CheckPassTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(CRegistry(*m_oStore).WriteUserText("CountryCode", "27"));
        m_oBook.m_mapNames["Ann Able"] = {"Ann Able", "+27 82 111 1111"};
        m_oBook.m_mapNames["Ben Nomobile"] = {"Ben Nomobile", ""};
        m_oBook.m_mapNames["Cat Badnumber"] = {"Cat Badnumber", "12x"};
        m_oBook.m_mapNames["Smith, Dan"] = {"Smith, Dan", "+27 82 222 2222"};
        m_oBook.m_mapNames["Smith, Eve"] = {"Smith, Eve", "+27 82 333 3333"};
        m_oBook.AddList("Team Good", {{"Ann Able", "+27 82 111 1111"}, {"Fay", "083 444 4444"}});
        m_oBook.AddList("Team Mixed", {{"Gus", "083 555 5555"}, {"Hal", ""}});
    }

    std::unique_ptr<Registry> m_oStore = CreateMemoryRegistry();
    CCountryCode m_oCountry{*m_oStore};
    CFakeBook m_oBook;
};
} // namespace

// Each kind of typed text ends in its state: numbers typed, one match with a good, missing or bad
// mobile, several matches with their candidates, none, and lists checked by their members.
TEST_F(CheckPassTest, TypedTextEndsInTheStateOfWhatTheBookHolds)
{
    const struct
    {
        const char* m_szTyped;
        uint32_t m_dwState;
        int32_t m_iKind;
    } aCases[] = {
        {"082 555 1234", kStateTypedNumber, kKindIndividual},
        {"Ann", kStateResolved, kKindIndividual},
        {"Ben", kStateNoMobile, kKindIndividual},
        {"Cat", kStateInvalidMobile, kKindIndividual},
        {"Smith", kStateMultipleMatches, kKindUnidentified},
        {"Nobody", kStateNoMatch, kKindUnidentified},
        // A comma is not a separator: the two names are one text that matches no one.
        {"Ann Able, Ben Nomobile", kStateNoMatch, kKindUnidentified},
        {"Team Good", kStateListComplete, kKindDistList},
        {"Team Mixed", kStateListIncomplete, kKindDistList},
    };
    for (const auto& oCase : aCases)
    {
        CTestList oList;
        CMessageRecipient* p_oRecipient = oList.Add(Typed(oCase.m_szTyped));
        ResolveRecipients(oList.Get(), m_oBook);
        EXPECT_EQ(oCase.m_dwState, p_oRecipient->m_dwState) << oCase.m_szTyped;
        EXPECT_EQ(oCase.m_iKind, p_oRecipient->m_iKind) << oCase.m_szTyped;
        if (oCase.m_dwState == kStateMultipleMatches)
        {
            ASSERT_NE(nullptr, p_oRecipient->m_p_mrlMembers);
            EXPECT_EQ(2u, p_oRecipient->m_p_mrlMembers->m_dwCount);
        }
        // A second pass asks the book nothing more.
        const size_t nAsked = m_oBook.m_vAsked.size();
        ResolveRecipients(oList.Get(), m_oBook);
        EXPECT_EQ(nAsked, m_oBook.m_vAsked.size()) << oCase.m_szTyped;
        EXPECT_EQ(oCase.m_dwState, p_oRecipient->m_dwState) << oCase.m_szTyped;
    }
}

// Without an address book only numbers resolve: names are left as typed, not judged unknown.
TEST_F(CheckPassTest, WithoutAnAddressBookNamesStayAsTyped)
{
    struct CNoBook : CFakeBook
    {
        bool CanResolve() const override
        {
            return false;
        }
    } oNoBook;
    CTestList oList;
    CMessageRecipient* p_oName = oList.Add(Typed("Ann"));
    CMessageRecipient* p_oNumber = oList.Add(Typed("082 555 1234"));
    ResolveRecipients(oList.Get(), oNoBook);
    EXPECT_EQ(kStateUnresolved, p_oName->m_dwState);
    EXPECT_EQ(kStateTypedNumber, p_oNumber->m_dwState);
    EXPECT_TRUE(oNoBook.m_vAsked.empty());
    EXPECT_TRUE(ProblemRows(oList.Get(), nullptr).empty());
}

// A list picked in a dialog (state 7) is expanded and checked; one that cannot be read is
// incomplete, and a candidate list taken over by a recipient is expanded as well.
TEST_F(CheckPassTest, ListsAreExpandedAndCheckedWhereverTheyComeFrom)
{
    CTestList oList;
    CMessageRecipient* p_oPicked = oList.Add(m_oBook.Make(m_oBook.m_mapNames["Team Good"]).release());
    p_oPicked->m_dwState = kStateListUnchecked;
    const uint8_t bUnknown = 200;
    CMessageRecipient* p_oUnreadable =
        oList.Add(NewListRecipient(MakeEntry(EID_TYPE_AB, 1, &bUnknown, nullptr), "Gone").release());
    p_oUnreadable->m_dwState = kStateListUnchecked;
    ResolveRecipients(oList.Get(), m_oBook);
    EXPECT_EQ(kStateListComplete, p_oPicked->m_dwState);
    EXPECT_EQ(2u, p_oPicked->m_p_mrlMembers->m_dwCount);
    EXPECT_EQ(kStateListIncomplete, p_oUnreadable->m_dwState);

    CMessageRecipient* p_oTyped = oList.Add(Typed("Whoever"));
    p_oTyped->m_dwOptions = 1;
    AdoptMatch(*p_oTyped, m_oBook.Make(m_oBook.m_mapNames["Team Mixed"]), m_oBook);
    EXPECT_EQ(kStateListIncomplete, p_oTyped->m_dwState);
    EXPECT_STREQ("Team Mixed", p_oTyped->m_szDisplayText);
    EXPECT_EQ(1u, p_oTyped->m_dwOptions);
    // Fixing the member without a mobile completes the list.
    CMessageRecipient* p_oHal = p_oTyped->m_p_mrlMembers->m_p_oLast->m_p_oItem;
    SetResolved(*p_oHal, nullptr, MakeOwnedString("+27 83 666 6666"), nullptr, MakeOwnedString("Hal"));
    UpdateListState(*p_oTyped);
    EXPECT_EQ(kStateListComplete, p_oTyped->m_dwState);
}

// The summary lists the problems of To and then Cc in list order with their texts; a person in both
// lists stays in To only.
TEST_F(CheckPassTest, ProblemRowsAndDuplicatesAcrossToAndCc)
{
    CMessageRecipientList* p_mrlTo = nullptr;
    CMessageRecipientList* p_mrlCc = nullptr;
    ASSERT_EQ(1, CreateMessageRecipientList(&p_mrlTo));
    ASSERT_EQ(1, CreateMessageRecipientList(&p_mrlCc));
    for (const char* szTyped : {"Ann", "Smith"})
        EXPECT_EQ(1, AddMessageRecipient(p_mrlTo, Typed(szTyped)));
    for (const char* szTyped : {"Team Mixed", "+27821111111", "Nobody"})
        EXPECT_EQ(1, AddMessageRecipient(p_mrlCc, Typed(szTyped)));
    ResolveRecipients(p_mrlTo, m_oBook);
    ResolveRecipients(p_mrlCc, m_oBook);
    std::vector<unsigned> vTexts;
    for (const CProblemRow& oRow : ProblemRows(p_mrlTo, p_mrlCc))
        vTexts.push_back(oRow.m_uTextId);
    EXPECT_EQ((std::vector<unsigned>{kMsgProblemMultipleMatches, kMsgProblemListMembers, kMsgProblemNoMatches}),
              vTexts);

    // Ann's number typed in Cc is Ann in To: Cc loses it and To stays as it was.
    CMessageRecipientList* p_mrlOldTo = p_mrlTo;
    EXPECT_TRUE(RemoveDuplicatesAcross(p_mrlTo, p_mrlCc, m_oCountry));
    EXPECT_EQ(p_mrlOldTo, p_mrlTo);
    EXPECT_EQ(2u, p_mrlTo->m_dwCount);
    ASSERT_EQ(2u, p_mrlCc->m_dwCount);
    EXPECT_EQ(kStateListIncomplete, p_mrlCc->m_p_oFirst->m_p_oItem->m_dwState);
    EXPECT_EQ(kStateNoMatch, p_mrlCc->m_p_oLast->m_p_oItem->m_dwState);
    // Nothing left to drop: both lists stay.
    CMessageRecipientList* p_mrlOldCc = p_mrlCc;
    EXPECT_FALSE(RemoveDuplicatesAcross(p_mrlTo, p_mrlCc, m_oCountry));
    EXPECT_EQ(p_mrlOldCc, p_mrlCc);
    DeleteMessageRecipientList(&p_mrlTo);
    DeleteMessageRecipientList(&p_mrlCc);
}

// "Ignore" sends to the usable only: lists keep their usable members, and a list still unchecked
// or without anyone usable is not someone to send to.
TEST_F(CheckPassTest, IgnoreKeepsOnlyTheUsable)
{
    CTestList oList;
    oList.Add(Typed("Ann"));
    oList.Add(Typed("Ben"));
    oList.Add(Typed("Team Mixed"));
    oList.Add(Typed("Nobody"));
    oList.Add(Typed("0831234567"));
    ResolveRecipients(oList.Get(), m_oBook);
    EXPECT_TRUE(HoldsUsable(oList.Get()));
    KeepOnlyUsable(*oList.Get());
    ASSERT_EQ(3u, oList.Get()->m_dwCount);
    CMessageRecipient* p_oTeam = oList.Get()->m_p_oFirst->m_p_oNext->m_p_oItem;
    EXPECT_STREQ("Team Mixed", p_oTeam->m_szName);
    ASSERT_EQ(1u, p_oTeam->m_p_mrlMembers->m_dwCount);
    EXPECT_STREQ("Gus", p_oTeam->m_p_mrlMembers->m_p_oFirst->m_p_oItem->m_szName);
    EXPECT_EQ(kStateListComplete, p_oTeam->m_dwState);

    CTestList oUnusable;
    CMessageRecipient* p_oUnchecked = oUnusable.Add(m_oBook.Make(m_oBook.m_mapNames["Team Good"]).release());
    p_oUnchecked->m_dwState = kStateListUnchecked;
    oUnusable.Add(Typed("Ben"));
    ResolveRecipients(oUnusable.Get(), m_oBook);
    p_oUnchecked->m_dwState = kStateListUnchecked;
    EXPECT_FALSE(HoldsUsable(oUnusable.Get())) << "an unchecked list does not count";
    KeepOnlyUsable(*oUnusable.Get());
    EXPECT_EQ(1u, oUnusable.Get()->m_dwCount) << "its usable members keep it";
    CTestList oNone;
    oNone.Add(Typed("Ben"));
    ResolveRecipients(oNone.Get(), m_oBook);
    EXPECT_FALSE(HoldsUsable(oNone.Get()));
    KeepOnlyUsable(*oNone.Get());
    EXPECT_EQ(0u, oNone.Get()->m_dwCount);
}
