// compose/ui/sms_window_commands.cpp: the compose window's commands: a table from command id to the
// member that handles it, and the handlers.
#include "compose/ui/sms_window.h"

#include "Addressbook/include/package_kinds.h"
#include "common/failure_log.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/text_win.h"
#include "common/trace_log.h"
#include "compose/quillet_strings.h"
#include "compose/res/resource.h"
#include "compose/send_rules.h"
#include "compose/ui/print_win.h"
#include "compose/ui/sms_window_parts.h"

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>
#include <shellapi.h>

#include <iterator>

namespace
{
// The emoticon commands, ID_EMOTICON_FIRST.. in menu order, and the text each one types.
constexpr int kEmoticonCommands[] = {32815, 32816, 32817, 32818, 32819, 32820, 32821, 32822,
                                     32823, 32824, 32825, 32840, 32841, 32842, 32843, 32846};
constexpr const char* kEmoticons[] = {":)",      ":-)", ":(",   ":-(", ":|",  "8-)", "8-(", ";-)",
                                      "-----{@", "b-/", "<:-|", ":-6", ":-S", ":-$", ":-x", ":-D"};
static_assert(std::size(kEmoticonCommands) == std::size(kEmoticons));

struct CHelpPage
{
    int m_iCommand;
    const char* m_szPage; // null: the web site's front page
};
constexpr CHelpPage kHelpPages[] = {
    {ID_HELP_CONTENTS, "contents_and_index"},
    {ID_HELP_ONLINE_SUPPORT, "contents_and_index"},
    {ID_HELP_READ_ME, "read_me"},
    {ID_HELP_NEWS, "product_news"},
    {ID_HELP_FAQ, "faq"},
    {ID_HELP_WEB_PAGE, nullptr},
};
} // namespace

bool CSMSWindow::OnCommand(WPARAM p_wParam, LPARAM p_lParam)
{
    const CCommand command{LOWORD(p_wParam), HIWORD(p_wParam), p_lParam};
    const CommandHandler handler = HandlerOf(command.m_iId);
    if (handler == nullptr)
        return false;
    (this->*handler)(command);
    return true;
}

