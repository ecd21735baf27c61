// compose/ui/sms_window_archive.cpp: the archive step of a compose window in Outlook Express: the
// readable copy of the job just sent is written as a message file and its number posted to the
// opener's monitor, which has the client file it in "Sent SMSs". The window keeps the archive mutex,
// hidden, until the monitor reports the end (or a minute passed), so that the next send's transfer
// file does not meet this one inside the client.
#include "compose/ui/sms_window.h"

#include "Addressbook/include/package_kinds.h"
#include "Addressbook/oe/sent_copy.h"
#include "common/failure_log.h"
#include "common/settings.h"
#include "common/trace_log.h"

namespace
{
constexpr UINT kArchiveWaitMs = 60000;
}

bool CSMSWindow::StartArchive(const std::string& p_sSubject, const std::string& p_sText)
{
    if (m_iPackage != kPackageOutlookExpress || !m_bHoldsArchive || m_hMonitorWnd == nullptr ||
        !IsWindow(m_hMonitorWnd))
        return false;
    CRegistry registry;
    const CEmailFileParts parts = SentCopyParts(registry.ReadUserText("Name"), registry.ReadUserText("Email"),
                                                m_p_mrlTo, m_p_mrlCc, p_sSubject, p_sText);
    uint32_t number = 0;
    std::string path;
    if (!WriteEmailFile(parts, number, &path))
    {
        LOG_FAILURE("the copy for \"Sent SMSs\" could not be written");
        return false;
    }
    if (!LOG_IF_WIN32_BOOL_FALSE(
            PostMessageA(m_hMonitorWnd, WM_SMS_POSTARCHIVE, reinterpret_cast<WPARAM>(m_hWnd), number)))
    {
        (void)LOG_IF_WIN32_BOOL_FALSE(DeleteFileA(path.c_str()));
        return false;
    }
    Log("CSMSWindow::StartArchive: copy %X handed to the monitor", static_cast<unsigned>(number));
    m_bArchivePending = true;
    ShowWindow(m_hWnd, SW_HIDE);
    SetTimer(m_hWnd, kArchiveTimer, kArchiveWaitMs, nullptr);
    return true;
}

void CSMSWindow::OnArchiveFinished(bool p_bTimedOut)
{
    ReleaseArchiveMutex();
    if (!m_bArchivePending)
        return;
    m_bArchivePending = false;
    KillTimer(m_hWnd, kArchiveTimer);
    if (p_bTimedOut)
        LOG_FAILURE("the archive request did not end within %u ms", kArchiveWaitMs);
    CloseAfterSend();
}
