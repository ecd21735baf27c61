// Addressbook/newmail/gateway_mail.cpp: sorting new mail.
#include "Addressbook/newmail/gateway_mail.h"

#include <algorithm>
#include <cctype>

namespace
{
std::string Upper(std::string_view p_sText)
{
    std::string upper(p_sText);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return upper;
}
} // namespace

ECommunicationType ClassifyGatewaySubject(std::string_view p_sSubject)
{
    const std::string head = Upper(p_sSubject.substr(0, kClassifiedSubjectChars));
    return head.find("UPGRADE") != std::string::npos ? ECommunicationType::Upgrade : ECommunicationType::Unknown;
}

bool IsFromGateway(std::string_view p_sSenderAddress, std::string_view p_sGatewaySender)
{
    if (p_sGatewaySender.empty())
        return false;
    return Upper(p_sSenderAddress).find(Upper(p_sGatewaySender)) != std::string::npos;
}

bool HasEmailAddressForm(std::string_view p_sAddress)
{
    const size_t at = p_sAddress.find('@');
    if (at == std::string_view::npos || at == 0)
        return false;
    for (size_t dot = p_sAddress.find('.', at + 1); dot != std::string_view::npos; dot = p_sAddress.find('.', dot + 1))
    {
        if (dot != at + 1 && dot + 1 != p_sAddress.size())
            return true;
    }
    return false;
}

std::string RuleSenderAddress(std::string_view p_sAddress, std::string_view p_sAddressType,
                              const std::function<std::optional<std::string>()>& p_fnAddressBook)
{
    if (Upper(p_sAddressType) == "SMTP" || (p_sAddressType.empty() && HasEmailAddressForm(p_sAddress)))
        return std::string(p_sAddress);
    if (!p_fnAddressBook)
        return std::string();
    return p_fnAddressBook().value_or(std::string());
}
