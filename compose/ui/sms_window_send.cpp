// compose/ui/sms_window_send.cpp: the compose window's send flow: the checks before a send, the
// archive mutex of Outlook Express, the hand-over of a single or bulk SMS to the core library and
// what its result tells the user. Every attempt ends in one place, however it ends.
#include "compose/ui/sms_window.h"

#include "Addressbook/include/package_kinds.h"
#include "common/clock.h"
#include "common/failure_log.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "common/unique_any.h"
#include "compose/quillet_strings.h"
#include "compose/send_rules.h"
#include "compose/ui/sms_window_parts.h"

#include <vector>

namespace
{
constexpr DWORD kArchiveWaitMs = 60000;
// The core's result for a job that went out.
constexpr int kResultSent = 2;

std::string Trimmed(const std::string& p_sText)
{
    const size_t first = p_sText.find_first_not_of(" \t\r\n;");
    if (first == std::string::npos)
        return {};
    const size_t last = p_sText.find_last_not_of(" \t\r\n;");
    return p_sText.substr(first, last - first + 1);
}

CDeliveryTime DeliveryTimeOf(const CTraceTime& p_oTime)
{
    CDeliveryTime time{};
    time.m_wYear = static_cast<uint16_t>(p_oTime.m_iYear);
    time.m_wMonth = static_cast<uint16_t>(p_oTime.m_iMonth);
    time.m_wDay = static_cast<uint16_t>(p_oTime.m_iDay);
    time.m_wHour = static_cast<uint16_t>(p_oTime.m_iHour);
    time.m_wMinute = static_cast<uint16_t>(p_oTime.m_iMinute);
    return time;
}
} // namespace

struct CSMSWindow::CSendState
{
    HWND m_hProgress = nullptr;
    bool m_bAcquired = false; // this attempt took the archive mutex
    bool m_bSent = false;     // the core has the job
    int m_iResult = -1;
    std::string m_sBody;
    std::vector<compose::CBodyToken> m_vTokens;
    bool m_bTokensKnown = false;
    CDeliveryTime m_oDelivery{};
    uint32_t m_dwFlags = 0;
    // What the readable copy of the job is filed under, and its text.
    std::string m_sCopySubject;
    std::string m_sCopyText;
};

void CSMSWindow::OnFileSend()
{
    Log("Entered onFileSend");
    if (m_bSendInProgress)
        return;
    m_bSendInProgress = true;
    bool bClose = false;
    {
        CSendState state;
        // Every attempt ends the same way: arrow cursor, no progress window, the guard lowered, and a
        // send that never reached the core gives the archive back for the other windows.
        const scope_exit finish([&] {
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            if (state.m_hProgress != nullptr)
                m_p_abcoBinding->m_pfnDeleteProgressBar(&state.m_hProgress);
            if (state.m_bAcquired && !state.m_bSent)
                ReleaseArchiveMutex();
            m_bSendInProgress = false;
        });
        if (!ReadyToSend(state) || !AcquireArchive(state) || !HandOver(state))
            return;
        state.m_bSent = true;
        if (state.m_hProgress != nullptr)
            m_p_abcoBinding->m_pfnDeleteProgressBar(&state.m_hProgress);
        bClose = ReportResult(state.m_iResult);
        // Once the job went out Outlook Express files its copy; the window closes when that ended.
        if (bClose && state.m_iResult == kResultSent && StartArchive(state.m_sCopySubject, state.m_sCopyText))
            bClose = false;
    }
    if (bClose)
        CloseAfterSend();
}

