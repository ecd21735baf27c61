// tests/unit/compose/token_stream_test.cpp: the serialised body form and the body's text forms.
#include "compose/fields/body_text.h"
#include "compose/fields/token_stream.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace
{
std::string Word(uint32_t p_dwValue)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((p_dwValue >> (8 * i)) & 0xFF));
    return s;
}

compose::EStreamResult Read(const std::string& p_sBytes, compose::CTokenStream& p_oOut, size_t* p_pnUsed = nullptr)
{
    return compose::ReadTokenStream(reinterpret_cast<const uint8_t*>(p_sBytes.data()), p_sBytes.size(), p_oOut,
                                    p_pnUsed);
}

compose::CTokenStream TwoTokens()
{
    compose::CTokenStream oStream;
    oStream.m_sText = "Dear \x01,\r\x01 owes you";
    oStream.m_vTokens = {{"First Name", 5}, {"Amount", 8}};
    return oStream;
}
} // namespace

TEST(TokenStream, RoundTripWithTwoTokensIsByteExact)
{
    const std::string sBytes = compose::WriteTokenStream(TwoTokens());
    const std::string sExpected = Word(18) + "Dear \x01,\r\x01 owes you" + Word(2) + Word(10) + "First Name" + Word(5) +
                                  Word(6) + "Amount" + Word(8);
    EXPECT_EQ(sBytes, sExpected);
    compose::CTokenStream oBack;
    size_t nUsed = 0;
    // A clipboard block may be longer than the stream in it.
    ASSERT_EQ(Read(sBytes + std::string(13, '\0'), oBack, &nUsed), compose::EStreamResult::Ok);
    EXPECT_EQ(nUsed, sBytes.size());
    EXPECT_EQ(oBack.m_sText, TwoTokens().m_sText);
    ASSERT_EQ(oBack.m_vTokens.size(), 2u);
    EXPECT_EQ(oBack.m_vTokens[0].m_sName, "First Name");
    EXPECT_EQ(oBack.m_vTokens[0].m_iPosition, 5);
    EXPECT_EQ(oBack.m_vTokens[1].m_sName, "Amount");
    EXPECT_EQ(oBack.m_vTokens[1].m_iPosition, 8);
    // No tokens and no text are valid too.
    ASSERT_EQ(Read(Word(0) + Word(0), oBack), compose::EStreamResult::Ok);
    EXPECT_TRUE(oBack.m_sText.empty());
    EXPECT_TRUE(oBack.m_vTokens.empty());
}

TEST(TokenStream, MalformedStreamsAreRefusedAndLeaveNothing)
{
    const std::string sGood = compose::WriteTokenStream(TwoTokens());
    const struct
    {
        const char* m_szWhat;
        std::string m_sBytes;
        compose::EStreamResult m_eResult;
    } cases[] = {
        {"empty", "", compose::EStreamResult::Truncated},
        {"half a length", Word(3).substr(0, 2), compose::EStreamResult::Truncated},
        {"text longer than the data", Word(100) + "short" + Word(0), compose::EStreamResult::Truncated},
        {"text length near 4 GiB", Word(0xFFFFFFF0u) + "x", compose::EStreamResult::Truncated},
        {"no token count", Word(2) + "ab", compose::EStreamResult::Truncated},
        {"count that cannot fit", Word(1) + "a" + Word(0x7FFFFFFF) + Word(0) + Word(0),
         compose::EStreamResult::TooManyTokens},
        {"name past the end", Word(1) + "a" + Word(1) + Word(50) + "abc" + Word(0), compose::EStreamResult::Truncated},
        {"token too short for its count", Word(1) + "a" + Word(1) + Word(1) + "n" + "\0\0"s,
         compose::EStreamResult::TooManyTokens},
        {"second token without its position",
         Word(2) + "ab" + Word(2) + Word(1) + "x" + Word(0) + Word(1) + "y" + "\0\0"s,
         compose::EStreamResult::Truncated},
        {"position at the text's end", Word(1) + "a" + Word(1) + Word(1) + "n" + Word(1),
         compose::EStreamResult::BadPosition},
        {"negative position", Word(1) + "a" + Word(1) + Word(1) + "n" + Word(0xFFFFFFFFu),
         compose::EStreamResult::BadPosition},
        {"two tokens on one character", Word(2) + "ab" + Word(2) + Word(1) + "x" + Word(1) + Word(1) + "y" + Word(1),
         compose::EStreamResult::BadPosition},
    };
    for (const auto& c : cases)
    {
        compose::CTokenStream oOut = TwoTokens();
        EXPECT_EQ(Read(c.m_sBytes, oOut), c.m_eResult) << c.m_szWhat;
        EXPECT_TRUE(oOut.m_sText.empty() && oOut.m_vTokens.empty()) << c.m_szWhat;
    }
    // Every proper prefix of a good stream is truncated.
    for (size_t n = 0; n < sGood.size(); ++n)
    {
        compose::CTokenStream oOut;
        EXPECT_NE(Read(sGood.substr(0, n), oOut), compose::EStreamResult::Ok) << n;
    }
}

TEST(BodyText, LineBreaksTokensAndMarkers)
{
    EXPECT_EQ(compose::CollapseLineBreaks("a\r\nb\rc\nd\r\r\n"), "a\nb\nc\nd\n\n");
    EXPECT_EQ(compose::ExpandLineBreaks("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
    const compose::CTokenStream oStream = TwoTokens();
    EXPECT_EQ(compose::TokensWrittenOut(oStream.m_sText, oStream.m_vTokens),
              "Dear <<First Name>>,\r<<Amount>> owes you");
    // A token past the text is left out rather than read past the end.
    EXPECT_EQ(compose::TokensWrittenOut("ab", {{"X", 1}, {"Y", 9}}), "a<<X>>");
    EXPECT_EQ(compose::MarkTokens("a?b?", {{"X", 1}, {"Y", 3}}, '\x01'), "a\x01"
                                                                         "b\x01");

    // The compressor's output: markers found at the character positions of the control, where a
    // line break is one character whether it came as LF or CR LF.
    const compose::CMarkedText oMarked = compose::FindMarkers("Hi \x01\nU \x01\r\n\x01", '\x01');
    EXPECT_EQ(oMarked.m_sText, "Hi \x01\r\nU \x01\r\n\x01");
    EXPECT_EQ(oMarked.m_vPositions, (std::vector<int32_t>{3, 7, 9}));
}

TEST(BodyText, FileKindFollowsTheExtensionInAnyCase)
{
    const struct
    {
        const char* m_szPath;
        compose::EFileKind m_eKind;
    } cases[] = {
        {"C:\\msgs\\hello.sms", compose::EFileKind::Own},
        {"C:\\msgs\\HELLO.SMS", compose::EFileKind::Own},
        {"hello.Sms", compose::EFileKind::Own},
        {"C:\\msgs\\hello.txt", compose::EFileKind::Text},
        {"hello.doc", compose::EFileKind::Text},
        {"hello", compose::EFileKind::Text},
        {"C:\\a.sms\\hello", compose::EFileKind::Text},
        {"hello.smsx", compose::EFileKind::Text},
        {"hello.", compose::EFileKind::Text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compose::FileKindOf(c.m_szPath, "sms"), c.m_eKind) << c.m_szPath;
}
