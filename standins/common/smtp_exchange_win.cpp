// standins/common/smtp_exchange_win.cpp: one SMTP exchange over a blocking socket with a receive time-out.
#include "standins/common/smtp_exchange_win.h"

#include "common/failure_log.h"
#include "common/trace_log.h"
#include "common/unique_any.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace standin
{
namespace
{
constexpr DWORD kReplyTimeoutMs = 15000;

struct socket_traits
{
    using pointer = SOCKET;
    static pointer invalid() noexcept
    {
        return INVALID_SOCKET;
    }
    static void close(pointer p_s) noexcept
    {
        closesocket(p_s);
    }
};
using unique_socket = unique_any<socket_traits>;

struct addrinfo_traits
{
    using pointer = addrinfo*;
    static pointer invalid() noexcept
    {
        return nullptr;
    }
    static void close(pointer p_p) noexcept
    {
        freeaddrinfo(p_p);
    }
};
using unique_addrinfo = unique_any<addrinfo_traits>;

class CSmtpExchange
{
  public:
    explicit CSmtpExchange(SOCKET p_hSocket) : m_hSocket(p_hSocket)
    {
    }

    // The code of the next complete reply (the line whose fourth character is a space), -1 when
    // the connection ends or times out first.
    int Reply()
    {
        for (;;)
        {
            size_t start = 0;
            for (size_t nl; (nl = m_sBuffer.find("\r\n", start)) != std::string::npos; start = nl + 2)
            {
                if (nl - start >= 4 && m_sBuffer[start + 3] == ' ')
                {
                    const int code = std::atoi(m_sBuffer.substr(start, 3).c_str());
                    m_sBuffer.erase(0, nl + 2);
                    return code;
                }
            }
            char chunk[512];
            const int got = recv(m_hSocket, chunk, sizeof chunk, 0);
            if (got <= 0)
                return -1;
            m_sBuffer.append(chunk, static_cast<size_t>(got));
        }
    }

    [[nodiscard]] bool Send(const std::string& p_sText)
    {
        for (size_t at = 0; at < p_sText.size();)
        {
            const int sent = send(m_hSocket, p_sText.data() + at, static_cast<int>(p_sText.size() - at), 0);
            if (sent <= 0)
                return false;
            at += static_cast<size_t>(sent);
        }
        return true;
    }

    [[nodiscard]] bool Command(const std::string& p_sLine, int p_iWant)
    {
        if (!Send(p_sLine + "\r\n"))
            return false;
        const int code = Reply();
        if (code / 100 == p_iWant / 100)
            return true;
        LOG_FAILURE("'%s' was answered %d", p_sLine.substr(0, 40).c_str(), code);
        return false;
    }

  private:
    SOCKET m_hSocket;
    std::string m_sBuffer;
};

// Lines that begin with a dot get a second one, so that none ends the data early.
std::string DotStuffed(const std::string& p_sData)
{
    std::string out;
    out.reserve(p_sData.size() + 64);
    bool lineStart = true;
    for (const char c : p_sData)
    {
        if (lineStart && c == '.')
            out.push_back('.');
        out.push_back(c);
        lineStart = c == '\n';
    }
    if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0)
        out += "\r\n";
    return out + ".\r\n";
}
} // namespace

bool SendSmtpMail(const std::string& p_sHost, unsigned p_nPort, const std::string& p_sFrom,
                  const std::vector<std::string>& p_vRecipients, const std::string& p_sData)
{
    if (p_vRecipients.empty() || p_sHost.empty())
    {
        LOG_FAILURE("no server or no recipient");
        return false;
    }
    WSADATA wsa{};
    if (LOG_IF_WIN32_ERROR(WSAStartup(MAKEWORD(2, 2), &wsa)) != 0)
        return false;
    const scope_exit cleanup([] { WSACleanup(); });
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    unique_addrinfo found;
    if (LOG_IF_WIN32_ERROR(getaddrinfo(p_sHost.c_str(), std::to_string(p_nPort).c_str(), &hints, found.put())) != 0)
        return false;
    unique_socket sock(socket(found.get()->ai_family, found.get()->ai_socktype, found.get()->ai_protocol));
    if (!sock)
        return false;
    const DWORD timeout = kReplyTimeoutMs;
    setsockopt(sock.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (connect(sock.get(), found.get()->ai_addr, static_cast<int>(found.get()->ai_addrlen)) != 0)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "connect", EResultKind::Win32Error, WSAGetLastError());
        return false;
    }
    CSmtpExchange smtp(sock.get());
    bool ok =
        smtp.Reply() == 220 && smtp.Command("HELO localhost", 250) && smtp.Command("MAIL FROM:<" + p_sFrom + ">", 250);
    // An address named twice (on To and Bcc, say) is one envelope recipient, whatever its case:
    // the server would deliver one copy per RCPT TO.
    std::set<std::string> named;
    for (const std::string& recipient : p_vRecipients)
    {
        std::string key = recipient;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (named.insert(key).second)
            ok = ok && smtp.Command("RCPT TO:<" + recipient + ">", 250);
    }
    ok = ok && smtp.Command("DATA", 354) && smtp.Send(DotStuffed(p_sData)) && smtp.Reply() == 250;
    if (ok)
        (void)smtp.Command("QUIT", 221);
    Log("SendSmtpMail: %s to %lu recipient(s) through %s:%u", ok ? "sent" : "not sent",
        static_cast<unsigned long>(p_vRecipients.size()), p_sHost.c_str(), p_nPort);
    return ok;
}
} // namespace standin
