// Addressbook/frame/summary_exports.cpp: the exports MailSummary and PreviewMail: the message
// summary and the preview a host shows before a bulk send.
#include "Addressbook/frame/exports.h"
#include "Addressbook/summary/summary_report.h"
#include "Addressbook/summary/summary_stats.h"
#include "Addressbook/summary/ui/preview_dialog.h"
#include "Addressbook/summary/ui/summary_dialog.h"
#include "common/boundary.h"
#include "common/trace_log.h"

namespace
{
constexpr int kSummaryCancelled = -2;

// The length rule follows the Windows family the library runs on.
EWindowsFamily CurrentFamily()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return EWindowsFamily::Unknown;
    return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? EWindowsFamily::Win9x : EWindowsFamily::NT;
}

CSummaryRequest RequestOf(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                          const char* p_szText, const CMessageTokenList* p_p_oTokens, uint32_t p_dwTransformFlags)
{
    CSummaryRequest oRequest;
    oRequest.m_szMessage = p_szText;
    oRequest.m_p_oTokens = p_p_oTokens;
    oRequest.m_p_mrlTo = p_p_mrlTo;
    oRequest.m_p_mrlCc = p_p_mrlCc;
    oRequest.m_dwTransformFlags = p_dwTransformFlags;
    oRequest.m_eFamily = CurrentFamily();
    return oRequest;
}
} // namespace

extern "C"
{
    int CORVANE_API PreviewMail(HWND p_hOwner, const CMessageRecipientList* p_p_mrlTo,
                                const CMessageRecipientList* p_p_mrlCc, const char* p_szText,
                                const CMessageTokenList* p_p_oTokens, uint32_t p_dwTransformFlags,
                                int32_t p_bSendMissingDetails, int32_t p_bSendOverLimit, int32_t p_iSMSLimit)
    {
        return TrapExceptions("PreviewMail", 0, [&]() -> int {
            if (p_szText == nullptr)
            {
                Log("PreviewMail: no message text");
                return 0;
            }
            const CSummaryRequest oRequest = RequestOf(p_p_mrlTo, p_p_mrlCc, p_szText, p_p_oTokens, p_dwTransformFlags);
            const CSummarySettings oSettings{p_bSendMissingDetails != 0, p_bSendOverLimit != 0,
                                             ClampSMSLimit(p_iSMSLimit)};
            return RunPreview(p_hOwner, oRequest, oSettings, nullptr) ? 1 : 0;
        });
    }

    int CORVANE_API MailSummary(HWND p_hOwner, const CMessageRecipientList* p_p_mrlTo,
                                const CMessageRecipientList* p_p_mrlCc, const char* p_szText,
                                const CMessageTokenList* p_p_oTokens, HWND p_hProgress, uint32_t p_dwTransformFlags,
                                int32_t* p_pbSendMissingDetails, int32_t* p_pbSendOverLimit, int32_t* p_piSMSLimit,
                                int32_t* p_pbChanged, int32_t p_bSendMode, int32_t p_bBulk)
    {
        return TrapExceptions("MailSummary", 0, [&]() -> int {
            if (p_pbChanged != nullptr)
                *p_pbChanged = 0;
            if (p_szText == nullptr || p_pbSendMissingDetails == nullptr || p_pbSendOverLimit == nullptr ||
                p_piSMSLimit == nullptr)
            {
                Log("MailSummary: a message text and the three settings are needed");
                return 0;
            }
            Log("MailSummary: %s mode, %s job", p_bSendMode != 0 ? "send" : "show", p_bBulk != 0 ? "bulk" : "single");
            const CSummaryRequest oRequest = RequestOf(p_p_mrlTo, p_p_mrlCc, p_szText, p_p_oTokens, p_dwTransformFlags);
            SetProgressText(p_hProgress, SummaryString(kMsgSummaryComputing).c_str());
            CSummaryStats oStats;
            if (!GatherSummaryStats(oRequest, oStats, [&](size_t p_nDone, size_t p_nTotal) {
                    SetProgressText(p_hProgress, ProcessingText(p_nDone, p_nTotal).c_str());
                }))
                return 0;
            CSummarySettings oSettings{*p_pbSendMissingDetails != 0, *p_pbSendOverLimit != 0,
                                       ClampSMSLimit(*p_piSMSLimit)};
            switch (RunSummary(p_hOwner, oRequest, oStats, oSettings, p_bSendMode != 0))
            {
            case ESummaryEnd::Applied:
                *p_pbSendMissingDetails = oSettings.m_bSendMissingDetails ? 1 : 0;
                *p_pbSendOverLimit = oSettings.m_bSendOverLimit ? 1 : 0;
                *p_piSMSLimit = oSettings.m_iSMSLimit;
                if (p_pbChanged != nullptr)
                    *p_pbChanged = 1;
                return 1;
            case ESummaryEnd::Cancelled:
                return kSummaryCancelled;
            default:
                return 0;
            }
        });
    }
}
