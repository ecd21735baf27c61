// Addressbook/newmail/gateway_mail.h: how a new mail is sorted: gateway replies by their sender and
// subject, and the sender's SMTP address the notification rules match on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The kind of a gateway reply, from its subject.
enum class ECommunicationType
{
    Upgrade = 0,
    Unknown = 2
};

// Only this much of a subject is looked at; a reply prefix still leaves room for the word.
constexpr size_t kClassifiedSubjectChars = 49;

// "Upgrade" (any case) lying wholly within the subject's first 49 characters.
ECommunicationType ClassifyGatewaySubject(std::string_view p_sSubject);

// The sender's address contains the gateway's sender address, in any case, so a display prefix
// around it is accepted. An empty gateway address matches nothing.
bool IsFromGateway(std::string_view p_sSenderAddress, std::string_view p_sGatewaySender);

// An "@" that is not the first character, followed later by a "." that neither directly follows
// the "@" nor ends the text.
bool HasEmailAddressForm(std::string_view p_sAddress);

// The sender's SMTP address for the rules: the address itself when its type is "SMTP", or when it
// has no type and looks like an e-mail address; else what p_fnAddressBook finds (empty when none).
std::string RuleSenderAddress(std::string_view p_sAddress, std::string_view p_sAddressType,
                              const std::function<std::optional<std::string>()>& p_fnAddressBook);
