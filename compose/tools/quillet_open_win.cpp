// compose/tools/quillet_open_win.cpp: quillet-open.exe [--package N] [--to TEXT] [--text TEXT] [--wait]
// [--screenshot FILE.bmp] [--send]: activates the compose server through CoCreateInstance as a host
// does, calls Init and CreateNewSMS, and with --wait keeps the object until the window count it
// hears drops back to zero. --screenshot saves the new window as a bitmap once it has painted;
// --send presses its Send command as a user would and waits (at most two minutes) for the window
// to close, which it does only when the SMS went out.
#include "Addressbook/include/host_messages.h"
#include "Addressbook/include/package_kinds.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "compose/quillet_h.h"
#include "tools/window_picture/window_picture_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
constexpr WPARAM kSendCommand = 40002;
constexpr DWORD kWindowWaitMs = 10000;
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
} // namespace

int main(int argc, char** argv)
{
    int package = kPackageOutlookExpress;
    const char* to = nullptr;
    const char* text = nullptr;
    bool wait = false;
    bool send = false;
    const char* screenshot = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--package") == 0 && i + 1 < argc)
            package = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--to") == 0 && i + 1 < argc)
            to = argv[++i];
        else if (std::strcmp(argv[i], "--text") == 0 && i + 1 < argc)
            text = argv[++i];
        else if (std::strcmp(argv[i], "--wait") == 0)
            wait = true;
        else if (std::strcmp(argv[i], "--send") == 0)
            send = wait = true;
        else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
        else
        {
            std::fprintf(stderr, "usage: quillet-open [--package N] [--to TEXT] [--text TEXT] [--wait] "
                                 "[--screenshot FILE.bmp] [--send]\n");
            return 2;
        }
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
    hr = quillet->Init(package, 0, nullptr, nullptr, hostHandle, 0, wait ? 1 : 0);
    if (SUCCEEDED(hr))
    {
        const unique_bstr bstrTo = ToBstr(to);
        const unique_bstr bstrText = ToBstr(text);
        hr = quillet->CreateNewSMS(hostHandle, bstrTo.get(), bstrText.get());
    }
    std::printf("quillet-open: 0x%08lx\n", static_cast<unsigned long>(hr));
    std::fflush(stdout);
    int exitCode = SUCCEEDED(hr) ? 0 : 1;
    if (SUCCEEDED(hr) && (send || screenshot != nullptr))
    {
        if (!PumpUntil([] { return g_hSMSWindow != nullptr; }, kWindowWaitMs))
        {
            std::fprintf(stderr, "quillet-open: no compose window registered itself\n");
            exitCode = 3;
        }
        else
        {
            // Lets the window and its bars finish painting before the picture is taken.
            PumpUntil([] { return false; }, 1500);
            if (screenshot != nullptr && !SaveWindowBitmap(g_hSMSWindow, screenshot))
                std::fprintf(stderr, "quillet-open: could not save %s\n", screenshot);
            if (send)
                PostMessageW(g_hSMSWindow, WM_COMMAND, kSendCommand, 0);
        }
    }
    if (exitCode == 0 && wait)
    {
        const bool closed = PumpUntil([] { return g_bSeen && g_iWindows <= 0; }, send ? kSendWaitMs : INFINITE);
        if (!closed)
        {
            std::fprintf(stderr, "quillet-open: the compose window is still open\n");
            exitCode = 4;
        }
        else if (send)
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
