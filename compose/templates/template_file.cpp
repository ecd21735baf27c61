// compose/templates/template_file.cpp: the template label rule, and the writer and bounds-checked
// reader of the template layout.
#include "compose/templates/template_file.h"

#include "compose/fields/byte_cursor.h"

namespace
{
using compose::CByteCursor;
using compose::CTemplateField;
using compose::ETemplateFieldKind;
using compose::ETemplateResult;

// The smallest record: kind, an empty name's length, required, position and one word.
constexpr size_t kMinFieldBytes = 20;

void PutInt(std::string& p_sOut, int32_t p_iValue)
{
    compose::PutWord(p_sOut, static_cast<uint32_t>(p_iValue));
}

void WriteKindWords(std::string& p_sOut, const CTemplateField& p_oField)
{
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox:
        PutInt(p_sOut, static_cast<int32_t>(p_oField.m_vOptions.size()));
        for (const std::string& sOption : p_oField.m_vOptions)
            compose::PutText(p_sOut, sOption);
        PutInt(p_sOut, p_oField.m_bAllowEditing);
        break;
    case ETemplateFieldKind::Text:
        PutInt(p_sOut, p_oField.m_iMaxLength);
        PutInt(p_sOut, p_oField.m_iCaseConversion);
        break;
    case ETemplateFieldKind::Number:
        PutInt(p_sOut, p_oField.m_iMinimum);
        PutInt(p_sOut, p_oField.m_iMaximum);
        PutInt(p_sOut, p_oField.m_bUpDown);
        PutInt(p_sOut, p_oField.m_bEnforceRange);
        break;
    case ETemplateFieldKind::Date:
        PutInt(p_sOut, p_oField.m_bCurrentDate);
        PutInt(p_sOut, p_oField.m_iDateFormat);
        break;
    case ETemplateFieldKind::Currency:
        PutInt(p_sOut, p_oField.m_iCurrencyWord);
        PutInt(p_sOut, p_oField.m_iMaxLength);
        PutInt(p_sOut, p_oField.m_iDecimalPoint);
        break;
    case ETemplateFieldKind::Time:
        PutInt(p_sOut, p_oField.m_iTimeFormat);
        PutInt(p_sOut, p_oField.m_bCurrentTime);
        PutInt(p_sOut, p_oField.m_bEnterSeconds);
        break;
    }
}

bool InRange(int32_t p_iValue, int32_t p_iCount)
{
    return p_iValue >= 0 && p_iValue < p_iCount;
}

ETemplateResult ReadOptions(CByteCursor& p_oReader, CTemplateField& p_oField)
{
    uint32_t dwCount = 0;
    if (!p_oReader.Word(dwCount))
        return ETemplateResult::Truncated;
    // Each option is at least its length word; the count must fit in what is left.
    if (dwCount > p_oReader.Left() / 4)
        return ETemplateResult::Truncated;
    p_oField.m_vOptions.resize(dwCount);
    for (std::string& sOption : p_oField.m_vOptions)
        if (!p_oReader.Text(sOption))
            return ETemplateResult::Truncated;
    return p_oReader.Int(p_oField.m_bAllowEditing) ? ETemplateResult::Ok : ETemplateResult::Truncated;
}

ETemplateResult ReadKindWords(CByteCursor& p_oReader, CTemplateField& p_oField)
{
    bool bRead = false;
    switch (p_oField.m_eKind)
    {
    case ETemplateFieldKind::ListBox:
        return ReadOptions(p_oReader, p_oField);
    case ETemplateFieldKind::Text:
        bRead = p_oReader.Int(p_oField.m_iMaxLength) && p_oReader.Int(p_oField.m_iCaseConversion);
        if (bRead && !InRange(p_oField.m_iCaseConversion, compose::kCaseConversions))
            return ETemplateResult::BadFormat;
        break;
    case ETemplateFieldKind::Number:
        bRead = p_oReader.Int(p_oField.m_iMinimum) && p_oReader.Int(p_oField.m_iMaximum) &&
                p_oReader.Int(p_oField.m_bUpDown) && p_oReader.Int(p_oField.m_bEnforceRange);
        break;
    case ETemplateFieldKind::Date:
        bRead = p_oReader.Int(p_oField.m_bCurrentDate) && p_oReader.Int(p_oField.m_iDateFormat);
        if (bRead && !InRange(p_oField.m_iDateFormat, compose::kDateFormats))
            return ETemplateResult::BadFormat;
        break;
    case ETemplateFieldKind::Currency:
        bRead = p_oReader.Int(p_oField.m_iCurrencyWord) && p_oReader.Int(p_oField.m_iMaxLength) &&
                p_oReader.Int(p_oField.m_iDecimalPoint);
        break;
    case ETemplateFieldKind::Time:
        bRead = p_oReader.Int(p_oField.m_iTimeFormat) && p_oReader.Int(p_oField.m_bCurrentTime) &&
                p_oReader.Int(p_oField.m_bEnterSeconds);
        if (bRead && !InRange(p_oField.m_iTimeFormat, compose::kTimeFormats))
            return ETemplateResult::BadFormat;
        break;
    }
    return bRead ? ETemplateResult::Ok : ETemplateResult::Truncated;
}

