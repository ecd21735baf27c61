// tests/unit/mapi/store_journal_test.cpp: the journal of saved messages after a store file's
// document: a store read back with its records equals the store that wrote them, and records cut
// short, damaged or not fitting the store are left out without costing the rest.
#include "standins/mapi/store/store_file.h"
#include "standins/mapi/store/store_journal.h"
#include "standins/mapi/store/store_text.h"

#include <gtest/gtest.h>

using namespace mapistore;

namespace
{
const char kSeed[] = R"({
 "stores": [
  {"name": "Personal Folders", "default": true,
   "root": {"folders": [{"role": "ipm_subtree", "name": "Top of Personal Folders", "folders": [
     {"name": "Calendar", "class": "IPF.Appointment", "role": "calendar", "messages": [
       {"id": 500, "props": [{"tag": "PR_SUBJECT", "value": "Dentist"},
         {"guid": "PSETID_Common", "lid": 34050, "type": "PT_SYSTIME", "value": "2027-03-01T09:45:00Z"}]},
       {"id": 501, "props": [{"tag": "PR_SUBJECT", "value": "Gym"}]}
     ]}]}]}}
 ]
})";

CStoreFile Load(const std::string& p_s)
{
    CStoreFile f;
    std::string err;
    EXPECT_TRUE(LoadStoreAny(p_s, f, err)) << err;
    EnsureStandardFolders(f, true);
    return f;
}

// The store a process holds after loading the seed, and the text of its file.
struct CWriter
{
    CStoreFile m_file = Load(kSeed);
    std::string m_sText = SaveStoreFile(m_file);
    size_t m_nSavedNames = m_file.m_vNames.size();

    CFolder& Calendar()
    {
        return *FindFolderByRole(m_file.DefaultStore()->m_root, "calendar");
    }
    // Saves the item as the provider does: into the store, then one record onto the file.
    std::string Save(const CItem& p_item)
    {
        CFolder& f = Calendar();
        if (CItem* existing = FindItem(m_file.DefaultStore()->m_root, p_item.m_uId).Item())
            *existing = p_item;
        else
            f.m_vItems.push_back(p_item);
        const std::string record =
            FrameJournalRecord(JournalRecordPayload(m_file, *m_file.DefaultStore(), f.m_uId, p_item, m_nSavedNames));
        m_nSavedNames = m_file.m_vNames.size();
        m_sText += record;
        return record;
    }
    CItem Item(uint32_t p_uId)
    {
        return *FindItem(m_file.DefaultStore()->m_root, p_uId).Item();
    }
};

uint32_t NamedTag(CStoreFile& p_file, const char* p_szName, uint32_t p_ulType)
{
    return MakeTag(p_ulType, p_file.IdOfName({GuidPublicStrings(), true, 0, p_szName}, true));
}

// Two saves: a mark under a named property the file does not know yet, and a new message.
CWriter TwoSaves()
{
    CWriter w;
    CItem dentist = w.Item(500);
    SetProp(dentist.m_props, CPropValue::Long(NamedTag(w.m_file, "SmSrEmInDeRdOnEReC", kPtSysTime), 1234567));
    w.Save(dentist);
    CItem added;
    added.m_uId = w.m_file.NewId();
    SetProp(added.m_props, CPropValue::String(tag::Subject, "Added"));
    SetProp(added.m_props, CPropValue::String(NamedTag(w.m_file, "AlsoSendToNumbers", kPtUnicode), "+447700900123"));
    added.m_vRecipients.push_back({CPropValue::String(tag::DisplayName, "Ann"), CPropValue::Long(tag::RowId, 0)});
    w.Save(added);
    return w;
}
} // namespace

