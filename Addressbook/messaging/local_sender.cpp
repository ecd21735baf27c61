// Addressbook/messaging/local_sender.cpp: reading the local sender from the user settings.
#include "Addressbook/messaging/local_sender.h"

#include "Addressbook/messaging/phone_rules.h"

CLocalSender ReadLocalSender(CRegistry& p_oRegistry)
{
    CLocalSender sender;
    sender.m_sName = p_oRegistry.ReadUserText("Name");
    sender.m_sEmail = p_oRegistry.ReadUserText("Email");
    const std::string phone = p_oRegistry.ReadUserText("Phone");
    if (!phone.empty())
        sender.m_sPhone = InternationalForm(p_oRegistry.ReadUserText("CountryCode"), phone);
    return sender;
}
