// tests/unit/addressbook/exmapi_members_test.cpp: the member entry ids of contact-folder lists,
// read from byte strings laid out as the published formats give them.
#include "Addressbook/addressbook/exmapi_members.h"

#include <gtest/gtest.h>

namespace
{
CEntryBytes Hex(const std::string& p_sHex)
{
    CEntryBytes vBytes;
    for (size_t i = 0; i + 1 < p_sHex.size(); i += 2)
        vBytes.push_back(static_cast<uint8_t>(std::stoi(p_sHex.substr(i, 2), nullptr, 16)));
    return vBytes;
}

CEntryBytes Concat(CEntryBytes p_v1, const CEntryBytes& p_v2)
{
    p_v1.insert(p_v1.end(), p_v2.begin(), p_v2.end());
    return p_v1;
}

std::string Narrow(std::u16string_view p_s)
{
    std::string s;
    for (char16_t c : p_s)
        s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return s;
}

const std::string kOneOffHeader = "00000000"
                                  "812B1FA4BEA310199D6E00DD010F5402";
const std::string kWrappedHeader = "00000000"
                                   "C091ADD3519DCF11A4A900AA0047FAA4";

TEST(OneOffEntryId, ReadsAnsiAndUnicodeStrings)
{
    // "Ann", "SMTP", "a@b.c" in ANSI (flags 0x0000) and as UTF-16 (flags 0x8000, no rich info 0x0001).
    const auto oAnsi = DecodeOneOffEntryId(Hex(kOneOffHeader + "0000"
                                                               "0000"
                                                               "416E6E00"
                                                               "534D545000"
                                                               "6140622E6300"),
                                           Narrow);
    ASSERT_TRUE(oAnsi);
    EXPECT_EQ(oAnsi->m_sName, "Ann");
    EXPECT_EQ(oAnsi->m_sAddrType, "SMTP");
    EXPECT_EQ(oAnsi->m_sAddress, "a@b.c");
    const auto oWide = DecodeOneOffEntryId(Hex(kOneOffHeader + "0000"
                                                               "0180"
                                                               "41006E006E000000"
                                                               "53004D00540050000000"
                                                               "61004000620000000000"),
                                           Narrow);
    ASSERT_TRUE(oWide);
    EXPECT_EQ(oWide->m_sName, "Ann");
    EXPECT_EQ(oWide->m_sAddrType, "SMTP");
    EXPECT_EQ(oWide->m_sAddress, "a@b");
    // An empty name is still a name.
    const auto oNoName = DecodeOneOffEntryId(Hex(kOneOffHeader + "00000000"
                                                                 "00"
                                                                 "534D545000"
                                                                 "7A4000"),
                                             Narrow);
    ASSERT_TRUE(oNoName);
    EXPECT_EQ(oNoName->m_sName, "");
    EXPECT_EQ(oNoName->m_sAddress, "z@");
}

TEST(OneOffEntryId, RefusesTruncatedAndForeignBytes)
{
    const std::string sWhole = kOneOffHeader + "00000000"
                                               "416E6E00"
                                               "534D545000"
                                               "6140622E6300";
    // Cut inside the address, inside a header, and one whose provider is another's.
    EXPECT_FALSE(DecodeOneOffEntryId(Hex(sWhole.substr(0, sWhole.size() - 2)), Narrow));
    EXPECT_FALSE(DecodeOneOffEntryId(Hex(kOneOffHeader + "0000"), Narrow));
    EXPECT_FALSE(DecodeOneOffEntryId(Hex("00000000"
                                         "812B1FA4BEA310199D6E00DD010F5403"
                                         "00000000"
                                         "00"
                                         "00"
                                         "00"),
                                     Narrow));
    // A UTF-16 string with an odd byte left over.
    EXPECT_FALSE(DecodeOneOffEntryId(Hex(kOneOffHeader + "00000080"
                                                         "4100"),
                                     Narrow));
    EXPECT_FALSE(DecodeOneOffEntryId({}, Narrow));
}

TEST(OneOffEntryId, MadeAsTheLayoutGivesIt)
{
    EXPECT_EQ(MakeOneOffEntryId("Ann", "SMTP", "a@b.c"), Hex(kOneOffHeader + "00000000"
                                                                             "416E6E00"
                                                                             "534D545000"
                                                                             "6140622E6300"));
    const auto oBack = DecodeOneOffEntryId(MakeOneOffEntryId("", "SMTP", "x@y"), Narrow);
    ASSERT_TRUE(oBack);
    EXPECT_EQ(oBack->m_sAddress, "x@y");
}

TEST(ListMember, TheTypeByteNamesWhatIsWrapped)
{
    const struct
    {
        const char* m_szType;
        EListMember m_eKind;
    } aCases[] = {
        {"83", EListMember::Contact},      {"C3", EListMember::Contact}, {"B3", EListMember::Contact},
        {"84", EListMember::PersonalList}, {"05", EListMember::GalUser}, {"06", EListMember::GalList},
    };
    for (const auto& oCase : aCases)
    {
        const auto oMember = DecodeListMember(Hex(kWrappedHeader + oCase.m_szType + "0102030405"), Narrow);
        ASSERT_TRUE(oMember) << oCase.m_szType;
        EXPECT_EQ(oMember->m_eKind, oCase.m_eKind) << oCase.m_szType;
        EXPECT_EQ(oMember->m_vEntryId, Hex("0102030405")) << oCase.m_szType;
        EXPECT_FALSE(oMember->m_oOneOff);
    }
    // Unknown kinds and a wrapper with nothing inside are refused.
    EXPECT_FALSE(DecodeListMember(Hex(kWrappedHeader + "07"
                                                       "01"),
                                  Narrow));
    EXPECT_FALSE(DecodeListMember(Hex(kWrappedHeader + "83"), Narrow));
    EXPECT_FALSE(DecodeListMember(Hex("0000000001020304"), Narrow));
}

TEST(ListMember, OneOffsBareOrWrapped)
{
    const CEntryBytes vOneOff = MakeOneOffEntryId("Zed", "SMTP", "zed@example.com");
    for (const CEntryBytes& vMember : {vOneOff, Concat(Hex(kWrappedHeader + "00"), vOneOff)})
    {
        const auto oMember = DecodeListMember(vMember, Narrow);
        ASSERT_TRUE(oMember);
        EXPECT_EQ(oMember->m_eKind, EListMember::OneOff);
        ASSERT_TRUE(oMember->m_oOneOff);
        EXPECT_EQ(oMember->m_oOneOff->m_sName, "Zed");
        EXPECT_EQ(oMember->m_oOneOff->m_sAddress, "zed@example.com");
    }
    // A wrapped one-off that is not one.
    EXPECT_FALSE(DecodeListMember(Hex(kWrappedHeader + "00"
                                                       "0102"),
                                  Narrow));
}

TEST(ListMember, WrappingRoundTrips)
{
    const CEntryBytes vEntryId = Hex("00000000AABBCCDD");
    EXPECT_EQ(WrapListMember(EListMember::Contact, vEntryId), Hex(kWrappedHeader + "83"
                                                                                   "00000000AABBCCDD"));
    for (EListMember eKind :
         {EListMember::Contact, EListMember::PersonalList, EListMember::GalUser, EListMember::GalList})
    {
        const auto oMember = DecodeListMember(WrapListMember(eKind, vEntryId), Narrow);
        ASSERT_TRUE(oMember);
        EXPECT_EQ(oMember->m_eKind, eKind);
        EXPECT_EQ(oMember->m_vEntryId, vEntryId);
    }
}
} // namespace

// Member entry ids come from the store as it stands: every cut of a valid one is read within its
// bytes (the sanitizers of the native build watch) and refused unless it is still whole.
TEST(ListMember, EveryCutOfAMemberIsReadWithinItsBytes)
{
    const CEntryBytes vWide = Hex(kOneOffHeader + "0000"
                                                  "0080"
                                                  "41006E006E000000"
                                                  "53004D00540050000000"
                                                  "6100400062000000");
    const CEntryBytes vWrapped = Concat(Hex(kWrappedHeader + "00"), MakeOneOffEntryId("Zed", "SMTP", "z@x"));
    for (const CEntryBytes& vWhole : {vWide, vWrapped})
        for (size_t nCut = 0; nCut < vWhole.size(); ++nCut)
        {
            const CEntryBytes vCut(vWhole.begin(), vWhole.begin() + static_cast<std::ptrdiff_t>(nCut));
            EXPECT_FALSE(DecodeListMember(vCut, Narrow)) << nCut;
        }
}
