// tests/unit/messaging/recipient_list_test.cpp: flattening for sending, duplicate removal and
// stripping the local user.
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/messaging/recipient_list.h"
#include "messaging_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

namespace
{
class FlattenTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(CRegistry(*m_oStore).WriteUserText("CountryCode", "27"));
    }
    // The combined list, freed with the fixture.
    CMessageRecipientList* Combine(const CMessageRecipientList* p_p_mrlFirst,
                                   const CMessageRecipientList* p_p_mrlSecond)
    {
        EXPECT_EQ(1, GetCombinedFlatNonDuplicateList(p_p_mrlFirst, p_p_mrlSecond, &m_p_mrlOut, m_oCountry));
        return m_p_mrlOut;
    }
    void TearDown() override
    {
        DeleteMessageRecipientList(&m_p_mrlOut);
    }

    static std::vector<std::string> Names(const CMessageRecipientList* p_p_mrlList)
    {
        std::vector<std::string> vNames;
        for (CMessageRecipient* p_oRecipient : ItemsOf(p_p_mrlList))
            vNames.push_back(p_oRecipient->m_szName == nullptr ? "(null)" : p_oRecipient->m_szName);
        return vNames;
    }

    std::unique_ptr<Registry> m_oStore = CreateMemoryRegistry();
    CCountryCode m_oCountry{*m_oStore};
    CMessageRecipientList* m_p_mrlOut = nullptr;
};

TEST_F(FlattenTest, OneNumberWrittenTwoWaysIsSentOnceToTheFirst)
{
    CTestList oTo, oCc;
    oTo.AddPerson("Local", "082 555 1234");
    oCc.AddPerson("International", "+27 82 555 1234");
    oCc.AddPerson("Other", "083 000 0000");
    EXPECT_EQ((std::vector<std::string>{"Local", "Other"}), Names(Combine(oTo.Get(), oCc.Get())));
}

TEST_F(FlattenTest, DistributionListsKeepOnlyNewValidMembers)
{
    CTestList oTo;
    oTo.AddPerson("Ann", "0821");
    oTo.Add(CTestList::MakeDistList("Nobody valid",
                                    {CTestList::MakePerson("NoMobile", nullptr), CTestList::MakePerson("Bad", "12x")}));
    oTo.Add(CTestList::MakeDistList(
        "One left", {CTestList::MakePerson("AnnAgain", "+27 821"), CTestList::MakePerson("Bea", "0822")}));
    oTo.Add(CTestList::MakeDistList("Empty", {}));
    CMessageRecipientList* p_mrlOut = Combine(oTo.Get(), nullptr);
    EXPECT_EQ((std::vector<std::string>{"Ann", "One left"}), Names(p_mrlOut));
    const CMessageRecipient* p_oList = p_mrlOut->m_p_oLast->m_p_oItem;
    EXPECT_EQ(kKindDistList, p_oList->m_iKind);
    EXPECT_EQ(kStateListComplete, p_oList->m_dwState);
    EXPECT_EQ((std::vector<std::string>{"Bea"}), Names(p_oList->m_p_mrlMembers));
}

TEST_F(FlattenTest, CopiesAreIndependentAndNamedByMobile)
{
    CTestList oTo;
    CMessageRecipient* p_oTyped = nullptr;
    ASSERT_EQ(1, CreateMessageRecipientFromDetails(kStateTypedNumber, kKindIndividual, "+27821", "+27821", nullptr,
                                                   nullptr, EID_TYPE_BULK, 0, nullptr, 3, &p_oTyped));
    oTo.Add(p_oTyped);
    CMessageRecipientList* p_mrlOut = Combine(oTo.Get(), oTo.Get());
    ASSERT_EQ(1u, p_mrlOut->m_dwCount);
    EXPECT_NE(p_oTyped, p_mrlOut->m_p_oFirst->m_p_oItem);
    EXPECT_STREQ("+27821", p_mrlOut->m_p_oFirst->m_p_oItem->m_szName);
    EXPECT_EQ(0, GetCombinedFlatNonDuplicateList(oTo.Get(), nullptr, nullptr, m_oCountry));
}

