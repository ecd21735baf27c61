// compose/tools/quillet_open_win.cpp: quillet-open.exe [--package N] [--version N] [--to TEXT]
// [--text TEXT] [--import FILE] [--token NAME]... [--select NAMES] [--wait] [--screenshot FILE.bmp]
// [--dialog-shot FILE.bmp] [--ignore-problems] [--make-template FILE --template-text TEXT]
// [--generate VALUES] [--send]: activates the compose server through CoCreateInstance as a
// host does, calls Init and CreateNewSMS, and with --wait keeps the object until the window count it hears drops back
// to zero. --import brings a recipient file in through File > Import and its wizard, --token inserts that column's
// token at the end of the body, --select picks the ";"-separated names in "Select Recipients" (the To button).
// --screenshot saves the new window as a bitmap once it has painted; --send presses its Send command as a user would,
// accepts the "Message Summary" of a bulk send after printing its summary line (with --ignore-problems the recipients
// Check could not fix are left out first, as "Ignore" does), and waits (at most two minutes) for the window to close,
// which it does only when the SMS went out. --dialog-shot saves the picture of the dialog it answered.
// --make-template FILE first makes a template in the editor (IQuillet::ShowTemplateEditor) from
// --template-text, whose "{Name}"s become text fields, and saves it as FILE (the most recent
// template then); --generate VALUES fills the compose window's body from the most recent template
// with the ";"-separated values, in field order.
#include "Addressbook/include/host_messages.h"
#include "Addressbook/include/package_kinds.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "compose/quillet_h.h"
#include "compose/tools/quillet_open_drive_win.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr WPARAM kSendCommand = 40002;
constexpr DWORD kWindowWaitMs = 10000;
constexpr DWORD kDialogWaitMs = 30000;
constexpr DWORD kSendWaitMs = 120000;
int g_iWindows = 0;
bool g_bSeen = false;
HWND g_hSMSWindow = nullptr;

LRESULT CALLBACK HostProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMsg == WM_SMS_REGISTERWINDOW)
    {
        g_hSMSWindow = reinterpret_cast<HWND>(p_lParam);
        return 0;
    }
    if (p_uMsg == WM_SMS_WINDOWCOUNT)
    {
        g_iWindows += static_cast<int>(static_cast<INT_PTR>(p_wParam));
        g_bSeen = true;
        return 0;
    }
    return DefWindowProcW(p_hWnd, p_uMsg, p_wParam, p_lParam);
}

unique_bstr ToBstr(const char* p_szText)
{
    if (p_szText == nullptr)
        return unique_bstr();
    return unique_bstr(SysAllocString(AnsiToWide(p_szText).c_str()));
}

// Dispatches messages until p_fnDone says so or p_dwMilliseconds pass; false on time-out.
template <typename Done> bool PumpUntil(Done p_fnDone, DWORD p_dwMilliseconds)
{
    const ULONGLONG qwEnd = GetTickCount64() + p_dwMilliseconds;
    while (!p_fnDone())
    {
        const ULONGLONG qwNow = GetTickCount64();
        if (qwNow >= qwEnd)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(qwEnd - qwNow), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}
// The answers of an activation that reached a server as it was ending: its class object already
// revoked, or its process gone before the call arrived.
bool ServerWasEnding(HRESULT p_hr)
{
    return p_hr == E_FAIL || p_hr == CO_E_SERVER_STOPPING || p_hr == RPC_E_DISCONNECTED ||
           p_hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || p_hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
}
struct COptions
{
    int m_iPackage = kPackageOutlookExpress;
    int m_iVersion = 0;
    const char* m_szTo = nullptr;
    const char* m_szText = nullptr;
    const char* m_szImport = nullptr;
    std::vector<std::string> m_vTokens;
    const char* m_szSelect = nullptr;
    bool m_bWait = false;
    bool m_bSend = false;
    bool m_bIgnoreProblems = false;
    const char* m_szScreenshot = nullptr;
    const char* m_szDialogShot = nullptr;
    const char* m_szMakeTemplate = nullptr;
    const char* m_szTemplateText = nullptr;
    const char* m_szGenerate = nullptr;
};

[[nodiscard]] bool ParseOptions(int argc, char** argv, COptions& p_oOptions)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string option = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (option == "--package" && bHasValue)
            p_oOptions.m_iPackage = std::atoi(argv[++i]);
        else if (option == "--version" && bHasValue)
            p_oOptions.m_iVersion = std::atoi(argv[++i]);
        else if (option == "--to" && bHasValue)
            p_oOptions.m_szTo = argv[++i];
        else if (option == "--text" && bHasValue)
            p_oOptions.m_szText = argv[++i];
        else if (option == "--import" && bHasValue)
            p_oOptions.m_szImport = argv[++i];
        else if (option == "--token" && bHasValue)
            p_oOptions.m_vTokens.emplace_back(argv[++i]);
        else if (option == "--select" && bHasValue)
            p_oOptions.m_szSelect = argv[++i];
        else if (option == "--wait")
            p_oOptions.m_bWait = true;
        else if (option == "--ignore-problems")
            p_oOptions.m_bIgnoreProblems = true;
        else if (option == "--send")
            p_oOptions.m_bSend = p_oOptions.m_bWait = true;
        else if (option == "--screenshot" && bHasValue)
            p_oOptions.m_szScreenshot = argv[++i];
        else if (option == "--dialog-shot" && bHasValue)
            p_oOptions.m_szDialogShot = argv[++i];
        else if (option == "--make-template" && bHasValue)
            p_oOptions.m_szMakeTemplate = argv[++i], p_oOptions.m_bWait = true; // the editor registers itself
        else if (option == "--template-text" && bHasValue)
            p_oOptions.m_szTemplateText = argv[++i];
        else if (option == "--generate" && bHasValue)
            p_oOptions.m_szGenerate = argv[++i];
        else
            return false;
    }
    return true;
}

