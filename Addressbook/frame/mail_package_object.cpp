// Addressbook/frame/mail_package_object.cpp: CreateMailPackageObject and the WriteToSMSFolder export.
// Outlook sends through its MAPI Outbox (COutlook); Outlook Express through its transfer file and
// the hooks inside it (COutlookExpress).
#include "Addressbook/frame/mail_package_object.h"

#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/oe/oe_package_win.h"
#include "Addressbook/sending/outlook_package_win.h"
#include "common/boundary.h"
#include "common/trace_log.h"

std::unique_ptr<CMailPackage> CreateMailPackageObject(int p_iPackage, int p_iPackageVersion, IMAPISession*, IDispatch*,
                                                      CRegistry& p_oRegistry)
{
    if (p_iPackage == kPackageOutlook)
    {
        // The library owns the MAPI object: Init makes it after the package object and Uninit ends
        // it, so the package looks it up whenever it sends; without it the mail goes over SMTP.
        Log("CreateMailPackageObject: package %d version %d: MAPI road", p_iPackage, p_iPackageVersion);
        return std::make_unique<COutlook>(
            p_oRegistry, []() { return Library().m_p_oExMapi.get(); }, p_iPackageVersion, &SystemPlatformFacts());
    }
    if (p_iPackage == kPackageOutlookExpress)
    {
        Log("CreateMailPackageObject: package %d version %d: transfer-file road", p_iPackage, p_iPackageVersion);
        return oe::CreateOutlookExpressPackage(p_iPackageVersion, p_oRegistry);
    }
    std::unique_ptr<CMailPackage> package = CreateSMTPPackageFor(p_iPackage, p_iPackageVersion, p_oRegistry);
    Log("CreateMailPackageObject: package %d version %d: %s", p_iPackage, p_iPackageVersion,
        package ? "SMTP road" : "none");
    return package;
}

extern "C"
{
    int CORVANE_API WriteToSMSFolder(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlBcc,
                                     const char* p_szSenderLabel, const char* p_szSubject, const char* p_szMessage)
    {
        return TrapExceptions("WriteToSMSFolder", 0, [&]() -> int {
            CLogScope scope("WriteToSMSFolder");
            CMailPackage* package = Library().MailPackage();
            if (package == nullptr)
            {
                Log("WriteToSMSFolder: the library has no package object");
                return 0;
            }
            return package->WriteToSMSFolder(p_p_mrlTo, p_p_mrlBcc, p_szSenderLabel != nullptr ? p_szSenderLabel : "",
                                             p_szSubject != nullptr ? p_szSubject : "",
                                             p_szMessage != nullptr ? p_szMessage : "");
        });
    }
}
