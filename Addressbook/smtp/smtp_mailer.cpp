// Addressbook/smtp/smtp_mailer.cpp: the MIME mail and the SMTP dialogue of CSMTPMailer.
// A stop or a time-out ends the dialogue at once without an error: the cancel link's state tells
// the sender what happened. Anything else that goes wrong ends it with the error recorded and
// without QUIT.
#include "Addressbook/smtp/smtp_mailer.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string_view>

const char* const kMixedBoundary = "VI_REVE_MultiMixed_PaRt_BoUnDaRy_22102001";
const char* const kAlternativeBoundary = "VI_REVE_MultiAlt_PaRt_BoUnDaRy_22102001";

namespace
{
constexpr unsigned kMsgNoRecipients = 22;
constexpr unsigned kMsgMailServerCaption = 110;
constexpr unsigned kMsgMailServerLead = 111;
constexpr unsigned kMsgSecureAuthentication = 112;
constexpr unsigned kMsgProblemWas = 113;
constexpr unsigned kMsgConnecting = 150;
constexpr unsigned kMsgSendingMessage = 151;
constexpr unsigned kMsgEncodingAttachment = 152;
constexpr unsigned kMsgInvalidResponse = 360;

constexpr size_t kBodyChunk = 1024;
constexpr size_t kAttachmentBlock = 54;
constexpr size_t kBytesPerStep = 10800;
constexpr size_t kMaxHostName = 80;

struct CExpected
{
    int m_iCode;
    const char* m_szText;
};
const CExpected g_aExpected[kStepCount] = {
    {250, "SMTP server error"},
    {220, "SMTP server not available"},
    {354, "SMTP server not ready for data"},
    {221, "SMTP server didn't terminate session"},
    {530, "SMTP server requires authentication"},
    {454, "SMTP server had temporary authentication failure"},
    {534, "SMTP authentication level too weak"},
};

const char g_acBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Text(unsigned p_uId)
{
    return FormatTableMessage(CorvaneStrings(), p_uId);
}

// A header value on one line: a line break inside it would start a header of its own.
std::string OneLine(const std::string& p_sText)
{
    std::string out = p_sText;
    for (char& c : out)
    {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

// An address that can go into a command: present and without line breaks or angle brackets.
bool IsUsableAddress(const std::string& p_sEmail)
{
    if (p_sEmail.empty())
        return false;
    return p_sEmail.find_first_of("\r\n<>") == std::string::npos;
}

bool EndsWithCrLf(const std::string& p_sText)
{
    return p_sText.size() >= 2 && p_sText.compare(p_sText.size() - 2, 2, "\r\n") == 0;
}

void AppendBase64Line(const unsigned char* p_pData, size_t p_nSize, std::string& p_sOut)
{
    size_t i = 0;
    for (; i + 3 <= p_nSize; i += 3)
    {
        const uint32_t v = (uint32_t(p_pData[i]) << 16) | (uint32_t(p_pData[i + 1]) << 8) | p_pData[i + 2];
        p_sOut += g_acBase64[(v >> 18) & 63];
        p_sOut += g_acBase64[(v >> 12) & 63];
        p_sOut += g_acBase64[(v >> 6) & 63];
        p_sOut += g_acBase64[v & 63];
    }
    if (i < p_nSize)
    {
        const bool two = i + 1 < p_nSize;
        const uint32_t v = (uint32_t(p_pData[i]) << 16) | (two ? uint32_t(p_pData[i + 1]) << 8 : 0);
        p_sOut += g_acBase64[(v >> 18) & 63];
        p_sOut += g_acBase64[(v >> 12) & 63];
        p_sOut += two ? g_acBase64[(v >> 6) & 63] : '=';
        p_sOut += '=';
    }
    p_sOut += "\r\n";
}

std::string LocalDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char buffer[128] = {};
    std::strftime(buffer, sizeof(buffer), "%a, %d %b %y %H:%M:%S %Z", &local);
    return buffer;
}

void AppendTextPart(const char* p_szType, const std::string& p_sText, std::string& p_sOut)
{
    p_sOut += "Content-Type: ";
    p_sOut += p_szType;
    p_sOut += ";\r\n\tcharset=\"iso-8859-1\"\r\n";
    p_sOut += "Content-Transfer-Encoding: 7bit\r\n\r\n";
    p_sOut += p_sText;
    p_sOut += "\r\n\r\n";
}
} // namespace

std::vector<CMailAddress> MailAddressesOf(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<CMailAddress> addresses;
    if (p_p_mrlList == nullptr)
        return addresses;
    for (const CMessageRecipientNode* node = p_p_mrlList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
    {
        const CMessageRecipient* recipient = node->m_p_oItem;
        if (recipient == nullptr)
            continue;
        CMailAddress address;
        if (recipient->m_szName != nullptr)
            address.m_sName = recipient->m_szName;
        if (recipient->m_szEmail != nullptr)
            address.m_sEmail = recipient->m_szEmail;
        addresses.push_back(std::move(address));
    }
    return addresses;
}

void SplitServerAndPort(const std::string& p_sServer, std::string& p_sHost, uint16_t& p_wPort)
{
    p_sHost = p_sServer;
    p_wPort = kSMTPPort;
    const size_t colon = p_sServer.rfind(':');
    if (colon == std::string::npos || colon == 0 || p_sServer.find(':') != colon)
        return;
    const std::string digits = p_sServer.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return;
    const unsigned long port = std::stoul(digits);
    if (port == 0 || port > 65535)
        return;
    p_sHost = p_sServer.substr(0, colon);
    p_wPort = static_cast<uint16_t>(port);
}

std::string EncodeForData(const std::string& p_sText)
{
    std::string out;
    out.reserve(p_sText.size() + p_sText.size() / 64 + 8);
    bool lineStart = true;
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        const char c = p_sText[i];
        if (lineStart && c == '.')
            out += '.';
        if (c == '\n' && (i == 0 || p_sText[i - 1] != '\r'))
            out += '\r';
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

CSMTPMailer::CSMTPMailer(CCancelLink* p_p_oLink) : m_p_oLink(p_p_oLink)
{
    if (m_p_oLink == nullptr)
    {
        m_p_oOwnLink = std::make_unique<CCancelLink>();
        m_p_oLink = m_p_oOwnLink.get();
    }
    uint32_t error = 0;
    if (!net::Startup(error))
    {
        m_oError.Set(CorvaneStrings(), kMsgApiError, "WSAStartup", static_cast<long>(error), "CSMTPMailer()");
        ReportError(m_oError, false);
        return;
    }
    m_bWinsockStarted = true;
    m_pwsSMTPServer.reset(new (std::nothrow) CSocket(*m_p_oLink));
    if (m_pwsSMTPServer == nullptr)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "m_pwsSMTPServer", "CSMTPMailer()");
        ReportError(m_oError, false);
    }
}

CSMTPMailer::~CSMTPMailer()
{
    if (m_pwsSMTPServer != nullptr)
        m_pwsSMTPServer->Close();
    m_pwsSMTPServer.reset();
    if (m_bWinsockStarted)
        net::Cleanup();
}

void CSMTPMailer::SetCancelLink(CCancelLink* p_p_oLink)
{
    if (p_p_oLink == nullptr)
    {
        if (m_p_oOwnLink == nullptr)
            m_p_oOwnLink = std::make_unique<CCancelLink>();
        p_p_oLink = m_p_oOwnLink.get();
    }
    m_p_oLink = p_p_oLink;
    if (m_pwsSMTPServer != nullptr)
        m_pwsSMTPServer->SetCancelLink(*m_p_oLink);
}

void CSMTPMailer::SetWaitLimit(uint32_t p_dwMilliseconds)
{
    m_dwWaitLimitMs = p_dwMilliseconds;
    if (m_pwsSMTPServer != nullptr)
        m_pwsSMTPServer->SetWaitLimit(p_dwMilliseconds);
}

void CSMTPMailer::RecordFailure(const char* p_szCall, const char* p_szOperation)
{
    const std::string text = FormatTableMessage(CorvaneStrings(), kMsgFunctionFailed, p_szCall, p_szOperation);
    Log("%s", text.c_str());
    if (!m_oError.IsSet())
        m_oError.SetText(kMsgFunctionFailed, text);
}

bool CSMTPMailer::Stopped(const char* p_szStep)
{
    if (!m_p_oLink->PollStop())
        return false;
    Log("CSMTPMailer: send stopped at '%s' (state %u)", p_szStep, m_p_oLink->State());
    return true;
}

int CSMTPMailer::Send(const char* p_szSenderName, const char* p_szSenderEmail, const char* p_szSubject,
                      const char* p_szHTMLBody, const char* p_szPlainBody, const char* p_szAttachmentPath,
                      const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlBcc,
                      CSendProgress* p_p_oProgress)
{
    return Send(p_szSenderName, p_szSenderEmail, p_szSubject, p_szHTMLBody, p_szPlainBody, p_szAttachmentPath,
                MailAddressesOf(p_p_mrlTo), MailAddressesOf(p_p_mrlBcc), p_p_oProgress);
}

int CSMTPMailer::Send(const char* p_szSenderName, const char* p_szSenderEmail, const char* p_szSubject,
                      const char* p_szHTMLBody, const char* p_szPlainBody, const char* p_szAttachmentPath,
                      const std::vector<CMailAddress>& p_vTo, const std::vector<CMailAddress>& p_vBcc,
                      CSendProgress* p_p_oProgress)
{
    CLogScope scope("CSMTPMailer::Send");
    m_oError.Clear();
    if (!IsValid())
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "m_pwsSMTPServer", "CSMTPMailer::Send");
        return -1;
    }
    if (p_szHTMLBody == nullptr && p_szPlainBody == nullptr)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CSMTPMailer::Send");
        ReportError(m_oError, false);
        return -1;
    }
    m_sSenderName = p_szSenderName != nullptr ? p_szSenderName : "";
    m_sSenderEmail = p_szSenderEmail != nullptr ? p_szSenderEmail : "";
    m_sSubject = p_szSubject != nullptr ? p_szSubject : "";
    if (!GetSMTPServer(m_sSMTPServer))
    {
        LOG_FAILURE("GetSMTPServer() failed");
        if (!m_oError.IsSet())
            m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, "GetSMTPServer", "CSMTPMailer::Send");
        return -1;
    }
    Log("m_sSMTPServer %s", m_sSMTPServer.c_str());

    m_bHasHTML = p_szHTMLBody != nullptr;
    m_bHasPlain = p_szPlainBody != nullptr;
    m_sHTMLBody = m_bHasHTML ? p_szHTMLBody : "";
    m_sPlainBody = m_bHasPlain ? p_szPlainBody : "";
    m_sAttachmentPath = p_szAttachmentPath != nullptr ? p_szAttachmentPath : "";
    m_p_oProgress = p_p_oProgress;
    m_vTo = p_vTo;
    m_vBcc = p_vBcc;

    m_sMailHeader = BuildHeader();
    m_sMailBody.clear();
    if (!BuildBody(m_sMailBody))
        return -1;
    if (m_p_oLink->IsStopped())
        return 0;
    const int result = SendMail(kMaxRecipientsPerMail);
    // A dialogue that ended early leaves the session in an unknown step: the next send starts anew.
    m_pwsSMTPServer->Close();
    m_bConnected = false;
    if (result != 0)
    {
        LOG_FAILURE("SendMail() failed");
        return -1;
    }
    return 0;
}

