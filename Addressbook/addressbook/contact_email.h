// Addressbook/addressbook/contact_email.h: which e-mail address a contact offers. A contact has
// three e-mail slots; the first usable one wins, Exchange addresses counting only when the address
// book can turn them into an SMTP address. The page cache, the detail reads and list expansion all
// use this one rule.
#pragma once

#include "Addressbook/addressbook/page_cache.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

// One of Email1..Email3: its address type, address and original entry id, each possibly missing.
struct CContactEmailSlot
{
    std::optional<std::string> m_osAddrType;
    std::optional<std::string> m_osAddress;
    std::optional<CEntryBytes> m_ovOriginalEntryId;
};
using CContactEmailSlots = std::array<CContactEmailSlot, 3>;

// Turns the original entry id of an Exchange slot into its SMTP address; none when it cannot.
using ExchangeAddressResolver = std::function<std::optional<std::string>(const CEntryBytes&)>;

// The contact's e-mail: slots are tried in order, one missing any of its three values is skipped,
// "SMTP" yields its address, "EX" yields the resolver's answer when there is one, anything else is
// skipped. Empty when no slot yields a non-empty address.
std::string ChooseContactEmail(const CContactEmailSlots& p_aSlots, const ExchangeAddressResolver& p_fnResolveExchange);
