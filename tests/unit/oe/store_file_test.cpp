// tests/unit/oe/store_file_test.cpp: the index tree walk and the indexed records on files laid out
// byte by byte, every structural check, and the Inbox lookup in a folder index written by the mail
// client stand-in.
#include "Addressbook/oe/store_file.h"
#include "standins/oe/store/dbx_file.h"
#include "tests/unit/oe/oe_test_support.h"

#include <gtest/gtest.h>

using oetest::CNode;
using oetest::CNodeEntry;

namespace
{
constexpr uint32_t kRoot = 0x400;
constexpr uint32_t kLeft = 0x800;
constexpr uint32_t kRight = 0xC00;

// Root holding 20 and 40, its left child 10, and the child after 20 holding 30 and 35: in order
// 10 20 30 35 40.
std::vector<CNode> GoodTree()
{
    CNode root{kRoot, 0, kLeft, 1, {{20, kRight, 2}, {40, 0, 0}}};
    CNode left{kLeft, kRoot, 0, 0, {{10, 0, 0}}};
    CNode right{kRight, kRoot, 0, 0, {{30, 0, 0}, {35, 0, 0}}};
    return {root, left, right};
}

std::string IndexError(const std::vector<uint8_t>& p_vBytes, uint32_t p_dwRoot, uint32_t p_dwCount)
{
    oe::CMemoryStoreFile file(p_vBytes);
    std::vector<uint32_t> values;
    std::string error;
    if (oe::ReadIndex(file, p_dwRoot, p_dwCount, values, error))
        return "read";
    EXPECT_TRUE(values.empty()) << "no partial index is handed out";
    return error;
}
} // namespace

TEST(StoreIndex, InOrderWalk)
{
    oe::CMemoryStoreFile file(oetest::StoreFile(0x1000, 5, kRoot, GoodTree()));
    std::vector<uint32_t> values;
    std::string error;
    ASSERT_TRUE(oe::ReadIndex(file, kRoot, 5, values, error)) << error;
    EXPECT_EQ(values, (std::vector<uint32_t>{10, 20, 30, 35, 40}));
}

TEST(StoreIndex, StructuralChecks)
{
    std::vector<CNode> tree = GoodTree();
    const auto with = [&](auto change) {
        std::vector<CNode> nodes = GoodTree();
        change(nodes);
        return oetest::StoreFile(0x1000, 5, kRoot, nodes);
    };
    EXPECT_EQ(IndexError(with([](std::vector<CNode>& n) { n[2].m_iEntryCount = 52; }), kRoot, 5),
              "Wrong value for entries !");
    EXPECT_EQ(IndexError(with([](std::vector<CNode>& n) { n[1].m_dwMarker = 0x801; }), kRoot, 5),
              "Wrong object marker !");
    EXPECT_EQ(IndexError(with([](std::vector<CNode>& n) { n[2].m_dwParent = kLeft; }), kRoot, 5), "Wrong parent !");
    // A child that holds fewer values than its parent says.
    EXPECT_EQ(IndexError(with([](std::vector<CNode>& n) { n[0].m_vEntries[0].m_dwChildCount = 3; }), kRoot, 6),
              "Wrong number of values found!");
    // The header promises more values than the nodes deliver.
    EXPECT_EQ(IndexError(oetest::StoreFile(0x1000, 6, kRoot, tree), kRoot, 6), "Wrong number of values found!");
    // A child count that runs past the header's total.
    EXPECT_EQ(IndexError(with([](std::vector<CNode>& n) { n[0].m_dwLeftCount = 9; }), kRoot, 5),
              "To many values to read !");
    // More values in the nodes than the header's total.
    EXPECT_EQ(IndexError(oetest::StoreFile(0x1000, 4, kRoot, tree), kRoot, 4), "To many values !");
    EXPECT_EQ(IndexError(oetest::StoreFile(0x1000, 5, 0x2000, tree), 0x2000, 5), "Seek failed");
    EXPECT_EQ(IndexError(oetest::StoreFile(0xD00, 5, kRoot, tree), kRoot, 5), "Read failed")
        << "a node cut short by the end of the file";
    EXPECT_EQ(IndexError(oetest::StoreFile(0x1000, 0x7FFFFFFF, kRoot, tree), kRoot, 0x7FFFFFFF),
              "Failed to Allocate Buffer");
}

