// tests/unit/compose/template_test.cpp: template labels, the file layout and its corrupt forms,
// generation with the date and time formats, entry checks, and the recent-template list.
#include "compose/templates/recent_templates.h"
#include "compose/templates/template_file.h"
#include "compose/templates/template_generate.h"

#include <gtest/gtest.h>

#include <string>

using namespace compose;

namespace
{
std::string Word(uint32_t p_dwValue)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((p_dwValue >> (8 * i)) & 0xFF));
    return s;
}

ETemplateResult Read(const std::string& p_sBytes, CTemplate& p_oOut, size_t* p_pnUsed = nullptr)
{
    return ReadTemplate(reinterpret_cast<const uint8_t*>(p_sBytes.data()), p_sBytes.size(), p_oOut, p_pnUsed);
}

CTemplateField Field(ETemplateFieldKind p_eKind, const std::string& p_sName, int32_t p_iPosition)
{
    CTemplateField oField;
    oField.m_eKind = p_eKind;
    oField.m_sName = p_sName;
    oField.m_iPosition = p_iPosition;
    return oField;
}

// "Dear <<Name>>, <<Time>>": a text field in capitals and a time field in format 3.
CTemplate DearTemplate()
{
    CTemplate oTemplate;
    oTemplate.m_sText = "Dear \x01, \x01";
    CTemplateField oName = Field(ETemplateFieldKind::Text, "Name", 5);
    oName.m_iMaxLength = 20;
    oName.m_iCaseConversion = kCaseUpper;
    CTemplateField oTime = Field(ETemplateFieldKind::Time, "Time", 8);
    oTime.m_iTimeFormat = 3;
    oTemplate.m_vFields = {oName, oTime};
    return oTemplate;
}

// One field of every kind with every word set away from its default.
CTemplate EveryKind()
{
    CTemplate oTemplate;
    oTemplate.m_sText = "\x01\x01\x01\x01\x01\x01 end\nline";
    CTemplateField oList = Field(ETemplateFieldKind::ListBox, "Colour", 0);
    oList.m_vOptions = {"Red", "", "Dark blue"};
    oList.m_bAllowEditing = 1;
    oList.m_bRequired = 1;
    CTemplateField oText = Field(ETemplateFieldKind::Text, "Customer", 1);
    oText.m_iMaxLength = 30;
    oText.m_iCaseConversion = kCaseTitle;
    CTemplateField oNumber = Field(ETemplateFieldKind::Number, "Count", 2);
    oNumber.m_iMinimum = -5;
    oNumber.m_iMaximum = 500;
    oNumber.m_bUpDown = 1;
    oNumber.m_bEnforceRange = 1;
    CTemplateField oDate = Field(ETemplateFieldKind::Date, "When", 3);
    oDate.m_bCurrentDate = 1;
    oDate.m_iDateFormat = 12;
    CTemplateField oCurrency = Field(ETemplateFieldKind::Currency, "Amount", 4);
    oCurrency.m_iCurrencyWord = 0x12345678;
    oCurrency.m_iMaxLength = 9;
    oCurrency.m_iDecimalPoint = kDecimalComma;
    CTemplateField oTime = Field(ETemplateFieldKind::Time, "At", 5);
    oTime.m_iTimeFormat = 2;
    oTime.m_bCurrentTime = 1;
    oTime.m_bEnterSeconds = 1;
    oTemplate.m_vFields = {oList, oText, oNumber, oDate, oCurrency, oTime};
    return oTemplate;
}
} // namespace

TEST(TemplateLabel, StarMarksRequiredAndTheLabelIsCutToFifteen)
{
    CTemplateField oField = Field(ETemplateFieldKind::Text, "Customer", 0);
    EXPECT_EQ(TemplateFieldLabel(oField), "Customer");
    oField.m_bRequired = 1;
    EXPECT_EQ(TemplateFieldLabel(oField), "Customer*");
    oField.m_sName = "ABCDEFGHIJKLMNOPQRST";
    EXPECT_EQ(TemplateFieldLabel(oField), "ABCDEFGHIJKLMNO");
    oField.m_sName = "ABCDEFGHIJKLMN"; // fourteen: the star still fits
    EXPECT_EQ(TemplateFieldLabel(oField), "ABCDEFGHIJKLMN*");
}

TEST(TemplateFile, EveryKindRoundTripsAndTheLayoutIsAsDocumented)
{
    const std::string sBytes = WriteTemplate(DearTemplate());
    const std::string sExpected = Word(9) + "Dear \x01, \x01" + Word(2) + Word(1) + Word(4) + "Name" + Word(0) +
                                  Word(5) + Word(20) + Word(1) + Word(5) + Word(4) + "Time" + Word(0) + Word(8) +
                                  Word(3) + Word(0) + Word(0);
    EXPECT_EQ(sBytes, sExpected);

    const CTemplate oEvery = EveryKind();
    const std::string sEvery = WriteTemplate(oEvery) + "trailing clipboard bytes";
    CTemplate oRead;
    size_t nUsed = 0;
    ASSERT_EQ(Read(sEvery, oRead, &nUsed), ETemplateResult::Ok);
    EXPECT_EQ(oRead, oEvery);
    EXPECT_EQ(nUsed, WriteTemplate(oEvery).size());
}

