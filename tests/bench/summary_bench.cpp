// tests/bench/summary_bench.cpp: gathering the message summary's statistics for a bulk job of
// 100,000 and 1,000,000 recipients, each with two token values, split over To and Cc with one in
// twenty inside a distribution list. The job is built once per size; each iteration is one
// gathering, as the dialog does when it opens.
#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/summary/summary_stats.h"
#include "tests/bench/bench_job.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace
{
struct CSummaryJob
{
    explicit CSummaryJob(int p_iCount)
    {
        FillBenchJob(p_iCount, m_mrlTo, m_mrlCc, [](int i) {
            char szMobile[32];
            char szName[48];
            std::snprintf(szMobile, sizeof(szMobile), "082 %07d", i);
            std::snprintf(szName, sizeof(szName), "Person%d Surname%d", i, i % 977);
            // One in fifty has no mobile, one in thirty no code: the summary counts both.
            RecipientPtr oPerson = NewPersonRecipient(nullptr, i % 50 == 7 ? nullptr : szMobile, nullptr, szName);
            if (i % 30 != 3)
                AddExtraProperty(*oPerson, "Code", std::to_string(static_cast<long long>(i) * 7919 % 100000).c_str());
            return oPerson;
        });
        m_sText = std::string("Hi ") + kTokenPlaceholder + ", your code is " + kTokenPlaceholder +
                  ". Bring it to the branch before Friday.";
        AddToken("First Name", 3);
        AddToken("Code", static_cast<int32_t>(m_sText.rfind(kTokenPlaceholder)));
    }
    void AddToken(const char* p_szName, int32_t p_iPosition)
    {
        auto oToken = std::make_unique<CMessageToken>();
        oToken->m_szName = const_cast<char*>(p_szName);
        oToken->m_iPosition = p_iPosition;
        AppendItem(*m_oTokens, std::move(oToken));
    }

    ListPtr<CMessageRecipientList> m_mrlTo = NewList<CMessageRecipientList>();
    ListPtr<CMessageRecipientList> m_mrlCc = NewList<CMessageRecipientList>();
    std::string m_sText;
    ListPtr<CMessageTokenList> m_oTokens = NewList<CMessageTokenList>();
};

void BM_GatherSummaryStats(benchmark::State& p_oState)
{
    const CSummaryJob oJob(static_cast<int>(p_oState.range(0)));
    CSummaryRequest oRequest;
    oRequest.m_szMessage = oJob.m_sText.c_str();
    oRequest.m_p_oTokens = oJob.m_oTokens.get();
    oRequest.m_p_mrlTo = oJob.m_mrlTo.get();
    oRequest.m_p_mrlCc = oJob.m_mrlCc.get();
    size_t nReports = 0;
    for (auto _ : p_oState)
    {
        CSummaryStats oStats;
        const bool bGathered = GatherSummaryStats(oRequest, oStats, [&](size_t, size_t) { ++nReports; });
        benchmark::DoNotOptimize(bGathered);
        benchmark::DoNotOptimize(oStats);
        if (oStats.m_iRecipients != p_oState.range(0))
            p_oState.SkipWithError("not every recipient was counted");
    }
    p_oState.SetItemsProcessed(p_oState.iterations() * p_oState.range(0));
}
BENCHMARK(BM_GatherSummaryStats)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
} // namespace
