// tests/e2e/outlook_drive_support_win.cpp: what the drivers of the runs inside the Outlook stand-in
// share (see the header).
#include "tests/e2e/outlook_drive_support_win.h"

#include "tools/window_picture/window_picture_win.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace
{
constexpr ULONG_PTR kControlMagic = 0x4F4C434C;
// The compose server's class, and the value the client reads the plug-in's registration from.
constexpr char kQuilletServerKey[] = "CLSID\\{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}\\LocalServer32";
constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";

const ULONGLONG g_qwStart = GetTickCount64();
const char* g_szSayName = "drive";

std::string Lower(std::string p_s)
{
    CharLowerBuffA(p_s.data(), static_cast<DWORD>(p_s.size()));
    return p_s;
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
} // namespace

void SetSayName(const char* p_szName)
{
    g_szSayName = p_szName;
}

void Say(const char* p_szFormat, const std::string& p_sText)
{
    std::printf("%s: %5.1f s: ", g_szSayName, static_cast<double>(GetTickCount64() - g_qwStart) / 1000.0);
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

void WaitBriefly(DWORD p_dwMilliseconds)
{
    (void)WaitUntil([] { return false; }, p_dwMilliseconds);
}

int Run(const std::string& p_sCommandLine, std::string* p_sOutput, DWORD p_dwMilliseconds)
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
    if (WaitForSingleObject(process.hProcess, p_dwMilliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

std::string Quoted(const std::string& p_s)
{
    return "\"" + p_s + "\"";
}

std::string ReadValue(HKEY p_hRoot, const char* p_szKey, const char* p_szName)
{
    char value[1024] = {};
    DWORD cb = sizeof value - 1;
    if (RegGetValueA(p_hRoot, p_szKey, p_szName, RRF_RT_REG_SZ, nullptr, value, &cb) != ERROR_SUCCESS)
        return {};
    return value;
}

std::string ReadText(const std::string& p_sPath)
{
    std::ifstream file(p_sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int CountFiles(const std::string& p_sFolder)
{
    WIN32_FIND_DATAA found{};
    const unique_find_handle search(FindFirstFileA((p_sFolder + "\\*").c_str(), &found));
    if (!search)
        return 0;
    int count = 0;
    do
        count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
    while (FindNextFileA(search.get(), &found));
    return count;
}

std::string TempFile(const char* p_szName)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + p_szName;
}

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

bool RegisterClient(const char* p_szOutlook)
{
    if (!CheckInstalled())
        return false;
    if (Run(Quoted(p_szOutlook) + " /regserver") != 0)
        return Say("the client did not register"), false;
    return true;
}

bool RemoveUserResource()
{
    const LSTATUS deleted = RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Brevolt", "Resource");
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
        return Say("the user key's resource module could not be removed"), false;
    return true;
}

bool SetUserValue(const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    return RegSetKeyValueA(HKEY_CURRENT_USER, p_szKey, p_szName, REG_SZ, p_sValue.c_str(),
                           static_cast<DWORD>(p_sValue.size() + 1)) == ERROR_SUCCESS;
}

DWORD ProcessOf(HWND p_hWindow)
{
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(p_hWindow, &dwProcess);
    return dwProcess;
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

std::string TextOf(HWND p_hWindow)
{
    char text[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(p_hWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length);
    return text;
}

std::string DialogText(DWORD p_dwProcess, HWND p_hExcept)
{
    const HWND dialog = FindTopLevel(
        {p_dwProcess, 0, "#32770", [p_hExcept](HWND p_h) { return p_h != p_hExcept && IsWindowVisible(p_h) != 0; }});
    if (dialog == nullptr)
        return {};
    std::string text = Quoted(TextOf(dialog));
    if (HWND message = FindChild(dialog, 0xFFFF))
        text += " " + TextOf(message);
    return text;
}

void SaveShot(HWND p_hWindow, const std::string& p_sShots, const char* p_szName)
{
    if (!p_sShots.empty() && !SaveWindowBitmap(p_hWindow, (p_sShots + "\\" + p_szName).c_str()))
        Say("the picture %s was not saved", p_szName);
}

bool CClient::Start(const char* p_szExe, DWORD p_dwMilliseconds)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = Quoted(p_szExe);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    m_hProcess.reset(process.hProcess);
    unique_handle thread(process.hThread);
    m_dwProcess = process.dwProcessId;
    return WaitUntil(
               [this] {
                   m_hControl = FindTopLevel({m_dwProcess, 0, "OutlookStandinControl", nullptr, nullptr});
                   return m_hControl != nullptr || WaitForSingleObject(m_hProcess.get(), 0) == WAIT_OBJECT_0;
               },
               p_dwMilliseconds) &&
           m_hControl != nullptr;
}

bool CClient::Command(const std::string& p_sCommand) const
{
    COPYDATASTRUCT data{kControlMagic, static_cast<DWORD>(p_sCommand.size()), const_cast<char*>(p_sCommand.data())};
    DWORD_PTR result = 0;
    return m_hControl != nullptr &&
           SendMessageTimeoutA(m_hControl, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 15000,
                               &result) != 0 &&
           result == 1;
}

HWND CClient::Window(const char* p_szClass, const std::function<bool(HWND)>& p_fnMatch) const
{
    return FindTopLevel({m_dwProcess, 0, p_szClass, [&p_fnMatch](HWND p_h) {
                             return IsWindowVisible(p_h) != 0 && (!p_fnMatch || p_fnMatch(p_h));
                         }});
}

HWND CClient::Explorer() const
{
    return Window("rctrl_renwnd32", nullptr);
}

DWORD CClient::Process() const
{
    return m_dwProcess;
}

std::string CClient::State() const
{
    DWORD code = STILL_ACTIVE;
    if (!m_hProcess || !GetExitCodeProcess(m_hProcess.get(), &code))
        return "it could not be started";
    return code == STILL_ACTIVE ? "it shows no control window" : "it ended with " + std::to_string(code);
}

int CClient::Quit()
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

CClient::~CClient()
{
    if (m_hProcess && WaitForSingleObject(m_hProcess.get(), 0) == WAIT_TIMEOUT)
        (void)Quit();
}

bool SmsBarHasButton(const std::string& p_sDump, const std::string& p_sButton)
{
    const size_t bar = p_sDump.find("bar 'SMS Bar' visible");
    if (bar == std::string::npos)
        return false;
    if (p_sButton.empty())
        return true;
    // The button must be on the SMS Bar, not on a bar dumped after it.
    const size_t next = p_sDump.find("\nbar ", bar + 1);
    const size_t button = p_sDump.find("'" + p_sButton + "' tag", bar);
    return button != std::string::npos && (next == std::string::npos || button < next);
}

bool BarShows(const CClient& p_oClient, const std::string& p_sDumpPath, const std::string& p_sButton)
{
    return p_oClient.Command("dump-bars " + p_sDumpPath) && SmsBarHasButton(ReadText(p_sDumpPath), p_sButton);
}

bool ParseOptions(int argc, char** argv, std::initializer_list<std::pair<const char*, const char**>> p_aSlots)
{
    if (argc % 2 == 0)
        return false;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        bool known = false;
        for (const auto& [name, slot] : p_aSlots)
            if (std::strcmp(argv[i], name) == 0)
                *slot = argv[i + 1], known = true;
        if (!known)
            return false;
    }
    return true;
}
