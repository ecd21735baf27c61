// tests/unit/mapi/store_snapshot_test.cpp: the binary snapshot of the store: round trips with the
// JSON form and with kept orders, refusal of damaged input, generated contacts, and a folder over
// the JSON file's old item limit.
#include "standins/mapi/store/collation.h"
#include "standins/mapi/store/folder_index.h"
#include "standins/mapi/store/seed_contacts.h"
#include "standins/mapi/store/store_file.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mapistore;

namespace
{
const char kSeed[] = R"({
 "stores": [
  {"name": "Personal Folders", "default": true,
   "root": {"folders": [{"role": "ipm_subtree", "name": "Top of Personal Folders", "folders": [
     {"name": "Contacts", "class": "IPF.Contact", "messages": [
       {"id": 500, "props": [
         {"tag": "PR_DISPLAY_NAME", "value": "Zo\u00eb Smith"},
         {"guid": "PSETID_Address", "lid": 32899, "type": "PT_UNICODE", "value": "zoe@example.com"},
         {"guid": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["a", "b"]},
         {"tag": "0x00390040", "value": "2026-12-08T11:30:00Z"},
         {"tag": "0x0FFF0102", "value": "00AAFF"},
         {"tag": "0x66010048", "value": "{00062004-0000-0000-C000-000000000046}"},
         {"tag": "0x6602000B", "value": true},
         {"tag": "0x66030005", "value": 2.5},
         {"tag": "0x66041003", "value": [1, -2, 3]},
         {"tag": "0x66051102", "value": ["01", ""]},
         {"tag": "0x66061005", "value": [0.5]}
       ],
       "recipients": [{"props": [{"tag": "PR_DISPLAY_NAME", "value": "Bob"}]}],
       "attachments": [{"props": [{"tag": "PR_ATTACH_DATA_BIN", "value": "414243"}]}]},
       {"id": 501, "props": [{"tag": "PR_DISPLAY_NAME", "value": "'Anna"}]},
       {"id": 502, "props": [{"tag": "PR_SUBJECT", "value": "view"}]}
     ],
     "associated": [{"id": 503, "props": [{"tag": "PR_SUBJECT", "value": "config"}]}]}]}]}},
  {"name": "Archive"}
 ],
 "addressBook": [
  {"id": 900, "props": [{"tag": "PR_DISPLAY_NAME", "value": "Carl Jones"}, {"tag": "PR_EMS_AB_PROXY_ADDRESSES", "value": ["SMTP:carl@example.com"]}]},
  {"id": 901, "distList": true, "container": "pab", "members": [900]}
 ]
})";

CStoreFile SeededStore()
{
    CStoreFile f;
    std::string err;
    EXPECT_TRUE(LoadStoreFile(kSeed, f, err)) << err;
    EnsureStandardFolders(f, true);
    CFolder* reminders = FindFolderByRole(f.DefaultStore()->m_root, "reminders");
    EXPECT_TRUE(reminders && reminders->m_searchRestriction);
    return f;
}

CFolder& Contacts(CStoreFile& p_f)
{
    return *FindFolderByRole(p_f.DefaultStore()->m_root, "contacts");
}

bool Load(const std::string& p_s, CStoreFile& p_f, std::string& p_sErr)
{
    return LoadStoreSnapshot(p_s, p_f, p_sErr);
}

// Offset of the first occurrence of p_sNeedle in p_sHay (the test edits a snapshot in place).
size_t Find(const std::string& p_sHay, const std::string& p_sNeedle)
{
    const size_t at = p_sHay.find(p_sNeedle);
    EXPECT_NE(at, std::string::npos);
    return at;
}

void PutU32(std::string& p_s, size_t p_at, uint32_t p_u)
{
    for (int i = 0; i < 4; ++i)
        p_s[p_at + i] = static_cast<char>(p_u >> (8 * i));
}
} // namespace

TEST(mapi_store_snapshot, round_trips_with_the_json_form_and_kept_orders)
{
    CStoreFile f = SeededStore();
    COrderPtr byName = FolderOrder(Contacts(f), false, {{tag::DisplayName, false}});
    const std::string snap = SaveStoreSnapshot(f);
    ASSERT_TRUE(IsStoreSnapshot(snap));
    EXPECT_FALSE(IsStoreSnapshot(kSeed));

    CStoreFile again;
    std::string err;
    ASSERT_TRUE(LoadStoreAny(snap, again, err)) << err;
    EXPECT_EQ(SaveStoreFile(again), SaveStoreFile(f)) << "the snapshot holds all the JSON form holds";
    EXPECT_EQ(SaveStoreSnapshot(again), snap);
    EXPECT_EQ(again.m_uNextId, f.m_uNextId);

    // The kept order came back and is used as it is, not rebuilt.
    CFolder& contacts = Contacts(again);
    ASSERT_TRUE(contacts.m_pIndex);
    ASSERT_EQ(contacts.m_pIndex->m_vOrders.size(), 1u);
    COrderPtr kept = contacts.m_pIndex->m_vOrders[0].m_pOrder;
    EXPECT_EQ(*kept, *byName);
    EXPECT_EQ(FolderOrder(contacts, false, {{tag::DisplayName, false}}), kept);
    EXPECT_EQ(FolderRowCount(contacts, true), 1u);

    // A changed folder keeps no stale order in the next snapshot.
    contacts.m_vItems.pop_back();
    MarkFolderChanged(contacts);
    CStoreFile third;
    ASSERT_TRUE(LoadStoreSnapshot(SaveStoreSnapshot(again), third, err)) << err;
    EXPECT_FALSE(Contacts(third).m_pIndex);
}

