// Addressbook/sending/outlook_package_win.h: COutlook, the package object of Outlook (package 0).
// The gateway mail leaves through the Outbox of the user's MAPI profile with the job attached as a
// "BS...TXT" file, and readable copies go to "Sent SMSs"; without the MAPI object it talks SMTP.
// It lives beside the other packages but is Windows code: it drives CExMAPI.
#pragma once

#include "Addressbook/protocol/protocol_records.h"
#include "Addressbook/sending/mail_package.h"
#include "common/error_slot.h"
#include "common/settings.h"

#include <functional>
#include <string>

class CExMAPI;

// A temporary file that is deleted with its owner, together with the placeholder that reserved
// its unique name.
struct CTempFile
{
    CTempFile() = default;
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;
    ~CTempFile();

    std::string m_sPath;
    std::string m_sPlaceholder;
};

// Writes p_sText (without terminator) to a new file in the temporary directory: the system's unique
// name with p_szPrefix, its last characters replaced by p_szExtension ("BS1A2.tmp" becomes
// "BS1A2.TXT"). False with message 216 or 217 reported and kept in p_oError.
[[nodiscard]] bool WriteTempFile(const std::string& p_sText, const char* p_szExtension, const char* p_szPrefix,
                                 CTempFile& p_oFile, CErrorSlot& p_oError);

class COutlook final : public CMailPackage
{
  public:
    // The library's MAPI object as it is when a send runs; null when there is none.
    using MapiAccess = std::function<CExMAPI*()>;

    // p_iVersion is the host's Outlook version code (1 Outlook 97 ... 5 Outlook 2003). The
    // Internet-mail-only and Word-as-editor flags are read as the protocol's platform record reads
    // them, by the registered Outlook ProgID, when p_p_oFacts is given.
    COutlook(CRegistry& p_oRegistry, MapiAccess p_fnMapi, int p_iVersion, IPlatformFacts* p_p_oFacts);

    [[nodiscard]] int Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress) override;
    [[nodiscard]] int WriteToSMSFolder(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlBcc,
                                       const std::string& p_sSenderLabel, const std::string& p_sSubject,
                                       const std::string& p_sText) override;

    CExMAPI* Mapi() const
    {
        return m_fnMapi ? m_fnMapi() : nullptr;
    }
    int Version() const
    {
        return m_iVersion;
    }
    // The number after "Outlook.Application." of the registered ProgID (8, 9, 10, ...); -1 unknown.
    int OutlookVersion() const
    {
        return m_iOutlookVersion;
    }
    bool IsInternetMailOnly() const
    {
        return m_bInternetMailOnly;
    }
    bool IsWordEditor() const
    {
        return m_bWordEditor;
    }

  private:
    [[nodiscard]] int SendOverSMTP(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress);

    CRegistry& m_oRegistry;
    MapiAccess m_fnMapi;
    int m_iVersion;
    int m_iOutlookVersion = -1;
    bool m_bInternetMailOnly = false;
    bool m_bWordEditor = false;
};
