// Addressbook/frame/mail_package_object.cpp: CreateMailPackageObject. Until the MAPI and Outlook
// Express transports join the library, both packages send over SMTP with the server named by the
// mail client's own account settings; the session and application wait for the MAPI object.
#include "Addressbook/frame/mail_package_object.h"

#include "common/trace_log.h"

std::unique_ptr<CMailPackage> CreateMailPackageObject(int p_iPackage, int p_iPackageVersion, IMAPISession*, IDispatch*,
                                                      CRegistry& p_oRegistry)
{
    std::unique_ptr<CMailPackage> package = CreateSMTPPackageFor(p_iPackage, p_iPackageVersion, p_oRegistry);
    Log("CreateMailPackageObject: package %d version %d: %s", p_iPackage, p_iPackageVersion,
        package ? "SMTP road" : "none");
    return package;
}
