// common/net_posix.cpp: the socket seam over POSIX sockets, poll and getaddrinfo, reporting
// errors as Winsock numbers so native tests exercise the same decisions as Windows.
#include "common/net.h"

#include "common/boundary.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace net
{
namespace
{
uint32_t WinsockError(int p_iErrno)
{
    switch (p_iErrno)
    {
    case 0:
        return 0;
    case EAGAIN:
    case EINPROGRESS: // a non-blocking connect under Winsock reports would-block
        return kWsaEWouldBlock;
    case EALREADY:
        return kWsaEAlready;
    case EISCONN:
        return kWsaEIsConn;
    case ENOTCONN:
        return kWsaENotConn;
    case ECONNREFUSED:
        return kWsaEConnRefused;
    case ECONNRESET:
    case EPIPE:
        return kWsaEConnReset;
    case ECONNABORTED:
        return kWsaEConnAborted;
    case ETIMEDOUT:
        return kWsaETimedOut;
    case ENETDOWN:
        return kWsaENetDown;
    case ENETUNREACH:
        return kWsaENetUnreach;
    case EHOSTUNREACH:
        return kWsaEHostUnreach;
    case ENOBUFS:
    case ENOMEM:
        return kWsaENoBufs;
    case EFAULT:
    case ENAMETOOLONG:
        return kWsaEFault;
    case EBADF:
    case ENOTSOCK:
        return kWsaENotSock;
    case EINVAL:
        return kWsaEInval;
    default:
        return 10000u + static_cast<uint32_t>(p_iErrno);
    }
}

uint32_t LookupError(int p_iGaiError)
{
    switch (p_iGaiError)
    {
    case 0:
        return 0;
    case EAI_NONAME:
        return kWsaHostNotFound;
    case EAI_AGAIN:
        return kWsaTryAgain;
    case EAI_FAIL:
        return kWsaNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
    case EAI_ADDRFAMILY:
        return kWsaNoData;
    case EAI_MEMORY:
        return kWsaENoBufs;
    case EAI_SYSTEM:
        return WinsockError(errno);
    default:
        return kWsaNoRecovery;
    }
}

int PollTimeout(uint32_t p_dwMilliseconds)
{
    return p_dwMilliseconds > 0x7FFFFFFF ? -1 : static_cast<int>(p_dwMilliseconds);
}
} // namespace

bool Startup(uint32_t& p_dwError)
{
    p_dwError = 0;
    return true;
}

void Cleanup()
{
}

bool GetLocalHostName(size_t p_nMaxChars, std::string& p_sName, uint32_t& p_dwError)
{
    char buffer[256] = {};
    const size_t size = p_nMaxChars + 1 < sizeof(buffer) ? p_nMaxChars + 1 : sizeof(buffer);
    if (gethostname(buffer, size) != 0)
    {
        p_dwError = WinsockError(errno);
        return false;
    }
    buffer[size - 1] = '\0';
    p_sName = buffer;
    p_dwError = 0;
    return true;
}

CTcpSocket::CTcpSocket() : m_hSocket(-1), m_hEvent(-1), m_dwSelected(0)
{
}

CTcpSocket::~CTcpSocket()
{
    Close();
}

bool CTcpSocket::Open(uint32_t& p_dwError)
{
    Close();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
    {
        p_dwError = WinsockError(errno);
        return false;
    }
    const linger noWait = {1, 0};
    if (setsockopt(fd, SOL_SOCKET, SO_LINGER, &noWait, sizeof(noWait)) != 0)
    {
        p_dwError = WinsockError(errno);
        close(fd);
        return false;
    }
    m_hSocket = fd;
    p_dwError = 0;
    return true;
}

bool CTcpSocket::IsOpen() const
{
    return m_hSocket >= 0;
}

bool CTcpSocket::Select(uint32_t p_dwEvents, uint32_t& p_dwError)
{
    if (m_hSocket < 0)
    {
        p_dwError = kWsaENotSock;
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
    if (connect(static_cast<int>(m_hSocket), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return 0;
    return WinsockError(errno);
}

uint32_t CTcpSocket::Send(const char* p_pData, size_t p_nSize, size_t& p_nSent)
{
    p_nSent = 0;
    const ssize_t n = send(static_cast<int>(m_hSocket), p_pData, p_nSize, MSG_NOSIGNAL);
    if (n < 0)
        return WinsockError(errno);
    p_nSent = static_cast<size_t>(n);
    return 0;
}

uint32_t CTcpSocket::Receive(char* p_pBuffer, size_t p_nSize, size_t& p_nReceived)
{
    p_nReceived = 0;
    const ssize_t n = recv(static_cast<int>(m_hSocket), p_pBuffer, p_nSize, 0);
    if (n < 0)
        return WinsockError(errno);
    p_nReceived = static_cast<size_t>(n);
    return 0;
}

EWaitResult CTcpSocket::Wait(platform::CEvent* p_pStop, uint32_t p_dwMilliseconds, uint32_t& p_dwEvents,
                             uint32_t& p_dwConnectError, uint32_t& p_dwError)
{
    p_dwEvents = 0;
    p_dwConnectError = 0;
    p_dwError = 0;
    pollfd entries[2] = {};
    entries[0].fd = static_cast<int>(m_hSocket);
    if (m_dwSelected & (kEventRead | kEventClose))
        entries[0].events |= POLLIN | POLLRDHUP;
    if (m_dwSelected & (kEventWrite | kEventConnect))
        entries[0].events |= POLLOUT;
    nfds_t count = 1;
    if (p_pStop != nullptr && p_pStop->IsValid())
    {
        entries[1].fd = static_cast<int>(p_pStop->NativeHandle());
        entries[1].events = POLLIN;
        count = 2;
    }
    for (;;)
    {
        const int ready = poll(entries, count, PollTimeout(p_dwMilliseconds));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
        {
            p_dwError = WinsockError(errno);
            return EWaitResult::Failed;
        }
        if (ready == 0)
            return EWaitResult::Timeout;
        break;
    }
    const short fired = entries[0].revents;
    if (fired != 0)
    {
        if (m_dwSelected & kEventConnect)
        {
            // Winsock reports a finished connect, refused or not, as the connect event alone.
            int error = 0;
            socklen_t size = sizeof(error);
            getsockopt(entries[0].fd, SOL_SOCKET, SO_ERROR, &error, &size);
            p_dwEvents = kEventConnect;
            p_dwConnectError = WinsockError(error);
            return EWaitResult::Network;
        }
        if ((fired & POLLIN) && (m_dwSelected & kEventRead))
            p_dwEvents |= kEventRead;
        if ((fired & POLLOUT) && (m_dwSelected & kEventWrite))
            p_dwEvents |= kEventWrite;
        if ((fired & (POLLHUP | POLLRDHUP | POLLERR)) && (m_dwSelected & kEventClose))
            p_dwEvents |= kEventClose;
        return EWaitResult::Network;
    }
    if (count == 2 && (entries[1].revents & POLLIN))
    {
        // Consuming the counter is the auto-reset; someone else may have taken it first.
        if (p_pStop->Wait(0))
            return EWaitResult::Stop;
        return EWaitResult::Network;
    }
    return EWaitResult::Network;
}

void CTcpSocket::Shutdown()
{
    if (m_hSocket >= 0)
        shutdown(static_cast<int>(m_hSocket), SHUT_RDWR);
}

void CTcpSocket::Close()
{
    if (m_hSocket >= 0)
        close(static_cast<int>(m_hSocket));
    m_hSocket = -1;
    m_dwSelected = 0;
}

struct CHostLookup::CState
{
    std::string m_sName;
    std::atomic<uint32_t> m_dwExitCode{kStillActive};
    std::atomic<IPv4> m_dwAddress{0};
    platform::CEvent m_oDone;
};

CHostLookup::CHostLookup() = default;

CHostLookup::~CHostLookup()
{
    // A running getaddrinfo cannot be interrupted; its thread holds its own share of the state.
}

bool CHostLookup::Start(const std::string& p_sName, uint32_t& p_dwError)
{
    auto state = std::make_shared<CState>();
    state->m_sName = p_sName;
    if (!state->m_oDone.IsValid())
    {
        p_dwError = WinsockError(errno);
        return false;
    }
    try
    {
        std::thread([state]() {
            const bool done = TrapExceptionsVoid("CSocket::thrdGetHostEntry", [&] {
                addrinfo hints = {};
                hints.ai_family = AF_INET;
                hints.ai_socktype = SOCK_STREAM;
                addrinfo* found = nullptr;
                const int error = getaddrinfo(state->m_sName.c_str(), nullptr, &hints, &found);
                uint32_t code = LookupError(error);
                if (error == 0)
                {
                    code = kWsaNoData;
                    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next)
                    {
                        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in))
                        {
                            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
                            state->m_dwAddress = ntohl(address->sin_addr.s_addr);
                            code = 0;
                            break;
                        }
                    }
                    freeaddrinfo(found);
                }
                state->m_dwExitCode = code;
            });
            if (!done)
                state->m_dwExitCode = kWsaNoRecovery;
            state->m_oDone.Set();
        }).detach();
    }
    catch (const std::exception&)
    {
        p_dwError = static_cast<uint32_t>(EAGAIN);
        return false;
    }
    m_pState = std::move(state);
    p_dwError = 0;
    return true;
}

EWaitResult CHostLookup::Wait(platform::CEvent* p_pStop, uint32_t p_dwMilliseconds, uint32_t& p_dwError)
{
    p_dwError = 0;
    if (!m_pState)
        return EWaitResult::Failed;
    // A pending stop wins over a lookup that has also ended, as on Windows.
    pollfd entries[2] = {};
    nfds_t count = 0;
    if (p_pStop != nullptr && p_pStop->IsValid())
    {
        entries[count].fd = static_cast<int>(p_pStop->NativeHandle());
        entries[count++].events = POLLIN;
    }
    entries[count].fd = static_cast<int>(m_pState->m_oDone.NativeHandle());
    entries[count++].events = POLLIN;
    int ready;
    do
        ready = poll(entries, count, PollTimeout(p_dwMilliseconds));
    while (ready < 0 && errno == EINTR);
    if (ready < 0)
    {
        p_dwError = WinsockError(errno);
        return EWaitResult::Failed;
    }
    if (ready == 0)
        return EWaitResult::Timeout;
    if (count == 2 && (entries[0].revents & POLLIN) && p_pStop->Wait(0))
        return EWaitResult::Stop;
    return EWaitResult::Network;
}

uint32_t CHostLookup::ExitCode() const
{
    return m_pState ? m_pState->m_dwExitCode.load() : kStillActive;
}

IPv4 CHostLookup::Address() const
{
    return m_pState ? m_pState->m_dwAddress.load() : 0;
}

const char* CHostLookup::FailedCall() const
{
    return nullptr;
}

void CHostLookup::Cancel()
{
    m_pState.reset();
}
} // namespace net