TEST(mapi_store_snapshot, refuses_damaged_input_and_leaves_the_store_alone)
{
    CStoreFile f = SeededStore();
    (void)FolderOrder(Contacts(f), false, {{tag::DisplayName, false}});
    const std::string snap = SaveStoreSnapshot(f);
    const std::string before = SaveStoreFile(f);

    // Every truncation fails cleanly, and so does anything after the end.
    for (size_t n = 0; n < snap.size(); ++n)
    {
        CStoreFile g;
        g.m_sProfile = "untouched";
        std::string err;
        ASSERT_FALSE(Load(snap.substr(0, n), g, err)) << n;
        EXPECT_FALSE(err.empty());
        ASSERT_EQ(g.m_sProfile, "untouched");
        ASSERT_TRUE(g.m_vStores.empty());
    }
    std::string err;
    CStoreFile g;
    EXPECT_FALSE(Load(snap + '\0', g, err));
    EXPECT_NE(err.find("after the end"), std::string::npos) << err;

    const struct
    {
        const char* m_szWhat;
        std::string m_sBytes;
        const char* m_szError;
    } cases[] = {
        {"version",
         [&] {
             std::string s = snap;
             s[8] = 9;
             return s;
         }(),
         "version"},
        // The display name "'Anna" as an invalid UTF-8 string (a lone continuation byte).
        {"utf-8",
         [&] {
             std::string s = snap;
             s[Find(s, "'Anna")] = '\x80';
             return s;
         }(),
         "UTF-8"},
        // An overlong form of '/'.
        {"overlong",
         [&] {
             std::string s = snap;
             size_t at = Find(s, "'Anna");
             s[at] = '\xC0';
             s[at + 1] = '\xAF';
             return s;
         }(),
         "UTF-8"},
        // The "Bob" recipient's length inflated past the input.
        {"length",
         [&] {
             std::string s = snap;
             PutU32(s, Find(s, "Bob") - 4, 0x7FFFFFF0);
             return s;
         }(),
         "count"},
        // Item 501 given the id of item 500.
        {"duplicate id",
         [&] {
             std::string s = snap;
             std::string id501("\xF5\x01\0\0", 4);
             PutU32(s, Find(s, id501), 500);
             return s;
         }(),
         "twice"},
    };
    for (const auto& c : cases)
    {
        CStoreFile h = SeededStore();
        std::string e;
        EXPECT_FALSE(Load(c.m_sBytes, h, e)) << c.m_szWhat;
        EXPECT_NE(e.find(c.m_szError), std::string::npos) << c.m_szWhat << " -> " << e;
        EXPECT_EQ(SaveStoreFile(h), before) << c.m_szWhat;
    }
}

TEST(mapi_store_snapshot, kept_order_must_be_an_order_of_the_rows)
{
    CStoreFile f = SeededStore();
    COrderPtr byName = FolderOrder(Contacts(f), false, {{tag::DisplayName, false}});
    ASSERT_EQ(byName->size(), 3u);
    std::string snap = SaveStoreSnapshot(f);
    // The order as written: one order, normal items, the portable collation, one key ascending,
    // three rows, then the rows.
    std::string order(34, '\0');
    PutU32(order, 0, 1);
    PutU32(order, 9, 1);
    PutU32(order, 13, tag::DisplayName);
    PutU32(order, 18, 3);
    for (size_t i = 0; i < 3; ++i)
        PutU32(order, 22 + 4 * i, (*byName)[i]);
    const size_t at = snap.find(order);
    ASSERT_NE(at, std::string::npos);
    CStoreFile ok;
    std::string okErr;
    ASSERT_TRUE(Load(snap, ok, okErr)) << okErr;
    for (uint32_t bad : {0u, 3u, 0xFFFFFFFFu})
    {
        std::string s = snap;
        PutU32(s, at + 30, bad == 0 ? (*byName)[0] : bad);
        CStoreFile g;
        std::string err;
        EXPECT_FALSE(Load(s, g, err)) << bad;
        EXPECT_NE(err.find("kept order"), std::string::npos) << err;
    }
}

