// tests/fuzz/recurrence_fuzz.cpp: recurrence blobs of any content: reading must stay in bounds, and
// what reads must expand, within a window around its start, into a bounded list in order of start.
#include "Addressbook/reminders/recurrence.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    CRecurrence oRecurrence;
    if (ReadRecurrence(p_pData, p_nSize, oRecurrence) != ERecurrenceRead::Ok)
        return 0;
    const int64_t from = oRecurrence.m_iStartDate - kMinutesPerDay;
    const std::vector<COccurrence> vOccurrences =
        ExpandOccurrences(oRecurrence, from, from + 400 * kMinutesPerDay, 500);
    if (vOccurrences.size() > 500)
        std::abort();
    for (size_t i = 1; i < vOccurrences.size(); ++i)
        if (vOccurrences[i].m_iStart < vOccurrences[i - 1].m_iStart)
            std::abort();
    return 0;
}
