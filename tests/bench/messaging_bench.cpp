// tests/bench/messaging_bench.cpp: cost per recipient of flattening a bulk job and of building its
// final SMS list, at three sizes, to show both stay linear. Each iteration times the operation
// alone: freeing its result happens with the clock paused, and is timed on its own below.
// Both operations run warm (the same job over and over, as a loop leaves it in the cache) and
// cold (the caches flushed before each run, as a job that arrives once finds them).
#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/country_code.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/messaging/recipient_list.h"
#include "tests/bench/bench_job.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A bulk job of p_iCount recipients split over To and Cc: one in ten numbers repeats an earlier one
// written the other way, and one in twenty recipients sits in a distribution list of ten.
struct CBulkJob
{
    explicit CBulkJob(int p_iCount)
    {
        FillBenchJob(p_iCount, m_mrlTo, m_mrlCc, [](int i) {
            char szMobile[32];
            char szName[32];
            const int iNumber = i % 10 == 9 ? i - 5 : i;
            std::snprintf(szMobile, sizeof(szMobile), i % 10 == 9 ? "+27 82 %07d" : "082 %07d", iNumber);
            std::snprintf(szName, sizeof(szName), "Person %d", i);
            RecipientPtr oPerson = NewPersonRecipient(nullptr, szMobile, nullptr, szName);
            AddExtraProperty(*oPerson, "Code", std::to_string(static_cast<long long>(i) * 7919 % 100000).c_str());
            return oPerson;
        });
    }

    ListPtr<CMessageRecipientList> m_mrlTo = NewList<CMessageRecipientList>();
    ListPtr<CMessageRecipientList> m_mrlCc = NewList<CMessageRecipientList>();
};

// "Hi <First Name>, your code is <Code>."
struct CTwoTokenMessage
{
    CTwoTokenMessage()
    {
        m_sText = std::string("Hi ") + kTokenPlaceholder + ", your code is " + kTokenPlaceholder + ".";
        Add("First Name", 3);
        Add("Code", static_cast<int32_t>(m_sText.rfind(kTokenPlaceholder)));
    }
    void Add(const char* p_szName, int32_t p_iPosition)
    {
        auto oToken = std::make_unique<CMessageToken>();
        oToken->m_szName = const_cast<char*>(p_szName);
        oToken->m_iPosition = p_iPosition;
        AppendItem(*m_oTokens, std::move(oToken));
    }
    std::string m_sText;
    ListPtr<CMessageTokenList> m_oTokens = NewList<CMessageTokenList>();
};

// A job runs once: its recipients were built a while ago and the memory the previous job freed
// has long left the cache. Writing over a buffer three times the size of the last-level cache
// before each cold iteration makes every size start that way, so that a small job is not
// measured from cache while a large one is measured from memory.
class CCacheFlusher
{
  public:
    explicit CCacheFlusher(const benchmark::State& p_oState) : m_vBytes(p_oState.range(1) != 0 ? size_t(96) << 20 : 0)
    {
    }

    // Called with the clock running; pauses it while the caches are flushed.
    void BeforeRun(benchmark::State& p_oState)
    {
        if (m_vBytes.empty())
            return;
        p_oState.PauseTiming();
        for (size_t i = 0; i < m_vBytes.size(); i += 64)
            m_vBytes[i] = static_cast<char>(m_vBytes[i] + 1);
        benchmark::ClobberMemory();
        p_oState.ResumeTiming();
    }

  private:
    std::vector<char> m_vBytes;
};

void SetPerRecipient(benchmark::State& p_oState)
{
    p_oState.SetItemsProcessed(p_oState.iterations() * p_oState.range(0));
    p_oState.counters["per_recipient"] =
        benchmark::Counter(static_cast<double>(p_oState.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_GetCombinedFlatNonDuplicateList(benchmark::State& p_oState)
{
    auto oStore = CreateMemoryRegistry();
    (void)CRegistry(*oStore).WriteUserText("CountryCode", "27");
    CCountryCode oCountry(*oStore);
    const CBulkJob oJob(static_cast<int>(p_oState.range(0)));
    CCacheFlusher oFlusher(p_oState);
    for (auto _ : p_oState)
    {
        oFlusher.BeforeRun(p_oState);
        CMessageRecipientList* p_mrlOut = nullptr;
        if (GetCombinedFlatNonDuplicateList(oJob.m_mrlTo.get(), oJob.m_mrlCc.get(), &p_mrlOut, oCountry) != 1)
            p_oState.SkipWithError("flattening failed");
        benchmark::DoNotOptimize(p_mrlOut);
        p_oState.PauseTiming();
        DeleteMessageRecipientList(&p_mrlOut);
        p_oState.ResumeTiming();
    }
    SetPerRecipient(p_oState);
}

// Freeing a flattened job: what the send pipeline pays once the job has gone out.
void BM_DeleteMessageRecipientList(benchmark::State& p_oState)
{
    auto oStore = CreateMemoryRegistry();
    (void)CRegistry(*oStore).WriteUserText("CountryCode", "27");
    CCountryCode oCountry(*oStore);
    const CBulkJob oJob(static_cast<int>(p_oState.range(0)));
    for (auto _ : p_oState)
    {
        p_oState.PauseTiming();
        CMessageRecipientList* p_mrlOut = nullptr;
        if (GetCombinedFlatNonDuplicateList(oJob.m_mrlTo.get(), oJob.m_mrlCc.get(), &p_mrlOut, oCountry) != 1)
            p_oState.SkipWithError("flattening failed");
        p_oState.ResumeTiming();
        DeleteMessageRecipientList(&p_mrlOut);
    }
    SetPerRecipient(p_oState);
}

void BM_CreateFinalSMSs(benchmark::State& p_oState)
{
    const CBulkJob oJob(static_cast<int>(p_oState.range(0)));
    const CTwoTokenMessage oMessage;
    CCacheFlusher oFlusher(p_oState);
    for (auto _ : p_oState)
    {
        oFlusher.BeforeRun(p_oState);
        CFinalSMSList* p_oSMS = nullptr;
        if (CreateFinalSMSs(oMessage.m_sText.c_str(), oMessage.m_oTokens.get(), oJob.m_mrlTo.get(), oJob.m_mrlCc.get(),
                            1, 1, 0, 0, &p_oSMS) != 1)
            p_oState.SkipWithError("building failed");
        benchmark::DoNotOptimize(p_oSMS);
        p_oState.PauseTiming();
        DeleteSMSList(&p_oSMS);
        p_oState.ResumeTiming();
    }
    SetPerRecipient(p_oState);
}
} // namespace

// The machine is shared with builds, so besides the mean the fastest repetition is reported: it is
// the figure least disturbed by other work.
double Fastest(const std::vector<double>& p_vValues)
{
    return *std::min_element(p_vValues.begin(), p_vValues.end());
}

BENCHMARK(BM_DeleteMessageRecipientList)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest);

// A million recipients as well: warm, 10,000 fit in the last-level cache with their copies and
// 100,000 do not, so the cost per recipient steps once between those two; from 100,000 on it stays
// flat. Cold, every size starts from memory and the step between them shrinks.
BENCHMARK(BM_GetCombinedFlatNonDuplicateList)
    ->ArgNames({"recipients", "cold"})
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest);
BENCHMARK(BM_CreateFinalSMSs)
    ->ArgNames({"recipients", "cold"})
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest);