std::string CSMTPMailer::BuildHeader() const
{
    std::string header = "From: " + OneLine(m_sSenderName) + " <" + OneLine(m_sSenderEmail) + ">\r\n";
    std::vector<const CMailAddress*> to;
    for (const CMailAddress& address : m_vTo)
    {
        if (!address.m_sEmail.empty())
            to.push_back(&address);
    }
    header += "To: ";
    if (to.empty())
        header += "Friends\r\n";
    for (size_t i = 0; i < to.size(); ++i)
    {
        if (!to[i]->m_sName.empty())
            header += OneLine(to[i]->m_sName) + " <" + OneLine(to[i]->m_sEmail) + ">";
        else
            header += OneLine(to[i]->m_sEmail);
        // The next address goes on a folded line: it must start with white space to stay in To.
        header += i + 1 < to.size() ? ",\r\n\t" : "\r\n";
    }
    header += "Date: " + LocalDate() + "\r\n";
    header += "Subject: " + OneLine(m_sSubject) + "\r\n";
    header += "X-Mailer: VI Reve\r\n";
    header += "MIME-Version: 1.0\r\n";
    header += "Content-Type: multipart/mixed;\r\n\tboundary=";
    header += kMixedBoundary;
    header += "\r\n";
    return header;
}

bool CSMTPMailer::BuildBody(std::string& p_sBody)
{
    std::string& body = p_sBody;
    body += "\r\nThis is a multi-part message in MIME format.\r\n\r\n";
    body += "--";
    body += kMixedBoundary;
    body += "\r\n";
    const bool both = m_bHasHTML && m_bHasPlain;
    if (both)
    {
        body += "Content-Type: multipart/alternative;\r\n\tboundary=";
        body += kAlternativeBoundary;
        body += "\r\n\r\n";
    }
    if (m_bHasPlain)
    {
        if (both)
            body += std::string("--") + kAlternativeBoundary + "\r\n";
        AppendTextPart("text/plain", m_sPlainBody, body);
    }
    if (m_bHasHTML)
    {
        if (both)
            body += std::string("--") + kAlternativeBoundary + "\r\n";
        AppendTextPart("text/html", m_sHTMLBody, body);
    }
    if (both)
        body += std::string("--") + kAlternativeBoundary + "--\r\n\r\n";
    body += "\r\n\r\n\r\n";
    if (!m_sAttachmentPath.empty())
    {
        const std::string name = OneLine(FileNameOf(m_sAttachmentPath));
        if (!EndsWithCrLf(body))
            body += "\r\n";
        body += std::string("--") + kMixedBoundary + "\r\n";
        body += "Content-Type: application/octet-stream;\r\n";
        // A parameter of Content-Type: folded, so that it does not end the part's header.
        body += "\tfile=" + name + "\r\n";
        body += "Content-Transfer-Encoding: base64\r\n";
        body += "Content-Disposition: attachment; filename=" + name + "\r\n";
        body += "\r\n";
        if (!AttachFile(m_sAttachmentPath, body))
            return false;
        if (m_p_oLink->IsStopped())
            return true;
    }
    if (!EndsWithCrLf(body))
        body += "\r\n";
    body += std::string("--") + kMixedBoundary + "--\r\n";
    return true;
}