CSMSWindow::CommandHandler CSMSWindow::HandlerOf(int p_iCommand)
{
    static const CCommandRow s_aRows[] = {
        {ID_FILE_NEW_SMS, ID_FILE_NEW_SMS, &CSMSWindow::OnNewSMS},
        {ID_MESSAGE_NEW_SMS, ID_MESSAGE_NEW_SMS, &CSMSWindow::OnNewSMS},
        {ID_FILE_NEW_MAIL, ID_FILE_NEW_MAIL, &CSMSWindow::OnNewMail},
        {ID_FILE_NEW_NEWS, ID_FILE_NEW_NEWS, &CSMSWindow::OnNewNews},
        {ID_FILE_OPEN, ID_FILE_OPEN, &CSMSWindow::OnOpenCommand},
        {ID_FILE_IMPORT, ID_FILE_IMPORT, &CSMSWindow::OnImportCommand},
        {ID_FILE_SEND, ID_FILE_SEND, &CSMSWindow::OnSendCommand},
        {ID_FILE_SAVE, ID_FILE_SAVE, &CSMSWindow::OnSaveCommand},
        {ID_FILE_SAVE_AS, ID_FILE_SAVE_AS, &CSMSWindow::OnSaveCommand},
        {ID_FILE_PRINT, ID_FILE_PRINT, &CSMSWindow::OnPrintCommand},
        {ID_FILE_CLOSE, ID_FILE_CLOSE, &CSMSWindow::OnCloseCommand},
        {IDCANCEL, IDCANCEL, &CSMSWindow::OnCloseCommand},
        {ID_EDIT_UNDO, ID_EDIT_UNDO, &CSMSWindow::OnEditCommand},
        {ID_EDIT_REDO, ID_EDIT_REDO, &CSMSWindow::OnEditCommand},
        {ID_EDIT_CUT, ID_EDIT_CUT, &CSMSWindow::OnEditCommand},
        {ID_EDIT_COPY, ID_EDIT_COPY, &CSMSWindow::OnEditCommand},
        {ID_EDIT_PASTE, ID_EDIT_PASTE, &CSMSWindow::OnEditCommand},
        {ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, &CSMSWindow::OnEditCommand},
        {ID_VIEW_MENU_BAR, ID_VIEW_MENU_BAR, &CSMSWindow::OnViewCommand},
        {ID_VIEW_STANDARD_BUTTONS, ID_VIEW_STANDARD_BUTTONS, &CSMSWindow::OnViewCommand},
        {ID_VIEW_DELIVERY_BAR, ID_VIEW_DELIVERY_BAR, &CSMSWindow::OnViewCommand},
        {ID_VIEW_BULK_BAR, ID_VIEW_BULK_BAR, &CSMSWindow::OnViewCommand},
        {ID_VIEW_UTILITY_BAR, ID_VIEW_UTILITY_BAR, &CSMSWindow::OnViewCommand},
        {ID_TOOLS_CHECK_NAMES, ID_TOOLS_CHECK_NAMES, &CSMSWindow::OnCheckNamesCommand},
        {ID_TOOLS_SELECT_RECIPIENTS, ID_TOOLS_SELECT_RECIPIENTS, &CSMSWindow::OnSelectRecipientsCommand},
        {kIdToButton, kIdToButton, &CSMSWindow::OnSelectRecipientsCommand},
        {kIdCcButton, kIdCcButton, &CSMSWindow::OnSelectRecipientsCommand},
        {ID_TOOLS_PREVIEW, ID_TOOLS_PREVIEW, &CSMSWindow::OnPreviewCommand},
        {ID_TOOLS_SUMMARY, ID_TOOLS_SUMMARY, &CSMSWindow::OnSummaryCommand},
        {ID_TEMPLATE_GENERATE, ID_TEMPLATE_GENERATE, &CSMSWindow::OnTemplateGenerateCommand},
        {ID_TEMPLATE_RECENT_FIRST, ID_TEMPLATE_RECENT_LAST, &CSMSWindow::OnRecentTemplateCommand},
        {ID_TOOLS_COMPRESS, ID_TOOLS_COMPRESS, &CSMSWindow::OnCompressCommand},
        {ID_TOOLS_CC_EMAIL, ID_TOOLS_CC_EMAIL, &CSMSWindow::OnCcEmailCommand},
        {ID_NOTIFY_NEVER, ID_NOTIFY_NEVER, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_FAILED, ID_NOTIFY_FAILED, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_ALL, ID_NOTIFY_ALL, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_EMAIL, ID_NOTIFY_EMAIL, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_ONCE, ID_NOTIFY_ONCE, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_SUBPART, ID_NOTIFY_SUBPART, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_MY_PHONE, ID_NOTIFY_MY_PHONE, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_NETWORK, ID_NOTIFY_NETWORK, &CSMSWindow::OnNotifyCommand},
        {ID_NOTIFY_PHONE, ID_NOTIFY_PHONE, &CSMSWindow::OnNotifyCommand},
        {ID_REPLY_NONE, ID_REPLY_NONE, &CSMSWindow::OnReplyCommand},
        {ID_REPLY_EMAIL, ID_REPLY_EMAIL, &CSMSWindow::OnReplyCommand},
        {ID_REPLY_EMAIL_MOBILE, ID_REPLY_EMAIL_MOBILE, &CSMSWindow::OnReplyCommand},
        {ID_HELP_CONTENTS, ID_HELP_CONTENTS, &CSMSWindow::OnHelpPageCommand},
        {ID_HELP_ONLINE_SUPPORT, ID_HELP_ONLINE_SUPPORT, &CSMSWindow::OnHelpPageCommand},
        {ID_HELP_READ_ME, ID_HELP_READ_ME, &CSMSWindow::OnHelpPageCommand},
        {ID_HELP_NEWS, ID_HELP_NEWS, &CSMSWindow::OnHelpPageCommand},
        {ID_HELP_FAQ, ID_HELP_FAQ, &CSMSWindow::OnHelpPageCommand},
        {ID_HELP_WEB_PAGE, ID_HELP_WEB_PAGE, &CSMSWindow::OnHelpPageCommand},
        {ID_HELP_FEEDBACK, ID_HELP_FEEDBACK, &CSMSWindow::OnHelpMailCommand},
        {ID_HELP_FEEDBACK2, ID_HELP_FEEDBACK2, &CSMSWindow::OnHelpMailCommand},
        {ID_HELP_SUPPORT, ID_HELP_SUPPORT, &CSMSWindow::OnHelpMailCommand},
        {ID_HELP_ABOUT, ID_HELP_ABOUT, &CSMSWindow::OnAboutCommand},
        {kIdInsertToken, kIdInsertToken, &CSMSWindow::OnInsertTokenCommand},
        {kIdSenderIdOption, kIdSenderIdOption, &CSMSWindow::OnSenderIdOption},
        {kIdDeliverNow, kIdDeliverNow, &CSMSWindow::OnDeliveryChoice},
        {kIdDeliverOn, kIdDeliverOn, &CSMSWindow::OnDeliveryChoice},
        {kIdReplies, kIdReplies, &CSMSWindow::OnRepliesChoice},
        {kIdSMSLimit, kIdSMSLimit, &CSMSWindow::OnSMSLimitChange},
        {kIdToField, kIdToField, &CSMSWindow::OnRecipientFieldChange},
        {kIdCcField, kIdCcField, &CSMSWindow::OnRecipientFieldChange},
        {kIdBodyField, kIdBodyField, &CSMSWindow::OnBodyChange},
        {ID_EMOTICON_FIRST, ID_EMOTICON_ELEVENTH, &CSMSWindow::OnEmoticon},
        {ID_EMOTICON_TWELFTH, ID_EMOTICON_FIFTEENTH, &CSMSWindow::OnEmoticon},
        {ID_EMOTICON_SIXTEENTH, ID_EMOTICON_SIXTEENTH, &CSMSWindow::OnEmoticon},
    };
    for (const CCommandRow& row : s_aRows)
        if (p_iCommand >= row.m_iFirst && p_iCommand <= row.m_iLast)
            return row.m_pfnHandler;
    return nullptr;
}

