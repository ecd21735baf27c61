// Addressbook/oe/store_file.cpp: the index tree walk, the indexed records and the Inbox lookup of
// Outlook Express's ".dbx" store files.
#include "Addressbook/oe/store_file.h"

#include "common/unique_any.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>

namespace oe
{
namespace
{
// A real tree of 51-entry nodes is a few levels deep; the limit keeps a hostile chain of nodes
// from exhausting the stack.
constexpr unsigned kMaxTreeDepth = 64;

uint32_t Le32(const uint8_t* p_pBytes)
{
    return static_cast<uint32_t>(p_pBytes[0]) | static_cast<uint32_t>(p_pBytes[1]) << 8 |
           static_cast<uint32_t>(p_pBytes[2]) << 16 | static_cast<uint32_t>(p_pBytes[3]) << 24;
}

class CDiskStoreFile final : public CStoreFile
{
  public:
    CDiskStoreFile(unique_file_ptr p_oFile, uint64_t p_qwSize) : m_oFile(std::move(p_oFile)), m_qwSize(p_qwSize)
    {
    }
    uint64_t Size() const override
    {
        return m_qwSize;
    }
    [[nodiscard]] bool ReadAt(uint64_t p_qwOffset, void* p_pBuffer, size_t p_nCount) override
    {
        if (p_qwOffset > m_qwSize || p_nCount > m_qwSize - p_qwOffset)
            return false;
#ifdef _WIN32
        if (_fseeki64(m_oFile.get(), static_cast<int64_t>(p_qwOffset), SEEK_SET) != 0)
#else
        if (fseeko(m_oFile.get(), static_cast<off_t>(p_qwOffset), SEEK_SET) != 0)
#endif
            return false;
        return std::fread(p_pBuffer, 1, p_nCount, m_oFile.get()) == p_nCount;
    }

  private:
    unique_file_ptr m_oFile;
    uint64_t m_qwSize;
};

struct CTreeWalk
{
    CStoreFile& m_oFile;
    uint32_t m_dwTotal;
    std::vector<uint32_t>& m_vValues;
    std::string& m_sError;
    std::set<uint32_t> m_setVisited;

    bool Fail(const char* p_szWhy)
    {
        m_sError = p_szWhy;
        return false;
    }

