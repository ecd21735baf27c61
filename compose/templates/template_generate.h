// compose/templates/template_generate.h: turning a template and the user's entries into SMS text:
// each field's output by its kind, the date and time output formats, the checks a field's entry
// must pass, and the walk that puts the outputs in place of the placeholders.
#pragma once

#include "compose/templates/template_file.h"

#include <string>
#include <vector>

namespace compose
{
// A calendar date and a clock time, as the generate dialog's pickers and the clock give them.
struct CTemplateDateTime
{
    int m_iYear = 2003;
    int m_iMonth = 1;     // 1..12
    int m_iDay = 1;       // 1..31
    int m_iDayOfWeek = 0; // 0 Sunday .. 6 Saturday
    int m_iHour = 0;      // 0..23
    int m_iMinute = 0;
    int m_iSecond = 0;
};

// What the user gave one field in the generate dialog.
struct CTemplateEntry
{
    std::string m_sText;       // typed or chosen text (list box, text, number, currency)
    CTemplateDateTime m_oWhen; // the picked date or time (date and time fields)
    bool m_bEntered = false;   // a date or time was picked; otherwise the current one may stand in
};

// The date in output format p_iFormat (0..12; e.g. 2 gives "Monday, September 1, 2003").
std::string FormatTemplateDate(const CTemplateDateTime& p_oWhen, int p_iFormat);
// The time in output format p_iFormat (0..3; e.g. 0 gives "11:52:23 PM").
std::string FormatTemplateTime(const CTemplateDateTime& p_oWhen, int p_iFormat);
// The example each format shows in the definition dialogs: Monday 1 September 2003, 23:52:23.
CTemplateDateTime TemplateFormatExample();

std::string ConvertTemplateCase(const std::string& p_sText, int p_iConversion);

// One field's output for an entry; p_oNow stands in for a date or time that was not entered when
// the field uses the current one.
std::string TemplateFieldOutput(const CTemplateField& p_oField, const CTemplateEntry& p_oEntry,
                                const CTemplateDateTime& p_oNow);

enum class ETemplateEntryCheck
{
    Ok,
    Missing,    // a required field left empty
    OutOfRange, // a number outside the enforced range
};
ETemplateEntryCheck CheckTemplateEntry(const CTemplateField& p_oField, const CTemplateEntry& p_oEntry);

// The template text with each placeholder replaced by its field's output (p_vOutputs in field
// order), LF expanded to CR LF. Missing outputs count as empty.
std::string GenerateTemplateText(const CTemplate& p_oTemplate, const std::vector<std::string>& p_vOutputs);
} // namespace compose
