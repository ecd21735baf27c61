// oehook/sms_commands_win.cpp: the "B&revolt" popup, the New menu's item and their commands.
#include "oehook/sms_commands_win.h"

#include "common/failure_log.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "oehook/latchkit_state_win.h"
#include "oehook/tools_options_win.h"
#include "oehook/window_roles_win.h"
#include "outlook/plugin_rules.h"

#include <shellapi.h>

#include <utility>

namespace
{
struct CPopupItem
{
    uint32_t m_uCommand;
    const char* m_szText;
};

// nullptr text: a separator.
constexpr CPopupItem kPopupItems[] = {
    {kCmdNewSMS, "&New SMS..."},
    {kCmdNewReminder, "New &SMS Reminder..."},
    {0, nullptr},
    {kCmdReplyViaSMS, "&Reply via SMS"},
    {kCmdForwardViaSMS, "&Forward via SMS"},
    {0, nullptr},
    {kCmdViewReports, "&View message reports..."},
    {kCmdCheckUpgrade, "Check for latest &upgrade"},
    {0, nullptr},
    {kCmdOptions, "&Options..."},
    {kCmdInboxRules, "&Inbox Rules..."},
    {kCmdTemplateEditor, "&Template Editor..."},
    {0, nullptr},
    {kCmdOnlineHelp, "&Online Help"},
    {kCmdFAQ, "&Frequently Asked Questions"},
    {kCmdWhatsNew, "&What's New?"},
    {kCmdContactUs, "Contact &Us"},
    {kCmdHelp, "&Help"},
    {kCmdAbout, "&About"},
};

struct CPage
{
    uint32_t m_uCommand;
    const char* m_szSetting;
    const char* m_szDefault;
};

constexpr CPage kPages[] = {
    {kCmdViewReports, "UserSite", "http://sms.brevolt.example/reports?user=$$EMAIL"},
    {kCmdCheckUpgrade, "DownloadsPage", "http://www.brevolt.example/downloads?version=$$VERSION"},
    {kCmdOnlineHelp, "HelpPage", "http://www.brevolt.example/help"},
    {kCmdHelp, "HelpPage", "http://www.brevolt.example/help"},
    {kCmdFAQ, "FAQPage", "http://www.brevolt.example/faq"},
    {kCmdWhatsNew, "WhatsNewPage", "http://www.brevolt.example/whatsnew"},
    {kCmdContactUs, "ContactPage", "http://www.brevolt.example/contact"},
    {kCmdRunTimeLink, "RunTimeLink", ""},
};

bool ReadTokenSetting(const std::string& p_sName, std::string& p_sValue)
{
    CRegistry registry;
    std::vector<uint8_t> data;
    const bool install = p_sName == "Version";
    if (!registry.ReadRegistry(install ? ERegRoot::LocalMachine : ERegRoot::CurrentUser,
                               install ? kInstallKey : kUserKey, p_sName, true, data))
        return false;
    p_sValue = TextOfValue(data);
    return true;
}

// Opens a web target with its "$$" tokens replaced by the user's settings.
bool OpenTarget(HWND p_hWnd, const std::string& p_sTarget)
{
    std::vector<std::pair<std::string, std::string>> cache;
    std::string target;
    if (p_sTarget.empty() || !SubstituteTargetTokens(p_sTarget, ReadTokenSetting, cache, target))
    {
        LOG_FAILURE("the target '%s' cannot be opened", p_sTarget.c_str());
        return false;
    }
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(p_hWnd, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return true;
    LOG_FAILURE("ShellExecute of %s returned %d", target.c_str(), static_cast<int>(result));
    return false;
}

// False when the command is not one of the pages; p_bOpened tells whether the page opened.
bool OpenPage(HWND p_hWnd, uint32_t p_uCommand, bool& p_bOpened)
{
    for (const CPage& page : kPages)
        if (page.m_uCommand == p_uCommand)
        {
            CRegistry registry;
            std::string target;
            if (!registry.ReadInstallText(page.m_szSetting, target) || target.empty())
                target = page.m_szDefault;
            p_bOpened = OpenTarget(p_hWnd, target);
            return true;
        }
    return false;
}

bool IsNewMenu(HMENU p_hMenu)
{
    return GetMenuItemCount(p_hMenu) > 0 && GetMenuItemID(p_hMenu, 0) == Process().m_p_oProfile->m_uNewMailCommand;
}

void AddItemToNewMenu(HMENU p_hMenu)
{
    const CLatchkitProfile& profile = *Process().m_p_oProfile;
    if (GetMenuState(p_hMenu, profile.m_uNewSMSItemId, MF_BYCOMMAND) != static_cast<UINT>(-1))
        return;
    if (!LOG_IF_WIN32_BOOL_FALSE(InsertMenuA(p_hMenu, profile.m_uNewSMSItemPosition, MF_BYPOSITION | MF_STRING,
                                             profile.m_uNewSMSItemId, kNewSMSItemText)))
        return;
    Log("AddNewSMSItem: added to the New menu");
}

// The toolbar definition entry (children included) of a toolbar command id.
const CToolbarEntry* ToolbarEntryOf(uint32_t p_uCommand)
{
    if (p_uCommand < kToolbarCommandBase)
        return nullptr;
    const uint32_t position = p_uCommand - kToolbarCommandBase;
    for (const CToolbarEntry& entry : Process().m_vToolbar)
    {
        if (entry.m_uPosition == position)
            return &entry;
        for (const CToolbarEntry& child : entry.m_vChildren)
            if (child.m_uPosition == position)
                return &child;
    }
    return nullptr;
}

bool RunToolbarEntry(HWND p_hBrowser, const CToolbarEntry& p_oEntry)
{
    int action = 0;
    if (!ParseActionTarget(p_oEntry.m_sTarget, action))
        return OpenTarget(p_hBrowser, p_oEntry.m_sTarget);
    // The definition may name one of the popup's commands; anything else is the launcher's action.
    if (action >= static_cast<int>(kFirstOwnCommand) && action != static_cast<int>(kCmdMenuBarButton) &&
        RunOwnCommand(p_hBrowser, static_cast<uint32_t>(action)))
        return true;
    return PostToMonitor(WM_MON_TOOLBAR_ACTION, static_cast<WPARAM>(action), reinterpret_cast<LPARAM>(p_hBrowser));
}

// The commands the launcher carries out; false for the others.
bool IsMonitorCommand(uint32_t p_uCommand)
{
    constexpr uint32_t kCommands[] = {kCmdNewSMS,         kCmdNewReminder, kCmdOptions,       kCmdInboxRules,
                                      kCmdTemplateEditor, kCmdAbout,       kCmdEditLocalUser, kCmdRecommend};
    for (const uint32_t command : kCommands)
        if (command == p_uCommand)
            return true;
    return false;
}

bool PostCommandToMonitor(HWND p_hBrowser, uint32_t p_uCommand)
{
    const LPARAM owner = reinterpret_cast<LPARAM>(p_hBrowser);
    switch (p_uCommand)
    {
    case kCmdNewSMS:
        return PostToMonitor(WM_MON_SPAWN_NEW_SMS_WINDOW, 0, 0);
    case kCmdNewReminder:
        return PostToMonitor(WM_MON_NEW_REMINDER, 0, 0);
    case kCmdOptions:
        return PostToMonitor(WM_MON_SHOW_OPTIONS, 0, owner);
    case kCmdInboxRules:
        return PostToMonitor(WM_MON_SHOW_RULES, 0, owner);
    case kCmdTemplateEditor:
        return PostToMonitor(WM_MON_SHOW_TEMPLATES, 0, owner);
    case kCmdAbout:
        return PostToMonitor(WM_MON_SHOW_ABOUT, 0, owner);
    case kCmdEditLocalUser:
        return PostToMonitor(WM_MON_EDIT_LOCAL_USER, 0, 0);
    case kCmdRecommend:
        return PostToMonitor(WM_MON_RECOMMEND_FRIENDS, 0, 0);
    default:
        return false;
    }
}
} // namespace

unique_hmenu BuildSMSPopup()
{
    unique_hmenu popup(CreatePopupMenu());
    if (!popup)
        return popup;
    for (const CPopupItem& item : kPopupItems)
        AppendMenuA(popup.get(), item.m_szText != nullptr ? MF_STRING : MF_SEPARATOR, item.m_uCommand, item.m_szText);
    return popup;
}

void AddNewSMSItem(HMENU p_hPopup)
{
    if (p_hPopup == nullptr)
        return;
    if (IsNewMenu(p_hPopup))
        AddItemToNewMenu(p_hPopup);
    const int count = GetMenuItemCount(p_hPopup);
    for (int i = 0; i < count; ++i)
        if (const HMENU sub = GetSubMenu(p_hPopup, i); sub != nullptr && IsNewMenu(sub))
            AddItemToNewMenu(sub);
}

void InsertSMSMenuOE4(HWND p_hBrowser)
{
    const HMENU bar = GetMenu(p_hBrowser);
    const int count = bar != nullptr ? GetMenuItemCount(bar) : 0;
    if (count <= 0)
        return;
    for (int i = 0; i < count; ++i)
    {
        char text[64] = {};
        GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (lstrcmpA(text, kSMSMenuCaption) == 0)
        {
            Log("Already inserted\n");
            return;
        }
    }
    unique_hmenu popup = BuildSMSPopup();
    if (popup && LOG_IF_WIN32_BOOL_FALSE(InsertMenuA(bar, static_cast<UINT>(count - 1), MF_BYPOSITION | MF_POPUP,
                                                     reinterpret_cast<UINT_PTR>(popup.get()), kSMSMenuCaption)))
    {
        (void)popup.release(); // the menu bar owns it now
        DrawMenuBar(p_hBrowser);
    }
}

void TrackSMSPopup(HWND p_hBrowser, const RECT& p_oBelow)
{
    const unique_hmenu popup = BuildSMSPopup();
    if (popup)
        TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN, p_oBelow.left, p_oBelow.bottom, 0, p_hBrowser,
                       nullptr);
}