TEST(StoreIndex, HostileTreesEndWithoutLoopingOrOverreading)
{
    // The same empty child named by every entry of every node would be visited 51^n times.
    CNode root{kRoot, 0, 0, 0, {}};
    for (int i = 0; i < 51; ++i)
        root.m_vEntries.push_back(CNodeEntry{0, kLeft, 0});
    CNode child{kLeft, kRoot, 0, 0, {}};
    EXPECT_EQ(IndexError(oetest::StoreFile(0x1000, 1, kRoot, {root, child}), kRoot, 1), "Node reached twice !");

    // A chain of nodes each the left child of the one before, deeper than any real tree.
    std::vector<CNode> chain;
    const uint32_t first = 0x1000;
    const uint32_t step = static_cast<uint32_t>(oe::kNodeSize);
    for (uint32_t i = 0; i < 80; ++i)
        chain.push_back(CNode{
            first + step * i, i == 0 ? 0 : first + step * (i - 1), i + 1 < 80 ? first + step * (i + 1) : 0, 0, {}});
    const std::vector<uint8_t> bytes = oetest::StoreFile(first + step * 80, 0, first, chain);
    EXPECT_EQ(IndexError(bytes, first, 0), "Tree too deep !");
}

TEST(StoreRecord, DirectAndIndirectFieldLengths)
{
    std::vector<uint8_t> bytes(0x200, 0);
    // Field 3 text at data offset 0, field 9 direct, field 5 at offset 8 (runs to 12), field 7 at
    // offset 12 to the block's end (data area of 16 bytes).
    const std::vector<uint8_t> data = {'I', 'n', 'b', 'o', 'x', '.', 0, 0, 0x2A, 0x01, 0xEE, 0xEE, 0x05, 0x00, 0, 0};
    oetest::PutRecord(bytes, 0x40,
                      {oetest::Indirect(3, 0), oetest::Direct(9, 1), oetest::Indirect(5, 8), oetest::Indirect(7, 12)},
                      data);
    oe::CMemoryStoreFile file(bytes);
    oe::CIndexedRecord record;
    std::string error;
    ASSERT_TRUE(oe::ReadRecord(file, 0x40, record, error)) << error;
    EXPECT_TRUE(record.m_aFields[9].m_bDirect);
    EXPECT_EQ(record.m_aFields[9].m_dwLength, 3u);
    EXPECT_EQ(record.Number(9), 1u);
    EXPECT_EQ(record.m_aFields[3].m_dwLength, 8u);
    EXPECT_EQ(record.Text(3), "Inbox.");
    EXPECT_EQ(record.m_aFields[5].m_dwLength, 4u);
    EXPECT_EQ(record.Number(5), 0xEEEE012Au);
    EXPECT_EQ(record.m_aFields[7].m_dwLength, 4u);
    EXPECT_FALSE(record.Has(4));
    EXPECT_EQ(record.Number(4), 0u);

    // A field shorter than four bytes gives only its own bytes.
    oetest::PutRecord(bytes, 0x100, {oetest::Indirect(1, 0), oetest::Indirect(2, 2)}, {0x34, 0x12, 0xFF, 0xFF});
    ASSERT_TRUE(oe::ReadRecord(file = oe::CMemoryStoreFile(bytes), 0x100, record, error)) << error;
    EXPECT_EQ(record.Number(1), 0x1234u);
}