bool CSMTPMailer::AttachFile(const std::string& p_sPath, std::string& p_sOut)
{
    if (m_p_oProgress != nullptr)
        m_p_oProgress->SetText(Text(kMsgEncodingAttachment));
    std::FILE* file = std::fopen(p_sPath.c_str(), "rb");
    if (file == nullptr)
    {
        m_oError.Set(CorvaneStrings(), kMsgOpenFile, p_sPath.c_str(), errno);
        ReportError(m_oError, false);
        return false;
    }
    unsigned char block[kAttachmentBlock];
    size_t sinceStep = 0;
    bool ok = true;
    for (;;)
    {
        if (Stopped("attachment"))
            break;
        const size_t got = std::fread(block, 1, sizeof(block), file);
        if (got < sizeof(block) && std::ferror(file))
        {
            m_oError.Set(CorvaneStrings(), kMsgApiError, "ReadFile", static_cast<long>(errno),
                         "CSMTPMailer::AttachFile");
            ReportError(m_oError, false);
            ok = false;
            break;
        }
        if (got == 0)
        {
            p_sOut += "\r\n";
            break;
        }
        AppendBase64Line(block, got, p_sOut);
        sinceStep += got;
        if (sinceStep >= kBytesPerStep)
        {
            sinceStep -= kBytesPerStep;
            if (m_p_oProgress != nullptr)
                m_p_oProgress->Step();
        }
        if (got < sizeof(block))
        {
            p_sOut += "\r\n";
            break;
        }
    }
    std::fclose(file);
    return ok;
}

