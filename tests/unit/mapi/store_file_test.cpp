// tests/unit/mapi/store_file_test.cpp: the stand-in's store file: a seed as tests write it, the
// standard folders, round trips of every value type, and rejection of broken files.
#include "standins/mapi/store/store_file.h"

#include <gtest/gtest.h>

using namespace mapistore;

namespace
{
const char kSeed[] = R"({
 "stores": [
  {"name": "Personal Folders", "default": true,
   "root": {"folders": [{"role": "ipm_subtree", "name": "Top of Personal Folders", "folders": [
     {"name": "Contacts", "class": "IPF.Contact", "messages": [
       {"id": 500, "props": [
         {"tag": "PR_MESSAGE_CLASS", "value": "IPM.Contact"},
         {"tag": "PR_DISPLAY_NAME", "value": "Ann Smith"},
         {"tag": "PR_MOBILE_TELEPHONE_NUMBER", "value": "+44 7700 900001"},
         {"guid": "PSETID_Address", "lid": 32899, "type": "PT_UNICODE", "value": "ann@example.com"},
         {"guid": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["a", "b"]},
         {"tag": "0x00390040", "value": "2026-12-08T11:30:00Z"},
         {"tag": "0x0FFF0102", "value": "00AAFF"},
         {"tag": "0x66010048", "value": "{00062004-0000-0000-C000-000000000046}"},
         {"tag": "0x6602000B", "value": true},
         {"tag": "0x66030005", "value": 2.5},
         {"tag": "0x66041003", "value": [1, -2, 3]}
       ],
       "recipients": [{"props": [{"tag": "PR_DISPLAY_NAME", "value": "Bob"}]}],
       "attachments": [{"props": [{"tag": "PR_ATTACH_DATA_BIN", "value": "414243"}]}]}
     ]}]}]}},
  {"name": "Archive"}
 ],
 "addressBook": [
  {"id": 900, "props": [{"tag": "PR_DISPLAY_NAME", "value": "Carl Jones"}, {"tag": "PR_EMS_AB_PROXY_ADDRESSES", "value": ["SMTP:carl@example.com"]}]},
  {"id": 901, "distList": true, "container": "pab", "members": [900]}
 ]
})";

CStoreFile Load(const std::string& p_s)
{
    CStoreFile f;
    std::string err;
    EXPECT_TRUE(LoadStoreFile(p_s, f, err)) << err;
    return f;
}
} // namespace

TEST(mapi_store_file, seed_standard_folders_and_round_trip)
{
    CStoreFile f = Load(kSeed);
    EnsureStandardFolders(f, true);
    CStore* s = f.DefaultStore();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(GetString(s->m_props, tag::DisplayName), "Personal Folders");
    for (const char* role : {"ipm_subtree", "inbox", "outbox", "sent", "deleted", "drafts", "contacts", "calendar",
                             "tasks", "finder", "reminders"})
        EXPECT_NE(FindFolderByRole(s->m_root, role), nullptr) << role;
    // The seed's "Contacts" became the contacts folder rather than getting a twin.
    CFolder* contacts = FindFolderByRole(s->m_root, "contacts");
    ASSERT_EQ(contacts->m_vItems.size(), 1u);
    EXPECT_EQ(contacts->m_vItems[0].m_uId, 500u);
    EXPECT_TRUE(FindFolderByRole(s->m_root, "reminders")->m_bSearch);
    // The non-default store gets a root and subtree but no standard mail folders.
    EXPECT_NE(FindFolderByRole(f.m_vStores[1].m_root, "ipm_subtree"), nullptr);
    EXPECT_EQ(FindFolderByRole(f.m_vStores[1].m_root, "inbox"), nullptr);

    const uint32_t email1 = f.IdOfName({GuidAddress(), false, 0x8083, {}}, false);
    ASSERT_GE(email1, kFirstNamedId);
    EXPECT_EQ(GetString(contacts->m_vItems[0].m_props, MakeTag(kPtUnicode, email1)), "ann@example.com");

    // Every id is unique and new ones come after the seed's.
    EXPECT_GT(f.m_uNextId, 901u);
    const std::string saved = SaveStoreFile(f);
    CStoreFile again = Load(saved);
    EXPECT_EQ(SaveStoreFile(again), saved);
    CStore* s2 = again.DefaultStore();
    CItemRef ref = FindItem(s2->m_root, 500);
    ASSERT_NE(ref.Item(), nullptr);
    EXPECT_EQ(ref.Item()->m_props, contacts->m_vItems[0].m_props);
    EXPECT_EQ(ref.Item()->m_vAttachments[0], contacts->m_vItems[0].m_vAttachments[0]);
    EXPECT_EQ(*FindFolderByRole(s2->m_root, "reminders")->m_searchRestriction,
              *FindFolderByRole(s->m_root, "reminders")->m_searchRestriction);
    EXPECT_EQ(FindAbEntry(again, 901)->m_vMembers, std::vector<uint32_t>{900});
}

