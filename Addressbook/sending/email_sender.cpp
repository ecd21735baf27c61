// Addressbook/sending/email_sender.cpp: job → MAIL document → sealed envelope → package.
#include "Addressbook/sending/email_sender.h"

#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/protocol/client_security_protocol.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/sending/email_package.h"
#include "common/error_slot.h"
#include "common/trace_log.h"

#include <cstdio>

const char* const kGatewaySubject = "Brevolt email";

int ResultFromLinkState(uint32_t p_dwState)
{
    switch (p_dwState)
    {
    case kLinkRunning:
        Log("Send Success");
        return kSendSuccess;
    case kLinkCancelled:
        Log("Send Cancel");
        return kSendCancelled;
    case kLinkCantCancel:
        Log("Send Cant Cancel");
        return kSendCantCancel;
    case kLinkAborted:
        Log("Send Aborted");
        return kSendAborted;
    }
    return kSendFailed;
}

std::string SenderLabel(const std::string& p_sName, const std::string& p_sEmail)
{
    return p_sName.empty() ? p_sEmail : p_sName + " [" + p_sEmail + "]";
}

std::string CleanFolderSubject(const std::string& p_sSubject)
{
    std::string subject = p_sSubject.substr(0, 100);
    for (char& c : subject)
    {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return subject;
}

CEmailSender::CEmailSender(CRegistry& p_oRegistry, IPlatformFacts* p_p_oFacts, PackageFactory p_fnPackages)
    : m_oRegistry(p_oRegistry), m_p_oFacts(p_p_oFacts), m_fnPackages(std::move(p_fnPackages))
{
}

CEmailSender::~CEmailSender() = default;

int CEmailSender::SendSMS(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond,
                          const std::string& p_sText, const CSystemTime* p_pDelivery)
{
    CLogScope scope("CEmailSender::SendSMS");
    CMessageRecipientList* combined = nullptr;
    if (!GetCombinedFlatNonDuplicateList(p_p_mrlFirst, p_p_mrlSecond, &combined) || combined == nullptr)
    {
        Log("CMessageRecipient::GetCombinedFlatNonDuplicateList()");
        return -1;
    }
    const RecipientListPtr owned(combined);
    if (!SetupSMSMailProperties(false, p_pDelivery))
    {
        Log("CEmailSender::SetupSMSMailProperties()");
        return -1;
    }
    const std::string document = GetQuilletEncBodyPlain(m_oSender, combined, nullptr, p_sText, m_iOptions);
    if (!SetMessagePlain(document))
    {
        Log("CEmailSender::SetMessagePlain()");
        return -1;
    }
    if (!Send())
    {
        Log("CEmailSender::Send()");
        return -1;
    }
    return 0;
}

int CEmailSender::SendBulkSMS(const std::string& p_sSenderId, const CFinalSMSList* p_p_oList,
                              const std::string& p_sTagBody, const CSystemTime* p_pEndTime,
                              const CSystemTime* p_pDelivery)
{
    CLogScope scope("CEmailSender::SendBulkSMS");
    if (!SetupSMSMailProperties(true, p_pDelivery))
    {
        Log("CEmailSender::SetupSMSMailProperties()");
        return -1;
    }
    const std::string document =
        GetSMSBulkMessageEncBodyPlain(m_oSender, p_sSenderId, p_p_oList, p_sTagBody, p_pEndTime, m_iOptions);
    if (!SetMessagePlain(document))
    {
        Log("CEmailSender::SetMessagePlain()");
        return -1;
    }
    if (!Send())
    {
        Log("CEmailSender::Send()");
        return -1;
    }
    return 0;
}

bool CEmailSender::SetupSMSMailProperties(bool p_bBulk, const CSystemTime* p_pDelivery)
{
    m_oSender = ReadLocalSender(m_oRegistry);
    // The gateway answers to the sender's mobile and e-mail; a job without them cannot be sent.
    if (m_oSender.m_sEmail.empty() || m_oSender.m_sPhone.empty())
    {
        Log("CEmailSender::SetupSMSMailProperties: the local sender has no %s",
            m_oSender.m_sEmail.empty() ? "e-mail address" : "mobile number");
        return false;
    }
    m_oMail.m_sSenderName = m_oSender.m_sName;
    m_oMail.m_sSenderEmail = m_oSender.m_sEmail;
    m_iMailKind = kMailKindSMS;
    m_oDelivery = p_pDelivery != nullptr ? *p_pDelivery : CSystemTime();

    const CGatewayConfig config = ReadGatewayConfig(m_oRegistry);
    const std::string serverName = std::string(kProductTitle) + " Server";
    const std::string& mailbox = p_bBulk ? config.m_sBulkSendMailbox : config.m_sSingleSendMailbox;
    CMessageRecipient* gateway = nullptr;
    if (!CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, serverName.c_str(), nullptr,
                                           mailbox.c_str(), serverName.c_str(), EID_TYPE_BULK, 0, nullptr,
                                           kDefaultRecipientOptions, &gateway) ||
        gateway == nullptr)
        return false;
    RecipientListPtr list = NewList<CMessageRecipientList>();
    AppendItem(*list, RecipientPtr(gateway));
    if (!SetRecipients(*list))
        return false;

    if (m_p_oFacts != nullptr)
    {
        m_oPlatform = BuildPlatformInfo(m_oRegistry, *m_p_oFacts, static_cast<uint32_t>(m_iPackage),
                                        static_cast<uint32_t>(m_iPackageVersion));
        m_oLanguage =
            BuildLanguageInfo(*m_p_oFacts, static_cast<uint32_t>(m_iPackage), static_cast<uint32_t>(m_iPackageVersion));
    }
    m_oMail.m_sSubject = kGatewaySubject;
    return true;
}