bool CSMTPMailer::GotResponse(int p_iStep)
{
    if (p_iStep < 0 || p_iStep >= kStepCount)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CSMTPMailer::GotResponse");
        ReportError(m_oError, false);
        return false;
    }
    std::fill(std::begin(m_acResponse), std::end(m_acResponse), '\0');
    // A reply may arrive in pieces: read until its last line (one without '-' after the code) is
    // complete, or the buffer is full, or what came already cannot be a reply.
    size_t used = 0;
    for (;;)
    {
        size_t got = 0;
        if (!m_pwsSMTPServer->Receive(m_acResponse + used, sizeof(m_acResponse) - 1 - used, got))
        {
            if (m_p_oLink->IsStopped())
                return true;
            RecordFailure("m_pwsSMTPServer->Receive", "CSMTPMailer::GotResponse");
            return false;
        }
        used += got;
        m_acResponse[used] = '\0';
        if (used >= 3 && !(isdigit(static_cast<unsigned char>(m_acResponse[0])) &&
                           isdigit(static_cast<unsigned char>(m_acResponse[1])) &&
                           isdigit(static_cast<unsigned char>(m_acResponse[2]))))
            break;
        if (used >= sizeof(m_acResponse) - 1)
            break;
        const std::string_view reply(m_acResponse, used);
        size_t lineStart = 0;
        bool complete = false;
        for (size_t end = reply.find("\r\n"); end != std::string_view::npos; end = reply.find("\r\n", lineStart))
        {
            const std::string_view line = reply.substr(lineStart, end - lineStart);
            if (line.size() < 4 || line[3] != '-')
            {
                complete = true;
                break;
            }
            lineStart = end + 2;
        }
        if (complete)
            break;
    }
    if (m_p_oLink->IsStopped())
        return true;
    Log("SMTP reply: %s", m_acResponse);
    if (used < 3 || !isdigit(static_cast<unsigned char>(m_acResponse[0])) ||
        !isdigit(static_cast<unsigned char>(m_acResponse[1])) || !isdigit(static_cast<unsigned char>(m_acResponse[2])))
    {
        m_iLastCode = 0;
        m_oError.Set(CorvaneStrings(), kMsgInvalidResponse);
        ReportError(m_oError, false);
        return false;
    }
    m_iLastCode = (m_acResponse[0] - '0') * 100 + (m_acResponse[1] - '0') * 10 + (m_acResponse[2] - '0');
    const CExpected& expected = g_aExpected[p_iStep];
    if (m_iLastCode == expected.m_iCode)
        return true;
    char text[160];
    std::snprintf(text, sizeof(text), "%d:%s", m_iLastCode, expected.m_szText);
    m_oError.SetText(0, text);
    Log("%s", text);
    return false;
}

