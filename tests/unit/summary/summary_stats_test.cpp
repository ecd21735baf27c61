// tests/unit/summary/summary_stats_test.cpp: the summary's statistics and its result lines: the
// counts and histograms of a job, the length rules, progress, and the lines the settings produce.
#include "Addressbook/summary/summary_report.h"
#include "Addressbook/summary/summary_stats.h"

#include "tests/unit/messaging/messaging_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
CMessageRecipient* MakeRecipient(const char* p_szName, const char* p_szMobile)
{
    CMessageRecipient* p_oRecipient = nullptr;
    EXPECT_EQ(1,
              CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, "shown", p_szMobile, nullptr, p_szName,
                                                EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions, &p_oRecipient));
    return p_oRecipient;
}

std::vector<std::string> Texts(const std::vector<CSummaryLine>& p_vLines)
{
    std::vector<std::string> vTexts;
    for (const CSummaryLine& oLine : p_vLines)
        vTexts.push_back(LineText(oLine));
    return vTexts;
}

CSummaryStats Gather(const CTestMessage& p_oMessage, const CTestList& p_oTo, const CTestList* p_p_oCc = nullptr,
                     EWindowsFamily p_eFamily = EWindowsFamily::NT)
{
    CSummaryRequest oRequest;
    oRequest.m_szMessage = p_oMessage.Text();
    oRequest.m_p_oTokens = p_oMessage.Tokens();
    oRequest.m_p_mrlTo = p_oTo.Get();
    oRequest.m_p_mrlCc = p_p_oCc != nullptr ? p_p_oCc->Get() : nullptr;
    oRequest.m_eFamily = p_eFamily;
    CSummaryStats oStats;
    EXPECT_TRUE(GatherSummaryStats(oRequest, oStats));
    return oStats;
}

// Ten recipients: four without a mobile (absent, empty or the address book's "<none>"), two without a name (so no first
// name), four complete; every text needs two parts.
class CTenRecipients : public ::testing::Test
{
  protected:
    CTenRecipients() : m_oMessage("Hello <<First Name>>, " + std::string(190, 'x'))
    {
        for (int i = 0; i < 4; ++i)
            m_oTo.Add(MakeRecipient("Ann Smith", i == 0 ? nullptr : i == 1 ? "" : kNoMobilePlaceholder));
        for (int i = 0; i < 2; ++i)
            m_oTo.Add(MakeRecipient(nullptr, "+447700900001"));
        for (int i = 0; i < 4; ++i)
            m_oCc.Add(MakeRecipient("Bob Jones", "+447700900002"));
    }

    CTestMessage m_oMessage;
    CTestList m_oTo;
    CTestList m_oCc;
};
} // namespace

TEST_F(CTenRecipients, CountersHistogramsAndLinesFollowTheSettings)
{
    const CSummaryStats oStats = Gather(m_oMessage, m_oTo, &m_oCc);
    EXPECT_EQ(10, oStats.m_iRecipients);
    EXPECT_EQ(4, oStats.m_iWithoutMobile);
    EXPECT_EQ(2, oStats.m_iMissingDetails);
    EXPECT_EQ(2, oStats.m_iLongest);
    EXPECT_EQ(4, oStats.m_aComplete[2]);
    EXPECT_EQ(2, oStats.m_aMissing[2]);

    EXPECT_EQ((std::vector<std::string>{"- Number of recipients : 10", "- Number without mobile : 4",
                                        "- Number with other missing details : 2",
                                        "- The longest SMS needs to be split into: 2 parts"}),
              Texts(CounterLines(oStats)));

    CSummarySettings oSettings{false, false, 1};
    EXPECT_EQ((std::vector<std::string>{
                  "- 4 recipients will not receive the message because they dont have a mobile.",
                  "- 2 recipients will not receive the message because they have other missing details.",
                  "- The longest SMS requires 2 parts. You have set an SMS limit of 1 part.",
                  "4 recipients will not receive the message at all because it requires too many parts.",
                  "- In Summary: 0 SMSs will be sent to 0 recipients.",
              }),
              Texts(ResultLines(oStats, oSettings)));

    oSettings.m_bSendOverLimit = true;
    std::vector<std::string> vLines = Texts(ResultLines(oStats, oSettings));
    EXPECT_EQ("4 recipients will not receive the full message because it requires too many parts.", vLines[3]);
    EXPECT_EQ("- In Summary: 4 SMSs will be sent to 4 recipients.", vLines[4]);

    // Missing details sent too, and a limit the texts fit in.
    oSettings = {true, false, 2};
    vLines = Texts(ResultLines(oStats, oSettings));
    EXPECT_EQ("- 2 recipients will receive the message even though they have other missing details.", vLines[1]);
    EXPECT_EQ("- The longest SMS requires 2 parts. You have set an SMS limit of 2 parts.", vLines[2]);
    EXPECT_EQ("All recipients require less parts than the limit.", vLines[3]);
    EXPECT_EQ("- In Summary: 12 SMSs will be sent to 6 recipients.", vLines[4]);
}

