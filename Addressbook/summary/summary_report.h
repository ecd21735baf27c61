// Addressbook/summary/summary_report.h: the lines of the "Message Summary": the four counter lines
// and the five result lines, as pieces the dialog places one after another (numbers stand out).
#pragma once

#include "Addressbook/summary/summary_stats.h"

#include <cstdint>
#include <string>
#include <vector>

// String-table ids of the summary and its dialog.
constexpr unsigned kMsgSummaryRecipients = 244;     // "- Number of recipients : %d" (to 247)
constexpr unsigned kMsgSummaryNoMobileOne = 248;    // " recipient will not receive ... mobile."
constexpr unsigned kMsgSummaryAllMobiles = 250;     // "- All recipients have mobile numbers."
constexpr unsigned kMsgSummaryMissingNotOne = 251;  // " recipient will not receive ... missing details."
constexpr unsigned kMsgSummaryMissingSendOne = 253; // " recipient will receive ... missing details."
constexpr unsigned kMsgSummaryNoMissing = 255;      // "- No recipients have missing details."
constexpr unsigned kMsgSummaryPartLimit = 256;      // " part. You have set an SMS limit of "
constexpr unsigned kMsgSummaryPart = 258;           // " part."
constexpr unsigned kMsgSummaryUnderLimit = 260;     // "All recipients require less parts than the limit."
constexpr unsigned kMsgSummaryCutOne = 261;         // " recipient will not receive the full message ..."
constexpr unsigned kMsgSummaryDroppedOne = 262;     // " recipient will not receive the message at all ..."
constexpr unsigned kMsgSummaryCutMany = 263;
constexpr unsigned kMsgSummaryDroppedMany = 264;
constexpr unsigned kMsgSummarySMSOne = 265;       // " SMS will be sent to "
constexpr unsigned kMsgSummaryRecipientOne = 267; // " recipient."
constexpr unsigned kMsgSummaryProcessing = 269;   // "Processing record %d/%d"
constexpr unsigned kMsgSummaryComputing = 270;    // "Computing summary information..."
constexpr unsigned kMsgSummaryApplyAndSend = 271; // "&Apply and Send"
constexpr unsigned kMsgSummaryApply = 272;        // "&Apply"
constexpr unsigned kMsgLimitViolationCaption = 2500;
constexpr unsigned kMsgLimitViolation = 2501;

struct CLinePiece
{
    std::string m_sText;
    bool m_bNumber = false;
};
using CSummaryLine = std::vector<CLinePiece>;

// What the settings send: over-limit recipients, SMS and recipients in total.
struct CSummaryTotals
{
    int64_t m_iOverLimit = 0;
    int64_t m_iSMS = 0;
    int64_t m_iRecipients = 0;
};
CSummaryTotals ComputeTotals(const CSummaryStats& p_oStats, const CSummarySettings& p_oSettings);

// The four counter lines (strings 244 to 247).
std::vector<CSummaryLine> CounterLines(const CSummaryStats& p_oStats);
// The five result lines under these settings (the limit forced into 1 to 10 first).
std::vector<CSummaryLine> ResultLines(const CSummaryStats& p_oStats, const CSummarySettings& p_oSettings);
// A line's pieces joined, as a reader sees it.
std::string LineText(const CSummaryLine& p_oLine);

// "Processing record %d/%d" filled in.
std::string ProcessingText(size_t p_nDone, size_t p_nTotal);
// A string of the library's table; empty when it has none.
std::string SummaryString(unsigned p_uId);
