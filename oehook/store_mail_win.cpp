// oehook/store_mail_win.cpp: store-mail mode: the copy's note, kept off-screen, gets its File menu's
// "Copy to Folder..." posted; the picker gets "Sent SMSs" chosen (made through "New Folder..." and
// the Create Folder dialog when missing) and confirmed; the note is then closed, the transfer file
// deleted and the end of the request posted to the launcher.
#include "oehook/store_mail_win.h"

#include "common/failure_log.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "oehook/folder_watch_win.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/transfer_note_win.h"
#include "oehook/window_roles_win.h"

#include <commctrl.h>

#include <string>

namespace
{
constexpr const char* kSentSMSFolder = "Sent SMSs";
constexpr UINT kFilePeriodMs = 200;
// A copy not filed after this long is given up: the requester must not wait for ever.
constexpr DWORD kMostFileMs = 30000;
constexpr int kOffScreen = 2048;

// The filing runs on the client's user-interface thread; these belong to the one filing in flight.
HWND g_hPicker = nullptr;
bool g_bFolderAsked = false;
bool g_bFolderNamed = false;

// The menu text without its "&" and without the accelerator after a tab.
std::string PlainMenuText(const char* p_szText)
{
    std::string text;
    for (const char* c = p_szText; *c != '\0' && *c != '\t'; ++c)
        if (*c != '&')
            text += *c;
    return text;
}

// The command of the menu item p_sText in the menu or its popups; 0 when there is none.
UINT FindMenuCommand(HMENU p_hMenu, const std::string& p_sText)
{
    const int count = p_hMenu != nullptr ? GetMenuItemCount(p_hMenu) : 0;
    for (int i = 0; i < count; ++i)
    {
        char text[256] = {};
        GetMenuStringA(p_hMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (const HMENU popup = GetSubMenu(p_hMenu, i); popup != nullptr)
        {
            if (const UINT command = FindMenuCommand(popup, p_sText); command != 0)
                return command;
        }
        else if (PlainMenuText(text) == p_sText)
            return GetMenuItemID(p_hMenu, i);
    }
    return 0;
}

// A button of the dialog by its caption ("&" ignored).
HWND FindButton(HWND p_hDialog, const std::string& p_sText)
{
    for (HWND child = FindWindowExA(p_hDialog, nullptr, WC_BUTTONA, nullptr); child != nullptr;
         child = FindWindowExA(p_hDialog, child, WC_BUTTONA, nullptr))
        if (PlainMenuText(ControlText(child).c_str()) == p_sText)
            return child;
    return nullptr;
}

void MoveOffScreen(HWND p_hWnd)
{
    SetWindowPos(p_hWnd, nullptr, kOffScreen, kOffScreen, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CancelPicker(HWND)
{
    if (g_hPicker != nullptr && IsWindow(g_hPicker))
        PostMessageA(g_hPicker, WM_COMMAND, IDCANCEL, 0);
}

void StoringFinished()
{
    g_oShared.m_bStoreMailMode = 0;
    g_hPicker = nullptr;
    PostToMonitor(WM_MON_FINISHED_ARCHIVE, 0, 0);
}

void PostCopyToFolder(HWND p_hNote);

// Kept off-screen wherever the client puts it.
const CTransferNoteMode kStoringNote = {.m_szProc = "StoringNoteProc",
                                        .m_szJob = "StoreSMS",
                                        .m_szWork = "filing",
                                        .m_uStepMs = kFilePeriodMs,
                                        .m_dwMostMs = kMostFileMs,
                                        .m_szTooLong = "the copy is still not filed",
                                        .m_bUnderMonitor = false,
                                        .m_pfnShown = nullptr,
                                        .m_pfnStep = PostCopyToFolder,
                                        .m_pfnGivingUp = CancelPicker,
                                        .m_pfnFinished = StoringFinished,
                                        .m_pfnMessage = nullptr};

// The note's own "Copy to Folder..." opens the folder picker.
void PostCopyToFolder(HWND p_hNote)
{
    const UINT command = FindMenuCommand(GetMenu(p_hNote), "Copy to Folder...");
    if (command == 0)
        GiveUpTransferNote(kStoringNote, p_hNote, "the note has no Copy to Folder");
    else
        PostMessageA(p_hNote, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

LRESULT CALLBACK StoringNoteProc(HWND p_hWnd, UINT p_nMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TransferNoteProc(kStoringNote, p_hWnd, p_nMsg, p_wParam, p_lParam);
}

// "Sent SMSs" chosen and confirmed when the picker lists it; otherwise its New Folder asked once.
void PickSentSMSs(HWND p_hPicker)
{
    const HWND tree = FindWindowExA(p_hPicker, nullptr, WC_TREEVIEWA, nullptr);
    if (const HTREEITEM item = tree != nullptr ? FindTreeItem(tree, kSentSMSFolder) : nullptr; item != nullptr)
    {
        KillTimer(p_hPicker, kPickFolderTimer);
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        PostMessageA(p_hPicker, WM_COMMAND, IDOK, 0);
        return;
    }
    if (g_bFolderAsked)
        return;
    const HWND newFolder = FindButton(p_hPicker, "New Folder...");
    if (newFolder == nullptr)
    {
        LOG_FAILURE("the folder picker has neither \"%s\" nor New Folder", kSentSMSFolder);
        PostMessageA(p_hPicker, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    g_bFolderAsked = true;
    PostMessageA(p_hPicker, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(newFolder), BN_CLICKED),
                 reinterpret_cast<LPARAM>(newFolder));
}

// The Create Folder dialog the picker opened: "Sent SMSs" directly below the tree's top folder.
void NameSentSMSs(HWND p_hDialog)
{
    g_bFolderNamed = true;
    SetWindowTextA(FindWindowExA(p_hDialog, nullptr, WC_EDITA, nullptr), kSentSMSFolder);
    const HWND tree = FindWindowExA(p_hDialog, nullptr, WC_TREEVIEWA, nullptr);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    PostMessageA(p_hDialog, WM_COMMAND, IDOK, 0);
}
} // namespace

bool SelectSentSMSsFolder()
{
    const HWND tree = g_oShared.m_hTree;
    const HTREEITEM item = tree != nullptr && IsWindow(tree) ? FindTreeItem(tree, kSentSMSFolder) : nullptr;
    if (item == nullptr)
    {
        Log("SelectSentSMSsFolder: no \"%s\" folder yet", kSentSMSFolder);
        return false;
    }
    return SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

bool EnterStoreMail(DWORD p_dwStamp)
{
    Log("EnterStoreMailMode %lX", static_cast<unsigned long>(p_dwStamp));
    if (MailModeBusy())
    {
        LOG_FAILURE("another transfer file is being handled");
        return false;
    }
    std::string path;
    if (!RecordTransferFile(p_dwStamp, path))
        return false;
    g_oShared.m_bSendingWindow = 0;
    g_hPicker = nullptr;
    g_bFolderAsked = false;
    g_bFolderNamed = false;
    return OpenRecordedTransferFile(path, g_oShared.m_bStoreMailMode, "EnterStoreMailMode");
}

bool TakeStoringNote(HWND p_hWnd)
{
    return TakeTransferNote(p_hWnd, g_oShared.m_bStoreMailMode, StoringNoteProc);
}

bool StoreMailWanted()
{
    return g_oShared.m_bStoreMailMode != 0 && g_oShared.m_hSendingNote != nullptr;
}

bool OnStoreDialogInit(HWND p_hDialog)
{
    if (!StoreMailWanted() || FindWindowExA(p_hDialog, nullptr, WC_TREEVIEWA, nullptr) == nullptr)
        return false;
    const bool named = FindWindowExA(p_hDialog, nullptr, WC_EDITA, nullptr) != nullptr;
    if (named && g_hPicker != nullptr && g_bFolderAsked && !g_bFolderNamed)
    {
        Log("SubclassCreateFolderWindow %d\n", 1);
        MoveOffScreen(p_hDialog);
        NameSentSMSs(p_hDialog);
        return true;
    }
    if (named || g_hPicker != nullptr)
        return false;
    Log("StoreMail: the folder picker");
    g_hPicker = p_hDialog;
    MoveOffScreen(p_hDialog);
    PickSentSMSs(p_hDialog);
    SetTimer(p_hDialog, kPickFolderTimer, kFilePeriodMs, nullptr);
    return true;
}

void OnPickFolderTimer(HWND p_hDialog)
{
    if (p_hDialog == g_hPicker)
        PickSentSMSs(p_hDialog);
}

void OnStoreDialogDestroy(HWND p_hDialog)
{
    if (p_hDialog != g_hPicker || g_hPicker == nullptr)
        return;
    KillTimer(p_hDialog, kPickFolderTimer);
    g_hPicker = nullptr;
    // Filed or not, the note of the copy has done its part.
    if (g_oShared.m_hSendingNote != nullptr)
        PostMessageA(g_oShared.m_hSendingNote, WM_CLOSE, 0, 0);
}