// The opener makes new messages: Outlook Express through its own messages, Outlook through the
// commands of its window.
void CSMSWindow::OnNewSMS(const CCommand&)
{
    if (m_iPackage == kPackageOutlookExpress)
        PostMessageA(m_hParentWnd, WM_SMS_OE_NEWSMS, 0, 0);
    else
        PostMessageA(m_hParentWnd, WM_COMMAND, kIdOutlookNewSMS, 0);
}

void CSMSWindow::OnNewMail(const CCommand&)
{
    if (m_iPackage == kPackageOutlookExpress)
        PostMessageA(m_hParentWnd, WM_SMS_OE_NEWMAIL, 0, 0);
    else
        PostMessageA(m_hParentWnd, WM_COMMAND, kIdOutlookNewMail, 0);
}

void CSMSWindow::OnNewNews(const CCommand&)
{
    PostMessageA(m_hParentWnd, WM_SMS_OE_NEWNEWS, 0, 0);
}

void CSMSWindow::OnOpenCommand(const CCommand&)
{
    OpenFile();
}

void CSMSWindow::OnImportCommand(const CCommand&)
{
    ImportList();
}

void CSMSWindow::OnSendCommand(const CCommand&)
{
    OnFileSend();
}

void CSMSWindow::OnSaveCommand(const CCommand& p_oCommand)
{
    // A save the user turned down or that failed has said so already.
    (void)Save(p_oCommand.m_iId == ID_FILE_SAVE_AS);
}

void CSMSWindow::OnPrintCommand(const CCommand&)
{
    // The print queue names the job after the window's title (the file, or a new message).
    const std::string title = ControlText(m_hWnd);
    PrintText(m_hWnd, FieldText(kIdBodyField), !title.empty() ? title : QuilletText(kQTitleNewMessage));
}

void CSMSWindow::OnCloseCommand(const CCommand&)
{
    PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

void CSMSWindow::OnEditCommand(const CCommand& p_oCommand)
{
    // The focused control: the body or a recipient field.
    (void)compose_frame::SendEditCommand(GetFocus(), p_oCommand.m_iId);
}

void CSMSWindow::OnViewCommand(const CCommand& p_oCommand)
{
    ToggleBar(p_oCommand.m_iId);
}

void CSMSWindow::OnCheckNamesCommand(const CCommand&)
{
    HWND progress = nullptr;
    SetCursor(BusyCursor());
    // A check that fails has told the user why.
    (void)CheckNames("", &progress);
    if (progress != nullptr)
        m_p_abcoBinding->m_pfnDeleteProgressBar(&progress);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void CSMSWindow::OnSelectRecipientsCommand(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode == BN_CLICKED || p_oCommand.m_iId == ID_TOOLS_SELECT_RECIPIENTS)
        SelectRecipients();
}

void CSMSWindow::OnCompressCommand(const CCommand&)
{
    if (m_oBodyField.Compress(m_hWnd, m_p_abcoBinding->m_pfnCompressWithDialog, m_p_abcoBinding->m_pfnFreeString))
        ShowBulkState();
}

void CSMSWindow::OnCcEmailCommand(const CCommand&)
{
    m_dwNotifyFlags ^= kSendCopyToEmail;
    ApplyFlagsToMenu();
}

void CSMSWindow::OnNotifyCommand(const CCommand& p_oCommand)
{
    m_dwNotifyFlags = compose::ApplyNotifyCommand(p_oCommand.m_iId, m_dwNotifyFlags);
    ApplyFlagsToMenu();
}

void CSMSWindow::OnReplyCommand(const CCommand& p_oCommand)
{
    m_dwNotifyFlags = compose::ApplyNotifyCommand(p_oCommand.m_iId, m_dwNotifyFlags);
    m_oDeliverybar.SetReplies(compose::RepliesIndexOf(m_dwNotifyFlags));
    ApplyFlagsToMenu();
}

void CSMSWindow::OnHelpPageCommand(const CCommand& p_oCommand)
{
    for (const CHelpPage& page : kHelpPages)
        if (page.m_iCommand == p_oCommand.m_iId)
            OpenPage(page.m_szPage);
}

void CSMSWindow::OnHelpMailCommand(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iId == ID_HELP_SUPPORT)
        ComposeMail("SupportAddress", "support@brevolt.example", "Brevolt Support");
    else
        ComposeMail("FeedbackAddress", "feedback@brevolt.example", "Feedback on Brevolt");
}