TEST(mapi_store_snapshot, generated_contacts)
{
    CStoreFile f = MakeDefaultStoreFile();
    CFolder& contacts = Contacts(f);
    SeedContacts(f, contacts, 2000);
    ASSERT_EQ(contacts.m_vItems.size(), 2000u);
    const uint32_t idType = f.IdOfName({GuidAddress(), false, kLidEmail1AddrType, {}}, false);
    const uint32_t idAddress = f.IdOfName({GuidAddress(), false, kLidEmail1Address, {}}, false);
    const uint32_t idOriginal = f.IdOfName({GuidAddress(), false, kLidEmail1OriginalEntryId, {}}, false);
    ASSERT_TRUE(idType && idAddress && idOriginal);

    size_t apostrophes = 0, hyphens = 0, leading = 0, unsortedPairs = 0;
    std::vector<uint32_t> ids;
    for (size_t i = 0; i < contacts.m_vItems.size(); ++i)
    {
        const CPropList& p = contacts.m_vItems[i].m_props;
        ids.push_back(contacts.m_vItems[i].m_uId);
        const std::string name = GetString(p, tag::DisplayName);
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(GetString(p, tag::MessageClass), "IPM.Contact");
        EXPECT_FALSE(GetString(p, tag::GivenName).empty());
        EXPECT_FALSE(GetString(p, tag::Surname).empty());
        EXPECT_EQ(GetString(p, tag::Mobile).rfind("+447700", 0), 0u);
        EXPECT_EQ(GetString(p, MakeTag(kPtUnicode, idType)), "SMTP");
        const std::string address = GetString(p, MakeTag(kPtUnicode, idAddress));
        EXPECT_NE(address.find('@'), std::string::npos);
        // The original entry id is a one-off entry id naming the same address.
        const CPropValue* eid = FindProp(p, MakeTag(kPtBinary, idOriginal));
        ASSERT_NE(eid, nullptr);
        ASSERT_GT(eid->m_bValue.size(), 24u);
        EXPECT_EQ(eid->m_bValue[4], 0x81);
        EXPECT_EQ(eid->m_bValue[19], 0x02);
        std::string tail;
        for (size_t k = eid->m_bValue.size() - 2 * (address.size() + 1); k + 2 < eid->m_bValue.size(); k += 2)
            tail.push_back(static_cast<char>(eid->m_bValue[k]));
        EXPECT_EQ(tail, address);
        apostrophes += name.find('\'') != std::string::npos;
        hyphens += name.find('-') != std::string::npos;
        leading += name[0] == '\'' || name[0] == '-';
        if (i > 0 && PortableCompare(GetString(contacts.m_vItems[i - 1].m_props, tag::DisplayName), name) > 0)
            ++unsortedPairs;
    }
    EXPECT_GT(apostrophes, 20u);
    EXPECT_GT(hyphens, 20u);
    EXPECT_GT(leading, 5u);
    EXPECT_GT(unsortedPairs, 500u) << "names come in no order";
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_GT(f.m_uNextId, ids.back());

    // The same seed gives the same contacts; the folder reads back from its snapshot.
    CStoreFile other = MakeDefaultStoreFile();
    SeedContacts(other, Contacts(other), 2000);
    EXPECT_EQ(Contacts(other).m_vItems[1999].m_props, contacts.m_vItems[1999].m_props);
    CStoreFile again;
    std::string err;
    ASSERT_TRUE(LoadStoreSnapshot(SaveStoreSnapshot(f), again, err)) << err;
    EXPECT_EQ(SaveStoreFile(again), SaveStoreFile(f));
}

TEST(mapi_store_snapshot, json_folder_may_hold_more_than_100000_items)
{
    std::string text =
        R"({"stores": [{"name": "P", "default": true, "root": {"folders": [{"name": "Big", "messages": [)";
    const size_t n = 100001;
    for (size_t i = 0; i < n; ++i)
        text += i ? ",{}" : "{}";
    text += "]}]}}]}";
    CStoreFile f;
    std::string err;
    ASSERT_TRUE(LoadStoreFile(text, f, err)) << err;
    EXPECT_EQ(f.DefaultStore()->m_root.m_vFolders[0]->m_vItems.size(), n);
    // Other lists keep their limit.
    std::string names = R"({"stores": [{"root": {"props": [{"tag": "0x66041003", "value": [)";
    for (size_t i = 0; i < 100001; ++i)
        names += i ? ",1" : "1";
    names += "]}]}}]}";
    EXPECT_FALSE(LoadStoreFile(names, f, err));
    EXPECT_NE(err.find("too many"), std::string::npos) << err;
}
