// standins/outlook/compound_file.cpp: writing and reading compound files: a header, the FAT (one chain
// of sectors per stream), the directory (a tree of 128-byte entries per storage) and the mini stream
// with its own allocation table for streams under the cutoff.
#include "standins/outlook/compound_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace olstandin
{
namespace
{
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr size_t kMiniSector = 64;
constexpr size_t kCutoff = 4096;
constexpr size_t kHeaderDifat = 109;
constexpr size_t kMaxNameUnits = 31;
constexpr std::array<uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
enum EEntryType : uint8_t
{
    kTypeEmpty = 0,
    kTypeStorage = 1,
    kTypeStream = 2,
    kTypeRoot = 5
};

uint32_t Get32(const std::string& p_sBytes, size_t p_nOffset)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(p_sBytes[p_nOffset + i])) << (8 * i);
    return value;
}
uint16_t Get16(const std::string& p_sBytes, size_t p_nOffset)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(p_sBytes[p_nOffset]) |
                                 (static_cast<uint8_t>(p_sBytes[p_nOffset + 1]) << 8));
}
void Put32(std::string& p_sBytes, size_t p_nOffset, uint32_t p_nValue)
{
    for (size_t i = 0; i < 4; ++i)
        p_sBytes[p_nOffset + i] = static_cast<char>((p_nValue >> (8 * i)) & 0xFF);
}
void Put16(std::string& p_sBytes, size_t p_nOffset, uint16_t p_nValue)
{
    p_sBytes[p_nOffset] = static_cast<char>(p_nValue & 0xFF);
    p_sBytes[p_nOffset + 1] = static_cast<char>(p_nValue >> 8);
}

// Directory order: shorter names first, then by upper-cased code units.
bool NameLess(const std::u16string& p_sLeft, const std::u16string& p_sRight)
{
    if (p_sLeft.size() != p_sRight.size())
        return p_sLeft.size() < p_sRight.size();
    for (size_t i = 0; i < p_sLeft.size(); ++i)
    {
        const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
        if (upper(p_sLeft[i]) != upper(p_sRight[i]))
            return upper(p_sLeft[i]) < upper(p_sRight[i]);
    }
    return false;
}

struct CDirEntry
{
    const CCompoundEntry* m_pEntry = nullptr;
    uint8_t m_nType = kTypeEmpty;
    uint32_t m_nLeft = kNoStream;
    uint32_t m_nRight = kNoStream;
    uint32_t m_nChild = kNoStream;
    uint32_t m_nStart = kEndOfChain;
    uint64_t m_nSize = 0;
};

class CWriter
{
  public:
    std::optional<std::string> Write(const CCompoundEntry& p_oRoot)
    {
        m_vEntries.push_back({&p_oRoot, kTypeRoot});
        if (!AddChildren(0))
            return std::nullopt;
        PlaceStreams();
        return Assemble();
    }

  private:
    // Gives a storage's children directory slots and links them as a balanced tree (every node black,
    // which the format allows).
    bool AddChildren(uint32_t p_nParent)
    {
        std::vector<const CCompoundEntry*> children;
        for (const CCompoundEntry& child : m_vEntries[p_nParent].m_pEntry->m_vItems)
        {
            if (child.m_sName.empty() || child.m_sName.size() > kMaxNameUnits)
                return false;
            children.push_back(&child);
        }
        std::sort(children.begin(), children.end(),
                  [](const CCompoundEntry* a, const CCompoundEntry* b) { return NameLess(a->m_sName, b->m_sName); });
        std::vector<uint32_t> ids;
        for (const CCompoundEntry* child : children)
        {
            ids.push_back(static_cast<uint32_t>(m_vEntries.size()));
            m_vEntries.push_back({child, child->m_bStorage ? kTypeStorage : kTypeStream});
        }
        const std::function<uint32_t(size_t, size_t)> link = [&](size_t p_nFrom, size_t p_nTo) -> uint32_t {
            if (p_nFrom >= p_nTo)
                return kNoStream;
            const size_t middle = p_nFrom + (p_nTo - p_nFrom) / 2;
            m_vEntries[ids[middle]].m_nLeft = link(p_nFrom, middle);
            m_vEntries[ids[middle]].m_nRight = link(middle + 1, p_nTo);
            return ids[middle];
        };
        m_vEntries[p_nParent].m_nChild = link(0, ids.size());
        for (const uint32_t id : ids)
            if (m_vEntries[id].m_nType == kTypeStorage && !AddChildren(id))
                return false;
        return true;
    }

