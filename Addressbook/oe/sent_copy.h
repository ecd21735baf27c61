// Addressbook/oe/sent_copy.h: the readable copy of a sent SMS job as Outlook Express files it in
// "Sent SMSs": a message file the hooks inside the client open and file there (store-mail mode).
#pragma once

#include "Addressbook/oe/email_file.h"

#include <string>

// The copy's parts: from the sender label ("Name [e-mail]", or the e-mail alone), to the job's To and
// Cc recipients, the subject on one line of at most 100 characters, the job's text as its body. It
// is not marked unsent, so the client opens it as a message to keep, not to send.
CEmailFileParts SentCopyParts(const std::string& p_sSenderName, const std::string& p_sSenderEmail,
                              const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                              const std::string& p_sSubject, const std::string& p_sText);
