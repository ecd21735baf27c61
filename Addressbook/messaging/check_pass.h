// Addressbook/messaging/check_pass.h: the portable half of Check: resolving typed recipients
// through an address book, checking distribution lists, removing duplicates across To and Cc,
// the problem rows the fix wizard shows and what "Ignore" keeps.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/country_code.h"
#include "Addressbook/messaging/recipient.h"

#include <string>
#include <vector>

// What Check asks of the address books. Matches come back as recipients: people made by
// NewPersonRecipient (state 1, 4 or 5), lists by NewListRecipient.
class ICheckAddressBook
{
  public:
    virtual ~ICheckAddressBook() = default;
    // False when there is no address book to ask: typed text then stays unresolved (state 0)
    // instead of being judged as matching no one.
    virtual bool CanResolve() const
    {
        return true;
    }
    // Appends every entry the typed text names; none appended means no match.
    virtual void Resolve(const std::string& p_sText, std::vector<RecipientPtr>& p_vMatches) = 0;
    // Fills the members of a list entry; false when the list cannot be read.
    virtual bool ExpandList(const CEntryID& p_oList, CMessageRecipientList& p_oMembers) = 0;
};

// Resolves one recipient in state 0 (a typed phone number becomes state 6) and checks a list in
// state 7. Other states are left as they are.
void ResolveRecipient(CMessageRecipient& p_oRecipient, ICheckAddressBook& p_oBook);
// ResolveRecipient for every recipient of the list (null is accepted).
void ResolveRecipients(CMessageRecipientList* p_p_mrlList, ICheckAddressBook& p_oBook);

// The recipient takes over the chosen match (a candidate, or a contact just made) and is resolved
// as that match would be: a list is expanded and checked. The recipient keeps its options.
void AdoptMatch(CMessageRecipient& p_oRecipient, RecipientPtr p_oMatch, ICheckAddressBook& p_oBook);

// Expands a list that has no members yet and sets state 9 when every member (nested lists
// included) can be sent to, else 8.
void CheckListMembers(CMessageRecipient& p_oList, ICheckAddressBook& p_oBook);
// Whether a list in state 8 or 9 now has every member usable; sets the state to match.
void UpdateListState(CMessageRecipient& p_oList);

// One row of the problem summary: a recipient in state 2, 3, 4, 5 or 8 with its problem text id.
struct CProblemRow
{
    CMessageRecipient* m_p_oRecipient = nullptr;
    unsigned m_uTextId = 0;
};
// The rows of To and then Cc, in list order.
std::vector<CProblemRow> ProblemRows(CMessageRecipientList* p_p_mrlTo, CMessageRecipientList* p_p_mrlCc);
// The string-table id of a state's problem text; 0 for states that are no problem.
unsigned ProblemTextId(uint32_t p_dwState);

// Someone to send to: a usable person, or a list (other than one still unchecked) with at least
// one usable member.
bool HoldsUsable(const CMessageRecipientList* p_p_mrlList);

// What "Ignore" sends to: usable people stay, lists keep their usable members and go when none
// is left, everyone else is removed.
void KeepOnlyUsable(CMessageRecipientList& p_oList);