    uint32_t AppendChain(std::vector<uint32_t>& p_vTable, size_t p_nUnits)
    {
        if (p_nUnits == 0)
            return kEndOfChain;
        const auto first = static_cast<uint32_t>(p_vTable.size());
        for (size_t i = 0; i + 1 < p_nUnits; ++i)
            p_vTable.push_back(static_cast<uint32_t>(p_vTable.size() + 1));
        p_vTable.push_back(kEndOfChain);
        return first;
    }

    // Small streams go into the mini stream, the others into their own sector chains.
    void PlaceStreams()
    {
        for (CDirEntry& entry : m_vEntries)
        {
            if (entry.m_nType != kTypeStream)
                continue;
            const std::string& data = entry.m_pEntry->m_sData;
            entry.m_nSize = data.size();
            if (data.size() < kCutoff)
            {
                entry.m_nStart = AppendChain(m_vMiniFat, (data.size() + kMiniSector - 1) / kMiniSector);
                m_sMiniStream += data;
                m_sMiniStream.resize((m_sMiniStream.size() + kMiniSector - 1) / kMiniSector * kMiniSector, '\0');
            }
            else
            {
                entry.m_nStart = AppendChain(m_vFat, (data.size() + kHeaderSize - 1) / kHeaderSize);
                AppendSectors(data);
            }
        }
        m_vEntries[0].m_nSize = m_sMiniStream.size();
        m_vEntries[0].m_nStart = AppendChain(m_vFat, (m_sMiniStream.size() + kHeaderSize - 1) / kHeaderSize);
        AppendSectors(m_sMiniStream);
    }

    void AppendSectors(const std::string& p_sData)
    {
        m_sBody += p_sData;
        m_sBody.resize((m_sBody.size() + kHeaderSize - 1) / kHeaderSize * kHeaderSize, '\0');
    }

    std::string DirectoryBytes() const
    {
        std::string bytes((m_vEntries.size() + 3) / 4 * 4 * kEntrySize, '\0');
        for (size_t i = m_vEntries.size(); i < bytes.size() / kEntrySize; ++i)
        {
            Put32(bytes, i * kEntrySize + 68, kNoStream);
            Put32(bytes, i * kEntrySize + 72, kNoStream);
            Put32(bytes, i * kEntrySize + 76, kNoStream);
        }
        for (size_t i = 0; i < m_vEntries.size(); ++i)
        {
            const CDirEntry& entry = m_vEntries[i];
            const size_t at = i * kEntrySize;
            const std::u16string name = i == 0 ? u"Root Entry" : entry.m_pEntry->m_sName;
            for (size_t c = 0; c < name.size(); ++c)
                Put16(bytes, at + 2 * c, static_cast<uint16_t>(name[c]));
            Put16(bytes, at + 64, static_cast<uint16_t>((name.size() + 1) * 2));
            bytes[at + 66] = static_cast<char>(entry.m_nType);
            bytes[at + 67] = 1;
            Put32(bytes, at + 68, entry.m_nLeft);
            Put32(bytes, at + 72, entry.m_nRight);
            Put32(bytes, at + 76, entry.m_nChild);
            Put32(bytes, at + 116, entry.m_nType == kTypeStorage ? 0 : entry.m_nStart);
            Put32(bytes, at + 120, static_cast<uint32_t>(entry.m_nSize));
        }
        return bytes;
    }

    static std::string TableBytes(const std::vector<uint32_t>& p_vTable, size_t p_nSectors)
    {
        std::string bytes(p_nSectors * kHeaderSize, '\xFF');
        for (size_t i = 0; i < p_vTable.size(); ++i)
            Put32(bytes, i * 4, p_vTable[i]);
        return bytes;
    }