// What the user does in the open window before it is sent: 0, or the tool's exit code.
int PrepareWindow(const COptions& p_oOptions)
{
    // The window and its bars finish painting before the user starts, and before a picture is taken.
    (void)PumpUntil([] { return false; }, 1500);
    if (p_oOptions.m_szImport != nullptr &&
        !quillet_open::ImportList(g_hSMSWindow, p_oOptions.m_szImport,
                                  p_oOptions.m_vTokens.empty() ? std::string() : p_oOptions.m_vTokens.front()))
    {
        std::fprintf(stderr, "quillet-open: %s was not imported\n", p_oOptions.m_szImport);
        return 5;
    }
    for (const std::string& token : p_oOptions.m_vTokens)
        if (!quillet_open::InsertToken(g_hSMSWindow, token))
        {
            std::fprintf(stderr, "quillet-open: the token %s was not inserted\n", token.c_str());
            return 5;
        }
    if (p_oOptions.m_szSelect != nullptr &&
        !quillet_open::SelectRecipients(g_hSMSWindow, quillet_open::SplitNames(p_oOptions.m_szSelect),
                                        p_oOptions.m_szDialogShot))
        return 6;
    if (p_oOptions.m_szGenerate != nullptr &&
        !quillet_open::GenerateFromRecentTemplate(g_hSMSWindow, quillet_open::SplitNames(p_oOptions.m_szGenerate),
                                                  p_oOptions.m_szDialogShot))
        return 8;
    if (p_oOptions.m_szImport != nullptr || p_oOptions.m_szSelect != nullptr || p_oOptions.m_szGenerate != nullptr)
        (void)PumpUntil([] { return false; }, 500);
    if (p_oOptions.m_szScreenshot != nullptr && !SaveWindowBitmap(g_hSMSWindow, p_oOptions.m_szScreenshot))
        std::fprintf(stderr, "quillet-open: could not save %s\n", p_oOptions.m_szScreenshot);
    return 0;
}

// Send pressed; a bulk window first shows the summary, whose line is printed before it is accepted.
int PressSend(const COptions& p_oOptions)
{
    PostMessageW(g_hSMSWindow, WM_COMMAND, kSendCommand, 0);
    if (p_oOptions.m_szImport == nullptr)
        return 0;
    std::string line;
    int problems = 0;
    if (!quillet_open::AcceptSummary(g_hSMSWindow, p_oOptions.m_bIgnoreProblems, problems, line,
                                     p_oOptions.m_szSelect ? nullptr : p_oOptions.m_szDialogShot))
        return 7;
    if (problems > 0)
        std::printf("quillet-open: ignored %d problem(s) Check found\n", problems);
    std::printf("quillet-open: summary: %s\n", line.c_str());
    std::fflush(stdout);
    return 0;
}
// The editor opened through the server, the template made and saved, the editor closed again.
HRESULT MakeTemplate(IQuillet& p_oQuillet, LONG p_lHost, const COptions& p_oOptions)
{
    HRESULT hr = p_oQuillet.ShowTemplateEditor(p_lHost);
    if (FAILED(hr))
        return hr;
    // The editor's first start loads the rich edit and its bars: it may take longer than a window.
    if (!PumpUntil([] { return g_hSMSWindow != nullptr; }, kDialogWaitMs))
    {
        std::fprintf(stderr, "quillet-open: no template editor registered itself\n");
        return E_FAIL;
    }
    const bool bMade = quillet_open::MakeTemplate(
        g_hSMSWindow, p_oOptions.m_szTemplateText ? p_oOptions.m_szTemplateText : "", p_oOptions.m_szMakeTemplate);
    g_hSMSWindow = nullptr;
    if (!bMade)
        return E_FAIL;
    std::printf("quillet-open: template saved as %s\n", p_oOptions.m_szMakeTemplate);
    return S_OK;
}
} // namespace