bool CSMTPMailer::SendSocketMessage(const std::string& p_sCommand, int p_iStep, bool p_bFinal)
{
    if (p_bFinal)
        m_p_oLink->ForbidCancel();
    if (!m_pwsSMTPServer->Send(p_sCommand))
    {
        if (m_p_oLink->IsStopped())
            return true;
        RecordFailure("m_pwsSMTPServer->Send", "CSMTPMailer::SendSocketMessage");
        return false;
    }
    return GotResponse(p_iStep);
}

bool CSMTPMailer::SendConnect()
{
    static const char* const kOperation = "CSMTPMailer::SendConnect";
    if (!m_pwsSMTPServer->Create())
    {
        RecordFailure("m_pwsSMTPServer->Create", kOperation);
        return false;
    }
    std::string host;
    uint16_t port = kSMTPPort;
    SplitServerAndPort(m_sSMTPServer, host, port);
    if (!m_pwsSMTPServer->Connect(host, port))
    {
        if (m_p_oLink->IsStopped())
            return true;
        if (m_pwsSMTPServer->Error().IsSet())
            m_oError.CopyFrom(m_pwsSMTPServer->Error());
        RecordFailure("m_pwsSMTPServer->Connect", kOperation);
        return false;
    }
    if (!GotResponse(kStepConnect))
    {
        RecordFailure("GotResponse", kOperation);
        return false;
    }
    if (m_p_oLink->IsStopped())
        return true;

    std::string hostName;
    uint32_t error = 0;
    if (!net::GetLocalHostName(kMaxHostName, hostName, error))
    {
        if (error != net::kWsaEFault && error != net::kWsaENetDown)
        {
            m_oError.Set(CorvaneStrings(), kMsgApiError, "gethostname", static_cast<long>(error), kOperation);
            ReportError(m_oError, false);
            return false;
        }
        hostName = "NoName";
    }
    if (!m_pwsSMTPServer->Send("HELO " + hostName + "\r\n"))
    {
        if (m_p_oLink->IsStopped())
            return true;
        RecordFailure("m_pwsSMTPServer->Send", kOperation);
        return false;
    }
    if (!GotResponse(kStepCommand))
    {
        RecordFailure("GotResponse(2)", kOperation);
        return false;
    }
    m_bConnected = !m_p_oLink->IsStopped();
    return true;
}

