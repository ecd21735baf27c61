// compose/fields/recipient_block.cpp: writing and reading "SMSRecip" blocks. The reader checks the
// whole data first, with nothing but views into it, and only then asks the core for records.
#include "compose/fields/recipient_block.h"

#include "Addressbook/messaging/phone_rules.h"

#include <string_view>

namespace compose
{
namespace
{
void PutU32(std::string& p_sOut, uint32_t p_dwValue)
{
    for (int i = 0; i < 4; ++i)
        p_sOut.push_back(static_cast<char>((p_dwValue >> (8 * i)) & 0xFF));
}

void PutString(std::string& p_sOut, const char* p_szText)
{
    const std::string_view text = p_szText == nullptr ? std::string_view() : std::string_view(p_szText);
    PutU32(p_sOut, static_cast<uint32_t>(text.size()));
    p_sOut.append(text.data(), text.size());
}

void PutProps(std::string& p_sOut, const CRecipientPropList* p_p_oProps)
{
    uint32_t count = 0;
    for (auto* node = p_p_oProps != nullptr ? p_p_oProps->m_p_oFirst : nullptr; node != nullptr; node = node->m_p_oNext)
        if (node->m_p_oItem != nullptr)
            ++count;
    PutU32(p_sOut, count);
    for (auto* node = p_p_oProps != nullptr ? p_p_oProps->m_p_oFirst : nullptr; node != nullptr; node = node->m_p_oNext)
        if (node->m_p_oItem != nullptr)
        {
            PutString(p_sOut, node->m_p_oItem->m_szName);
            PutString(p_sOut, node->m_p_oItem->m_szValue);
        }
}

bool CarriesMembers(int32_t p_iEntryKind, uint32_t p_dwEntryBytes)
{
    return p_iEntryKind == EID_TYPE_BULK && p_dwEntryBytes != 0;
}

struct CPropView
{
    std::string_view m_sName;
    std::string_view m_sValue;
};

struct CMemberView
{
    std::string_view m_sName;
    std::string_view m_sEmail;
    std::string_view m_sMobile;
    std::vector<CPropView> m_vProps;
};

struct CBlockView
{
    std::string_view m_sName;
    std::string_view m_sEmail;
    std::string_view m_sMobile;
    std::string_view m_sDisplay;
    int32_t m_iEntryKind = 0;
    uint32_t m_dwEntryBytes = 0;
    const uint8_t* m_pEntryBytes = nullptr;
    int32_t m_iKind = 0;
    uint32_t m_dwState = 0;
    uint32_t m_dwOptions = 0;
    std::vector<CPropView> m_vProps;
    std::vector<CMemberView> m_vMembers;
};

// Reads little-endian fields; every length is held against the bytes that are left.
class CBlockReader
{
  public:
    CBlockReader(const uint8_t* p_pData, size_t p_nSize) : m_pData(p_pData), m_nSize(p_nSize)
    {
    }
    size_t Left() const
    {
        return m_nSize - m_nAt;
    }
    bool U32(uint32_t& p_dwValue)
    {
        if (Left() < 4)
            return false;
        p_dwValue = static_cast<uint32_t>(m_pData[m_nAt]) | static_cast<uint32_t>(m_pData[m_nAt + 1]) << 8 |
                    static_cast<uint32_t>(m_pData[m_nAt + 2]) << 16 | static_cast<uint32_t>(m_pData[m_nAt + 3]) << 24;
        m_nAt += 4;
        return true;
    }
    bool I32(int32_t& p_iValue)
    {
        uint32_t value = 0;
        if (!U32(value))
            return false;
        p_iValue = static_cast<int32_t>(value);
        return true;
    }
    bool Bytes(uint32_t p_dwCount, const uint8_t*& p_pBytes)
    {
        if (p_dwCount > Left())
            return false;
        p_pBytes = m_pData + m_nAt;
        m_nAt += p_dwCount;
        return true;
    }
    bool String(std::string_view& p_sText)
    {
        uint32_t length = 0;
        const uint8_t* bytes = nullptr;
        if (!U32(length) || !Bytes(length, bytes))
            return false;
        p_sText = std::string_view(reinterpret_cast<const char*>(bytes), length);
        return true;
    }
    // A count of items each at least p_nMinItem bytes long cannot exceed what is left.
    bool Count(size_t p_nMinItem, uint32_t& p_dwCount)
    {
        return U32(p_dwCount) && p_dwCount <= Left() / p_nMinItem;
    }
    bool Props(std::vector<CPropView>& p_vProps)
    {
        uint32_t count = 0;
        if (!Count(8, count))
            return false;
        p_vProps.resize(count);
        for (CPropView& prop : p_vProps)
            if (!String(prop.m_sName) || !String(prop.m_sValue))
                return false;
        return true;
    }

