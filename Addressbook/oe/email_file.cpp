// Addressbook/oe/email_file.cpp: the Outlook Express transfer file: its name and its MIME text.
#include "Addressbook/oe/email_file.h"

#include "common/failure_log.h"
#include "common/trace_log.h"
#include "common/unique_any.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
constexpr const char* kMixedBoundary = "----=_NextPart_000_0006_01C2C956.AC5E0B10";
constexpr const char* kAlternativeBoundary = "----=_NextPart_000_0005_01D2C956.ACDE0B1A";
constexpr const char* kPlainType = "Content-Type: text/plain;\n";
constexpr const char* kHtmlType = "Content-Type: text/html;\n";

bool Present(const char* p_szText)
{
    return p_szText != nullptr && *p_szText != '\0';
}

std::string UnixLineEnds(const std::string& p_sText)
{
    std::string out;
    out.reserve(p_sText.size());
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] == '\r' && i + 1 < p_sText.size() && p_sText[i + 1] == '\n')
            continue;
        out += p_sText[i];
    }
    return out;
}

// One recipient line without its comma and line end; empty when the recipient has nothing to show.
std::string RecipientText(const CMessageRecipient& p_oRecipient)
{
    if (Present(p_oRecipient.m_szName) && Present(p_oRecipient.m_szEmail))
        return std::string("\t") + p_oRecipient.m_szName + " <" + p_oRecipient.m_szEmail + ">";
    for (const char* text : {p_oRecipient.m_szEmail, p_oRecipient.m_szMobile, p_oRecipient.m_szDisplayText})
    {
        if (Present(text))
            return std::string("\t\"") + text + "\"";
    }
    return {};
}

// The lines of the recipients that have something to show. The comma goes between shown
// recipients only: a skipped last recipient must not leave one dangling before the next header.
std::string RecipientLines(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<std::string> lines;
    for (const CMessageRecipientNode* node = p_p_mrlList != nullptr ? p_p_mrlList->m_p_oFirst : nullptr;
         node != nullptr; node = node->m_p_oNext)
    {
        if (node->m_p_oItem == nullptr)
            continue;
        std::string line = RecipientText(*node->m_p_oItem);
        if (!line.empty())
            lines.push_back(std::move(line));
    }
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += lines[i] + (i + 1 < lines.size() ? ",\n" : "\n");
    return out;
}

std::string TextHeader(const char* p_szType)
{
    return std::string(p_szType) + "\tcharset=\"iso-8859-1\"\n" + "Content-Transfer-Encoding: 7bit\n";
}