void CSMTPMailer::ShowAuthenticationWarning()
{
    Log("Warning: Trying to switch to override SMTP server...");
    CErrorSlot warning;
    warning.SetText(kMsgProblemWas,
                    FormatTableMessage(CorvaneStrings(), kMsgProblemWas, Text(kMsgMailServerLead).c_str(),
                                       Text(kMsgSecureAuthentication).c_str()));
    ReportError(warning, true, Text(kMsgMailServerCaption).c_str());
}

bool CSMTPMailer::SendRound(size_t& p_nNextTo, size_t& p_nNextBcc, int p_iMaxRecipients, const std::string& p_sHeader,
                            const std::string& p_sBody)
{
    if (Stopped("from"))
        return true;
    const std::string from = "MAIL From: <" + m_sSenderEmail + ">\r\n";
    if (!SendSocketMessage(from, kStepCommand, false))
    {
        for (int step = kStepAuthRequired; step <= kStepAuthWeak; ++step)
        {
            if (m_iLastCode == g_aExpected[step].m_iCode)
            {
                char text[160];
                std::snprintf(text, sizeof(text), "%d:%s", m_iLastCode, g_aExpected[step].m_szText);
                m_oError.SetText(0, text);
                ShowAuthenticationWarning();
                break;
            }
        }
        LOG_FAILURE("SendSocketMessage('%s') failed", "MAIL From");
        return false;
    }
    if (m_p_oLink->IsStopped())
        return true;

    int taken = 0;
    while (taken < p_iMaxRecipients && (p_nNextTo < m_vTo.size() || p_nNextBcc < m_vBcc.size()))
    {
        const bool fromTo = p_nNextTo < m_vTo.size();
        const CMailAddress& address = fromTo ? m_vTo[p_nNextTo++] : m_vBcc[p_nNextBcc++];
        // Without an address there is no one to hand the mail to.
        if (!IsUsableAddress(address.m_sEmail))
            continue;
        if (Stopped(fromTo ? "rcpt" : "bcc"))
            return true;
        if (!SendSocketMessage("RCPT TO: <" + address.m_sEmail + ">\r\n", kStepCommand, false))
        {
            LOG_FAILURE("SendSocketMessage('%s') failed", "RCPT TO");
            return false;
        }
        if (m_p_oLink->IsStopped())
            return true;
        ++taken;
    }

    if (Stopped("data"))
        return true;
    if (!SendSocketMessage("DATA\r\n", kStepData, false))
    {
        LOG_FAILURE("SendSocketMessage('%s') failed", "DATA");
        return false;
    }
    if (m_p_oLink->IsStopped() || Stopped("header"))
        return true;
    if (!m_pwsSMTPServer->Send(p_sHeader))
    {
        if (m_p_oLink->IsStopped())
            return true;
        RecordFailure("m_pwsSMTPServer->Send", "CSMTPMailer::SendMail");
        return false;
    }
    if (Stopped("body"))
        return true;
    if (!m_pwsSMTPServer->SendChunks(p_sBody.data(), p_sBody.size(), kBodyChunk, m_p_oProgress))
    {
        if (m_p_oLink->IsStopped())
            return true;
        RecordFailure("m_pwsSMTPServer->SendChunks", "CSMTPMailer::SendMail");
        return false;
    }
    if (Stopped("body"))
        return true;
    if (!SendSocketMessage("\r\n.\r\n", kStepCommand, true))
    {
        LOG_FAILURE("SendSocketMessage('%s') failed", "end of data");
        return false;
    }
    return true;
}