  private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nAt = 0;
};

bool ReadBlock(CBlockReader& p_oReader, CBlockView& p_oBlock)
{
    if (!p_oReader.String(p_oBlock.m_sName) || !p_oReader.String(p_oBlock.m_sEmail) ||
        !p_oReader.String(p_oBlock.m_sMobile) || !p_oReader.String(p_oBlock.m_sDisplay) ||
        !p_oReader.I32(p_oBlock.m_iEntryKind) || !p_oReader.U32(p_oBlock.m_dwEntryBytes) ||
        !p_oReader.Bytes(p_oBlock.m_dwEntryBytes, p_oBlock.m_pEntryBytes) || !p_oReader.I32(p_oBlock.m_iKind) ||
        !p_oReader.U32(p_oBlock.m_dwState) || !p_oReader.U32(p_oBlock.m_dwOptions) ||
        !p_oReader.Props(p_oBlock.m_vProps))
        return false;
    if (!CarriesMembers(p_oBlock.m_iEntryKind, p_oBlock.m_dwEntryBytes))
        return true;
    uint32_t count = 0;
    // A member is at least three empty strings and its property count.
    if (!p_oReader.Count(16, count))
        return false;
    p_oBlock.m_vMembers.resize(count);
    for (CMemberView& member : p_oBlock.m_vMembers)
        if (!p_oReader.String(member.m_sName) || !p_oReader.String(member.m_sEmail) ||
            !p_oReader.String(member.m_sMobile) || !p_oReader.Props(member.m_vProps))
            return false;
    return true;
}

bool OnlyPadding(const uint8_t* p_pData, size_t p_nSize)
{
    if (p_nSize >= kMinRecipientBlock)
        return false;
    for (size_t i = 0; i < p_nSize; ++i)
        if (p_pData[i] != 0)
            return false;
    return true;
}

// The state a pasted member gets from its number, as the import gives it.
uint32_t MemberState(const std::string& p_sMobile)
{
    if (p_sMobile.empty() || p_sMobile == kNoMobilePlaceholder)
        return kStateNoMobile;
    return IsInvalidMobile(p_sMobile.c_str()) ? kStateInvalidMobile : kStateResolved;
}

bool AddProps(const CRecipientFactory& p_oFactory, CMessageRecipient* p_p_oRecipient,
              const std::vector<CPropView>& p_vProps)
{
    for (const CPropView& prop : p_vProps)
        if (!p_oFactory.m_pfnAddExtraProp(p_p_oRecipient, std::string(prop.m_sName).c_str(),
                                          std::string(prop.m_sValue).c_str()))
            return false;
    return true;
}

// Makes the recipient of one checked block; null when the core refused anything (what was made is
// freed again).
CMessageRecipient* Create(const CBlockView& p_oBlock, const CRecipientFactory& p_oFactory)
{
    const std::string display(p_oBlock.m_sDisplay);
    const std::string mobile(p_oBlock.m_sMobile);
    const std::string email(p_oBlock.m_sEmail);
    const std::string name(p_oBlock.m_sName);
    uint32_t state = p_oBlock.m_dwState;
    for (const CMemberView& member : p_oBlock.m_vMembers)
        if (MemberState(std::string(member.m_sMobile)) != kStateResolved)
            state = kStateListIncomplete;
    CMessageRecipient* recipient = nullptr;
    if (!p_oFactory.m_pfnCreateMessageRecipientFromDetails(
            state, p_oBlock.m_iKind, display.c_str(), mobile.c_str(), email.c_str(), name.c_str(),
            p_oBlock.m_iEntryKind, p_oBlock.m_dwEntryBytes, p_oBlock.m_pEntryBytes, p_oBlock.m_dwOptions, &recipient) ||
        recipient == nullptr)
        return nullptr;
    bool bMade = AddProps(p_oFactory, recipient, p_oBlock.m_vProps);
    if (bMade && !p_oBlock.m_vMembers.empty())
        bMade = p_oFactory.m_pfnAddDistList(recipient) != 0 && recipient->m_p_mrlMembers != nullptr;
    for (size_t i = 0; bMade && i < p_oBlock.m_vMembers.size(); ++i)
    {
        const CMemberView& view = p_oBlock.m_vMembers[i];
        const std::string memberName(view.m_sName);
        const std::string memberMobile(view.m_sMobile);
        const std::string memberEmail(view.m_sEmail);
        CMessageRecipient* member = nullptr;
        // Members take the list's token permissions: the merge reads them from each member.
        bMade = p_oFactory.m_pfnCreateMessageRecipientFromDetails(
                    MemberState(memberMobile), kKindIndividual, memberName.c_str(), memberMobile.c_str(),
                    memberEmail.c_str(), memberName.c_str(), EID_TYPE_BULK, 0, nullptr, p_oBlock.m_dwOptions,
                    &member) != 0 &&
                member != nullptr;
        if (bMade)
            bMade = AddProps(p_oFactory, member, view.m_vProps) &&
                    p_oFactory.m_pfnAddMessageRecipient(recipient->m_p_mrlMembers, member) != 0;
        if (!bMade && member != nullptr)
            p_oFactory.m_pfnDeleteMessageRecipient(&member);
    }
    if (!bMade)
        p_oFactory.m_pfnDeleteMessageRecipient(&recipient);
    return recipient;
}
} // namespace

void WriteRecipientBlock(const CMessageRecipient& p_oRecipient, std::string& p_sOut)
{
    PutString(p_sOut, p_oRecipient.m_szName);
    PutString(p_sOut, p_oRecipient.m_szEmail);
    PutString(p_sOut, p_oRecipient.m_szMobile);
    PutString(p_sOut, p_oRecipient.m_szDisplayText);
    const CEntryID* entry = p_oRecipient.m_p_oEntry;
    const uint32_t entryBytes = entry != nullptr && entry->m_p_bBytes != nullptr ? entry->m_dwByteCount : 0;
    const int32_t entryKind = entry != nullptr ? entry->m_iKind : 0;
    PutU32(p_sOut, static_cast<uint32_t>(entryKind));
    PutU32(p_sOut, entryBytes);
    if (entryBytes != 0)
        p_sOut.append(reinterpret_cast<const char*>(entry->m_p_bBytes), entryBytes);
    PutU32(p_sOut, static_cast<uint32_t>(p_oRecipient.m_iKind));
    PutU32(p_sOut, p_oRecipient.m_dwState);
    PutU32(p_sOut, p_oRecipient.m_dwOptions);
    PutProps(p_sOut, p_oRecipient.m_p_oExtraProps);
    if (!CarriesMembers(entryKind, entryBytes))
        return;
    const CMessageRecipientList* members = p_oRecipient.m_p_mrlMembers;
    uint32_t count = 0;
    for (auto* node = members != nullptr ? members->m_p_oFirst : nullptr; node != nullptr; node = node->m_p_oNext)
        if (node->m_p_oItem != nullptr)
            ++count;
    PutU32(p_sOut, count);
    for (auto* node = members != nullptr ? members->m_p_oFirst : nullptr; node != nullptr; node = node->m_p_oNext)
    {
        const CMessageRecipient* member = node->m_p_oItem;
        if (member == nullptr)
            continue;
        PutString(p_sOut, member->m_szName);
        PutString(p_sOut, member->m_szEmail);
        PutString(p_sOut, member->m_szMobile);
        PutProps(p_sOut, member->m_p_oExtraProps);
    }
}

EBlockResult ReadRecipientBlocks(const uint8_t* p_pData, size_t p_nSize, const CRecipientFactory& p_oFactory,
                                 std::vector<CMessageRecipient*>& p_vOut)
{
    p_vOut.clear();
    if (p_pData == nullptr && p_nSize != 0)
        return EBlockResult::Malformed;
    std::vector<CBlockView> blocks;
    CBlockReader reader(p_pData, p_nSize);
    while (reader.Left() != 0 && !OnlyPadding(p_pData + (p_nSize - reader.Left()), reader.Left()))
    {
        blocks.emplace_back();
        if (!ReadBlock(reader, blocks.back()))
            return EBlockResult::Malformed;
    }
    std::vector<CMessageRecipient*> made;
    made.reserve(blocks.size());
    for (const CBlockView& block : blocks)
    {
        CMessageRecipient* recipient = Create(block, p_oFactory);
        if (recipient == nullptr)
        {
            for (CMessageRecipient*& done : made)
                p_oFactory.m_pfnDeleteMessageRecipient(&done);
            return EBlockResult::CreationFailed;
        }
        made.push_back(recipient);
    }
    p_vOut = std::move(made);
    return EBlockResult::Ok;
}
} // namespace compose
