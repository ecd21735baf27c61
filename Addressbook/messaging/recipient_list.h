// Addressbook/messaging/recipient_list.h: what the send pipeline and the dialogs do to whole
// recipient lists: flattening to distinct mobiles, removing duplicates, dropping the local user.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/country_code.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/mobile_key_set.h"

#include "common/error_slot.h"

#include <functional>
#include <string>
#include <vector>

// Distribution lists deeper than this are not followed: real address books nest a few levels,
// and the limit keeps the walk's stack bounded whatever a host builds.
constexpr int kMaxListNesting = 32;

// Fills p_oMembers with the members of a distribution list that came from an address book (entry
// kind EID_TYPE_STORE or EID_TYPE_AB) and was picked without them; nested lists come back with
// their own members. False when the list cannot be read: it then counts as empty.
using DistListExpander = std::function<bool(const CEntryID& p_oList, CMessageRecipientList& p_oMembers)>;
// The expander flattening uses; the library sets it while its address books are open and clears it
// (an empty function) before they close.
void SetDistListExpander(DistListExpander p_fnExpand);

// A new owning list with the flattened first list and then the flattened second one (either may
// be null): only mobiles that pass the send test, each mobile key once, distribution lists kept
// with their distinct members and dropped when none is left. Returns 0 without an out-parameter
// or when memory runs out (*p_pp_mrlOut is then null).
[[nodiscard]] int GetCombinedFlatNonDuplicateList(const CMessageRecipientList* p_p_mrlFirst,
                                                  const CMessageRecipientList* p_p_mrlSecond,
                                                  CMessageRecipientList** p_pp_mrlOut,
                                                  CCountryCode& p_oCountry = ProcessCountryCode());

// The individuals of the lists, members of distribution lists included: what a flattening of
// them can hold at most.
size_t CountIndividuals(const CMessageRecipientList* p_p_mrlList);

// The entries of the two lists' top levels. A job's key set is sized by it before the walk, which
// reads every recipient once; members of distribution lists grow the set as they are met.
size_t TopLevelCount(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond);

// Calls p_fnVisit for each individual the combined flat list would hold, in its order, without
// copying anyone.
void VisitCombinedFlatRecipients(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond,
                                 CMobileKeySet& p_oKeys,
                                 const std::function<void(const CMessageRecipient&)>& p_fnVisit);

// What a walk through every individual of a list reports: distribution lists are entered (each
// list once, as the other walks here) and their members reported one level deeper.
class CRecipientTreeVisitor
{
  public:
    virtual void Individual(const CMessageRecipient& p_oRecipient, int p_iDepth) = 0;
    virtual void EnterList(const CMessageRecipient& p_oList, int p_iDepth) = 0;
    virtual void LeaveList(const CMessageRecipient& p_oList, int p_iDepth) = 0;

  protected:
    ~CRecipientTreeVisitor() = default;
};
// Walks the list in order, each individual once per occurrence, whatever its mobile; the
// individuals met are those CountIndividuals counts. Members read from the address book for the
// walk die with it unless p_p_vKeep takes them, for a caller that keeps pointers to them.
void WalkRecipientTree(const CMessageRecipientList* p_p_mrlList, CRecipientTreeVisitor& p_oVisitor,
                       std::vector<ListPtr<CMessageRecipientList>>* p_p_vKeep = nullptr);

// Drops repeated people from a list of two or more, keyed by mobile, else e-mail, else entry.
// When something was dropped the list is replaced by the reduced copy and true is returned.
[[nodiscard]] bool RemoveDuplicateRecipients(CMessageRecipientList*& p_p_mrlList,
                                             CCountryCode& p_oCountry = ProcessCountryCode());

// RemoveDuplicateRecipients over two lists with one set of keys, so a person in both stays in the
// first, where the first occurrence is. Lists of two or more, counted together, are reduced; each
// list that lost someone is replaced. True when anything was dropped.
[[nodiscard]] bool RemoveDuplicatesAcross(CMessageRecipientList*& p_p_mrlFirst, CMessageRecipientList*& p_p_mrlSecond,
                                          CCountryCode& p_oCountry = ProcessCountryCode());

// Whether an entry is the local user's own (the address-book session decides).
using LocalUserTest = std::function<bool(const CEntryID& p_oEntry)>;

// Removes every recipient without a mobile and every one whose entry is the local user's. A null
// item stops the walk with the error "StripLocalUserFromList() NULL recipient" and returns false.
[[nodiscard]] bool StripLocalUserFromList(CMessageRecipientList& p_oList, const LocalUserTest& p_fnIsLocalUser,
                                          CErrorSlot* p_p_oError = nullptr);
