// Addressbook/messaging/final_sms_exports.cpp: the exports of the final SMS builder.
#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/final_sms.h"
#include "common/boundary.h"

extern "C"
{
    int CORVANE_API CreateFinalSMSs(const char* p_szMessage, const CMessageTokenList* p_p_oTokens,
                                    const CMessageRecipientList* p_p_mrlFirst,
                                    const CMessageRecipientList* p_p_mrlSecond, int32_t p_iMaxSMSCount,
                                    int p_bAllowTruncation, int p_bKeepEmptyTokens, uint32_t p_dwTransformFlags,
                                    CFinalSMSList** p_pp_oList)
    {
        return TrapExceptions("CreateFinalSMSs", kFinalSMSMergeFailed, [&] {
            CFinalSMSRequest oRequest;
            oRequest.m_szMessage = p_szMessage;
            oRequest.m_p_oTokens = p_p_oTokens;
            oRequest.m_p_mrlFirst = p_p_mrlFirst;
            oRequest.m_p_mrlSecond = p_p_mrlSecond;
            oRequest.m_iMaxSMSCount = p_iMaxSMSCount;
            oRequest.m_bAllowTruncation = p_bAllowTruncation != 0;
            oRequest.m_bKeepEmptyTokens = p_bKeepEmptyTokens != 0;
            oRequest.m_dwTransformFlags = p_dwTransformFlags;
            return BuildFinalSMSList(oRequest, p_pp_oList);
        });
    }

    CFinalSMSList** CORVANE_API DeleteSMSList(CFinalSMSList** p_pp_oList)
    {
        return TrapExceptions("DeleteSMSList", p_pp_oList, [&] {
            if (p_pp_oList != nullptr)
                DestroyFinalSMSList(*p_pp_oList);
            return p_pp_oList;
        });
    }
}
