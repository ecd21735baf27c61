// gateway/mail_message.cpp: header unfolding, MIME multipart splitting, transfer decodings.
#include "gateway/mail_message.h"

#include "Addressbook/protocol/base64.h"

#include <algorithm>
#include <cctype>

namespace
{
constexpr int kMaxDepth = 8;

std::string Lower(std::string p_s)
{
    std::transform(p_s.begin(), p_s.end(), p_s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return p_s;
}

std::string Trim(std::string_view p_s)
{
    size_t begin = 0;
    size_t end = p_s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(p_s[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(p_s[end - 1])))
        --end;
    return std::string(p_s.substr(begin, end - begin));
}

// Where the header block ends and the body begins: the first empty line, written CR LF or LF.
bool SplitEntity(std::string_view p_sRaw, std::string_view& p_sHeaders, std::string_view& p_sBody)
{
    size_t at = 0;
    for (;;)
    {
        const size_t lf = p_sRaw.find('\n', at);
        if (lf == std::string_view::npos)
        {
            // Only headers, no body at all.
            p_sHeaders = p_sRaw;
            p_sBody = std::string_view();
            return !p_sRaw.empty();
        }
        const std::string_view line = p_sRaw.substr(at, lf - at);
        if (line.empty() || line == "\r")
        {
            p_sHeaders = p_sRaw.substr(0, at);
            p_sBody = p_sRaw.substr(lf + 1);
            return true;
        }
        at = lf + 1;
    }
}

std::string DecodeBody(std::string_view p_sBody, const std::string& p_sEncoding)
{
    if (p_sEncoding == "base64")
    {
        CBase64 coder(0);
        std::vector<uint8_t> bytes;
        if (!coder.Decode(p_sBody, bytes))
            return std::string();
        return std::string(bytes.begin(), bytes.end());
    }
    if (p_sEncoding == "quoted-printable")
        return DecodeQuotedPrintable(p_sBody);
    return std::string(p_sBody);
}
} // namespace

std::map<std::string, std::string> ParseHeaderBlock(std::string_view p_sBlock)
{
    std::map<std::string, std::string> headers;
    std::string name;
    size_t at = 0;
    while (at < p_sBlock.size())
    {
        size_t lf = p_sBlock.find('\n', at);
        if (lf == std::string_view::npos)
            lf = p_sBlock.size();
        std::string_view line = p_sBlock.substr(at, lf - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        at = lf + 1;
        if (line.empty())
            continue;
        if ((line[0] == ' ' || line[0] == '\t') && !name.empty())
        {
            headers[name] += " " + Trim(line);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            continue;
        name = Lower(Trim(line.substr(0, colon)));
        // The first occurrence wins, as for Received lines only the top one matters here.
        headers.emplace(name, Trim(line.substr(colon + 1)));
    }
    return headers;
}

std::string HeaderParameter(const std::string& p_sValue, const std::string& p_sName)
{
    const std::string lower = Lower(p_sValue);
    size_t at = 0;
    while ((at = lower.find(p_sName, at)) != std::string::npos)
    {
        const bool startsWord =
            at == 0 || lower[at - 1] == ';' || std::isspace(static_cast<unsigned char>(lower[at - 1]));
        size_t eq = at + p_sName.size();
        while (eq < lower.size() && std::isspace(static_cast<unsigned char>(lower[eq])))
            ++eq;
        if (!startsWord || eq >= lower.size() || lower[eq] != '=')
        {
            at += p_sName.size();
            continue;
        }
        size_t begin = eq + 1;
        while (begin < p_sValue.size() && std::isspace(static_cast<unsigned char>(p_sValue[begin])))
            ++begin;
        if (begin < p_sValue.size() && p_sValue[begin] == '"')
        {
            const size_t close = p_sValue.find('"', begin + 1);
            return p_sValue.substr(begin + 1, close == std::string::npos ? std::string::npos : close - begin - 1);
        }
        const size_t end = p_sValue.find_first_of("; \t", begin);
        return p_sValue.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    }
    return std::string();
}

std::string DecodeQuotedPrintable(std::string_view p_sText)
{
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(p_sText.size());
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] != '=')
        {
            out += p_sText[i];
            continue;
        }
        // A soft line break joins the lines.
        if (i + 1 < p_sText.size() && p_sText[i + 1] == '\n')
        {
            ++i;
            continue;
        }
        if (i + 2 < p_sText.size() && p_sText[i + 1] == '\r' && p_sText[i + 2] == '\n')
        {
            i += 2;
            continue;
        }
        if (i + 2 < p_sText.size() && hex(p_sText[i + 1]) >= 0 && hex(p_sText[i + 2]) >= 0)
        {
            out += static_cast<char>(hex(p_sText[i + 1]) * 16 + hex(p_sText[i + 2]));
            i += 2;
            continue;
        }
        out += '=';
    }
    return out;
}

