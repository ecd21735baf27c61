// oehook/transfer_note_win.h: the note a mail mode opened its transfer file in, handled alike for
// sending and for filing: kept off-screen, stepped on a timer, given up when it stays open too long,
// and at its end put back where the client had it, with the transfer file deleted.
#pragma once

#include <windows.h>

#include <string>

// What one mail mode does with its note; the rest of the note's life is the same for both.
struct CTransferNoteMode
{
    // The note procedure's name, for the exception trap and the log.
    const char* m_szProc;
    // The job ("SendSMS") and the work given up ("sending"), as the log names them.
    const char* m_szJob;
    const char* m_szWork;
    // The step is taken this long after the note shows, or after it was asked again.
    UINT m_uStepMs;
    // A note still open this long after it showed is given up, for the reason given.
    DWORD m_dwMostMs;
    const char* m_szTooLong;
    // The note is put under the launcher's window as well as off-screen.
    bool m_bUnderMonitor;
    // The note has shown for the first time; may be null.
    void (*m_pfnShown)();
    // The step itself: what the mode asks the note to do.
    void (*m_pfnStep)(HWND p_hNote);
    // The note is being given up, before it is closed; may be null.
    void (*m_pfnGivingUp)(HWND p_hNote);
    // The note is gone and put back; the mode ends here.
    void (*m_pfnFinished)();
    // Any other message, before the client's procedure sees it; may be null.
    void (*m_pfnMessage)(HWND p_hNote, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
};

// The note's procedure for the mode: each mode's own procedure calls it with its description.
LRESULT TransferNoteProc(const CTransferNoteMode& p_oMode, HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);
// Closes the note without waiting for its step any longer.
void GiveUpTransferNote(const CTransferNoteMode& p_oMode, HWND p_hNote, const char* p_szWhy);
// Takes the step again after the mode's period (the note was not ready for it).
void RepeatTransferNoteStep(const CTransferNoteMode& p_oMode, HWND p_hNote);

// "<temp><stamp in hex>.eml" as the transfer file being handled; false when it has no such path.
[[nodiscard]] bool RecordTransferFile(DWORD p_dwStamp, std::string& p_sPath);
// The recorded transfer file opened by the shell with the mode flag p_bMode set, so that the note it
// brings is taken. False, with the flag cleared and the file deleted (a failure logged under
// p_szCaller), when it cannot be opened.
[[nodiscard]] bool OpenRecordedTransferFile(const std::string& p_sPath, LONG& p_bMode, const char* p_szCaller);
// A note is being created: while the mode flag p_bMode is set and no note has been taken yet, this
// one gets the mode's procedure. False for any other note.
bool TakeTransferNote(HWND p_hWnd, LONG p_bMode, WNDPROC p_pfnProc);
// True while a transfer file of either mode is being handled: its note lives, or the shell was asked
// to open it moments ago. A mode whose note never came is dropped here, so that it cannot take the
// note of a later transfer file.
bool MailModeBusy();