TEST(StoreRecord, RejectedRecords)
{
    const auto error = [](const std::vector<uint32_t>& p_vIndex, const std::vector<uint8_t>& p_vData,
                          size_t p_nFileSize = 0x200, int p_iSizeDelta = 0) {
        std::vector<uint8_t> bytes(p_nFileSize, 0);
        oetest::PutRecord(bytes, 0x40, p_vIndex, p_vData);
        oetest::Put32(bytes, 0x44, static_cast<uint32_t>(p_vIndex.size() * 4 + p_vData.size() + p_iSizeDelta));
        oe::CMemoryStoreFile file(bytes);
        oe::CIndexedRecord record;
        std::string text;
        return oe::ReadRecord(file, 0x40, record, text) ? std::string("read") : text;
    };
    EXPECT_EQ(error({oetest::Indirect(48, 0)}, {0}), "Failed to read indexed info: Index too big !");
    EXPECT_EQ(error({oetest::Direct(47, 5)}, {}), "read");
    EXPECT_EQ(error({oetest::Indirect(3, 5)}, {0, 0}), "Failed to read indexed info: value beyond the block");
    EXPECT_EQ(error({oetest::Indirect(3, 2), oetest::Indirect(4, 1)}, {0, 0, 0}),
              "Failed to read indexed info: values out of order");
    EXPECT_EQ(error({oetest::Indirect(3, 0)}, {0}, 0x60, 0x100), "Failed to read indexed info: block beyond the file");
    EXPECT_EQ(error({oetest::Indirect(3, 0), oetest::Indirect(4, 0)}, {}, 0x200, -8),
              "Failed to read indexed info: index beyond the block");

    std::vector<uint8_t> bytes(0x200, 0);
    oetest::PutRecord(bytes, 0x40, {}, {});
    oe::CMemoryStoreFile file(bytes);
    oe::CIndexedRecord record;
    std::string text;
    EXPECT_FALSE(oe::ReadRecord(file, 0x44, record, text));
    EXPECT_EQ(text, "Failed to read indexed info: Wrong object marker !");
    EXPECT_FALSE(oe::ReadRecord(file, 0x1FC, record, text)) << "a header past the end of the file";
}

TEST(StoreInbox, FoundInTheStandInsFolderIndex)
{
    std::vector<oestore::CFolderRecord> folders = oestore::DefaultFolders();
    // Enough user folders that the tree needs more than one node.
    for (int i = 0; i < 120; ++i)
        folders.push_back(oestore::NewUserFolder(folders, "Folder " + std::to_string(i)));
    std::string inbox;
    for (const oestore::CFolderRecord& folder : folders)
    {
        if (folder.m_nSpecial == oestore::kSpecialInbox)
            inbox = folder.m_sFileName;
    }
    ASSERT_FALSE(inbox.empty());
    oe::CMemoryStoreFile file(oestore::BuildFoldersFile(folders));
    std::string name;
    std::string error;
    ASSERT_TRUE(oe::FindInboxFileName(file, name, error)) << error;
    EXPECT_EQ(name, inbox);

    // Without an Inbox record, and with a header that names no tree.
    folders.erase(folders.begin(), folders.begin() + 3);
    for (oestore::CFolderRecord& folder : folders)
        folder.m_nSpecial = folder.m_nSpecial == oestore::kSpecialInbox ? oestore::kSpecialNone : folder.m_nSpecial;
    oe::CMemoryStoreFile noInbox(oestore::BuildFoldersFile(folders));
    EXPECT_FALSE(oe::FindInboxFileName(noInbox, name, error));
    oe::CMemoryStoreFile empty(std::vector<uint8_t>(0x400, 0));
    EXPECT_FALSE(oe::FindInboxFileName(empty, name, error));
    oe::CMemoryStoreFile tiny(std::vector<uint8_t>(0x10, 0));
    EXPECT_FALSE(oe::FindInboxFileName(tiny, name, error));
    EXPECT_EQ(error, "Got too few bytes");
}
