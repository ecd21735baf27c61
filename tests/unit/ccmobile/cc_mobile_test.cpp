// tests/unit/ccmobile/cc_mobile_test.cpp: the CC-to-mobile notice: its four texts, which recipient
// rows it takes, and what a stored notice hands to the check and the send.
#include "Addressbook/messaging/cc_mobile.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/res/corvane_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
std::vector<uint8_t> Id(uint8_t p_b)
{
    return {p_b, 0x10, 0x20};
}

CCCMobileRow Row(uint8_t p_b, std::optional<int32_t> p_iType)
{
    return {Id(p_b), p_iType};
}

// Entry 1..9 are people "P<n>" with mobile "+4477009000<n>"; entry 0x40 is a list of 7 and 8.
class CFakeBook : public ICCMobileBook
{
  public:
    bool AddEntry(const std::vector<uint8_t>& p_vEntryId, CMessageRecipientList& p_oList) override
    {
        const uint8_t b = p_vEntryId.at(0);
        if (b == 0x40)
            return AddEntry(Id(7), p_oList) && AddEntry(Id(8), p_oList);
        if (b == 0xEE)
            return false;
        const std::string sName = "P" + std::to_string(b);
        const std::string sMobile = "+4477009000" + std::to_string(b);
        AppendItem(p_oList,
                   NewPersonRecipient(MakeEntry(EID_TYPE_AB, uint32_t(p_vEntryId.size()), p_vEntryId.data(), nullptr),
                                      sMobile.c_str(), "", sName.c_str()));
        return true;
    }
};

std::vector<std::string> Names(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<std::string> vNames;
    for (auto* p_oNode = p_p_mrlList != nullptr ? p_p_mrlList->m_p_oFirst : nullptr; p_oNode != nullptr;
         p_oNode = p_oNode->m_p_oNext)
        vNames.emplace_back(TextOf(p_oNode->m_p_oItem->m_szName));
    return vNames;
}

// Records what the notice hands over; the check can replace the first list as the real one may.
class CFakeSteps : public ICCMobileSteps
{
  public:
    bool Check(CMessageRecipientList** p_pp_mrlFirst, CMessageRecipientList** p_pp_mrlSecond, bool& p_bExited) override
    {
        ++m_iChecks;
        m_vChecked = Names(*p_pp_mrlFirst);
        m_nSecondAtCheck = (*p_pp_mrlSecond)->m_dwCount;
        if (m_bReplaceFirst)
        {
            DestroyList(*p_pp_mrlFirst);
            *p_pp_mrlFirst = new CMessageRecipientList();
            CFakeBook().AddEntry(Id(9), **p_pp_mrlFirst);
        }
        p_bExited = m_bExit;
        return m_bCheckSays;
    }
    bool Send(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond,
              const std::string& p_sText, uint32_t p_dwOptions, const CDeliveryTime* p_p_stDelivery,
              const char* p_szFolderSubject) override
    {
        ++m_iSends;
        m_vSent = Names(p_p_mrlFirst);
        m_nSecondAtSend = p_p_mrlSecond != nullptr ? p_p_mrlSecond->m_dwCount : 99;
        m_sText = p_sText;
        m_dwOptions = p_dwOptions;
        m_bHadDelivery = p_p_stDelivery != nullptr;
        if (p_p_stDelivery != nullptr)
            m_stDelivery = *p_p_stDelivery;
        m_sFolderSubject = p_szFolderSubject;
        return m_bSendWorks;
    }
    void ShowCancelled() override
    {
        ++m_iCancelled;
    }

    bool m_bCheckSays = true;
    bool m_bExit = false;
    bool m_bReplaceFirst = false;
    bool m_bSendWorks = true;
    int m_iChecks = 0;
    int m_iSends = 0;
    int m_iCancelled = 0;
    std::vector<std::string> m_vChecked;
    std::vector<std::string> m_vSent;
    size_t m_nSecondAtCheck = 99;
    size_t m_nSecondAtSend = 99;
    std::string m_sText;
    uint32_t m_dwOptions = 0;
    bool m_bHadDelivery = false;
    CDeliveryTime m_stDelivery;
    std::string m_sFolderSubject;
};

const std::vector<CCCMobileRow> kMail = {Row(1, kRecipientTypeTo), Row(2, kRecipientTypeCc), Row(3, kRecipientTypeBcc),
                                         Row(4, kRecipientTypeCc)};
} // namespace

TEST(CCMobileText, FourShapesByNameAndSubject)
{
    EXPECT_EQ("You have a new e-mail", CCMobileText("", ""));
    EXPECT_EQ("You have a new e-mail, subject : 'Lunch'", CCMobileText("", "Lunch"));
    EXPECT_EQ("You have a new e-mail from Ann Lee", CCMobileText("Ann Lee", ""));
    EXPECT_EQ("You have a new e-mail from Ann Lee, subject : 'Lunch'", CCMobileText("Ann Lee", "Lunch"));
    // Format characters in either value are text, not directives.
    EXPECT_EQ("You have a new e-mail from %s%d, subject : '100% %n'", CCMobileText("%s%d", "100% %n"));
}

