// standins/oe/store/eml_message.cpp: writing and reading RFC 5322 messages.
#include "standins/oe/store/eml_message.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

namespace oestore
{
namespace
{
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr const char* kBoundary = "----=_StandinPart_000_0001";

struct CHeader
{
    std::string m_sName;
    std::string m_sValue;
};

std::string Lower(std::string_view p_sText)
{
    std::string lower(p_sText);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view p_sText)
{
    while (!p_sText.empty() && std::isspace(static_cast<unsigned char>(p_sText.front())))
        p_sText.remove_prefix(1);
    while (!p_sText.empty() && std::isspace(static_cast<unsigned char>(p_sText.back())))
        p_sText.remove_suffix(1);
    return p_sText;
}

// Splits at the first empty line (CR LF or LF); false when there is none and no header at all.
bool SplitHead(std::string_view p_sText, std::string_view& p_sHead, std::string_view& p_sBody)
{
    for (size_t at = 0; at < p_sText.size();)
    {
        const size_t end = p_sText.find('\n', at);
        const size_t stop = end == std::string_view::npos ? p_sText.size() : end;
        const std::string_view line = p_sText.substr(at, stop - at);
        if (line.empty() || line == "\r")
        {
            p_sHead = p_sText.substr(0, at);
            p_sBody = end == std::string_view::npos ? std::string_view() : p_sText.substr(end + 1);
            return true;
        }
        at = end == std::string_view::npos ? p_sText.size() : end + 1;
    }
    p_sHead = p_sText;
    p_sBody = std::string_view();
    return p_sText.find(':') != std::string_view::npos;
}

std::vector<CHeader> ParseHeaders(std::string_view p_sHead)
{
    std::vector<CHeader> headers;
    for (size_t at = 0; at < p_sHead.size();)
    {
        const size_t end = p_sHead.find('\n', at);
        const size_t stop = end == std::string_view::npos ? p_sHead.size() : end;
        std::string_view line = p_sHead.substr(at, stop - at);
        at = end == std::string_view::npos ? p_sHead.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        {
            if (!headers.empty())
                headers.back().m_sValue += " " + std::string(Trim(line));
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            continue;
        headers.push_back({Lower(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1)))});
    }
    return headers;
}

std::string HeaderValue(const std::vector<CHeader>& p_vHeaders, const char* p_szName)
{
    for (const CHeader& header : p_vHeaders)
        if (header.m_sName == p_szName)
            return header.m_sValue;
    return std::string();
}

// A parameter of a structured header ("boundary", "name", "filename"), quoted or not.
std::string Parameter(std::string_view p_sValue, const char* p_szName)
{
    const std::string lower = Lower(p_sValue);
    const std::string key = std::string(p_szName) + "=";
    for (size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1))
    {
        if (at != 0 && lower[at - 1] != ';' && !std::isspace(static_cast<unsigned char>(lower[at - 1])))
            continue;
        std::string_view rest = p_sValue.substr(at + key.size());
        if (!rest.empty() && rest.front() == '"')
        {
            rest.remove_prefix(1);
            return std::string(rest.substr(0, rest.find('"')));
        }
        return std::string(Trim(rest.substr(0, rest.find(';'))));
    }
    return std::string();
}

