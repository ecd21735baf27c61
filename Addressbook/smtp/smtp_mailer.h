// Addressbook/smtp/smtp_mailer.h: CSMTPMailer, which composes the MIME mail and sends it to the
// user's own outgoing mail server over CSocket (no authentication, no encryption). Each mail package
// supplies the server through GetSMTPServer.
//
// The server name may end in ":port" (digits only) to reach a server on another port than 25;
// the product's own settings never carry one, tests and configuration may.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/smtp/cancel_link.h"
#include "Addressbook/smtp/send_progress.h"
#include "Addressbook/smtp/socket.h"
#include "common/error_slot.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One addressee as the mailer keeps it: its display name (may be empty) and its e-mail address.
struct CMailAddress
{
    std::string m_sName;
    std::string m_sEmail;
};

extern const char* const kMixedBoundary;
extern const char* const kAlternativeBoundary;
constexpr uint16_t kSMTPPort = 25;
constexpr int kMaxRecipientsPerMail = 9;

// The steps of the dialogue, indexing the expected-code table.
enum ESMTPStep
{
    kStepCommand = 0, // HELO, MAIL, RCPT, end of data: 250
    kStepConnect,     // 220
    kStepData,        // 354
    kStepQuit,        // 221
    kStepAuthRequired,
    kStepAuthTemporary,
    kStepAuthWeak,
    kStepCount,
};

class CSMTPMailer
{
  public:
    // p_p_oLink: the sender's cancel link; without one the mailer uses its own.
    explicit CSMTPMailer(CCancelLink* p_p_oLink = nullptr);
    virtual ~CSMTPMailer();
    CSMTPMailer(const CSMTPMailer&) = delete;
    CSMTPMailer& operator=(const CSMTPMailer&) = delete;

    // False when construction failed; Error() says why.
    bool IsValid() const
    {
        return m_bWinsockStarted && m_pwsSMTPServer != nullptr;
    }

    // 0 sent (or stopped: the cancel link's state tells which), -1 failed with Error() set.
    // Absent strings are null; at least one of the two bodies is required.
    [[nodiscard]] int Send(const char* p_szSenderName, const char* p_szSenderEmail, const char* p_szSubject,
                           const char* p_szHTMLBody, const char* p_szPlainBody, const char* p_szAttachmentPath,
                           const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlBcc,
                           CSendProgress* p_p_oProgress);
    [[nodiscard]] int Send(const char* p_szSenderName, const char* p_szSenderEmail, const char* p_szSubject,
                           const char* p_szHTMLBody, const char* p_szPlainBody, const char* p_szAttachmentPath,
                           const std::vector<CMailAddress>& p_vTo, const std::vector<CMailAddress>& p_vBcc,
                           CSendProgress* p_p_oProgress);

    void SetCancelLink(CCancelLink* p_p_oLink);
    CCancelLink& Link()
    {
        return *m_p_oLink;
    }
    // The bound of each network wait, 60 s unless shortened.
    void SetWaitLimit(uint32_t p_dwMilliseconds);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    const std::string& SMTPServer() const
    {
        return m_sSMTPServer;
    }
    int LastResponseCode() const
    {
        return m_iLastCode;
    }

    // The mail as it is composed, before transmission (for the package's own copies and tests).
    std::string BuildHeader() const;
    // Appends the body; false when the attachment cannot be read (Error() set).
    [[nodiscard]] bool BuildBody(std::string& p_sBody);

  protected:
    // Where this package's mail leaves: the server name, with an optional ":port". A failure
    // records its message in m_oError and returns false.
    [[nodiscard]] virtual bool GetSMTPServer(std::string& p_sServer) = 0;

    [[nodiscard]] int SendMail(int p_iMaxRecipients);
    [[nodiscard]] bool SendConnect();
    // Sends one command line and reads its reply. p_bFinal: this command passes the point after
    // which the mail can no longer be called back.
    [[nodiscard]] bool SendSocketMessage(const std::string& p_sCommand, int p_iStep, bool p_bFinal);
    [[nodiscard]] bool GotResponse(int p_iStep);
    [[nodiscard]] bool AttachFile(const std::string& p_sPath, std::string& p_sOut);

    CErrorSlot m_oError;

  private:
    // A failing call in an operation, logged; recorded unless a more specific error already was.
    void RecordFailure(const char* p_szCall, const char* p_szOperation);
    [[nodiscard]] bool Stopped(const char* p_szStep);
    [[nodiscard]] bool SendRound(size_t& p_nNextTo, size_t& p_nNextBcc, int p_iMaxRecipients,
                                 const std::string& p_sHeader, const std::string& p_sBody);
    void ShowAuthenticationWarning();

    std::unique_ptr<CCancelLink> m_p_oOwnLink;
    CCancelLink* m_p_oLink;
    std::unique_ptr<CSocket> m_pwsSMTPServer;
    bool m_bWinsockStarted = false;
    char m_acResponse[1024] = {};
    int m_iLastCode = 0;
    std::string m_sSMTPServer;
    std::string m_sSenderName;
    std::string m_sSenderEmail;
    std::string m_sSubject;
    std::string m_sHTMLBody;
    std::string m_sPlainBody;
    bool m_bHasHTML = false;
    bool m_bHasPlain = false;
    std::string m_sAttachmentPath;
    CSendProgress* m_p_oProgress = nullptr;
    std::vector<CMailAddress> m_vTo;
    std::vector<CMailAddress> m_vBcc;
    std::string m_sMailHeader;
    std::string m_sMailBody;
    bool m_bConnected = false;
    uint32_t m_dwWaitLimitMs = kDefaultWaitLimitMs;
};

// The addressees of a recipient list, in order (name and e-mail of each).
std::vector<CMailAddress> MailAddressesOf(const CMessageRecipientList* p_p_mrlList);
// "host:port" with a numeric port splits; anything else is the host with port 25.
void SplitServerAndPort(const std::string& p_sServer, std::string& p_sHost, uint16_t& p_wPort);
// The text as it goes inside DATA: line ends made CR LF, a leading dot on a line doubled.
std::string EncodeForData(const std::string& p_sText);