int CSMTPMailer::SendMail(int p_iMaxRecipients)
{
    CLogScope scope("CSMTPMailer::SendMail");
    if (p_iMaxRecipients < 1)
        p_iMaxRecipients = 1;
    if (m_p_oProgress != nullptr)
        m_p_oProgress->SetText(Text(kMsgConnecting));
    if (Stopped("connect"))
        return 0;
    if (!m_bConnected)
    {
        if (!SendConnect())
            return -1;
        if (m_p_oLink->IsStopped())
            return 0;
    }

    size_t usable = 0;
    for (const auto* list : {&m_vTo, &m_vBcc})
    {
        for (const CMailAddress& address : *list)
            usable += IsUsableAddress(address.m_sEmail) ? 1 : 0;
    }
    if (usable == 0)
    {
        m_oError.Set(CorvaneStrings(), kMsgNoRecipients);
        ReportError(m_oError, false);
        return -1;
    }
    if (m_p_oProgress != nullptr)
        m_p_oProgress->SetText(Text(kMsgSendingMessage));

    const std::string header = EncodeForData(m_sMailHeader);
    const std::string body = EncodeForData(m_sMailBody);

    size_t nextTo = 0;
    size_t nextBcc = 0;
    auto remaining = [&] {
        for (size_t i = nextTo; i < m_vTo.size(); ++i)
            if (IsUsableAddress(m_vTo[i].m_sEmail))
                return true;
        for (size_t i = nextBcc; i < m_vBcc.size(); ++i)
            if (IsUsableAddress(m_vBcc[i].m_sEmail))
                return true;
        return false;
    };
    while (remaining())
    {
        if (!SendRound(nextTo, nextBcc, p_iMaxRecipients, header, body))
            return -1;
        if (m_p_oLink->IsStopped())
            return 0;
    }

    if (Stopped("close"))
        return 0;
    if (!SendSocketMessage("QUIT\r\n", kStepQuit, false))
    {
        LOG_FAILURE("SendSocketMessage('%s') failed", "QUIT");
        return -1;
    }
    m_pwsSMTPServer->Close();
    m_bConnected = false;
    return 0;
}
