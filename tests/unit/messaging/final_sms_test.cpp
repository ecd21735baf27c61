// tests/unit/messaging/final_sms_test.cpp: the SMS length rule, token values, transformations and
// the final SMS list of a bulk job.
#include "Addressbook/messaging/final_sms.h"
#include "Addressbook/messaging/message_tokens.h"
#include "Addressbook/messaging/sms_length.h"
#include "Addressbook/messaging/text_transform.h"
#include "messaging_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(SMSLength, CountsAndCharactersLeft)
{
    const struct
    {
        int64_t m_iCharacters, m_iReserved, m_iCount, m_iLeft;
    } aCases[] = {
        {0, 0, 1, 160},   {160, 0, 1, 0},  {161, 0, 2, 145},  {306, 0, 2, 0},
        {307, 0, 3, 152}, {150, 10, 1, 0}, {150, 11, 2, 145},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.m_iCharacters);
        EXPECT_EQ(c.m_iCount, SMSCount(c.m_iCharacters, c.m_iReserved));
        EXPECT_EQ(c.m_iLeft, SMSCharactersLeft(c.m_iCharacters, c.m_iReserved));
    }
    EXPECT_EQ(160, SMSCapacity(1));
    EXPECT_EQ(459, SMSCapacity(3));
    EXPECT_EQ(296, SMSCapacity(2, 10));
    EXPECT_EQ(0, SMSCapacity(0));
    EXPECT_EQ(0, SMSCapacity(-2)); // a nonsensical limit cuts to nothing rather than below it
}

TEST(TextTransform, SqueezeAndJoin)
{
    EXPECT_EQ("a b\nc\td", SqueezeWhitespace("\na  b\n\nc\t\td"));
    EXPECT_EQ("\nx", SqueezeWhitespace("\r\nx"));     // only one leading break goes
    EXPECT_EQ("a \n b", SqueezeWhitespace("a \n b")); // runs of different characters stay
    EXPECT_EQ("HelloWorldItSOk", JoinWords("hello, WORLD! it's ok"));
    EXPECT_EQ("2Moro9Am", JoinWords("2moro 9am"));
    EXPECT_EQ("\xC9t\xE9\xC0", JoinWords("\xE9T\xC9 \xE0")); // accented letters fold by the code page
    std::string sOut;
    ASSERT_TRUE(TransformText("  big   day ", kTransformSqueeze | kTransformJoinWords, nullptr, sOut));
    EXPECT_EQ("BigDay", sOut);

    struct CFailing final : CTextAbbreviator
    {
        bool Abbreviate(std::string&) override
        {
            return false;
        }
    } oFailing;
    EXPECT_FALSE(TransformText("x", kTransformDictionary, &oFailing, sOut));
    EXPECT_EQ("x", TransformTokenValue("x", kTransformDictionary)); // never the dictionary for tokens
}

TEST(TokenValues, BuiltInsThenExtraPropertiesThenNameParts)
{
    CMessageRecipient* p_oRecipient = CTestList::MakePerson("Ann Mary Lee", "0821", "ann@example.org");
    AddExtraProp(p_oRecipient, "City", "Durban");
    AddExtraProp(p_oRecipient, "city", "Second");
    AddExtraProp(p_oRecipient, "LAST NAME", "FromColumn");
    AddExtraProp(p_oRecipient, "Email", "column@example.org");
    const struct
    {
        const char* m_szToken;
        const char* m_szValue;
    } aCases[] = {
        {"Full Name", "Ann Mary Lee"},
        {"First Name", "Ann"},
        {"Last Name", "FromColumn"},
        {"Email", "ann@example.org"},
        {"Mobile", "0821"},
        {"city", "Durban"},
        {"mobile", ""},
        {"Unknown", ""},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.m_szValue, TokenValue(c.m_szToken, *p_oRecipient)) << c.m_szToken;

    p_oRecipient->m_dwOptions = 0;
    EXPECT_EQ("", TokenValue("Full Name", *p_oRecipient));
    EXPECT_EQ("", TokenValue("First Name", *p_oRecipient));
    EXPECT_EQ("", TokenValue("Email", *p_oRecipient));
    EXPECT_EQ("Durban", TokenValue("City", *p_oRecipient));
    DeleteMessageRecipient(&p_oRecipient);

    CMessageRecipient* p_oNoName = CTestList::MakePerson(nullptr, "0821");
    for (const char* szToken : {"Full Name", "First Name", "Last Name"})
        EXPECT_EQ("", TokenValue(szToken, *p_oNoName)) << szToken;
    DeleteMessageRecipient(&p_oNoName);
}

