// Addressbook/sending/ui/send_dialog.cpp: the send progress dialog and the send worker thread.
#include "Addressbook/sending/ui/send_dialog.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/res/resource.h"
#include "Addressbook/sending/ui/send_trigger.h"
#include "Addressbook/smtp/send_progress_win.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/ui/modal_dialog.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>

namespace
{
constexpr UINT kMsgSendDone = WM_APP + 20;
constexpr UINT_PTR kTopmostTimer = 1;
constexpr UINT kTopmostPeriodMs = 100;
constexpr int kTriggerAttempts = 20;
constexpr DWORD kTriggerPauseMs = 500;
constexpr unsigned kMsgSendingSMS = 137;
constexpr unsigned kMsgSendingEmail = 138;
constexpr unsigned kMsgMarshalSession = 222;
constexpr unsigned kMsgMarshalDispatch = 223;

// IID_IMAPISession; the MAPI headers are not part of this build.
constexpr IID kIidMapiSession = {0x00020300, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The dialog of one send and what it shares with its worker thread.
struct CSendJob
{
    CSendJob(CEmailSender& p_oSender, IMAPISession* p_pSession, IDispatch* p_pApplication)
        : m_oSender(p_oSender), m_pSession(p_pSession), m_pApplication(p_pApplication)
    {
    }
    INT_PTR HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam);

    CEmailSender& m_oSender;
    IMAPISession* m_pSession;
    IDispatch* m_pApplication;
    HWND m_hDialog = nullptr;
    std::unique_ptr<CDialogProgress> m_p_oProgress;
    com_ptr<IStream> m_p_oSessionStream;
    com_ptr<IStream> m_p_oApplicationStream;
    unique_handle m_hThread;
    int m_iOldPriority = THREAD_PRIORITY_NORMAL;
    // What the worker unmarshalled, held until it leaves the Outlook road.
    com_ptr<IUnknown> m_p_oWorkerSession;
    com_ptr<IDispatch> m_p_oWorkerApplication;
    bool m_bComStarted = false;
};

void ReportApiFailure(const char* p_szCall, const char* p_szWhere)
{
    ReportError(CorvaneStrings(), kMsgApiError, p_szCall, static_cast<long>(GetLastError()), p_szWhere);
}

// Without the library's MAPI object an Outlook package object sends over SMTP, so there is
// nothing in Outlook's Outbox to be sent by a trigger.
bool PackageHasMapiObject()
{
    return Library().m_p_oExMapi != nullptr;
}

[[nodiscard]] bool EnterOutlookRoad(CSendJob& p_oJob)
{
    if (FAILED(LOG_IF_FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))))
        return false;
    p_oJob.m_bComStarted = true;
    // CoGetInterfaceAndReleaseStream releases the stream whatever it returns.
    if (p_oJob.m_p_oSessionStream)
        (void)LOG_IF_FAILED(CoGetInterfaceAndReleaseStream(p_oJob.m_p_oSessionStream.detach(), kIidMapiSession,
                                                           p_oJob.m_p_oWorkerSession.put_void()));
    if (p_oJob.m_p_oApplicationStream)
        (void)LOG_IF_FAILED(CoGetInterfaceAndReleaseStream(p_oJob.m_p_oApplicationStream.detach(), IID_IDispatch,
                                                           p_oJob.m_p_oWorkerApplication.put_void()));
    if (ThreadInit(reinterpret_cast<IMAPISession*>(p_oJob.m_p_oWorkerSession.get()),
                   p_oJob.m_p_oWorkerApplication.get()) != 1)
        LOG_FAILURE("ThreadInit failed");
    return true;
}

void LeaveOutlookRoad(CSendJob& p_oJob)
{
    if (ThreadUninit() != 1)
        LOG_FAILURE("ThreadUninit failed");
    p_oJob.m_p_oWorkerApplication.reset();
    p_oJob.m_p_oWorkerSession.reset();
    if (p_oJob.m_bComStarted)
    {
        CoUninitialize();
        p_oJob.m_bComStarted = false;
    }
}

// Outlook 2002 and 2003 (and Outlook in Internet-mail-only mode) leave what MAPI put in the
// Outbox there until told to send.
[[nodiscard]] bool TriggerOutlookSend(const CSendJob& p_oJob)
{
    const int version = p_oJob.m_oSender.PackageVersion();
    if (!PackageHasMapiObject() || (version != 4 && version != 5))
        return true;
    for (int attempt = 0; attempt < kTriggerAttempts; ++attempt)
    {
        if (TriggerSendButton(Library().ParentWindow(), version))
            return true;
        LOG_FAILURE("TriggerSendButton failed for Outlook version %d, attempt %d", version, attempt + 1);
        Sleep(kTriggerPauseMs);
    }
    return false;
}

DWORD WINAPI SendThread(LPVOID p_pJob)
{
    auto* job = static_cast<CSendJob*>(p_pJob);
    TrapExceptionsVoid("thrdSend", [&]() {
        CLogScope scope("thrdSend");
        job->m_oSender.SetOutlookThreadHooks({[job]() { return EnterOutlookRoad(*job); },
                                              [job]() { return TriggerOutlookSend(*job); },
                                              [job]() { LeaveOutlookRoad(*job); }});
        job->m_oSender.SendMailWithPackage();
        job->m_oSender.SetOutlookThreadHooks({});
    });
    // A body that was cut short by an exception leaves its set-up to be undone here.
    if (job->m_bComStarted)
        LeaveOutlookRoad(*job);
    PostMessageA(job->m_hDialog, kMsgSendDone, 0, 0);
    return 0;
}

