// tests/unit/oe/oe_test_support.cpp: recipient lists and store files for the Outlook Express tests.
#include "tests/unit/oe/oe_test_support.h"

#include <cstring>

namespace oetest
{
CRecipients::CRecipients()
{
    (void)CreateMessageRecipientList(&m_p_mrlList);
}

CRecipients::~CRecipients()
{
    (void)DeleteMessageRecipientList(&m_p_mrlList);
}

CRecipients& CRecipients::Add(const char* p_szName, const char* p_szEmail, const char* p_szMobile,
                              const char* p_szDisplay)
{
    CMessageRecipient* recipient = nullptr;
    (void)CreateMessageRecipientFromDetails(kStateResolved, kKindIndividual, p_szDisplay, p_szMobile, p_szEmail,
                                            p_szName, EID_TYPE_BULK, 0, nullptr, kDefaultRecipientOptions, &recipient);
    (void)AddMessageRecipient(m_p_mrlList, recipient);
    return *this;
}

void Put32(std::vector<uint8_t>& p_vBytes, size_t p_nOffset, uint32_t p_dwValue)
{
    for (int i = 0; i < 4; ++i)
        p_vBytes.at(p_nOffset + i) = static_cast<uint8_t>(p_dwValue >> (8 * i));
}

std::vector<uint8_t> StoreFile(size_t p_nSize, uint32_t p_dwCount, uint32_t p_dwRoot,
                               const std::vector<CNode>& p_vNodes)
{
    std::vector<uint8_t> bytes(p_nSize, 0);
    Put32(bytes, 0xCC, p_dwCount);
    Put32(bytes, 0xEC, p_dwRoot);
    for (const CNode& node : p_vNodes)
    {
        const size_t at = node.m_dwOffset;
        Put32(bytes, at, node.m_dwMarker == 0xFFFFFFFF ? node.m_dwOffset : node.m_dwMarker);
        Put32(bytes, at + 8, node.m_dwLeft);
        Put32(bytes, at + 12, node.m_dwParent);
        bytes.at(at + 17) = static_cast<uint8_t>(node.m_iEntryCount >= 0 ? node.m_iEntryCount
                                                                         : static_cast<int>(node.m_vEntries.size()));
        Put32(bytes, at + 20, node.m_dwLeftCount);
        for (size_t i = 0; i < node.m_vEntries.size(); ++i)
        {
            Put32(bytes, at + 24 + 12 * i, node.m_vEntries[i].m_dwValue);
            Put32(bytes, at + 28 + 12 * i, node.m_vEntries[i].m_dwChild);
            Put32(bytes, at + 32 + 12 * i, node.m_vEntries[i].m_dwChildCount);
        }
    }
    return bytes;
}

void PutRecord(std::vector<uint8_t>& p_vBytes, uint32_t p_dwOffset, const std::vector<uint32_t>& p_vIndex,
               const std::vector<uint8_t>& p_vData)
{
    const uint32_t size = static_cast<uint32_t>(p_vIndex.size() * 4 + p_vData.size());
    Put32(p_vBytes, p_dwOffset, p_dwOffset);
    Put32(p_vBytes, p_dwOffset + 4, size);
    p_vBytes.at(p_dwOffset + 10) = static_cast<uint8_t>(p_vIndex.size());
    for (size_t i = 0; i < p_vIndex.size(); ++i)
        Put32(p_vBytes, p_dwOffset + 12 + 4 * i, p_vIndex[i]);
    if (!p_vData.empty())
        std::memcpy(p_vBytes.data() + p_dwOffset + 12 + 4 * p_vIndex.size(), p_vData.data(), p_vData.size());
}

uint32_t Indirect(unsigned p_uField, uint32_t p_dwDataOffset)
{
    return (p_dwDataOffset << 8) | p_uField;
}

uint32_t Direct(unsigned p_uField, uint32_t p_dwValue)
{
    return (p_dwValue << 8) | 0x80 | p_uField;
}
} // namespace oetest
