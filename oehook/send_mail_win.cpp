// oehook/send_mail_win.cpp: send-mail mode: the transfer file opened in a note, the note sent
// off-screen with the client's "Send Mail Warning" off, and the outcome signalled.
#include "oehook/send_mail_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/store_mail_win.h"
#include "oehook/subclass_win.h"

#include <shellapi.h>

#include <cstdio>

namespace
{
constexpr UINT kSendPeriodMs = 200;
constexpr UINT kWatchPeriodMs = 1000;
constexpr LONG kMostNotReady = 25;
// A sending note still open after this long is given up, before the core library stops waiting.
constexpr DWORD kMostSendMs = 55000;
constexpr int kOffScreen = 2048;
// True while a transfer note is put back where it was, the one move it is not kept off-screen for.
bool g_bRestoringNote = false;
constexpr const char* kSendMailWarning = "Send Mail Warning";
// m_bSendMailWarningFound: how the switch was before sending turned it off.
constexpr LONG kWarningUntouched = 0;
constexpr LONG kWarningWasAbsent = 1;
constexpr LONG kWarningHadValue = 2;

DWORD g_dwShownTick = 0;

bool ReadDword(const std::string& p_sKey, const char* p_szName, DWORD& p_dwValue)
{
    DWORD size = sizeof p_dwValue;
    return RegGetValueA(HKEY_CURRENT_USER, p_sKey.c_str(), p_szName, RRF_RT_REG_DWORD, nullptr, &p_dwValue, &size) ==
           ERROR_SUCCESS;
}

void WriteDword(const std::string& p_sKey, const char* p_szName, DWORD p_dwValue)
{
    HKEY raw = nullptr;
    if (LOG_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_CURRENT_USER, p_sKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                           &raw, nullptr)) != ERROR_SUCCESS)
        return;
    const unique_hkey key(raw);
    LOG_IF_WIN32_ERROR(
        RegSetValueExA(raw, p_szName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&p_dwValue), sizeof p_dwValue));
}

std::string DontShowKey()
{
    return ClientSettingsKey() + "\\Dont Show Dialogs";
}

// The client asks before it sends while its "Send Mail Warning" entry is absent or 0.
void SwitchSendMailWarningOff()
{
    DWORD value = 0;
    const bool found = ReadDword(DontShowKey(), kSendMailWarning, value);
    if (found && value != 0)
        return;
    g_oShared.m_bSendMailWarningFound = found ? kWarningHadValue : kWarningWasAbsent;
    g_oShared.m_dwSendMailWarning = value;
    WriteDword(DontShowKey(), kSendMailWarning, 1);
}

void RestoreSendMailWarning()
{
    const LONG found = InterlockedExchange(&g_oShared.m_bSendMailWarningFound, kWarningUntouched);
    if (found == kWarningHadValue)
        WriteDword(DontShowKey(), kSendMailWarning, g_oShared.m_dwSendMailWarning);
    else if (found == kWarningWasAbsent)
    {
        HKEY raw = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, DontShowKey().c_str(), 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS)
        {
            const unique_hkey key(raw);
            LOG_IF_WIN32_ERROR(RegDeleteValueA(raw, kSendMailWarning));
        }
    }
}

// The launcher switched the client's check for mail at start off for this run; it goes back on once
// the first mail has left through the client.
void TurnOnSendReceiveAtStart()
{
    if (InterlockedExchange(&g_oShared.m_bResetInitialSendReceive, 0) == 0)
        return;
    Log("TurnOnSendReceiveAtStart\n");
    WriteDword(ClientSettingsKey() + "\\Mail", "Check Mail on Startup", 1);
}

void GiveUp(HWND p_hNote, const char* p_szWhy)
{
    Log("SendingNoteProc: sending given up: %s", p_szWhy);
    g_oShared.m_bSendGivenUp = 1;
    KillTimer(p_hNote, kSendTimer);
    KillTimer(p_hNote, kSendWatchTimer);
    PostMessageA(p_hNote, WM_CLOSE, 0, 0);
}

void FinishSending(HWND p_hNote)
{
    Log("WM_DESTROY at end of SendSMS");
    KillTimer(p_hNote, kSendTimer);
    KillTimer(p_hNote, kSendWatchTimer);
    RestoreTransferNote(p_hNote, "FinishSending");
    SignalNamedEvent(g_oShared.m_bSendGivenUp ? "OESendFailed" : "OESendSuccess");
    RestoreSendMailWarning();
    TurnOnSendReceiveAtStart();
    g_oShared.m_bSendMailMode = 0;
    g_oShared.m_bSendingWindow = 0;
    g_oShared.m_hSendingNote = nullptr;
}

// Sent off-screen, under the launcher's window, wherever the client puts it.
void HideNote(HWND p_hNote)
{
    MoveTransferNoteOffScreen(p_hNote);
    if (g_oShared.m_hMonitor != nullptr && IsWindow(g_oShared.m_hMonitor))
        SetParent(p_hNote, g_oShared.m_hMonitor);
}

bool HandleTimer(HWND p_hNote, UINT_PTR p_uTimer)
{
    if (p_uTimer == kSendTimer)
    {
        KillTimer(p_hNote, kSendTimer);
        PostMessageA(p_hNote, WM_COMMAND, MAKEWPARAM(Process().m_p_oProfile->m_uSendCommand, 0), 0);
        return true;
    }
    if (p_uTimer != kSendWatchTimer)
        return false;
    if (GetTickCount() - g_dwShownTick > kMostSendMs)
        GiveUp(p_hNote, "the note is still open");
    return true;
}

