// Addressbook/smtp/socket.cpp: CSocket over the socket seam. A stop seen by a wait ends it
// (state 1) unless the transport is past its point of no return (state 2, the wait goes on); a
// wait that runs out of time marks the send aborted (state 3).
#include "Addressbook/smtp/socket.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <thread>

namespace
{
constexpr unsigned kMsgDnsWaitFailed = 351;
constexpr auto kLookupPoll = std::chrono::milliseconds(10);

uint32_t RemainingMs(std::chrono::steady_clock::time_point p_tDeadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(p_tDeadline - std::chrono::steady_clock::now());
    return left.count() <= 0 ? 0 : static_cast<uint32_t>(left.count());
}
} // namespace

const char* LookupErrorName(uint32_t p_dwError)
{
    switch (p_dwError)
    {
    case net::kWsaEFault:
        return "WSAEFAULT";
    case net::kWsaENetDown:
        return "WSAENETDOWN";
    case net::kWsaENoBufs:
        return "WSAENOBUFS";
    case net::kWsaHostNotFound:
        return "WSAHOST_NOT_FOUND";
    case net::kWsaTryAgain:
        return "WSATRY_AGAIN";
    case net::kWsaNoRecovery:
        return "WSANO_RECOVERY";
    case net::kWsaNoData:
        return "WSANO_DATA";
    default:
        return nullptr;
    }
}

bool ParseDottedIPv4(const std::string& p_sText, net::IPv4& p_dwAddress)
{
    net::IPv4 address = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part)
    {
        if (part > 0)
        {
            if (pos >= p_sText.size() || p_sText[pos] != '.')
                return false;
            ++pos;
        }
        unsigned value = 0;
        size_t digits = 0;
        while (pos < p_sText.size() && p_sText[pos] >= '0' && p_sText[pos] <= '9' && digits < 3)
        {
            value = value * 10 + static_cast<unsigned>(p_sText[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255)
            return false;
        address = (address << 8) | value;
    }
    if (pos != p_sText.size())
        return false;
    p_dwAddress = address;
    return true;
}

CSocket::CSocket(CCancelLink& p_oLink) : m_p_oLink(&p_oLink)
{
}

CSocket::~CSocket()
{
    Close();
}

std::chrono::steady_clock::time_point CSocket::Deadline() const
{
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(m_dwWaitLimitMs);
}

bool CSocket::Create()
{
    Close();
    m_oError.Clear();
    uint32_t error = 0;
    if (!m_oSocket.Open(error))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "socket()", EResultKind::Win32Error, error);
        return false;
    }
    return true;
}

CSocket::EReady CSocket::WaitFor(std::chrono::steady_clock::time_point p_tDeadline, uint32_t& p_dwFired,
                                 uint32_t& p_dwConnectError)
{
    bool watchStop = true;
    for (;;)
    {
        uint32_t error = 0;
        const net::EWaitResult result = m_oSocket.Wait(watchStop ? &m_p_oLink->StopEvent() : nullptr,
                                                       RemainingMs(p_tDeadline), p_dwFired, p_dwConnectError, error);
        switch (result)
        {
        case net::EWaitResult::Network:
            return EReady::Ready;
        case net::EWaitResult::Stop:
            if (m_p_oLink->HonourStop())
            {
                Log("CSocket::WaitFor: stopped by the user");
                return EReady::GaveUp;
            }
            // Past the point of no return the answer is still wanted.
            watchStop = false;
            break;
        case net::EWaitResult::Timeout:
            m_p_oLink->MarkTimedOut();
            LOG_FAILURE("the wait timed out after %u ms", m_dwWaitLimitMs);
            return EReady::GaveUp;
        case net::EWaitResult::Failed:
            LogCallFailure(__PRETTY_FUNCTION__, "WSAWaitForMultipleEvents()", EResultKind::Win32Error, error);
            return EReady::GaveUp;
        }
    }
}

bool CSocket::GetHostEntry(const std::string& p_sServer, net::IPv4& p_dwAddress)
{
    if (ParseDottedIPv4(p_sServer, p_dwAddress) && p_dwAddress != 0 && p_dwAddress != 0xFFFFFFFFu)
        return true;

    net::CHostLookup lookup;
    uint32_t error = 0;
    if (!lookup.Start(p_sServer, error))
    {
        m_oError.Set(CorvaneStrings(), kMsgApiError, "CreateThread", static_cast<long>(error), "CSocket::GetHostEntry");
        ReportError(m_oError, false);
        return false;
    }
    const auto deadline = Deadline();
    bool watchStop = true;
    for (;;)
    {
        const net::EWaitResult result =
            lookup.Wait(watchStop ? &m_p_oLink->StopEvent() : nullptr, RemainingMs(deadline), error);
        if (result == net::EWaitResult::Stop)
        {
            if (m_p_oLink->HonourStop())
            {
                lookup.Cancel();
                Log("CSocket::GetHostEntry stopped by the user");
                return false;
            }
            watchStop = false;
            continue;
        }
        if (result == net::EWaitResult::Timeout)
        {
            m_p_oLink->MarkTimedOut();
            lookup.Cancel();
            LOG_FAILURE("timed out resolving '%s'", p_sServer.c_str());
            return false;
        }
        if (result == net::EWaitResult::Failed)
        {
            lookup.Cancel();
            m_oError.Set(CorvaneStrings(), kMsgDnsWaitFailed, static_cast<long>(error));
            ReportError(m_oError, false);
            return false;
        }
        const uint32_t code = lookup.ExitCode();
        if (code == 0)
        {
            p_dwAddress = lookup.Address();
            return true;
        }
        if (code == net::kStillActive)
        {
            if (RemainingMs(deadline) == 0)
            {
                m_p_oLink->MarkTimedOut();
                lookup.Cancel();
                return false;
            }
            std::this_thread::sleep_for(kLookupPoll);
            continue;
        }
        if (const char* call = lookup.FailedCall())
        {
            m_oError.Set(CorvaneStrings(), kMsgApiError, call, static_cast<long>(code), "CSocket::wndprocConnectWnd");
            ReportError(m_oError, false);
            return false;
        }
        if (const char* name = LookupErrorName(code))
        {
            m_oError.Set(CorvaneStrings(), kMsgNetworkError, name, "CSocket::GetHostEntry");
            ReportError(m_oError, false);
            return false;
        }
        const std::string call = "lookup of '" + p_sServer + "'";
        LogCallFailure(__PRETTY_FUNCTION__, call.c_str(), EResultKind::Win32Error, code);
        return false;
    }
}

