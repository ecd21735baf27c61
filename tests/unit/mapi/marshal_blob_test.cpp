// tests/unit/mapi/marshal_blob_test.cpp: the form a stand-in object is handed to another process in:
// what is written reads back, and what the receiving process must refuse (another format, lengths
// past the limits or past the bytes, a path with a NUL, a session with an entry id) is refused.
#include "standins/mapi/provider/marshal_blob.h"

#include <gtest/gtest.h>

using namespace mapiprov;

namespace
{
CMarshalTarget Entry()
{
    CMarshalTarget t;
    t.m_kind = EMarshalKind::Entry;
    t.m_bWritable = true;
    t.m_sStorePath = "Z:\\work\\prefix.mapi-store.json";
    t.m_vEntry.assign(32, 0xAB);
    return t;
}

void PutU32(std::vector<uint8_t>& p_blob, size_t p_at, uint32_t p_u)
{
    for (int i = 0; i < 4; ++i)
        p_blob[p_at + i] = static_cast<uint8_t>(p_u >> (8 * i));
}
} // namespace

TEST(MarshalBlob, WhatIsWrittenReadsBackForSessionsAndEntries)
{
    CMarshalTarget session;
    session.m_sStorePath = "C:\\users\\Ann\\store.json";
    for (const CMarshalTarget& t : {session, Entry()})
    {
        const std::vector<uint8_t> blob = WriteMarshalBlob(t);
        ASSERT_FALSE(blob.empty());
        EXPECT_EQ(MarshalBlobSize(blob.data(), kMarshalHeaderSize) + t.m_vEntry.size(), blob.size());
        CMarshalTarget back;
        ASSERT_TRUE(ReadMarshalBlob(blob.data(), blob.size(), back));
        EXPECT_EQ(back.m_kind, t.m_kind);
        EXPECT_EQ(back.m_bWritable, t.m_bWritable);
        EXPECT_EQ(back.m_sStorePath, t.m_sStorePath);
        EXPECT_EQ(back.m_vEntry, t.m_vEntry);
    }
}

TEST(MarshalBlob, TargetsOutsideTheLimitsAreNotWritten)
{
    CMarshalTarget t = Entry();
    t.m_sStorePath.clear();
    EXPECT_TRUE(WriteMarshalBlob(t).empty()) << "no store file";
    t = Entry();
    t.m_sStorePath.assign(kMarshalMaxPath + 1, 'x');
    EXPECT_TRUE(WriteMarshalBlob(t).empty());
    t = Entry();
    t.m_vEntry.assign(kMarshalMaxEntry + 1, 1);
    EXPECT_TRUE(WriteMarshalBlob(t).empty());
    t = Entry();
    t.m_vEntry.clear();
    EXPECT_TRUE(WriteMarshalBlob(t).empty()) << "an entry without its id";
    t.m_kind = EMarshalKind::Session;
    t.m_vEntry.assign(4, 1);
    EXPECT_TRUE(WriteMarshalBlob(t).empty()) << "a session with an entry id";
}

TEST(MarshalBlob, DamagedOrForeignBytesAreRefused)
{
    const std::vector<uint8_t> good = WriteMarshalBlob(Entry());
    const size_t pathAt = kMarshalHeaderSize, entryLengthAt = kMarshalHeaderSize + Entry().m_sStorePath.size();
    CMarshalTarget out;
    const auto refused = [&](std::vector<uint8_t> p_blob, const char* p_szWhy) {
        EXPECT_FALSE(ReadMarshalBlob(p_blob.data(), p_blob.size(), out)) << p_szWhy;
    };
    std::vector<uint8_t> b = good;
    b[0] = 'X';
    refused(b, "another format");
    b = good;
    PutU32(b, 8, 3);
    refused(b, "an unknown kind");
    b = good;
    PutU32(b, 12, 2);
    refused(b, "unknown flags");
    b = good;
    PutU32(b, 16, static_cast<uint32_t>(kMarshalMaxPath + 1));
    refused(b, "a path longer than the limit");
    EXPECT_EQ(MarshalBlobSize(b.data(), b.size()), 0u);
    b = good;
    PutU32(b, 16, 0xFFFFFFF0u);
    refused(b, "a path length that wraps");
    b = good;
    PutU32(b, entryLengthAt, 33);
    refused(b, "an entry id longer than the bytes");
    b = good;
    PutU32(b, entryLengthAt, static_cast<uint32_t>(kMarshalMaxEntry + 1));
    refused(b, "an entry id longer than the limit");
    b = good;
    b.push_back(0);
    refused(b, "bytes after the blob");
    b = good;
    b[pathAt + 3] = 0;
    refused(b, "a NUL inside the path");
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(ReadMarshalBlob(good.data(), n, out)) << "cut at " << n;
    EXPECT_FALSE(ReadMarshalBlob(nullptr, 0, out));
}
