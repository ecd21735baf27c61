// Addressbook/summary/summary_stats.h: what a bulk job will send, gathered in one pass over its two
// recipient lists before the user confirms it: counts, part histograms and who qualifies.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/message_tokens.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int kSummaryBuckets = 12; // parts 0 to 10 one by one, then 11 or more
constexpr int32_t kMinSMSLimit = 1;
constexpr int32_t kMaxSMSLimit = 10;
constexpr size_t kSummaryProgressStep = 100;

// The settings the summary shows and the final SMS builder applies.
struct CSummarySettings
{
    bool m_bSendMissingDetails = true;
    bool m_bSendOverLimit = true;
    int32_t m_iSMSLimit = kMaxSMSLimit;
};

// Which length rule the message follows: Windows 95, 98 and Me count plain characters, the NT family
// counts GSM septets; when the version cannot be read the GSM count is used and the trace says so.
enum class EWindowsFamily
{
    NT,
    Win9x,
    Unknown,
};

struct CSummaryRequest
{
    const char* m_szMessage = nullptr;
    const CMessageTokenList* m_p_oTokens = nullptr;
    const CMessageRecipientList* m_p_mrlTo = nullptr;
    const CMessageRecipientList* m_p_mrlCc = nullptr;
    uint32_t m_dwTransformFlags = 0;
    EWindowsFamily m_eFamily = EWindowsFamily::NT;
};

struct CSummaryStats
{
    int64_t m_iRecipients = 0;
    int64_t m_iWithoutMobile = 0;
    int64_t m_iMissingDetails = 0;
    int64_t m_iLongest = 0;
    std::array<int64_t, kSummaryBuckets> m_aComplete{};
    std::array<int64_t, kSummaryBuckets> m_aMissing{};
};

// The limit as the dialog keeps it: forced into 1 to 10.
int32_t ClampSMSLimit(int64_t p_iLimit);
int BucketOf(int64_t p_iParts);

// Called with the individuals processed so far and the total of both lists.
using SummaryProgress = std::function<void(size_t p_nDone, size_t p_nTotal)>;

// One recipient as the summary judges it.
struct CRecipientMeasure
{
    bool m_bHasMobile = false;
    bool m_bComplete = false; // every token has a value
    int64_t m_iParts = 0;
};

// Measures recipients one after another with the message checked once.
class CRecipientMeasurer
{
  public:
    explicit CRecipientMeasurer(const CSummaryRequest& p_oRequest);
    // Throws std::bad_alloc when memory runs out.
    CRecipientMeasure Measure(const CMessageRecipient& p_oRecipient);
    // Whether a measured recipient receives anything under these settings.
    static bool Qualifies(const CRecipientMeasure& p_oMeasure, const CSummarySettings& p_oSettings);

  private:
    CTokenMerger m_oMerger;
    int64_t m_iMessageLength = 0; // the message alone, each placeholder counting nothing
    bool m_bPlainCount = false;
    std::vector<std::string> m_vValues; // reused from one recipient to the next
};

// The statistics of both lists; false (the statistics then incomplete) when a recipient's text
// could not be built.
[[nodiscard]] bool GatherSummaryStats(const CSummaryRequest& p_oRequest, CSummaryStats& p_oStats,
                                      const SummaryProgress& p_fnProgress = {});

// The GSM septets of an ANSI text, converted through the ANSI code page; characters an SMS cannot
// carry (the token placeholder among them) count nothing.
int64_t GsmMessageLength(const std::string& p_sAnsi);