TEST(CCMobileRows, BoxesChooseTypedRowsOthersAlwaysTakenNoEntryNever)
{
    const CCCMobileChoice onlyCc{false, true, false};
    EXPECT_FALSE(TakesRecipientRow(Row(1, kRecipientTypeTo), onlyCc));
    EXPECT_TRUE(TakesRecipientRow(Row(1, kRecipientTypeCc), onlyCc));
    EXPECT_FALSE(TakesRecipientRow(Row(1, kRecipientTypeBcc), onlyCc));
    EXPECT_TRUE(TakesRecipientRow(Row(1, std::nullopt), onlyCc));
    EXPECT_TRUE(TakesRecipientRow(Row(1, 0), CCCMobileChoice{}));
    EXPECT_TRUE(TakesRecipientRow(Row(1, 0x10000001), CCCMobileChoice{}));
    EXPECT_FALSE(TakesRecipientRow(CCCMobileRow{{}, kRecipientTypeCc}, onlyCc));
    EXPECT_FALSE(TakesRecipientRow(CCCMobileRow{{}, std::nullopt}, onlyCc));
    const CCCMobileChoice all{true, true, true};
    EXPECT_TRUE(TakesRecipientRow(Row(1, kRecipientTypeTo), all));
    EXPECT_TRUE(TakesRecipientRow(Row(1, kRecipientTypeBcc), all));
}

TEST(CCMobileNotice, OnlyCcTickedSendsToCcRecipientsAlone)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    ASSERT_TRUE(oNotice.Store(kMail, {false, true, false}, oBook, "Ann Lee", "", std::nullopt));
    EXPECT_EQ((std::vector<std::string>{"P2", "P4"}), Names(oNotice.Recipients()));
    EXPECT_EQ("You have a new e-mail from Ann Lee", oNotice.Text());

    CFakeSteps oSteps;
    EXPECT_EQ(1, oNotice.Send(oSteps, 0x2AC7));
    EXPECT_EQ((std::vector<std::string>{"P2", "P4"}), oSteps.m_vChecked);
    EXPECT_EQ((std::vector<std::string>{"P2", "P4"}), oSteps.m_vSent);
    EXPECT_EQ(0u, oSteps.m_nSecondAtCheck);
    EXPECT_EQ(0u, oSteps.m_nSecondAtSend);
    EXPECT_EQ(0x2AC7u, oSteps.m_dwOptions);
    EXPECT_EQ("SMS notification of email", oSteps.m_sFolderSubject);
    EXPECT_FALSE(oSteps.m_bHadDelivery);
    EXPECT_EQ(0, oSteps.m_iCancelled);
    EXPECT_FALSE(oNotice.IsStored());
    EXPECT_EQ(nullptr, oNotice.Recipients());
}

TEST(CCMobileNotice, ListsExpandUnreadableEntriesSkippedUntypedRowsTaken)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    const std::vector<CCCMobileRow> vRows = {Row(0x40, kRecipientTypeTo), Row(0xEE, kRecipientTypeTo),
                                             Row(5, std::nullopt), CCCMobileRow{{}, kRecipientTypeTo}};
    ASSERT_TRUE(oNotice.Store(vRows, {true, false, false}, oBook, "", "Plans", std::nullopt));
    EXPECT_EQ((std::vector<std::string>{"P7", "P8", "P5"}), Names(oNotice.Recipients()));
    EXPECT_EQ("You have a new e-mail, subject : 'Plans'", oNotice.Text());
}

TEST(CCMobileNotice, DeferredDeliveryTimeIsTheSmsDeliveryTime)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    CDeliveryTime stWhen;
    stWhen.m_wYear = 2026;
    stWhen.m_wMonth = 12;
    stWhen.m_wDay = 24;
    stWhen.m_wHour = 17;
    stWhen.m_wMinute = 45;
    ASSERT_TRUE(oNotice.Store(kMail, {true, true, true}, oBook, "Ann", "Eve", stWhen));
    CFakeSteps oSteps;
    EXPECT_EQ(1, oNotice.Send(oSteps, 0));
    ASSERT_TRUE(oSteps.m_bHadDelivery);
    EXPECT_EQ(0, std::memcmp(&stWhen, &oSteps.m_stDelivery, sizeof stWhen));
    EXPECT_EQ((std::vector<std::string>{"P1", "P2", "P3", "P4"}), oSteps.m_vSent);

    // The next e-mail without one sends without a delivery time.
    ASSERT_TRUE(oNotice.Store(kMail, {true, false, false}, oBook, "Ann", "Eve", std::nullopt));
    CFakeSteps oNext;
    EXPECT_EQ(1, oNotice.Send(oNext, 0));
    EXPECT_FALSE(oNext.m_bHadDelivery);
}