ETemplateResult ReadField(CByteCursor& p_oReader, CTemplateField& p_oField)
{
    int32_t iKind = 0;
    if (!p_oReader.Int(iKind))
        return ETemplateResult::Truncated;
    if (!InRange(iKind, compose::kTemplateFieldKinds))
        return ETemplateResult::BadKind;
    p_oField.m_eKind = static_cast<ETemplateFieldKind>(iKind);
    if (!p_oReader.Text(p_oField.m_sName) || !p_oReader.Int(p_oField.m_bRequired) ||
        !p_oReader.Int(p_oField.m_iPosition))
        return ETemplateResult::Truncated;
    return ReadKindWords(p_oReader, p_oField);
}
} // namespace

namespace compose
{
std::string TemplateFieldLabel(const CTemplateField& p_oField)
{
    std::string sLabel = p_oField.m_sName;
    if (p_oField.m_bRequired != 0)
        sLabel += '*';
    if (sLabel.size() > kTemplateLabelLength)
        sLabel.resize(kTemplateLabelLength);
    return sLabel;
}

std::string WriteTemplate(const CTemplate& p_oTemplate)
{
    std::string sOut;
    PutText(sOut, p_oTemplate.m_sText);
    PutInt(sOut, static_cast<int32_t>(p_oTemplate.m_vFields.size()));
    for (const CTemplateField& oField : p_oTemplate.m_vFields)
    {
        PutInt(sOut, static_cast<int32_t>(oField.m_eKind));
        PutText(sOut, oField.m_sName);
        PutInt(sOut, oField.m_bRequired);
        PutInt(sOut, oField.m_iPosition);
        WriteKindWords(sOut, oField);
    }
    return sOut;
}

ETemplateResult ReadTemplate(const uint8_t* p_pData, size_t p_nSize, CTemplate& p_oTemplate, size_t* p_pnUsed)
{
    p_oTemplate = CTemplate();
    CByteCursor oReader(p_pData, p_nSize);
    CTemplate oTemplate;
    uint32_t dwCount = 0;
    if (!oReader.Text(oTemplate.m_sText) || !oReader.Word(dwCount))
        return ETemplateResult::Truncated;
    if (dwCount > oReader.Left() / kMinFieldBytes)
        return ETemplateResult::Truncated;
    oTemplate.m_vFields.resize(dwCount);
    // Generation walks the fields in text order and copies the text between them, so each field
    // must stand on its own character of the text, after the one before it.
    int64_t iPrevious = -1;
    for (CTemplateField& oField : oTemplate.m_vFields)
    {
        if (ETemplateResult eResult = ReadField(oReader, oField); eResult != ETemplateResult::Ok)
            return eResult;
        if (oField.m_iPosition <= iPrevious || static_cast<size_t>(oField.m_iPosition) >= oTemplate.m_sText.size())
            return ETemplateResult::BadPosition;
        iPrevious = oField.m_iPosition;
    }
    if (p_pnUsed != nullptr)
        *p_pnUsed = oReader.At();
    p_oTemplate = std::move(oTemplate);
    return ETemplateResult::Ok;
}

const char* TemplateResultText(ETemplateResult p_eResult)
{
    switch (p_eResult)
    {
    case ETemplateResult::Ok:
        return "ok";
    case ETemplateResult::Truncated:
        return "a length or a count runs past the end of the data";
    case ETemplateResult::BadKind:
        return "a field kind is not one of the six";
    case ETemplateResult::BadPosition:
        return "a field is outside the text or out of text order";
    case ETemplateResult::BadFormat:
        return "a date, time or case format is not in its list";
    }
    return "unknown";
}
} // namespace compose