bool CSocket::Connect(const std::string& p_sServer, uint16_t p_wPort)
{
    net::IPv4 address = 0;
    if (!GetHostEntry(p_sServer, address))
        return false;
    uint32_t error = 0;
    if (!m_oSocket.Select(net::kEventConnect | net::kEventClose, error))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "WSAEventSelect()", EResultKind::Win32Error, error);
        return false;
    }
    error = m_oSocket.Connect(address, p_wPort);
    if (error == 0 || error == net::kWsaEIsConn)
    {
        m_bConnected = true;
        return true;
    }
    if (error != net::kWsaEWouldBlock)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "connect()", EResultKind::Win32Error, error);
        return false;
    }
    const auto deadline = Deadline();
    for (;;)
    {
        uint32_t fired = 0;
        uint32_t connectError = 0;
        if (WaitFor(deadline, fired, connectError) != EReady::Ready)
            return false;
        if (fired & net::kEventConnect)
        {
            if (connectError != 0)
            {
                const std::string call = "connect to port " + std::to_string(p_wPort);
                LogCallFailure(__PRETTY_FUNCTION__, call.c_str(), EResultKind::Win32Error, connectError);
                return false;
            }
            m_bConnected = true;
            return true;
        }
        if (fired & net::kEventClose)
        {
            LOG_FAILURE("closed before connecting");
            return false;
        }
    }
}

bool CSocket::Send(const char* p_pData, size_t p_nSize)
{
    uint32_t error = 0;
    if (!m_oSocket.Select(net::kEventWrite | net::kEventClose, error))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "WSAEventSelect()", EResultKind::Win32Error, error);
        return false;
    }
    size_t done = 0;
    while (done < p_nSize)
    {
        size_t sent = 0;
        error = m_oSocket.Send(p_pData + done, p_nSize - done, sent);
        if (error == 0)
        {
            done += sent;
            continue;
        }
        if (error != net::kWsaEWouldBlock)
        {
            LogCallFailure(__PRETTY_FUNCTION__, "send()", EResultKind::Win32Error, error);
            return false;
        }
        uint32_t fired = 0;
        uint32_t connectError = 0;
        if (WaitFor(Deadline(), fired, connectError) != EReady::Ready)
            return false;
        if ((fired & net::kEventClose) && !(fired & net::kEventWrite))
        {
            LOG_FAILURE("connection closed by the server");
            return false;
        }
    }
    return true;
}

bool CSocket::SendChunks(const char* p_pData, size_t p_nSize, size_t p_nChunk, CSendProgress* p_p_oProgress)
{
    if (p_nChunk == 0)
        p_nChunk = p_nSize == 0 ? 1 : p_nSize;
    int low = 0;
    int high = 0;
    int start = 0;
    if (p_p_oProgress != nullptr)
    {
        p_p_oProgress->GetRange(low, high);
        start = p_p_oProgress->GetPosition();
    }
    const size_t chunks = (p_nSize + p_nChunk - 1) / p_nChunk;
    for (size_t i = 0; i < chunks; ++i)
    {
        if (m_p_oLink->PollStop())
            return false;
        const size_t offset = i * p_nChunk;
        const size_t size = p_nSize - offset < p_nChunk ? p_nSize - offset : p_nChunk;
        if (!Send(p_pData + offset, size))
            return false;
        if (p_p_oProgress != nullptr && high > start)
            p_p_oProgress->SetPosition(
                start + static_cast<int>(static_cast<long long>(high - start) * static_cast<long long>(i + 1) /
                                         static_cast<long long>(chunks)));
    }
    if (p_p_oProgress != nullptr)
        p_p_oProgress->SetPosition(high);
    return true;
}

bool CSocket::Receive(char* p_pBuffer, size_t p_nSize, size_t& p_nReceived)
{
    p_nReceived = 0;
    uint32_t error = 0;
    if (!m_oSocket.Select(net::kEventRead | net::kEventClose, error))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "WSAEventSelect()", EResultKind::Win32Error, error);
        return false;
    }
    const auto deadline = Deadline();
    for (;;)
    {
        error = m_oSocket.Receive(p_pBuffer, p_nSize, p_nReceived);
        if (error == 0 && p_nReceived > 0)
            return true;
        if (error == 0)
        {
            LOG_FAILURE("connection closed by the server");
            return false;
        }
        if (error != net::kWsaEWouldBlock)
        {
            LogCallFailure(__PRETTY_FUNCTION__, "recv()", EResultKind::Win32Error, error);
            return false;
        }
        uint32_t fired = 0;
        uint32_t connectError = 0;
        if (WaitFor(deadline, fired, connectError) != EReady::Ready)
            return false;
    }
}

void CSocket::Close()
{
    if (m_bConnected)
        m_oSocket.Shutdown();
    m_oSocket.Close();
    m_bConnected = false;
}
