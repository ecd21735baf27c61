// tests/e2e/outlook_plugin_driver_win.cpp: brevolt-outlook-drive, a user of the Outlook stand-in with
// the installed product: checks that the plug-in and the compose server registered are the files
// the package installed, registers the client as its installer does, starts it, waits for the SMS
// Bar (its picture saved), clicks "New SMS" on it through the client's control channel, types a
// recipient and a text into the compose window the real compose server opens, presses Send, waits
// for the window to close (it closes once the job is submitted) and for the Outbox to hold nothing
// submitted (mapistore reads the store file), quits the client and looks for the job's copy in
// "Sent SMSs". Exit 0 when every step happened; the step that failed is printed otherwise.
#include "common/handle_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace
{
constexpr ULONG_PTR kControlMagic = 0x4F4C434C;
constexpr DWORD kBarWaitMs = 60000;     // the client's start, the plug-in's Install and the bar
constexpr DWORD kComposeWaitMs = 60000; // the compose server's first start and Init
constexpr DWORD kSendWaitMs = 120000;
constexpr DWORD kOutboxWaitMs = 60000; // the spooler's SMTP exchange after the flush
constexpr int64_t kSubmitFlag = 0x4;   // MSGFLAG_SUBMIT: submitted, not yet sent
// The compose window's children and its Send command (compose/ui/sms_window.h).
constexpr int kIdToField = 1000;
constexpr int kIdBodyField = 1003;
constexpr WPARAM kSendCommand = 40002;

// The compose server's class, and the value the client reads the plug-in's registration from.
constexpr char kQuilletServerKey[] = "CLSID\\{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}\\LocalServer32";
constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";

struct COptions
{
    const char* m_szOutlook = nullptr;
    const char* m_szMapistore = nullptr;
    const char* m_szTo = "";
    const char* m_szText = "";
    std::string m_sShots; // a folder for the pictures (Windows path)
};

const ULONGLONG g_qwStart = GetTickCount64();

// Each line says how far into the run it was written, so a slow step shows.
void Say(const char* p_szFormat, const std::string& p_sText = {})
{
    std::printf("outlook-drive: %5.1f s: ", static_cast<double>(GetTickCount64() - g_qwStart) / 1000.0);
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

// Runs a command line to its end with its standard output read into p_sOutput; its exit code, or -1.
int Run(const std::string& p_sCommandLine, std::string* p_sOutput = nullptr)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (p_sOutput != nullptr && !CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -1;
    unique_handle reader(readEnd), writer(writeEnd);
    if (reader)
        SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (writer)
    {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writer.get();
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process{};
    std::string commandLine = p_sCommandLine;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, writer ? TRUE : FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    writer.reset(); // the child holds the only write end: the read below ends when it does
    if (reader)
    {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(reader.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
            p_sOutput->append(chunk, got);
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

std::string ReadValue(HKEY p_hRoot, const char* p_szKey, const char* p_szName)
{
    char value[1024] = {};
    DWORD cb = sizeof value - 1;
    if (RegGetValueA(p_hRoot, p_szKey, p_szName, RRF_RT_REG_SZ, nullptr, value, &cb) != ERROR_SUCCESS)
        return {};
    return value;
}

std::string Lower(std::string p_s)
{
    CharLowerBuffA(p_s.data(), static_cast<DWORD>(p_s.size()));
    return p_s;
}

// The plug-in the client loads and the compose server COM starts must be what the package put into
// its folder (the folder of the Install key's core library), not a build's files registered over it.
bool CheckInstalled()
{
    const std::string core = ReadValue(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Addressbook");
    const size_t slash = core.find_last_of('\\');
    if (slash == std::string::npos)
        return Say("the product is not installed (no Install value \"Addressbook\")"), false;
    const std::string folder = Lower(core.substr(0, slash + 1));
    const std::string plugin = ReadValue(HKEY_LOCAL_MACHINE, kExtensionsKey, "Brevolt SMS");
    const std::string server = ReadValue(HKEY_CLASSES_ROOT, kQuilletServerKey, nullptr);
    if (Lower(plugin).find(folder) == std::string::npos)
        return Say("the registered plug-in is not the installed one: %s", plugin), false;
    if (Lower(server).find(folder) == std::string::npos)
        return Say("the registered compose server is not the installed one: %s", server), false;
    Say("the plug-in and the compose server are the ones installed in %s", core.substr(0, slash));
    return true;
}

bool Register(const COptions& p_oOptions)
{
    if (!CheckInstalled())
        return false;
    if (Run(std::string("\"") + p_oOptions.m_szOutlook + "\" /regserver") != 0)
        return Say("the client did not register"), false;
    // Earlier set-ups of this prefix named a build's resource module in the user key, which would
    // win over the one the package names in the Install key.
    const LSTATUS deleted = RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Brevolt", "Resource");
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
        return Say("the user key's resource module could not be removed"), false;
    return true;
}

// How many messages of the Outbox are still submitted (the spooler has not sent them), from
// mapistore's one JSON line per item; -1 when the store could not be read.
int SubmittedInOutbox(const COptions& p_oOptions)
{
    std::string lines;
    if (Run(std::string("\"") + p_oOptions.m_szMapistore + "\" show Outbox", &lines) != 0)
        return -1;
    int submitted = 0;
    for (size_t at = lines.find("\"flags\":"); at != std::string::npos; at = lines.find("\"flags\":", at + 1))
        if ((std::strtoll(lines.c_str() + at + 8, nullptr, 10) & kSubmitFlag) != 0)
            ++submitted;
    return submitted;
}

struct CFind
{
    DWORD m_dwProcess = 0;    // 0: any
    DWORD m_dwNotProcess = 0; // a process whose windows are not wanted
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

BOOL CALLBACK MatchWindow(HWND p_hWnd, LPARAM p_lParam)
{
    auto* find = reinterpret_cast<CFind*>(p_lParam);
    const DWORD process = ProcessOf(p_hWnd);
    char className[64] = {};
    GetClassNameA(p_hWnd, className, sizeof className);
    if ((find->m_dwProcess != 0 && process != find->m_dwProcess) || process == find->m_dwNotProcess ||
        process == GetCurrentProcessId() || (find->m_szClass && lstrcmpA(className, find->m_szClass) != 0) ||
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

HWND FindChild(HWND p_hRoot, int p_iId)
{
    std::pair<int, HWND> search{p_iId, nullptr};
    EnumChildWindows(
        p_hRoot,
        [](HWND p_hChild, LPARAM p_lParam) -> BOOL {
            auto* s = reinterpret_cast<std::pair<int, HWND>*>(p_lParam);
            if (GetDlgCtrlID(p_hChild) != s->first)
                return TRUE;
            s->second = p_hChild;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
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
        std::string commandLine = std::string("\"") + p_szExe + "\"";
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        m_hProcess.reset(process.hProcess);
        unique_handle thread(process.hThread);
        m_dwProcess = process.dwProcessId;
        return WaitUntil(
                   [this] {
                       m_hControl = FindTopLevel({m_dwProcess, 0, "OutlookStandinControl", nullptr, nullptr});
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
        return FindTopLevel({m_dwProcess, 0, "rctrl_renwnd32", [](HWND p_h) { return IsWindowVisible(p_h) != 0; }});
    }
    DWORD Process() const
    {
        return m_dwProcess;
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

// The SMS Bar is shown with its New SMS button once the plug-in's viewer Install has run.
bool WaitForBar(const CClient& p_oClient, const std::string& p_sDumpPath)
{
    return WaitUntil(
        [&] {
            if (!p_oClient.Command("dump-bars " + p_sDumpPath))
                return false;
            const std::string bars = ReadText(p_sDumpPath);
            const size_t bar = bars.find("bar 'SMS Bar' visible");
            return bar != std::string::npos && bars.find("'New SMS' tag", bar) != std::string::npos;
        },
        kBarWaitMs);
}

// A window of another process than the client's with the compose window's To and body fields.
HWND FindComposeWindow(DWORD p_dwClient)
{
    return FindTopLevel({0, p_dwClient, nullptr, [](HWND p_h) {
                             return IsWindowVisible(p_h) && FindChild(p_h, kIdToField) != nullptr &&
                                    FindChild(p_h, kIdBodyField) != nullptr;
                         }});
}

// A dialog the compose server raised instead of sending (a message box, the address check's
// problem summary), as its caption and text (empty when none).
std::string DialogText(DWORD p_dwServer, HWND p_hCompose)
{
    const HWND dialog = FindTopLevel(
        {p_dwServer, 0, "#32770", [p_hCompose](HWND p_h) { return p_h != p_hCompose && IsWindowVisible(p_h) != 0; }});
    if (dialog == nullptr)
        return {};
    char caption[256] = {}, text[512] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    if (HWND message = FindChild(dialog, 0xFFFF))
        GetWindowTextA(message, text, sizeof text);
    return std::string("\"") + caption + "\" " + text;
}

void SetField(HWND p_hField, const char* p_szText)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(p_hField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_szText), SMTO_NORMAL, 15000, &result);
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
    if (!WaitForBar(client, std::string(temp) + "brevolt-outlook-drive-bars.txt"))
        return Say("the SMS Bar did not show"), 4;
    Say("the SMS Bar shows New SMS");
    WaitUntil([] { return false; }, 1000); // the bar paints before its picture is taken
    const HWND explorer = client.Explorer();
    if (!p_oOptions.m_sShots.empty() &&
        !SaveWindowBitmap(explorer, (p_oOptions.m_sShots + "\\outlook_sms_bar.bmp").c_str()))
        Say("the explorer's picture was not saved");
    if (!client.Command("bar-click New SMS"))
        return Say("New SMS could not be clicked"), 5;
    HWND compose = nullptr;
    if (!WaitUntil([&] { return (compose = FindComposeWindow(client.Process())) != nullptr; }, kComposeWaitMs))
        return Say("no compose window opened"), 6;
    const DWORD server = ProcessOf(compose);
    Say("New SMS opened the compose server's window");
    SetField(FindChild(compose, kIdToField), p_oOptions.m_szTo);
    SetField(FindChild(compose, kIdBodyField), p_oOptions.m_szText);
    WaitUntil([] { return false; }, 1000);
    if (!p_oOptions.m_sShots.empty() &&
        !SaveWindowBitmap(compose, (p_oOptions.m_sShots + "\\outlook_compose.bmp").c_str()))
        Say("the compose window's picture was not saved");
    PostMessageW(compose, WM_COMMAND, kSendCommand, 0);
    // A progress dialog shows while it sends; whatever dialog is still up at the end says why not.
    if (!WaitUntil([&] { return !IsWindow(compose); }, kSendWaitMs))
    {
        const std::string dialog = DialogText(server, compose);
        return Say("the compose window did not send: %s", dialog.empty() ? "it stayed open" : dialog), 7;
    }
    Say("sent: the compose window closed");
    // The job is in the Outbox, handed to the spooler; the client ends only once it has left.
    int submitted = -1;
    if (!WaitUntil([&] { return (submitted = SubmittedInOutbox(p_oOptions)) == 0; }, kOutboxWaitMs))
        return Say("the Outbox still holds %s submitted message(s)", std::to_string(submitted)), 9;
    Say("the Outbox holds nothing submitted");
    const int code = client.Quit();
    if (code != 0)
        return Say("the client ended with %s", std::to_string(code)), 8;
    Say("the client ended");
    // The client read the store again after the compose server wrote it: the job's readable copy is
    // in "Sent SMSs" of the file the client saved last, so neither process lost the other's writes.
    std::string copies;
    if (Run(std::string("\"") + p_oOptions.m_szMapistore + "\" show \"Sent SMSs\"", &copies) != 0 ||
        copies.find(p_oOptions.m_szText) == std::string::npos)
        return Say("no copy of the job in \"Sent SMSs\": %s", copies), 10;
    Say("\"Sent SMSs\" holds the job's readable copy");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    COptions options;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--outlook")
            options.m_szOutlook = value;
        else if (option == "--mapistore")
            options.m_szMapistore = value;
        else if (option == "--to")
            options.m_szTo = value;
        else if (option == "--text")
            options.m_szText = value;
        else if (option == "--shots")
            options.m_sShots = value;
        else
            options.m_szOutlook = nullptr, i = argc;
    }
    if (argc % 2 == 0 || !options.m_szOutlook || !options.m_szMapistore)
    {
        std::fprintf(stderr, "usage: brevolt-outlook-drive --outlook EXE --mapistore EXE [--to TEXT] [--text TEXT] "
                             "[--shots DIR]\n");
        return 1;
    }
    return Drive(options);
}