TEST(TemplateFile, CorruptFilesAreRefusedWithNothingKept)
{
    const std::string sGood = WriteTemplate(EveryKind());
    CTemplate oRead;

    // A field kind of 9 in the first record (right after the text and the count).
    std::string sBadKind = WriteTemplate(DearTemplate());
    sBadKind.replace(4 + 9 + 4, 4, Word(9));
    EXPECT_EQ(Read(sBadKind, oRead), ETemplateResult::BadKind);
    EXPECT_TRUE(oRead.m_sText.empty() && oRead.m_vFields.empty());

    // Every cut short of the whole is refused, never read past.
    for (size_t n = 0; n < sGood.size(); ++n)
        EXPECT_NE(Read(sGood.substr(0, n), oRead), ETemplateResult::Ok) << "cut at " << n;

    // A text length, a field count and an option count that run past the end.
    EXPECT_EQ(Read(Word(0x7FFFFFFF) + "abc", oRead), ETemplateResult::Truncated);
    EXPECT_EQ(Read(Word(1) + "\x01" + Word(0xFFFFFFFF), oRead), ETemplateResult::Truncated);
    const std::string sOptions =
        Word(1) + "\x01" + Word(1) + Word(0) + Word(1) + "L" + Word(0) + Word(0) + Word(0x40000000) + Word(0);
    EXPECT_EQ(Read(sOptions, oRead), ETemplateResult::Truncated);
}

TEST(TemplateFile, FieldsMustStandOnTheirOwnCharacterInTextOrder)
{
    CTemplate oRead;
    CTemplate oOutside = DearTemplate();
    oOutside.m_vFields[1].m_iPosition = 9;
    EXPECT_EQ(Read(WriteTemplate(oOutside), oRead), ETemplateResult::BadPosition);
    CTemplate oSwapped = DearTemplate();
    std::swap(oSwapped.m_vFields[0].m_iPosition, oSwapped.m_vFields[1].m_iPosition);
    EXPECT_EQ(Read(WriteTemplate(oSwapped), oRead), ETemplateResult::BadPosition);
    CTemplate oNegative = DearTemplate();
    oNegative.m_vFields[0].m_iPosition = -1;
    EXPECT_EQ(Read(WriteTemplate(oNegative), oRead), ETemplateResult::BadPosition);
    CTemplate oFormat = DearTemplate();
    oFormat.m_vFields[1].m_iTimeFormat = 4;
    EXPECT_EQ(Read(WriteTemplate(oFormat), oRead), ETemplateResult::BadFormat);
}

TEST(TemplateGenerate, DearJohnWithoutPlaceholders)
{
    const CTemplate oTemplate = DearTemplate();
    CTemplateEntry oName;
    oName.m_sText = "john";
    CTemplateEntry oTime;
    oTime.m_bEntered = true;
    oTime.m_oWhen.m_iHour = 23;
    oTime.m_oWhen.m_iMinute = 52;
    const CTemplateDateTime oNow{};
    const std::vector<std::string> vOutputs = {TemplateFieldOutput(oTemplate.m_vFields[0], oName, oNow),
                                               TemplateFieldOutput(oTemplate.m_vFields[1], oTime, oNow)};
    EXPECT_EQ(GenerateTemplateText(oTemplate, vOutputs), "Dear JOHN, 23:52");

    CTemplate oLines;
    oLines.m_sText = "a\n\x01\r\nb\n";
    oLines.m_vFields = {Field(ETemplateFieldKind::Text, "x", 2)};
    EXPECT_EQ(GenerateTemplateText(oLines, {"X\nY"}), "a\r\nX\r\nY\r\nb\r\n");
}

TEST(TemplateGenerate, DateAndTimeFormatsShowTheirExamples)
{
    const char* const kDates[] = {"9/1/2003",
                                  "1/9/2003",
                                  "Monday, September 1, 2003",
                                  "Mon, Sep 1, 2003",
                                  "Sep 1, 2003",
                                  "9/1/03",
                                  "1/9/03",
                                  "2003-09-01",
                                  "01-Sep-03",
                                  "9.1.2003",
                                  "1.9.2003",
                                  "Sep 03",
                                  "1 Sep"};
    const CTemplateDateTime oExample = TemplateFormatExample();
    for (int i = 0; i < kDateFormats; ++i)
        EXPECT_EQ(FormatTemplateDate(oExample, i), kDates[i]) << "date format " << i;
    const char* const kTimes[] = {"11:52:23 PM", "23:52:23", "11:52 PM", "23:52"};
    for (int i = 0; i < kTimeFormats; ++i)
        EXPECT_EQ(FormatTemplateTime(oExample, i), kTimes[i]) << "time format " << i;

    CTemplateDateTime oMidnight{};
    oMidnight.m_iMinute = 5;
    EXPECT_EQ(FormatTemplateTime(oMidnight, 2), "12:05 AM");
    oMidnight.m_iHour = 12;
    EXPECT_EQ(FormatTemplateTime(oMidnight, 0), "12:05:00 PM");
}

