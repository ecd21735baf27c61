// outlook/options_dialog_win.cpp: the Options dialog. One page exists at a time (switching tabs
// destroys it and creates the next); the values of all three live in COptionsState, read from the
// settings when the dialog opens and written back on OK.
#include "outlook/options_dialog_win.h"

#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "outlook/command_invoker_win.h"
#include "outlook/gui_changer_win.h"
#include "outlook/options_pages_win.h"
#include "outlook/plugin_strings.h"
#include "outlook/res/plugin_resource.h"

#include <commctrl.h>

namespace
{
// Whether the delivery notice was shown in this run.
bool g_bDeliveryAckShown = false;

struct COptionsState
{
    uint32_t m_dwNotify = 0;
    uint32_t m_dwSend = 0;
    std::string m_sSignature;
    uint32_t m_dwReminder = 0;
    uint32_t m_dwAttendee = 0;
    uint32_t m_dwStoredReminder = 0;
    uint32_t m_dwStoredAttendee = 0;
    CSMSSpawner* m_pSpawner = nullptr;
    HWND m_hPage = nullptr;
    int m_iPage = 0;
};

constexpr int kPageTemplates[] = {IDD_OPTIONS_DELIVERY, IDD_OPTIONS_REMINDER, IDD_OPTIONS_SENDING};

constexpr CDeliveryPageIds kDeliveryIds = {IDC_NOTIFY_NONE,     IDC_NOTIFY_ALL,   IDC_NOTIFY_FAILED, IDC_REACHES_PHONE,
                                           IDC_REACHES_NETWORK, IDC_NOTIFY_EMAIL, IDC_NOTIFY_SMS};
constexpr CSendingPageIds kSendingIds = {IDC_COPY_TO_EMAIL,  IDC_SIGNATURE,       IDC_NO_SIGNATURE,
                                         IDC_SIGNATURE_TEXT, IDC_CC_NOTIFICATION, IDC_REPLIES_TO_MOBILE};

void LoadPage(const COptionsState& p_oState, HWND p_hPage, int p_iPage)
{
    if (p_iPage == 0)
        LoadDeliveryPage(p_hPage, kDeliveryIds, p_oState.m_dwNotify);
    else if (p_iPage == 1)
    {
        CheckRadioButton(p_hPage, IDC_REMINDER_SEND, IDC_REMINDER_NO_SEND,
                         p_oState.m_dwReminder ? IDC_REMINDER_SEND : IDC_REMINDER_NO_SEND);
        CheckRadioButton(p_hPage, IDC_ATTENDEE_SEND, IDC_ATTENDEE_NO_SEND,
                         p_oState.m_dwAttendee ? IDC_ATTENDEE_SEND : IDC_ATTENDEE_NO_SEND);
    }
    else
        LoadSendingPage(p_hPage, kSendingIds, p_oState.m_dwSend, p_oState.m_sSignature);
}

// Checks the page and copies its controls into the state; false (the page stays) when it refuses.
bool SavePage(COptionsState& p_oState, HWND p_hPage, int p_iPage)
{
    if (p_iPage == 0)
    {
        if (!ReadDeliveryPage(p_hPage, kDeliveryIds, p_oState.m_dwNotify))
        {
            ShowMessageBox(GetParent(p_hPage), PluginText(plugin_string::kNotifyWhenText),
                           PluginText(plugin_string::kNotifyWhenCaption), MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
    }
    else if (p_iPage == 1)
    {
        p_oState.m_dwReminder = PageChecked(p_hPage, IDC_REMINDER_SEND) ? 1 : 0;
        p_oState.m_dwAttendee = PageChecked(p_hPage, IDC_ATTENDEE_SEND) ? 1 : 0;
    }
    else
        ReadSendingPage(p_hPage, kSendingIds, p_oState.m_dwSend, p_oState.m_sSignature);
    return true;
}

INT_PTR CALLBACK DeliveryAckProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("DeliveryAckProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
            return TRUE;
        if (p_uMsg == WM_COMMAND && (LOWORD(p_wParam) == IDOK || LOWORD(p_wParam) == IDCANCEL))
        {
            const bool dontShow = LOWORD(p_wParam) == IDOK && PageChecked(p_hDlg, IDC_DONT_SHOW_AGAIN);
            EndDialog(p_hDlg, dontShow ? 2 : 1);
            return TRUE;
        }
        return FALSE;
    });
}

void WarnDeliveryAck(HWND p_hPage)
{
    if (g_bDeliveryAckShown)
        return;
    g_bDeliveryAckShown = true;
    CRegistry registry;
    if (registry.ReadUserText("WarnDelivACK") == "FALSE")
        return;
    if (DialogBoxParamA(g_hPluginInstance, MAKEINTRESOURCEA(IDD_DELIVERY_ACK), GetParent(p_hPage), DeliveryAckProc,
                        0) == 2)
        (void)registry.WriteUserText("WarnDelivACK", "FALSE");
}

INT_PTR CALLBACK PageProc(HWND p_hPage, UINT p_uMsg, WPARAM p_wParam, LPARAM)
{
    return TrapExceptions("PageProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (p_uMsg == WM_INITDIALOG)
            return TRUE;
        if (p_uMsg != WM_COMMAND || HIWORD(p_wParam) != BN_CLICKED)
            return FALSE;
        const int id = LOWORD(p_wParam);
        if (id >= IDC_NOTIFY_NONE && id <= IDC_NOTIFY_FAILED)
            EnableDeliveryDetails(p_hPage, kDeliveryIds);
        else if (id == IDC_REACHES_PHONE && PageChecked(p_hPage, IDC_REACHES_PHONE))
            WarnDeliveryAck(p_hPage);
        return TRUE;
    });
}

