// tests/unit/mapi/store_seed_links_test.cpp: what a seed says about stores and contacts beyond plain
// properties: a store's provider, a contact list's members by name and a contact's Email1 as a GAL
// entry, kept for the provider to link; and the faults in them that refuse the file.
#include "standins/mapi/store/store_file.h"

#include <gtest/gtest.h>

using namespace mapistore;

namespace
{
CStoreFile Load(const std::string& p_s)
{
    CStoreFile f;
    std::string err;
    EXPECT_TRUE(LoadStoreFile(p_s, f, err)) << err;
    return f;
}

std::string SeedWithItem(const std::string& p_sItem)
{
    return R"({"stores": [{"default": true, "root": {"messages": [)" + p_sItem + "]}}]}";
}

const CPropValue* SeedProp(CStoreFile& p_f, const char* p_szName)
{
    const uint32_t id = p_f.IdOfName({GuidSeedLinks(), true, 0, p_szName}, false);
    if (id == 0 || p_f.m_vStores.empty() || p_f.m_vStores[0].m_root.m_vItems.empty())
        return nullptr;
    return FindProp(p_f.m_vStores[0].m_root.m_vItems[0].m_props, MakeTag(kPtUnspecified, id));
}
} // namespace

TEST(mapi_store_seed, store_provider_public_or_by_uid)
{
    CStoreFile f = Load(R"({"stores": [{"name": "Public Folders", "provider": "public"},
                                       {"name": "Other", "provider": "00112233445566778899AABBCCDDEEFF"},
                                       {"name": "Plain"}]})");
    ASSERT_EQ(f.m_vStores.size(), 3u);
    const CPropValue* pub = FindProp(f.m_vStores[0].m_props, tag::MdbProvider);
    ASSERT_NE(pub, nullptr);
    EXPECT_EQ(pub->m_bValue, PublicStoreProvider());
    EXPECT_EQ(PublicStoreProvider(),
              (CBytes{0x78, 0xB2, 0xFA, 0x70, 0xAF, 0xF7, 0x11, 0xCD, 0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A}));
    const CPropValue* other = FindProp(f.m_vStores[1].m_props, tag::MdbProvider);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->m_bValue[0], 0x00);
    EXPECT_EQ(other->m_bValue[15], 0xFF);
    EXPECT_EQ(FindProp(f.m_vStores[2].m_props, tag::MdbProvider), nullptr);
    // It survives a save: it is a store property like any other.
    CStoreFile again = Load(SaveStoreFile(f));
    ASSERT_NE(FindProp(again.m_vStores[0].m_props, tag::MdbProvider), nullptr);
    EXPECT_EQ(FindProp(again.m_vStores[0].m_props, tag::MdbProvider)->m_bValue, PublicStoreProvider());
}

TEST(mapi_store_seed, list_members_and_email1_gal_are_kept_by_name_until_linked)
{
    CStoreFile f = Load(SeedWithItem(R"({"email1Gal": "Bob Smith", "members": [
        {"contact": "Ann Smith"}, {"contact": "Bob Contact", "email": 3}, {"list": "Family"},
        {"gal": "Carol Jones"}, {"oneOff": "Zed", "address": "zed@example.com"},
        {"oneOff": "Fax", "address": "+44 1", "type": "FAX"}]})"));
    const CPropValue* gal = SeedProp(f, kSeedEmail1Gal);
    ASSERT_NE(gal, nullptr);
    EXPECT_EQ(gal->m_sValue, "Bob Smith");
    const CPropValue* members = SeedProp(f, kSeedMembers);
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(members->m_ulTag & 0xFFFF, kPtUnicode | kMvFlag);
    EXPECT_EQ(members->m_mvsValue,
              (std::vector<std::string>{"contact\tAnn Smith\t0", "contact\tBob Contact\t2", "list\tFamily",
                                        "gal\tCarol Jones", "oneOff\tZed\tSMTP\tzed@example.com",
                                        "oneOff\tFax\tFAX\t+44 1"}));
    CStoreFile again = Load(SaveStoreFile(f));
    ASSERT_NE(SeedProp(again, kSeedMembers), nullptr);
    EXPECT_EQ(SeedProp(again, kSeedMembers)->m_mvsValue, members->m_mvsValue);
}

TEST(mapi_store_seed, faults_in_providers_and_members_refuse_the_file)
{
    const struct
    {
        std::string m_sText;
        const char* m_szWhere;
    } cases[] = {
        {R"({"stores": [{"provider": "private"}]})", "provider"},
        {R"({"stores": [{"provider": "0011"}]})", "provider"},
        {SeedWithItem(R"({"members": {"contact": "A"}})"), "array"},
        {SeedWithItem(R"({"members": ["Ann"]})"), "members[0]"},
        {SeedWithItem(R"({"members": [{}]})"), "one of contact"},
        {SeedWithItem(R"({"members": [{"contact": "A", "list": "B"}]})"), "one of contact"},
        {SeedWithItem(R"({"members": [{"contact": "A", "email": 4}]})"), "email is 1, 2 or 3"},
        {SeedWithItem(R"({"members": [{"contact": "A", "email": 0}]})"), "email is 1, 2 or 3"},
        {SeedWithItem(R"({"members": [{"oneOff": "Zed"}]})"), "address"},
        {SeedWithItem(R"({"members": [{"gal": 7}]})"), "members[0].gal"},
        {SeedWithItem(R"({"email1Gal": ["Bob"]})"), "email1Gal"},
    };
    for (const auto& c : cases)
    {
        CStoreFile f;
        std::string err;
        EXPECT_FALSE(LoadStoreFile(c.m_sText, f, err)) << c.m_sText;
        EXPECT_NE(err.find(c.m_szWhere), std::string::npos) << c.m_sText << " -> " << err;
    }
}
