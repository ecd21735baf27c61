// Addressbook/messaging/entry_id.cpp: address-book entries and their allocators.
#include "Addressbook/messaging/entry_id.h"

#include <atomic>
#include <cstring>
#include <new>

namespace
{
class CPlainEntryAllocator final : public CEntryAllocator
{
  public:
    void* AllocateEntryBytes(uint32_t p_dwSize) override
    {
        return ::operator new(p_dwSize);
    }
    void FreeEntryBytes(void* p_pBytes) override
    {
        ::operator delete(p_pBytes);
    }
};

std::atomic<CEntryAllocator*> g_p_oAddressBookAllocator{nullptr};

int HexDigitValue(wchar_t p_c)
{
    if (p_c >= L'0' && p_c <= L'9')
        return p_c - L'0';
    if (p_c >= L'a' && p_c <= L'f')
        return p_c - L'a' + 10;
    if (p_c >= L'A' && p_c <= L'F')
        return p_c - L'A' + 10;
    return -1;
}
} // namespace

CEntryID::~CEntryID()
{
    if (m_p_bBytes != nullptr && m_p_oAllocator != nullptr)
        m_p_oAllocator->FreeEntryBytes(m_p_bBytes);
}

CEntryAllocator& PlainEntryAllocator()
{
    static CPlainEntryAllocator s_oAllocator;
    return s_oAllocator;
}

void SetAddressBookEntryAllocator(CEntryAllocator* p_p_oAllocator)
{
    g_p_oAddressBookAllocator.store(p_p_oAllocator);
}

CEntryAllocator* AddressBookEntryAllocator()
{
    return g_p_oAddressBookAllocator.load();
}

std::unique_ptr<CEntryID> MakeEntry(int32_t p_iKind, uint32_t p_dwByteCount, const uint8_t* p_p_bBytes,
                                    CEntryAllocator* p_p_oAllocator)
{
    auto oEntry = std::make_unique<CEntryID>();
    oEntry->m_iKind = p_iKind;
    oEntry->m_dwOwnsAllocator = p_p_oAllocator == nullptr ? 1 : 0;
    oEntry->m_p_oAllocator = p_p_oAllocator == nullptr ? &PlainEntryAllocator() : p_p_oAllocator;
    if (p_dwByteCount == 0 || p_p_bBytes == nullptr)
        return oEntry;
    void* p_pBytes = oEntry->m_p_oAllocator->AllocateEntryBytes(p_dwByteCount);
    if (p_pBytes == nullptr)
        throw std::bad_alloc();
    std::memcpy(p_pBytes, p_p_bBytes, p_dwByteCount);
    oEntry->m_p_bBytes = static_cast<uint8_t*>(p_pBytes);
    oEntry->m_dwByteCount = p_dwByteCount;
    return oEntry;
}

std::unique_ptr<CEntryID> CopyEntry(const CEntryID& p_oSource)
{
    CEntryAllocator* p_oAllocator = p_oSource.m_dwOwnsAllocator != 0 ? nullptr : p_oSource.m_p_oAllocator;
    return MakeEntry(p_oSource.m_iKind, p_oSource.m_dwByteCount, p_oSource.m_p_bBytes, p_oAllocator);
}

std::unique_ptr<CEntryID> EntryFromHexText(std::wstring_view p_sHex)
{
    if (p_sHex.size() % 2 != 0 || p_sHex.size() / 2 > UINT32_MAX)
        return nullptr;
    std::string bytes(p_sHex.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        const int iHigh = HexDigitValue(p_sHex[2 * i]);
        const int iLow = HexDigitValue(p_sHex[2 * i + 1]);
        if (iHigh < 0 || iLow < 0)
            return nullptr;
        bytes[i] = static_cast<char>(iHigh * 16 + iLow);
    }
    return MakeEntry(EID_TYPE_STORE, static_cast<uint32_t>(bytes.size()),
                     reinterpret_cast<const uint8_t*>(bytes.data()), AddressBookEntryAllocator());
}

std::string EntryKey(const CEntryID& p_oEntry)
{
    std::string key(reinterpret_cast<const char*>(&p_oEntry.m_p_oAllocator), sizeof(p_oEntry.m_p_oAllocator));
    if (p_oEntry.m_p_bBytes != nullptr)
        key.append(reinterpret_cast<const char*>(p_oEntry.m_p_bBytes), p_oEntry.m_dwByteCount);
    return key;
}
