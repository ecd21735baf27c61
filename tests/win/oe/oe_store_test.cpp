// tests/win/oe/oe_store_test.cpp: the store the stand-in writes at start, read back through a walk of
// the indexed-tree layout written here from the layout's description alone; and the stand-in's own
// index reader on damaged files.
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/dbx_file.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <stdexcept>

namespace
{
uint32_t At32(const std::vector<uint8_t>& p_vFile, size_t p_nAt)
{
    if (p_nAt + 4 > p_vFile.size())
        throw std::out_of_range("read past the end");
    return p_vFile[p_nAt] | p_vFile[p_nAt + 1] << 8 | p_vFile[p_nAt + 2] << 16 | uint32_t(p_vFile[p_nAt + 3]) << 24;
}

// In-order walk of one node: left child, then each entry's value followed by its child.
void WalkNode(const std::vector<uint8_t>& p_vFile, uint32_t p_nParent, uint32_t p_nNode, uint32_t p_nCount,
              std::vector<uint32_t>& p_vValues)
{
    ASSERT_EQ(At32(p_vFile, p_nNode), p_nNode) << "object marker";
    ASSERT_EQ(At32(p_vFile, p_nNode + 12), p_nParent) << "parent";
    const unsigned entries = p_vFile.at(p_nNode + 17);
    ASSERT_LE(entries, 51u);
    const size_t before = p_vValues.size();
    if (const uint32_t left = At32(p_vFile, p_nNode + 8); left != 0)
        WalkNode(p_vFile, p_nNode, left, At32(p_vFile, p_nNode + 20), p_vValues);
    for (unsigned i = 0; i < entries; ++i)
    {
        const size_t entry = p_nNode + 24 + 12 * i;
        if (const uint32_t value = At32(p_vFile, entry); value != 0)
            p_vValues.push_back(value);
        if (const uint32_t child = At32(p_vFile, entry + 4); child != 0)
            WalkNode(p_vFile, p_nNode, child, At32(p_vFile, entry + 8), p_vValues);
    }
    ASSERT_EQ(p_vValues.size() - before, p_nCount) << "values below node " << p_nNode;
}

struct CWalkedRecord
{
    std::map<unsigned, uint32_t> m_mNumbers;
    std::map<unsigned, std::string> m_mTexts;
};

// A record's fields: direct ones hold three bytes in the index entry; an indirect one runs from its
// offset in the data area to the next indirect field's offset, the last to the end of the block.
CWalkedRecord WalkRecord(const std::vector<uint8_t>& p_vFile, uint32_t p_nAt)
{
    CWalkedRecord record;
    EXPECT_EQ(At32(p_vFile, p_nAt), p_nAt) << "record marker";
    const uint32_t size = At32(p_vFile, p_nAt + 4);
    const unsigned count = p_vFile.at(p_nAt + 10);
    const size_t area = p_nAt + 12 + 4 * count;
    const size_t end = p_nAt + 12 + size;
    std::vector<std::pair<unsigned, size_t>> indirect;
    for (unsigned i = 0; i < count; ++i)
    {
        const uint32_t entry = At32(p_vFile, p_nAt + 12 + 4 * i);
        EXPECT_LT(entry & 0x7F, 48u);
        if (entry & 0x80)
            record.m_mNumbers[entry & 0x7F] = entry >> 8;
        else
            indirect.emplace_back(entry & 0x7F, area + (entry >> 8));
    }
    for (size_t i = 0; i < indirect.size(); ++i)
    {
        const size_t stop = i + 1 < indirect.size() ? indirect[i + 1].second : end;
        std::string text(p_vFile.begin() + indirect[i].second, p_vFile.begin() + stop);
        record.m_mTexts[indirect[i].first] = text.substr(0, text.find('\0'));
    }
    return record;
}

std::vector<CWalkedRecord> WalkFoldersFile(const std::vector<uint8_t>& p_vFile)
{
    std::vector<uint32_t> values;
    const uint32_t count = At32(p_vFile, 0xCC);
    const uint32_t root = At32(p_vFile, 0xEC);
    if (count != 0 && root != 0)
        WalkNode(p_vFile, 0, root, count, values);
    std::vector<CWalkedRecord> records;
    for (const uint32_t value : values)
        records.push_back(WalkRecord(p_vFile, value));
    return records;
}

TEST(OeStore, FoldersWrittenAtStartReadBackThroughTheIndexedTree)
{
    const std::string store = NewTempFolder("oe_store");
    oestandin::COeIdentitySeed seed;
    seed.m_sId = "{3F9C2B10-7A41-4C6D-8E25-61B0D4A7C302}";
    seed.m_sStoreRoot = store;
    ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    ASSERT_NE(run.WaitForBrowser("Outlook Express Browser Class", 15000), nullptr);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));

    const std::vector<CWalkedRecord> records = WalkFoldersFile(ReadBytes(store + "Folders.dbx"));
    ASSERT_EQ(records.size(), 5u);
    int inboxes = 0;
    for (const CWalkedRecord& record : records)
    {
        const std::string file = record.m_mTexts.at(3);
        // Every folder has its file, with the next-message number at 0x5C.
        const std::vector<uint8_t> folder = ReadBytes(store + file);
        ASSERT_GE(folder.size(), 0x60u) << file;
        EXPECT_EQ(At32(folder, 0x5C), 1u) << file;
        if (record.m_mNumbers.count(9) != 0 && record.m_mNumbers.at(9) == 1)
        {
            ++inboxes;
            EXPECT_EQ(file, "Inbox.dbx");
        }
    }
    EXPECT_EQ(inboxes, 1);
}

