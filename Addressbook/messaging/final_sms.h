// Addressbook/messaging/final_sms.h: the final SMS builder: one personalised, length-checked text per
// distinct mobile of a bulk job.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/country_code.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr int kFinalSMSBuilt = 1;
constexpr int kFinalSMSMergeFailed = 0;
constexpr int kFinalSMSCombineFailed = -1;

struct CFinalSMSRequest
{
    const char* m_szMessage = nullptr;
    const CMessageTokenList* m_p_oTokens = nullptr;
    const CMessageRecipientList* m_p_mrlFirst = nullptr;
    const CMessageRecipientList* m_p_mrlSecond = nullptr;
    int32_t m_iMaxSMSCount = 1;
    bool m_bAllowTruncation = false;
    bool m_bKeepEmptyTokens = true;
    uint32_t m_dwTransformFlags = 0;
};

// Appends the job's messages to *p_pp_oList (made when null). Returns kFinalSMSBuilt,
// kFinalSMSMergeFailed (no list pointer or message, or memory ran out while merging; what was appended stays)
// or kFinalSMSCombineFailed.
[[nodiscard]] int BuildFinalSMSList(const CFinalSMSRequest& p_oRequest, CFinalSMSList** p_pp_oList,
                                    CCountryCode& p_oCountry = ProcessCountryCode());

// One labelled text of a recipient's preview.
struct CTextPart
{
    std::string m_sLabel;
    std::string m_sText;
};

// The merged text of one recipient, uncut (the gateway splits it), as the single part "Only 1".
// False when it could not be built.
[[nodiscard]] bool PersonalisedText(const char* p_szMessage, const CMessageTokenList* p_p_oTokens,
                                    const CMessageRecipient& p_oRecipient, uint32_t p_dwTransformFlags,
                                    std::vector<CTextPart>& p_vParts);

// Frees the list and its messages; null is accepted.
void DestroyFinalSMSList(CFinalSMSList*& p_p_oList) noexcept;
