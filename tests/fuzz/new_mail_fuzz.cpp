// tests/fuzz/new_mail_fuzz.cpp: a new mail of arbitrary sender, address type, subject, body and
// attachment through the whole decision (gateway classification, upgrade notice checks, the rules
// and the bulk job): it stays in bounds, and the sorting answers keep their definitions.
#include "Addressbook/newmail/gateway_mail.h"
#include "Addressbook/newmail/new_mail.h"
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/client_security_protocol.h"
#include "Addressbook/reminders/rule_manager.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace
{
class CFuzzMessage : public INewMailMessage
{
  public:
    std::optional<std::string> Body() override
    {
        return m_sBody;
    }
    std::string Recipients() override
    {
        return "jane@example.com";
    }
    std::optional<std::string> AddressBookSenderAddress() override
    {
        return m_sBody.substr(0, 40);
    }
    bool FirstAttachment(std::vector<uint8_t>& p_vBytes) override
    {
        p_vBytes = m_vAttachment;
        return !m_vAttachment.empty();
    }
    bool Delete() override
    {
        return true;
    }
    std::string m_sBody;
    std::vector<uint8_t> m_vAttachment;
};

// Records nothing: a notice that got through every check would only be written here.
class CNullInstaller : public IResourceInstaller
{
  public:
    bool ProductFolder(std::string& p_sFolder) override
    {
        p_sFolder = "C:\\Documents\\Brevolt SMS";
        return true;
    }
    bool DeleteOnce(const std::string&, uint32_t&) override
    {
        return true;
    }
    void ShowDeleteFailure(const std::string&, const std::string&) override
    {
    }
    bool Lock() override
    {
        return true;
    }
    void Unlock() override
    {
    }
    bool WriteModule(const std::string&, const std::vector<uint8_t>&) override
    {
        return true;
    }
    void Announce() override
    {
    }
};

const std::string& KeyText()
{
    static const std::string s_sKey = [] {
        CAES key;
        std::string text;
        if (!key.GenerateRandomKey() || !key.WriteKeyXML(text))
            __builtin_trap();
        return text;
    }();
    return s_sKey;
}

// The next field of the input, up to a NUL.
std::string Field(const uint8_t*& p_pAt, const uint8_t* p_pEnd)
{
    const uint8_t* stop = std::find(p_pAt, p_pEnd, uint8_t{0});
    std::string field(p_pAt, stop);
    p_pAt = stop == p_pEnd ? stop : stop + 1;
    return field;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const uint8_t* at = p_pData;
    const uint8_t* end = p_pData + p_nSize;
    CNewMailEnvelope envelope;
    envelope.m_sSenderAddress = Field(at, end);
    envelope.m_sSenderType = Field(at, end);
    envelope.m_sSubject = Field(at, end);
    CFuzzMessage message;
    message.m_sBody = Field(at, end);
    message.m_vAttachment.assign(at, end);

    std::string head = envelope.m_sSubject->substr(0, kClassifiedSubjectChars);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::toupper(c); });
    if ((ClassifyGatewaySubject(*envelope.m_sSubject) == ECommunicationType::Upgrade) !=
        (head.find("UPGRADE") != std::string::npos))
        __builtin_trap();
    const std::string& sender = *envelope.m_sSenderAddress;
    if (HasEmailAddressForm(sender) && (sender.find('@') == 0 || sender.find('@') == std::string::npos))
        __builtin_trap();

    std::unique_ptr<Registry> store = CreateMemoryRegistry();
    CRegistry registry(*store);
    if (!registry.WriteUserText(kAccountKeyValue, KeyText()))
        __builtin_trap();
    CRuleManager rules(registry);
    CMessageRule always;
    always.m_bTriggerAlways = true;
    always.m_dwTriggerAction = kRuleActionAll;
    always.m_bContinueProcessing = true;
    CMessageRule bySubject(1);
    bySubject.m_aCriteria[kRuleFieldSubject].SetTriggerData(envelope.m_sSenderType);
    rules.SetRules({always, bySubject});
    CNullInstaller installer;
    CNewMailServices services;
    services.m_p_oRegistry = &registry;
    services.m_p_oRules = &rules;
    services.m_p_oInstaller = &installer;
    services.m_fnSendBulk = [](const CFinalSMSList& p_oList) { return p_oList.m_dwCount > 0; };
    // An arbitrary notice cannot carry a valid signature under a key it never saw.
    if (DealWithNewMail(envelope, message, services) == ENewMailResult::UpgradeApplied)
        __builtin_trap();
    return 0;
}
