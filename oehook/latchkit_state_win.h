// oehook/latchkit_state_win.h: the data Latchkit shares between every process that loads it, and
// what each process keeps for itself.
#pragma once

#include "oehook/latchkit_profile.h"
#include "outlook/resource_module_win.h"
#include "outlook/toolbar_definition.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

// One instance for all processes (a shared section). Each value has one writer: the exports write
// the hook and monitor fields, the browser's thread the window fields.
struct CLatchkitShared
{
    HWND m_hBrowser;
    HWND m_hToolbar;
    HWND m_hMenuBar;
    HWND m_hMonitor;
    HWND m_hTree;
    HWND m_hRebar;
    HHOOK m_hGlobalHook;
    HHOOK m_hLocalHook;
    HHOOK m_hOE4Hook;
    DWORD m_dwProcessId;
    LONG m_bStoreMailMode;
    LONG m_bSendMailMode;
    HWND m_hCreateFolderDialog;
    LONG m_iCreateFolderState;
    HWND m_hSaveMessageDialog;
    LONG m_iSaveMessageState;
    LONG m_bSendingWindow;
    char m_szTransferFile[MAX_PATH];
    HTREEITEM m_hSentSMSItem;
    // "Sent SMSs" is the folder shown (its column layout is swapped in).
    LONG m_bSentSMSShown;
    HWND m_hListHeader;
    LONG m_bResetInitialSendReceive;
    // The browser's life: SMS-related windows open, a close held back, start-up reported.
    LONG m_iSMSWindowCount;
    LONG m_bClosePending;
    LONG m_bStartupReported;
    // Reply or forward via SMS in flight: its kind (2 reply, 1 forward) and transfer-file stamp.
    LONG m_iReplyKind;
    DWORD m_dwReplyStamp;
    // When the reply or forward asked for the Save Message dialog (tick count).
    DWORD m_dwReplyTick;
    // Tools/Options automation: 0 none, 1 direction off, 2 direction on; when it was asked for, and
    // the re-checks of the Send page so far.
    LONG m_iOptionsRequest;
    DWORD m_dwOptionsTick;
    LONG m_iOptionsChecks;
    // The note sending the transfer file (send-mail and store-mail modes): its window, where it was
    // before it went off-screen, its not-ready reports, whether the sending was given up, and the
    // "Send Mail Warning" switch it found (0 absent, 1 present with the value below).
    HWND m_hSendingNote;
    RECT m_rcSendingNote;
    LONG m_iNotReadyReports;
    LONG m_bSendGivenUp;
    LONG m_bSendMailWarningFound;
    DWORD m_dwSendMailWarning;
    // When send-mail or store-mail mode last opened a transfer file (tick count).
    DWORD m_dwMailModeTick;
};

extern CLatchkitShared g_oShared;

// This process's own view.
struct CLatchkitProcess
{
    HINSTANCE m_hInstance = nullptr;
    // The Outlook Express process the launcher started (decided when the library is attached).
    bool m_bMonitored = false;
    int m_iMajor = 6;
    const CLatchkitProfile* m_p_oProfile = &kLatchkitProfile5;
    // The resource module, loaded as data, and its toolbar definition.
    CResourceModule m_oResources;
    std::vector<CToolbarEntry> m_vToolbar;
    bool m_bDefinitionsRead = false;
    bool m_bToolbarShowing = true;
    bool m_bHookReported = false;
};

CLatchkitProcess& Process();

// Reads the resource module named by the "Resource" setting (user key, then Install key): the
// toolbar definition and its bitmaps. An unreadable module leaves the toolbar empty.
void LoadToolbarDefinitions();
void EraseToolbarDefinitions();

// The current identity's Outlook Express settings key below the current user ("Dont Show Dialogs"
// and "Columns" live below it); empty when there is no current identity.
std::string ClientSettingsKey();

// Signals the named auto-reset event (made when it does not exist yet).
void SignalNamedEvent(const char* p_szName);

// Posts to the launcher's monitor window; false when there is none.
bool PostToMonitor(UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam);

// The transfer file of a stamp: the temporary directory, the stamp in upper-case hex, "." and the
// extension.
std::string TransferFilePath(DWORD p_dwStamp, const char* p_szExtension);
// A new stamp: the halves of the current time as a file time, combined by exclusive or.
DWORD NewTransferStamp();
