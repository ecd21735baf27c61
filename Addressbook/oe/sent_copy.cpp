// Addressbook/oe/sent_copy.cpp: the parts of the readable copy of a sent job for Outlook Express.
#include "Addressbook/oe/sent_copy.h"

namespace
{
constexpr size_t kMostSubject = 100;
}

CEmailFileParts SentCopyParts(const std::string& p_sSenderName, const std::string& p_sSenderEmail,
                              const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                              const std::string& p_sSubject, const std::string& p_sText)
{
    CEmailFileParts parts;
    // A label that starts with a space would drop the From line: the name alone is kept then.
    parts.m_sFrom = p_sSenderName.empty()    ? p_sSenderEmail
                    : p_sSenderEmail.empty() ? p_sSenderName
                                             : p_sSenderName + " [" + p_sSenderEmail + "]";
    parts.m_p_mrlTo = p_p_mrlTo;
    parts.m_p_mrlCc = p_p_mrlCc;
    parts.m_sSubject = p_sSubject.substr(0, kMostSubject);
    for (char& c : parts.m_sSubject)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    parts.m_sPlain = p_sText;
    parts.m_bUnsent = false;
    return parts;
}
