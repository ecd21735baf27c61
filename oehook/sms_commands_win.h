// oehook/sms_commands_win.h: the "B&revolt" popup, the New menu's SMS item and what their commands
// (and the SMS toolbar's buttons) do: most are posted to the launcher's monitor window.
#pragma once

#include "common/handle_win.h"

#include <windows.h>

#include <cstdint>

// Command ids of the popup.
constexpr uint32_t kCmdNewSMS = 40027;
constexpr uint32_t kCmdNewReminder = 40007;
constexpr uint32_t kCmdReplyViaSMS = 40427;
constexpr uint32_t kCmdForwardViaSMS = 40428;
constexpr uint32_t kCmdViewReports = 40460;
constexpr uint32_t kCmdCheckUpgrade = 40253;
constexpr uint32_t kCmdOptions = 40461;
constexpr uint32_t kCmdInboxRules = 40019;
constexpr uint32_t kCmdTemplateEditor = 40010;
constexpr uint32_t kCmdOnlineHelp = 40254;
constexpr uint32_t kCmdHelp = 40258;
constexpr uint32_t kCmdFAQ = 40255;
constexpr uint32_t kCmdWhatsNew = 40035;
constexpr uint32_t kCmdAbout = 40256;
constexpr uint32_t kCmdContactUs = 40259;
constexpr uint32_t kCmdEditLocalUser = 40235;
constexpr uint32_t kCmdRecommend = 40238;
constexpr uint32_t kCmdRunTimeLink = 40237;
// The "B&revolt" button of the menu bar (Outlook Express 5 and later).
constexpr uint32_t kCmdMenuBarButton = 40999;
// "Brevolt bar" in the rebar's context menu.
constexpr uint32_t kCmdShowHideBar = 40998;

// A new "B&revolt" popup with every command of the table.
unique_hmenu BuildSMSPopup();
// The popup's caption.
inline constexpr const char* kSMSMenuCaption = "B&revolt";
inline constexpr const char* kNewSMSItemText = "Brevolt SMS Message";

// Adds "Brevolt SMS Message" to p_hPopup when it is the New menu, and to any New menu below it;
// an item already there is not added again.
void AddNewSMSItem(HMENU p_hPopup);
// Outlook Express 4's classic menu gets the popup before its last (Help) menu, once.
void InsertSMSMenuOE4(HWND p_hBrowser);
// Shows the popup below the rectangle (screen coordinates); its commands reach the browser.
void TrackSMSPopup(HWND p_hBrowser, const RECT& p_oBelow);

// Runs one of Latchkit's commands (popup, New item, toolbar entries); false for any other id,
// which then goes to Outlook Express.
bool RunOwnCommand(HWND p_hBrowser, uint32_t p_uCommand);
// Reply (2) or forward (1) via SMS of the one selected message; nothing without exactly one.
bool StartReplyOrForward(HWND p_hBrowser, int p_iKind);
