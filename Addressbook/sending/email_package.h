// Addressbook/sending/email_package.h: what the machine says about its mail clients: the default
// mail package, the Outlook Express version, and the body a gateway mail carries on each road.
#pragma once

#include "common/settings.h"

#include <string>

constexpr int kPackageNotRecognised = 5;

// The default mail client's package code (0 Outlook, 1 Outlook Express, 2 Netscape, 3 Eudora),
// or kPackageNotRecognised. Classes-root keys are read through HKLM "Software\Classes".
int DetectDefaultMailPackage(CRegistry& p_oRegistry);
// 4 → 0, 5 → 1, 6 → 2, 7 or later → 3; -1 when Outlook Express is not installed.
int OutlookExpressVersionCode(CRegistry& p_oRegistry);

enum class EGatewayRoad
{
    MAPI,         // Outlook: the body with the document as a ".TXT" attachment
    TransferFile, // Outlook Express: the preamble body, the document as "content.txt"
    SMTP,         // the document alone as the plain-text part
};

extern const char* const kGatewayPreamble;
constexpr size_t kMaxDocumentInBody = 512000;

// The body text of a gateway mail on p_eRoad.
std::string GatewayMailBody(EGatewayRoad p_eRoad, const std::string& p_sDocument);
