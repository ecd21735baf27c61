// tests/unit/compose/template_text_test.cpp: the editor's control text with its field objects turned
// into a template and back: positions kept through the file and clipboard layout, line breaks of
// either form, and fields that cannot stand where they claim to.
#include "compose/templates/template_file.h"
#include "compose/templates/template_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace compose;

namespace
{
CTemplateField Field(ETemplateFieldKind p_eKind, const std::string& p_sName, int32_t p_iPosition)
{
    CTemplateField oField;
    oField.m_eKind = p_eKind;
    oField.m_sName = p_sName;
    oField.m_iPosition = p_iPosition;
    return oField;
}

CTemplate ReadBack(const std::string& p_sBytes)
{
    CTemplate oTemplate;
    EXPECT_EQ(ReadTemplate(reinterpret_cast<const uint8_t*>(p_sBytes.data()), p_sBytes.size(), oTemplate),
              ETemplateResult::Ok);
    return oTemplate;
}
} // namespace

TEST(TemplateText, ControlTextRoundTripsThroughTheLayoutWithEveryFieldInPlace)
{
    // What the control reports: a line break is one CR, an object one character of any value.
    const std::string sControl = "Dear ?,\r? see you at ?";
    CTemplateField oName = Field(ETemplateFieldKind::Text, "Name", 5);
    oName.m_iCaseConversion = kCaseUpper;
    oName.m_iMaxLength = 20;
    CTemplateField oTime = Field(ETemplateFieldKind::Time, "When", 21);
    oTime.m_iTimeFormat = 3;
    CTemplateField oList = Field(ETemplateFieldKind::ListBox, "Place", 8);
    oList.m_vOptions = {"home", "work"};
    // Objects come from the control in any order.
    const CTemplate oTemplate = TemplateFromControl(sControl, {oTime, oName, oList});
    EXPECT_EQ(oTemplate.m_sText, "Dear \x01,\n\x01 see you at \x01");
    ASSERT_EQ(oTemplate.m_vFields.size(), 3u);
    EXPECT_EQ(oTemplate.m_vFields[0].m_sName, "Name");
    EXPECT_EQ(oTemplate.m_vFields[1].m_sName, "Place");
    EXPECT_EQ(oTemplate.m_vFields[2].m_iPosition, 21);

    const CTemplate oRead = ReadBack(WriteTemplate(oTemplate));
    EXPECT_EQ(oRead, oTemplate);
    const CTemplate oControl = TemplateForControl(oRead);
    EXPECT_EQ(oControl.m_sText, "Dear \x01,\r\x01 see you at \x01");
    EXPECT_EQ(oControl.m_vFields, oTemplate.m_vFields);
    // And again: what the control makes of it turns into the same template.
    EXPECT_EQ(TemplateFromControl(oControl.m_sText, oControl.m_vFields), oTemplate);
}

TEST(TemplateText, CrLfAndLoneLineBreaksBecomeOneControlCharacterAndFieldsMoveWithThem)
{
    CTemplate oWritten;
    oWritten.m_sText = std::string("Hi\r\n\x01\nand\r\x01 \0end", 16);
    oWritten.m_vFields = {Field(ETemplateFieldKind::Date, "Day", 4), Field(ETemplateFieldKind::Number, "N", 10)};
    const CTemplate oControl = TemplateForControl(oWritten);
    EXPECT_EQ(oControl.m_sText, "Hi\r\x01\rand\r\x01  end");
    ASSERT_EQ(oControl.m_vFields.size(), 2u);
    EXPECT_EQ(oControl.m_vFields[0].m_iPosition, 3);
    EXPECT_EQ(oControl.m_vFields[1].m_iPosition, 9);
    EXPECT_EQ(oControl.m_vFields[1].m_eKind, ETemplateFieldKind::Number);
}

TEST(TemplateText, FieldsOutsideTheTextOrOnATakenCharacterAreLeftOut)
{
    const CTemplate oTemplate = TemplateFromControl(
        "ab?", {Field(ETemplateFieldKind::Text, "Past", 3), Field(ETemplateFieldKind::Text, "First", 2),
                Field(ETemplateFieldKind::Text, "Again", 2), Field(ETemplateFieldKind::Text, "Before", -1)});
    EXPECT_EQ(oTemplate.m_sText, "ab\x01");
    ASSERT_EQ(oTemplate.m_vFields.size(), 1u);
    EXPECT_EQ(oTemplate.m_vFields[0].m_sName, "First");
    // The reader accepts what the editor writes.
    EXPECT_EQ(ReadBack(WriteTemplate(oTemplate)), oTemplate);
    EXPECT_TRUE(TemplateFromControl("", {Field(ETemplateFieldKind::Text, "Lost", 0)}).m_vFields.empty());
}
