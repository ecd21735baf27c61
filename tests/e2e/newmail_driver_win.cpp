// tests/e2e/newmail_driver_win.cpp: brevolt-newmail-drive, new mail arriving in the Outlook stand-in
// with the plug-in: registers the plug-in, the compose server and the client as their installers do,
// writes one notification rule, starts the client and waits for the SMS Bar; then hands an upgrade
// notice to the store's drop folder with "mapistore deliver" (another process, as mail arrives) and
// waits until the bar shows the new resource module's extra button (its picture saved); then
// delivers a mail the rule matches and waits until the SMS it causes reaches the mail server; and
// quits the client. Exit 0 when every step happened; the step that failed is printed otherwise.
#include "Addressbook/reminders/rule_manager.h"
#include "common/handle_win.h"
#include "common/settings.h"
#include "common/unique_any.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace
{
constexpr ULONG_PTR kControlMagic = 0x4F4C434C;
constexpr DWORD kBarWaitMs = 60000; // the client's start, the plug-in's Install and the bar
constexpr DWORD kMailWaitMs = 60000;
constexpr char kStandinKey[] = "Software\\Brevolt Test\\MAPI Stand-in";

struct COptions
{
    const char* m_szOutlook = nullptr;
    const char* m_szPlugin = nullptr;
    const char* m_szQuillet = nullptr;
    const char* m_szResource = nullptr;
    const char* m_szMapistore = nullptr;
    const char* m_szNotice = nullptr;   // the upgrade notice (.eml)
    const char* m_szRuleMail = nullptr; // a mail the rule matches (.eml)
    const char* m_szButton = nullptr;   // the caption of the button only the new module has
    const char* m_szDrop = nullptr;     // the stand-in's drop folder
    const char* m_szSent = nullptr;     // the mail server's folder of arrived mail
    const char* m_szRuleSubject = "";   // the rule fires on this word in a subject
    const char* m_szRuleMobile = "";
    std::string m_sShots; // a folder for the pictures (Windows path)
};

void Say(const char* p_szFormat, const std::string& p_sText = {})
{
    std::printf("newmail-drive: ");
    std::printf(p_szFormat, p_sText.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

bool WaitUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds)
{
    const ULONGLONG qwEnd = GetTickCount64() + p_dwMilliseconds;
    for (;;)
    {
        if (p_fnDone())
            return true;
        if (GetTickCount64() >= qwEnd)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
}

// Runs a command line to its end; its exit code, or -1.
int Run(const std::string& p_sCommandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = p_sCommandLine;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

std::string Quoted(const char* p_sz)
{
    return std::string("\"") + p_sz + "\"";
}

bool SetUserValue(const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    return RegSetKeyValueA(HKEY_CURRENT_USER, p_szKey, p_szName, REG_SZ, p_sValue.c_str(),
                           static_cast<DWORD>(p_sValue.size() + 1)) == ERROR_SUCCESS;
}

// The rule: a subject with the word, announced with the sender and subject to the rule's mobile.
bool WriteRule(const COptions& p_oOptions)
{
    CRegistry registry;
    CMessageRule rule;
    rule.m_aCriteria[kRuleFieldSubject].SetTriggerData(p_oOptions.m_szRuleSubject);
    rule.m_dwTriggerAction = kRuleActionSender | kRuleActionSubject;
    rule.m_bSendToMe = false;
    rule.m_sRecipientNumberCC = "27";
    rule.m_sRecipientNumber = p_oOptions.m_szRuleMobile;
    CRuleManager rules(registry);
    rules.SetRules({rule});
    return rules.SaveRules();
}

bool Register(const COptions& p_oOptions)
{
    unique_hmodule plugin(LoadLibraryA(p_oOptions.m_szPlugin));
    using PFN_Register = HRESULT(STDAPICALLTYPE*)();
    const auto registerServer =
        plugin
            ? reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(plugin.get(), "DllRegisterServer")))
            : nullptr;
    if (registerServer == nullptr || registerServer() != S_OK)
        return Say("the plug-in did not register (%s)", p_oOptions.m_szPlugin), false;
    if (Run(Quoted(p_oOptions.m_szQuillet) + " /RegServer") != 0)
        return Say("the compose server did not register"), false;
    if (Run(Quoted(p_oOptions.m_szOutlook) + " /regserver") != 0)
        return Say("the client did not register"), false;
    // The SMS Bar's definitions come from the resource module the user key names.
    if (!SetUserValue("Software\\Brevolt", "Resource", p_oOptions.m_szResource))
        return Say("the resource module could not be named"), false;
    if (!SetUserValue(kStandinKey, "DropFolder", p_oOptions.m_szDrop))
        return Say("the drop folder could not be named"), false;
    if (!WriteRule(p_oOptions))
        return Say("the rule could not be written"), false;
    return true;
}

struct CFind
{
    DWORD m_dwProcess = 0;
    const char* m_szClass = nullptr;
    std::function<bool(HWND)> m_fnMatch;
    HWND m_hFound = nullptr;
};

BOOL CALLBACK MatchWindow(HWND p_hWnd, LPARAM p_lParam)
{
    auto* find = reinterpret_cast<CFind*>(p_lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(p_hWnd, &process);
    char className[64] = {};
    GetClassNameA(p_hWnd, className, sizeof className);
    if (process != find->m_dwProcess || (find->m_szClass && lstrcmpA(className, find->m_szClass) != 0) ||
        (find->m_fnMatch && !find->m_fnMatch(p_hWnd)))
        return TRUE;
    find->m_hFound = p_hWnd;
    return FALSE;
}

HWND FindTopLevel(CFind p_oFind)
{
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&p_oFind));
    return p_oFind.m_hFound;
}

std::string ReadText(const std::string& p_sPath)
{
    std::ifstream file(p_sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class CClient
{
  public:
    [[nodiscard]] bool Start(const char* p_szExe)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string commandLine = Quoted(p_szExe);
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        m_hProcess.reset(process.hProcess);
        unique_handle thread(process.hThread);
        m_dwProcess = process.dwProcessId;
        return WaitUntil(
                   [this] {
                       m_hControl = FindTopLevel({m_dwProcess, "OutlookStandinControl", nullptr, nullptr});
                       return m_hControl != nullptr || WaitForSingleObject(m_hProcess.get(), 0) == WAIT_OBJECT_0;
                   },
                   kBarWaitMs) &&
               m_hControl != nullptr;
    }
    [[nodiscard]] bool Command(const std::string& p_sCommand) const
    {
        COPYDATASTRUCT data{kControlMagic, static_cast<DWORD>(p_sCommand.size()), const_cast<char*>(p_sCommand.data())};
        DWORD_PTR result = 0;
        return m_hControl != nullptr &&
               SendMessageTimeoutA(m_hControl, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 15000,
                                   &result) != 0 &&
               result == 1;
    }
    HWND Explorer() const
    {
        return FindTopLevel({m_dwProcess, "rctrl_renwnd32", [](HWND p_h) { return IsWindowVisible(p_h) != 0; }});
    }
    // Quits the client; its exit code, or -1 when it did not end.
    int Quit()
    {
        if (!m_hProcess)
            return -1;
        (void)Command("quit");
        if (WaitForSingleObject(m_hProcess.get(), 30000) != WAIT_OBJECT_0)
        {
            TerminateProcess(m_hProcess.get(), 9);
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_hProcess.get(), &code);
        m_hProcess.reset();
        return static_cast<int>(code);
    }
    ~CClient()
    {
        if (m_hProcess && WaitForSingleObject(m_hProcess.get(), 0) == WAIT_TIMEOUT)
            (void)Quit();
    }

  private:
    unique_handle m_hProcess;
    DWORD m_dwProcess = 0;
    HWND m_hControl = nullptr;
};

// The SMS Bar as the client shows it, with or without a button of that caption.
bool BarShows(const CClient& p_oClient, const std::string& p_sDumpPath, const std::string& p_sButton)
{
    if (!p_oClient.Command("dump-bars " + p_sDumpPath))
        return false;
    const std::string bars = ReadText(p_sDumpPath);
    const size_t bar = bars.find("bar 'SMS Bar' visible");
    if (bar == std::string::npos)
        return false;
    const size_t next = bars.find("\nbar ", bar + 1);
    const size_t button = bars.find("'" + p_sButton + "' tag", bar);
    return button != std::string::npos && (next == std::string::npos || button < next);
}

// Where the product writes a new resource module: its folder in the user's documents folder.
std::string InstalledModulePath()
{
    char documents[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents) != S_OK)
        return {};
    return std::string(documents) + "\\Brevolt SMS\\resource.dll";
}

struct find_handle_traits
{
    using pointer = HANDLE;
    static pointer invalid() noexcept
    {
        return INVALID_HANDLE_VALUE;
    }
    static void close(pointer p_h) noexcept
    {
        FindClose(p_h);
    }
};

bool AnyMailIn(const std::string& p_sFolder)
{
    WIN32_FIND_DATAA found;
    unique_any<find_handle_traits> find(FindFirstFileA((p_sFolder + "\\*").c_str(), &found));
    if (!find)
        return false;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
    while (FindNextFileA(find.get(), &found));
    return false;
}

int Drive(const COptions& p_oOptions)
{
    if (!Register(p_oOptions))
        return 2;
    CClient client;
    if (!client.Start(p_oOptions.m_szOutlook))
        return Say("the client did not start"), 3;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dump = std::string(temp) + "brevolt-newmail-drive-bars.txt";
    if (!WaitUntil([&] { return BarShows(client, dump, "New SMS"); }, kBarWaitMs))
        return Say("the SMS Bar did not show"), 4;
    if (BarShows(client, dump, p_oOptions.m_szButton))
        return Say("the bar shows '%s' before the notice came", p_oOptions.m_szButton), 4;
    Say("the SMS Bar shows New SMS");

    const std::string deliver = Quoted(p_oOptions.m_szMapistore) + " deliver ";
    if (Run(deliver + Quoted(p_oOptions.m_szNotice)) != 0)
        return Say("mapistore did not take the notice"), 5;
    const ULONGLONG delivered = GetTickCount64();
    const std::string installed = InstalledModulePath();
    CRegistry registry;
    if (!WaitUntil(
            [&] {
                return registry.ReadUserText("Resource") == installed && BarShows(client, dump, p_oOptions.m_szButton);
            },
            kMailWaitMs))
        return Say("the new module's button did not show (Resource is '%s')", registry.ReadUserText("Resource")), 6;
    Say("the bar shows the new button %s ms after the notice came", std::to_string(GetTickCount64() - delivered));
    WaitUntil([] { return false; }, 1000); // the rebuilt bar paints before its picture is taken
    if (!p_oOptions.m_sShots.empty() &&
        !SaveWindowBitmap(client.Explorer(), (p_oOptions.m_sShots + "\\newmail_sms_bar.bmp").c_str()))
        Say("the explorer's picture was not saved");

    if (Run(deliver + Quoted(p_oOptions.m_szRuleMail)) != 0)
        return Say("mapistore did not take the mail"), 7;
    if (!WaitUntil([&] { return AnyMailIn(p_oOptions.m_szSent); }, kMailWaitMs))
        return Say("no SMS reached the mail server after the rule's mail came"), 8;
    Say("the rule's SMS reached the mail server");
    const int code = client.Quit();
    if (code != 0)
        return Say("the client ended with %s", std::to_string(code)), 9;
    Say("the client ended");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    COptions options;
    const std::pair<const char*, const char**> names[] = {{"--outlook", &options.m_szOutlook},
                                                          {"--plugin", &options.m_szPlugin},
                                                          {"--quillet", &options.m_szQuillet},
                                                          {"--resource", &options.m_szResource},
                                                          {"--mapistore", &options.m_szMapistore},
                                                          {"--notice", &options.m_szNotice},
                                                          {"--rule-mail", &options.m_szRuleMail},
                                                          {"--button", &options.m_szButton},
                                                          {"--drop", &options.m_szDrop},
                                                          {"--sent", &options.m_szSent},
                                                          {"--rule-subject", &options.m_szRuleSubject},
                                                          {"--rule-mobile", &options.m_szRuleMobile}};
    bool bKnown = argc % 2 == 1;
    for (int i = 1; bKnown && i + 1 < argc; i += 2)
    {
        bKnown = false;
        if (std::strcmp(argv[i], "--shots") == 0)
            options.m_sShots = argv[i + 1], bKnown = true;
        for (const auto& [name, value] : names)
            if (std::strcmp(argv[i], name) == 0)
                *value = argv[i + 1], bKnown = true;
    }
    for (const auto& [name, value] : names)
        bKnown = bKnown && *value != nullptr;
    if (!bKnown)
    {
        std::fprintf(stderr,
                     "usage: brevolt-newmail-drive --outlook EXE --plugin DLL --quillet EXE --resource DLL --mapistore "
                     "EXE --notice EML --rule-mail EML --button CAPTION --drop DIR --sent DIR --rule-subject WORD "
                     "--rule-mobile NUMBER [--shots DIR]\n");
        return 1;
    }
    return Drive(options);
}