TEST(OeStore, Version4KeepsTheInboxAsMbxWithItsNumberAtOffset8)
{
    const std::string root = NewTempFolder("oe_store4");
    oestandin::COeIdentitySeed seed;
    seed.m_sStoreRoot = root;
    ASSERT_TRUE(oestandin::SeedIdentity(4, seed));
    std::string folder;
    ASSERT_TRUE(oestandin::CurrentStoreFolder(4, folder));
    EXPECT_EQ(folder, root + "Mail\\");
    std::vector<oestore::CFolderRecord> folders;
    ASSERT_TRUE(oestandin::OpenStore(4, folder, folders));
    const std::vector<uint8_t> inbox = ReadBytes(folder + "Inbox.mbx");
    ASSERT_GE(inbox.size(), 12u);
    EXPECT_EQ(At32(inbox, 8), 1u);
}

TEST(OeStore, LargeIndexesSpreadOverChildNodesAndCreatedFoldersKeepTheirPlace)
{
    const std::string store = NewTempFolder("oe_store_big");
    for (int i = 0; i < 130; ++i)
        ASSERT_TRUE(oestandin::AddStoreFolder(store, "Folder " + std::to_string(i)));
    EXPECT_FALSE(oestandin::AddStoreFolder(store, "folder 7")) << "names are unique regardless of case";
    EXPECT_FALSE(oestandin::AddStoreFolder(store, "..\\outside")) << "a folder name never leaves the store";

    const std::vector<uint8_t> file = ReadBytes(store + "Folders.dbx");
    const uint32_t root = At32(file, 0xEC);
    EXPECT_NE(At32(file, root + 8), 0u) << "135 values need child nodes";
    const std::vector<CWalkedRecord> records = WalkFoldersFile(file);
    ASSERT_EQ(records.size(), 135u);
    EXPECT_EQ(records[0].m_mTexts.at(3), "Inbox.dbx");
    EXPECT_EQ(records[5].m_mTexts.at(2), "Folder 0");
    EXPECT_EQ(records[134].m_mTexts.at(3), "Folder 129.dbx");
    EXPECT_EQ(ReadBytes(store + "Folder 129.dbx").size(), oestore::kFileHeaderSize);

    // A second start reads the index it finds instead of writing the standard one again.
    std::vector<oestore::CFolderRecord> folders;
    ASSERT_TRUE(oestandin::OpenStore(6, store, folders));
    EXPECT_EQ(folders.size(), 135u);
    EXPECT_EQ(ReadBytes(store + "Folders.dbx"), file);
}

// The stand-in's reader of its own index meets damaged files: each is refused without reading
// outside the bytes, and a damaged index is never overwritten.
TEST(OeStore, DamagedIndexesAreRefusedAndLeftAlone)
{
    const std::vector<uint8_t> good = oestore::BuildFoldersFile(oestore::DefaultFolders());
    const uint32_t root = At32(good, 0xEC);
    const uint32_t firstRecord = At32(good, root + 24);
    auto put = [](std::vector<uint8_t> p_vFile, size_t p_nAt, uint32_t p_nValue) {
        for (int i = 0; i < 4; ++i)
            p_vFile[p_nAt + i] = static_cast<uint8_t>(p_nValue >> (8 * i));
        return p_vFile;
    };
    std::vector<uint8_t> entries52 = good;
    entries52[root + 17] = 52;
    std::vector<uint8_t> bigField = good;
    bigField[firstRecord + 12] = 48 | 0x80;
    const struct
    {
        const char* m_szCase;
        std::vector<uint8_t> m_vFile;
        oestore::EDbxRead m_eExpected;
    } cases[] = {
        {"cut inside the root node", std::vector<uint8_t>(good.begin(), good.begin() + root + 100),
         oestore::EDbxRead::Truncated},
        {"root marker", put(good, root, root + 4), oestore::EDbxRead::WrongMarker},
        {"root names a parent", put(good, root + 12, 64), oestore::EDbxRead::WrongParent},
        {"52 entries", entries52, oestore::EDbxRead::WrongEntries},
        {"more values claimed", put(good, 0xCC, 6), oestore::EDbxRead::WrongCount},
        {"count beyond the file", put(good, 0xCC, 0xFFFFFFF0u), oestore::EDbxRead::WrongCount},
        {"field id 48", bigField, oestore::EDbxRead::IndexTooBig},
        {"record size past the end", put(good, firstRecord + 4, 0x7FFFFFFF), oestore::EDbxRead::Truncated},
        {"value past the end", put(good, root + 24, 0x7FFFFFF0), oestore::EDbxRead::Truncated},
    };
    for (const auto& c : cases)
    {
        std::vector<oestore::CFolderRecord> folders;
        EXPECT_EQ(oestore::ReadFoldersFile(c.m_vFile, folders), c.m_eExpected) << c.m_szCase;
    }

    const std::string store = NewTempFolder("oe_store_damaged");
    {
        std::ofstream out(store + "Folders.dbx", std::ios::binary);
        out.write(reinterpret_cast<const char*>(entries52.data()), static_cast<std::streamsize>(entries52.size()));
        ASSERT_TRUE(out.good());
    }
    std::vector<oestore::CFolderRecord> folders;
    EXPECT_TRUE(oestandin::OpenStore(6, store, folders));
    EXPECT_EQ(folders.size(), 5u) << "the standard folders are shown";
    EXPECT_EQ(ReadBytes(store + "Folders.dbx"), entries52);
    EXPECT_FALSE(oestandin::AddStoreFolder(store, "New")) << "nothing is added to an index that cannot be read";
    EXPECT_EQ(ReadBytes(store + "Folders.dbx"), entries52);
}
} // namespace
