// oehook/new_mail_trigger_win.h: the new-mail trigger inside Outlook Express. The client's download
// progress dialog is found once and subclassed; when it reports a finished download and the Inbox's
// next-message number has grown, the core library's monitor is woken through "OENewServerMail".
#pragma once

#include <windows.h>

#include <string>

// Sent by the client to its progress dialog when a download of messages has finished.
constexpr UINT WM_FINISHED_DOWNLOADING_MESSAGES = 0xAA8;

// A window of the monitored client is being created (p_hParent as its creation names it). Until the
// progress dialog has been found, the client's top-level "#32770" windows are searched for one that
// holds a "msctls_progress32"; the first found is subclassed and the search ends for good.
void LookForProgressDialog(HWND p_hCreated, HWND p_hParent);
// The current identity changed: its Inbox is another file with numbers of its own.
void InboxIdentityChanged();
// Version 4: the folder tree named the Inbox; its file is that name with ".mbx".
void InboxFileNameFound(const std::string& p_sName);