void CSMSWindow::OnAboutCommand(const CCommand&)
{
    (void)ShowMessageBox(m_hWnd, std::string(kProductTitle) + "\nVersion 1.0", std::string("About ") + kProductTitle,
                         MB_OK | MB_ICONINFORMATION);
}

void CSMSWindow::OnInsertTokenCommand(const CCommand&)
{
    InsertToken();
}

void CSMSWindow::OnSenderIdOption(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode != BN_CLICKED)
        return;
    m_oBulkbar.OnSenderIdOption(m_hWnd);
    ShowBulkState();
}

void CSMSWindow::OnDeliveryChoice(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode == BN_CLICKED)
        m_oDeliverybar.OnDeliveryChoice();
}

void CSMSWindow::OnRepliesChoice(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode != CBN_SELCHANGE)
        return;
    m_dwNotifyFlags = compose::ApplyRepliesIndex(m_oDeliverybar.Replies(), m_dwNotifyFlags);
    ApplyFlagsToMenu();
}

void CSMSWindow::OnSMSLimitChange(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode == EN_KILLFOCUS)
        PostMessageA(m_hWnd, WM_SMS_VALIDATELIMIT, 0, 0);
}

void CSMSWindow::OnRecipientFieldChange(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode != EN_CHANGE)
        return;
    m_bModified = true;
    PostMessageA(m_hWnd, WM_SMS_RECIPIENTSCHANGED, 0, p_oCommand.m_lParam);
}

void CSMSWindow::OnBodyChange(const CCommand& p_oCommand)
{
    if (p_oCommand.m_iCode != EN_CHANGE)
        return;
    m_bModified = true;
    ShowBulkState();
}

void CSMSWindow::OnEmoticon(const CCommand& p_oCommand)
{
    for (size_t i = 0; i < std::size(kEmoticonCommands); ++i)
        if (p_oCommand.m_iId == kEmoticonCommands[i])
        {
            m_oBodyField.ReplaceSelection(kEmoticons[i], true);
            SetFocus(m_oBodyField.Handle());
        }
}

void CSMSWindow::SelectRecipients()
{
    // The dialog starts from what the fields hold and, on OK, replaces both lists.
    Log("Calling FillRecipientList from CSMSWindow::onToolsSelectRecipients");
    if (!FillRecipientLists())
        return;
    if (!m_p_abcoBinding->m_pfnSelectRecipients(m_hWnd, &m_p_mrlTo, &m_p_mrlCc))
        return;
    ShowReplacedRecipients();
}

void CSMSWindow::OpenPage(const char* p_szPage)
{
    std::string url = sms_window::InstallText("WebPage", "http://www.brevolt.example/");
    if (p_szPage != nullptr)
        url += p_szPage;
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(m_hWnd, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        LOG_FAILURE("the browser could not be started for %s", url.c_str());
}

void CSMSWindow::ComposeMail(const char* p_szAddressValue, const char* p_szDefault, const char* p_szSubject)
{
    std::string subject = p_szSubject;
    for (size_t at = subject.find(' '); at != std::string::npos; at = subject.find(' '))
        subject.replace(at, 1, "%20");
    const std::string url = "mailto:" + sms_window::InstallText(p_szAddressValue, p_szDefault) + "?subject=" + subject;
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(m_hWnd, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        LOG_FAILURE("the browser could not be started for %s", url.c_str());
}