TEST_F(CTenRecipients, NumbersAreSeparatePiecesAndTheLimitIsForcedIntoRange)
{
    const CSummaryStats oStats = Gather(m_oMessage, m_oTo, &m_oCc);
    const CSummaryLine oLine = ResultLines(oStats, {true, true, 0})[2];
    ASSERT_EQ(5u, oLine.size());
    EXPECT_TRUE(oLine[1].m_bNumber);
    EXPECT_EQ("2", oLine[1].m_sText);
    EXPECT_TRUE(oLine[3].m_bNumber);
    EXPECT_EQ("1", oLine[3].m_sText);
    EXPECT_FALSE(oLine[4].m_bNumber);
    EXPECT_EQ("- The longest SMS requires 2 parts. You have set an SMS limit of 10 parts.",
              LineText(ResultLines(oStats, {true, true, 99})[2]));
    EXPECT_EQ(1, ClampSMSLimit(-5));
    EXPECT_EQ(10, ClampSMSLimit(12));
}

TEST(SummaryStats, SingularLinesAndAllPresent)
{
    CTestMessage oMessage("Hi <<First Name>>");
    CTestList oTo;
    oTo.Add(MakeRecipient("Ann", nullptr));
    oTo.Add(MakeRecipient(nullptr, "+447700900003"));
    oTo.Add(MakeRecipient("Cy", "+447700900004"));
    const CSummaryStats oStats = Gather(oMessage, oTo);
    std::vector<std::string> vLines = Texts(ResultLines(oStats, {true, true, 1}));
    EXPECT_EQ("- 1 recipient will not receive the message because they dont have a mobile.", vLines[0]);
    EXPECT_EQ("- 1 recipient will receive the message even though they have other missing details.", vLines[1]);
    EXPECT_EQ("- The longest SMS requires 1 part. You have set an SMS limit of 1 part.", vLines[2]);
    EXPECT_EQ("- In Summary: 2 SMSs will be sent to 2 recipients.", vLines[4]);
    vLines = Texts(ResultLines(oStats, {false, true, 1}));
    EXPECT_EQ("- 1 recipient will not receive the message because they have other missing details.", vLines[1]);
    EXPECT_EQ("- In Summary: 1 SMS will be sent to 1 recipient.", vLines[4]);

    CTestList oComplete;
    oComplete.Add(MakeRecipient("Di", "+447700900005"));
    vLines = Texts(ResultLines(Gather(oMessage, oComplete), {false, false, 3}));
    EXPECT_EQ("- All recipients have mobile numbers.", vLines[0]);
    EXPECT_EQ("- No recipients have missing details.", vLines[1]);
}

TEST(SummaryStats, FifteenPartsLandInTheLastBucketAndAreOverAnyLimit)
{
    CTestMessage oMessage(std::string(15 * 153 - 10, 'a')); // 2285 characters: 15 parts
    CTestList oTo;
    oTo.Add(MakeRecipient("Ed", "+447700900006"));
    const CSummaryStats oStats = Gather(oMessage, oTo);
    EXPECT_EQ(15, oStats.m_iLongest);
    EXPECT_EQ(1, oStats.m_aComplete[11]);
    const CSummaryTotals oDropped = ComputeTotals(oStats, {true, false, 10});
    EXPECT_EQ(1, oDropped.m_iOverLimit);
    EXPECT_EQ(0, oDropped.m_iSMS);
    const CSummaryTotals oCut = ComputeTotals(oStats, {true, true, 10});
    EXPECT_EQ(10, oCut.m_iSMS);
    EXPECT_EQ(1, oCut.m_iRecipients);
    EXPECT_EQ("1 recipient will not receive the message at all because it requires too many parts.",
              LineText(ResultLines(oStats, {true, false, 10})[3]));
}