TEST(TemplateGenerate, OutputsByKind)
{
    const CTemplate oEvery = EveryKind();
    const CTemplateDateTime oNow = TemplateFormatExample();
    CTemplateEntry oEntry;
    oEntry.m_sText = "mary o'neil-SMITH";
    EXPECT_EQ(TemplateFieldOutput(oEvery.m_vFields[1], oEntry, oNow), "Mary O'neil-Smith");
    oEntry.m_sText = " 12.50 ";
    EXPECT_EQ(TemplateFieldOutput(oEvery.m_vFields[4], oEntry, oNow), "12,50");
    // Not entered: the date and time fields that use the current one show it.
    const CTemplateEntry oEmpty;
    EXPECT_EQ(TemplateFieldOutput(oEvery.m_vFields[3], oEmpty, oNow), "1 Sep");
    EXPECT_EQ(TemplateFieldOutput(oEvery.m_vFields[5], oEmpty, oNow), "11:52 PM");
    CTemplateField oNoCurrent = oEvery.m_vFields[3];
    oNoCurrent.m_bCurrentDate = 0;
    EXPECT_EQ(TemplateFieldOutput(oNoCurrent, oEmpty, oNow), "");
}

TEST(TemplateGenerate, RequiredAndRangeChecks)
{
    const CTemplate oEvery = EveryKind();
    CTemplateEntry oEntry;
    EXPECT_EQ(CheckTemplateEntry(oEvery.m_vFields[0], oEntry), ETemplateEntryCheck::Missing);
    EXPECT_EQ(CheckTemplateEntry(oEvery.m_vFields[1], oEntry), ETemplateEntryCheck::Ok);
    const CTemplateField& oNumber = oEvery.m_vFields[2];
    for (const char* szIn : {"-5", "500", " 42 ", "+7"})
    {
        oEntry.m_sText = szIn;
        EXPECT_EQ(CheckTemplateEntry(oNumber, oEntry), ETemplateEntryCheck::Ok) << szIn;
    }
    for (const char* szIn : {"-6", "501", "12abc", "99999999999999999999"})
    {
        oEntry.m_sText = szIn;
        EXPECT_EQ(CheckTemplateEntry(oNumber, oEntry), ETemplateEntryCheck::OutOfRange) << szIn;
    }
    CTemplateField oTime = oEvery.m_vFields[5];
    oTime.m_bRequired = 1;
    EXPECT_EQ(CheckTemplateEntry(oTime, CTemplateEntry{}), ETemplateEntryCheck::Missing);
}

TEST(RecentTemplates, MostRecentFirstNoDuplicatesAtMostFive)
{
    auto p_oRegistry = CreateMemoryRegistry();
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(AddRecentTemplate(*p_oRegistry, "C:\\t\\" + std::to_string(i) + ".template"), 0u);
    EXPECT_EQ(ReadRecentTemplates(*p_oRegistry),
              (std::vector<std::string>{"C:\\t\\6.template", "C:\\t\\5.template", "C:\\t\\4.template",
                                        "C:\\t\\3.template", "C:\\t\\2.template"}));

    ASSERT_EQ(AddRecentTemplate(*p_oRegistry, "c:\\T\\4.TEMPLATE"), 0u);
    auto vList = ReadRecentTemplates(*p_oRegistry);
    ASSERT_EQ(vList.size(), 5u);
    EXPECT_EQ(vList[0], "c:\\T\\4.TEMPLATE");
    EXPECT_EQ(vList[3], "C:\\t\\3.template");

    ASSERT_EQ(RemoveRecentTemplate(*p_oRegistry, "C:\\t\\6.template"), 0u);
    vList = ReadRecentTemplates(*p_oRegistry);
    EXPECT_EQ(vList.size(), 4u);
    EXPECT_EQ(vList[1], "C:\\t\\5.template");
    uint32_t dwType = 0;
    std::vector<uint8_t> vData;
    EXPECT_NE(p_oRegistry->QueryValue(ERegRoot::CurrentUser, kRecentTemplatesKey, "Recent4", dwType, vData), 0u);

    // A list edited by hand with a repeat comes back without it.
    EXPECT_EQ(UpdateRecentList({"a", "B", "b", "c"}, "d", true), (std::vector<std::string>{"d", "a", "B", "c"}));
}
