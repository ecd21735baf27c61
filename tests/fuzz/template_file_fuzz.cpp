// tests/fuzz/template_file_fuzz.cpp: the reader of ".template" files and the "TemplateToken"
// clipboard block. What it accepts must write back to the same bytes, keep its fields on their own
// characters in text order, and generate text without reading outside the template.
#include "compose/templates/template_file.h"
#include "compose/templates/template_generate.h"

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
    return 0;
}
