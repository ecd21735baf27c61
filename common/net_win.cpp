// common/net_win.cpp: the socket seam over Winsock: WSAEventSelect waits together with the stop
// event, and host names resolved with WSAAsyncGetHostByName by a hidden window on a lookup thread.
#include "common/net.h"

#include "common/boundary.h"
#include "common/handle_win.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstring>

namespace net
{
namespace
{
SOCKET SocketOf(intptr_t p_hHandle)
{
    return static_cast<SOCKET>(p_hHandle);
}

WSAEVENT EventOf(intptr_t p_hHandle)
{
    return reinterpret_cast<WSAEVENT>(p_hHandle);
}

long WinsockEvents(uint32_t p_dwEvents)
{
    long events = 0;
    if (p_dwEvents & kEventRead)
        events |= FD_READ;
    if (p_dwEvents & kEventWrite)
        events |= FD_WRITE;
    if (p_dwEvents & kEventConnect)
        events |= FD_CONNECT;
    if (p_dwEvents & kEventClose)
        events |= FD_CLOSE;
    return events;
}
} // namespace

bool Startup(uint32_t& p_dwError)
{
    WSADATA data;
    const int error = WSAStartup(MAKEWORD(1, 1), &data);
    p_dwError = static_cast<uint32_t>(error);
    return error == 0;
}

void Cleanup()
{
    WSACleanup();
}

bool GetLocalHostName(size_t p_nMaxChars, std::string& p_sName, uint32_t& p_dwError)
{
    char buffer[256] = {};
    const size_t size = p_nMaxChars < sizeof(buffer) ? p_nMaxChars : sizeof(buffer) - 1;
    if (gethostname(buffer, static_cast<int>(size)) != 0)
    {
        p_dwError = static_cast<uint32_t>(WSAGetLastError());
        return false;
    }
    buffer[size] = '\0';
    p_sName = buffer;
    p_dwError = 0;
    return true;
}

CTcpSocket::CTcpSocket()
    : m_hSocket(static_cast<intptr_t>(INVALID_SOCKET)), m_hEvent(reinterpret_cast<intptr_t>(WSA_INVALID_EVENT)),
      m_dwSelected(0)
{
}

CTcpSocket::~CTcpSocket()
{
    Close();
}

bool CTcpSocket::Open(uint32_t& p_dwError)
{
    Close();
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
    {
        p_dwError = static_cast<uint32_t>(WSAGetLastError());
        return false;
    }
    // Closing must reset the connection at once rather than linger over unsent data.
    const BOOL dontLinger = FALSE;
    const linger noWait = {1, 0};
    if (setsockopt(s, SOL_SOCKET, SO_DONTLINGER, reinterpret_cast<const char*>(&dontLinger), sizeof(dontLinger)) != 0 ||
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&noWait), sizeof(noWait)) != 0)
    {
        p_dwError = static_cast<uint32_t>(WSAGetLastError());
        closesocket(s);
        return false;
    }
    const WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT)
    {
        p_dwError = static_cast<uint32_t>(WSAGetLastError());
        closesocket(s);
        return false;
    }
    m_hSocket = static_cast<intptr_t>(s);
    m_hEvent = reinterpret_cast<intptr_t>(event);
    p_dwError = 0;
    return true;
}

bool CTcpSocket::IsOpen() const
{
    return SocketOf(m_hSocket) != INVALID_SOCKET;
}

bool CTcpSocket::Select(uint32_t p_dwEvents, uint32_t& p_dwError)
{
    if (!IsOpen())
    {
        p_dwError = WSAENOTSOCK;
        return false;
    }
    // WSAEventSelect also puts the socket into non-blocking mode.
    if (WSAEventSelect(SocketOf(m_hSocket), EventOf(m_hEvent), WinsockEvents(p_dwEvents)) != 0)
    {
        p_dwError = static_cast<uint32_t>(WSAGetLastError());
        return false;
    }
    m_dwSelected = p_dwEvents;
    p_dwError = 0;
    return true;
}

