// tests/unit/oe/oe_test_support.h: recipient lists for the transfer-file tests and a small writer
// of store files laid out byte by byte as Outlook Express keeps them.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oetest
{
// Owns a recipient list made through the library's own exports.
class CRecipients
{
  public:
    CRecipients();
    ~CRecipients();
    CRecipients(const CRecipients&) = delete;
    CRecipients& operator=(const CRecipients&) = delete;

    // Null texts are absent fields.
    CRecipients& Add(const char* p_szName, const char* p_szEmail, const char* p_szMobile = nullptr,
                     const char* p_szDisplay = nullptr);
    const CMessageRecipientList* List() const
    {
        return m_p_mrlList;
    }

  private:
    CMessageRecipientList* m_p_mrlList = nullptr;
};

void Put32(std::vector<uint8_t>& p_vBytes, size_t p_nOffset, uint32_t p_dwValue);

struct CNodeEntry
{
    uint32_t m_dwValue = 0;
    uint32_t m_dwChild = 0;
    uint32_t m_dwChildCount = 0;
};

// A tree node at its own offset; m_iEntryCount < 0 means the number of entries given.
struct CNode
{
    uint32_t m_dwOffset = 0;
    uint32_t m_dwParent = 0;
    uint32_t m_dwLeft = 0;
    uint32_t m_dwLeftCount = 0;
    std::vector<CNodeEntry> m_vEntries;
    int m_iEntryCount = -1;
    uint32_t m_dwMarker = 0xFFFFFFFF; // the offset unless set
};

// A file of p_nSize bytes with the header's count and root and the nodes written in.
std::vector<uint8_t> StoreFile(size_t p_nSize, uint32_t p_dwCount, uint32_t p_dwRoot,
                               const std::vector<CNode>& p_vNodes);

// An indexed record at p_dwOffset: index entries as given, then the data area.
void PutRecord(std::vector<uint8_t>& p_vBytes, uint32_t p_dwOffset, const std::vector<uint32_t>& p_vIndex,
               const std::vector<uint8_t>& p_vData);
// An index entry pointing at p_dwDataOffset within the data area, or holding p_dwValue itself.
uint32_t Indirect(unsigned p_uField, uint32_t p_dwDataOffset);
uint32_t Direct(unsigned p_uField, uint32_t p_dwValue);
} // namespace oetest
