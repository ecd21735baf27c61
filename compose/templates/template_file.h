// compose/templates/template_file.h: the template model (a text with typed fields) and its byte
// layout, which ".template" files and the editor's "TemplateToken" clipboard block both carry.
// Every integer is 32-bit little-endian; a text is its length followed by that many ANSI bytes:
//   text (one placeholder character at each field's position), field count N,
//   N field records in text order: kind, name, required, position, then the kind's words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace compose
{
enum class ETemplateFieldKind : int32_t
{
    ListBox = 0,
    Text = 1,
    Number = 2,
    Date = 3,
    Currency = 4,
    Time = 5,
};
constexpr int32_t kTemplateFieldKinds = 6;

// Case conversion of a text field's entry.
constexpr int32_t kCaseAsEntered = 0;
constexpr int32_t kCaseUpper = 1;
constexpr int32_t kCaseLower = 2;
constexpr int32_t kCaseTitle = 3;
constexpr int32_t kCaseConversions = 4;

constexpr int32_t kDateFormats = 13;
constexpr int32_t kTimeFormats = 4;

// Decimal point of a currency field.
constexpr int32_t kDecimalComma = 0;
constexpr int32_t kDecimalDot = 1;

// A label is the name, a star when required, cut to this many characters.
constexpr size_t kTemplateLabelLength = 15;

// One field. The kinds share the first four members; each kind reads only its own words below.
struct CTemplateField
{
    ETemplateFieldKind m_eKind = ETemplateFieldKind::Text;
    std::string m_sName;
    int32_t m_bRequired = 0;
    int32_t m_iPosition = 0; // character position in the template text

    // List box.
    std::vector<std::string> m_vOptions;
    int32_t m_bAllowEditing = 0;
    // Text and currency.
    int32_t m_iMaxLength = 0;
    int32_t m_iCaseConversion = kCaseAsEntered;
    // Number.
    int32_t m_iMinimum = 0;
    int32_t m_iMaximum = 0;
    int32_t m_bUpDown = 0;
    int32_t m_bEnforceRange = 0;
    // Date.
    int32_t m_bCurrentDate = 0;
    int32_t m_iDateFormat = 0;
    // Currency: the first word is kept and written back unchanged (zero for new fields).
    int32_t m_iCurrencyWord = 0;
    int32_t m_iDecimalPoint = kDecimalDot;
    // Time.
    int32_t m_iTimeFormat = 0;
    int32_t m_bCurrentTime = 0;
    int32_t m_bEnterSeconds = 0;

    bool operator==(const CTemplateField&) const = default;
};

struct CTemplate
{
    std::string m_sText;
    std::vector<CTemplateField> m_vFields; // in text order

    bool operator==(const CTemplate&) const = default;
};

// The name followed by "*" when required, cut to kTemplateLabelLength characters (the star goes
// first when the name is already that long).
std::string TemplateFieldLabel(const CTemplateField& p_oField);

std::string WriteTemplate(const CTemplate& p_oTemplate);

enum class ETemplateResult
{
    Ok,
    Truncated,   // a length or a count runs past the end of the bytes
    BadKind,     // a field kind outside 0 to 5
    BadPosition, // a field outside the text, or fields out of text order
    BadFormat,   // a date, time or case-conversion index outside its list
};

// Reads a template from the front of p_pData, checking every length, count and kind against the
// bytes that are there before anything is allocated for it. Bytes after the template are left
// alone (a clipboard block may be larger); p_pnUsed, when given, receives the template's length.
// On failure p_oTemplate is left empty.
ETemplateResult ReadTemplate(const uint8_t* p_pData, size_t p_nSize, CTemplate& p_oTemplate,
                             size_t* p_pnUsed = nullptr);
const char* TemplateResultText(ETemplateResult p_eResult);
} // namespace compose