TEST(mapi_store_journal, records_read_back_to_the_store_that_wrote_them)
{
    CWriter w = TwoSaves();
    EXPECT_LT(JournalStart(w.m_sText), w.m_sText.size());
    size_t skipped = 99;
    CStoreFile read;
    std::string err;
    ASSERT_TRUE(LoadStoreAny(w.m_sText, read, err, &skipped)) << err;
    EXPECT_EQ(skipped, 0u);
    // Same named-property ids, next id, items and folder places as the writer: its whole file.
    EXPECT_EQ(SaveStoreFile(read), SaveStoreFile(w.m_file));
    EXPECT_EQ(read.m_uNextId, w.m_file.m_uNextId);
    EXPECT_EQ(read.m_vNames, w.m_file.m_vNames);

    // Saving the same item again replaces it: the last record wins, nothing is doubled.
    CItem again = w.Item(500);
    SetProp(again.m_props, CPropValue::String(tag::Subject, "Dentist, moved"));
    w.Save(again);
    CStoreFile twice = Load(w.m_sText);
    EXPECT_EQ(SaveStoreFile(twice), SaveStoreFile(w.m_file));
    EXPECT_EQ(GetString(FindItem(twice.DefaultStore()->m_root, 500).Item()->m_props, tag::Subject), "Dentist, moved");
}

TEST(mapi_store_journal, a_torn_or_damaged_record_is_left_out_and_the_others_kept)
{
    CWriter w;
    CItem gym = w.Item(501);
    SetProp(gym.m_props, CPropValue::String(tag::Subject, "Gym at six"));
    const std::string before = w.m_sText;
    const std::string first = w.Save(gym);
    const std::string whole = w.m_sText;

    // Cut at every length: the record is either all there or not applied; the load never fails.
    for (size_t cut = 1; cut < first.size(); ++cut)
    {
        size_t skipped = 0;
        CStoreFile f;
        std::string err;
        ASSERT_TRUE(LoadStoreAny(whole.substr(0, before.size() + cut), f, err, &skipped)) << cut << ": " << err;
        EXPECT_EQ(skipped, 1u) << cut;
        EXPECT_EQ(GetString(FindItem(f.DefaultStore()->m_root, 501).Item()->m_props, tag::Subject), "Gym") << cut;
    }

    // A writer that appends after a torn record (it knew the file as it was) is still read.
    CItem dentist = w.Item(500);
    SetProp(dentist.m_props, CPropValue::String(tag::Subject, "Dentist at nine"));
    const std::string second = FrameJournalRecord(
        JournalRecordPayload(w.m_file, *w.m_file.DefaultStore(), w.Calendar().m_uId, dentist, w.m_nSavedNames));
    const std::string torn = before + first.substr(0, first.size() / 2) + second;
    CStoreFile f = Load(torn);
    EXPECT_EQ(GetString(FindItem(f.DefaultStore()->m_root, 500).Item()->m_props, tag::Subject), "Dentist at nine");
    EXPECT_EQ(GetString(FindItem(f.DefaultStore()->m_root, 501).Item()->m_props, tag::Subject), "Gym");

    // A changed byte fails the checksum; a length past the end or not a number is no record.
    std::string flipped = whole;
    flipped[whole.size() - 5] ^= 0x01;
    std::string longer = whole;
    longer.insert(before.size() + 6, "9");
    std::string garbage = before +
                          "\x1E"
                          "BVJ1 x 00\n{}\n" +
                          "\x1E"
                          "BVJ1 99999999999999999999999 0\n";
    for (const std::string& damaged : {flipped, longer, garbage})
    {
        size_t skipped = 0;
        CStoreFile g;
        std::string err;
        ASSERT_TRUE(LoadStoreAny(damaged, g, err, &skipped)) << err;
        EXPECT_GE(skipped, 1u);
        EXPECT_EQ(GetString(FindItem(g.DefaultStore()->m_root, 501).Item()->m_props, tag::Subject), "Gym");
    }
}

