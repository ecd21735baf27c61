// gateway/mail_message.h: reads an RFC 5322 message with MIME parts, as the gateway receives
// them: the SMTP mailer's multipart text, a MAPI mail with a ".TXT" attachment, or an Outlook
// Express mail with "content.txt" in base64.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

struct CMailPart
{
    std::map<std::string, std::string> m_mHeaders; // names in lower case, continuation lines joined
    std::string m_sContentType;                    // lower case, without parameters
    std::string m_sFileName;                       // from Content-Disposition or Content-Type, else empty
    std::string m_sBody;                           // after its transfer encoding is undone
};

class CMailMessage
{
  public:
    // Fails, with p_sError saying why, on a message without a header/body split, a multipart
    // without its boundary, or nesting deeper than eight levels.
    [[nodiscard]] bool Parse(std::string_view p_sRaw, std::string& p_sError);

    // A top-level header, or empty.
    std::string Header(const std::string& p_sName) const;
    // The leaves of the MIME tree in document order (the whole message when it is not multipart).
    const std::vector<CMailPart>& Parts() const
    {
        return m_vParts;
    }

  private:
    bool ParseEntity(std::string_view p_sRaw, int p_iDepth, std::string& p_sError, bool p_bTop);

    std::map<std::string, std::string> m_mHeaders;
    std::vector<CMailPart> m_vParts;
};

// Splits a header block into lower-cased names and unfolded values.
std::map<std::string, std::string> ParseHeaderBlock(std::string_view p_sBlock);
// A parameter of a structured header value ("boundary", "filename", "name"), quoted or not.
std::string HeaderParameter(const std::string& p_sValue, const std::string& p_sName);
std::string DecodeQuotedPrintable(std::string_view p_sText);
