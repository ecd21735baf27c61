// oehook/save_message_win.cpp: driving the Save Message dialog for reply and forward via SMS.
#include "oehook/save_message_win.h"

#include "common/boundary.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/window_roles_win.h"

#include <commctrl.h>

#include <cstring>

namespace
{
// m_iSaveMessageState: 1 a reply or forward waits for its dialog, 2 the dialog is being driven.
constexpr LONG kSaveRequested = 1;
constexpr LONG kSaveDriving = 2;
constexpr DWORD kSaveRequestLifeMs = 15000;

HWND FirstChildOfClass(HWND p_hDialog, const char* p_szClass)
{
    return FindWindowExA(p_hDialog, nullptr, p_szClass, nullptr);
}

// The Save Message dialog has a name field, a type list and buttons; other dialogs are left alone.
bool IsSaveAsWindow(HWND p_hDialog)
{
    return FirstChildOfClass(p_hDialog, "Edit") != nullptr && FirstChildOfClass(p_hDialog, "ComboBox") != nullptr &&
           FirstChildOfClass(p_hDialog, "Button") != nullptr;
}

// The text type: the list's entry naming "*.txt", any case.
void SelectTextType(HWND p_hList)
{
    const int count = static_cast<int>(SendMessageA(p_hList, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        char text[256] = {};
        if (SendMessageA(p_hList, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= static_cast<LRESULT>(sizeof text))
            continue;
        SendMessageA(p_hList, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        CharUpperA(text);
        if (std::strstr(text, "*.TXT") != nullptr)
        {
            SendMessageA(p_hList, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
}

} // namespace

bool SaveMessageWanted()
{
    if (g_oShared.m_iSaveMessageState != kSaveRequested)
        return false;
    // A request the client never answered expires, so that the user's own Save As later on is not
    // taken over.
    if (GetTickCount() - g_oShared.m_dwReplyTick > kSaveRequestLifeMs)
    {
        Log("RecogniseDialog: the reply's Save Message request expired");
        g_oShared.m_iSaveMessageState = 0;
        return false;
    }
    return true;
}

bool OnSaveDialogInit(HWND p_hDialog)
{
    if (g_oShared.m_iSaveMessageState != kSaveRequested)
        return false;
    if (!IsSaveAsWindow(p_hDialog))
    {
        Log("DefinatelyIsNotASaveAsWindow\n");
        return false;
    }
    Log("SubclassSaveMessageWindow\n");
    const std::string path = TransferFilePath(g_oShared.m_dwReplyStamp, "txt");
    if (path.empty())
    {
        PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return true;
    }
    g_oShared.m_hSaveMessageDialog = p_hDialog;
    g_oShared.m_iSaveMessageState = kSaveDriving;
    SetWindowTextA(FirstChildOfClass(p_hDialog, "Edit"), path.c_str());
    SelectTextType(FirstChildOfClass(p_hDialog, "ComboBox"));
    PostMessageA(p_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

void OnSaveDialogDestroy(HWND p_hDialog)
{
    if (g_oShared.m_hSaveMessageDialog != p_hDialog)
        return;
    Log("Sending the Child Finished");
    g_oShared.m_hSaveMessageDialog = nullptr;
    g_oShared.m_iSaveMessageState = 0;
    // The reply's automations end with it.
    g_oShared.m_iOptionsRequest = 0;
    const DWORD stamp = g_oShared.m_dwReplyStamp;
    // A dialog cancelled (or a file not written) sends nothing on.
    if (GetFileAttributesA(TransferFilePath(stamp, "txt").c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        Log("FinishSaveAs: no transfer file was written");
        return;
    }
    PostToMonitor(WM_MON_SPAWN_NEW_SMS_WINDOW, static_cast<WPARAM>(g_oShared.m_iReplyKind), static_cast<LPARAM>(stamp));
}
