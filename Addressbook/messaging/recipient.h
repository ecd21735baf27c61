// Addressbook/messaging/recipient.h: making recipients, moving them between resolution states and
// copying them. Every "set" frees what the previous state owned before it takes the new values.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/country_code.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/owned_string.h"

#include <memory>

using RecipientPtr = std::unique_ptr<CMessageRecipient>;
using EntryPtr = std::unique_ptr<CEntryID>;
using RecipientListPtr = ListPtr<CMessageRecipientList>;

// Typed text, not yet resolved: state 0, kind 2, display text = p_szText.
RecipientPtr NewTextRecipient(const char* p_szText);
// An address-book person: state 4 without a mobile, 5 with one that fails the invalid-mobile test,
// else 1; display text and name are the name.
RecipientPtr NewPersonRecipient(EntryPtr p_oEntry, const char* p_szMobile, const char* p_szEmail, const char* p_szName);
// A list read from an address book: state 1, kind 1.
RecipientPtr NewListRecipient(EntryPtr p_oEntry, const char* p_szName);

// Deep copy. Owned members are copied, members the source only refers to are shared. The name
// falls back to the mobile when the source has none, unless p_bNameFromMobile is false.
RecipientPtr CopyRecipient(const CMessageRecipient& p_oSource, bool p_bNameFromMobile = true);
// State, kind, strings, entry and options, without members or extra properties.
RecipientPtr CopyRecipientHeader(const CMessageRecipient& p_oSource);

void SetResolved(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sMobile, OwnedString p_sEmail,
                 OwnedString p_sName);
void SetDistributionList(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sName);
void SetMultipleMatches(CMessageRecipient& p_oRecipient, RecipientListPtr p_mrlCandidates);
void SetNoMatch(CMessageRecipient& p_oRecipient);
void SetNoMobile(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sName, OwnedString p_sEmail);
void SetInvalidMobile(CMessageRecipient& p_oRecipient, EntryPtr p_oEntry, OwnedString p_sName, OwnedString p_sEmail,
                      OwnedString p_sMobile);
// The display text is a number the user typed: mobile and display become "+" and its comparable form.
void SetTypedNumber(CMessageRecipient& p_oRecipient, CCountryCode& p_oCountry = ProcessCountryCode());

// Whether the recipient can be sent to as it stands.
bool IsUsable(const CMessageRecipient& p_oRecipient);

void AddExtraProperty(CMessageRecipient& p_oRecipient, const char* p_szName, const char* p_szValue);
// Gives the recipient an empty members list unless it has one.
void EnsureMembersList(CMessageRecipient& p_oRecipient);
