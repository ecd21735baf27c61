// standins/mapi/store/seed_contacts.h: fills a folder with generated contacts, for measuring the
// stand-in at the size of a large address book.
#pragma once

#include "standins/mapi/store/store_file.h"

#include <cstdint>

namespace mapistore
{
// The Email1 named properties of PSETID_Address.
constexpr uint32_t kLidEmail1AddrType = 0x8082, kLidEmail1Address = 0x8083, kLidEmail1OriginalEntryId = 0x8085;

// Replaces the items of p_folder with p_ulCount contacts (class IPM.Contact, display name, given
// name, surname, mobile, Email1 address type "SMTP", address and a one-off original entry id)
// whose names are varied, in no order, and include leading apostrophes and hyphens. The same
// p_ulSeed gives the same contacts.
void SeedContacts(CStoreFile& p_file, CFolder& p_folder, uint32_t p_ulCount, uint32_t p_ulSeed = 1);
} // namespace mapistore