void ReleaseStreams(CSendJob& p_oJob)
{
    // A stream that was never unmarshalled still holds its marshalled reference.
    for (com_ptr<IStream>* stream : {&p_oJob.m_p_oSessionStream, &p_oJob.m_p_oApplicationStream})
    {
        if (*stream)
        {
            (void)LOG_IF_FAILED(CoReleaseMarshalData(stream->get()));
            stream->reset();
        }
    }
}

[[nodiscard]] bool MarshalForWorker(CSendJob& p_oJob)
{
    if (p_oJob.m_oSender.Package() == kPackageOutlook && p_oJob.m_pSession != nullptr)
    {
        const HRESULT hr = CoMarshalInterThreadInterfaceInStream(
            kIidMapiSession, reinterpret_cast<IUnknown*>(p_oJob.m_pSession), p_oJob.m_p_oSessionStream.put());
        if (FAILED(hr))
        {
            ReportError(CorvaneStrings(), kMsgMarshalSession, static_cast<unsigned>(hr));
            return false;
        }
    }
    if (p_oJob.m_pApplication != nullptr)
    {
        const HRESULT hr = CoMarshalInterThreadInterfaceInStream(IID_IDispatch, p_oJob.m_pApplication,
                                                                 p_oJob.m_p_oApplicationStream.put());
        if (FAILED(hr))
        {
            ReportError(CorvaneStrings(), kMsgMarshalDispatch, static_cast<unsigned>(hr));
            return false;
        }
    }
    return true;
}

[[nodiscard]] bool OnInitDialog(HWND p_hDialog, CSendJob& p_oJob)
{
    static const char* const kWhere = "CEmailSender::onInit";
    p_oJob.m_hDialog = p_hDialog;
    const HWND bar = GetDlgItem(p_hDialog, IDC_SEND_BAR);
    const HWND text = GetDlgItem(p_hDialog, IDC_SEND_TEXT);
    if (bar == nullptr || text == nullptr)
    {
        ReportApiFailure("GetDlgItem", kWhere);
        return false;
    }
    const unsigned caption = p_oJob.m_oSender.MailKind() == kMailKindEmail ? kMsgSendingEmail : kMsgSendingSMS;
    if (!SetWindowTextA(p_hDialog, TableText(caption).c_str()))
    {
        ReportApiFailure("SetWindowText", kWhere);
        return false;
    }
    p_oJob.m_iOldPriority = GetThreadPriority(GetCurrentThread());
    if (!SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL))
    {
        ReportApiFailure("SetThreadPriority", kWhere);
        return false;
    }
    const HWND animation = GetDlgItem(p_hDialog, IDC_SEND_ANIMATE);
    if (animation == nullptr || !Animate_OpenEx(animation, g_hModule, MAKEINTRESOURCEA(IDR_PROGRESS_ANIMATION)))
    {
        ReportApiFailure("Animate_OpenEx", kWhere);
        return false;
    }
    Animate_Play(animation, 0, -1, -1);

    p_oJob.m_p_oProgress = std::make_unique<CDialogProgress>(bar, text);
    p_oJob.m_oSender.SetProgress(p_oJob.m_p_oProgress.get());
    if (!MarshalForWorker(p_oJob))
        return false;

    DWORD threadId = 0;
    p_oJob.m_hThread.reset(CreateThread(nullptr, 0, &SendThread, &p_oJob, 0, &threadId));
    if (!p_oJob.m_hThread)
    {
        ReportError(CorvaneStrings(), kMsgSpawnThread, static_cast<int>(GetLastError()), "thrdSend");
        return false;
    }
    SetTimer(p_hDialog, kTopmostTimer, kTopmostPeriodMs, nullptr);
    return true;
}

INT_PTR CSendJob::HandleMessage(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam)
{
    switch (p_uMessage)
    {
    case WM_INITDIALOG:
        if (!OnInitDialog(p_hDialog, *this))
            EndDialog(p_hDialog, 0);
        return TRUE;
    case WM_TIMER:
        if (p_wParam == kTopmostTimer)
            SetWindowPos(p_hDialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        return TRUE;
    case WM_COMMAND:
        // Stop, and Escape, only ask: the dialog ends when the worker has finished.
        if (LOWORD(p_wParam) == IDC_SEND_STOP || LOWORD(p_wParam) == IDCANCEL)
        {
            Log("CEmailSender: stop requested");
            m_oSender.Link().RequestStop();
        }
        return TRUE;
    case WM_CLOSE:
        KillTimer(p_hDialog, kTopmostTimer);
        m_oSender.Link().RequestStop();
        return TRUE;
    case kMsgSendDone:
        EndDialog(p_hDialog, 1);
        return TRUE;
    case WM_DESTROY:
        KillTimer(p_hDialog, kTopmostTimer);
        if (const HWND animation = GetDlgItem(p_hDialog, IDC_SEND_ANIMATE); animation != nullptr)
            Animate_Close(animation);
        return FALSE;
    }
    return FALSE;
}
} // namespace

bool RunSendDialog(CEmailSender& p_oSender, IMAPISession* p_pSession, IDispatch* p_pApplication)
{
    CSendJob job(p_oSender, p_pSession, p_pApplication);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    const INT_PTR ended = CModalDialog::Show(job, IDD_SEND_PROGRESS, GetDesktopWindow(), "SendDialogProc");
    const DWORD dialogError = GetLastError();
    if (job.m_hThread)
    {
        // The dialog ends when the worker says it is done; the thread is then about to return.
        WaitForSingleObject(job.m_hThread.get(), INFINITE);
    }
    SetThreadPriority(GetCurrentThread(), job.m_iOldPriority);
    ReleaseStreams(job);
    p_oSender.SetProgress(nullptr);
    if (ended == -1)
    {
        SetLastError(dialogError);
        ReportApiFailure("DialogBoxParam", "CEmailSender::Send");
        return false;
    }
    return static_cast<bool>(job.m_hThread);
}
