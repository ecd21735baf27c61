// Addressbook/smtp/socket.h: CSocket, the SMTP mailer's non-blocking TCP connection. Every
// wait is bounded (60 s unless told otherwise) and watches the cancel link's stop event as well.
#pragma once

#include "Addressbook/smtp/cancel_link.h"
#include "Addressbook/smtp/send_progress.h"
#include "common/error_slot.h"
#include "common/net.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kDefaultWaitLimitMs = 60000;

// The Winsock name of a lookup error that message 229 names, or nullptr for the others.
const char* LookupErrorName(uint32_t p_dwError);
// A strict dotted IPv4 address ("a.b.c.d", each 0-255).
[[nodiscard]] bool ParseDottedIPv4(const std::string& p_sText, net::IPv4& p_dwAddress);

class CSocket
{
  public:
    explicit CSocket(CCancelLink& p_oLink);
    ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    void SetCancelLink(CCancelLink& p_oLink)
    {
        m_p_oLink = &p_oLink;
    }
    // The bound of every single wait (tests shorten it).
    void SetWaitLimit(uint32_t p_dwMilliseconds)
    {
        m_dwWaitLimitMs = p_dwMilliseconds;
    }

    // A fresh TCP socket; closes any previous one.
    [[nodiscard]] bool Create();
    // Resolves p_sServer. Dotted addresses other than 0.0.0.0 and 255.255.255.255 are used as
    // they stand; other names go to a lookup thread.
    [[nodiscard]] bool GetHostEntry(const std::string& p_sServer, net::IPv4& p_dwAddress);
    [[nodiscard]] bool Connect(const std::string& p_sServer, uint16_t p_wPort);
    // All of the data, or failure.
    [[nodiscard]] bool Send(const char* p_pData, size_t p_nSize);
    [[nodiscard]] bool Send(const std::string& p_sData)
    {
        return Send(p_sData.data(), p_sData.size());
    }
    // The data in chunks of p_nChunk; between chunks the stop is polled and the bar moves in
    // equal steps from its position to the top of its range, reaching the top at the end.
    [[nodiscard]] bool SendChunks(const char* p_pData, size_t p_nSize, size_t p_nChunk, CSendProgress* p_p_oProgress);
    // What one arrival holds, at most p_nSize bytes; the peer closing the connection is a failure.
    [[nodiscard]] bool Receive(char* p_pBuffer, size_t p_nSize, size_t& p_nReceived);
    // Shuts a connected socket down both ways, then closes it.
    void Close();

    bool IsConnected() const
    {
        return m_bConnected;
    }
    // A lookup error worth showing (229, 351, 217); plain socket failures are only logged.
    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    enum class EReady
    {
        Ready,
        GaveUp, // stopped, timed out, or the wait itself failed
    };
    // Waits for p_dwEvents (already selected) under the stop rules of the cancel link.
    [[nodiscard]] EReady WaitFor(std::chrono::steady_clock::time_point p_tDeadline, uint32_t& p_dwFired,
                                 uint32_t& p_dwConnectError);
    std::chrono::steady_clock::time_point Deadline() const;

    net::CTcpSocket m_oSocket;
    CCancelLink* m_p_oLink;
    uint32_t m_dwWaitLimitMs = kDefaultWaitLimitMs;
    bool m_bConnected = false;
    CErrorSlot m_oError;
};
