// oelaunch/transfer_file.cpp: parsing the saved-message transfer file and the CC-to-mobile text.
#include "oelaunch/transfer_file.h"

#include "oelaunch/runbay_strings.h"

#include <cstdio>

namespace runbay
{
namespace
{
// Splits p_sText into lines that keep their line feed; a last line without one is kept as it is.
std::vector<std::string_view> SplitLines(std::string_view p_sText)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < p_sText.size())
    {
        const size_t end = p_sText.find('\n', start);
        if (end == std::string_view::npos)
        {
            lines.push_back(p_sText.substr(start));
            break;
        }
        lines.push_back(p_sText.substr(start, end + 1 - start));
        start = end + 1;
    }
    return lines;
}

bool IsBreak(std::string_view p_sRest)
{
    return p_sRest == "\n" || p_sRest == "\r\n";
}

// The mail client indents some empty lines of its text saves by four spaces.
bool CountsAsEmpty(std::string_view p_sLine)
{
    if (IsBreak(p_sLine))
        return true;
    return p_sLine.size() > 4 && p_sLine.substr(0, 4) == "    " && IsBreak(p_sLine.substr(4));
}

std::string RecipientOf(std::string_view p_sLine, size_t p_nAfter)
{
    std::string_view value = p_sLine.substr(p_nAfter);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
        value.remove_suffix(1);
    if (!value.empty() && value.back() == '>')
        value.remove_suffix(1);
    const size_t open = value.find('<');
    if (open != std::string_view::npos)
        value = value.substr(open + 1);
    return std::string(value);
}

std::string_view Trimmed(std::string_view p_sText)
{
    while (!p_sText.empty() && (p_sText.front() == ' ' || p_sText.front() == '\t'))
        p_sText.remove_prefix(1);
    while (!p_sText.empty() && (p_sText.back() == ' ' || p_sText.back() == '\t'))
        p_sText.remove_suffix(1);
    return p_sText;
}
} // namespace

std::string TransferFilePath(const std::string& p_sTempFolder, uint32_t p_dwStamp, const char* p_szExtension)
{
    char stamp[16];
    std::snprintf(stamp, sizeof(stamp), "%X", static_cast<unsigned>(p_dwStamp));
    return p_sTempFolder + stamp + "." + p_szExtension;
}

CTransferMessage ParseTransferText(std::string_view p_sText)
{
    CTransferMessage message;
    const std::vector<std::string_view> lines = SplitLines(p_sText);
    size_t headerEnd = 0;
    while (headerEnd < lines.size() && !CountsAsEmpty(lines[headerEnd]))
        ++headerEnd;
    for (size_t i = 0; i < headerEnd; ++i)
    {
        const size_t to = lines[i].find("To: ");
        if (to != std::string_view::npos)
        {
            message.m_sRecipient = RecipientOf(lines[i], to + 4);
            break;
        }
    }
    // The header ends at its first empty line, which the body does not include. A header that
    // never ends holds no body.
    for (size_t i = headerEnd + 1; i < lines.size(); ++i)
        message.m_sText.append(lines[i]);
    return message;
}

CTransferMessage MessageForKind(CTransferMessage p_oMessage, uint32_t p_dwKind)
{
    if (p_dwKind == kSpawnForward)
        p_oMessage.m_sRecipient.clear();
    return p_oMessage;
}

CCCPhoneRequest ParseCCPhoneText(std::string_view p_sText)
{
    const size_t zero = p_sText.find('\0');
    if (zero != std::string_view::npos)
        p_sText = p_sText.substr(0, zero);
    CCCPhoneRequest request;
    size_t start = 0;
    bool first = true;
    for (;;)
    {
        const size_t end = p_sText.find(';', start);
        const std::string_view part =
            p_sText.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (first)
            request.m_sSubject = std::string(part);
        else if (!Trimmed(part).empty())
            request.m_vAddresses.emplace_back(Trimmed(part));
        first = false;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return request;
}

std::string CCPhoneMessage(const std::string& p_sName, const std::string& p_sSubject)
{
    const std::string name = p_sName.substr(0, kCCPhoneFieldChars);
    const std::string subject = p_sSubject.substr(0, kCCPhoneFieldChars);
    if (!name.empty() && !subject.empty())
        return RunbayText(runbay_string::kNewMailFromWithSubject, name.c_str(), subject.c_str());
    if (!name.empty())
        return RunbayText(runbay_string::kNewMailFrom, name.c_str());
    if (!subject.empty())
        return RunbayText(runbay_string::kNewMailWithSubject, subject.c_str());
    return RunbayText(runbay_string::kNewMail);
}
} // namespace runbay
