// Addressbook/addressbook/exmapi_members.h: the entry ids a contact-folder distribution list keeps
// for its members (wrapped entry ids and one-off entry ids, in their published byte layouts), read
// and written without MAPI so the decoders can be tested on their own.
#pragma once

#include "Addressbook/addressbook/page_cache.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What a member entry id stands for, from the low four bits of a wrapped entry id's type.
enum class EListMember
{
    OneOff,       // a name and address only
    Contact,      // an e-mail slot of a contact item in a store
    PersonalList, // another contact-folder distribution list
    GalUser,      // an address-book mail user
    GalList,      // an address-book distribution list
};

struct COneOffAddress
{
    std::string m_sName;
    std::string m_sAddrType;
    std::string m_sAddress;
};

struct CListMember
{
    EListMember m_eKind = EListMember::OneOff;
    CEntryBytes m_vEntryId; // the embedded entry id (the one-off itself for a one-off)
    std::optional<COneOffAddress> m_oOneOff;
    // For a contact, the e-mail slot the member stands for (0 to 2 for Email1 to Email3); none
    // for its fax numbers and for the other kinds.
    std::optional<int> m_oiEmailSlot;
};

// Turns the UTF-16 strings of a Unicode one-off into the library's ANSI text.
using WideToAnsiFn = std::function<std::string(std::u16string_view)>;

// A one-off entry id's name, address type and address; none when the bytes are not a complete
// one-off entry id.
std::optional<COneOffAddress> DecodeOneOffEntryId(const CEntryBytes& p_vEntryId, const WideToAnsiFn& p_fnWideToAnsi);
// A member entry id: a wrapped entry id, or a bare one-off. None for anything else.
std::optional<CListMember> DecodeListMember(const CEntryBytes& p_vEntryId, const WideToAnsiFn& p_fnWideToAnsi);
// An ANSI one-off entry id, as a contact's original entry id of a plain address.
CEntryBytes MakeOneOffEntryId(std::string_view p_sName, std::string_view p_sAddrType, std::string_view p_sAddress);
// A member entry id wrapping p_vEntryId as p_eKind, a contact by its e-mail slot p_iEmailSlot (0 to
// 2); a one-off is returned as it is.
CEntryBytes WrapListMember(EListMember p_eKind, const CEntryBytes& p_vEntryId, int p_iEmailSlot = 0);