int HexDigit(char p_c)
{
    if (p_c >= '0' && p_c <= '9')
        return p_c - '0';
    if (p_c >= 'A' && p_c <= 'F')
        return p_c - 'A' + 10;
    if (p_c >= 'a' && p_c <= 'f')
        return p_c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view p_sText)
{
    std::string out;
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] != '=')
        {
            out.push_back(p_sText[i]);
            continue;
        }
        if (i + 1 < p_sText.size() && (p_sText[i + 1] == '\n' || p_sText[i + 1] == '\r'))
        {
            // A soft line break joins the lines.
            i += p_sText[i + 1] == '\r' && i + 2 < p_sText.size() && p_sText[i + 2] == '\n' ? 2 : 1;
            continue;
        }
        const int high = i + 2 < p_sText.size() ? HexDigit(p_sText[i + 1]) : -1;
        const int low = i + 2 < p_sText.size() ? HexDigit(p_sText[i + 2]) : -1;
        if (high < 0 || low < 0)
        {
            out.push_back('=');
            continue;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

std::string DecodeBody(const std::vector<CHeader>& p_vHeaders, std::string_view p_sBody)
{
    const std::string encoding = Lower(HeaderValue(p_vHeaders, "content-transfer-encoding"));
    if (encoding == "base64")
    {
        std::string data;
        return Base64Decode(p_sBody, data) ? data : std::string();
    }
    if (encoding == "quoted-printable")
        return DecodeQuotedPrintable(p_sBody);
    return std::string(p_sBody);
}

// The parts between "--boundary" lines, up to the closing "--boundary--".
std::vector<std::string_view> SplitParts(std::string_view p_sBody, const std::string& p_sBoundary)
{
    std::vector<std::string_view> parts;
    const std::string marker = "--" + p_sBoundary;
    size_t start = std::string_view::npos;
    for (size_t at = 0; at < p_sBody.size();)
    {
        const size_t end = p_sBody.find('\n', at);
        const size_t stop = end == std::string_view::npos ? p_sBody.size() : end;
        std::string_view line = p_sBody.substr(at, stop - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.substr(0, marker.size()) == marker)
        {
            if (start != std::string_view::npos)
            {
                // The line break before a boundary line belongs to the boundary.
                std::string_view part = p_sBody.substr(start, at - start);
                if (!part.empty() && part.back() == '\n')
                    part.remove_suffix(1);
                if (!part.empty() && part.back() == '\r')
                    part.remove_suffix(1);
                parts.push_back(part);
            }
            if (line.substr(marker.size(), 2) == "--")
                return parts;
            start = end == std::string_view::npos ? p_sBody.size() : end + 1;
        }
        at = end == std::string_view::npos ? p_sBody.size() : end + 1;
    }
    if (start != std::string_view::npos && start < p_sBody.size())
        parts.push_back(p_sBody.substr(start));
    return parts;
}

void ReadPart(const std::vector<CHeader>& p_vHeaders, std::string_view p_sBody, int p_iDepth, CMailMessage& p_oMessage)
{
    const std::string type = HeaderValue(p_vHeaders, "content-type");
    const std::string lowerType = Lower(type);
    if (lowerType.rfind("multipart/", 0) == 0)
    {
        const std::string boundary = Parameter(type, "boundary");
        if (boundary.empty() || p_iDepth >= kMaxPartDepth)
            return;
        for (const std::string_view part : SplitParts(p_sBody, boundary))
        {
            std::string_view head;
            std::string_view body;
            if (SplitHead(part, head, body))
                ReadPart(ParseHeaders(head), body, p_iDepth + 1, p_oMessage);
        }
        return;
    }
    const std::string disposition = HeaderValue(p_vHeaders, "content-disposition");
    std::string name = Parameter(disposition, "filename");
    if (name.empty())
        name = Parameter(type, "name");
    const bool text = lowerType.empty() || lowerType.rfind("text/plain", 0) == 0;
    if (!name.empty() || Lower(disposition).rfind("attachment", 0) == 0 || (!text && p_iDepth > 0))
    {
        p_oMessage.m_vAttachments.push_back({name, DecodeBody(p_vHeaders, p_sBody)});
        return;
    }
    if (text && p_oMessage.m_sBody.empty())
        p_oMessage.m_sBody = DecodeBody(p_vHeaders, p_sBody);
}

void AppendAddressLine(std::string& p_sOut, const char* p_szName, const std::vector<CMailAddress>& p_vList)
{
    if (p_vList.empty())
        return;
    p_sOut += p_szName;
    p_sOut += ": ";
    for (size_t i = 0; i < p_vList.size(); ++i)
        p_sOut += (i == 0 ? "" : ",\r\n\t") + AddressText(p_vList[i]);
    p_sOut += "\r\n";
}

// Text with every line ending in CR LF.
std::string CrLf(std::string_view p_sText)
{
    std::string out;
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] == '\n' && (i == 0 || p_sText[i - 1] != '\r'))
            out.push_back('\r');
        out.push_back(p_sText[i]);
    }
    return out;
}
} // namespace