TEST(CCMobileNotice, SendWithoutStoreReturnsOneAndDoesNothing)
{
    CCCMobileNotice oNotice;
    CFakeSteps oSteps;
    EXPECT_EQ(1, oNotice.Send(oSteps, 0x2000));
    EXPECT_EQ(0, oSteps.m_iChecks);
    EXPECT_EQ(0, oSteps.m_iSends);
    EXPECT_EQ(0, oSteps.m_iCancelled);

    // Nor after a send or a clean-up has emptied it.
    CFakeBook oBook;
    ASSERT_TRUE(oNotice.Store(kMail, {true, true, true}, oBook, "", "", std::nullopt));
    oNotice.Clear();
    EXPECT_EQ(1, oNotice.Send(oSteps, 0x2000));
    EXPECT_EQ(0, oSteps.m_iChecks);
}

TEST(CCMobileNotice, LeftWizardShowsCancelledSendsNothingAndDiscards)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    ASSERT_TRUE(oNotice.Store(kMail, {true, true, true}, oBook, "Ann", "Eve", std::nullopt));
    CFakeSteps oSteps;
    oSteps.m_bCheckSays = false;
    oSteps.m_bExit = true;
    EXPECT_EQ(1, oNotice.Send(oSteps, 0));
    EXPECT_EQ(0, oSteps.m_iSends);
    EXPECT_EQ(1, oSteps.m_iCancelled);
    EXPECT_FALSE(oNotice.IsStored());

    // A check that refuses without the wizard being left says nothing.
    ASSERT_TRUE(oNotice.Store(kMail, {true, true, true}, oBook, "Ann", "Eve", std::nullopt));
    CFakeSteps oRefused;
    oRefused.m_bCheckSays = false;
    EXPECT_EQ(1, oNotice.Send(oRefused, 0));
    EXPECT_EQ(0, oRefused.m_iSends);
    EXPECT_EQ(0, oRefused.m_iCancelled);
}

TEST(CCMobileNotice, FailedSendReturnsZeroAndStillDiscards)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    ASSERT_TRUE(oNotice.Store(kMail, {true, true, true}, oBook, "Ann", "Eve", std::nullopt));
    CFakeSteps oSteps;
    oSteps.m_bSendWorks = false;
    EXPECT_EQ(0, oNotice.Send(oSteps, 0));
    EXPECT_FALSE(oNotice.IsStored());
    CFakeSteps oAgain;
    EXPECT_EQ(1, oNotice.Send(oAgain, 0));
    EXPECT_EQ(0, oAgain.m_iSends);
}

TEST(CCMobileNotice, ListTheCheckReplacedIsTheOneSentAndFreed)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    ASSERT_TRUE(oNotice.Store(kMail, {true, false, false}, oBook, "Ann", "Eve", std::nullopt));
    CFakeSteps oSteps;
    oSteps.m_bReplaceFirst = true;
    EXPECT_EQ(1, oNotice.Send(oSteps, 0));
    EXPECT_EQ((std::vector<std::string>{"P1"}), oSteps.m_vChecked);
    EXPECT_EQ((std::vector<std::string>{"P9"}), oSteps.m_vSent);
}

TEST(CCMobileNotice, StoreReplacesTheEarlierNotice)
{
    CCCMobileNotice oNotice;
    CFakeBook oBook;
    CDeliveryTime stWhen;
    stWhen.m_wYear = 2027;
    ASSERT_TRUE(oNotice.Store(kMail, {true, true, true}, oBook, "Ann", "First", stWhen));
    ASSERT_TRUE(oNotice.Store(kMail, {false, false, true}, oBook, "Ann", "Second", std::nullopt));
    EXPECT_EQ((std::vector<std::string>{"P3"}), Names(oNotice.Recipients()));
    EXPECT_EQ("You have a new e-mail from Ann, subject : 'Second'", oNotice.Text());
    EXPECT_FALSE(oNotice.DeliveryTime().has_value());
    EXPECT_EQ(&ProcessCCMobileNotice(), &ProcessCCMobileNotice());
}

TEST(CCMobileText, CancelledMessageTextsAreExact)
{
    EXPECT_STREQ("CC Mobile Send Cancelled", CorvaneStrings().Find(24));
    EXPECT_STREQ("You have chosen to exit the resolution wizard,\nthis will stop the CCs from being sent to the "
                 "mobiles.\nThe e-mail will still be sent as usual.",
                 CorvaneStrings().Find(25));
}
