// standins/outlook/message_file.cpp: the property stream "__properties_version1.0" (a 32-byte header,
// then 16 bytes per property), one "__substg1.0_IIIITTTT" stream per variable-length value, and the
// "__nameid_version1.0" storage that maps ids from 0x8000 to property-set names.
#include "standins/outlook/message_file.h"

#include "standins/outlook/compound_file.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace olstandin
{
namespace
{
constexpr size_t kTopHeader = 32;
constexpr size_t kPropertyEntry = 16;
constexpr uint32_t kReadableWritable = 0x6;
constexpr uint16_t kFirstNamedId = 0x8000;
constexpr size_t kMaxNamedIds = 0x7FFF;
constexpr size_t kMaxNameBytes = 512;
const std::u16string kPropertyStream = u"__properties_version1.0";
const std::u16string kNameStorage = u"__nameid_version1.0";
const std::u16string kGuidStream = u"__substg1.0_00020102";
const std::u16string kEntryStream = u"__substg1.0_00030102";
const std::u16string kStringStream = u"__substg1.0_00040102";

uint32_t Get32(const std::string& p_sBytes, size_t p_nOffset)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(p_sBytes[p_nOffset + i])) << (8 * i);
    return value;
}
void Append32(std::string& p_sBytes, uint32_t p_nValue)
{
    for (size_t i = 0; i < 4; ++i)
        p_sBytes.push_back(static_cast<char>((p_nValue >> (8 * i)) & 0xFF));
}

bool IsVariable(uint16_t p_nType)
{
    return p_nType == kTypeString8 || p_nType == kTypeUnicode || p_nType == kTypeBinary || p_nType == 0x0048 ||
           p_nType == 0x000D;
}

std::u16string StreamName(uint32_t p_nTag)
{
    char name[24];
    std::snprintf(name, sizeof name, "__substg1.0_%08X", static_cast<unsigned>(p_nTag));
    return WidenLatin1(name);
}

std::string Utf16Bytes(const std::u16string& p_sText)
{
    std::string bytes;
    for (const char16_t c : p_sText)
    {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::u16string FromUtf16Bytes(const std::string& p_sBytes)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < p_sBytes.size(); i += 2)
        text.push_back(
            static_cast<char16_t>(static_cast<uint8_t>(p_sBytes[i]) | (static_cast<uint8_t>(p_sBytes[i + 1]) << 8)));
    return text;
}

std::u16string UpperName(std::u16string p_sName)
{
    for (char16_t& c : p_sName)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 32);
    return p_sName;
}

