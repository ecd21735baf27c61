// outlook/plugin_strings.cpp: the same texts as Outlook.rc, for code and tests.
#include "outlook/plugin_strings.h"

#include <cstdarg>

namespace
{
const CStringTable::CEntry g_aEntries[] = {
#define MSG(id, text) {id, text},
#include "outlook/res/strings.inc"
#undef MSG
};
} // namespace

const CStringTable& PluginStrings()
{
    static const CStringTable s_oTable(g_aEntries);
    return s_oTable;
}

std::string PluginText(unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    std::string text = FormatTableMessageV(PluginStrings(), p_uId, args);
    va_end(args);
    return text;
}
