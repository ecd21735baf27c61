// tests/e2e/send_sms.cpp: an SMS job typed on the command line, sent the way Corvane sends it:
// e-mail sender, sealed envelope, the Outlook package's SMTP road with the server of the
// prefix's Outlook account. Usage: e2e_send_sms [--bulk] "text" MOBILE [MOBILE...]
#include "Addressbook/messaging/email_sender.h"
#include "common/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const char* ResultName(int p_iResult)
{
    switch (p_iResult)
    {
    case kSendSuccess:
        return "Send Success";
    case kSendFailed:
        return "transport failed";
    case kSendNothingSent:
        return "nothing sent";
    case kSendCantCancel:
        return "Send Cant Cancel";
    case kSendCancelled:
        return "Send Cancel";
    case kSendAborted:
        return "Send Aborted";
    }
    return "unknown";
}
} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    const bool bulk = argc > 1 && std::strcmp(argv[1], "--bulk") == 0;
    if (bulk)
        ++first;
    if (argc - first < 2)
    {
        std::fprintf(stderr, "usage: e2e_send_sms [--bulk] \"text\" MOBILE [MOBILE...]\n");
        return 2;
    }
    const std::string text = argv[first];
    CMessageRecipientList* list = nullptr;
    CreateMessageRecipientList(&list);
    for (int i = first + 1; i < argc; ++i)
    {
        CMessageRecipient* recipient = nullptr;
        CreateMessageRecipientFromDetails(kStateTypedNumber, kKindIndividual, argv[i], argv[i], nullptr, nullptr,
                                          EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions, &recipient);
        AddMessageRecipient(list, recipient);
    }

    CRegistry registry;
    CEmailSender sender(registry, &SystemPlatformFacts(), [&registry](int p_iPackage, int p_iVersion) {
        return CreateSMTPPackageFor(p_iPackage, p_iVersion, registry);
    });
    sender.SetPackage(kPackageOutlook, 5);
    sender.SetOptions(0x0A00);
    int rc = 0;
    if (bulk)
    {
        CFinalSMSList* final = nullptr;
        CreateFinalSMSs(text.c_str(), nullptr, list, nullptr, 3, 0, 1, 0, &final);
        rc = sender.SendBulkSMS("Brevolt", final, text, nullptr, nullptr);
        DeleteSMSList(&final);
    }
    else
        rc = sender.SendSMS(list, nullptr, text, nullptr);
    DeleteMessageRecipientList(&list);
    std::printf("result %d (%s)%s%s\n", sender.Result(), ResultName(sender.Result()),
                sender.Error().IsSet() ? ": " : "", sender.Error().Text().c_str());
    return rc == 0 && sender.Result() == kSendSuccess ? 0 : 1;
}
