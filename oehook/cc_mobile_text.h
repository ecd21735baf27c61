// oehook/cc_mobile_text.h: the text "CC Mobile" hands to the launcher for an e-mail being sent
// (portable).
#pragma once

#include <string>
#include <vector>

// The subject, then every address of the To, Cc and Bcc fields, all separated by ";". A field's
// entries are separated by ";" or ","; of `"Name" <address>` only the address is kept.
std::string CCMobileText(const std::string& p_sSubject, const std::vector<std::string>& p_vFields);

// Without leading and trailing spaces, tabs and line breaks.
std::string TrimmedText(const std::string& p_sText);
