// Addressbook/messaging/local_sender.h: the user's own sender details as the settings hold them.
#pragma once

#include "Addressbook/messaging/mail_documents.h"
#include "common/settings.h"

// Name and e-mail as stored; the mobile in international form from "CountryCode" and "Phone".
CLocalSender ReadLocalSender(CRegistry& p_oRegistry);
