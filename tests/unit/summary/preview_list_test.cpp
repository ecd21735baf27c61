// tests/unit/summary/preview_list_test.cpp: who the preview lists under the settings, and the text
// its box shows for one recipient.
#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/summary/preview_list.h"

#include "tests/unit/messaging/messaging_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct CShown
{
    std::string m_sName;
    int m_iDepth;
    bool m_bList;
    bool operator==(const CShown&) const = default;
};

std::vector<CShown> Shown(const CTestMessage& p_oMessage, const CTestList& p_oTo, const CSummarySettings& p_oSettings)
{
    CSummaryRequest oRequest;
    oRequest.m_szMessage = p_oMessage.Text();
    oRequest.m_p_oTokens = p_oMessage.Tokens();
    oRequest.m_p_mrlTo = p_oTo.Get();
    CPreviewList oList;
    EXPECT_TRUE(BuildPreviewList(oRequest, p_oSettings, oList));
    std::vector<CShown> vShown;
    for (const CPreviewEntry& oEntry : oList.m_vEntries)
        vShown.push_back({oEntry.m_p_oRecipient->m_szDisplayText, oEntry.m_iDepth, oEntry.m_bList});
    return vShown;
}
} // namespace

TEST(PreviewList, ListsWithoutQualifyingMembersAreRemovedAndSettingsDecide)
{
    CTestList oTo;
    oTo.AddPerson("Ann Smith", "+447700900001");
    oTo.Add(CTestList::MakeDistList(
        "Nobody", {CTestList::MakePerson("No Mobile", nullptr), CTestList::MakePerson("Empty Mobile", "")}));
    oTo.Add(CTestList::MakeDistList(
        "Team", {CTestList::MakePerson("Bob Jones", "+447700900002"), CTestList::MakePerson("Carl", "+447700900003"),
                 CTestList::MakeDistList("Inner", {CTestList::MakePerson("Dee", nullptr)})}));
    CTestMessage oMessage("Hi <<Last Name>> " + std::string(150, 'z'));

    // Carl has no last name; a limit of 1 drops every text over 160 characters.
    EXPECT_EQ((std::vector<CShown>{{"Ann Smith", 0, false}, {"Team", 0, true}, {"Bob Jones", 1, false}}),
              Shown(oMessage, oTo, {false, false, 2}));
    EXPECT_EQ(
        (std::vector<CShown>{{"Ann Smith", 0, false}, {"Team", 0, true}, {"Bob Jones", 1, false}, {"Carl", 1, false}}),
        Shown(oMessage, oTo, {true, false, 2}));
    // "Hi Smith " and 150 more is 159 characters; "Hi Jones " too; Carl's is 154.
    EXPECT_EQ(4u, Shown(oMessage, oTo, {true, false, 1}).size());
    CTestMessage oLonger("Hi <<Last Name>> " + std::string(160, 'z'));
    EXPECT_TRUE(Shown(oLonger, oTo, {true, false, 1}).empty());
    EXPECT_EQ(4u, Shown(oLonger, oTo, {true, true, 1}).size());
}

TEST(PreviewList, BoxTextIsOneBlockPerPartWithCrLf)
{
    const std::string sLong = std::string(150, 'a') + "\n" + std::string(149, 'b'); // 300 characters
    EXPECT_EQ(std::string(150, 'a') + "\r\n" + std::string(149, 'b'), PreviewBoxText({{"Only 1", sLong}}));
    EXPECT_EQ("x\r\ny\r\n", PreviewBoxText({{"Only 1", "x\r\ny\n"}}));
    EXPECT_EQ("\r\n", PreviewBoxText({{"Only 1", "\n"}}));
    const std::string sSeparator = "\r\n" + std::string(64, '_') + "\r\n\r\n";
    EXPECT_EQ("one" + sSeparator + "two", PreviewBoxText({{"1", "one"}, {"2", "two"}}));
    EXPECT_EQ("", PreviewBoxText({}));
}

TEST(PreviewList, ThreeHundredCharacterMessageMergesIntoOneEntry)
{
    CTestList oTo;
    CMessageRecipient* p_oAnn = oTo.AddPerson("Ann Smith", "+447700900001");
    CTestMessage oMessage("Dear <<First Name>>\n" + std::string(289, 'q'));
    std::vector<CTextPart> vParts;
    ASSERT_TRUE(PersonalisedText(oMessage.Text(), oMessage.Tokens(), *p_oAnn, 0, vParts));
    ASSERT_EQ(1u, vParts.size());
    const std::string sBox = PreviewBoxText(vParts);
    EXPECT_EQ("Dear Ann\r\n" + std::string(289, 'q'), sBox);
    EXPECT_EQ(std::string::npos, sBox.find('_'));
}

// Members of an address-book list are read for the walk; the preview keeps pointing at them while
// it shows them, so they must outlive the walk.
TEST(PreviewList, MembersReadFromTheAddressBookStayAlive)
{
    SetDistListExpander([](const CEntryID&, CMessageRecipientList& p_oMembers) {
        return AddMessageRecipient(&p_oMembers, CTestList::MakePerson("Book Member", "+447700900011")) == 1;
    });
    CTestList oTo;
    const uint8_t aEntry[] = {1, 2, 3, 4};
    CMessageRecipient* p_oList = nullptr;
    ASSERT_EQ(1, CreateMessageRecipientFromDetails(kStateListComplete, kKindDistList, "Book List", nullptr, nullptr,
                                                   "Book List", EID_TYPE_AB, sizeof(aEntry), aEntry,
                                                   kDefaultRecipientOptions, &p_oList));
    oTo.Add(p_oList);
    CTestMessage oMessage("Hello");
    CSummaryRequest oRequest;
    oRequest.m_szMessage = oMessage.Text();
    oRequest.m_p_mrlTo = oTo.Get();
    CPreviewList oPreview;
    ASSERT_TRUE(BuildPreviewList(oRequest, {true, true, 1}, oPreview));
    SetDistListExpander({});
    ASSERT_EQ(2u, oPreview.m_vEntries.size());
    EXPECT_STREQ("Book Member", oPreview.m_vEntries[1].m_p_oRecipient->m_szDisplayText);
    EXPECT_EQ(1, oPreview.m_vEntries[1].m_iDepth);
}