std::string BoundaryLine(const char* p_szBoundary)
{
    return std::string("\tboundary=\"") + p_szBoundary + "\"\n";
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int p_iYear, int p_iMonth, int p_iDay)
{
    const int64_t y = p_iYear - (p_iMonth <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (p_iMonth + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + p_iDay - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string DateText(const CTraceTime& p_stUtc)
{
    static const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int month = p_stUtc.m_iMonth >= 1 && p_stUtc.m_iMonth <= 12 ? p_stUtc.m_iMonth : 1;
    const int64_t days = DaysFromCivil(p_stUtc.m_iYear, month, p_stUtc.m_iDay);
    const int64_t weekday = ((days % 7) + 7) % 7;
    char text[64];
    std::snprintf(text, sizeof(text), "%s, %02d %s %02d %02d:%02d:%02d +0000", kDays[weekday], p_stUtc.m_iDay,
                  kMonths[month - 1], ((p_stUtc.m_iYear % 100) + 100) % 100, p_stUtc.m_iHour, p_stUtc.m_iMinute,
                  p_stUtc.m_iSecond);
    return text;
}

void AppendHeaders(std::string& p_sOut, const CEmailFileParts& p_oParts, const CTraceTime& p_stUtcNow)
{
    const bool attachment = !p_oParts.m_sAttachment.empty();
    const bool plain = !p_oParts.m_sPlain.empty();
    const bool html = !p_oParts.m_sHtml.empty();
    if (!p_oParts.m_sFrom.empty() && p_oParts.m_sFrom[0] != ' ')
        p_sOut += "From: \"" + p_oParts.m_sFrom + "\"\n";
    // A list with nobody to show is an empty list: its header would otherwise swallow the next one.
    const std::string to = RecipientLines(p_oParts.m_p_mrlTo);
    p_sOut += "To: " + (to.empty() ? std::string("\n") : to);
    if (const std::string cc = RecipientLines(p_oParts.m_p_mrlCc); !cc.empty())
        p_sOut += "Cc: " + cc;
    if (const std::string bcc = RecipientLines(p_oParts.m_p_mrlBcc); !bcc.empty())
        p_sOut += "Bcc: " + bcc;
    p_sOut += "Subject: " + p_oParts.m_sSubject + "\n";
    p_sOut += "Date: " + DateText(p_stUtcNow) + "\n";
    p_sOut += "MIME-Version: 1.0\n";
    if (attachment)
        p_sOut += std::string("Content-Type: multipart/mixed;\n") + BoundaryLine(kMixedBoundary);
    else if (plain && html)
        p_sOut += std::string("Content-Type: multipart/alternative;\n") + BoundaryLine(kAlternativeBoundary);
    else if (html)
        p_sOut += TextHeader(kHtmlType);
    else
        p_sOut += TextHeader(kPlainType);
    p_sOut += "X-Priority: 3\n";
    if (p_oParts.m_bUnsent)
        p_sOut += "X-Unsent: 1\n";
    p_sOut += "X-MSMail-Priority: Normal\n";
    p_sOut += "X-Mailer: VI Reveer\n\n";
}

void AppendAttachedBody(std::string& p_sOut, const std::string& p_sPlain, const std::string& p_sHtml,
                        const std::string& p_sAttachment)
{
    const std::string mixed = kMixedBoundary;
    const std::string alternative = kAlternativeBoundary;
    p_sOut += "\nThis is a multi-part message in MIME format.\n\n--" + mixed + "\n";
    if (!p_sPlain.empty() && !p_sHtml.empty())
    {
        p_sOut += std::string("Content-Type: multipart/alternative;\n") + BoundaryLine(kAlternativeBoundary);
        p_sOut += "\n--" + alternative + "\n" + TextHeader(kPlainType) + "\n" + p_sPlain + "\n\n";
        // The HTML part's header is closed by its blank line, or the HTML would read as headers.
        p_sOut += "--" + alternative + "\n" + TextHeader(kHtmlType) + "\n" + p_sHtml + "\n\n";
        p_sOut += "--" + alternative + "--\n";
    }
    else if (!p_sHtml.empty())
        p_sOut += TextHeader(kHtmlType) + "\n" + p_sHtml + "\n\n";
    else
        p_sOut += TextHeader(kPlainType) + "\n" + p_sPlain + "\n\n";
    p_sOut += "\n\n--" + mixed + "\n";
    p_sOut += "Content-Type: text/plain;\n\tname=\"content.txt\"\nContent-Transfer-Encoding: base64\n";
    p_sOut += "Content-Disposition: attachment;\n\tfilename=\"content.txt\"\n\n";
    p_sOut += p_sAttachment + "\n--" + mixed + "--\n";
}

void AppendPlainBody(std::string& p_sOut, const std::string& p_sPlain, const std::string& p_sHtml)
{
    const std::string alternative = kAlternativeBoundary;
    const bool both = !p_sPlain.empty() && !p_sHtml.empty();
    if (!p_sPlain.empty())
    {
        if (both)
            p_sOut += "\n--" + alternative + "\n" + TextHeader(kPlainType);
        p_sOut += "\n" + p_sPlain + "\n";
    }
    if (!p_sHtml.empty())
    {
        if (both)
            p_sOut += "\n--" + alternative + "\n" + TextHeader(kHtmlType);
        p_sOut += "\n" + p_sHtml + "\n";
    }
    if (both)
        p_sOut += "\n--" + alternative + "--\n";
}
} // namespace

std::string BuildEmailFileText(const CEmailFileParts& p_oParts, const CTraceTime& p_stUtcNow)
{
    std::string text;
    AppendHeaders(text, p_oParts, p_stUtcNow);
    const std::string plain = UnixLineEnds(p_oParts.m_sPlain);
    const std::string html = UnixLineEnds(p_oParts.m_sHtml);
    if (!p_oParts.m_sAttachment.empty())
        AppendAttachedBody(text, plain, html, UnixLineEnds(p_oParts.m_sAttachment));
    else
        AppendPlainBody(text, plain, html);
    return text;
}

uint32_t TransferFileNumberFromFileTime(uint64_t p_qwFileTime)
{
    return static_cast<uint32_t>(p_qwFileTime) ^ static_cast<uint32_t>(p_qwFileTime >> 32);
}

uint32_t NewTransferFileNumber()
{
    constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const uint64_t steps =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
    return TransferFileNumberFromFileTime(steps + kUnixEpochAsFileTime);
}

std::string TransferFilePath(const std::string& p_sTempDirectory, uint32_t p_dwNumber, const std::string& p_sExtension)
{
    char name[32];
    std::snprintf(name, sizeof(name), "%X.", static_cast<unsigned>(p_dwNumber));
    std::string path = p_sTempDirectory;
    if (!path.empty() && path.back() != platform::PathSeparator())
        path += platform::PathSeparator();
    return path + name + p_sExtension;
}

bool WriteEmailFile(const CEmailFileParts& p_oParts, uint32_t& p_dwNumber, std::string* p_p_sPath)
{
    if (p_dwNumber == 0)
        p_dwNumber = NewTransferFileNumber();
    const std::string path = TransferFilePath(platform::TempDirectory(), p_dwNumber);
    const std::string text = BuildEmailFileText(p_oParts, platform::NowUtc());
    unique_file_ptr file(std::fopen(path.c_str(), "w"));
    if (!file)
    {
        LOG_FAILURE("fopen( %s ) failed", path.c_str());
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() || std::fflush(file.get()) != 0)
    {
        LOG_FAILURE("fwrite( %s ) failed", path.c_str());
        return false;
    }
    Log("WriteEmailFile: wrote '%s' (%lu characters)", path.c_str(), static_cast<unsigned long>(text.size()));
    if (p_p_sPath != nullptr)
        *p_p_sPath = path;
    return true;
}