// The CRC-32 (reflected polynomial 0xEDB88320) that names the hash streams of string names.
uint32_t Crc32(const std::string& p_sBytes)
{
    uint32_t crc = 0xFFFFFFFF;
    for (const char byte : p_sBytes)
    {
        crc ^= static_cast<uint8_t>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The mapping storage: property sets past the two fixed ones, an entry per name and the string names.
class CNameWriter
{
  public:
    uint16_t Add(const CPropertyName& p_oName)
    {
        const auto index = static_cast<uint16_t>(m_nCount++);
        uint32_t setIndex = 1;
        if (p_oName.m_aSet == kPublicStrings)
            setIndex = 2;
        else if (p_oName.m_aSet != kPsMapi)
        {
            setIndex = 3;
            while (setIndex - 3 < m_vSets.size() && m_vSets[setIndex - 3] != p_oName.m_aSet)
                ++setIndex;
            if (setIndex - 3 == m_vSets.size())
                m_vSets.push_back(p_oName.m_aSet);
        }
        const uint32_t kind = p_oName.m_bString ? 1 : 0;
        const uint32_t word = (static_cast<uint32_t>(index) << 16) | (setIndex << 1) | kind;
        uint32_t identifier = p_oName.m_nId;
        uint32_t hashKey = p_oName.m_nId;
        if (p_oName.m_bString)
        {
            identifier = static_cast<uint32_t>(m_sStrings.size());
            const std::string bytes = Utf16Bytes(p_oName.m_sName);
            hashKey = Crc32(bytes);
            Append32(m_sStrings, static_cast<uint32_t>(bytes.size()));
            m_sStrings += bytes;
            m_sStrings.resize((m_sStrings.size() + 3) / 4 * 4, '\0');
        }
        Append32(m_sEntries, identifier);
        Append32(m_sEntries, word);
        std::string& hash = m_mHashStreams[0x1000 + ((hashKey ^ ((setIndex << 1) | kind)) % 0x1F)];
        Append32(hash, hashKey);
        Append32(hash, word);
        return static_cast<uint16_t>(kFirstNamedId + index);
    }

    void Store(CCompoundEntry& p_oRoot) const
    {
        CCompoundEntry& storage = p_oRoot.AddStorage(kNameStorage);
        std::string sets;
        for (const CPropertySet& set : m_vSets)
            sets.append(reinterpret_cast<const char*>(set.data()), set.size());
        storage.AddStream(kGuidStream, sets);
        storage.AddStream(kEntryStream, m_sEntries);
        storage.AddStream(kStringStream, m_sStrings);
        for (const auto& [id, bytes] : m_mHashStreams)
            storage.AddStream(StreamName((id << 16) | kTypeBinary), bytes);
    }

  private:
    size_t m_nCount = 0;
    std::vector<CPropertySet> m_vSets;
    std::string m_sEntries;
    std::string m_sStrings;
    std::map<uint32_t, std::string> m_mHashStreams;
};

std::string StreamData(const CCompoundEntry* p_pStorage, const std::u16string& p_sName)
{
    const CCompoundEntry* stream = p_pStorage != nullptr ? p_pStorage->Find(p_sName) : nullptr;
    return stream != nullptr && !stream->m_bStorage ? stream->m_sData : std::string();
}

// The names of ids 0x8000 and up, from the mapping storage; entries that point outside it are ignored.
std::map<uint16_t, CPropertyName> ReadNames(const CCompoundEntry& p_oRoot)
{
    std::map<uint16_t, CPropertyName> names;
    const CCompoundEntry* storage = p_oRoot.Find(kNameStorage);
    const std::string sets = StreamData(storage, kGuidStream);
    const std::string entries = StreamData(storage, kEntryStream);
    const std::string strings = StreamData(storage, kStringStream);
    for (size_t at = 0; at + 8 <= entries.size(); at += 8)
    {
        const uint32_t identifier = Get32(entries, at);
        const uint32_t word = Get32(entries, at + 4);
        const uint32_t setIndex = (word >> 1) & 0x7FFF;
        const uint32_t index = word >> 16;
        CPropertyName name;
        if (setIndex == 1)
            name.m_aSet = kPsMapi;
        else if (setIndex == 2)
            name.m_aSet = kPublicStrings;
        else if (setIndex >= 3 && (static_cast<size_t>(setIndex) - 3 + 1) * 16 <= sets.size())
            std::copy_n(sets.begin() + (static_cast<ptrdiff_t>(setIndex) - 3) * 16, 16, name.m_aSet.begin());
        else
            continue;
        name.m_bString = (word & 1) != 0;
        if (index >= kMaxNamedIds)
            continue;
        if (name.m_bString)
        {
            if (static_cast<size_t>(identifier) + 4 > strings.size())
                continue;
            const uint32_t length = Get32(strings, identifier);
            if (length % 2 != 0 || length > kMaxNameBytes ||
                identifier + 4 + static_cast<size_t>(length) > strings.size())
                continue;
            name.m_sName = FromUtf16Bytes(strings.substr(identifier + 4, length));
        }
        else
            name.m_nId = identifier;
        names[static_cast<uint16_t>(kFirstNamedId + index)] = name;
    }
    return names;
}
} // namespace

void CMessageFile::Set(CMessageProperty p_oProperty)
{
    for (CMessageProperty& property : m_vProperties)
        if (property.m_oName == p_oProperty.m_oName && (p_oProperty.m_oName || property.m_nId == p_oProperty.m_nId))
        {
            property = std::move(p_oProperty);
            return;
        }
    m_vProperties.push_back(std::move(p_oProperty));
}

const CMessageProperty* CMessageFile::Find(uint16_t p_nId) const
{
    for (const CMessageProperty& property : m_vProperties)
        if (!property.m_oName && property.m_nId == p_nId)
            return &property;
    return nullptr;
}

const CMessageProperty* CMessageFile::Find(const CPropertyName& p_oName) const
{
    for (const CMessageProperty& property : m_vProperties)
        if (property.m_oName == p_oName)
            return &property;
    return nullptr;
}

void CMessageFile::SetText(uint16_t p_nId, const std::string& p_sText)
{
    Set({p_nId, kTypeUnicode, std::nullopt, Utf16Bytes(WidenLatin1(p_sText))});
}

std::optional<std::string> CMessageFile::Text(uint16_t p_nId) const
{
    const CMessageProperty* property = Find(p_nId);
    return property != nullptr ? PropertyText(*property) : std::nullopt;
}

std::optional<std::string> PropertyText(const CMessageProperty& p_oProperty)
{
    if (p_oProperty.m_nType == kTypeString8)
        return p_oProperty.m_sValue;
    if (p_oProperty.m_nType != kTypeUnicode)
        return std::nullopt;
    std::string text;
    for (const char16_t c : FromUtf16Bytes(p_oProperty.m_sValue))
        text.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    return text;
}

void CMessageFile::SetBool(const CPropertyName& p_oName, bool p_bValue)
{
    std::string value(8, '\0');
    value[0] = p_bValue ? 1 : 0;
    Set({0, kTypeBoolean, p_oName, value});
}

std::optional<bool> CMessageFile::Bool(const CPropertyName& p_oName) const
{
    const CMessageProperty* property = Find(p_oName);
    if (property == nullptr || property->m_nType != kTypeBoolean || property->m_sValue.empty())
        return std::nullopt;
    return property->m_sValue[0] != 0;
}

CPropertyName PublicStringName(const std::u16string& p_sName)
{
    CPropertyName name;
    name.m_aSet = kPublicStrings;
    name.m_bString = true;
    name.m_sName = p_sName;
    return name;
}

std::u16string WidenLatin1(const std::string& p_sText)
{
    std::u16string text;
    for (const char c : p_sText)
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
    return text;
}

std::optional<std::string> WriteMessageFile(const CMessageFile& p_oMessage)
{
    CCompoundEntry root;
    root.m_bStorage = true;
    CNameWriter names;
    std::string properties(kTopHeader, '\0');
    size_t named = 0;
    for (const CMessageProperty& property : p_oMessage.m_vProperties)
    {
        if (property.m_oName && ++named > kMaxNamedIds)
            return std::nullopt;
        const uint16_t id = property.m_oName ? names.Add(*property.m_oName) : property.m_nId;
        const uint32_t tag = (static_cast<uint32_t>(id) << 16) | property.m_nType;
        Append32(properties, tag);
        Append32(properties, kReadableWritable);
        if (IsVariable(property.m_nType))
        {
            const size_t terminator = property.m_nType == kTypeUnicode ? 2 : property.m_nType == kTypeString8 ? 1 : 0;
            Append32(properties, static_cast<uint32_t>(property.m_sValue.size() + terminator));
            Append32(properties, 0);
            root.AddStream(StreamName(tag), property.m_sValue);
        }
        else
        {
            std::string value = property.m_sValue;
            value.resize(8, '\0');
            properties += value;
        }
    }
    root.AddStream(kPropertyStream, properties);
    names.Store(root);
    return WriteCompoundFile(root);
}

std::optional<CMessageFile> ReadMessageFile(const std::string& p_sBytes)
{
    const auto root = ReadCompoundFile(p_sBytes);
    if (!root)
        return std::nullopt;
    const CCompoundEntry* stream = root->Find(kPropertyStream);
    if (stream == nullptr || stream->m_bStorage || stream->m_sData.size() < kTopHeader)
        return std::nullopt;
    const std::map<uint16_t, CPropertyName> names = ReadNames(*root);
    // The value streams by name: a property stream may list far more entries than the root has children.
    std::map<std::u16string, const CCompoundEntry*> streams;
    for (const CCompoundEntry& item : root->m_vItems)
        if (!item.m_bStorage)
            streams.emplace(UpperName(item.m_sName), &item);
    CMessageFile message;
    const std::string& data = stream->m_sData;
    for (size_t at = kTopHeader; at + kPropertyEntry <= data.size(); at += kPropertyEntry)
    {
        const uint32_t tag = Get32(data, at);
        CMessageProperty property;
        property.m_nId = static_cast<uint16_t>(tag >> 16);
        property.m_nType = static_cast<uint16_t>(tag & 0xFFFF);
        if (property.m_nId >= kFirstNamedId)
        {
            const auto name = names.find(property.m_nId);
            if (name == names.end())
                continue;
            property.m_oName = name->second;
        }
        if (IsVariable(property.m_nType))
        {
            const auto value = streams.find(UpperName(StreamName(tag)));
            if (value == streams.end())
                continue;
            property.m_sValue = value->second->m_sData;
        }
        else
            property.m_sValue = data.substr(at + 8, 8);
        message.m_vProperties.push_back(std::move(property));
    }
    return message;
}
} // namespace olstandin
