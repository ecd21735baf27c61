// compose/tools/quillet_open.cpp: quillet-open.exe [--package N] [--to TEXT] [--text TEXT] [--wait]:
// activates the compose server through CoCreateInstance as a host does, calls Init and CreateNewSMS,
// and with --wait keeps the object until the window count it hears drops back to zero.
#include "compose/quillet_h.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr UINT WM_SMS_WINDOWCOUNT = 0x040B;
int g_iWindows = 0;
bool g_bSeen = false;

LRESULT CALLBACK HostProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    if (p_uMsg == WM_SMS_WINDOWCOUNT)
    {
        g_iWindows += static_cast<int>(static_cast<INT_PTR>(p_wParam));
        g_bSeen = true;
        return 0;
    }
    return DefWindowProcW(p_hWnd, p_uMsg, p_wParam, p_lParam);
}

BSTR ToBstr(const char* p_szText)
{
    if (p_szText == nullptr)
        return nullptr;
    const int length = MultiByteToWideChar(CP_ACP, 0, p_szText, -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, p_szText, -1, wide.data(), length);
    return SysAllocString(wide.data());
}
} // namespace

int main(int argc, char** argv)
{
    int package = 1;
    const char* to = nullptr;
    const char* text = nullptr;
    bool wait = false;
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
        else
        {
            std::fprintf(stderr, "usage: quillet-open [--package N] [--to TEXT] [--text TEXT] [--wait]\n");
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
    HWND host = CreateWindowW(L"QuilletOpenHost", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    IQuillet* quillet = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet,
                                  reinterpret_cast<void**>(&quillet));
    if (FAILED(hr))
    {
        std::fprintf(stderr, "quillet-open: CoCreateInstance failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        CoUninitialize();
        return 1;
    }
    const LONG hostHandle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(host));
    hr = quillet->Init(package, 0, nullptr, nullptr, hostHandle, 0, wait ? 1 : 0);
    if (SUCCEEDED(hr))
    {
        BSTR bstrTo = ToBstr(to);
        BSTR bstrText = ToBstr(text);
        hr = quillet->CreateNewSMS(hostHandle, bstrTo, bstrText);
        SysFreeString(bstrTo);
        SysFreeString(bstrText);
    }
    std::printf("quillet-open: 0x%08lx\n", static_cast<unsigned long>(hr));
    std::fflush(stdout);
    if (SUCCEEDED(hr) && wait)
    {
        MSG message;
        while ((!g_bSeen || g_iWindows > 0) && GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
    }
    quillet->Release();
    DestroyWindow(host);
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
