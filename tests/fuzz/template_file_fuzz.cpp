// tests/fuzz/template_file_fuzz.cpp: the reader of ".template" files and the "TemplateToken"
// clipboard block. What it accepts must write back to the same bytes, keep its fields on their own
// characters in text order, and generate text without reading outside the template; the editor's
// control form of it must keep its fields in place.
#include "compose/templates/template_file.h"
#include "compose/templates/template_generate.h"
#include "compose/templates/template_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    compose::CTemplate oTemplate;
    size_t nUsed = 0;
    if (compose::ReadTemplate(p_pData, p_nSize, oTemplate, &nUsed) != compose::ETemplateResult::Ok)
    {
        if (!oTemplate.m_sText.empty() || !oTemplate.m_vFields.empty())
            __builtin_trap();
        return 0;
    }
    if (nUsed > p_nSize)
        __builtin_trap();
    if (compose::WriteTemplate(oTemplate) != std::string(reinterpret_cast<const char*>(p_pData), nUsed))
        __builtin_trap();
    std::vector<std::string> vOutputs;
    const compose::CTemplateDateTime oNow = compose::TemplateFormatExample();
    for (const compose::CTemplateField& oField : oTemplate.m_vFields)
    {
        if (compose::TemplateFieldLabel(oField).size() > compose::kTemplateLabelLength)
            __builtin_trap();
        vOutputs.push_back(compose::TemplateFieldOutput(oField, compose::CTemplateEntry{}, oNow));
    }
    (void)compose::GenerateTemplateText(oTemplate, vOutputs);
    // What the editor's control is given: fields in order on their own characters, one character
    // per line break, and the same control text again after a trip back to a template.
    const compose::CTemplate oControl = compose::TemplateForControl(oTemplate);
    int64_t iPrevious = -1;
    for (const compose::CTemplateField& oField : oControl.m_vFields)
    {
        if (oField.m_iPosition <= iPrevious || static_cast<size_t>(oField.m_iPosition) >= oControl.m_sText.size())
            __builtin_trap();
        iPrevious = oField.m_iPosition;
    }
    if (oControl.m_sText.find_first_of(std::string("\n\0", 2)) != std::string::npos)
        __builtin_trap();
    if (compose::TemplateForControl(compose::TemplateFromControl(oControl.m_sText, oControl.m_vFields)) != oControl)
        __builtin_trap();
    return 0;
}