class FinalSMSTest : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        DeleteSMSList(&m_p_oSMS);
    }
    int Build(const CTestMessage& p_oMessage, int32_t p_iMax, bool p_bTruncate, bool p_bKeepEmpty,
              uint32_t p_dwFlags = 0)
    {
        return CreateFinalSMSs(p_oMessage.Text(), p_oMessage.Tokens(), m_oTo.Get(), m_oCc.Get(), p_iMax,
                               p_bTruncate ? 1 : 0, p_bKeepEmpty ? 1 : 0, p_dwFlags, &m_p_oSMS);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> vTexts;
        for (CFinalSMS* p_oSMS : ItemsOf(m_p_oSMS))
            vTexts.push_back(p_oSMS->m_szText);
        return vTexts;
    }

    CTestList m_oTo;
    CTestList m_oCc;
    CFinalSMSList* m_p_oSMS = nullptr;
};

TEST_F(FinalSMSTest, OneMessagePerDistinctMobileInMemberOrder)
{
    m_oTo.AddPerson("Ann Lee", "082 555 1234");
    m_oTo.Add(
        CTestList::MakeDistList("Team", {CTestList::MakePerson("Bea", "0831"), CTestList::MakePerson("Cy", "0832"),
                                         CTestList::MakePerson("Di", "0833")}));
    m_oCc.AddPerson("Ann Again", "+27 82 555 1234");
    CTestMessage oMessage("Hi <<First Name>>, your number is <<Mobile>>.");
    ASSERT_EQ(1, Build(oMessage, 1, false, true));
    EXPECT_EQ((std::vector<std::string>{"Hi Ann, your number is 082 555 1234.", "Hi Bea, your number is 0831.",
                                        "Hi Cy, your number is 0832.", "Hi Di, your number is 0833."}),
              Texts());
    const CFinalSMS* p_oFirst = m_p_oSMS->m_p_oFirst->m_p_oItem;
    EXPECT_EQ(0, p_oFirst->m_iKind);
    EXPECT_STREQ("Ann Lee", p_oFirst->m_szName);
    EXPECT_STREQ("082 555 1234", p_oFirst->m_szMobile);
    EXPECT_EQ(nullptr, p_oFirst->m_szSecondText);
    EXPECT_EQ(0, p_oFirst->m_stDeliveryTime.m_wYear);
}

TEST_F(FinalSMSTest, LengthLimitTruncatesOrSkips)
{
    m_oTo.AddPerson("Ann", "0821");
    m_oTo.AddPerson("Bea", "0822");
    const std::string sLong(199, 'x');
    CTestMessage oMessage(sLong + "<<First Name>>"); // 202 characters once merged
    ASSERT_EQ(1, Build(oMessage, 1, true, true));
    ASSERT_EQ(2u, m_p_oSMS->m_dwCount);
    EXPECT_EQ(160u, Texts()[0].size());

    ASSERT_EQ(1, Build(oMessage, 3, false, true)); // appended to the same list
    ASSERT_EQ(4u, m_p_oSMS->m_dwCount);
    EXPECT_EQ(sLong + "Bea", Texts()[3]);

    ASSERT_EQ(1, Build(oMessage, 1, false, true));
    EXPECT_EQ(4u, m_p_oSMS->m_dwCount); // too long and no truncation: skipped
}

