// gateway/gateway_commands.cpp: key making, sealing, decoding to JSON, and upgrade notices.
#include "gateway/gateway_commands.h"

#include "Addressbook/messaging/sms_length.h"
#include "Addressbook/protocol/base64.h"
#include "Addressbook/protocol/code_page.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "gateway/envelope.h"
#include "gateway/mail_message.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
// JSON is UTF-8; the documents' texts are ANSI.
std::string Utf8(const std::string& p_sAnsi)
{
    std::string out;
    return code_page::AnsiToUtf8(p_sAnsi, out) ? out : std::string();
}

bool IsZero(const CSystemTime& p_oTime)
{
    return p_oTime.m_wYear == 0 && p_oTime.m_wMonth == 0 && p_oTime.m_wDay == 0 && p_oTime.m_wHour == 0 &&
           p_oTime.m_wMinute == 0 && p_oTime.m_wSecond == 0;
}

nlohmann::json TimeJson(const CSystemTime& p_oTime)
{
    if (IsZero(p_oTime))
        return nullptr;
    char text[48];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u", p_oTime.m_wYear, p_oTime.m_wMonth,
                  p_oTime.m_wDay, p_oTime.m_wHour, p_oTime.m_wMinute, p_oTime.m_wSecond);
    return text;
}

// 32 hex digits: the 16 bytes of a time record in memory order.
bool TimeFromHex(const std::string& p_sHex, CSystemTime& p_oTime)
{
    if (p_sHex.size() != 32)
        return false;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < 32; i += 2)
    {
        unsigned value = 0;
        if (std::sscanf(p_sHex.c_str() + i, "%2x", &value) != 1)
            return false;
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return SystemTimeFromBytes(bytes, p_oTime);
}

// The envelope travels as the body (SMTP), as a ".TXT" attachment (MAPI) or as "content.txt"
// in base64 (Outlook Express); the attachment is preferred, as the body may be the preamble only.
std::string EnvelopeText(const CMailMessage& p_oMail)
{
    for (const CMailPart& part : p_oMail.Parts())
    {
        std::string name = part.m_sFileName;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".txt") == 0 &&
            part.m_sBody.find("<SMS SEND>") != std::string::npos)
            return part.m_sBody;
    }
    for (const CMailPart& part : p_oMail.Parts())
    {
        if (part.m_sBody.find("<SMS SEND>") != std::string::npos)
            return part.m_sBody;
    }
    return std::string();
}

// Mail stores often keep messages with bare LF line ends; the envelope was signed with CR LF,
// the canonical form of mail text, so that is restored before anything is read.
std::string CanonicalLineEnds(const std::string& p_sText)
{
    std::string out;
    out.reserve(p_sText.size() + p_sText.size() / 32);
    for (size_t i = 0; i < p_sText.size(); ++i)
    {
        if (p_sText[i] == '\n' && (i == 0 || p_sText[i - 1] != '\r'))
            out += '\r';
        out += p_sText[i];
    }
    return out;
}

// The first attachment of an upgrade notice: the first part with a file name that is not the
// UPGRADE document itself.
const CMailPart* NoticeAttachment(const CMailMessage& p_oMail)
{
    for (const CMailPart& part : p_oMail.Parts())
        if (!part.m_sFileName.empty() && part.m_sBody.find("<UPGRADE>") == std::string::npos)
            return &part;
    return nullptr;
}