bool CSMSWindow::CheckNames(const char* p_szProgressTitle, HWND* p_phProgress)
{
    CAddressBookControlObject& core = *m_p_abcoBinding;
    if (!FillRecipientLists())
        return false;
    HWND progress = nullptr;
    if (p_szProgressTitle != nullptr && p_phProgress != nullptr)
    {
        core.m_pfnCreateProgressBar(m_hWnd, p_szProgressTitle, 1, &progress, m_p_mrlTo, m_p_mrlCc);
        *p_phProgress = progress;
        if (progress != nullptr)
        {
            SetCursor(BusyCursor());
            SetProgressText(progress, QuilletText(kQProgressBuildingList).c_str());
        }
    }
    if (m_p_mrlTo->m_dwCount != 0 || m_p_mrlCc->m_dwCount != 0)
    {
        int exited = 0;
        if (!core.m_pfnCheck(m_hWnd, &m_p_mrlTo, &m_p_mrlCc, 0, progress, &exited) || exited != 0)
            return false;
    }
    if (progress != nullptr)
    {
        ShowWindow(progress, SW_SHOW);
        SetProgressText(progress, QuilletText(kQProgressUpdatingRecipients).c_str());
    }
    if (!UpdateField(kIdToField, m_p_mrlTo))
    {
        LOG_FAILURE("updating the To field failed");
        return false;
    }
    if (!UpdateField(kIdCcField, m_p_mrlCc))
    {
        LOG_FAILURE("updating the Cc field failed");
        return false;
    }
    if (progress != nullptr)
        SetProgressText(progress, QuilletText(kQProgressUpdatingTokens).c_str());
    RefreshTokens();
    ShowBulkState();
    return true;
}