TEST_F(FlattenTest, SharedAndSelfContainingListsAreWalkedOnce)
{
    // Two references to itself would double the walk at every level if lists were walked per visit.
    CTestList oTo;
    CMessageRecipient* p_oLoop = oTo.Add(CTestList::MakeDistList("Loop", {CTestList::MakePerson("A", "0821")}));
    AppendSharedItem(*p_oLoop->m_p_mrlMembers, p_oLoop);
    AppendSharedItem(*p_oLoop->m_p_mrlMembers, p_oLoop);
    AppendSharedItem(*oTo.Get(), p_oLoop);
    CMessageRecipientList* p_mrlOut = Combine(oTo.Get(), oTo.Get());
    EXPECT_EQ((std::vector<std::string>{"Loop"}), Names(p_mrlOut));
    EXPECT_EQ((std::vector<std::string>{"A"}), Names(p_mrlOut->m_p_oFirst->m_p_oItem->m_p_mrlMembers));
    EXPECT_EQ(1u, CountIndividuals(oTo.Get()));

    CMessageRecipientList* p_mrlCopy = nullptr;
    CreateMessageRecipientList(&p_mrlCopy);
    AddMessageRecipient(p_mrlCopy, CTestList::MakePerson("Bare", nullptr));
    CMessageRecipient* p_oCopiedLoop = nullptr;
    CopyMessageRecipient(p_oLoop, &p_oCopiedLoop);
    AddMessageRecipient(p_mrlCopy, p_oCopiedLoop);
    EXPECT_TRUE(RemoveDuplicateRecipients(p_mrlCopy, m_oCountry));
    EXPECT_EQ((std::vector<std::string>{"Bare", "Loop"}), Names(p_mrlCopy));
    DeleteMessageRecipientList(&p_mrlCopy);
}

// An address-book list picked without its members is expanded through the library's expander when
// the job is flattened; lists from a file are never sent to it, and a list that cannot be read
// counts as empty.
TEST_F(FlattenTest, AddressBookListsPickedWithoutMembersAreExpandedOnce)
{
    const uint8_t aEntry[] = {1, 2, 3, 4};
    auto fnMakeBookList = [&](const char* p_szName, int32_t p_iEntryKind) {
        CMessageRecipient* p_oList = nullptr;
        EXPECT_EQ(1, CreateMessageRecipientFromDetails(kStateListComplete, kKindDistList, p_szName, nullptr, nullptr,
                                                       p_szName, p_iEntryKind, sizeof(aEntry), aEntry,
                                                       kDefaultRecipientOptions, &p_oList));
        return p_oList;
    };
    std::vector<int32_t> vAsked;
    SetDistListExpander([&](const CEntryID& p_oEntry, CMessageRecipientList& p_oMembers) {
        vAsked.push_back(p_oEntry.m_iKind);
        if (p_oEntry.m_iKind == EID_TYPE_AB)
            return false;
        EXPECT_EQ(1, AddMessageRecipient(&p_oMembers, CTestList::MakePerson("Cid", "0823")));
        EXPECT_EQ(1, AddMessageRecipient(&p_oMembers, CTestList::MakePerson("Ann again", "+27 821")));
        return true;
    });
    CTestList oTo;
    oTo.AddPerson("Ann", "0821");
    oTo.Add(fnMakeBookList("Contacts list", EID_TYPE_STORE));
    oTo.Add(fnMakeBookList("Unreadable list", EID_TYPE_AB));
    oTo.Add(CTestList::MakeDistList("Imported list", {}));
    CMessageRecipientList* p_mrlOut = Combine(oTo.Get(), nullptr);
    SetDistListExpander({});

    EXPECT_EQ((std::vector<int32_t>{EID_TYPE_STORE, EID_TYPE_AB}), vAsked);
    EXPECT_EQ((std::vector<std::string>{"Ann", "Contacts list"}), Names(p_mrlOut));
    EXPECT_EQ((std::vector<std::string>{"Cid"}), Names(p_mrlOut->m_p_oLast->m_p_oItem->m_p_mrlMembers));
}