// One line for an upgrade notice: whether its UPGRADE document verifies with the key and whether
// its first attachment matches the ATTACHMENT DIGEST, as the client checks both.
bool DecodeUpgradeNotice(const std::string& p_sSource, const CMailMessage& p_oMail, CAES& p_oKey,
                         std::vector<std::string>& p_vLines)
{
    std::string body;
    for (const CMailPart& part : p_oMail.Parts())
        if (part.m_sBody.find("<UPGRADE>") != std::string::npos)
        {
            body = part.m_sBody;
            break;
        }
    CXMLProtocol xml;
    int upgrade = 0;
    std::vector<uint8_t> digest;
    if (!xml.ProcessProtocolUpgrade(body, p_oKey, upgrade, digest))
    {
        p_vLines.push_back(ErrorJson(p_sSource, "UPGRADE document: " + xml.Error().Text()));
        return false;
    }
    const CMailPart* attachment = NoticeAttachment(p_oMail);
    int match = 0;
    if (upgrade && attachment != nullptr &&
        !xml.CheckAttachmentDigest(attachment->m_sBody.data(), attachment->m_sBody.size(), digest.data(), match))
        match = 0;
    nlohmann::json line = {
        {"source", p_sSource},
        {"upgrade", true},
        {"subject", Utf8(p_oMail.Header("Subject"))},
        {"from", Utf8(p_oMail.Header("From"))},
        {"verified", upgrade == 1},
        {"attachment", attachment != nullptr ? nlohmann::json(Utf8(attachment->m_sFileName)) : nlohmann::json(nullptr)},
        {"size", attachment != nullptr ? attachment->m_sBody.size() : size_t{0}},
        {"digest_match", match == 1},
    };
    p_vLines.push_back(line.dump());
    return upgrade == 1 && match == 1;
}

std::string Mailbox(const std::string& p_sTo)
{
    const size_t open = p_sTo.find('<');
    const size_t close = p_sTo.find('>', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos)
        return p_sTo.substr(open + 1, close - open - 1);
    return p_sTo;
}
} // namespace

bool ReadFileBytes(const std::string& p_sPath, std::string& p_sBytes)
{
    std::ifstream in(p_sPath, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    p_sBytes = out.str();
    return true;
}

bool ReadMaildir(const std::string& p_sDirectory, std::vector<CGatewayInput>& p_vInputs, std::string& p_sError)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    bool anyFolder = false;
    for (const char* sub : {"new", "cur"})
    {
        std::error_code error;
        const fs::path folder = fs::path(p_sDirectory) / sub;
        if (!fs::is_directory(folder, error))
            continue;
        anyFolder = true;
        for (const auto& entry : fs::directory_iterator(folder, error))
        {
            if (entry.is_regular_file(error))
                files.push_back(entry.path());
        }
    }
    if (!anyFolder)
    {
        p_sError = "'" + p_sDirectory + "' is not a Maildir (no new or cur folder)";
        return false;
    }
    // Maildir names begin with the delivery time, so name order is arrival order.
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    for (const fs::path& file : files)
    {
        CGatewayInput input{file.string(), std::string()};
        if (ReadFileBytes(input.m_sName, input.m_sText))
            p_vInputs.push_back(std::move(input));
    }
    return true;
}

bool MakeKeyText(unsigned p_uBits, std::string& p_sKeyText, std::string& p_sError)
{
    CAES key(p_uBits);
    if (!key.GenerateRandomKey() || !key.WriteKeyXML(p_sKeyText))
    {
        p_sError = key.Error().Text();
        return false;
    }
    return true;
}

bool SealMailDocument(const std::string& p_sMail, const std::string& p_sSenderEmail, bool p_bCompress, CAES& p_oKey,
                      std::string& p_sEnvelope, std::string& p_sError)
{
    CPlatformInfo platform;
    std::snprintf(platform.m_szClientVersion, sizeof(platform.m_szClientVersion), "%s", "Unknown");
    platform.m_oOSVersion.m_dwOSVersionInfoSize = kOSVersionInfoExSize;
    const CLanguageInfo language;
    const CSystemTime noDelivery;
    CXMLProtocol xml;
    if (!xml.CreateProtocolSMSSend(p_sSenderEmail, platform, language, noDelivery, p_sMail, p_oKey, p_bCompress ? 1 : 0,
                                   p_sEnvelope))
    {
        p_sError = xml.Error().Text();
        return false;
    }
    return true;
}

std::string ErrorJson(const std::string& p_sSource, const std::string& p_sError)
{
    nlohmann::json line = {{"source", p_sSource}, {"error", p_sError}};
    return line.dump();
}

