// Addressbook/messaging/entry_id.h: making, copying and comparing the address-book entries behind
// recipients.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The heap allocator an entry uses when it brings its own.
CEntryAllocator& PlainEntryAllocator();

// The allocator of the global address-book session, when one is open; null means entries made
// "with the session" fall back to an allocator of their own.
void SetAddressBookEntryAllocator(CEntryAllocator* p_p_oAllocator);
CEntryAllocator* AddressBookEntryAllocator();

// An entry whose bytes are a copy of p_p_bBytes made through p_p_oAllocator; a null allocator
// means the entry uses its own. A zero count (or null bytes) copies nothing. Throws std::bad_alloc.
std::unique_ptr<CEntryID> MakeEntry(int32_t p_iKind, uint32_t p_dwByteCount, const uint8_t* p_p_bBytes,
                                    CEntryAllocator* p_p_oAllocator);

// The copy allocates through the source's allocator unless the source owns its allocator, in
// which case the copy makes its own.
std::unique_ptr<CEntryID> CopyEntry(const CEntryID& p_oSource);

// An EID_TYPE_STORE entry from the hexadecimal text of its id (two digits per byte). Text of odd
// length or with anything but hex digits gives null.
std::unique_ptr<CEntryID> EntryFromHexText(std::wstring_view p_sHex);

// Identity of an entry for duplicate checks: its bytes and the allocator they belong to.
std::string EntryKey(const CEntryID& p_oEntry);