    bool ReadNode(uint32_t p_dwParent, uint32_t p_dwNode, uint32_t p_dwFirst, uint32_t p_dwCount, unsigned p_uDepth);
    bool StoreValue(uint32_t p_dwValue, uint32_t& p_dwNext)
    {
        if (p_dwNext >= m_dwTotal)
            return Fail("To many values !");
        m_vValues[p_dwNext++] = p_dwValue;
        return true;
    }
};

bool CTreeWalk::ReadNode(uint32_t p_dwParent, uint32_t p_dwNode, uint32_t p_dwFirst, uint32_t p_dwCount,
                         unsigned p_uDepth)
{
    if (static_cast<uint64_t>(p_dwFirst) + p_dwCount > m_dwTotal)
        return Fail("To many values to read !");
    if (p_uDepth > kMaxTreeDepth)
        return Fail("Tree too deep !");
    // Each node has one parent, so a node met twice is a damaged (or built to loop) tree.
    if (!m_setVisited.insert(p_dwNode).second)
        return Fail("Node reached twice !");
    if (p_dwNode >= m_oFile.Size())
        return Fail("Seek failed");
    uint8_t node[kNodeSize];
    if (!m_oFile.ReadAt(p_dwNode, node, sizeof(node)))
        return Fail("Read failed");
    if (Le32(node) != p_dwNode)
        return Fail("Wrong object marker !");
    if (Le32(node + 12) != p_dwParent)
        return Fail("Wrong parent !");
    const uint8_t entries = node[17];
    if (entries > kMaxNodeEntries)
        return Fail("Wrong value for entries !");
    uint32_t next = p_dwFirst;
    if (const uint32_t left = Le32(node + 8); left != 0)
    {
        const uint32_t leftCount = Le32(node + 20);
        if (!ReadNode(p_dwNode, left, next, leftCount, p_uDepth + 1))
            return false;
        next += leftCount;
    }
    for (unsigned i = 0; i < entries; ++i)
    {
        const uint8_t* entry = node + 24 + 12 * i;
        if (const uint32_t value = Le32(entry); value != 0 && !StoreValue(value, next))
            return false;
        if (const uint32_t child = Le32(entry + 4); child != 0)
        {
            const uint32_t childCount = Le32(entry + 8);
            if (!ReadNode(p_dwNode, child, next, childCount, p_uDepth + 1))
                return false;
            next += childCount;
        }
    }
    if (next - p_dwFirst != p_dwCount)
        return Fail("Wrong number of values found!");
    return true;
}

bool ReadHeaderValue(CStoreFile& p_oFile, uint32_t p_dwOffset, uint32_t& p_dwValue)
{
    uint8_t bytes[4];
    if (!p_oFile.ReadAt(p_dwOffset, bytes, sizeof(bytes)))
        return false;
    p_dwValue = Le32(bytes);
    return true;
}

bool FailRecord(std::string& p_sError, const char* p_szWhy)
{
    p_sError = std::string("Failed to read indexed info: ") + p_szWhy;
    return false;
}
} // namespace

bool CMemoryStoreFile::ReadAt(uint64_t p_qwOffset, void* p_pBuffer, size_t p_nCount)
{
    if (p_qwOffset > m_vBytes.size() || p_nCount > m_vBytes.size() - p_qwOffset)
        return false;
    if (p_nCount != 0)
        std::memcpy(p_pBuffer, m_vBytes.data() + p_qwOffset, p_nCount);
    return true;
}

std::unique_ptr<CStoreFile> OpenStoreFile(const std::string& p_sPath, uint32_t& p_dwError)
{
    unique_file_ptr file(std::fopen(p_sPath.c_str(), "rb"));
    if (!file)
    {
        p_dwError = static_cast<uint32_t>(errno);
        return nullptr;
    }
#ifdef _WIN32
    const bool atEnd = _fseeki64(file.get(), 0, SEEK_END) == 0;
    const int64_t size = atEnd ? _ftelli64(file.get()) : -1;
#else
    const bool atEnd = fseeko(file.get(), 0, SEEK_END) == 0;
    const int64_t size = atEnd ? static_cast<int64_t>(ftello(file.get())) : -1;
#endif
    if (size < 0)
    {
        p_dwError = static_cast<uint32_t>(errno);
        return nullptr;
    }
    return std::make_unique<CDiskStoreFile>(std::move(file), static_cast<uint64_t>(size));
}

bool ReadIndex(CStoreFile& p_oFile, uint32_t p_dwRoot, uint32_t p_dwCount, std::vector<uint32_t>& p_vValues,
               std::string& p_sError)
{
    p_vValues.clear();
    // Every value takes 12 bytes of some node, so a count the file cannot hold is not allocated.
    if (p_dwCount > p_oFile.Size() / 12)
    {
        p_sError = "Failed to Allocate Buffer";
        return false;
    }
    try
    {
        p_vValues.assign(p_dwCount, 0);
    }
    catch (const std::bad_alloc&)
    {
        p_sError = "Failed to Allocate Buffer";
        return false;
    }
    CTreeWalk walk{p_oFile, p_dwCount, p_vValues, p_sError, {}};
    if (!walk.ReadNode(0, p_dwRoot, 0, p_dwCount, 0))
    {
        p_vValues.clear();
        return false;
    }
    return true;
}

uint32_t CIndexedRecord::Number(unsigned p_uField) const
{
    if (!Has(p_uField))
        return 0;
    const CRecordField& field = m_aFields[p_uField];
    if (field.m_bDirect)
        return field.m_dwDirect;
    uint32_t value = 0;
    for (uint32_t i = 0; i < field.m_dwLength && i < 4; ++i)
        value |= static_cast<uint32_t>(m_vBlock[field.m_dwOffset + i]) << (8 * i);
    return value;
}

std::string CIndexedRecord::Text(unsigned p_uField) const
{
    if (!Has(p_uField))
        return {};
    const CRecordField& field = m_aFields[p_uField];
    if (field.m_bDirect)
    {
        std::string text;
        for (uint32_t value = field.m_dwDirect; (value & 0xFF) != 0; value >>= 8)
            text += static_cast<char>(value & 0xFF);
        return text;
    }
    const char* start = reinterpret_cast<const char*>(m_vBlock.data()) + field.m_dwOffset;
    const void* zero = std::memchr(start, 0, field.m_dwLength);
    return std::string(start, zero != nullptr ? static_cast<const char*>(zero) - start : field.m_dwLength);
}

bool ReadRecord(CStoreFile& p_oFile, uint32_t p_dwOffset, CIndexedRecord& p_oRecord, std::string& p_sError)
{
    p_oRecord = CIndexedRecord();
    uint8_t header[12];
    if (!p_oFile.ReadAt(p_dwOffset, header, sizeof(header)))
        return FailRecord(p_sError, "no header");
    if (Le32(header) != p_dwOffset)
        return FailRecord(p_sError, "Wrong object marker !");
    const uint32_t size = Le32(header + 4);
    if (size > p_oFile.Size() - p_dwOffset - sizeof(header))
        return FailRecord(p_sError, "block beyond the file");
    const uint32_t entries = header[10];
    if (entries * 4u > size)
        return FailRecord(p_sError, "index beyond the block");
    p_oRecord.m_vBlock.resize(size);
    if (!p_oFile.ReadAt(p_dwOffset + sizeof(header), p_oRecord.m_vBlock.data(), size))
        return FailRecord(p_sError, "block unreadable");
    const uint32_t dataStart = entries * 4;
    const uint32_t dataSize = size - dataStart;
    CRecordField* previous = nullptr; // the last indirect field, whose length the next one ends
    uint32_t previousOffset = 0;
    for (uint32_t i = 0; i < entries; ++i)
    {
        const uint32_t entry = Le32(p_oRecord.m_vBlock.data() + 4 * i);
        const unsigned id = entry & 0x7F;
        if (id >= kRecordFieldCount)
            return FailRecord(p_sError, "Index too big !");
        CRecordField& field = p_oRecord.m_aFields[id];
        // A field id met again replaces the earlier value.
        if (&field == previous)
            previous = nullptr;
        field = CRecordField();
        field.m_bPresent = true;
        if ((entry & 0x80) != 0)
        {
            field.m_bDirect = true;
            field.m_dwDirect = entry >> 8;
            field.m_dwLength = 3;
            continue;
        }
        const uint32_t offset = entry >> 8;
        if (offset > dataSize)
            return FailRecord(p_sError, "value beyond the block");
        if (previous != nullptr)
        {
            if (offset < previousOffset)
                return FailRecord(p_sError, "values out of order");
            previous->m_dwLength = offset - previousOffset;
        }
        field.m_dwOffset = dataStart + offset;
        field.m_dwLength = dataSize - offset;
        previous = &field;
        previousOffset = offset;
    }
    return true;
}

bool FindInboxFileName(CStoreFile& p_oFile, std::string& p_sFileName, std::string& p_sError)
{
    uint32_t count = 0;
    uint32_t root = 0;
    if (!ReadHeaderValue(p_oFile, kHeaderCountOffset, count) || !ReadHeaderValue(p_oFile, kHeaderRootOffset, root))
    {
        p_sError = "Got too few bytes";
        return false;
    }
    if (count == 0 || root == 0)
    {
        p_sError = "The folder index holds no folders";
        return false;
    }
    std::vector<uint32_t> values;
    if (!ReadIndex(p_oFile, root, count, values, p_sError))
        return false;
    for (const uint32_t value : values)
    {
        if (value == 0)
        {
            p_sError = "Failed to read address\n";
            return false;
        }
        CIndexedRecord record;
        if (!ReadRecord(p_oFile, value, record, p_sError))
            return false;
        if (record.Has(kFolderSpecialField) && record.Number(kFolderSpecialField) == kSpecialInbox &&
            record.Has(kFolderFileNameField))
        {
            p_sFileName = record.Text(kFolderFileNameField);
            return true;
        }
    }
    p_sError = "No Inbox folder in the folder index";
    return false;
}

bool FindInboxFileName(const std::string& p_sFoldersPath, std::string& p_sFileName, std::string& p_sError)
{
    uint32_t error = 0;
    std::unique_ptr<CStoreFile> file = OpenStoreFile(p_sFoldersPath, error);
    if (!file)
    {
        p_sError = "Error #" + std::to_string(error) + " while opening file '" + p_sFoldersPath + "'";
        return false;
    }
    return FindInboxFileName(*file, p_sFileName, p_sError);
}
} // namespace oe
