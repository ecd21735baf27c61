// oehook/new_mail_trigger_win.cpp: the download progress dialog's subclass and the trigger state of
// this Outlook Express process.
#include "oehook/new_mail_trigger_win.h"

#include "Addressbook/oe/inbox_watch.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "oehook/dialog_watch_win.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/subclass_win.h"

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace
{
// The dialog's 0xAA8 and an identity change may arrive on different threads of the client.
struct CTriggerState
{
    std::mutex m_oMutex;
    std::atomic<bool> m_bSearchOver{false};
    std::atomic<bool> m_bExistingSearched{false}; // the windows made before the hook were searched
    CRegistry m_oRegistry;
    std::unique_ptr<oe::CInboxLocator> m_p_oLocator;
    oe::CNewMailTrigger m_oTrigger;
    std::string m_sInboxFileName;
    bool m_bRefreshPath = false;
};

CTriggerState& State()
{
    static CTriggerState s_oState;
    return s_oState;
}

bool IsClassNamed(HWND p_hWnd, const char* p_szClass)
{
    char name[64] = {};
    return GetClassNameA(p_hWnd, name, sizeof name) > 0 && lstrcmpiA(name, p_szClass) == 0;
}

bool IsOwnTopLevelDialog(HWND p_hWnd)
{
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    return process == GetCurrentProcessId() && (GetWindowLongPtrA(p_hWnd, GWL_STYLE) & WS_CHILD) == 0 &&
           IsClassNamed(p_hWnd, "#32770");
}

bool IsProgressDialog(HWND p_hWnd)
{
    return IsOwnTopLevelDialog(p_hWnd) && FindWindowExA(p_hWnd, nullptr, PROGRESS_CLASSA, nullptr) != nullptr;
}

BOOL CALLBACK FindProgressDialog(HWND p_hWnd, LPARAM p_lParam)
{
    if (!IsProgressDialog(p_hWnd))
        return TRUE;
    *reinterpret_cast<HWND*>(p_lParam) = p_hWnd;
    return FALSE;
}

bool SignalNewServerMail()
{
    const unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, oe::kNewServerMailEvent));
    // No event means no monitor is waiting: the next download tries again.
    if (!event)
    {
        Log("SignalNewServerMail: no monitor waits on %s (error %lu)", oe::kNewServerMailEvent, GetLastError());
        return false;
    }
    return LOG_IF_WIN32_BOOL_FALSE(SetEvent(event.get())) != FALSE;
}

void OnFinishedDownloading()
{
    CTriggerState& state = State();
    std::lock_guard<std::mutex> lock(state.m_oMutex);
    if (!state.m_p_oLocator)
    {
        state.m_p_oLocator = std::make_unique<oe::CInboxLocator>(state.m_oRegistry, Process().m_iMajor);
        state.m_bRefreshPath = false;
    }
    if (!state.m_sInboxFileName.empty())
        state.m_p_oLocator->SetInboxFileName(state.m_sInboxFileName);
    oe::CTriggerHost host;
    host.m_fnNextNumber = [&state](uint32_t& p_dwNumber) {
        std::string path;
        if (state.m_bRefreshPath && !state.m_p_oLocator->GetInboxPath(true, path))
            return false;
        state.m_bRefreshPath = false;
        return state.m_p_oLocator->GetInboxNextNumber(p_dwNumber);
    };
    host.m_fnSettingReadable = [&state](const std::string& p_sName) {
        std::vector<uint8_t> data;
        return state.m_oRegistry.ReadRegistry(ERegRoot::CurrentUser, kUserKey, p_sName, true, data);
    };
    host.m_fnSignal = &SignalNewServerMail;
    (void)state.m_oTrigger.OnFinishedDownloading(host);
}

LRESULT CALLBACK ProgressDialogProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    // The client's own handling comes first: the download is complete on disk when it returns.
    const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
    if (p_nMsg == WM_FINISHED_DOWNLOADING_MESSAGES)
        (void)TrapExceptionsVoid("ProgressDialogProc", [] { OnFinishedDownloading(); });
    return result;
}
} // namespace

void LookForProgressDialog(HWND p_hCreated, HWND p_hParent)
{
    CTriggerState& state = State();
    if (state.m_bSearchOver)
        return;
    HWND dialog = nullptr;
    // The progress bar being created names its dialog. Other windows are searched for when a
    // top-level window is made (a dialog whose bar came on a thread the hooks do not see) and once at
    // the first creation seen (a dialog made before this library was loaded); searching at every
    // child window the client makes would walk every top-level window each time.
    const bool bProgressBar = IsClassNamed(p_hCreated, PROGRESS_CLASSA);
    const HWND root = p_hParent != nullptr ? GetAncestor(p_hParent, GA_ROOT) : nullptr;
    if (bProgressBar && root != nullptr && IsOwnTopLevelDialog(root))
        dialog = root;
    else if (bProgressBar || (GetWindowLongPtrA(p_hCreated, GWL_STYLE) & WS_CHILD) == 0 ||
             !state.m_bExistingSearched.exchange(true))
        EnumWindows(FindProgressDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr || state.m_bSearchOver.exchange(true))
        return;
    // A dialog watch put on it at its creation gives way: no automation waits for a progress dialog.
    StopWatchingDialog(dialog);
    if (!SubclassWindow(dialog, ProgressDialogProc))
    {
        Log("Failed to set window proc - Error: %lu", GetLastError());
        return;
    }
    Log("GOT IT %d\n", static_cast<int>(reinterpret_cast<INT_PTR>(dialog)));
}

void InboxIdentityChanged()
{
    CTriggerState& state = State();
    std::lock_guard<std::mutex> lock(state.m_oMutex);
    state.m_bRefreshPath = true;
    state.m_oTrigger = oe::CNewMailTrigger();
}

void InboxFileNameFound(const std::string& p_sName)
{
    CTriggerState& state = State();
    std::lock_guard<std::mutex> lock(state.m_oMutex);
    state.m_sInboxFileName = p_sName;
}
