// standins/oe/store/dbx_file.cpp: writing and reading the indexed-tree store files.
#include "standins/oe/store/dbx_file.h"

#include <algorithm>

namespace oestore
{
namespace
{
constexpr uint8_t kDirectBit = 0x80;
constexpr size_t kRecordHeader = 12;
constexpr size_t kFieldCount = 48;
// Deeper than any tree BuildFoldersFile makes; stops a node that names itself as its own child.
constexpr int kMaxDepth = 16;

void Put32(std::vector<uint8_t>& p_vBytes, size_t p_nAt, uint32_t p_nValue)
{
    for (int i = 0; i < 4; ++i)
        p_vBytes[p_nAt + i] = static_cast<uint8_t>(p_nValue >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& p_vBytes, size_t p_nAt)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(p_vBytes[p_nAt + i]) << (8 * i);
    return value;
}

std::vector<uint8_t> EmptyStoreFile()
{
    return std::vector<uint8_t>(kFileHeaderSize, 0);
}

// Appends one record: numbers direct in their index entries, texts zero-terminated in the data area
// in index order, so that each text's length runs to the next one.
uint32_t AppendRecord(std::vector<uint8_t>& p_vBytes, const CFolderRecord& p_oFolder)
{
    std::vector<uint32_t> index;
    std::vector<uint8_t> data;
    auto direct = [&](uint8_t p_nField, uint32_t p_nValue) {
        index.push_back(p_nField | kDirectBit | ((p_nValue & 0xFFFFFFu) << 8));
    };
    auto text = [&](uint8_t p_nField, const std::string& p_sText) {
        index.push_back(p_nField | (static_cast<uint32_t>(data.size()) << 8));
        data.insert(data.end(), p_sText.begin(), p_sText.end());
        data.push_back(0);
    };
    direct(kFieldFolderId, p_oFolder.m_nId);
    direct(kFieldParentId, p_oFolder.m_nParentId);
    text(kFieldName, p_oFolder.m_sName);
    text(kFieldFileName, p_oFolder.m_sFileName);
    direct(kFieldSpecial, p_oFolder.m_nSpecial);
    data.resize((data.size() + 3) & ~size_t(3), 0);

    const uint32_t at = static_cast<uint32_t>(p_vBytes.size());
    const uint32_t size = static_cast<uint32_t>(index.size() * 4 + data.size());
    p_vBytes.resize(at + kRecordHeader + size, 0);
    Put32(p_vBytes, at, at);
    Put32(p_vBytes, at + 4, size);
    p_vBytes[at + 10] = static_cast<uint8_t>(index.size());
    for (size_t i = 0; i < index.size(); ++i)
        Put32(p_vBytes, at + kRecordHeader + 4 * i, index[i]);
    std::copy(data.begin(), data.end(), p_vBytes.begin() + at + kRecordHeader + index.size() * 4);
    return at;
}

// A message record: its number as a 4-byte value, its flags direct, its text zero-terminated.
uint32_t AppendRecord(std::vector<uint8_t>& p_vBytes, const CStoredMessage& p_oMessage)
{
    const uint32_t at = static_cast<uint32_t>(p_vBytes.size());
    const size_t textAt = 4;
    const size_t dataSize = (textAt + p_oMessage.m_sText.size() + 1 + 3) & ~size_t(3);
    const uint32_t size = static_cast<uint32_t>(3 * 4 + dataSize);
    p_vBytes.resize(at + kRecordHeader + size, 0);
    Put32(p_vBytes, at, at);
    Put32(p_vBytes, at + 4, size);
    p_vBytes[at + 10] = 3;
    const size_t block = at + kRecordHeader;
    Put32(p_vBytes, block, kFieldMessageId);
    Put32(p_vBytes, block + 4, kFieldMessageFlags | kDirectBit | ((p_oMessage.m_nFlags & 0xFFFFFFu) << 8));
    Put32(p_vBytes, block + 8, kFieldMessageText | static_cast<uint32_t>(textAt << 8));
    Put32(p_vBytes, block + 12, p_oMessage.m_nId);
    std::copy(p_oMessage.m_sText.begin(), p_oMessage.m_sText.end(), p_vBytes.begin() + block + 12 + textAt);
    return at;
}

// Appends the node holding p_vValues[p_nFirst, p_nFirst + p_nCount) and its subtrees. Up to 51
// values fit one node; beyond that the node keeps 51 and spreads the rest evenly over its left
// child and its entries' children.
uint32_t AppendNode(std::vector<uint8_t>& p_vBytes, const std::vector<uint32_t>& p_vValues, size_t p_nFirst,
                    size_t p_nCount, uint32_t p_nParent)
{
    const uint32_t at = static_cast<uint32_t>(p_vBytes.size());
    p_vBytes.resize(at + kNodeSize, 0);
    Put32(p_vBytes, at, at);
    Put32(p_vBytes, at + 12, p_nParent);
    const size_t entries = std::min(p_nCount, kNodeEntries);
    p_vBytes[at + 17] = static_cast<uint8_t>(entries);
    const size_t rest = p_nCount - entries;
    const size_t gaps = entries + 1;
    size_t next = p_nFirst;
    auto subtree = [&](size_t p_nGap, size_t p_nFieldAt, size_t p_nCountAt) {
        const size_t count = rest / gaps + (p_nGap < rest % gaps ? 1 : 0);
        if (count == 0)
            return;
        const uint32_t child = AppendNode(p_vBytes, p_vValues, next, count, at);
        Put32(p_vBytes, p_nFieldAt, child);
        Put32(p_vBytes, p_nCountAt, static_cast<uint32_t>(count));
        next += count;
    };
    subtree(0, at + 8, at + 20);
    for (size_t i = 0; i < entries; ++i)
    {
        const size_t entry = at + 24 + 12 * i;
        Put32(p_vBytes, entry, p_vValues[next++]);
        subtree(i + 1, entry + 4, entry + 8);
    }
    return at;
}

class CTreeReader
{
  public:
    CTreeReader(const std::vector<uint8_t>& p_vBytes, size_t p_nTotal) : m_vBytes(p_vBytes), m_nTotal(p_nTotal)
    {
    }

