// gateway/gateway_commands.h: what brevolt-gateway's commands do, apart from argument handling,
// so tests call them directly.
#pragma once

#include "Addressbook/protocol/aes.h"

#include <string>
#include <vector>

struct CGatewayInput
{
    std::string m_sName; // file path, or "-" for standard input
    std::string m_sText; // its bytes
};

bool ReadFileBytes(const std::string& p_sPath, std::string& p_sBytes);
// Every message file of a Maildir's "new" and "cur" folders, oldest name first.
bool ReadMaildir(const std::string& p_sDirectory, std::vector<CGatewayInput>& p_vInputs, std::string& p_sError);

[[nodiscard]] bool MakeKeyText(unsigned p_uBits, std::string& p_sKeyText, std::string& p_sError);
// The envelope exactly as the client builds it around p_sMail (platform and language records
// zeroed but for their fixed fields, client version "Unknown", no delivery time).
[[nodiscard]] bool SealMailDocument(const std::string& p_sMail, const std::string& p_sSenderEmail, bool p_bCompress,
                                    CAES& p_oKey, std::string& p_sEnvelope, std::string& p_sError);
// One JSON line per SMS of the mail, or one line with "error". False when the mail failed. An
// upgrade notice gives one line with "upgrade", "verified" and "digest_match" (its attachment
// against the ATTACHMENT DIGEST); false unless both hold.
bool DecodeGatewayMail(const CGatewayInput& p_oInput, CAES& p_oKey, std::vector<std::string>& p_vLines);
std::string ErrorJson(const std::string& p_sSource, const std::string& p_sError);
// An RFC 5322 notice: the UPGRADE document as the body, the file attached in base64.
[[nodiscard]] bool MakeUpgradeMail(const std::string& p_sAttachmentPath, const std::string& p_sAttachment,
                                   const std::string& p_sSubject, CAES& p_oKey, std::string& p_sMail,
                                   std::string& p_sError);
