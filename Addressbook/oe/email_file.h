// Addressbook/oe/email_file.h: the message file a gateway mail is handed to Outlook Express in.
// The hooks inside Outlook Express open the file by the number posted to them and send it as a note.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "common/platform.h"

#include <cstdint>
#include <string>

struct CEmailFileParts
{
    std::string m_sFrom; // "Name <address>" or the address; empty or starting with a space: no From line
    const CMessageRecipientList* m_p_mrlTo = nullptr;
    const CMessageRecipientList* m_p_mrlCc = nullptr;
    const CMessageRecipientList* m_p_mrlBcc = nullptr;
    std::string m_sPlain;
    std::string m_sHtml;
    std::string m_sSubject;
    std::string m_sAttachment; // base64 text of "content.txt"; empty for none
    bool m_bUnsent = true;
};

// The file's text with "\n" line ends (the file is written in text mode, so Windows gets CR LF).
// Line breaks already in the parts are made "\n" as well, so that no CR is doubled.
std::string BuildEmailFileText(const CEmailFileParts& p_oParts, const CTraceTime& p_stUtcNow);

// The number that names a transfer file when the caller gives none: the two halves of the current
// file time (100 ns steps since 1601) combined by exclusive or.
uint32_t TransferFileNumberFromFileTime(uint64_t p_qwFileTime);
uint32_t NewTransferFileNumber();
// "<temporary directory><separator><number in upper-case hex>.<extension>".
std::string TransferFilePath(const std::string& p_sTempDirectory, uint32_t p_dwNumber,
                             const std::string& p_sExtension = "eml");

// Writes the file named by the transfer-file rule in the user's temporary directory, replacing
// an older one. A zero p_dwNumber is replaced by a new number first; false when the file could
// not be written (logged).
[[nodiscard]] bool WriteEmailFile(const CEmailFileParts& p_oParts, uint32_t& p_dwNumber,
                                  std::string* p_p_sPath = nullptr);