TEST_F(FinalSMSTest, EmptyTokensSkipOrStayEmpty)
{
    m_oTo.AddPerson("Ann", "0821");
    m_oTo.AddPerson(nullptr, "0822");
    CMessageRecipient* p_oBea = m_oTo.AddPerson("Bea Lee", "0823");
    AddExtraProp(p_oBea, "City", "Durban");
    CTestMessage oMessage("<<First Name>>/<<City>>");
    ASSERT_EQ(1, Build(oMessage, 1, false, false));
    EXPECT_EQ((std::vector<std::string>{"Bea/Durban"}), Texts());

    DeleteSMSList(&m_p_oSMS);
    ASSERT_EQ(1, Build(oMessage, 1, false, true));
    EXPECT_EQ((std::vector<std::string>{"Ann/", "/", "Bea/Durban"}), Texts());
    // A nameless recipient's tokens are empty, but its message still carries its number as name.
    EXPECT_STREQ("0822", m_p_oSMS->m_p_oFirst->m_p_oNext->m_p_oItem->m_szName);
}

TEST_F(FinalSMSTest, TokenValuesAreTransformedButNotTheMessage)
{
    CMessageRecipient* p_oAnn = m_oTo.AddPerson("Ann", "0821");
    AddExtraProp(p_oAnn, "Note", "\n see  you\n\nsoon ");
    CTestMessage oMessage("Hi  there: <<Note>>!");
    ASSERT_EQ(1, Build(oMessage, 1, false, true, kTransformSqueeze));
    ASSERT_EQ(1, Build(oMessage, 1, false, true, kTransformJoinWords | kTransformDictionary));
    EXPECT_EQ((std::vector<std::string>{"Hi  there:  see you\nsoon !", "Hi  there: SeeYouSoon!"}), Texts());
}

TEST_F(FinalSMSTest, MalformedTokenListsAreContained)
{
    m_oTo.AddPerson("Ann", "0821");
    CTestMessage oMessage("A<<First Name>>B");
    oMessage.AddToken("Mobile", 99); // past the end
    oMessage.AddToken("Mobile", -3); // before the start
    oMessage.AddToken("Mobile", 0);  // not on a placeholder
    oMessage.AddToken("Mobile", 1);  // a placeholder already taken
    oMessage.AddToken("", 1);
    ASSERT_EQ(1, Build(oMessage, 1, false, true));
    EXPECT_EQ((std::vector<std::string>{"AAnnB"}), Texts());

    CTestMessage oUnnamed("x<<>>y");
    ASSERT_EQ(1, Build(oUnnamed, 1, false, false));
    EXPECT_EQ("x\x01y", Texts()[1]); // a token without a name keeps its placeholder
}

TEST_F(FinalSMSTest, ResultCodes)
{
    CTestMessage oMessage("hi");
    EXPECT_EQ(0, CreateFinalSMSs(oMessage.Text(), nullptr, m_oTo.Get(), nullptr, 1, 0, 0, 0, nullptr));
    EXPECT_EQ(0, CreateFinalSMSs(nullptr, nullptr, m_oTo.Get(), nullptr, 1, 0, 0, 0, &m_p_oSMS));
    ASSERT_EQ(1, CreateFinalSMSs(oMessage.Text(), nullptr, nullptr, nullptr, 1, 0, 0, 0, &m_p_oSMS));
    ASSERT_NE(nullptr, m_p_oSMS); // an empty job still yields a list
    EXPECT_EQ(0u, m_p_oSMS->m_dwCount);
}

TEST(PersonalisedText, OneUncutPart)
{
    CMessageRecipient* p_oRecipient = CTestList::MakePerson("Ann Lee", "0821");
    CTestMessage oMessage(std::string(300, 'y') + " <<Last Name>>");
    std::vector<CTextPart> vParts;
    ASSERT_TRUE(PersonalisedText(oMessage.Text(), oMessage.Tokens(), *p_oRecipient, kTransformJoinWords, vParts));
    ASSERT_EQ(1u, vParts.size());
    EXPECT_EQ("Only 1", vParts[0].m_sLabel);
    EXPECT_EQ(std::string(300, 'y') + " Lee", vParts[0].m_sText);
    DeleteMessageRecipient(&p_oRecipient);
}
} // namespace
