// Addressbook/addressbook/contact_email.cpp: the contact e-mail rule.
#include "Addressbook/addressbook/contact_email.h"

#include "Addressbook/messaging/ansi_text.h"

std::string ChooseContactEmail(const CContactEmailSlots& p_aSlots, const ExchangeAddressResolver& p_fnResolveExchange)
{
    for (const CContactEmailSlot& oSlot : p_aSlots)
    {
        if (!oSlot.m_osAddrType || !oSlot.m_osAddress || !oSlot.m_ovOriginalEntryId)
            continue;
        if (AnsiEqualsNoCase(*oSlot.m_osAddrType, "SMTP") && !oSlot.m_osAddress->empty())
            return *oSlot.m_osAddress;
        if (AnsiEqualsNoCase(*oSlot.m_osAddrType, "EX") && p_fnResolveExchange)
            if (std::optional<std::string> osSmtp = p_fnResolveExchange(*oSlot.m_ovOriginalEntryId);
                osSmtp && !osSmtp->empty())
                return *osSmtp;
    }
    return {};
}
