// compose/quillet_strings.cpp: the same texts as Quillet.rc, for code and tests.
#include "compose/quillet_strings.h"

#include <cstdarg>

namespace
{
const CStringTable::CEntry g_aEntries[] = {
#define MSG(id, text) {id, text},
#include "compose/res/strings.inc"
#undef MSG
};
} // namespace

const CStringTable& QuilletStrings()
{
    static const CStringTable s_oTable(g_aEntries);
    return s_oTable;
}

std::string QuilletText(unsigned p_uId, ...)
{
    va_list args;
    va_start(args, p_uId);
    std::string text = FormatTableMessageV(QuilletStrings(), p_uId, args);
    va_end(args);
    return text;
}
