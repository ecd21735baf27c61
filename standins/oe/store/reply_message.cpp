// standins/oe/store/reply_message.cpp: replies and forwards of a read message.
#include "standins/oe/store/reply_message.h"

#include <cctype>

namespace oestore
{
namespace
{
bool SameAddress(const std::string& p_sLeft, const std::string& p_sRight)
{
    if (p_sLeft.size() != p_sRight.size())
        return false;
    for (size_t i = 0; i < p_sLeft.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(p_sLeft[i])) !=
            std::tolower(static_cast<unsigned char>(p_sRight[i])))
            return false;
    return true;
}

bool StartsWithPrefix(const std::string& p_sSubject, const char* p_szPrefix)
{
    const std::string prefix = p_szPrefix;
    return p_sSubject.size() >= prefix.size() && SameAddress(p_sSubject.substr(0, prefix.size()), prefix);
}

std::string AddressLine(const std::vector<CMailAddress>& p_vList)
{
    std::string text;
    for (const CMailAddress& address : p_vList)
        text += (text.empty() ? "" : "; ") + AddressText(address);
    return text;
}

// The original's text with every line (also the last one without a line break) behind p_szPrefix.
std::string QuotedBody(const std::string& p_sBody, const char* p_szPrefix)
{
    std::string quoted;
    size_t at = 0;
    while (at < p_sBody.size())
    {
        size_t end = p_sBody.find('\n', at);
        std::string line = p_sBody.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        quoted += p_szPrefix + line + "\r\n";
        at = end == std::string::npos ? p_sBody.size() : end + 1;
    }
    return quoted;
}

void AddUnlessPresent(std::vector<CMailAddress>& p_vList, const CMailAddress& p_oAddress, const std::string& p_sOwn)
{
    if (p_oAddress.m_sAddress.empty() || SameAddress(p_oAddress.m_sAddress, p_sOwn))
        return;
    for (const CMailAddress& present : p_vList)
        if (SameAddress(present.m_sAddress, p_oAddress.m_sAddress))
            return;
    p_vList.push_back(p_oAddress);
}
} // namespace

CMailMessage MakeReply(const CMailMessage& p_oOriginal, EReplyKind p_eKind, bool p_bIncludeOriginal,
                       const std::string& p_sOwnAddress)
{
    CMailMessage reply;
    const bool forward = p_eKind == EReplyKind::Forward;
    if (!forward)
    {
        AddUnlessPresent(reply.m_vTo, p_oOriginal.m_oFrom, std::string());
        if (p_eKind == EReplyKind::ReplyAll)
        {
            for (const CMailAddress& address : p_oOriginal.m_vTo)
                AddUnlessPresent(reply.m_vTo, address, p_sOwnAddress);
            for (const CMailAddress& address : p_oOriginal.m_vCc)
                AddUnlessPresent(reply.m_vCc, address, p_sOwnAddress);
        }
    }
    const char* prefix = forward ? "Fw: " : "Re: ";
    reply.m_sSubject =
        StartsWithPrefix(p_oOriginal.m_sSubject, prefix) ? p_oOriginal.m_sSubject : prefix + p_oOriginal.m_sSubject;
    reply.m_sBody = "\r\n";
    if (forward || p_bIncludeOriginal)
    {
        std::string header = "----- Original Message -----\r\nFrom: " + AddressText(p_oOriginal.m_oFrom) +
                             "\r\nTo: " + AddressLine(p_oOriginal.m_vTo) + "\r\n";
        if (!p_oOriginal.m_vCc.empty())
            header += "Cc: " + AddressLine(p_oOriginal.m_vCc) + "\r\n";
        header += "Sent: " + p_oOriginal.m_sDate + "\r\nSubject: " + p_oOriginal.m_sSubject + "\r\n";
        const char* quote = forward ? "" : "> ";
        // The header block and the text are set apart by an empty (quoted) line.
        reply.m_sBody +=
            "\r\n" + QuotedBody(header, quote) + (forward ? "\r\n" : "> \r\n") + QuotedBody(p_oOriginal.m_sBody, quote);
    }
    if (forward)
        reply.m_vAttachments = p_oOriginal.m_vAttachments;
    return reply;
}
} // namespace oestore
