// Addressbook/sending/ui/send_dialog.cpp: the send progress dialog and the send worker thread.
#include "Addressbook/sending/ui/send_dialog.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/ui/message_box.h"
#include "Addressbook/sending/ui/send_trigger.h"
#include "Addressbook/smtp/send_progress_win.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/res/resource.h"
#include "common/boundary.h"
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

struct CSendJob
{
    CSendJob(CEmailSender& p_oSender, IMAPISession* p_pSession, IDispatch* p_pApplication)
        : m_oSender(p_oSender), m_pSession(p_pSession), m_pApplication(p_pApplication)
    {
    }
    CEmailSender& m_oSender;
    IMAPISession* m_pSession;
    IDispatch* m_pApplication;
    HWND m_hDialog = nullptr;
    std::unique_ptr<CDialogProgress> m_p_oProgress;
    IStream* m_pSessionStream = nullptr;
    IStream* m_pApplicationStream = nullptr;
    HANDLE m_hThread = nullptr;
    int m_iOldPriority = THREAD_PRIORITY_NORMAL;
    // What the worker unmarshalled, held until it leaves the Outlook road.
    IUnknown* m_pWorkerSession = nullptr;
    IDispatch* m_pWorkerApplication = nullptr;
    bool m_bComStarted = false;
};

void ReportApiFailure(const char* p_szCall, const char* p_szWhere)
{
    ReportError(CorvaneStrings(), kMsgApiError, p_szCall, static_cast<long>(GetLastError()), p_szWhere);
}

// The library made no MAPI object yet: an Outlook package object sends over SMTP, so there is
// never anything in Outlook's Outbox to be sent by a trigger.
bool PackageHasMapiObject()
{
    return false;
}

bool EnterOutlookRoad(CSendJob& p_oJob)
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr))
    {
        Log("CoInitializeEx() %x", static_cast<unsigned>(hr));
        return false;
    }
    p_oJob.m_bComStarted = true;
    if (p_oJob.m_pSessionStream != nullptr)
    {
        void* session = nullptr;
        const HRESULT result =
            CoGetInterfaceAndReleaseStream(std::exchange(p_oJob.m_pSessionStream, nullptr), kIidMapiSession, &session);
        if (FAILED(result))
            Log("session CoGetInterfaceAndReleaseStream() %x", static_cast<unsigned>(result));
        else
            p_oJob.m_pWorkerSession = static_cast<IUnknown*>(session);
    }
    if (p_oJob.m_pApplicationStream != nullptr)
    {
        void* application = nullptr;
        const HRESULT result = CoGetInterfaceAndReleaseStream(std::exchange(p_oJob.m_pApplicationStream, nullptr),
                                                              IID_IDispatch, &application);
        if (FAILED(result))
            Log("app CoGetInterfaceAndReleaseStream() %x", static_cast<unsigned>(result));
        else
            p_oJob.m_pWorkerApplication = static_cast<IDispatch*>(application);
    }
    if (ThreadInit(reinterpret_cast<IMAPISession*>(p_oJob.m_pWorkerSession), p_oJob.m_pWorkerApplication) != 1)
        Log("Thread Init failed");
    return true;
}

void LeaveOutlookRoad(CSendJob& p_oJob)
{
    if (ThreadUninit() != 1)
        Log("ThreadUninit failed");
    if (p_oJob.m_pWorkerApplication != nullptr)
        std::exchange(p_oJob.m_pWorkerApplication, nullptr)->Release();
    if (p_oJob.m_pWorkerSession != nullptr)
        std::exchange(p_oJob.m_pWorkerSession, nullptr)->Release();
    if (p_oJob.m_bComStarted)
    {
        CoUninitialize();
        p_oJob.m_bComStarted = false;
    }
}

// Outlook 2002 and 2003 (and Outlook in Internet-mail-only mode) leave what MAPI put in the
// Outbox there until told to send.
bool TriggerOutlookSend(const CSendJob& p_oJob)
{
    const int version = p_oJob.m_oSender.PackageVersion();
    if (!PackageHasMapiObject() || (version != 4 && version != 5))
        return true;
    for (int attempt = 0; attempt < kTriggerAttempts; ++attempt)
    {
        if (TriggerSendButton(Library().ParentWindow(), version))
            return true;
        Log("Trigger failed");
        Sleep(kTriggerPauseMs);
    }
    return false;
}

