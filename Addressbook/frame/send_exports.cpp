// Addressbook/frame/send_exports.cpp: SendSMS and SendBulkSMS, the library's entry points for
// sending a job: copies of the host's lists, an e-mail sender behind the send dialog, and the
// readable copy in "Sent SMSs" once the job went out.
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/frame/mail_package_object.h"
#include "Addressbook/messaging/local_sender.h"
#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/sending/email_sender.h"
#include "Addressbook/sending/ui/send_dialog.h"
#include "Addressbook/ui/message_box.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <memory>
#include <new>
#include <string>

namespace
{
// The library's own package object, lent to one send: the sender owns what its factory makes.
class CLentPackage final : public CMailPackage
{
  public:
    explicit CLentPackage(CMailPackage& p_oPackage) : m_oPackage(p_oPackage)
    {
    }
    int Send(const CGatewayMail& p_oMail, CCancelLink& p_oLink, CSendProgress* p_p_oProgress) override
    {
        const int sent = m_oPackage.Send(p_oMail, p_oLink, p_p_oProgress);
        if (!sent)
            m_oError.CopyFrom(m_oPackage.Error());
        return sent;
    }

  private:
    CMailPackage& m_oPackage;
};

IMAPISession* ThreadSession()
{
    return static_cast<IMAPISession*>(Library().m_oSlots.Get(ESlot::Session));
}

IDispatch* ThreadApplication()
{
    return static_cast<IDispatch*>(Library().m_oSlots.Get(ESlot::Dispatch));
}

// Init's package object for the host's package; for any other package (or when Init made none)
// a new one, as the send thread needs it.
std::unique_ptr<CMailPackage> PackageForSend(int p_iPackage, int p_iVersion, IMAPISession* p_pSession,
                                             IDispatch* p_pApplication)
{
    CLibrary& library = Library();
    CMailPackage* own = nullptr;
    if (p_iPackage == kPackageOutlook)
        own = library.m_p_oOutlook.get();
    else if (p_iPackage == kPackageOutlookExpress)
        own = library.m_p_oOutlookExpress.get();
    if (own != nullptr)
        return std::make_unique<CLentPackage>(*own);
    if (p_iPackage == kPackageOutlook || p_iPackage == kPackageOutlookExpress)
        return CreateMailPackageObject(p_iPackage, p_iVersion, p_pSession, p_pApplication, library.m_oRegistry);
    return CreateSMTPPackageFor(p_iPackage, p_iVersion, library.m_oRegistry);
}

// A sender as the exports make it: the library's package and version, the calling thread's
// session and dispatch, the send dialog around the worker.
std::unique_ptr<CEmailSender> MakeSender(uint32_t p_dwOptions)
{
    CLibrary& library = Library();
    IMAPISession* session = ThreadSession();
    IDispatch* application = ThreadApplication();
    std::unique_ptr<CEmailSender> sender(new (std::nothrow) CEmailSender(
        library.m_oRegistry, &SystemPlatformFacts(), [session, application](int p_iPackage, int p_iVersion) {
            return PackageForSend(p_iPackage, p_iVersion, session, application);
        }));
    if (!sender)
        return nullptr;
    sender->SetPackage(library.Package(), library.PackageVersion());
    sender->SetOptions(static_cast<int32_t>(p_dwOptions));
    sender->SetRunner(
        [session, application](CEmailSender& p_oSender) { return RunSendDialog(p_oSender, session, application); });
    return sender;
}

void ReportAllocation(const char* p_szWhere)
{
    ReportError(CorvaneStrings(), kMsgErrorAllocating, "p_oES", p_szWhere);
}

// After a job went out: the readable copy, labelled with the sender, under a one-line subject.
void FileSentCopy(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                  const char* p_szFolderSubject, const char* p_szMessage)
{
    const CLocalSender local = ReadLocalSender(Library().m_oRegistry);
    const std::string label = SenderLabel(local.m_sName, local.m_sEmail);
    const std::string subject = CleanFolderSubject(p_szFolderSubject != nullptr ? p_szFolderSubject : "");
    if (WriteToSMSFolder(p_p_mrlTo, p_p_mrlCc, label.c_str(), subject.c_str(),
                         p_szMessage != nullptr ? p_szMessage : "") != 1)
        Log("WriteToSMSFolder: no copy filed for \"%s\"", subject.c_str());
}

void LogSendResult(const char* p_szWhat, int p_iResult)
{
    if (p_iResult != kSendSuccess)
        LogFailure(p_szWhat, "failed with result %d", p_iResult);
}
} // namespace

