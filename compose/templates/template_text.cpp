// compose/templates/template_text.cpp: converting between the editor control's text and a template.
#include "compose/templates/template_text.h"

#include <algorithm>

namespace compose
{
CTemplate TemplateFromControl(const std::string& p_sControlText, std::vector<CTemplateField> p_vFields)
{
    std::stable_sort(p_vFields.begin(), p_vFields.end(),
                     [](const CTemplateField& p_oLeft, const CTemplateField& p_oRight) {
                         return p_oLeft.m_iPosition < p_oRight.m_iPosition;
                     });
    // Positions are the control's: first map every control character to its place in the text
    // written out, where a CR LF pair the control reported becomes one LF.
    CTemplate oTemplate;
    std::vector<int32_t> vWhere(p_sControlText.size(), -1);
    for (size_t i = 0; i < p_sControlText.size(); ++i)
    {
        const char c = p_sControlText[i];
        if (c == '\n' && i > 0 && p_sControlText[i - 1] == '\r')
            continue; // the LF of a CR LF pair: its CR already stands for the break
        vWhere[i] = static_cast<int32_t>(oTemplate.m_sText.size());
        oTemplate.m_sText += c == '\r' ? '\n' : c;
    }
    int32_t iPrevious = -1;
    for (CTemplateField& oField : p_vFields)
    {
        if (oField.m_iPosition < 0 || static_cast<size_t>(oField.m_iPosition) >= vWhere.size())
            continue;
        const int32_t iAt = vWhere[static_cast<size_t>(oField.m_iPosition)];
        if (iAt <= iPrevious)
            continue;
        oTemplate.m_sText[static_cast<size_t>(iAt)] = kTemplatePlaceholder;
        oField.m_iPosition = iAt;
        iPrevious = iAt;
        oTemplate.m_vFields.push_back(std::move(oField));
    }
    return oTemplate;
}

CTemplate TemplateForControl(const CTemplate& p_oTemplate)
{
    CTemplate oControl;
    const std::string& sText = p_oTemplate.m_sText;
    std::vector<int32_t> vWhere(sText.size(), -1);
    for (size_t i = 0; i < sText.size(); ++i)
    {
        char c = sText[i];
        if (c == '\n' && i > 0 && sText[i - 1] == '\r')
        {
            vWhere[i] = vWhere[i - 1];
            continue;
        }
        if (c == '\n')
            c = '\r';
        else if (c == '\0')
            c = ' ';
        vWhere[i] = static_cast<int32_t>(oControl.m_sText.size());
        oControl.m_sText += c;
    }
    int32_t iPrevious = -1;
    for (const CTemplateField& oField : p_oTemplate.m_vFields)
    {
        if (oField.m_iPosition < 0 || static_cast<size_t>(oField.m_iPosition) >= vWhere.size())
            continue;
        const int32_t iAt = vWhere[static_cast<size_t>(oField.m_iPosition)];
        if (iAt <= iPrevious)
            continue;
        CTemplateField oMoved = oField;
        oMoved.m_iPosition = iAt;
        oControl.m_sText[static_cast<size_t>(iAt)] = kTemplatePlaceholder;
        oControl.m_vFields.push_back(std::move(oMoved));
        iPrevious = iAt;
    }
    return oControl;
}
} // namespace compose
