// outlook/command_invoker_win.cpp: starting the compose server's monitors and running the menu's
// commands: compose server calls, web pages, the feedback mail, the dialogs.
#include "outlook/command_invoker_win.h"

#include "common/failure_log.h"
#include "common/late_bound_win.h"
#include "common/mapi_owner_win.h"
#include "common/message_box_win.h"
#include "common/settings.h"
#include "common/trace_log.h"
#include "outlook/options_dialog_win.h"
#include "outlook/plugin_rules.h"
#include "outlook/plugin_strings.h"
#include "outlook/res/plugin_resource.h"
#include "outlook/toolbar_definition.h"

#include <shellapi.h>

#include <cctype>

namespace
{
using PFN_PenholdWithThread = BOOL(WINAPI*)(DWORD);
using PFN_PenholdPlain = BOOL(WINAPI*)();

// -1 until asked; then whether this process is the first Outlook 98 start.
int g_iFirstOutlook98Run = -1;

std::string InstallText(const char* p_szName, const char* p_szDefault)
{
    CRegistry registry;
    std::string value;
    if (!registry.ReadInstallText(p_szName, value) || value.empty())
        return p_szDefault;
    return value;
}

bool ReadTokenSetting(const std::string& p_sName, std::string& p_sValue)
{
    CRegistry registry;
    std::vector<uint8_t> data;
    const bool install = p_sName == "Version";
    if (!registry.ReadRegistry(install ? ERegRoot::LocalMachine : ERegRoot::CurrentUser,
                               install ? kInstallKey : kUserKey, p_sName, true, data))
        return false;
    p_sValue.assign(data.begin(), data.end());
    const size_t end = p_sValue.find('\0');
    if (end != std::string::npos)
        p_sValue.resize(end);
    return true;
}

bool ShellOpen(HWND p_hWnd, const std::string& p_sTarget, const char* p_szParameters = nullptr)
{
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(p_hWnd, "open", p_sTarget.c_str(), p_szParameters, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return true;
    Log("Shell Execute failed\n");
    LOG_FAILURE("ShellExecute of %s returned %d", p_sTarget.c_str(), static_cast<int>(result));
    return false;
}
} // namespace

bool IsFirstOutlook98Run(int p_iHostVersionCode)
{
    if (p_iHostVersionCode != 2)
        return false;
    if (g_iFirstOutlook98Run >= 0)
        return g_iFirstOutlook98Run == 1;
    CRegistry registry;
    std::vector<uint8_t> data;
    g_iFirstOutlook98Run = 0;
    if (!registry.ReadRegistry(ERegRoot::CurrentUser, kOptionsKey, "DoneOnce", false, data))
    {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        {
            (void)registry.WriteOptionsDword("DoneOnce", 1);
            g_iFirstOutlook98Run = 1;
        }
    }
    return g_iFirstOutlook98Run == 1;
}

void CallPenhold(const char* p_szExport, bool p_bWithArgument, DWORD p_dwArgument, unique_hmodule* p_pKeep)
{
    std::string path;
    CRegistry registry;
    if (!registry.ReadInstallText("Penhold", path) || path.empty())
        return;
    unique_hmodule penhold(LoadLibraryA(path.c_str()));
    if (!penhold)
        return;
    FARPROC function = GetProcAddress(penhold.get(), p_szExport);
    if (function == nullptr)
        return;
    if (p_bWithArgument)
        (void)reinterpret_cast<PFN_PenholdWithThread>(reinterpret_cast<void*>(function))(p_dwArgument);
    else
        (void)reinterpret_cast<PFN_PenholdPlain>(reinterpret_cast<void*>(function))();
    // The hook lives in the library: it stays loaded as long as the command runner.
    if (p_pKeep != nullptr)
        *p_pKeep = std::move(penhold);
}

CCommandInvoker::CCommandInvoker(HWND p_hExplorer, int p_iHostVersionCode)
    : m_hExplorer(p_hExplorer), m_iHostVersionCode(p_iHostVersionCode)
{
}

bool CCommandInvoker::ActualInit(IUnknown* p_pSession, IUnknown* p_pApplication)
{
    com_ptr<IUnknown> session;
    com_ptr<IUnknown> application;
    HRESULT hr =
        p_pSession != nullptr ? LOG_IF_FAILED(p_pSession->QueryInterface(IID_IUnknown, session.put_void())) : E_POINTER;
    const char* failedCall = "msSession->QueryInterface";
    if (SUCCEEDED(hr))
    {
        hr = p_pApplication != nullptr
                 ? LOG_IF_FAILED(p_pApplication->QueryInterface(IID_IUnknown, application.put_void()))
                 : E_POINTER;
        failedCall = "p_IDispApp->QueryInterface";
    }
    if (FAILED(hr))
    {
        ShowMessageBox(GetDesktopWindow(),
                       PluginText(plugin_string::kCallFailed, failedCall, static_cast<unsigned>(hr),
                                  "CCommandInvoker::ActualInit"),
                       PluginText(plugin_string::kErrorOccurred), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
        return false;
    }
    if (!m_oSpawner.Create(m_iHostVersionCode, session.get(), application.get(), m_hExplorer))
    {
        ShowMessageBox(GetDesktopWindow(),
                       PluginText(plugin_string::kConstructFailed, "CSMSSpawner", "CCommandInvoker::ActualInit"),
                       PluginText(plugin_string::kErrorOccurred), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
        return false;
    }
    if (IsFirstOutlook98Run(m_iHostVersionCode))
        return true;
    m_oSpawner.StartReminderMonitor();
    StartPenhold();
    m_oSpawner.StartMailMonitor(GetCurrentProcessId());
    m_oSpawner.StartVMIfNecessary(GetDesktopWindow());
    return true;
}

void CCommandInvoker::StartPenhold()
{
    CallPenhold("SetCBTHook", true, GetWindowThreadProcessId(m_hExplorer, nullptr), &m_hPenhold);
}

namespace
{
// The first selected item's entry id as upper-case hex text and its length in bytes, through the
// extension callback; false when nothing is selected or it cannot be read.
bool SelectedEntryOfCallback(exchext::IExchExtCallback* p_pCallback, ULONG& p_ulBytes, std::string& p_sHex)
{
    ULONG count = 0;
    HRESULT hr = p_pCallback->GetSelectionCount(&count);
    if (FAILED(hr))
    {
        Log("Failed to get a count 0x%x\n", static_cast<unsigned>(hr));
        return false;
    }
    Log("Num selected %d\n", static_cast<int>(count));
    if (count == 0)
        return false;
    ENTRYID* entry = nullptr;
    ULONG type = 0;
    ULONG flags = 0;
    char messageClass[256] = {};
    hr = p_pCallback->GetSelectionItem(0, &p_ulBytes, &entry, &type, messageClass, sizeof messageClass - 1, &flags, 0);
    unique_mapi_buffer<ENTRYID> entryOwner(entry);
    if (FAILED(hr) || entry == nullptr)
    {
        Log("GetSelectionItem failed 0x%x\n", static_cast<unsigned>(hr));
        return false;
    }
    p_sHex = EntryIdHex(reinterpret_cast<const uint8_t*>(entry), p_ulBytes);
    return true;
}

// The same through the explorer object's Selection (a command-bar click has no callback).
bool SelectedEntryOfExplorer(IDispatch* p_pExplorer, ULONG& p_ulBytes, std::string& p_sHex)
{
    const CVariant selection = GetMember(p_pExplorer, L"Selection");
    const long count = GetMember(selection.Object(), L"Count").Number(-1);
    if (count < 0)
    {
        Log("Failed to get a count 0x%x\n", static_cast<unsigned>(E_FAIL));
        return false;
    }
    Log("Num selected %d\n", static_cast<int>(count));
    if (count == 0)
        return false;
    const CVariant first(1L);
    const CVariant item = GetMember(selection.Object(), L"Item", {&first.m_v});
    std::string hex = GetMember(item.Object(), L"EntryID").Text();
    const bool valid =
        !hex.empty() && hex.size() % 2 == 0 && hex.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
    if (!valid)
    {
        Log("GetSelectionItem failed 0x%x\n", static_cast<unsigned>(E_FAIL));
        return false;
    }
    for (char& c : hex)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    p_ulBytes = static_cast<ULONG>(hex.size() / 2);
    p_sHex = std::move(hex);
    return true;
}
} // namespace

bool CCommandInvoker::ReplyOrForward(HWND p_hWnd, exchext::IExchExtCallback* p_pCallback, IDispatch* p_pExplorer,
                                     bool p_bReply)
{
    ULONG entryBytes = 0;
    std::string hex;
    const bool selected = p_pCallback != nullptr   ? SelectedEntryOfCallback(p_pCallback, entryBytes, hex)
                          : p_pExplorer != nullptr ? SelectedEntryOfExplorer(p_pExplorer, entryBytes, hex)
                                                   : false;
    if (!selected)
        return false;
    std::string sender;
    std::string text;
    if (!m_oSpawner.GetEmailDetails(entryBytes, hex, sender, text))
        return false;
    return m_oSpawner.CreateNewSMS(p_hWnd, p_bReply ? sender : std::string(), text);
}

bool CCommandInvoker::OpenWebTarget(HWND p_hWnd, const std::string& p_sTarget)
{
    std::string target;
    if (!SubstituteTargetTokens(p_sTarget, ReadTokenSetting, m_vTokenCache, target))
    {
        LOG_FAILURE("a setting of the target %s could not be read", p_sTarget.c_str());
        return false;
    }
    if (ShellOpen(p_hWnd, target))
        return true;
    ShowMessageBox(p_hWnd, PluginText(plugin_string::kBrowserFailedText), PluginText(plugin_string::kBrowserFailed),
                   MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CCommandInvoker::OpenPage(HWND p_hWnd, const char* p_szSetting, const char* p_szDefault)
{
    return OpenWebTarget(p_hWnd, InstallText(p_szSetting, p_szDefault));
}

bool CCommandInvoker::RunViral()
{
    std::string program;
    CRegistry registry;
    if (!registry.ReadInstallText("Viral", program) || program.empty())
    {
        Log("Shell Execute failed\n");
        return false;
    }
    const std::string parameters = "O " + std::to_string(m_iHostVersionCode);
    return ShellOpen(m_hExplorer, program, parameters.c_str());
}

bool CCommandInvoker::IsCommand(uint32_t p_uResourceId)
{
    constexpr uint32_t kCommands[] = {
        ID_NEW_SMS, ID_NEW_REMINDER, ID_REPLY_VIA_SMS,   ID_FORWARD_VIA_SMS, ID_VIEW_REPORTS, ID_CHECK_UPGRADE,
        ID_OPTIONS, ID_INBOX_RULES,  ID_TEMPLATE_EDITOR, ID_SYNC_REMINDERS,  ID_ONLINE_HELP,  ID_ONLINE_HELP_TOOLBAR,
        ID_FAQ,     ID_WHATS_NEW,    ID_ABOUT,           ID_HELP_PAGE,       ID_CONTACT_US,   ID_FEEDBACK,
        ID_VIRAL,   ID_NOTHING,      ID_LINK_BUFFER_1,   ID_LINK_BUFFER_2};
    for (const uint32_t command : kCommands)
        if (command == p_uResourceId)
            return true;
    return false;
}

bool CCommandInvoker::ExecuteTarget(const std::string& p_sTarget, HWND p_hWnd, exchext::IExchExtCallback* p_pCallback,
                                    IDispatch* p_pExplorer)
{
    int action = 0;
    if (!ParseActionTarget(p_sTarget, action))
        return OpenWebTarget(p_hWnd, p_sTarget);
    if (action <= 0 || !IsCommand(static_cast<uint32_t>(action)))
    {
        ShowMessageBox(p_hWnd, PluginText(plugin_string::kUnknownActionText), PluginText(plugin_string::kUnknownAction),
                       MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return Execute(static_cast<uint32_t>(action), p_hWnd, p_pCallback, p_pExplorer);
}

bool CCommandInvoker::Execute(uint32_t p_uResourceId, HWND p_hWnd, exchext::IExchExtCallback* p_pCallback,
                              IDispatch* p_pExplorer)
{
    switch (p_uResourceId)
    {
    case ID_NEW_SMS:
        if (m_oSpawner.CreateNewSMS(p_hWnd, std::string(), std::string()))
            return true;
        Log("Failed to display new message\n");
        return false;
    case ID_NEW_REMINDER:
        return m_oSpawner.CreateReminder(p_hWnd);
    case ID_REPLY_VIA_SMS:
    case ID_FORWARD_VIA_SMS:
        return ReplyOrForward(p_hWnd, p_pCallback, p_pExplorer, p_uResourceId == ID_REPLY_VIA_SMS);
    case ID_VIEW_REPORTS:
        return OpenPage(p_hWnd, "UserSite", "http://sms.brevolt.example/reports?user=$$EMAIL");
    case ID_CHECK_UPGRADE:
        return OpenPage(p_hWnd, "DownloadsPage", "http://www.brevolt.example/downloads?version=$$VERSION");
    case ID_OPTIONS:
        return ShowOptionsDialog(p_hWnd, &m_oSpawner);
    case ID_INBOX_RULES:
        return m_oSpawner.ShowRuleManager(p_hWnd);
    case ID_TEMPLATE_EDITOR:
        return m_oSpawner.ShowTemplateEditor(p_hWnd);
    case ID_SYNC_REMINDERS:
        return m_oSpawner.ShowSyncReminders(p_hWnd);
    case ID_ONLINE_HELP:
    case ID_ONLINE_HELP_TOOLBAR:
    case ID_HELP_PAGE:
        return OpenPage(p_hWnd, "HelpPage", "http://www.brevolt.example/help");
    case ID_FAQ:
        return OpenPage(p_hWnd, "FAQPage", "http://www.brevolt.example/faq");
    case ID_WHATS_NEW:
        return OpenPage(p_hWnd, "WhatsNewPage", "http://www.brevolt.example/whatsnew");
    case ID_CONTACT_US:
        return OpenPage(p_hWnd, "ContactPage", "http://www.brevolt.example/contact");
    case ID_ABOUT:
        return ShowAboutBox(p_hWnd);
    case ID_FEEDBACK:
        return ShellOpen(p_hWnd, "mailto:" + InstallText("FeedbackAddress", "feedback@brevolt.example") +
                                     "?subject=Feedback%20on%20Brevolt");
    case ID_VIRAL:
        return RunViral();
    case ID_NOTHING:
    case ID_LINK_BUFFER_1:
    case ID_LINK_BUFFER_2:
        return true;
    default:
        return false;
    }
}