extern "C"
{
    int CORVANE_API SendSMS(HWND p_hParent, const CMessageRecipientList* p_p_mrlTo,
                            const CMessageRecipientList* p_p_mrlCc, const char* p_szMessage, uint32_t p_dwOptions,
                            const CDeliveryTime* p_pstDelivery, const char* p_szFolderSubject, int* p_piResult)
    {
        return TrapExceptions("SendSMS", 0, [&]() -> int {
            if (p_piResult != nullptr)
                *p_piResult = kSendNothingSent;
            CLogScope scope("SendSMS");
            Log("SendSMS: parent %p, options 0x%X", static_cast<void*>(p_hParent), p_dwOptions);
            const RecipientListPtr to = CopyRecipientList(p_p_mrlTo);
            const RecipientListPtr cc = CopyRecipientList(p_p_mrlCc);
            std::unique_ptr<CEmailSender> sender = MakeSender(p_dwOptions);
            if (!sender)
            {
                ReportAllocation("SendSMS");
                return 0;
            }
            const int sent =
                sender->SendSMS(to.get(), cc.get(), p_szMessage != nullptr ? p_szMessage : "", p_pstDelivery);
            const int result = sender->Result();
            Log("SendSMS: CEmailSender::SendSMS gave %d, result %d", sent, result);
            if (p_piResult != nullptr)
                *p_piResult = result;
            if (result == kSendSuccess)
                FileSentCopy(to.get(), cc.get(), p_szFolderSubject, p_szMessage);
            else
                LogSendResult("CEmailSender::SendSMS()", result);
            return 1;
        });
    }

    int CORVANE_API SendBulkSMS(HWND p_hParent, const char* p_szSenderId, const CFinalSMSList* p_p_oSMSList,
                                const char* p_szTagBody, uint32_t p_dwOptions, const CDeliveryTime* p_pstDelivery,
                                const CDeliveryTime* p_pstEnd, HWND p_hProgress, const char* p_szFolderSubject,
                                const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                                int* p_piResult)
    {
        return TrapExceptions("SendBulkSMS", 0, [&]() -> int {
            if (p_piResult != nullptr)
                *p_piResult = kSendNothingSent;
            CLogScope scope("SendBulkSMS");
            Log("SendBulkSMS: parent %p, options 0x%X", static_cast<void*>(p_hParent), p_dwOptions);
            const RecipientListPtr to = CopyRecipientList(p_p_mrlTo);
            const RecipientListPtr cc = CopyRecipientList(p_p_mrlCc);
            std::unique_ptr<CEmailSender> sender = MakeSender(p_dwOptions);
            if (!sender)
            {
                ReportAllocation("SendBulkSMS");
                return 0;
            }
            const HWND progress = p_hProgress != nullptr && IsWindow(p_hProgress) ? p_hProgress : nullptr;
            if (progress != nullptr)
            {
                SetProgressText(progress, TableText(kMsgRenderingFinalSMS).c_str());
                // The host's progress window gives way to the send dialog once the job is rendered.
                sender->SetRunner(
                    [progress, session = ThreadSession(), application = ThreadApplication()](CEmailSender& p_oSender) {
                        ShowWindow(progress, SW_HIDE);
                        return RunSendDialog(p_oSender, session, application);
                    });
            }
            const int sent = sender->SendBulkSMS(p_szSenderId != nullptr ? p_szSenderId : "", p_p_oSMSList,
                                                 p_szTagBody != nullptr ? p_szTagBody : "", p_pstEnd, p_pstDelivery);
            const int result = sender->Result();
            Log("SendBulkSMS: bulk send gave %d, result %d", sent, result);
            if (p_piResult != nullptr)
                *p_piResult = result;
            if (result == kSendSuccess)
                FileSentCopy(to.get(), cc.get(), p_szFolderSubject, p_szTagBody);
            else
                LogSendResult("CEmailSender::SendBulkSMS()", result);
            return 1;
        });
    }
}