TEST(MobileKeySet, PackedKeysKeepEveryDigit)
{
    CMobileKeySet oKeys("27");
    const struct
    {
        const char* m_szMobile;
        bool m_bNew;
    } aCases[] = {
        {"082 5", true},
        {"+27 825", false},
        {"(0825)", true}, // "+0825" is not "+825"
        {"+825", true},
        {"0", true},
        {"(", true}, // "+27" and "+" are keys too
        {"+", false},
        {"+27", false},
        {"()", false},
        {"+123456789012345678901", true},
        {"+123456789012345678901", false}, // too long to pack
        {"+12345678901234567890", true},
        {"12x", false},
    };
    for (const auto& c : aCases)
    {
        CMessageRecipient* p_oRecipient = CTestList::MakePerson("P", c.m_szMobile);
        EXPECT_EQ(c.m_bNew, oKeys.Admit(*p_oRecipient)) << c.m_szMobile;
        DeleteMessageRecipient(&p_oRecipient);
    }
}

// Randomised lists that share numbers written in different ways, nested one level: however they
// are combined, no two individuals of the result share a mobile key.
TEST_F(FlattenTest, PropertyNoTwoEntriesShareAMobileKey)
{
    std::mt19937 oRandom(20240611);
    const char* aFormats[] = {"0%d", "+27 %d", "(0%d)", "27%d", "0%d x"};
    auto randomPerson = [&] {
        const int iNumber = 820000 + static_cast<int>(oRandom() % 40);
        char szMobile[32];
        snprintf(szMobile, sizeof(szMobile), aFormats[oRandom() % 5], iNumber);
        return CTestList::MakePerson("P", oRandom() % 10 == 0 ? nullptr : szMobile);
    };
    for (int iRun = 0; iRun < 300; ++iRun)
    {
        CTestList oFirst, oSecond;
        for (CTestList* p_oList : {&oFirst, &oSecond})
        {
            const int iCount = static_cast<int>(oRandom() % 12);
            for (int i = 0; i < iCount; ++i)
            {
                if (oRandom() % 4 == 0)
                {
                    std::vector<CMessageRecipient*> vMembers;
                    for (int m = static_cast<int>(oRandom() % 5); m > 0; --m)
                        vMembers.push_back(randomPerson());
                    p_oList->Add(CTestList::MakeDistList("L", vMembers));
                }
                else
                {
                    p_oList->Add(randomPerson());
                }
            }
        }
        CMessageRecipientList* p_mrlOut = nullptr;
        ASSERT_EQ(1, GetCombinedFlatNonDuplicateList(oFirst.Get(), oSecond.Get(), &p_mrlOut, m_oCountry));
        std::set<std::string> setKeys;
        std::function<void(const CMessageRecipientList*)> check = [&](const CMessageRecipientList* p_p_mrlList) {
            for (CMessageRecipient* p_oItem : ItemsOf(p_p_mrlList))
            {
                if (p_oItem->m_iKind == kKindDistList)
                {
                    EXPECT_GT(p_oItem->m_p_mrlMembers->m_dwCount, 0u);
                    check(p_oItem->m_p_mrlMembers);
                    continue;
                }
                EXPECT_TRUE(PassesSendTest(p_oItem->m_szMobile));
                EXPECT_TRUE(setKeys.insert(MobileKey(p_oItem->m_szMobile, "27")).second)
                    << "run " << iRun << ": " << p_oItem->m_szMobile;
            }
        };
        check(p_mrlOut);
        DeleteMessageRecipientList(&p_mrlOut);
    }
}