    std::optional<std::string> Assemble()
    {
        const size_t perSector = kHeaderSize / 4;
        const size_t miniFatSectors = (m_vMiniFat.size() + perSector - 1) / perSector;
        const uint32_t miniFatStart = AppendChain(m_vFat, miniFatSectors);
        AppendSectors(TableBytes(m_vMiniFat, miniFatSectors));
        const std::string directory = DirectoryBytes();
        const uint32_t directoryStart = AppendChain(m_vFat, directory.size() / kHeaderSize);
        AppendSectors(directory);
        size_t fatSectors = 1;
        while (fatSectors * perSector < m_vFat.size() + fatSectors)
            ++fatSectors;
        if (fatSectors > kHeaderDifat)
            return std::nullopt;
        const auto fatStart = static_cast<uint32_t>(m_vFat.size());
        m_vFat.insert(m_vFat.end(), fatSectors, kFatSector);
        AppendSectors(TableBytes(m_vFat, fatSectors));

        std::string header(kHeaderSize, '\0');
        std::memcpy(header.data(), kSignature.data(), kSignature.size());
        Put16(header, 24, 0x003E);
        Put16(header, 26, 3);
        Put16(header, 28, 0xFFFE);
        Put16(header, 30, 9);
        Put16(header, 32, 6);
        Put32(header, 44, static_cast<uint32_t>(fatSectors));
        Put32(header, 48, directoryStart);
        Put32(header, 56, static_cast<uint32_t>(kCutoff));
        Put32(header, 60, miniFatSectors == 0 ? kEndOfChain : miniFatStart);
        Put32(header, 64, static_cast<uint32_t>(miniFatSectors));
        Put32(header, 68, kEndOfChain);
        for (size_t i = 0; i < kHeaderDifat; ++i)
            Put32(header, 76 + 4 * i, i < fatSectors ? fatStart + static_cast<uint32_t>(i) : kFree);
        return header + m_sBody;
    }

    std::vector<CDirEntry> m_vEntries;
    std::vector<uint32_t> m_vFat;
    std::vector<uint32_t> m_vMiniFat;
    std::string m_sMiniStream;
    std::string m_sBody;
};

class CReader
{
  public:
    explicit CReader(const std::string& p_sBytes) : m_sBytes(p_sBytes)
    {
    }

    std::optional<CCompoundEntry> Read()
    {
        if (m_sBytes.size() < kHeaderSize || m_sBytes.size() > kMaxCompoundFile ||
            std::memcmp(m_sBytes.data(), kSignature.data(), kSignature.size()) != 0 || !ReadHeader() || !ReadFat() ||
            !ReadDirectory())
            return std::nullopt;
        CCompoundEntry root;
        root.m_bStorage = true;
        std::vector<bool> used(m_nEntries, false);
        used[0] = true;
        if (!ReadChildren(Entry(0, 76), root, used, 0))
            return std::nullopt;
        return root;
    }

  private:
    bool ReadHeader()
    {
        const uint16_t major = Get16(m_sBytes, 26);
        const uint16_t shift = Get16(m_sBytes, 30);
        if (Get16(m_sBytes, 28) != 0xFFFE || Get16(m_sBytes, 32) != 6 || Get32(m_sBytes, 56) != kCutoff ||
            !((major == 3 && shift == 9) || (major == 4 && shift == 12)))
            return false;
        m_nMajor = major;
        m_nSectorSize = static_cast<size_t>(1) << shift;
        if (m_sBytes.size() < m_nSectorSize)
            return false;
        m_nSectors = (m_sBytes.size() - m_nSectorSize) / m_nSectorSize;
        return true;
    }

    const char* Sector(uint32_t p_nSector) const
    {
        return p_nSector < m_nSectors ? m_sBytes.data() + (static_cast<size_t>(p_nSector) + 1) * m_nSectorSize
                                      : nullptr;
    }

