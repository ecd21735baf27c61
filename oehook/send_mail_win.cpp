// oehook/send_mail_win.cpp: send-mail mode: the transfer file opened in a note, the note sent
// off-screen with the client's "Send Mail Warning" off, and the outcome signalled.
#include "oehook/send_mail_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/store_mail_win.h"
#include "oehook/transfer_note_win.h"

namespace
{
constexpr UINT kSendPeriodMs = 200;
constexpr LONG kMostNotReady = 25;
// A sending note still open after this long is given up, before the core library stops waiting.
constexpr DWORD kMostSendMs = 55000;
constexpr const char* kSendMailWarning = "Send Mail Warning";
// m_bSendMailWarningFound: how the switch was before sending turned it off.
constexpr LONG kWarningUntouched = 0;
constexpr LONG kWarningWasAbsent = 1;
constexpr LONG kWarningHadValue = 2;

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

void SendingGivenUp(HWND)
{
    g_oShared.m_bSendGivenUp = 1;
}

// The note's Send; a note not ready for it yet reports so, and Send is posted again.
void PostSend(HWND p_hNote)
{
    PostMessageA(p_hNote, WM_COMMAND, MAKEWPARAM(Process().m_p_oProfile->m_uSendCommand, 0), 0);
}

void SendingFinished()
{
    SignalNamedEvent(g_oShared.m_bSendGivenUp ? "OESendFailed" : "OESendSuccess");
    RestoreSendMailWarning();
    TurnOnSendReceiveAtStart();
    g_oShared.m_bSendMailMode = 0;
}

void SendingNoteMessage(HWND p_hNote, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);

// Sent off-screen, under the launcher's window, wherever the client puts it.
const CTransferNoteMode kSendingNote = {.m_szProc = "SendingNoteProc",
                                        .m_szJob = "SendSMS",
                                        .m_szWork = "sending",
                                        .m_uStepMs = kSendPeriodMs,
                                        .m_dwMostMs = kMostSendMs,
                                        .m_szTooLong = "the note is still open",
                                        .m_bUnderMonitor = true,
                                        .m_pfnShown = SwitchSendMailWarningOff,
                                        .m_pfnStep = PostSend,
                                        .m_pfnGivingUp = SendingGivenUp,
                                        .m_pfnFinished = SendingFinished,
                                        .m_pfnMessage = SendingNoteMessage};

void SendingNoteMessage(HWND p_hNote, UINT p_nMsg, WPARAM, LPARAM)
{
    if (p_nMsg != WM_CHILD_NOT_READY)
        return;
    Log("WM_CHILD_NOT_READY");
    if (++g_oShared.m_iNotReadyReports >= kMostNotReady)
        GiveUpTransferNote(kSendingNote, p_hNote, "the note was not ready 25 times");
    else
        RepeatTransferNoteStep(kSendingNote, p_hNote);
}

LRESULT CALLBACK SendingNoteProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TransferNoteProc(kSendingNote, p_hWnd, p_nMsg, p_wParam, p_lParam);
}

} // namespace

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
    std::string path;
    if (!RecordTransferFile(p_dwStamp, path))
    {
        SignalNamedEvent("OESendFailed");
        return false;
    }
    // A note left over from an earlier send that never ended no longer holds the mode.
    if (g_oShared.m_hSendingNote == nullptr || !IsWindow(g_oShared.m_hSendingNote))
        g_oShared.m_bSendingWindow = 0;
    g_oShared.m_iNotReadyReports = 0;
    g_oShared.m_bSendGivenUp = 0;
    if (OpenRecordedTransferFile(path, g_oShared.m_bSendMailMode, "EnterSendMailMode"))
        return true;
    // Nothing will send it: the core library learns at once instead of after its wait.
    SignalNamedEvent("OESendFailed");
    return false;
}

bool TakeSendingNote(HWND p_hWnd)
{
    if (g_oShared.m_bStoreMailMode)
        return TakeStoringNote(p_hWnd);
    return TakeTransferNote(p_hWnd, g_oShared.m_bSendMailMode, SendingNoteProc);
}