RecipientListPtr CopyRecipientList(const CMessageRecipientList* p_p_mrlSource)
{
    RecipientListPtr copy = NewList<CMessageRecipientList>();
    if (p_p_mrlSource == nullptr)
        return copy;
    for (const CMessageRecipientNode* node = p_p_mrlSource->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
    {
        if (node->m_p_oItem != nullptr)
            AppendItem(*copy, CopyRecipient(*node->m_p_oItem));
    }
    return copy;
}

bool CEmailSender::InstallCopy(const CMessageRecipientList& p_oList, RecipientListPtr& p_p_mrlField,
                               const CMessageRecipientList*& p_p_mrlMailField, const char* p_szField,
                               const char* p_szWhere)
{
    try
    {
        p_p_mrlField = CopyRecipientList(&p_oList);
        p_p_mrlMailField = p_p_mrlField.get();
        return true;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, p_szField, p_szWhere);
        return false;
    }
}

bool CEmailSender::SetRecipients(const CMessageRecipientList& p_oList)
{
    return InstallCopy(p_oList, m_p_mrlTo, m_oMail.m_p_mrlTo, "m_p_mrlTo", "CEmailSender::SetRecipients");
}

bool CEmailSender::SetBccRecipients(const CMessageRecipientList& p_oList)
{
    return InstallCopy(p_oList, m_p_mrlBcc, m_oMail.m_p_mrlBcc, "m_p_mrlBcc", "CEmailSender::SetBccRecipients");
}

bool CEmailSender::SetMessagePlain(const std::string& p_sText)
{
    return SealDocument(p_sText);
}

bool CEmailSender::SealDocument(const std::string& p_sDocument)
{
    CClientSecurityProtocol security(m_oRegistry);
    if (security.IsError())
    {
        m_oError.CopyFrom(security.Error());
        return false;
    }
    std::string body;
    if (!security.EncryptSMSBody(nullptr, m_oSender.m_sEmail.c_str(), p_sDocument.c_str(), m_oPlatform, m_oLanguage,
                                 m_oDelivery, &body))
    {
        m_oError.CopyFrom(security.Error());
        return false;
    }
    m_oMail.m_sPlainBody = std::move(body);
    return true;
}

bool CEmailSender::Send()
{
    if (m_fnRunner)
    {
        if (!m_fnRunner(*this))
            return false;
    }
    else
        SendMailWithPackage();
    return !m_oError.IsSet();
}

namespace
{
// The name a package object goes by in message 210.
const char* PackageObjectName(int p_iPackage)
{
    switch (p_iPackage)
    {
    case kPackageOutlook:
        return "p_olOutlook";
    case kPackageOutlookExpress:
        return "p_oeOutlookExpress";
    case kPackageNetscape:
        return "p_nsNetscape";
    case kPackageEudora:
        return "p_eudEudora";
    case kPackageAOL:
        return "p_aolAOL";
    }
    return "p_oPackage";
}
} // namespace

void CEmailSender::SendMailWithPackage()
{
    CLogScope scope("CEmailSender::SendMailWithPackage");
    m_iResult = kSendNothingSent;
    if (m_iPackage == kPackageNotChosen)
    {
        const int detected = DetectDefaultMailPackage(m_oRegistry);
        if (detected == kPackageNotRecognised)
        {
            m_oError.Set(CorvaneStrings(), kMsgPackageNotRecognised);
            ReportError(m_oError, false);
            return;
        }
        Log("CEmailSender::SendMailWithPackage: default mail package %d", detected);
        m_iPackage = detected;
    }

    const bool outlook = m_iPackage == kPackageOutlook;
    if (outlook && m_oOutlookHooks.m_fnEnter && !m_oOutlookHooks.m_fnEnter())
        return;
    struct CLeave
    {
        const std::function<void()>* m_pfnLeave;
        ~CLeave()
        {
            if (m_pfnLeave != nullptr && *m_pfnLeave)
                (*m_pfnLeave)();
        }
    } leave{outlook ? &m_oOutlookHooks.m_fnLeave : nullptr};

    std::unique_ptr<CMailPackage> package = m_fnPackages ? m_fnPackages(m_iPackage, m_iPackageVersion) : nullptr;
    if (package == nullptr)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, PackageObjectName(m_iPackage),
                     "CEmailSender::SendMailWithPackage");
        ReportError(m_oError, false);
        return;
    }
    m_oLink.SetState(kLinkRunning);
    if (!package->Send(m_oMail, m_oLink, m_p_oProgress))
    {
        m_oError.CopyFrom(package->Error());
        m_iResult = kSendFailed;
        return;
    }
    // A stopped or timed-out send left nothing in the Outbox for Outlook to send.
    if (outlook && m_oOutlookHooks.m_fnTriggerSend && !m_oLink.IsStopped() && !m_oOutlookHooks.m_fnTriggerSend())
    {
        Log("CEmailSender::TriggerSendButton()");
        m_iResult = kSendNotTriggered;
        return;
    }
    m_iResult = ResultFromLinkState(m_oLink.State());
}
