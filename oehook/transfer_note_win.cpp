// oehook/transfer_note_win.cpp: the transfer note's life common to send-mail and store-mail mode:
// opened by the shell, moved and kept off-screen, its step posted on a timer and watched by a
// second one, given up when it stays open, and put back with its transfer file deleted at its end.
#include "oehook/transfer_note_win.h"

#include "common/boundary.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/subclass_win.h"

#include <shellapi.h>

#include <cstdio>

namespace
{
// The step is posted on this timer; the second one watches a note that never ends.
constexpr UINT_PTR kStepTimer = 1234;
constexpr UINT_PTR kWatchTimer = 1235;
constexpr UINT kWatchPeriodMs = 1000;
// A transfer file whose note has not come after this long will not bring one.
constexpr DWORD kMostOpenMs = 30000;
constexpr int kOffScreen = 2048;

// The note runs on the client's user-interface thread, one at a time; when it first showed.
DWORD g_dwShownTick = 0;
// True while the note is put back where it was, the one move it is not kept off-screen for.
bool g_bRestoringNote = false;

// Where the client put the note is remembered; the note goes off-screen, and under the launcher's
// window when the mode asks for it.
void MoveNoteOffScreen(const CTransferNoteMode& p_oMode, HWND p_hNote)
{
    GetWindowRect(p_hNote, &g_oShared.m_rcSendingNote);
    SetWindowPos(p_hNote, nullptr, kOffScreen, kOffScreen, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (p_oMode.m_bUnderMonitor && g_oShared.m_hMonitor != nullptr && IsWindow(g_oShared.m_hMonitor))
        SetParent(p_hNote, g_oShared.m_hMonitor);
}

void KeepNoteOffScreen(WINDOWPOS* p_pPlace)
{
    if (p_pPlace == nullptr || g_bRestoringNote)
        return;
    p_pPlace->x = kOffScreen;
    p_pPlace->y = kOffScreen;
    p_pPlace->flags &= ~SWP_NOMOVE;
}

void RestoreNote(HWND p_hNote, const char* p_szCaller)
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

void FinishNote(const CTransferNoteMode& p_oMode, HWND p_hNote)
{
    Log("WM_DESTROY at end of %s", p_oMode.m_szJob);
    KillTimer(p_hNote, kStepTimer);
    KillTimer(p_hNote, kWatchTimer);
    RestoreNote(p_hNote, p_oMode.m_szProc);
    g_oShared.m_bSendingWindow = 0;
    g_oShared.m_hSendingNote = nullptr;
    p_oMode.m_pfnFinished();
}

bool HandleTimer(const CTransferNoteMode& p_oMode, HWND p_hNote, UINT_PTR p_uTimer)
{
    if (p_uTimer == kStepTimer)
    {
        KillTimer(p_hNote, kStepTimer);
        p_oMode.m_pfnStep(p_hNote);
        return true;
    }
    if (p_uTimer != kWatchTimer)
        return false;
    if (GetTickCount() - g_dwShownTick > p_oMode.m_dwMostMs)
        GiveUpTransferNote(p_oMode, p_hNote, p_oMode.m_szTooLong);
    return true;
}

LRESULT TransferNoteMessage(const CTransferNoteMode& p_oMode, HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam,
                            LPARAM p_lParam)
{
    switch (p_nMsg)
    {
    case WM_CREATE: {
        const LRESULT result = CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
        if (result != -1)
            MoveNoteOffScreen(p_oMode, p_hWnd);
        return result;
    }
    case WM_WINDOWPOSCHANGING:
        KeepNoteOffScreen(reinterpret_cast<WINDOWPOS*>(p_lParam));
        break;
    case WM_SHOWWINDOW:
        if (p_wParam && g_dwShownTick == 0)
        {
            g_dwShownTick = GetTickCount();
            if (p_oMode.m_pfnShown != nullptr)
                p_oMode.m_pfnShown();
            SetTimer(p_hWnd, kStepTimer, p_oMode.m_uStepMs, nullptr);
            SetTimer(p_hWnd, kWatchTimer, kWatchPeriodMs, nullptr);
        }
        break;
    case WM_TIMER:
        if (HandleTimer(p_oMode, p_hWnd, p_wParam))
            return 0;
        break;
    case WM_DESTROY:
        FinishNote(p_oMode, p_hWnd);
        break;
    default:
        if (p_oMode.m_pfnMessage != nullptr)
            p_oMode.m_pfnMessage(p_hWnd, p_nMsg, p_wParam, p_lParam);
        break;
    }
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

// Opens the transfer file with the shell, as the user opens a message file; false when it cannot be.
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
} // namespace

LRESULT TransferNoteProc(const CTransferNoteMode& p_oMode, HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    LRESULT result = 0;
    if (TrapExceptions(p_oMode.m_szProc, false, [&] {
            result = TransferNoteMessage(p_oMode, p_hWnd, p_nMsg, p_wParam, p_lParam);
            return true;
        }))
        return result;
    return CallPrevious(p_hWnd, p_nMsg, p_wParam, p_lParam);
}

void GiveUpTransferNote(const CTransferNoteMode& p_oMode, HWND p_hNote, const char* p_szWhy)
{
    Log("%s: %s given up: %s", p_oMode.m_szProc, p_oMode.m_szWork, p_szWhy);
    if (p_oMode.m_pfnGivingUp != nullptr)
        p_oMode.m_pfnGivingUp(p_hNote);
    KillTimer(p_hNote, kStepTimer);
    KillTimer(p_hNote, kWatchTimer);
    PostMessageA(p_hNote, WM_CLOSE, 0, 0);
}

void RepeatTransferNoteStep(const CTransferNoteMode& p_oMode, HWND p_hNote)
{
    SetTimer(p_hNote, kStepTimer, p_oMode.m_uStepMs, nullptr);
}

bool RecordTransferFile(DWORD p_dwStamp, std::string& p_sPath)
{
    p_sPath = TransferFilePath(p_dwStamp, "eml");
    if (p_sPath.empty() || p_sPath.size() >= sizeof g_oShared.m_szTransferFile)
        return false;
    std::snprintf(g_oShared.m_szTransferFile, sizeof g_oShared.m_szTransferFile, "%s", p_sPath.c_str());
    return true;
}

bool OpenRecordedTransferFile(const std::string& p_sPath, LONG& p_bMode, const char* p_szCaller)
{
    g_oShared.m_hSendingNote = nullptr;
    g_oShared.m_dwMailModeTick = GetTickCount();
    p_bMode = 1;
    if (OpenTransferFile(p_sPath))
        return true;
    // Nothing will handle it: the mode is left at once instead of after its wait.
    p_bMode = 0;
    g_oShared.m_szTransferFile[0] = '\0';
    if (!DeleteFileA(p_sPath.c_str()))
        Log("%s: %s could not be deleted: error %lu", p_szCaller, p_sPath.c_str(), GetLastError());
    return false;
}

bool TakeTransferNote(HWND p_hWnd, LONG p_bMode, WNDPROC p_pfnProc)
{
    if (!p_bMode || g_oShared.m_bSendingWindow)
        return false;
    if (!SubclassWindow(p_hWnd, p_pfnProc))
    {
        Log("Failed to set window proc - Error: %lu", GetLastError());
        return false;
    }
    g_oShared.m_hSendingNote = p_hWnd;
    g_oShared.m_bSendingWindow = 1;
    g_dwShownTick = 0;
    return true;
}

bool MailModeBusy()
{
    if (!g_oShared.m_bSendMailMode && !g_oShared.m_bStoreMailMode)
        return false;
    const HWND note = g_oShared.m_hSendingNote;
    if ((note != nullptr && IsWindow(note)) || GetTickCount() - g_oShared.m_dwMailModeTick < kMostOpenMs)
        return true;
    Log("MailModeBusy: the transfer file %s never came in a note; its mode is dropped", g_oShared.m_szTransferFile);
    g_oShared.m_bSendMailMode = 0;
    g_oShared.m_bStoreMailMode = 0;
    g_oShared.m_bSendingWindow = 0;
    g_oShared.m_hSendingNote = nullptr;
    return false;
}