std::string AddressText(const CMailAddress& p_oAddress)
{
    if (p_oAddress.m_sName.empty())
        return p_oAddress.m_sAddress;
    return "\"" + p_oAddress.m_sName + "\" <" + p_oAddress.m_sAddress + ">";
}

std::vector<CMailAddress> ParseAddressList(std::string_view p_sText)
{
    std::vector<CMailAddress> list;
    std::vector<std::string_view> items;
    bool quoted = false;
    int angle = 0;
    size_t start = 0;
    for (size_t i = 0; i <= p_sText.size(); ++i)
    {
        const char c = i < p_sText.size() ? p_sText[i] : ',';
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '<')
            ++angle;
        else if (!quoted && c == '>' && angle > 0)
            --angle;
        else if (((c == ',' || c == ';') && !quoted && angle == 0) || i == p_sText.size())
        {
            items.push_back(p_sText.substr(start, i - start));
            start = i + 1;
        }
    }
    for (std::string_view item : items)
    {
        item = Trim(item);
        if (item.empty())
            continue;
        CMailAddress address;
        const size_t open = item.rfind('<');
        const size_t close = item.rfind('>');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open)
        {
            address.m_sAddress = std::string(Trim(item.substr(open + 1, close - open - 1)));
            std::string_view name = Trim(item.substr(0, open));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            address.m_sName = std::string(name);
        }
        else
            address.m_sAddress = std::string(item);
        list.push_back(std::move(address));
    }
    return list;
}

std::string ComposeMessageText(const CMailMessage& p_oMessage, bool p_bWithBcc)
{
    std::string out;
    out += "From: " + AddressText(p_oMessage.m_oFrom) + "\r\n";
    AppendAddressLine(out, "To", p_oMessage.m_vTo);
    AppendAddressLine(out, "Cc", p_oMessage.m_vCc);
    if (p_bWithBcc)
        AppendAddressLine(out, "Bcc", p_oMessage.m_vBcc);
    out += "Subject: " + p_oMessage.m_sSubject + "\r\n";
    if (!p_oMessage.m_sDate.empty())
        out += "Date: " + p_oMessage.m_sDate + "\r\n";
    out += "MIME-Version: 1.0\r\n";
    const std::string textHeader = "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
                                   "Content-Transfer-Encoding: 8bit\r\n";
    if (p_oMessage.m_vAttachments.empty())
        return out + textHeader + "\r\n" + CrLf(p_oMessage.m_sBody);
    // A boundary the text does not hold (base64 lines never hold "=_").
    std::string boundary = kBoundary;
    for (int serial = 2; p_oMessage.m_sBody.find(boundary) != std::string::npos; ++serial)
        boundary = std::string(kBoundary) + "_" + std::to_string(serial);
    out += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + boundary + "\"\r\n\r\n";
    out += "This is a multi-part message in MIME format.\r\n\r\n";
    out += "--" + boundary + "\r\n" + textHeader + "\r\n" + CrLf(p_oMessage.m_sBody) + "\r\n";
    for (const CMailAttachment& attachment : p_oMessage.m_vAttachments)
    {
        out += "--" + boundary + "\r\n";
        out += "Content-Type: application/octet-stream;\r\n\tname=\"" + attachment.m_sFileName + "\"\r\n";
        out += "Content-Transfer-Encoding: base64\r\n";
        out += "Content-Disposition: attachment;\r\n\tfilename=\"" + attachment.m_sFileName + "\"\r\n\r\n";
        const std::string encoded = Base64Encode(attachment.m_sData);
        for (size_t at = 0; at < encoded.size(); at += 76)
            out += encoded.substr(at, 76) + "\r\n";
    }
    return out + "--" + boundary + "--\r\n";
}

