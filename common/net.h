// common/net.h: the socket and name-lookup seam under CSocket.
// net_win.cpp is the product (Winsock, WSAEventSelect, WSAAsyncGetHostByName in a hidden window);
// net_posix.cpp gives native tests the same calls over poll and getaddrinfo, with errors reported
// as the Winsock numbers so the logic above sees one set of codes.
#pragma once

#include "common/event.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace net
{
// Winsock error numbers.
constexpr uint32_t kWsaEFault = 10014;
constexpr uint32_t kWsaEInval = 10022;
constexpr uint32_t kWsaEWouldBlock = 10035;
constexpr uint32_t kWsaEAlready = 10037;
constexpr uint32_t kWsaENotSock = 10038;
constexpr uint32_t kWsaENetDown = 10050;
constexpr uint32_t kWsaENetUnreach = 10051;
constexpr uint32_t kWsaEConnAborted = 10053;
constexpr uint32_t kWsaEConnReset = 10054;
constexpr uint32_t kWsaENoBufs = 10055;
constexpr uint32_t kWsaEIsConn = 10056;
constexpr uint32_t kWsaENotConn = 10057;
constexpr uint32_t kWsaETimedOut = 10060;
constexpr uint32_t kWsaEConnRefused = 10061;
constexpr uint32_t kWsaEHostUnreach = 10065;
constexpr uint32_t kWsaHostNotFound = 11001;
constexpr uint32_t kWsaTryAgain = 11002;
constexpr uint32_t kWsaNoRecovery = 11003;
constexpr uint32_t kWsaNoData = 11004;

// What a lookup thread's exit code reads while it runs (STILL_ACTIVE).
constexpr uint32_t kStillActive = 259;

// Network events, numbered as FD_READ, FD_WRITE, FD_CONNECT and FD_CLOSE.
constexpr uint32_t kEventRead = 0x01;
constexpr uint32_t kEventWrite = 0x02;
constexpr uint32_t kEventConnect = 0x10;
constexpr uint32_t kEventClose = 0x20;

// An IPv4 address in host order: 127.0.0.1 is 0x7F000001.
using IPv4 = uint32_t;

// Winsock 1.1 for the calling module; every successful Startup is paired with one Cleanup.
[[nodiscard]] bool Startup(uint32_t& p_dwError);
void Cleanup();

// The local host name, cut to p_nMaxChars; p_dwError is the Winsock error on failure
// (kWsaEFault when the name is longer).
[[nodiscard]] bool GetLocalHostName(size_t p_nMaxChars, std::string& p_sName, uint32_t& p_dwError);

enum class EWaitResult
{
    Network, // one of the selected network events (or a spurious wake: check the events)
    Stop,    // the stop event was set (and is now reset)
    Timeout,
    Failed,
};

// A non-blocking TCP stream socket whose network events can be waited for together with a stop
// event. Closing it resets the connection at once (linger on, zero time-out).
class CTcpSocket
{
  public:
    CTcpSocket();
    ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    // Makes the socket and its event object; on failure p_dwError is the Winsock error.
    [[nodiscard]] bool Open(uint32_t& p_dwError);
    bool IsOpen() const;

    // The network events the next waits watch for (kEvent... bits).
    [[nodiscard]] bool Select(uint32_t p_dwEvents, uint32_t& p_dwError);

    // The non-blocking calls return 0 or the Winsock error; kWsaEWouldBlock means "wait".
    uint32_t Connect(IPv4 p_dwAddress, uint16_t p_wPort);
    uint32_t Send(const char* p_pData, size_t p_nSize, size_t& p_nSent);
    // p_nReceived 0 with result 0: the peer closed the connection.
    uint32_t Receive(char* p_pBuffer, size_t p_nSize, size_t& p_nReceived);

    // Waits for a selected network event or p_pStop (may be null). On Network, p_dwEvents holds
    // the events that occurred and p_dwConnectError the outcome of a connect; the socket's event
    // is reset. On Failed, p_dwError is the system error.
    EWaitResult Wait(platform::CEvent* p_pStop, uint32_t p_dwMilliseconds, uint32_t& p_dwEvents,
                     uint32_t& p_dwConnectError, uint32_t& p_dwError);

    void Shutdown();
    void Close();

  private:
    intptr_t m_hSocket;
    intptr_t m_hEvent;
    uint32_t m_dwSelected;
};

// One host-name lookup on a thread of its own; the thread's exit code is the Winsock error of the
// lookup (0: found). It can be abandoned at any time: the thread then ends on its own.
class CHostLookup
{
  public:
    CHostLookup();
    ~CHostLookup();
    CHostLookup(const CHostLookup&) = delete;
    CHostLookup& operator=(const CHostLookup&) = delete;

    // Starts the thread; on failure p_dwError is the system error.
    [[nodiscard]] bool Start(const std::string& p_sName, uint32_t& p_dwError);
    // Waits for the stop event (may be null) or the end of the thread. Network means it ended.
    EWaitResult Wait(platform::CEvent* p_pStop, uint32_t p_dwMilliseconds, uint32_t& p_dwError);
    // kStillActive while it runs.
    uint32_t ExitCode() const;
    // The first address found, when the exit code is 0.
    IPv4 Address() const;
    // The system call that could not even start the lookup, or nullptr; ExitCode is its error.
    const char* FailedCall() const;
    void Cancel();

    struct CState;

  private:
    std::shared_ptr<CState> m_pState;
};
} // namespace net