bool DecodeGatewayMail(const CGatewayInput& p_oInput, CAES& p_oKey, std::vector<std::string>& p_vLines)
{
    std::string mailbox;
    std::string text = CanonicalLineEnds(p_oInput.m_sText);
    // A bare envelope starts with its tag; anything else is read as a mail message.
    if (text.rfind("<SMS SEND>", 0) != 0)
    {
        CMailMessage mail;
        std::string error;
        if (!mail.Parse(text, error))
        {
            p_vLines.push_back(ErrorJson(p_oInput.m_sName, "not a mail message: " + error));
            return false;
        }
        mailbox = Mailbox(mail.Header("To"));
        text = EnvelopeText(mail);
        if (text.empty() && p_oInput.m_sText.find("<UPGRADE>") != std::string::npos)
            return DecodeUpgradeNotice(p_oInput.m_sName, mail, p_oKey, p_vLines);
        if (text.empty())
        {
            p_vLines.push_back(ErrorJson(p_oInput.m_sName, "no SMS SEND envelope in the mail"));
            return false;
        }
    }

    CDecodedEnvelope envelope;
    std::string error;
    if (!DecodeEnvelope(text, p_oKey, envelope, error))
    {
        p_vLines.push_back(ErrorJson(p_oInput.m_sName, error));
        return false;
    }
    const CMailDocument& document = envelope.m_oMail;
    const nlohmann::json sender = {{"name", Utf8(document.m_oSender.m_sName)},
                                   {"email", Utf8(document.m_oSender.m_sEmail)},
                                   {"phone", Utf8(document.m_oSender.m_sPhone)}};
    for (const CRequestedSMS& sms : document.m_vSMS)
    {
        CSystemTime delivery = envelope.m_oProposedDelivery;
        if (document.m_bBulk && !TimeFromHex(sms.m_sDeliveryHex, delivery))
        {
            p_vLines.push_back(ErrorJson(p_oInput.m_sName, "DELIVERYTIME is not 32 hex digits"));
            return false;
        }
        nlohmann::json line = {
            {"mailbox", mailbox},
            {"sender", sender},
            {"mobile", Utf8(sms.m_sMobile)},
            {"name", Utf8(sms.m_sName)},
            {"text", Utf8(sms.m_sText)},
            {"parts", SMSCount(static_cast<int64_t>(sms.m_sText.size()))},
            {"delivery_time", TimeJson(delivery)},
            {"options", document.m_iOptions},
            {"bulk", document.m_bBulk},
            {"verified", envelope.m_bVerified},
        };
        if (document.m_bBulk)
        {
            line["to_sender"] = sms.m_bToSender;
            line["sender_id"] = Utf8(document.m_sSenderId);
        }
        else
            line["email"] = Utf8(sms.m_sEmail);
        p_vLines.push_back(line.dump());
    }
    return true;
}

bool MakeUpgradeMail(const std::string& p_sAttachmentPath, const std::string& p_sAttachment,
                     const std::string& p_sSubject, CAES& p_oKey, std::string& p_sMail, std::string& p_sError)
{
    std::string document;
    const std::vector<uint8_t> bytes(p_sAttachment.begin(), p_sAttachment.end());
    if (!BuildUpgradeDocument(bytes, p_oKey, document, p_sError))
        return false;
    CBase64 coder(76);
    std::string encoded;
    if (!coder.Encode(bytes.data(), bytes.size(), encoded))
    {
        p_sError = coder.Error().Text();
        return false;
    }
    const std::string name = std::filesystem::path(p_sAttachmentPath).filename().string();
    const std::string boundary = "BrevoltGateway_Upgrade_Boundary";
    p_sMail = "From: Brevolt SMS Gateway <gateway@brevolt.example>\r\n"
              "Subject: " +
              p_sSubject +
              "\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: multipart/mixed; boundary=\"" +
              boundary +
              "\"\r\n"
              "\r\n"
              "--" +
              boundary +
              "\r\n"
              "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
              "Content-Transfer-Encoding: 7bit\r\n"
              "\r\n" +
              document +
              "\r\n"
              "--" +
              boundary +
              "\r\n"
              "Content-Type: application/octet-stream; name=\"" +
              name +
              "\"\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "Content-Disposition: attachment; filename=\"" +
              name +
              "\"\r\n"
              "\r\n" +
              encoded + (encoded.size() >= 2 && encoded.compare(encoded.size() - 2, 2, "\r\n") == 0 ? "" : "\r\n") +
              "--" + boundary + "--\r\n";
    return true;
}