LRESULT SendingNoteMessage(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    switch (p_nMsg)
    {
    case WM_CREATE: {
        const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (result != -1)
            HideNote(p_hWnd);
        return result;
    }
    case WM_WINDOWPOSCHANGING:
        KeepTransferNoteOffScreen(reinterpret_cast<WINDOWPOS*>(p_lParam));
        break;
    case WM_SHOWWINDOW:
        if (p_wParam && g_dwShownTick == 0)
        {
            g_dwShownTick = GetTickCount();
            SwitchSendMailWarningOff();
            SetTimer(p_hWnd, kSendTimer, kSendPeriodMs, nullptr);
            SetTimer(p_hWnd, kSendWatchTimer, kWatchPeriodMs, nullptr);
        }
        break;
    case WM_TIMER:
        if (HandleTimer(p_hWnd, p_wParam))
            return 0;
        break;
    case WM_CHILD_NOT_READY:
        Log("WM_CHILD_NOT_READY");
        if (++g_oShared.m_iNotReadyReports >= kMostNotReady)
            GiveUp(p_hWnd, "the note was not ready 25 times");
        else
            SetTimer(p_hWnd, kSendTimer, kSendPeriodMs, nullptr);
        break;
    case WM_DESTROY:
        FinishSending(p_hWnd);
        break;
    default:
        break;
    }
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

LRESULT CALLBACK SendingNoteProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    LRESULT result = 0;
    if (TrapExceptions("SendingNoteProc", false, [&] {
            result = SendingNoteMessage(p_hWnd, p_nMsg, p_wParam, p_lParam);
            return true;
        }))
        return result;
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

} // namespace

void MoveTransferNoteOffScreen(HWND p_hNote)
{
    GetWindowRect(p_hNote, &g_oShared.m_rcSendingNote);
    SetWindowPos(p_hNote, nullptr, kOffScreen, kOffScreen, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KeepTransferNoteOffScreen(WINDOWPOS* p_pPlace)
{
    if (p_pPlace == nullptr || g_bRestoringNote)
        return;
    p_pPlace->x = kOffScreen;
    p_pPlace->y = kOffScreen;
    p_pPlace->flags &= ~SWP_NOMOVE;
}

void RestoreTransferNote(HWND p_hNote, const char* p_szCaller)
{
    // The client remembers where its notes were when they close: where this one was before.
    g_bRestoringNote = true;
    const RECT& was = g_oShared.m_rcSendingNote;
    SetWindowPos(p_hNote, nullptr, was.left, was.top, was.right - was.left, was.bottom - was.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    g_bRestoringNote = false;
    if (g_oShared.m_szTransferFile[0] != '\0' && !DeleteFileA(g_oShared.m_szTransferFile))
        Log("%s: the transfer file %s could not be deleted: error %lu", p_szCaller, g_oShared.m_szTransferFile,
            GetLastError());
    g_oShared.m_szTransferFile[0] = '\0';
}

bool OpenTransferFile(const std::string& p_sPath)
{
    CLogScope scope("::OpenTransferFile()");
    Log("File before shellexecute : %s\n", p_sPath.c_str());
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = p_sPath.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&info))
        return true;
    Log("ShellExecuteEx('%s') failed with result %d", p_sPath.c_str(),
        static_cast<int>(reinterpret_cast<INT_PTR>(info.hInstApp)));
    return false;
}
bool EnterSendMailMode(DWORD p_dwStamp)
{
    Log("EnterSendMailMode %lX", static_cast<unsigned long>(p_dwStamp));
    // The note of a copy being filed must not be taken for this one, nor this one's for the copy.
    if (g_oShared.m_bStoreMailMode && MailModeBusy())
    {
        LOG_FAILURE("a copy is being filed; the transfer file %lX is not sent", static_cast<unsigned long>(p_dwStamp));
        SignalNamedEvent("OESendFailed");
        return false;
    }
    g_oShared.m_bStoreMailMode = 0;
    const std::string path = TransferFilePath(p_dwStamp, "eml");
    if (path.empty() || path.size() >= sizeof g_oShared.m_szTransferFile)
    {
        SignalNamedEvent("OESendFailed");
        return false;
    }
    std::snprintf(g_oShared.m_szTransferFile, sizeof g_oShared.m_szTransferFile, "%s", path.c_str());
    // A note left over from an earlier send that never ended no longer holds the mode.
    if (g_oShared.m_hSendingNote == nullptr || !IsWindow(g_oShared.m_hSendingNote))
        g_oShared.m_bSendingWindow = 0;
    g_oShared.m_hSendingNote = nullptr;
    g_oShared.m_iNotReadyReports = 0;
    g_oShared.m_bSendGivenUp = 0;
    g_oShared.m_dwMailModeTick = GetTickCount();
    g_oShared.m_bSendMailMode = 1;
    if (OpenTransferFile(path))
        return true;
    // Nothing will send it: the core library learns at once instead of after its wait.
    g_oShared.m_bSendMailMode = 0;
    g_oShared.m_szTransferFile[0] = '\0';
    if (!DeleteFileA(path.c_str()))
        Log("EnterSendMailMode: %s could not be deleted: error %lu", path.c_str(), GetLastError());
    SignalNamedEvent("OESendFailed");
    return false;
}

bool TakeSendingNote(HWND p_hWnd)
{
    if (g_oShared.m_bStoreMailMode)
        return TakeStoringNote(p_hWnd);
    if (!g_oShared.m_bSendMailMode || g_oShared.m_bSendingWindow)
        return false;
    if (!SubclassWindow(p_hWnd, SendingNoteProc))
    {
        Log("Failed to set window proc - Error: %lu", GetLastError());
        return false;
    }
    g_oShared.m_hSendingNote = p_hWnd;
    g_oShared.m_bSendingWindow = 1;
    g_dwShownTick = 0;
    return true;
}