uint32_t CTcpSocket::Connect(IPv4 p_dwAddress, uint16_t p_wPort)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(p_wPort);
    address.sin_addr.s_addr = htonl(p_dwAddress);
    if (connect(SocketOf(m_hSocket), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return 0;
    return static_cast<uint32_t>(WSAGetLastError());
}

uint32_t CTcpSocket::Send(const char* p_pData, size_t p_nSize, size_t& p_nSent)
{
    p_nSent = 0;
    const int size = p_nSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(p_nSize);
    const int n = send(SocketOf(m_hSocket), p_pData, size, 0);
    if (n == SOCKET_ERROR)
        return static_cast<uint32_t>(WSAGetLastError());
    p_nSent = static_cast<size_t>(n);
    return 0;
}

uint32_t CTcpSocket::Receive(char* p_pBuffer, size_t p_nSize, size_t& p_nReceived)
{
    p_nReceived = 0;
    const int size = p_nSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(p_nSize);
    const int n = recv(SocketOf(m_hSocket), p_pBuffer, size, 0);
    if (n == SOCKET_ERROR)
        return static_cast<uint32_t>(WSAGetLastError());
    p_nReceived = static_cast<size_t>(n);
    return 0;
}

EWaitResult CTcpSocket::Wait(platform::CEvent* p_pStop, uint32_t p_dwMilliseconds, uint32_t& p_dwEvents,
                             uint32_t& p_dwConnectError, uint32_t& p_dwError)
{
    p_dwEvents = 0;
    p_dwConnectError = 0;
    p_dwError = 0;
    WSAEVENT events[2] = {EventOf(m_hEvent), nullptr};
    DWORD count = 1;
    if (p_pStop != nullptr && p_pStop->IsValid())
    {
        events[1] = reinterpret_cast<WSAEVENT>(p_pStop->NativeHandle());
        count = 2;
    }
    const DWORD result = WSAWaitForMultipleEvents(count, events, FALSE, p_dwMilliseconds, FALSE);
    if (result == WSA_WAIT_TIMEOUT)
        return EWaitResult::Timeout;
    if (result == WSA_WAIT_EVENT_0)
    {
        WSANETWORKEVENTS fired = {};
        if (WSAEnumNetworkEvents(SocketOf(m_hSocket), EventOf(m_hEvent), &fired) != 0)
        {
            p_dwError = static_cast<uint32_t>(WSAGetLastError());
            return EWaitResult::Failed;
        }
        if (fired.lNetworkEvents & FD_READ)
            p_dwEvents |= kEventRead;
        if (fired.lNetworkEvents & FD_WRITE)
            p_dwEvents |= kEventWrite;
        if (fired.lNetworkEvents & FD_CLOSE)
            p_dwEvents |= kEventClose;
        if (fired.lNetworkEvents & FD_CONNECT)
        {
            p_dwEvents |= kEventConnect;
            p_dwConnectError = static_cast<uint32_t>(fired.iErrorCode[FD_CONNECT_BIT]);
        }
        return EWaitResult::Network;
    }
    if (count == 2 && result == WSA_WAIT_EVENT_0 + 1)
        return EWaitResult::Stop;
    p_dwError = result == WSA_WAIT_FAILED ? static_cast<uint32_t>(WSAGetLastError()) : result;
    return EWaitResult::Failed;
}

void CTcpSocket::Shutdown()
{
    if (IsOpen())
        shutdown(SocketOf(m_hSocket), SD_BOTH);
}

void CTcpSocket::Close()
{
    if (IsOpen())
        closesocket(SocketOf(m_hSocket));
    m_hSocket = static_cast<intptr_t>(INVALID_SOCKET);
    if (EventOf(m_hEvent) != WSA_INVALID_EVENT)
        WSACloseEvent(EventOf(m_hEvent));
    m_hEvent = reinterpret_cast<intptr_t>(WSA_INVALID_EVENT);
    m_dwSelected = 0;
}

namespace
{
constexpr UINT kLookupDone = WM_USER + 1;
constexpr size_t kHostBufferSize = MAXGETHOSTSTRUCT > 1024 ? MAXGETHOSTSTRUCT : 1024;
const char* const kLookupWindowClass = "BrevoltHostLookup";
constexpr UINT kCancelGraceMs = 30000;
} // namespace

// Shared by the caller and the lookup thread, which may outlive an abandoned lookup.
struct CHostLookup::CState : std::enable_shared_from_this<CHostLookup::CState>
{
    std::string m_sName;
    std::atomic<IPv4> m_dwAddress{0};
    std::atomic<const char*> m_szFailedCall{nullptr};
    std::atomic<HWND> m_hWindow{nullptr};
    std::atomic<HANDLE> m_hRequest{nullptr};
    std::atomic<bool> m_bCancelled{false};
    unique_handle m_hThread;
    alignas(8) char m_acHost[kHostBufferSize] = {};
};

namespace
{
// The first IPv4 address of the hostent that Winsock wrote into the buffer; every pointer in it
// must point inside the buffer before it is followed.
bool FirstAddress(const char* p_pBuffer, size_t p_nSize, IPv4& p_dwAddress)
{
    if (p_nSize < sizeof(hostent))
        return false;
    hostent host;
    std::memcpy(&host, p_pBuffer, sizeof(host));
    if (host.h_addrtype != AF_INET || host.h_length != 4 || host.h_addr_list == nullptr)
        return false;
    const auto inside = [&](const void* p_p, size_t p_n) {
        const auto* p = static_cast<const char*>(p_p);
        return p >= p_pBuffer && p <= p_pBuffer + p_nSize && static_cast<size_t>(p_pBuffer + p_nSize - p) >= p_n;
    };
    if (!inside(host.h_addr_list, sizeof(char*)))
        return false;
    char* first = nullptr;
    std::memcpy(&first, host.h_addr_list, sizeof(first));
    if (first == nullptr || !inside(first, 4))
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(first);
    p_dwAddress = (static_cast<IPv4>(bytes[0]) << 24) | (static_cast<IPv4>(bytes[1]) << 16) |
                  (static_cast<IPv4>(bytes[2]) << 8) | static_cast<IPv4>(bytes[3]);
    return true;
}

LRESULT CALLBACK LookupWindowProc(HWND p_hWnd, UINT p_uMsg, WPARAM p_wParam, LPARAM p_lParam)
{
    return TrapExceptions<LRESULT>("CSocket::wndprocConnectWnd", 0, [&]() -> LRESULT {
        auto* state = reinterpret_cast<CHostLookup::CState*>(GetWindowLongPtrA(p_hWnd, GWLP_USERDATA));
        switch (p_uMsg)
        {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(p_lParam);
            SetWindowLongPtrA(p_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case kLookupDone: {
            DWORD error = WSAGETASYNCERROR(p_lParam);
            if (state != nullptr)
            {
                IPv4 address = 0;
                if (error == 0 && FirstAddress(state->m_acHost, sizeof(state->m_acHost), address))
                    state->m_dwAddress = address;
                else if (error == 0)
                    error = WSANO_DATA;
                state->m_hRequest = nullptr;
            }
            DestroyWindow(p_hWnd);
            PostQuitMessage(static_cast<int>(error));
            return 0;
        }
        case WM_CLOSE:
            // Winsock may still write into the buffer if the cancel does not take, so the window
            // waits a while for the answer it no longer needs before it ends.
            if (state != nullptr && state->m_hRequest.load() != nullptr)
                WSACancelAsyncRequest(state->m_hRequest.load());
            SetTimer(p_hWnd, 1, kCancelGraceMs, nullptr);
            return 0;
        case WM_TIMER:
            // Still no answer: the buffer is left to Winsock for good.
            if (state != nullptr)
                (void)new std::shared_ptr<CHostLookup::CState>(state->shared_from_this());
            DestroyWindow(p_hWnd);
            PostQuitMessage(WSAEINTR);
            return 0;
        default:
            break;
        }
        return DefWindowProcA(p_hWnd, p_uMsg, p_wParam, p_lParam);
    });
}

bool RegisterLookupClass()
{
    static const bool s_bRegistered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = LookupWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kLookupWindowClass;
        return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return s_bRegistered;
}

DWORD WINAPI LookupThread(LPVOID p_pParameter)
{
    // The thread's own share of the state keeps it alive however the caller fares.
    auto* holder = static_cast<std::shared_ptr<CHostLookup::CState>*>(p_pParameter);
    std::shared_ptr<CHostLookup::CState> state = std::move(*holder);
    delete holder;
    return TrapExceptions<DWORD>("CSocket::thrdGetHostEntry", WSANO_RECOVERY, [&]() -> DWORD {
        if (!RegisterLookupClass())
        {
            state->m_szFailedCall = "RegisterClass";
            return GetLastError();
        }
        const HWND window = CreateWindowExA(0, kLookupWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                            GetModuleHandleA(nullptr), state.get());
        if (window == nullptr)
        {
            state->m_szFailedCall = "CreateWindowEx";
            return GetLastError();
        }
        state->m_hWindow = window;
        const HANDLE request = WSAAsyncGetHostByName(window, kLookupDone, state->m_sName.c_str(), state->m_acHost,
                                                     sizeof(state->m_acHost));
        if (request == nullptr)
        {
            const DWORD error = static_cast<DWORD>(WSAGetLastError());
            state->m_szFailedCall = "WSAAsyncGetHostByName";
            state->m_hWindow = nullptr;
            DestroyWindow(window);
            return error;
        }
        state->m_hRequest = request;
        // A cancel that came before the window was known still has to end the thread.
        if (state->m_bCancelled)
            PostMessageA(window, WM_CLOSE, 0, 0);
        MSG msg;
        BOOL got;
        DWORD code = WSAEINTR;
        while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0)
        {
            if (got == -1)
                break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (got == 0)
            code = static_cast<DWORD>(msg.wParam);
        state->m_hWindow = nullptr;
        return code;
    });
}
} // namespace

CHostLookup::CHostLookup() = default;

CHostLookup::~CHostLookup()
{
    Cancel();
}

bool CHostLookup::Start(const std::string& p_sName, uint32_t& p_dwError)
{
    Cancel();
    auto state = std::make_shared<CState>();
    state->m_sName = p_sName;
    auto* holder = new std::shared_ptr<CState>(state);
    DWORD threadId = 0;
    const HANDLE thread = CreateThread(nullptr, 0, LookupThread, holder, 0, &threadId);
    if (thread == nullptr)
    {
        p_dwError = GetLastError();
        delete holder;
        return false;
    }
    state->m_hThread.reset(thread);
    m_pState = std::move(state);
    p_dwError = 0;
    return true;
}

EWaitResult CHostLookup::Wait(platform::CEvent* p_pStop, uint32_t p_dwMilliseconds, uint32_t& p_dwError)
{
    p_dwError = 0;
    if (!m_pState)
        return EWaitResult::Failed;
    // The stop comes first: a pending stop wins over a lookup that has also ended.
    HANDLE handles[2] = {nullptr, m_pState->m_hThread.get()};
    DWORD first = 1;
    if (p_pStop != nullptr && p_pStop->IsValid())
    {
        handles[0] = reinterpret_cast<HANDLE>(p_pStop->NativeHandle());
        first = 0;
    }
    const DWORD result = WaitForMultipleObjects(2 - first, handles + first, FALSE, p_dwMilliseconds);
    if (first == 0 && result == WAIT_OBJECT_0)
        return EWaitResult::Stop;
    if (result == WAIT_OBJECT_0 + (1 - first))
        return EWaitResult::Network;
    if (result == WAIT_TIMEOUT)
        return EWaitResult::Timeout;
    p_dwError = result == WAIT_FAILED ? GetLastError() : result;
    return EWaitResult::Failed;
}

uint32_t CHostLookup::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (!m_pState || !GetExitCodeThread(m_pState->m_hThread.get(), &code))
        return kStillActive;
    return code;
}

IPv4 CHostLookup::Address() const
{
    return m_pState ? m_pState->m_dwAddress.load() : 0;
}

const char* CHostLookup::FailedCall() const
{
    return m_pState ? m_pState->m_szFailedCall.load() : nullptr;
}

void CHostLookup::Cancel()
{
    if (!m_pState)
        return;
    m_pState->m_bCancelled = true;
    const HWND window = m_pState->m_hWindow.load();
    if (window != nullptr)
        PostMessageA(window, WM_CLOSE, 0, 0);
    m_pState.reset();
}
} // namespace net