    EDbxRead ReadNode(uint32_t p_nParent, uint32_t p_nNode, size_t p_nCount, int p_iDepth)
    {
        if (p_iDepth > kMaxDepth)
            return EDbxRead::TooDeep;
        if (m_vValues.size() + p_nCount > m_nTotal)
            return EDbxRead::WrongCount;
        if (p_nNode > m_vBytes.size() || m_vBytes.size() - p_nNode < kNodeSize)
            return EDbxRead::Truncated;
        if (Get32(m_vBytes, p_nNode) != p_nNode)
            return EDbxRead::WrongMarker;
        if (Get32(m_vBytes, p_nNode + 12) != p_nParent)
            return EDbxRead::WrongParent;
        const size_t entries = m_vBytes[p_nNode + 17];
        if (entries > kNodeEntries)
            return EDbxRead::WrongEntries;
        const size_t first = m_vValues.size();
        if (const uint32_t left = Get32(m_vBytes, p_nNode + 8); left != 0)
        {
            if (const EDbxRead r = ReadNode(p_nNode, left, Get32(m_vBytes, p_nNode + 20), p_iDepth + 1);
                r != EDbxRead::Ok)
                return r;
        }
        for (size_t i = 0; i < entries; ++i)
        {
            const size_t entry = p_nNode + 24 + 12 * i;
            if (const uint32_t value = Get32(m_vBytes, entry); value != 0)
            {
                if (m_vValues.size() >= m_nTotal)
                    return EDbxRead::WrongCount;
                m_vValues.push_back(value);
            }
            if (const uint32_t child = Get32(m_vBytes, entry + 4); child != 0)
            {
                if (const EDbxRead r = ReadNode(p_nNode, child, Get32(m_vBytes, entry + 8), p_iDepth + 1);
                    r != EDbxRead::Ok)
                    return r;
            }
        }
        return m_vValues.size() - first == p_nCount ? EDbxRead::Ok : EDbxRead::WrongCount;
    }