bool StartReplyOrForward(HWND p_hBrowser, int p_iKind)
{
    const HWND list = FindWindowExA(p_hBrowser, nullptr, Process().m_p_oProfile->m_szListClass, nullptr);
    if (list == nullptr)
    {
        Log("NO folder contents window\n");
        return false;
    }
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) != 1)
        return false;
    g_oShared.m_iReplyKind = p_iKind;
    g_oShared.m_dwReplyStamp = NewTransferStamp();
    g_oShared.m_dwReplyTick = GetTickCount();
    g_oShared.m_iSaveMessageState = 1;
    // The client may ask for its options on the way: the message is to be included as plain text.
    RequestOptionsAutomation(false);
    return PostMessageA(p_hBrowser, WM_COMMAND, MAKEWPARAM(Process().m_p_oProfile->m_uSaveAsCommand, 0), 0) != FALSE;
}

bool RunOwnCommand(HWND p_hBrowser, uint32_t p_uCommand)
{
    // A command that cannot be carried out is logged where it failed; it is still ours, so
    // Outlook Express never sees it.
    bool done = false;
    if (p_uCommand == Process().m_p_oProfile->m_uNewSMSItemId)
        done = PostToMonitor(WM_MON_SPAWN_NEW_SMS_WINDOW, 0, 0);
    else if (p_uCommand == kCmdReplyViaSMS || p_uCommand == kCmdForwardViaSMS)
        done = StartReplyOrForward(p_hBrowser, p_uCommand == kCmdReplyViaSMS ? 2 : 1);
    else if (const CToolbarEntry* entry = ToolbarEntryOf(p_uCommand); entry != nullptr)
        done = RunToolbarEntry(p_hBrowser, *entry);
    else if (IsMonitorCommand(p_uCommand))
        done = PostCommandToMonitor(p_hBrowser, p_uCommand);
    else if (!OpenPage(p_hBrowser, p_uCommand, done))
        return false;
    Log("RunOwnCommand %u: %s", p_uCommand, done ? "done" : "failed");
    return true;
}
