// oelaunch/transfer_file.h: what Runbay reads from the mail client's side: the message Latchkit saves
// as text for a reply or forward via SMS, and the subject and addresses of an e-mail CC'd to mobiles.
// Portable, so that every bound on this outside input is tested natively and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace runbay
{
// The kinds Latchkit asks a compose window for (WM_SPAWN_NEW_SMS_WINDOW's wParam).
constexpr uint32_t kSpawnNew = 0;
constexpr uint32_t kSpawnForward = 1;
constexpr uint32_t kSpawnReply = 2;

// A saved message is a few kilobytes; anything far larger is not one Latchkit wrote.
constexpr size_t kMaxTransferFileBytes = static_cast<size_t>(4) * 1024 * 1024;
// The sender's name and the subject are each cut to this many characters in a CC-to-mobile SMS.
constexpr size_t kCCPhoneFieldChars = 50;

// "<temp><stamp in upper-case hex>.<extension>": the temporary folder comes with its trailing separator.
std::string TransferFilePath(const std::string& p_sTempFolder, uint32_t p_dwStamp, const char* p_szExtension = "txt");

struct CTransferMessage
{
    // The address of the first "To: " header line, empty when there is none.
    std::string m_sRecipient;
    // The body, line breaks kept.
    std::string m_sText;
};

// Reads a message saved as text: header lines up to the first empty line (a lone line break, or
// four spaces and a line break, count as empty), then the body.
CTransferMessage ParseTransferText(std::string_view p_sText);
// What a compose window opens with for p_dwKind: a forward keeps the text but not the recipient.
CTransferMessage MessageForKind(CTransferMessage p_oMessage, uint32_t p_dwKind);

struct CCCPhoneRequest
{
    std::string m_sSubject;
    // Non-empty addresses, in the order the e-mail's fields held them, spaces around each trimmed.
    std::vector<std::string> m_vAddresses;
};

// The WM_COPYDATA text Latchkit sends on Send: the subject, then each address, all separated by ";".
// p_sText may hold a terminating zero and anything after it, which is not part of the text.
CCCPhoneRequest ParseCCPhoneText(std::string_view p_sText);
// The SMS text telling the mobiles of the e-mail: p_sName and p_sSubject each cut to 50 characters,
// an empty one left out.
std::string CCPhoneMessage(const std::string& p_sName, const std::string& p_sSubject);
} // namespace runbay