TEST_F(FlattenTest, RemoveDuplicatesByMobileThenEmailThenEntry)
{
    const uint8_t aEntry[] = {5, 6};
    auto withEntry = [&](const char* p_szName) {
        CMessageRecipient* p_oRecipient = nullptr;
        CreateMessageRecipientFromDetails(kStateUnresolved, kKindUnidentified, p_szName, nullptr, nullptr, p_szName,
                                          EID_TYPE_AB, 2, aEntry, 3, &p_oRecipient);
        return p_oRecipient;
    };
    CMessageRecipientList* p_mrlList = nullptr;
    CreateMessageRecipientList(&p_mrlList);
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("Mobile", "082 555"));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("SameMobile", "+2782555", "x@y"));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("Mail", nullptr, "ann@example.org"));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("SameMail", "", "ANN@example.org"));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("None1", "<none>", "bob@example.org"));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("None2", "<none>", "cy@example.org"));
    AddMessageRecipient(p_mrlList, withEntry("Entry"));
    AddMessageRecipient(p_mrlList, withEntry("SameEntry"));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("Bare", nullptr));
    AddMessageRecipient(p_mrlList, CTestList::MakePerson("Bare", nullptr));
    AddMessageRecipient(p_mrlList, CTestList::MakeDistList("Unexpanded", {}));
    AddMessageRecipient(p_mrlList, CTestList::MakeDistList("Team", {CTestList::MakePerson("InTeam", "0825 55")}));
    const CMessageRecipientList* p_mrlBefore = p_mrlList;

    EXPECT_TRUE(RemoveDuplicateRecipients(p_mrlList, m_oCountry));
    EXPECT_NE(p_mrlBefore, p_mrlList);
    // "<none>" names no number, so the two placeholders are told apart by their e-mail; the lists
    // stay even when nothing of theirs survives.
    EXPECT_EQ(
        (std::vector<std::string>{"Mobile", "Mail", "None1", "None2", "Entry", "Bare", "Bare", "Unexpanded", "Team"}),
        Names(p_mrlList));
    EXPECT_EQ(0u, p_mrlList->m_p_oLast->m_p_oItem->m_p_mrlMembers->m_dwCount);

    p_mrlBefore = p_mrlList;
    EXPECT_FALSE(RemoveDuplicateRecipients(p_mrlList, m_oCountry));
    EXPECT_EQ(p_mrlBefore, p_mrlList);
    DeleteMessageRecipientList(&p_mrlList);
}

TEST(StripLocalUser, DropsNumberlessAndLocalUser)
{
    const uint8_t aMe[] = {0x11};
    const uint8_t aOther[] = {0x22};
    CTestList oList;
    auto withEntry = [&](const char* p_szName, const uint8_t* p_p_bEntry) {
        CMessageRecipient* p_oRecipient = nullptr;
        CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, p_szName, "0821", nullptr, p_szName,
                                          EID_TYPE_AB, 1, p_p_bEntry, 3, &p_oRecipient);
        return oList.Add(p_oRecipient);
    };
    withEntry("Me", aMe);
    withEntry("Other", aOther);
    oList.AddPerson("NoMobile", "");
    oList.AddPerson("Null", nullptr);
    const LocalUserTest fnIsMe = [](const CEntryID& p_oEntry) {
        return p_oEntry.m_dwByteCount == 1 && p_oEntry.m_p_bBytes[0] == 0x11;
    };
    EXPECT_TRUE(StripLocalUserFromList(*oList.Get(), fnIsMe));
    ASSERT_EQ(1u, oList.Get()->m_dwCount);
    EXPECT_STREQ("Other", oList.Get()->m_p_oFirst->m_p_oItem->m_szName);

    AppendSharedItem<CMessageRecipient>(*oList.Get(), nullptr);
    CErrorSlot oError;
    EXPECT_FALSE(StripLocalUserFromList(*oList.Get(), fnIsMe, &oError));
    EXPECT_EQ("StripLocalUserFromList() NULL recipient", oError.Text());
}
} // namespace