    bool ReadFat()
    {
        const uint32_t fatCount = Get32(m_sBytes, 44);
        if (fatCount > m_nSectors)
            return false;
        std::vector<uint32_t> fatSectors;
        for (size_t i = 0; i < kHeaderDifat && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(Get32(m_sBytes, 76 + 4 * i));
        const size_t perSector = m_nSectorSize / 4;
        uint32_t difat = Get32(m_sBytes, 68);
        for (size_t hops = 0; fatSectors.size() < fatCount; ++hops)
        {
            const char* sector = Sector(difat);
            if (sector == nullptr || hops > m_nSectors)
                return false;
            const std::string block(sector, m_nSectorSize);
            for (size_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
                fatSectors.push_back(Get32(block, 4 * i));
            difat = Get32(block, 4 * (perSector - 1));
        }
        for (const uint32_t fatSector : fatSectors)
        {
            const char* sector = Sector(fatSector);
            if (sector == nullptr)
                return false;
            const std::string block(sector, m_nSectorSize);
            for (size_t i = 0; i < perSector; ++i)
                m_vFat.push_back(Get32(block, 4 * i));
        }
        m_vSectorUsed.assign(m_vFat.size(), false);
        return true;
    }

    // The bytes of the chain from p_nStart in a table of units of p_nUnit bytes taken from p_sStore
    // (the file's sectors or the mini stream); empty when the chain leaves the table, loops or is short.
    std::optional<std::string> Chain(const std::vector<uint32_t>& p_vTable, uint32_t p_nStart, size_t p_nSize,
                                     bool p_bMini) const
    {
        const size_t unit = p_bMini ? kMiniSector : m_nSectorSize;
        std::string data;
        uint32_t at = p_nStart;
        while (data.size() < p_nSize)
        {
            std::vector<bool>& used = p_bMini ? m_vMiniUsed : m_vSectorUsed;
            if (at >= p_vTable.size() || used[at])
                return std::nullopt;
            used[at] = true;
            if (p_bMini)
            {
                if ((static_cast<size_t>(at) + 1) * kMiniSector > m_sMiniStream.size())
                    return std::nullopt;
                data.append(m_sMiniStream, static_cast<size_t>(at) * kMiniSector, kMiniSector);
            }
            else
            {
                const char* sector = Sector(at);
                if (sector == nullptr)
                    return std::nullopt;
                data.append(sector, unit);
            }
            at = p_vTable[at];
        }
        data.resize(p_nSize);
        return data;
    }

    // A chain read to its end, for the directory and the mini FAT whose sizes the header leaves open.
    std::optional<std::string> WholeChain(uint32_t p_nStart, size_t p_nLimit) const
    {
        std::string data;
        for (uint32_t at = p_nStart; at != kEndOfChain;)
        {
            const char* sector = Sector(at);
            if (sector == nullptr || at >= m_vFat.size() || data.size() >= p_nLimit || m_vSectorUsed[at])
                return std::nullopt;
            m_vSectorUsed[at] = true;
            data.append(sector, m_nSectorSize);
            at = m_vFat[at];
        }
        return data;
    }

    bool ReadDirectory()
    {
        const auto directory = WholeChain(Get32(m_sBytes, 48), kMaxCompoundEntries * kEntrySize);
        if (!directory || directory->size() < kEntrySize)
            return false;
        m_sDirectory = *directory;
        m_nEntries = m_sDirectory.size() / kEntrySize;
        if (static_cast<uint8_t>(m_sDirectory[66]) != kTypeRoot)
            return false;
        const uint32_t miniFatStart = Get32(m_sBytes, 60);
        if (miniFatStart != kEndOfChain)
        {
            const auto miniFat = WholeChain(miniFatStart, kMaxCompoundFile / kMiniSector * 4);
            if (!miniFat)
                return false;
            for (size_t i = 0; i + 4 <= miniFat->size(); i += 4)
                m_vMiniFat.push_back(Get32(*miniFat, i));
            m_vMiniUsed.assign(m_vMiniFat.size(), false);
        }
        const auto miniStream = Chain(m_vFat, Entry(0, 116), EntrySize(0), false);
        if (!miniStream)
            return false;
        m_sMiniStream = *miniStream;
        return true;
    }

    uint32_t Entry(size_t p_nIndex, size_t p_nField) const
    {
        return Get32(m_sDirectory, p_nIndex * kEntrySize + p_nField);
    }
    size_t EntrySize(size_t p_nIndex) const
    {
        const uint64_t low = Entry(p_nIndex, 120);
        const uint64_t size = m_nMajor == 3 ? low : low | (static_cast<uint64_t>(Entry(p_nIndex, 124)) << 32);
        return size > kMaxCompoundFile ? kMaxCompoundFile + 1 : static_cast<size_t>(size);
    }

    // Reads the sibling tree rooted at p_nId into p_oParent; every entry may be reached once only.
    bool ReadChildren(uint32_t p_nId, CCompoundEntry& p_oParent, std::vector<bool>& p_vUsed, size_t p_nDepth)
    {
        std::vector<uint32_t> pending;
        if (p_nId != kNoStream)
            pending.push_back(p_nId);
        while (!pending.empty())
        {
            const uint32_t id = pending.back();
            pending.pop_back();
            if (id >= m_nEntries || p_vUsed[id] || p_nDepth > 64)
                return false;
            p_vUsed[id] = true;
            for (const size_t link : {size_t{68}, size_t{72}})
                if (Entry(id, link) != kNoStream)
                    pending.push_back(Entry(id, link));
            CCompoundEntry entry;
            if (!ReadEntry(id, entry, p_vUsed, p_nDepth))
                return false;
            p_oParent.m_vItems.push_back(std::move(entry));
        }
        return true;
    }

    bool ReadEntry(uint32_t p_nId, CCompoundEntry& p_oEntry, std::vector<bool>& p_vUsed, size_t p_nDepth)
    {
        const size_t at = p_nId * kEntrySize;
        const uint16_t nameBytes = Get16(m_sDirectory, at + 64);
        if (nameBytes < 4 || nameBytes > 64 || nameBytes % 2 != 0)
            return false;
        for (size_t c = 0; c + 1 < nameBytes / 2u; ++c)
            p_oEntry.m_sName.push_back(static_cast<char16_t>(Get16(m_sDirectory, at + 2 * c)));
        const auto type = static_cast<uint8_t>(m_sDirectory[at + 66]);
        if (type == kTypeStorage)
        {
            p_oEntry.m_bStorage = true;
            return ReadChildren(Entry(p_nId, 76), p_oEntry, p_vUsed, p_nDepth + 1);
        }
        if (type != kTypeStream)
            return false;
        const size_t size = EntrySize(p_nId);
        if (size > kMaxCompoundFile || m_nTotal + size > kMaxCompoundFile)
            return false;
        m_nTotal += size;
        const bool mini = size < kCutoff;
        const auto data = Chain(mini ? m_vMiniFat : m_vFat, Entry(p_nId, 116), size, mini);
        if (!data)
            return false;
        p_oEntry.m_sData = *data;
        return true;
    }

    const std::string& m_sBytes;
    uint16_t m_nMajor = 3;
    size_t m_nSectorSize = kHeaderSize;
    size_t m_nSectors = 0;
    std::vector<uint32_t> m_vFat;
    std::vector<uint32_t> m_vMiniFat;
    std::string m_sDirectory;
    size_t m_nEntries = 0;
    std::string m_sMiniStream;
    size_t m_nTotal = 0;
    // A sector belongs to one chain only: a loop or two chains sharing sectors make the file unsound,
    // and this bounds the reading work by the file's size.
    mutable std::vector<bool> m_vSectorUsed;
    mutable std::vector<bool> m_vMiniUsed;
};
} // namespace

const CCompoundEntry* CCompoundEntry::Find(const std::u16string& p_sName) const
{
    for (const CCompoundEntry& item : m_vItems)
        if (!NameLess(item.m_sName, p_sName) && !NameLess(p_sName, item.m_sName))
            return &item;
    return nullptr;
}

CCompoundEntry& CCompoundEntry::AddStream(const std::u16string& p_sName, std::string p_sData)
{
    CCompoundEntry& entry = m_vItems.emplace_back();
    entry.m_sName = p_sName;
    entry.m_sData = std::move(p_sData);
    return entry;
}

CCompoundEntry& CCompoundEntry::AddStorage(const std::u16string& p_sName)
{
    CCompoundEntry& entry = m_vItems.emplace_back();
    entry.m_sName = p_sName;
    entry.m_bStorage = true;
    return entry;
}

std::optional<std::string> WriteCompoundFile(const CCompoundEntry& p_oRoot)
{
    return CWriter().Write(p_oRoot);
}

std::optional<CCompoundEntry> ReadCompoundFile(const std::string& p_sBytes)
{
    return CReader(p_sBytes).Read();
}
} // namespace olstandin
