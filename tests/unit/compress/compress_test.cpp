// tests/unit/compress/compress_test.cpp: the abbreviation dictionary, the compression levels and
// the preview of a compressed message.
#include "Addressbook/compress/compress_dictionary.h"
#include "Addressbook/compress/compress_levels.h"
#include "Addressbook/messaging/item_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
class CDictionarySetting : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_sPath = (std::filesystem::temp_directory_path() /
                   ("dict_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".txt"))
                      .string();
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove(m_sPath, ec);
    }
    void Write(const std::string& p_sText)
    {
        std::ofstream(m_sPath, std::ios::binary) << p_sText;
        ASSERT_TRUE(m_oSettings.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "DictFile", m_sPath.c_str(),
                                              m_sPath.size() + 1, kRegSz));
    }

    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oSettings{*m_p_oStore};
    std::string m_sPath;
};

std::vector<std::pair<std::string, std::string>> Pairs(const std::vector<CDictionaryEntry>& p_vEntries)
{
    std::vector<std::pair<std::string, std::string>> v;
    for (const auto& o : p_vEntries)
        v.emplace_back(o.m_sWord, o.m_sReplacement);
    return v;
}
} // namespace

TEST(Dictionary, ParsedLinesSortedByWord)
{
    const auto vEntries = ParseDictionary("// common words\r\n"
                                          "tomorrow\t2moro\r\n"
                                          "\r\n"
                                          "you  u\n"
                                          "before \t b4 now\r"
                                          "lonely\n"
                                          "trailing \t\n"
                                          "Great gr8\n"
                                          "you ya\n"
                                          " leading x\n");
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"Great", "gr8"}, {"before", "b4 now"}, {"tomorrow", "2moro"}, {"you", "u"}, {"you", "ya"}}),
              Pairs(vEntries));
}

TEST(Dictionary, ReplacementCaseFollowsTheWord)
{
    const auto vEntries = ParseDictionary("tomorrow 2moro\nplease pls\nAT @\n");
    struct
    {
        const char* m_szText;
        const char* m_szOut;
    } aCases[] = {
        {"tomorrow", "2moro"},
        {"Tomorrow", "2moro"},
        {"TOMORROW", "2MORO"},
        {"toMorrow", "2moro"},
        {"Please come", "Pls come"},
        {"PLEASE, tomorrow!", "PLS, 2moro!"},
        {"see you at 5", "see you @ 5"},
        {"tomorrows", "tomorrows"},
        {"", ""},
        {"tomorrow\r\nplease", "2moro\r\npls"},
    };
    for (const auto& oCase : aCases)
        EXPECT_EQ(oCase.m_szOut, AbbreviateWords(oCase.m_szText, vEntries)) << oCase.m_szText;
}

TEST(Dictionary, LookupFindsEntriesOfEitherCaseInByteOrder)
{
    // Upper-case entries sort before every lower-case one; the early stop must not lose either.
    const auto vEntries = ParseDictionary("Zulu Z\napple apl\nThanks thx\nzero 0\n2day today\n");
    ASSERT_NE(nullptr, FindDictionaryWord(vEntries, "Apple"));
    EXPECT_EQ("apl", FindDictionaryWord(vEntries, "APPLE")->m_sReplacement);
    ASSERT_NE(nullptr, FindDictionaryWord(vEntries, "thanks"));
    ASSERT_NE(nullptr, FindDictionaryWord(vEntries, "zulu"));
    ASSERT_NE(nullptr, FindDictionaryWord(vEntries, "ZERO"));
    ASSERT_NE(nullptr, FindDictionaryWord(vEntries, "2DAY"));
    EXPECT_EQ(nullptr, FindDictionaryWord(vEntries, "app"));
    EXPECT_EQ(nullptr, FindDictionaryWord(vEntries, ""));
}

TEST_F(CDictionarySetting, AbbreviatorReadsTheFileOnEveryUse)
{
    CDictionaryAbbreviator oAbbreviator(m_oSettings);
    std::string sText = "see you tomorrow";
    EXPECT_FALSE(oAbbreviator.CanLoad());
    EXPECT_FALSE(oAbbreviator.Abbreviate(sText));
    EXPECT_EQ("see you tomorrow", sText);

    Write("tomorrow 2moro\n");
    ASSERT_TRUE(oAbbreviator.CanLoad());
    ASSERT_TRUE(oAbbreviator.Abbreviate(sText));
    EXPECT_EQ("see you 2moro", sText);

    Write("you u\n");
    sText = "see you tomorrow";
    ASSERT_TRUE(oAbbreviator.Abbreviate(sText));
    EXPECT_EQ("see u tomorrow", sText);

    std::filesystem::remove(m_sPath);
    EXPECT_FALSE(oAbbreviator.Abbreviate(sText));
}

