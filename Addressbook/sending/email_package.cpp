// Addressbook/sending/email_package.cpp: default mail client detection and gateway mail bodies.
#include "Addressbook/sending/email_package.h"

#include <algorithm>
#include <cctype>
#include <vector>

const char* const kGatewayPreamble =
    "This is a SMS server communication mail. To see the plain text version look in your Sent SMSs folder.";

namespace
{
bool DefaultText(CRegistry& p_oRegistry, const std::string& p_sKey, std::string& p_sText)
{
    std::vector<uint8_t> data;
    if (!p_oRegistry.ReadRegistry(ERegRoot::LocalMachine, p_sKey, "", true, data))
        return false;
    p_sText = TextOfValue(data);
    return !p_sText.empty();
}
} // namespace

int DetectDefaultMailPackage(CRegistry& p_oRegistry)
{
    std::string client;
    std::string command;
    const bool viaClients =
        DefaultText(p_oRegistry, "SOFTWARE\\Clients\\Mail", client) &&
        DefaultText(p_oRegistry, "SOFTWARE\\Clients\\Mail\\" + client + "\\shell\\open\\command", command);
    if (!viaClients && !DefaultText(p_oRegistry, "SOFTWARE\\Classes\\mailto\\shell\\open\\command", command))
        return kPackageNotRecognised;
    std::transform(command.begin(), command.end(), command.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const std::pair<const char*, int> programs[] = {
        {"OUTLOOK.EXE", 0}, {"MSIMN.EXE", 1}, {"EUDORA.EXE", 3}, {"NETSCAPE.EXE", 2}};
    for (const auto& program : programs)
    {
        if (command.find(program.first) != std::string::npos)
            return program.second;
    }
    return kPackageNotRecognised;
}

int OutlookExpressVersionCode(CRegistry& p_oRegistry)
{
    std::vector<uint8_t> data;
    if (!p_oRegistry.ReadRegistry(ERegRoot::LocalMachine, "Software\\Microsoft\\Outlook Express\\Version Info",
                                  "Current", true, data))
        return -1;
    const std::string current = TextOfValue(data);
    int major = 0;
    size_t i = 0;
    for (; i < current.size() && std::isdigit(static_cast<unsigned char>(current[i])) && major < 1000; ++i)
        major = major * 10 + (current[i] - '0');
    if (i == 0)
        return -1;
    if (major <= 4)
        return 0;
    return major >= 7 ? 3 : major - 4;
}

std::string GatewayMailBody(EGatewayRoad p_eRoad, const std::string& p_sDocument)
{
    switch (p_eRoad)
    {
    case EGatewayRoad::SMTP:
        return p_sDocument;
    case EGatewayRoad::TransferFile:
    case EGatewayRoad::MAPI:
        break;
    }
    // Mail clients choke on very long bodies; the attachment carries the document either way.
    if (p_sDocument.size() > kMaxDocumentInBody)
        return kGatewayPreamble;
    return kGatewayPreamble + std::string(50, '\n') + p_sDocument;
}
