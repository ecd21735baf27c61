// oehook/cc_mobile_text.cpp: the "CC Mobile" text handed to the launcher (portable).
#include "oehook/cc_mobile_text.h"

std::string TrimmedText(const std::string& p_sText)
{
    const size_t first = p_sText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = p_sText.find_last_not_of(" \t\r\n");
    return p_sText.substr(first, last - first + 1);
}

std::string CCMobileText(const std::string& p_sSubject, const std::vector<std::string>& p_vFields)
{
    std::string text = p_sSubject;
    for (const std::string& field : p_vFields)
    {
        size_t start = 0;
        while (start <= field.size())
        {
            size_t end = field.find_first_of(";,", start);
            if (end == std::string::npos)
                end = field.size();
            std::string entry = TrimmedText(field.substr(start, end - start));
            const size_t open = entry.rfind('<');
            const size_t close = entry.find('>', open == std::string::npos ? 0 : open);
            if (open != std::string::npos && close != std::string::npos)
                entry = TrimmedText(entry.substr(open + 1, close - open - 1));
            if (!entry.empty())
                text += ";" + entry;
            start = end + 1;
        }
    }
    return text;
}