bool ParseMessage(std::string_view p_sText, CMailMessage& p_oMessage)
{
    p_oMessage = CMailMessage();
    if (p_sText.size() > kMaxMessageSize)
        return false;
    std::string_view head;
    std::string_view body;
    if (!SplitHead(p_sText, head, body))
        return false;
    const std::vector<CHeader> headers = ParseHeaders(head);
    if (headers.empty())
        return false;
    const std::vector<CMailAddress> from = ParseAddressList(HeaderValue(headers, "from"));
    if (!from.empty())
        p_oMessage.m_oFrom = from.front();
    p_oMessage.m_vTo = ParseAddressList(HeaderValue(headers, "to"));
    p_oMessage.m_vCc = ParseAddressList(HeaderValue(headers, "cc"));
    p_oMessage.m_vBcc = ParseAddressList(HeaderValue(headers, "bcc"));
    p_oMessage.m_sSubject = HeaderValue(headers, "subject");
    p_oMessage.m_sDate = HeaderValue(headers, "date");
    p_oMessage.m_bUnsent = HeaderValue(headers, "x-unsent") == "1";
    ReadPart(headers, body, 0, p_oMessage);
    return true;
}

std::string MessageAsText(const CMailMessage& p_oMessage)
{
    auto list = [](const std::vector<CMailAddress>& p_vList) {
        std::string text;
        for (size_t i = 0; i < p_vList.size(); ++i)
            text += (i == 0 ? "" : "; ") + AddressText(p_vList[i]);
        return text;
    };
    std::string out = "From: " + AddressText(p_oMessage.m_oFrom) + "\r\n";
    out += "To: " + list(p_oMessage.m_vTo) + "\r\n";
    if (!p_oMessage.m_vCc.empty())
        out += "Cc: " + list(p_oMessage.m_vCc) + "\r\n";
    out += "Sent: " + p_oMessage.m_sDate + "\r\n";
    out += "Subject: " + p_oMessage.m_sSubject + "\r\n\r\n";
    return out + CrLf(p_oMessage.m_sBody);
}

std::string Base64Encode(std::string_view p_sData)
{
    std::string out;
    out.reserve((p_sData.size() + 2) / 3 * 4);
    for (size_t i = 0; i < p_sData.size(); i += 3)
    {
        const size_t left = p_sData.size() - i;
        uint32_t chunk = static_cast<uint8_t>(p_sData[i]) << 16;
        if (left > 1)
            chunk |= static_cast<uint8_t>(p_sData[i + 1]) << 8;
        if (left > 2)
            chunk |= static_cast<uint8_t>(p_sData[i + 2]);
        out.push_back(kAlphabet[(chunk >> 18) & 63]);
        out.push_back(kAlphabet[(chunk >> 12) & 63]);
        out.push_back(left > 1 ? kAlphabet[(chunk >> 6) & 63] : '=');
        out.push_back(left > 2 ? kAlphabet[chunk & 63] : '=');
    }
    return out;
}

bool Base64Decode(std::string_view p_sText, std::string& p_sData)
{
    p_sData.clear();
    uint32_t bits = 0;
    int count = 0;
    for (const char c : p_sText)
    {
        if (std::isspace(static_cast<unsigned char>(c)))
            continue;
        if (c == '=')
            break;
        const char* found = c == 0 ? nullptr : std::char_traits<char>::find(kAlphabet, 64, c);
        if (found == nullptr)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(found - kAlphabet);
        if (++count == 4)
        {
            p_sData.push_back(static_cast<char>(bits >> 16));
            p_sData.push_back(static_cast<char>(bits >> 8));
            p_sData.push_back(static_cast<char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1)
        return false;
    if (count >= 2)
        p_sData.push_back(static_cast<char>(bits >> (count == 2 ? 4 : 10)));
    if (count == 3)
        p_sData.push_back(static_cast<char>(bits >> 2));
    return true;
}
} // namespace oestore