DWORD WINAPI SendThread(LPVOID p_pJob)
{
    auto* job = static_cast<CSendJob*>(p_pJob);
    TrapExceptionsVoid("thrdSend", [&]() {
        CLogScope scope("thrdSend");
        job->m_oSender.SetOutlookThreadHooks(
            {[job]() { return EnterOutlookRoad(*job); }, [job]() { return TriggerOutlookSend(*job); },
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
    for (IStream** stream : {&p_oJob.m_pSessionStream, &p_oJob.m_pApplicationStream})
    {
        if (*stream != nullptr)
        {
            CoReleaseMarshalData(*stream);
            std::exchange(*stream, nullptr)->Release();
        }
    }
}

bool MarshalForWorker(CSendJob& p_oJob)
{
    if (p_oJob.m_oSender.Package() == kPackageOutlook && p_oJob.m_pSession != nullptr)
    {
        const HRESULT hr = CoMarshalInterThreadInterfaceInStream(
            kIidMapiSession, reinterpret_cast<IUnknown*>(p_oJob.m_pSession), &p_oJob.m_pSessionStream);
        if (FAILED(hr))
        {
            ReportError(CorvaneStrings(), kMsgMarshalSession, static_cast<unsigned>(hr));
            return false;
        }
    }
    if (p_oJob.m_pApplication != nullptr)
    {
        const HRESULT hr =
            CoMarshalInterThreadInterfaceInStream(IID_IDispatch, p_oJob.m_pApplication, &p_oJob.m_pApplicationStream);
        if (FAILED(hr))
        {
            ReportError(CorvaneStrings(), kMsgMarshalDispatch, static_cast<unsigned>(hr));
            return false;
        }
    }
    return true;
}

bool OnInitDialog(HWND p_hDialog, CSendJob& p_oJob)
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
    p_oJob.m_hThread = CreateThread(nullptr, 0, &SendThread, &p_oJob, 0, &threadId);
    if (p_oJob.m_hThread == nullptr)
    {
        ReportError(CorvaneStrings(), kMsgSpawnThread, static_cast<int>(GetLastError()), "thrdSend");
        return false;
    }
    SetTimer(p_hDialog, kTopmostTimer, kTopmostPeriodMs, nullptr);
    return true;
}

INT_PTR CALLBACK SendDialogProc(HWND p_hDialog, UINT p_uMessage, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("SendDialogProc", static_cast<INT_PTR>(FALSE), [&]() -> INT_PTR {
        auto* job = reinterpret_cast<CSendJob*>(GetWindowLongPtrA(p_hDialog, DWLP_USER));
        switch (p_uMessage)
        {
        case WM_INITDIALOG:
            job = reinterpret_cast<CSendJob*>(p_lParam);
            SetWindowLongPtrA(p_hDialog, DWLP_USER, p_lParam);
            if (!OnInitDialog(p_hDialog, *job))
                EndDialog(p_hDialog, 0);
            return TRUE;
        case WM_TIMER:
            if (p_wParam == kTopmostTimer)
                SetWindowPos(p_hDialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
            return TRUE;
        case WM_COMMAND:
            // Stop, and Escape, only ask: the dialog ends when the worker has finished.
            if (job != nullptr && (LOWORD(p_wParam) == IDC_SEND_STOP || LOWORD(p_wParam) == IDCANCEL))
            {
                Log("CEmailSender: stop requested");
                job->m_oSender.Link().RequestStop();
            }
            return TRUE;
        case WM_CLOSE:
            KillTimer(p_hDialog, kTopmostTimer);
            if (job != nullptr)
                job->m_oSender.Link().RequestStop();
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
    });
}
} // namespace

bool RunSendDialog(CEmailSender& p_oSender, IMAPISession* p_pSession, IDispatch* p_pApplication)
{
    CSendJob job(p_oSender, p_pSession, p_pApplication);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    const INT_PTR ended = DialogBoxParamA(g_hModule, MAKEINTRESOURCEA(IDD_SEND_PROGRESS), GetDesktopWindow(),
                                          &SendDialogProc, reinterpret_cast<LPARAM>(&job));
    if (job.m_hThread != nullptr)
    {
        // The dialog ends when the worker says it is done; the thread is then about to return.
        WaitForSingleObject(job.m_hThread, INFINITE);
        CloseHandle(job.m_hThread);
    }
    SetThreadPriority(GetCurrentThread(), job.m_iOldPriority);
    ReleaseStreams(job);
    p_oSender.SetProgress(nullptr);
    if (ended == -1)
    {
        ReportApiFailure("DialogBoxParam", "CEmailSender::Send");
        return false;
    }
    return job.m_hThread != nullptr;
}