void ShowPage(HWND p_hDlg, COptionsState& p_oState, int p_iPage)
{
    p_oState.m_iPage = p_iPage;
    p_oState.m_hPage = ShowTabPage(p_hDlg, GetDlgItem(p_hDlg, IDC_OPTIONS_TABS), p_oState.m_hPage, g_hPluginInstance,
                                   kPageTemplates[p_iPage], PageProc);
    if (p_oState.m_hPage != nullptr)
        LoadPage(p_oState, p_oState.m_hPage, p_iPage);
}

void SaveAll(const COptionsState& p_oState)
{
    CRegistry registry;
    (void)LOG_IF_WIN32_BOOL_FALSE(registry.SetNotifyDefaults(p_oState.m_dwNotify));
    (void)LOG_IF_WIN32_BOOL_FALSE(registry.SetSendDefaults(p_oState.m_dwSend, p_oState.m_sSignature));
    (void)LOG_IF_WIN32_BOOL_FALSE(registry.WriteOptionsDword("Reminder", p_oState.m_dwReminder));
    (void)LOG_IF_WIN32_BOOL_FALSE(registry.WriteOptionsDword("Attendee", p_oState.m_dwAttendee));
    if (p_oState.m_dwReminder != p_oState.m_dwStoredReminder || p_oState.m_dwAttendee != p_oState.m_dwStoredAttendee)
    {
        const int answer = ShowMessageBox(nullptr, PluginText(plugin_string::kDefaultsChangingText),
                                          PluginText(plugin_string::kDefaultsChanging), MB_YESNO | MB_ICONQUESTION);
        if (p_oState.m_pSpawner != nullptr)
            p_oState.m_pSpawner->ChangeReminderForm(answer == IDYES);
    }
    CallPenhold("NotifyNewCCMobileDefaults", false, 0, nullptr);
}

INT_PTR CALLBACK OptionsProc(HWND p_hDlg, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions("OptionsProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        auto* state = reinterpret_cast<COptionsState*>(GetWindowLongPtrA(p_hDlg, DWLP_USER));
        switch (p_uMsg)
        {
        case WM_INITDIALOG: {
            state = reinterpret_cast<COptionsState*>(p_lParam);
            SetWindowLongPtrA(p_hDlg, DWLP_USER, p_lParam);
            const std::string names[] = {PluginText(plugin_string::kTabDelivery),
                                         PluginText(plugin_string::kTabReminder),
                                         PluginText(plugin_string::kTabSending)};
            AddTabPages(GetDlgItem(p_hDlg, IDC_OPTIONS_TABS), names, 3);
            ShowPage(p_hDlg, *state, 0);
            return TRUE;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(p_lParam);
            if (state == nullptr || header->idFrom != IDC_OPTIONS_TABS)
                return FALSE;
            if (header->code == TCN_SELCHANGING)
            {
                // A page that refuses keeps its tab.
                SetWindowLongPtrA(p_hDlg, DWLP_MSGRESULT,
                                  SavePage(*state, state->m_hPage, state->m_iPage) ? FALSE : TRUE);
                return TRUE;
            }
            if (header->code == TCN_SELCHANGE)
                ShowPage(p_hDlg, *state, TabCtrl_GetCurSel(header->hwndFrom));
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(p_wParam) == IDOK && state != nullptr)
            {
                if (!SavePage(*state, state->m_hPage, state->m_iPage))
                    return TRUE;
                SaveAll(*state);
                EndDialog(p_hDlg, IDOK);
                return TRUE;
            }
            if (LOWORD(p_wParam) == IDCANCEL)
            {
                EndDialog(p_hDlg, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    });
}
} // namespace

bool ShowOptionsDialog(HWND p_hParent, CSMSSpawner* p_pSpawner)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    COptionsState state;
    state.m_pSpawner = p_pSpawner;
    CRegistry registry;
    registry.GetNotifyDefaults(state.m_dwNotify);
    registry.GetSendDefaults(state.m_dwSend, state.m_sSignature);
    if (!registry.ReadOptionsDword("Reminder", state.m_dwReminder))
        state.m_dwReminder = 0;
    if (!registry.ReadOptionsDword("Attendee", state.m_dwAttendee))
        state.m_dwAttendee = 0;
    state.m_dwStoredReminder = state.m_dwReminder;
    state.m_dwStoredAttendee = state.m_dwAttendee;
    return DialogBoxParamA(g_hPluginInstance, MAKEINTRESOURCEA(IDD_OPTIONS), p_hParent, OptionsProc,
                           reinterpret_cast<LPARAM>(&state)) == IDOK;
}