// The message counts GSM septets through the code page; tokens add their values' length and their
// placeholder costs nothing; Windows 95/98/Me count plain characters.
TEST(SummaryStats, PersonalisedLengthRules)
{
    struct CCase
    {
        std::string m_sMessage;
        EWindowsFamily m_eFamily;
        int64_t m_iParts;
    };
    const std::string sEuro = "\x80"; // the euro sign in Windows-1252: an extension character
    const CCase aCases[] = {
        {std::string(80, '{'), EWindowsFamily::NT, 1},
        {std::string(81, '['), EWindowsFamily::NT, 2},
        {std::string(81, '['), EWindowsFamily::Win9x, 1},
        {std::string(81, '['), EWindowsFamily::Unknown, 2},
        {std::string(79, 'a') + std::string(41, '\x80'), EWindowsFamily::NT, 2},
        {std::string(160, 'a'), EWindowsFamily::NT, 1},
        {std::string(155, 'a') + "<<Mobile>>", EWindowsFamily::NT, 2},
        {std::string(146, 'a') + "<<Mobile>>", EWindowsFamily::NT, 1},
        {std::string(146, 'a') + "<<Mobile>>", EWindowsFamily::Win9x, 1},
        {std::string(148, 'a') + "<<Mobile>>", EWindowsFamily::Win9x, 2},
        {"", EWindowsFamily::NT, 1},
    };
    for (const CCase& oCase : aCases)
    {
        CTestMessage oMessage(oCase.m_sMessage);
        CTestList oTo;
        oTo.Add(MakeRecipient("Fay", "+447700900007")); // 13 characters of mobile
        EXPECT_EQ(oCase.m_iParts, Gather(oMessage, oTo, nullptr, oCase.m_eFamily).m_iLongest)
            << oCase.m_sMessage.size() << " characters, family " << static_cast<int>(oCase.m_eFamily);
    }
}

TEST(SummaryStats, ListsAreWalkedIntoAndProgressComesEveryHundred)
{
    CTestList oTo;
    std::vector<CMessageRecipient*> vInner;
    for (int i = 0; i < 30; ++i)
        vInner.push_back(MakeRecipient("In Ner", "+447700900008"));
    std::vector<CMessageRecipient*> vOuter{CTestList::MakeDistList("Inner", vInner)};
    for (int i = 0; i < 120; ++i)
        vOuter.push_back(MakeRecipient("Out Er", i < 20 ? nullptr : "+447700900009"));
    oTo.Add(CTestList::MakeDistList("Outer", vOuter));
    CTestList oCc;
    for (int i = 0; i < 100; ++i)
        oCc.Add(MakeRecipient("Cc Person", "+447700900010"));

    CTestMessage oMessage("Dear <<First Name>>");
    CSummaryRequest oRequest;
    oRequest.m_szMessage = oMessage.Text();
    oRequest.m_p_oTokens = oMessage.Tokens();
    oRequest.m_p_mrlTo = oTo.Get();
    oRequest.m_p_mrlCc = oCc.Get();
    std::vector<std::pair<size_t, size_t>> vProgress;
    CSummaryStats oStats;
    ASSERT_TRUE(GatherSummaryStats(
        oRequest, oStats, [&](size_t p_nDone, size_t p_nTotal) { vProgress.emplace_back(p_nDone, p_nTotal); }));
    EXPECT_EQ(250, oStats.m_iRecipients);
    EXPECT_EQ(20, oStats.m_iWithoutMobile);
    EXPECT_EQ(230, oStats.m_aComplete[1]);
    EXPECT_EQ((std::vector<std::pair<size_t, size_t>>{{100, 250}, {200, 250}}), vProgress);
    EXPECT_EQ("Processing record 100/250", ProcessingText(100, 250));
}

TEST(SummaryStats, TotalsCountBothHistogramsOnlyWithMissingDetails)
{
    CSummaryStats oStats;
    oStats.m_aComplete[1] = 3;
    oStats.m_aComplete[4] = 2;
    oStats.m_aMissing[2] = 5;
    oStats.m_aMissing[11] = 1;
    CSummaryTotals oTotals = ComputeTotals(oStats, {false, false, 3});
    EXPECT_EQ(2, oTotals.m_iOverLimit);
    EXPECT_EQ(3, oTotals.m_iSMS);
    EXPECT_EQ(3, oTotals.m_iRecipients);
    oTotals = ComputeTotals(oStats, {true, true, 3});
    EXPECT_EQ(3, oTotals.m_iOverLimit);
    EXPECT_EQ(3 + 6 + 10 + 3, oTotals.m_iSMS);
    EXPECT_EQ(11, oTotals.m_iRecipients);
}