int main(int argc, char** argv)
{
    COptions options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(stderr, "usage: quillet-open [--package N] [--version N] [--to TEXT] [--text TEXT] "
                             "[--import FILE] [--token NAME]... [--select NAMES] [--wait] [--screenshot FILE.bmp] "
                             "[--dialog-shot FILE.bmp] [--ignore-problems] [--make-template FILE --template-text "
                             "TEXT] [--generate VALUES] [--send]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    WNDCLASSW wc{};
    wc.lpfnWndProc = &HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuilletOpenHost";
    RegisterClassW(&wc);
    unique_hwnd hostWindow(
        CreateWindowW(L"QuilletOpenHost", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    HWND host = hostWindow.get();
    com_ptr<IQuillet> quillet;
    const auto activate = [&quillet] {
        return CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet, quillet.put_void());
    };
    HRESULT hr = activate();
    if (ServerWasEnding(hr))
    {
        // The request met a server as it revoked its class object; the next one starts a new server.
        std::fprintf(stderr, "quillet-open: the server was ending (0x%08lx); asking again\n",
                     static_cast<unsigned long>(hr));
        Sleep(500);
        hr = activate();
    }
    if (FAILED(hr))
    {
        std::fprintf(stderr, "quillet-open: CoCreateInstance failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        hostWindow.reset();
        CoUninitialize();
        return 1;
    }
    const LONG hostHandle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(host));
    hr =
        quillet->Init(options.m_iPackage, options.m_iVersion, nullptr, nullptr, hostHandle, 0, options.m_bWait ? 1 : 0);
    if (SUCCEEDED(hr) && options.m_szMakeTemplate != nullptr)
        hr = MakeTemplate(*quillet.get(), hostHandle, options);
    if (SUCCEEDED(hr))
    {
        const unique_bstr bstrTo = ToBstr(options.m_szTo);
        const unique_bstr bstrText = ToBstr(options.m_szText);
        hr = quillet->CreateNewSMS(hostHandle, bstrTo.get(), bstrText.get());
    }
    std::printf("quillet-open: 0x%08lx\n", static_cast<unsigned long>(hr));
    std::fflush(stdout);
    int exitCode = SUCCEEDED(hr) ? 0 : 1;
    const bool bDrive = options.m_bSend || options.m_szScreenshot != nullptr || options.m_szImport != nullptr ||
                        options.m_szSelect != nullptr || options.m_szGenerate != nullptr;
    if (SUCCEEDED(hr) && bDrive)
    {
        if (!PumpUntil([] { return g_hSMSWindow != nullptr; }, kWindowWaitMs))
        {
            std::fprintf(stderr, "quillet-open: no compose window registered itself\n");
            exitCode = 3;
        }
        else
        {
            exitCode = PrepareWindow(options);
            if (exitCode == 0 && options.m_bSend)
                exitCode = PressSend(options);
        }
    }
    if (exitCode == 0 && options.m_bWait)
    {
        const bool closed =
            PumpUntil([] { return g_bSeen && g_iWindows <= 0; }, options.m_bSend ? kSendWaitMs : INFINITE);
        if (!closed)
        {
            std::fprintf(stderr, "quillet-open: the compose window is still open\n");
            exitCode = 4;
        }
        else if (options.m_bSend)
        {
            std::printf("quillet-open: sent, the compose window closed\n");
        }
    }
    std::fflush(stdout);
    quillet.reset();
    hostWindow.reset();
    CoUninitialize();
    return exitCode;
}
