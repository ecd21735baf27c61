// Addressbook/messaging/final_sms.cpp: merging a bulk message for each of its recipients.
#include "Addressbook/messaging/final_sms.h"

#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/message_tokens.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/messaging/sms_length.h"

#include "common/trace_log.h"

#include <memory>
#include <new>

CFinalSMS::~CFinalSMS()
{
    delete[] m_szName;
    delete[] m_szMobile;
    delete[] m_szText;
    delete[] m_szSecondText;
}

int BuildFinalSMSList(const CFinalSMSRequest& p_oRequest, CFinalSMSList** p_pp_oList, CCountryCode& p_oCountry)
{
    if (p_pp_oList == nullptr || p_oRequest.m_szMessage == nullptr)
        return kFinalSMSMergeFailed;

    // The combined list is never kept, so the walk visits the recipients where they are instead of
    // copying them; order and key rules are those of GetCombinedFlatNonDuplicateList.
    std::unique_ptr<CMobileKeySet> oKeys;
    std::unique_ptr<CTokenMerger> oMerger;
    try
    {
        oKeys = std::make_unique<CMobileKeySet>(p_oCountry.ForMobileKey());
        oKeys->Reserve(TopLevelCount(p_oRequest.m_p_mrlFirst, p_oRequest.m_p_mrlSecond));
        oMerger = std::make_unique<CTokenMerger>(p_oRequest.m_szMessage, p_oRequest.m_p_oTokens,
                                                 p_oRequest.m_dwTransformFlags);
        if (*p_pp_oList == nullptr)
            *p_pp_oList = NewList<CFinalSMSList>().release();
    }
    catch (const std::bad_alloc&)
    {
        Log("BuildFinalSMSList: out of memory combining the recipient lists");
        return kFinalSMSCombineFailed;
    }

    const int64_t iCapacity = SMSCapacity(p_oRequest.m_iMaxSMSCount);
    CFinalSMSList& oList = **p_pp_oList;
    std::vector<std::string> vValues; // reused from one recipient to the next
    try
    {
        VisitCombinedFlatRecipients(
            p_oRequest.m_p_mrlFirst, p_oRequest.m_p_mrlSecond, *oKeys, [&](const CMessageRecipient& p_oRecipient) {
                if (!oMerger->CollectValues(p_oRecipient, vValues) && !p_oRequest.m_bKeepEmptyTokens)
                    return;
                size_t nLength = oMerger->MergedLength(vValues);
                if (static_cast<int64_t>(nLength) > iCapacity)
                {
                    if (!p_oRequest.m_bAllowTruncation)
                        return;
                    nLength = static_cast<size_t>(iCapacity);
                }
                OwnedString sText(new char[nLength + 1]);
                oMerger->MergeInto(vValues, sText.get(), nLength);
                sText[nLength] = '\0';
                auto oSMS = std::make_unique<CFinalSMS>();
                // The send pipeline names a recipient without a name by its number; the final SMS
                // does the same, while the name tokens above saw the name as absent.
                oSMS->m_szName =
                    CopyOwnedString(p_oRecipient.m_szName != nullptr ? p_oRecipient.m_szName : p_oRecipient.m_szMobile)
                        .release();
                oSMS->m_szMobile = CopyOwnedString(p_oRecipient.m_szMobile).release();
                oSMS->m_szText = sText.release();
                AppendItem(oList, std::move(oSMS));
            });
    }
    catch (const std::bad_alloc&)
    {
        Log("BuildFinalSMSList: out of memory after %u messages", oList.m_dwCount);
        return kFinalSMSMergeFailed;
    }
    return kFinalSMSBuilt;
}

bool PersonalisedText(const char* p_szMessage, const CMessageTokenList* p_p_oTokens,
                      const CMessageRecipient& p_oRecipient, uint32_t p_dwTransformFlags,
                      std::vector<CTextPart>& p_vParts)
{
    p_vParts.clear();
    try
    {
        const CTokenMerger oMerger(p_szMessage, p_p_oTokens, p_dwTransformFlags);
        p_vParts.push_back({"Only 1", oMerger.Merge(p_oRecipient)});
        return true;
    }
    catch (const std::bad_alloc&)
    {
        Log("PersonalisedText: out of memory");
        p_vParts.clear();
        return false;
    }
}

void DestroyFinalSMSList(CFinalSMSList*& p_p_oList) noexcept
{
    DestroyList(p_p_oList);
    p_p_oList = nullptr;
}
