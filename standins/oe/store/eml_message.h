// standins/oe/store/eml_message.h: the stand-in's mail messages as RFC 5322 text (".eml"): writing
// them with base64 attachments, reading them back with bounds on every part (portable).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace oestore
{
struct CMailAddress
{
    std::string m_sName;
    std::string m_sAddress;
};

struct CMailAttachment
{
    std::string m_sFileName;
    std::string m_sData;
};

struct CMailMessage
{
    CMailAddress m_oFrom;
    std::vector<CMailAddress> m_vTo;
    std::vector<CMailAddress> m_vCc;
    std::vector<CMailAddress> m_vBcc;
    std::string m_sSubject;
    // As it stands in the "Date:" line.
    std::string m_sDate;
    // Plain text, lines ending in CR LF.
    std::string m_sBody;
    std::vector<CMailAttachment> m_vAttachments;
    // "X-Unsent: 1": a message saved to be sent, which the client opens in a compose note.
    bool m_bUnsent = false;
};

// Parts nested deeper than this are not looked into; a message is read only up to this size.
constexpr int kMaxPartDepth = 4;
constexpr size_t kMaxMessageSize = 32 * 1024 * 1024;

// The message as it goes over SMTP (p_bWithBcc false) or into a folder (true: the sender's copy
// keeps its Bcc line), CR LF line ends; attachments make it multipart/mixed.
std::string ComposeMessageText(const CMailMessage& p_oMessage, bool p_bWithBcc);

// Reads headers (folded lines joined), the plain text body and the attachments of a single-part
// or multipart message in 7bit, 8bit, quoted-printable or base64. False for text that has no
// header block or is larger than kMaxMessageSize.
[[nodiscard]] bool ParseMessage(std::string_view p_sText, CMailMessage& p_oMessage);

// "Name <address>, address, ..." as addresses; quoted names may hold commas.
std::vector<CMailAddress> ParseAddressList(std::string_view p_sText);
// "Name <address>", or the address alone when there is no name.
std::string AddressText(const CMailAddress& p_oAddress);

// The "save as text" form: From, To, Cc (when there is one), Sent, Subject, an empty line, the body.
std::string MessageAsText(const CMailMessage& p_oMessage);

std::string Base64Encode(std::string_view p_sData);
// Skips line breaks and white space; false on any other character outside the alphabet.
[[nodiscard]] bool Base64Decode(std::string_view p_sText, std::string& p_sData);
} // namespace oestore
