// oelaunch/runbay_strings.cpp: the same texts as Runbay.rc, for code and tests.
#include "oelaunch/runbay_strings.h"

#include <cstdarg>

namespace
{
const CStringTable::CEntry g_aEntries[] = {
#define MSG(id, text) {id, text},
#include "oelaunch/res/strings.inc"
#undef MSG
};
} // namespace

const CStringTable& RunbayStrings()
{
    static const CStringTable s_oTable(g_aEntries);
    return s_oTable;
}

std::string RunbayText(unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    std::string text = FormatTableMessageV(RunbayStrings(), p_uId, args);
    va_end(args);
    return text;
}