TEST(mapi_store_file, seed_may_leave_out_reminders)
{
    CStoreFile f = Load(R"({"reminders": false, "stores": [{"name": "P", "default": true}]})");
    EXPECT_FALSE(f.m_bReminders);
    EnsureStandardFolders(f, f.m_bReminders);
    EXPECT_NE(FindFolderByRole(f.DefaultStore()->m_root, "finder"), nullptr);
    EXPECT_EQ(FindFolderByRole(f.DefaultStore()->m_root, "reminders"), nullptr);
    // Saved and loaded again, the store stays without it.
    CStoreFile again = Load(SaveStoreFile(f));
    EXPECT_FALSE(again.m_bReminders);
}

TEST(mapi_store_file, rejects_broken_files_and_keeps_the_old_one)
{
    const struct
    {
        const char* m_szText;
        const char* m_szWhere;
    } cases[] = {
        {"", "not JSON"},
        {"[1]", "file"},
        {R"({"stores": [{"default": true}, {"default": true}]})", "stores[1]"},
        {R"({"stores": [{"root": {"id": 5, "folders": [{"id": 5}]}}]})", "used twice"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x0037001F"}]}}]})", "props[0]"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x80010003", "value": 1}]}}]})", "named"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x00370003", "value": "x"}]}}]})", "integer"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x0037000D", "value": 1}]}}]})", "unsupported"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x00370102", "value": "ABC"}]}}]})", "hex"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x00370003", "value": 4294967296}]}}]})", "range"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x00370040", "value": "yesterday"}]}}]})", "time"},
        {R"({"stores": [{"root": {"props": [{"tag": "0x00370048", "value": "{nope}"}]}}]})", "GUID"},
        {R"({"stores": [{"root": {"props": [{"tag": 3604483, "value": 1}, {"tag": "0x0037001F", "value": "x"}]}}]})",
         "twice"},
        {R"({"stores": [{"uid": "00"}]})", "uid"},
        {R"({"addressBook": [{"container": "x"}]})", "container"},
        {R"({"addressBook": [{"id": 3, "distList": true, "members": [4]}]})", "member"},
        {R"({"stores": [{"root": {"search": {"restriction": {"kind": "not", "terms": []}}}}]})", "terms"},
        {R"({"stores": [{"root": {"search": {"restriction": {"kind": "property", "tag": "0x00370003", "relop": 9, "value": 1}}}}]})",
         "relop"},
        {R"({"stores": [{"root": {"props": {"tag": 1}}}]})", "array"},
        {R"({"stores": [{"root": {"messages": [{"recipients": [3]}]}}]})", "recipient"},
    };
    for (const auto& c : cases)
    {
        CStoreFile f = MakeDefaultStoreFile();
        const std::string before = SaveStoreFile(f);
        std::string err;
        EXPECT_FALSE(LoadStoreFile(c.m_szText, f, err)) << c.m_szText;
        EXPECT_NE(err.find(c.m_szWhere), std::string::npos) << c.m_szText << " -> " << err;
        EXPECT_EQ(SaveStoreFile(f), before);
    }
    // Folders nested beyond the limit are refused rather than recursed into.
    std::string deep = R"({"stores": [{"root": )";
    for (int i = 0; i < 40; ++i)
        deep += R"({"folders": [)";
    deep += "{}";
    for (int i = 0; i < 40; ++i)
        deep += "]}";
    deep += "}]}";
    CStoreFile f;
    std::string err;
    EXPECT_FALSE(LoadStoreFile(deep, f, err));
    EXPECT_NE(err.find("deeply"), std::string::npos) << err;
}