    const std::vector<uint32_t>& Values() const
    {
        return m_vValues;
    }

  private:
    const std::vector<uint8_t>& m_vBytes;
    size_t m_nTotal;
    std::vector<uint32_t> m_vValues;
};

struct CField
{
    bool m_bPresent = false;
    size_t m_nAt = 0;
    size_t m_nLength = 0;
};

using CFields = CField[kFieldCount];

// The fields of the record at p_nAt, every offset and length inside the record's data block.
EDbxRead ReadFields(const std::vector<uint8_t>& p_vBytes, uint32_t p_nAt, CFields& p_aFields)
{
    if (p_nAt > p_vBytes.size() || p_vBytes.size() - p_nAt < kRecordHeader)
        return EDbxRead::Truncated;
    if (Get32(p_vBytes, p_nAt) != p_nAt)
        return EDbxRead::WrongMarker;
    const size_t size = Get32(p_vBytes, p_nAt + 4);
    const size_t count = p_vBytes[p_nAt + 10];
    const size_t block = p_nAt + kRecordHeader;
    if (p_vBytes.size() - block < size || size < count * 4)
        return EDbxRead::Truncated;
    const size_t area = block + count * 4;
    const size_t areaEnd = block + size;
    CField* lastIndirect = nullptr;
    for (size_t i = 0; i < count; ++i)
    {
        const uint32_t entry = Get32(p_vBytes, block + 4 * i);
        const size_t id = entry & 0x7F;
        if (id >= kFieldCount)
            return EDbxRead::IndexTooBig;
        CField& field = p_aFields[id];
        field.m_bPresent = true;
        if ((entry & kDirectBit) != 0)
        {
            field.m_nAt = block + 4 * i + 1;
            field.m_nLength = 3;
            continue;
        }
        field.m_nAt = area + (entry >> 8);
        if (field.m_nAt > areaEnd)
            return EDbxRead::Truncated;
        if (lastIndirect != nullptr)
            lastIndirect->m_nLength = field.m_nAt >= lastIndirect->m_nAt ? field.m_nAt - lastIndirect->m_nAt : 0;
        lastIndirect = &field;
    }
    if (lastIndirect != nullptr)
        lastIndirect->m_nLength = areaEnd - lastIndirect->m_nAt;
    return EDbxRead::Ok;
}

uint32_t FieldNumber(const std::vector<uint8_t>& p_vBytes, const CField& p_oField)
{
    uint32_t value = 0;
    for (size_t i = 0; p_oField.m_bPresent && i < std::min<size_t>(p_oField.m_nLength, 4); ++i)
        value |= static_cast<uint32_t>(p_vBytes[p_oField.m_nAt + i]) << (8 * i);
    return value;
}

std::string FieldText(const std::vector<uint8_t>& p_vBytes, const CField& p_oField)
{
    std::string value;
    for (size_t i = 0; p_oField.m_bPresent && i < p_oField.m_nLength && p_vBytes[p_oField.m_nAt + i] != 0; ++i)
        value.push_back(static_cast<char>(p_vBytes[p_oField.m_nAt + i]));
    return value;
}

EDbxRead ReadRecord(const std::vector<uint8_t>& p_vBytes, uint32_t p_nAt, CFolderRecord& p_oFolder)
{
    CFields fields;
    if (const EDbxRead r = ReadFields(p_vBytes, p_nAt, fields); r != EDbxRead::Ok)
        return r;
    p_oFolder.m_nId = FieldNumber(p_vBytes, fields[kFieldFolderId]);
    p_oFolder.m_nParentId = FieldNumber(p_vBytes, fields[kFieldParentId]);
    p_oFolder.m_sName = FieldText(p_vBytes, fields[kFieldName]);
    p_oFolder.m_sFileName = FieldText(p_vBytes, fields[kFieldFileName]);
    p_oFolder.m_nSpecial = FieldNumber(p_vBytes, fields[kFieldSpecial]);
    return EDbxRead::Ok;
}

EDbxRead ReadRecord(const std::vector<uint8_t>& p_vBytes, uint32_t p_nAt, CStoredMessage& p_oMessage)
{
    CFields fields;
    if (const EDbxRead r = ReadFields(p_vBytes, p_nAt, fields); r != EDbxRead::Ok)
        return r;
    p_oMessage.m_nId = FieldNumber(p_vBytes, fields[kFieldMessageId]);
    p_oMessage.m_nFlags = FieldNumber(p_vBytes, fields[kFieldMessageFlags]);
    p_oMessage.m_sText = FieldText(p_vBytes, fields[kFieldMessageText]);
    return EDbxRead::Ok;
}

// The values of the file's index tree in order, each a record offset.
EDbxRead ReadIndex(const std::vector<uint8_t>& p_vBytes, std::vector<uint32_t>& p_vValues)
{
    p_vValues.clear();
    if (p_vBytes.size() < kRootNodeOffset + 4)
        return EDbxRead::Truncated;
    const size_t total = Get32(p_vBytes, kValueCountOffset);
    const uint32_t root = Get32(p_vBytes, kRootNodeOffset);
    if (total == 0 || root == 0)
        return EDbxRead::Ok;
    // Every value takes at least a record header, which bounds what a count may claim.
    if (total > p_vBytes.size() / kRecordHeader)
        return EDbxRead::WrongCount;
    CTreeReader tree(p_vBytes, total);
    if (const EDbxRead r = tree.ReadNode(0, root, total, 0); r != EDbxRead::Ok)
        return r;
    p_vValues = tree.Values();
    return EDbxRead::Ok;
}

template <typename T> EDbxRead ReadRecords(const std::vector<uint8_t>& p_vBytes, std::vector<T>& p_vRecords)
{
    p_vRecords.clear();
    std::vector<uint32_t> values;
    if (const EDbxRead r = ReadIndex(p_vBytes, values); r != EDbxRead::Ok)
        return r;
    for (const uint32_t value : values)
    {
        T record;
        if (const EDbxRead r = ReadRecord(p_vBytes, value, record); r != EDbxRead::Ok)
        {
            p_vRecords.clear();
            return r;
        }
        p_vRecords.push_back(std::move(record));
    }
    return EDbxRead::Ok;
}

// The header, the records and the tree over them.
template <typename T> std::vector<uint8_t> BuildIndexedFile(const std::vector<T>& p_vRecords)
{
    std::vector<uint8_t> bytes = EmptyStoreFile();
    std::vector<uint32_t> values;
    for (const T& record : p_vRecords)
        values.push_back(AppendRecord(bytes, record));
    if (!values.empty())
    {
        Put32(bytes, kValueCountOffset, static_cast<uint32_t>(values.size()));
        Put32(bytes, kRootNodeOffset, AppendNode(bytes, values, 0, values.size(), 0));
    }
    return bytes;
}
} // namespace

std::vector<CFolderRecord> DefaultFolders()
{
    const struct
    {
        const char* m_szName;
        ESpecialFolder m_eSpecial;
    } folders[] = {{"Inbox", kSpecialInbox},
                   {"Outbox", kSpecialOutbox},
                   {"Sent Items", kSpecialSentItems},
                   {"Deleted Items", kSpecialDeletedItems},
                   {"Drafts", kSpecialDrafts}};
    std::vector<CFolderRecord> records;
    for (const auto& folder : folders)
    {
        CFolderRecord record;
        record.m_nId = static_cast<uint32_t>(records.size() + 1);
        record.m_sName = folder.m_szName;
        record.m_sFileName = std::string(folder.m_szName) + ".dbx";
        record.m_nSpecial = folder.m_eSpecial;
        records.push_back(record);
    }
    return records;
}

CFolderRecord NewUserFolder(const std::vector<CFolderRecord>& p_vFolders, const std::string& p_sName)
{
    CFolderRecord record;
    for (const CFolderRecord& folder : p_vFolders)
        record.m_nId = std::max(record.m_nId, folder.m_nId);
    ++record.m_nId;
    record.m_sName = p_sName;
    record.m_sFileName = p_sName + ".dbx";
    return record;
}

std::vector<uint8_t> BuildFoldersFile(const std::vector<CFolderRecord>& p_vFolders)
{
    return BuildIndexedFile(p_vFolders);
}

std::vector<uint8_t> BuildFolderFile(uint32_t p_nNextMessage, const std::vector<CStoredMessage>& p_vMessages)
{
    std::vector<uint8_t> bytes = BuildIndexedFile(p_vMessages);
    Put32(bytes, kNextMessageOffset, p_nNextMessage);
    return bytes;
}

std::vector<uint8_t> BuildMbxFile(uint32_t p_nNextMessage, const std::vector<CStoredMessage>& p_vMessages)
{
    std::vector<uint8_t> bytes(kMbxHeaderSize, 0);
    Put32(bytes, kMbxNextMessageOffset, p_nNextMessage);
    for (const CStoredMessage& message : p_vMessages)
    {
        const size_t at = bytes.size();
        bytes.resize(at + kMbxRecordHeader + message.m_sText.size(), 0);
        Put32(bytes, at, message.m_nId);
        Put32(bytes, at + 4, message.m_nFlags);
        Put32(bytes, at + 8, static_cast<uint32_t>(message.m_sText.size()));
        std::copy(message.m_sText.begin(), message.m_sText.end(), bytes.begin() + at + kMbxRecordHeader);
    }
    return bytes;
}

EDbxRead ReadMbxFile(const std::vector<uint8_t>& p_vBytes, uint32_t& p_nNextMessage,
                     std::vector<CStoredMessage>& p_vMessages)
{
    p_nNextMessage = 0;
    p_vMessages.clear();
    if (p_vBytes.size() < kMbxHeaderSize)
        return EDbxRead::Truncated;
    p_nNextMessage = Get32(p_vBytes, kMbxNextMessageOffset);
    for (size_t at = kMbxHeaderSize; at < p_vBytes.size();)
    {
        if (p_vBytes.size() - at < kMbxRecordHeader)
            return EDbxRead::Truncated;
        const size_t length = Get32(p_vBytes, at + 8);
        if (p_vBytes.size() - at - kMbxRecordHeader < length)
            return EDbxRead::Truncated;
        CStoredMessage message;
        message.m_nId = Get32(p_vBytes, at);
        message.m_nFlags = Get32(p_vBytes, at + 4);
        message.m_sText.assign(p_vBytes.begin() + at + kMbxRecordHeader,
                               p_vBytes.begin() + at + kMbxRecordHeader + length);
        p_vMessages.push_back(std::move(message));
        at += kMbxRecordHeader + length;
    }
    return EDbxRead::Ok;
}

EDbxRead ReadFoldersFile(const std::vector<uint8_t>& p_vBytes, std::vector<CFolderRecord>& p_vFolders)
{
    return ReadRecords(p_vBytes, p_vFolders);
}

EDbxRead ReadFolderFile(const std::vector<uint8_t>& p_vBytes, uint32_t& p_nNextMessage,
                        std::vector<CStoredMessage>& p_vMessages)
{
    p_nNextMessage = 0;
    if (p_vBytes.size() < kFileHeaderSize)
        return EDbxRead::Truncated;
    p_nNextMessage = Get32(p_vBytes, kNextMessageOffset);
    return ReadRecords(p_vBytes, p_vMessages);
}

const char* DbxReadText(EDbxRead p_eResult)
{
    switch (p_eResult)
    {
    case EDbxRead::Ok:
        return "ok";
    case EDbxRead::Truncated:
        return "truncated";
    case EDbxRead::WrongMarker:
        return "wrong object marker";
    case EDbxRead::WrongParent:
        return "wrong parent";
    case EDbxRead::WrongEntries:
        return "wrong value for entries";
    case EDbxRead::WrongCount:
        return "wrong number of values";
    case EDbxRead::IndexTooBig:
        return "index too big";
    case EDbxRead::TooDeep:
        return "tree too deep";
    }
    return "unknown";
}
} // namespace oestore
