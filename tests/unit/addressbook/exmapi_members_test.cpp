// tests/unit/addressbook/exmapi_members_test.cpp: the member entry ids of contact-folder lists,
// read from byte strings laid out as the published formats give them.
#include "Addressbook/addressbook/exmapi_members.h"

#include <gtest/gtest.h>

namespace
{
// Bytes from hex digits; spaces only separate the fields for the reader.
CEntryBytes Hex(const std::string& p_sHex)
{
    std::string sDigits;
    for (char c : p_sHex)
        if (c != ' ')
            sDigits.push_back(c);
    CEntryBytes vBytes;
    for (size_t i = 0; i + 1 < sDigits.size(); i += 2)
        vBytes.push_back(static_cast<uint8_t>(std::stoi(sDigits.substr(i, 2), nullptr, 16)));
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

// Flags, then the provider uid of a one-off or of a wrapped entry id.
const std::string kOneOffHeader = "00000000 812B1FA4BEA310199D6E00DD010F5402 ";
const std::string kWrappedHeader = "00000000 C091ADD3519DCF11A4A900AA0047FAA4 ";
// "Ann", "SMTP", "a@b.c" in ANSI (version 0, flags 0); "Ann", "SMTP", "a@b" in UTF-16 (flags 0x8001).
const std::string kAnsiAnn = kOneOffHeader + "0000 0000 416E6E00 534D545000 6140622E6300";
const std::string kWideAnn = kOneOffHeader + "0000 0180 41006E006E000000 53004D00540050000000 6100400062000000";

TEST(OneOffEntryId, ReadsAnsiAndUnicodeStrings)
{
    const auto oAnsi = DecodeOneOffEntryId(Hex(kAnsiAnn), Narrow);
    ASSERT_TRUE(oAnsi);
    EXPECT_EQ(oAnsi->m_sName, "Ann");
    EXPECT_EQ(oAnsi->m_sAddrType, "SMTP");
    EXPECT_EQ(oAnsi->m_sAddress, "a@b.c");
    const auto oWide = DecodeOneOffEntryId(Hex(kWideAnn), Narrow);
    ASSERT_TRUE(oWide);
    EXPECT_EQ(oWide->m_sName, "Ann");
    EXPECT_EQ(oWide->m_sAddrType, "SMTP");
    EXPECT_EQ(oWide->m_sAddress, "a@b");
    // An empty name is still a name.
    const auto oNoName = DecodeOneOffEntryId(Hex(kOneOffHeader + "0000 0000 00 534D545000 7A4000"), Narrow);
    ASSERT_TRUE(oNoName);
    EXPECT_EQ(oNoName->m_sName, "");
    EXPECT_EQ(oNoName->m_sAddress, "z@");
}

TEST(OneOffEntryId, RefusesTruncatedAndForeignBytes)
{
    const CEntryBytes vWhole = Hex(kAnsiAnn);
    // Cut inside the address, inside the header, and one whose provider is another's.
    EXPECT_FALSE(DecodeOneOffEntryId(CEntryBytes(vWhole.begin(), vWhole.end() - 1), Narrow));
    EXPECT_FALSE(DecodeOneOffEntryId(Hex(kOneOffHeader + "0000"), Narrow));
    EXPECT_FALSE(DecodeOneOffEntryId(Hex("00000000 812B1FA4BEA310199D6E00DD010F5403 0000 0000 00 00 00"), Narrow));
    // A UTF-16 string with an odd byte left over.
    EXPECT_FALSE(DecodeOneOffEntryId(Hex(kOneOffHeader + "0000 0080 4100"), Narrow));
    EXPECT_FALSE(DecodeOneOffEntryId({}, Narrow));
}

TEST(OneOffEntryId, MadeAsTheLayoutGivesIt)
{
    EXPECT_EQ(MakeOneOffEntryId("Ann", "SMTP", "a@b.c"), Hex(kAnsiAnn));
    const auto oBack = DecodeOneOffEntryId(MakeOneOffEntryId("", "SMTP", "x@y"), Narrow);
    ASSERT_TRUE(oBack);
    EXPECT_EQ(oBack->m_sAddress, "x@y");
}

TEST(ListMember, TheTypeByteNamesWhatIsWrapped)
{
    // A contact's next three bits name its address: 4 to 6 the e-mail slots, 0 to 2 its faxes.
    const struct
    {
        const char* m_szType;
        EListMember m_eKind;
        std::optional<int> m_oiSlot;
    } aCases[] = {
        {"C3", EListMember::Contact, 0},
        {"D3", EListMember::Contact, 1},
        {"E3", EListMember::Contact, 2},
        {"83", EListMember::Contact, std::nullopt},
        {"B3", EListMember::Contact, std::nullopt},
        {"B4", EListMember::PersonalList, std::nullopt},
        {"B5", EListMember::GalUser, std::nullopt},
        {"06", EListMember::GalList, std::nullopt},
    };
    for (const auto& oCase : aCases)
    {
        const auto oMember = DecodeListMember(Hex(kWrappedHeader + oCase.m_szType + "0102030405"), Narrow);
        ASSERT_TRUE(oMember) << oCase.m_szType;
        EXPECT_EQ(oMember->m_eKind, oCase.m_eKind) << oCase.m_szType;
        EXPECT_EQ(oMember->m_vEntryId, Hex("0102030405")) << oCase.m_szType;
        EXPECT_FALSE(oMember->m_oOneOff);
        EXPECT_EQ(oMember->m_oiEmailSlot, oCase.m_oiSlot) << oCase.m_szType;
    }
    // Unknown kinds and a wrapper with nothing inside are refused.
    EXPECT_FALSE(DecodeListMember(Hex(kWrappedHeader + "07 01"), Narrow));
    EXPECT_FALSE(DecodeListMember(Hex(kWrappedHeader + "C3"), Narrow));
    EXPECT_FALSE(DecodeListMember(Hex("00000000 01020304"), Narrow));
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
    EXPECT_FALSE(DecodeListMember(Hex(kWrappedHeader + "00 0102"), Narrow));
}

TEST(ListMember, WrappedAsThePublishedLayoutGivesIt)
{
    const CEntryBytes vEntryId = Hex("00000000AABBCCDD");
    // Email1 of a contact C3, its Email3 E3, a list B4, a GAL user B5 and a GAL list B6.
    EXPECT_EQ(WrapListMember(EListMember::Contact, vEntryId), Hex(kWrappedHeader + "C3 00000000AABBCCDD"));
    EXPECT_EQ(WrapListMember(EListMember::Contact, vEntryId, 2), Hex(kWrappedHeader + "E3 00000000AABBCCDD"));
    EXPECT_EQ(WrapListMember(EListMember::PersonalList, vEntryId), Hex(kWrappedHeader + "B4 00000000AABBCCDD"));
    EXPECT_EQ(WrapListMember(EListMember::GalUser, vEntryId), Hex(kWrappedHeader + "B5 00000000AABBCCDD"));
    EXPECT_EQ(WrapListMember(EListMember::GalList, vEntryId), Hex(kWrappedHeader + "B6 00000000AABBCCDD"));
    for (EListMember eKind :
         {EListMember::Contact, EListMember::PersonalList, EListMember::GalUser, EListMember::GalList})
    {
        const auto oMember = DecodeListMember(WrapListMember(eKind, vEntryId), Narrow);
        ASSERT_TRUE(oMember);
        EXPECT_EQ(oMember->m_eKind, eKind);
        EXPECT_EQ(oMember->m_vEntryId, vEntryId);
    }
}

// Member entry ids come from the store as it stands: every cut of a valid one is read within its
// bytes (the sanitizers of the native build watch) and refused unless it is still whole.
TEST(ListMember, EveryCutOfAMemberIsReadWithinItsBytes)
{
    const CEntryBytes vWrapped = Concat(Hex(kWrappedHeader + "00"), MakeOneOffEntryId("Zed", "SMTP", "z@x"));
    for (const CEntryBytes& vWhole : {Hex(kWideAnn), vWrapped})
        for (size_t nCut = 0; nCut < vWhole.size(); ++nCut)
        {
            const CEntryBytes vCut(vWhole.begin(), vWhole.begin() + static_cast<std::ptrdiff_t>(nCut));
            EXPECT_FALSE(DecodeListMember(vCut, Narrow)) << nCut;
        }
}
} // namespace