bool CMailMessage::Parse(std::string_view p_sRaw, std::string& p_sError)
{
    m_mHeaders.clear();
    m_vParts.clear();
    return ParseEntity(p_sRaw, 0, p_sError, true);
}

std::string CMailMessage::Header(const std::string& p_sName) const
{
    const auto it = m_mHeaders.find(Lower(p_sName));
    return it == m_mHeaders.end() ? std::string() : it->second;
}

bool CMailMessage::ParseEntity(std::string_view p_sRaw, int p_iDepth, std::string& p_sError, bool p_bTop)
{
    if (p_iDepth > kMaxDepth)
    {
        p_sError = "MIME parts nested too deeply";
        return false;
    }
    std::string_view headerText;
    std::string_view body;
    if (!SplitEntity(p_sRaw, headerText, body))
    {
        p_sError = "no header block";
        return false;
    }
    std::map<std::string, std::string> headers = ParseHeaderBlock(headerText);
    if (p_bTop)
        m_mHeaders = headers;

    const std::string contentType = headers.count("content-type") ? headers["content-type"] : "text/plain";
    const std::string type = Lower(Trim(contentType.substr(0, contentType.find(';'))));
    if (type.rfind("multipart/", 0) == 0)
    {
        const std::string boundary = HeaderParameter(contentType, "boundary");
        if (boundary.empty())
        {
            p_sError = "multipart without a boundary";
            return false;
        }
        const std::string delimiter = "--" + boundary;
        // Each part starts after a delimiter line and ends at the line break before the next.
        size_t at = body.find(delimiter);
        if (at == std::string_view::npos)
        {
            p_sError = "boundary '" + boundary + "' not found";
            return false;
        }
        for (;;)
        {
            size_t lineEnd = body.find('\n', at);
            if (body.compare(at + delimiter.size(), 2, "--") == 0 || lineEnd == std::string_view::npos)
                return true;
            const size_t start = lineEnd + 1;
            size_t next = body.find(delimiter, start);
            while (next != std::string_view::npos && next > 0 && body[next - 1] != '\n')
                next = body.find(delimiter, next + 1);
            if (next == std::string_view::npos)
            {
                // A missing closing delimiter: the rest is the last part.
                return ParseEntity(body.substr(start), p_iDepth + 1, p_sError, false);
            }
            size_t end = next;
            if (end > start && body[end - 1] == '\n')
                --end;
            if (end > start && body[end - 1] == '\r')
                --end;
            if (!ParseEntity(body.substr(start, end - start), p_iDepth + 1, p_sError, false))
                return false;
            at = next;
        }
    }

    CMailPart part;
    part.m_mHeaders = headers;
    part.m_sContentType = type;
    const auto disposition = headers.find("content-disposition");
    if (disposition != headers.end())
        part.m_sFileName = HeaderParameter(disposition->second, "filename");
    if (part.m_sFileName.empty())
        part.m_sFileName = HeaderParameter(contentType, "name");
    if (part.m_sFileName.empty())
        part.m_sFileName = HeaderParameter(contentType, "file");
    const auto encoding = headers.find("content-transfer-encoding");
    part.m_sBody = DecodeBody(body, encoding == headers.end() ? std::string() : Lower(Trim(encoding->second)));
    m_vParts.push_back(std::move(part));
    return true;
}
