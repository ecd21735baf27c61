// Addressbook/res/corvane_strings.cpp: the same texts as Corvane.rc, for portable code.
#include "Addressbook/res/corvane_strings.h"

namespace
{
const CStringTable::CEntry g_aEntries[] = {
#define MSG(id, text) {id, text},
#include "Addressbook/res/strings.inc"
#undef MSG
};
} // namespace

const CStringTable& CorvaneStrings()
{
    static const CStringTable s_oTable(g_aEntries);
    return s_oTable;
}