bool CSMSWindow::ReadyToSend(CSendState& p_oState)
{
    p_oState.m_bTokensKnown = m_oBodyField.GetBodyAndTokens(p_oState.m_sBody, p_oState.m_vTokens);
    // A checked recipient is an object in its field, which its text does not show.
    const auto fieldEmpty = [&](int p_iField) {
        return Trimmed(FieldText(p_iField)).empty() && FieldOf(p_iField).ObjectCount() == 0;
    };
    if (fieldEmpty(kIdToField) && fieldEmpty(kIdCcField))
    {
        Box(kQCaptionSendError, QuilletText(kQMsgNoRecipients), MB_OK | MB_ICONWARNING);
        return false;
    }
    if (p_oState.m_sBody.empty())
    {
        Box(kQCaptionSMSError, QuilletText(kQMsgNoBody), MB_OK | MB_ICONWARNING);
        return false;
    }
    CRegistry registry;
    uint32_t sendDefaults = 0;
    std::string signature;
    registry.GetSendDefaults(sendDefaults, signature);
    if (compose::IsOnlySignature(p_oState.m_sBody, signature))
    {
        Box(kQCaptionSMSError, QuilletText(kQMsgOnlySignature), MB_OK | MB_ICONWARNING);
        return false;
    }
    p_oState.m_dwFlags = m_dwNotifyFlags;
    if (compose::NeedsNotifyTarget(p_oState.m_dwFlags))
    {
        Box(kQCaptionNotifyTarget, QuilletText(kQMsgNotifyTarget), MB_OK);
        return false;
    }
    SetCursor(BusyCursor());
    if (!CheckNames("nothing", &p_oState.m_hProgress))
        return false;
    if (!m_oDeliverybar.ReadDeliveryTime(p_oState.m_oDelivery))
    {
        LOG_FAILURE("the delivery time cannot be read");
        return false;
    }
    const CDeliveryTime& delivery = p_oState.m_oDelivery;
    if ((delivery.m_wYear != 0 || delivery.m_wMonth != 0) &&
        compose::IsDeliveryInPast(delivery, DeliveryTimeOf(m_fnClock())))
    {
        Box(kQCaptionDeliveryInPast, QuilletText(kQMsgDeliveryInPast), MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

bool CSMSWindow::AcquireArchive(CSendState& p_oState)
{
    // Outlook Express windows take turns with its store while one of them sends.
    if (m_iPackage != kPackageOutlookExpress || m_bHoldsArchive)
        return true;
    const DWORD wait = WaitForSingleObject(m_hArchiveMutex.get(), kArchiveWaitMs);
    if (wait == WAIT_TIMEOUT)
    {
        LOG_FAILURE("the archive mutex was not released within %lu ms", static_cast<unsigned long>(kArchiveWaitMs));
        return false;
    }
    if (wait == WAIT_FAILED)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "WaitForSingleObject(m_hArchiveMutex)", EResultKind::Win32Error,
                       GetLastError());
        return false;
    }
    m_bHoldsArchive = true;
    p_oState.m_bAcquired = true;
    return true;
}

bool CSMSWindow::HandOver(CSendState& p_oState)
{
    if (IsBulk())
        return HandOverBulk(p_oState);
    Log("Calling SendSMS from OnFileSend");
    const std::string copy = p_oState.m_sBody;
    p_oState.m_sCopySubject = copy;
    p_oState.m_sCopyText = copy;
    return m_p_abcoBinding->m_pfnSendSMS(m_hWnd, m_p_mrlTo, m_p_mrlCc, p_oState.m_sBody.c_str(), p_oState.m_dwFlags,
                                         &p_oState.m_oDelivery, copy.c_str(), &p_oState.m_iResult) != 0;
}

bool CSMSWindow::HandOverBulk(CSendState& p_oState)
{
    CAddressBookControlObject& core = *m_p_abcoBinding;
    bool bHasId = false;
    std::string senderId;
    if (!m_oBulkbar.ReadSenderId(m_hWnd, bHasId, senderId))
        return false;
    SetProgressText(p_oState.m_hProgress, QuilletText(kQProgressSummary).c_str());
    Log("Getting Body and Tokens");
    if (!p_oState.m_bTokensKnown)
    {
        LOG_FAILURE("the body's tokens cannot be read");
        return false;
    }
    const CHostTokenList tokenList(p_oState.m_vTokens);
    const uint32_t compression = m_oBodyField.Compression();
    const char* body = p_oState.m_sBody.c_str();
    Log("Showing Message Summary");
    const int summary = ShowSummary(p_oState.m_hProgress, body, tokenList.List(), true);
    if (summary != 1)
    {
        if (summary == 0)
            LOG_FAILURE("the summary failed");
        else
            Log("CSMSWindow::HandOverBulk: the summary was cancelled");
        return false;
    }
    SetProgressText(p_oState.m_hProgress, QuilletText(kQProgressFinalSMSs).c_str());
    Log("Creating Final SMS");
    CFinalSMSList* list = nullptr;
    // The list is the core's: it frees it, whichever way this ends.
    const scope_exit freeList([&] {
        if (list != nullptr)
            core.m_pfnDeleteSMSList(&list);
    });
    const std::string plain = m_oBodyField.GetPlainText();
    if (!core.m_pfnCreateFinalSMSs(body, tokenList.List(), m_p_mrlTo, m_p_mrlCc, m_oBulkbar.SMSLimit(),
                                   m_iSendOverLimit, m_iSendMissingDetails, compression, &list) ||
        list == nullptr || list->m_dwCount == 0)
    {
        Box(kQCaptionNoValidRecipients, QuilletText(kQMsgNoValidRecipients), MB_OK | MB_ICONWARNING);
        return false;
    }
    const std::string title = "Bulk SMS: " + plain;
    p_oState.m_sCopySubject = title;
    p_oState.m_sCopyText = plain;
    return core.m_pfnSendBulkSMS(m_hWnd, bHasId ? senderId.c_str() : nullptr, list, plain.c_str(), p_oState.m_dwFlags,
                                 &p_oState.m_oDelivery, nullptr, p_oState.m_hProgress, title.c_str(), m_p_mrlTo,
                                 m_p_mrlCc, &p_oState.m_iResult) != 0;
}

bool CSMSWindow::ReportResult(int p_iResult)
{
    const compose::CResultAction action = compose::ActionForResult(p_iResult);
    Log("CSMSWindow::OnFileSend: result %d", p_iResult);
    if (action.m_bReleaseMutex)
        ReleaseArchiveMutex();
    const std::string support = sms_window::InstallText("SupportAddress", "support@brevolt.example");
    if (action.m_eBox != compose::EResultBox::None)
    {
        const bool bFailed = action.m_eBox == compose::EResultBox::Failed;
        Box(bFailed ? kQCaptionSendFailed : kQCaptionSendTimeout,
            QuilletText(bFailed ? kQMsgSendFailed : kQMsgSendTimeout, kProductTitle, support.c_str()),
            MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
        SetForegroundWindow(m_hWnd);
        BringWindowToTop(m_hWnd);
    }
    return action.m_bClose;
}

void CSMSWindow::ReleaseArchiveMutex()
{
    if (m_bHoldsArchive)
    {
        ReleaseMutex(m_hArchiveMutex.get());
        m_bHoldsArchive = false;
    }
}