// A message made but not saved yet takes an id (and perhaps names) every process must know of: its
// record carries just those, and a reader gives out neither again.
TEST(mapi_store_journal, an_ids_record_reserves_ids_and_names_for_every_reader)
{
    CWriter w;
    const uint32_t taken = w.m_file.NewId();
    const uint32_t named = NamedTag(w.m_file, "ReservedHere", kPtUnicode);
    w.m_sText += FrameJournalRecord(IdsRecordPayload(w.m_file, w.m_nSavedNames));
    CStoreFile read = Load(w.m_sText);
    EXPECT_GT(read.m_uNextId, taken);
    EXPECT_EQ(read.m_vNames, w.m_file.m_vNames);
    EXPECT_EQ(NamedTag(read, "ReservedHere", kPtUnicode), named);
    EXPECT_EQ(SaveStoreFile(read), SaveStoreFile(w.m_file)) << "nothing but the ids changed";

    // The message is saved under the id it took, after its ids record, and another one after it.
    for (uint32_t id : {taken, 0u})
    {
        CItem made;
        made.m_uId = id != 0 ? id : w.m_file.NewId();
        if (id == 0)
            w.m_sText += FrameJournalRecord(IdsRecordPayload(w.m_file, w.m_nSavedNames));
        SetProp(made.m_props, CPropValue::String(tag::Subject, "Made " + std::to_string(made.m_uId)));
        w.Save(made);
    }
    read = Load(w.m_sText);
    EXPECT_EQ(SaveStoreFile(read), SaveStoreFile(w.m_file));

    // A record of an unknown kind, or an ids record that carries more, is refused whole.
    const size_t names = w.m_file.m_vNames.size();
    for (const std::string& p :
         {std::string("{\"kind\":\"folders\",\"nextId\":5,\"namesFrom\":0,\"names\":[]}"),
          "{\"kind\":\"ids\",\"nextId\":5,\"namesFrom\":" + std::to_string(names) + ",\"names\":[],\"item\":{}}",
          "{\"kind\":\"ids\",\"nextId\":5,\"namesFrom\":" + std::to_string(names + 1) + ",\"names\":[]}"})
    {
        CStoreFile f = Load(kSeed);
        std::string err;
        EXPECT_FALSE(ApplyJournalRecord(p, f, err)) << p;
        EXPECT_FALSE(err.empty());
    }
}

TEST(mapi_store_journal, records_that_do_not_fit_the_store_are_refused_whole)
{
    CWriter w;
    const uint32_t calendar = w.Calendar().m_uId;
    auto payload = [&](const std::string& p_sStore, uint32_t p_uFolder, uint32_t p_uItem, const std::string& p_sNames,
                       size_t p_nFrom) {
        return "{\"store\":\"" + p_sStore + "\",\"folder\":" + std::to_string(p_uFolder) +
               ",\"nextId\":1,\"namesFrom\":" + std::to_string(p_nFrom) + ",\"names\":" + p_sNames +
               ",\"associated\":false,\"item\":{\"id\":" + std::to_string(p_uItem) +
               ",\"props\":[{\"tag\":\"PR_SUBJECT\",\"value\":\"x\"}]}}";
    };
    const std::string uid = ToHex(w.m_file.DefaultStore()->m_uid);
    const std::string name = "[{\"guid\":\"{00020329-0000-0000-C000-000000000046}\",\"name\":\"Other\"}]";
    const size_t names = w.m_file.m_vNames.size();
    const std::string cases[] = {
        payload("00112233445566778899AABBCCDDEEFF", calendar, 900, "[]", names), // no such store
        payload(uid, 77777, 900, "[]", names),                                   // no such folder
        payload(uid, calendar, calendar, "[]", names),                           // an item id that is a folder's
        payload(uid, calendar, 900, "[]", names + 1),                            // names beyond the store's
        payload(uid, calendar, 900, name, 0),                                    // another name at index 0
        payload(uid, calendar, 0, "[]", names),                                  // no item id
        "{\"store\":1}",
        "[1,2]",
        "not json",
    };
    for (const std::string& p : cases)
    {
        CStoreFile f = Load(kSeed);
        const std::string saved = SaveStoreFile(f);
        std::string err;
        EXPECT_FALSE(ApplyJournalRecord(p, f, err)) << p;
        EXPECT_FALSE(err.empty());
        EXPECT_EQ(SaveStoreFile(f), saved) << "unchanged by " << p;
    }
    // The same shape with what fits is applied.
    CStoreFile f = Load(kSeed);
    std::string err;
    EXPECT_TRUE(ApplyJournalRecord(payload(uid, calendar, 900, "[]", names), f, err)) << err;
    EXPECT_NE(FindItem(f.DefaultStore()->m_root, 900).Item(), nullptr);
    EXPECT_GT(f.m_uNextId, 900u);
}