TEST_F(CDictionarySetting, MethodsApplyInOrderSqueezeDictionaryJoin)
{
    Write("see c\nyou u\n");
    CDictionaryAbbreviator oAbbreviator(m_oSettings);
    std::string sOut;
    ASSERT_TRUE(TransformText("see   you  later", 2 | 4 | 8, &oAbbreviator, sOut));
    EXPECT_EQ("CULater", sOut);
    ASSERT_TRUE(TransformText("see   you", 4, &oAbbreviator, sOut));
    EXPECT_EQ("c   u", sOut);
}

TEST(CompressionLevels, SliderAndCheckBoxesStayInStep)
{
    struct
    {
        int m_iLevel;
        uint32_t m_dwFlags;
    } aLevels[] = {{0, 0}, {1, 2}, {2, 6}, {3, 8}};
    CCompressionLevels oLevels(0);
    for (const auto& o : aLevels)
    {
        oLevels.SetLevel(o.m_iLevel);
        EXPECT_EQ(o.m_dwFlags, oLevels.Flags()) << o.m_iLevel;
        oLevels.SetFlags(o.m_dwFlags);
        EXPECT_EQ(o.m_iLevel, oLevels.Level()) << o.m_dwFlags;
    }

    // Level 2 checks whitespace and dictionary; leaving only the dictionary goes to Custom.
    oLevels.SetLevel(2);
    EXPECT_EQ(kTransformSqueeze | kTransformDictionary, oLevels.Flags());
    oLevels.SetFlags(kTransformDictionary);
    EXPECT_EQ(kCompressionLevelCustom, oLevels.Level());
    // Custom remembers the combination across other levels.
    oLevels.SetLevel(1);
    oLevels.SetLevel(kCompressionLevelCustom);
    EXPECT_EQ(kTransformDictionary, oLevels.Flags());

    EXPECT_EQ(kCompressionLevelCustom, CCompressionLevels(2 | 8).Level());
    EXPECT_EQ(3, CCompressionLevels(8 | 0x100).Level());
}

TEST(CompressionPreview, CountWordingsTokensAndLineEnds)
{
    struct
    {
        const char* m_szText;
        std::vector<std::string> m_vNames;
        uint32_t m_dwFlags;
        const char* m_szCount;
        const char* m_szShown;
    } aCases[] = {
        {"Hi \x01", {"First Name"}, 0, "Number of characters (excluding token): 3", "Hi <<First Name>>"},
        {"Hi there", {}, 0, "Number of characters: 8", "Hi there"},
        {"\x01 and \x01", {"A", "B"}, 0, "Number of characters (excluding tokens): 5", "<<A>> and <<B>>"},
        {"a\nb\r\nc", {}, 0, "Number of characters: 6", "a\r\nb\r\nc"},
        {"a  \n\nb", {}, 2, "Number of characters: 4", "a \r\nb"},
        {"hi \x01 you", {"Name"}, 8, "Number of characters (excluding token): 5", "Hi<<Name>>You"},
    };
    for (const auto& o : aCases)
    {
        CCompressionPreview oPreview;
        ASSERT_TRUE(BuildCompressionPreview(o.m_szText, o.m_vNames, o.m_dwFlags, nullptr, oPreview));
        EXPECT_EQ(o.m_szCount, oPreview.m_sCount) << o.m_szText;
        EXPECT_EQ(o.m_szShown, oPreview.m_sShown) << o.m_szText;
        EXPECT_EQ((o.m_dwFlags & 8) != 0, oPreview.m_bWrap);
    }
}

TEST_F(CDictionarySetting, PreviewFailsWithoutDictionary)
{
    CDictionaryAbbreviator oAbbreviator(m_oSettings);
    CCompressionPreview oPreview;
    EXPECT_FALSE(BuildCompressionPreview("tomorrow", {}, 4, &oAbbreviator, oPreview));
    EXPECT_TRUE(oPreview.m_sShown.empty());
    Write("tomorrow 2moro\n");
    ASSERT_TRUE(BuildCompressionPreview("Tomorrow", {}, 6, &oAbbreviator, oPreview));
    EXPECT_EQ("2moro", oPreview.m_sShown);
}

TEST(CompressionPreview, TokenNamesFromHostList)
{
    auto oList = NewList<CMessageTokenList>();
    CMessageToken aTokens[2];
    char szFirst[] = "First Name";
    aTokens[0].m_szName = szFirst;
    LinkItemBefore(*oList, nullptr, &aTokens[0], false);
    LinkItemBefore(*oList, nullptr, &aTokens[1], false);
    EXPECT_EQ((std::vector<std::string>{"First Name", ""}), TokenNames(oList.get()));
    EXPECT_TRUE(TokenNames(nullptr).empty());
}
