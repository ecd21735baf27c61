// Addressbook/sending/email_sender.h: turns an SMS job into the one mail the gateway reads and
// sends it through the user's mail package, with a result code the compose window understands.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/gateway_config.h"
#include "Addressbook/messaging/mail_documents.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/protocol/protocol_records.h"
#include "Addressbook/sending/mail_package.h"
#include "Addressbook/smtp/cancel_link.h"
#include "common/error_slot.h"
#include "common/settings.h"

#include <functional>
#include <memory>
#include <string>

// Send result codes.
constexpr int kSendFailed = 0;
constexpr int kSendSuccess = 2;
constexpr int kSendNothingSent = 3;
constexpr int kSendCantCancel = 5;
constexpr int kSendCancelled = 6;
constexpr int kSendAborted = 7;
constexpr int kSendNotTriggered = 8;

constexpr int kMailKindEmail = 1;
constexpr int kMailKindSMS = 2;
extern const char* const kGatewaySubject; // "Brevolt email"

// The result a finished transport's state word stands for (0 → 2, 1 → 6, 2 → 5, 3 → 7).
int ResultFromLinkState(uint32_t p_dwState);
// "%s [%s]" of name and e-mail, or the e-mail alone.
std::string SenderLabel(const std::string& p_sName, const std::string& p_sEmail);
// Tabs and line breaks become blanks; at most 100 characters.
std::string CleanFolderSubject(const std::string& p_sSubject);
// A deep copy of a list (null gives an empty list); recipients and their members are copied.
RecipientListPtr CopyRecipientList(const CMessageRecipientList* p_p_mrlSource);

// What the Outlook road (package 0) needs around the transport on the send thread: entering sets
// up COM and the thread's MAPI values, the trigger makes a running Outlook send its Outbox, and
// leaving undoes the set-up. Any of them may be empty.
struct COutlookThreadHooks
{
    std::function<bool()> m_fnEnter;
    std::function<bool()> m_fnTriggerSend;
    std::function<void()> m_fnLeave;
};

class CEmailSender
{
  public:
    // Makes the package object for a package code and version (the library's own, or one over SMTP).
    using PackageFactory = std::function<std::unique_ptr<CMailPackage>(int p_iPackage, int p_iVersion)>;
    // Runs SendMailWithPackage on a worker behind the progress dialog; null runs it right here.
    using SendRunner = std::function<bool(CEmailSender& p_oSender)>;

    CEmailSender(CRegistry& p_oRegistry, IPlatformFacts* p_p_oFacts, PackageFactory p_fnPackages);
    ~CEmailSender();
    CEmailSender(const CEmailSender&) = delete;
    CEmailSender& operator=(const CEmailSender&) = delete;

    void SetPackage(int p_iPackage, int p_iVersion)
    {
        m_iPackage = p_iPackage;
        m_iPackageVersion = p_iVersion;
    }
    void SetOptions(int32_t p_iOptions)
    {
        m_iOptions = p_iOptions;
    }
    void SetRunner(SendRunner p_fnRunner)
    {
        m_fnRunner = std::move(p_fnRunner);
    }
    void SetProgress(CSendProgress* p_p_oProgress)
    {
        m_p_oProgress = p_p_oProgress;
    }
    void SetOutlookThreadHooks(COutlookThreadHooks p_oHooks)
    {
        m_oOutlookHooks = std::move(p_oHooks);
    }
    int Package() const
    {
        return m_iPackage;
    }
    int PackageVersion() const
    {
        return m_iPackageVersion;
    }

    // A single job: every recipient of both lists gets p_sText. 0 sent (see Result), -1 failed.
    [[nodiscard]] int SendSMS(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond,
                              const std::string& p_sText, const CSystemTime* p_pDelivery);
    // A bulk job of personalised messages.
    [[nodiscard]] int SendBulkSMS(const std::string& p_sSenderId, const CFinalSMSList* p_p_oList,
                                  const std::string& p_sTagBody, const CSystemTime* p_pEndTime,
                                  const CSystemTime* p_pDelivery);

    [[nodiscard]] bool SetupSMSMailProperties(bool p_bBulk, const CSystemTime* p_pDelivery);
    [[nodiscard]] bool SetRecipients(const CMessageRecipientList& p_oList);
    [[nodiscard]] bool SetBccRecipients(const CMessageRecipientList& p_oList);
    [[nodiscard]] bool SetMessagePlain(const std::string& p_sText);
    [[nodiscard]] bool Send();
    // The worker's part: the package sends, the link's state becomes the result.
    void SendMailWithPackage();

    int Result() const
    {
        return m_iResult;
    }
    int MailKind() const
    {
        return m_iMailKind;
    }
    int32_t Options() const
    {
        return m_iOptions;
    }
    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    CCancelLink& Link()
    {
        return m_oLink;
    }
    const CGatewayMail& Mail() const
    {
        return m_oMail;
    }

  private:
    [[nodiscard]] bool SealDocument(const std::string& p_sDocument);
    [[nodiscard]] bool InstallCopy(const CMessageRecipientList& p_oList, RecipientListPtr& p_p_mrlField,
                                   const CMessageRecipientList*& p_p_mrlMailField, const char* p_szField,
                                   const char* p_szWhere);

    CRegistry& m_oRegistry;
    IPlatformFacts* m_p_oFacts;
    PackageFactory m_fnPackages;
    SendRunner m_fnRunner;
    COutlookThreadHooks m_oOutlookHooks;
    CSendProgress* m_p_oProgress = nullptr;
    CLocalSender m_oSender;
    RecipientListPtr m_p_mrlTo;
    RecipientListPtr m_p_mrlBcc;
    CGatewayMail m_oMail;
    int m_iMailKind = kMailKindSMS;
    int m_iPackage = kPackageNotChosen;
    int m_iPackageVersion = 0;
    int m_iResult = kSendNothingSent;
    int32_t m_iOptions = 0;
    CPlatformInfo m_oPlatform;
    CLanguageInfo m_oLanguage;
    CSystemTime m_oDelivery;
    CCancelLink m_oLink;
    CErrorSlot m_oError;
};
