// tests/e2e/cc_mobile_drive_win.cpp: brevolt-ccmobile-drive, a user of the Outlook stand-in with the
// plug-in and Penhold: registers the plug-in, the compose server and the client as their installers
// do, starts the client, opens a new mail note once the plug-in is up, ticks the note's "Notify
// mobile" box of the Cc line (only that one), types the recipients, subject and body, saves the
// note's picture and presses Send. The note closes once Outlook has submitted the e-mail and the
// plug-in has handed the CC-to-mobile notice to the compose server; the client is quit once the
// expected number of mails has reached the SMTP server's Maildir. Exit 0 when every step happened;
// the step that failed is printed otherwise.
#include "common/handle_win.h"
#include "common/unique_any.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace
{
constexpr ULONG_PTR kControlMagic = 0x4F4C434C;
constexpr DWORD kStartWaitMs = 60000; // the client's start, the plug-in's Install and the compose server's Init
constexpr DWORD kSendWaitMs = 90000;  // the e-mail's submit, then the notice's check and send
constexpr DWORD kMailWaitMs = 30000;
// The note's envelope pane, its Send command and Penhold's boxes and question (wordhook/).
constexpr int kEnvelopeId = 0xE210;
constexpr WPARAM kNoteSendCommand = 0xE200;
constexpr int kIdNotifyTo = 5345;
constexpr int kIdNotifyCc = 5346;
constexpr int kIdNotifyBcc = 5347;
constexpr UINT kMsgCCMobileChoice = WM_USER + 1;

struct COptions
{
    const char* m_szOutlook = nullptr;
    const char* m_szPlugin = nullptr;
    const char* m_szQuillet = nullptr;
    const char* m_szResource = nullptr;
    const char* m_szTo = "";
    const char* m_szCc = "";
    const char* m_szSubject = "";
    const char* m_szBody = "";
    std::string m_sShots;   // a folder for the pictures (Windows path)
    std::string m_sMaildir; // the SMTP server's Maildir (Windows path)
    int m_iMails = 0;       // how many mails must have arrived before the client is quit
};

void Say(const char* p_szFormat, const std::string& p_sText = {})
{
    std::printf("ccmobile-drive: ");
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
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// Runs a registration command line to its end; its exit code, or -1.
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
    const std::string quote = "\"";
    if (Run(quote + p_oOptions.m_szQuillet + "\" /RegServer") != 0)
        return Say("the compose server did not register"), false;
    if (Run(quote + p_oOptions.m_szOutlook + "\" /regserver") != 0)
        return Say("the client did not register"), false;
    const DWORD cb = static_cast<DWORD>(std::strlen(p_oOptions.m_szResource) + 1);
    if (RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Brevolt", "Resource", REG_SZ, p_oOptions.m_szResource, cb) !=
        ERROR_SUCCESS)
        return Say("the resource module could not be named"), false;
    return true;
}

struct CFind
{
    DWORD m_dwProcess = 0; // 0: any
    const char* m_szClass = nullptr;
    std::function<bool(HWND)> m_fnMatch;
    HWND m_hFound = nullptr;
};

DWORD ProcessOf(HWND p_hWindow)
{
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(p_hWindow, &dwProcess);
    return dwProcess;
}

std::string TextOf(HWND p_hWindow)
{
    char text[256] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(p_hWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length);
    return text;
}

HWND FindTopLevel(CFind p_oFind)
{
    EnumWindows(
        [](HWND p_hWnd, LPARAM p_lParam) -> BOOL {
            auto* find = reinterpret_cast<CFind*>(p_lParam);
            char className[64] = {};
            GetClassNameA(p_hWnd, className, sizeof className);
            const DWORD process = ProcessOf(p_hWnd);
            if ((find->m_dwProcess != 0 && process != find->m_dwProcess) || process == GetCurrentProcessId() ||
                (find->m_szClass && lstrcmpA(className, find->m_szClass) != 0) ||
                (find->m_fnMatch && !find->m_fnMatch(p_hWnd)))
                return TRUE;
            find->m_hFound = p_hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&p_oFind));
    return p_oFind.m_hFound;
}

std::string ReadText(const std::string& p_sPath)
{
    std::ifstream file(p_sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Files in the Maildir's "new" folder (the SMTP server delivers there).
int CountMails(const std::string& p_sMaildir)
{
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((p_sMaildir + "\\new\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    const scope_exit closeSearch([search] { FindClose(search); });
    int count = 0;
    do
        count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
    while (FindNextFileA(search, &found));
    return count;
}

class CClient
{
  public:
    [[nodiscard]] bool Start(const char* p_szExe)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string commandLine = std::string("\"") + p_szExe + "\"";
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
                   kStartWaitMs) &&
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
    // The newest compose note: a visible top-level "rctrl_renwnd32" with the envelope pane.
    HWND Note() const
    {
        return FindTopLevel({m_dwProcess, "rctrl_renwnd32",
                             [](HWND p_h) { return IsWindowVisible(p_h) && GetDlgItem(p_h, kEnvelopeId) != nullptr; }});
    }
    // Why Start failed: the client's exit code when it ended, else that it is still running.
    std::string State() const
    {
        DWORD code = STILL_ACTIVE;
        if (!m_hProcess || !GetExitCodeProcess(m_hProcess.get(), &code))
            return "it could not be started";
        return code == STILL_ACTIVE ? "it shows no control window" : "it ended with " + std::to_string(code);
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

// The plug-in's viewer Install has run (and with it Penhold's hook) once the SMS Bar shows.
bool WaitForPlugin(const CClient& p_oClient, const std::string& p_sDumpPath)
{
    return WaitUntil(
        [&] {
            return p_oClient.Command("dump-bars " + p_sDumpPath) &&
                   ReadText(p_sDumpPath).find("bar 'SMS Bar' visible") != std::string::npos;
        },
        kStartWaitMs);
}

// A dialog some process raised while the send was under way (the address check's wizard, a message
// box), as its caption and text; empty when none.
std::string DialogText()
{
    const HWND dialog = FindTopLevel({0, "#32770", [](HWND p_h) { return IsWindowVisible(p_h) != 0; }});
    if (dialog == nullptr)
        return {};
    std::string text = "\"" + TextOf(dialog) + "\"";
    if (HWND message = GetDlgItem(dialog, 0xFFFF))
        text += " " + TextOf(message);
    return text;
}

bool Click(HWND p_hButton)
{
    DWORD_PTR result = 0;
    return p_hButton != nullptr && SendMessageTimeoutA(p_hButton, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

// Ticks only the Cc line's box, whatever the CC default left ticked; true when the note then answers
// the plug-in's question with the Cc bit alone.
bool TickOnlyCc(HWND p_hNote)
{
    const HWND envelope = GetDlgItem(p_hNote, kEnvelopeId);
    for (int id : {kIdNotifyTo, kIdNotifyCc, kIdNotifyBcc})
    {
        const HWND box = GetDlgItem(envelope, id);
        DWORD_PTR checked = 0;
        if (box == nullptr || !SendMessageTimeoutA(box, BM_GETCHECK, 0, 0, SMTO_NORMAL, 10000, &checked))
            return Say("the note has no \"Notify mobile\" box %s", std::to_string(id)), false;
        if ((checked == BST_CHECKED) != (id == kIdNotifyCc) && !Click(box))
            return false;
    }
    DWORD_PTR choice = 0;
    SendMessageTimeoutA(p_hNote, kMsgCCMobileChoice, 0, 0, SMTO_NORMAL, 10000, &choice);
    if (choice != 2)
        return Say("the note answers %s to the CC-to-mobile question, not 2", std::to_string(choice)), false;
    return true;
}

int Drive(const COptions& p_oOptions)
{
    if (!Register(p_oOptions))
        return 2;
    CClient client;
    if (!client.Start(p_oOptions.m_szOutlook))
        return Say("the client did not start: %s", client.State()), 3;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    if (!WaitForPlugin(client, std::string(temp) + "brevolt-ccmobile-drive-bars.txt"))
        return Say("the plug-in's SMS Bar did not show"), 4;
    HWND note = nullptr;
    if (!client.Command("new-note") || !WaitUntil([&] { return (note = client.Note()) != nullptr; }, 10000))
        return Say("no mail note opened"), 5;
    if (!TickOnlyCc(note))
        return 6;
    Say("a new mail note with the Cc line's \"Notify mobile\" box ticked");
    for (const auto& [field, text] :
         {std::pair{"to", p_oOptions.m_szTo}, std::pair{"cc", p_oOptions.m_szCc},
          std::pair{"subject", p_oOptions.m_szSubject}, std::pair{"body", p_oOptions.m_szBody}})
        if (!client.Command(std::string("fill ") + field + " " + text))
            return Say("the note's %s line could not be filled", field), 7;
    // The note paints what was typed before its picture is taken from the screen.
    RedrawWindow(note, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(note, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    if (!p_oOptions.m_sShots.empty() && !SaveWindowBitmap(note, (p_oOptions.m_sShots + "\\cc_mobile_note.bmp").c_str()))
        Say("the note's picture was not saved");
    // As the user presses Send: posted, so the driver keeps watching while Outlook sends.
    PostMessageA(note, WM_COMMAND, kNoteSendCommand, 0);
    if (!WaitUntil([&] { return !IsWindow(note); }, kSendWaitMs))
    {
        const std::string dialog = DialogText();
        return Say("the note was not sent: %s", dialog.empty() ? "it stayed open" : dialog), 8;
    }
    Say("sent: the note closed");
    if (!p_oOptions.m_sMaildir.empty() &&
        !WaitUntil([&] { return CountMails(p_oOptions.m_sMaildir) >= p_oOptions.m_iMails; }, kMailWaitMs))
        return Say("only %s mails reached the SMTP server", std::to_string(CountMails(p_oOptions.m_sMaildir))), 9;
    const int code = client.Quit();
    if (code != 0)
        return Say("the client ended with %s", std::to_string(code)), 10;
    Say("the client ended");
    return 0;
}

bool ParseOptions(int argc, char** argv, COptions& p_oOptions)
{
    const std::pair<const char*, const char**> kTexts[] = {
        {"--outlook", &p_oOptions.m_szOutlook}, {"--plugin", &p_oOptions.m_szPlugin},
        {"--quillet", &p_oOptions.m_szQuillet}, {"--resource", &p_oOptions.m_szResource},
        {"--to", &p_oOptions.m_szTo},           {"--cc", &p_oOptions.m_szCc},
        {"--subject", &p_oOptions.m_szSubject}, {"--body", &p_oOptions.m_szBody}};
    if (argc % 2 == 0)
        return false;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        bool known = false;
        for (const auto& [name, slot] : kTexts)
            if (option == name)
                *slot = value, known = true;
        if (option == "--shots")
            p_oOptions.m_sShots = value, known = true;
        else if (option == "--maildir")
            p_oOptions.m_sMaildir = value, known = true;
        else if (option == "--mails")
            p_oOptions.m_iMails = std::atoi(value), known = true;
        if (!known)
            return false;
    }
    return p_oOptions.m_szOutlook && p_oOptions.m_szPlugin && p_oOptions.m_szQuillet && p_oOptions.m_szResource;
}
} // namespace

int main(int argc, char** argv)
{
    COptions options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(stderr, "usage: brevolt-ccmobile-drive --outlook EXE --plugin DLL --quillet EXE --resource DLL "
                             "[--to TEXT] [--cc TEXT] [--subject TEXT] [--body TEXT] [--shots DIR] "
                             "[--maildir DIR --mails N]\n");
        return 1;
    }
    return Drive(options);
}
