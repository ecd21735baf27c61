// Addressbook/messaging/check_pass.cpp: resolving typed recipients, checking lists, the problem
// rows and what "Ignore" keeps.
#include "Addressbook/messaging/check_pass.h"

#include "Addressbook/messaging/check_texts.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/phone_rules.h"

#include <utility>

namespace
{
// Nested lists deeper than this count as unreadable: a list that contains itself would
// otherwise be followed for ever.
constexpr int kMaxCheckNesting = 32;

template <class F> void ForEachRecipient(const CMessageRecipientList* p_p_mrlList, F&& p_fn)
{
    if (p_p_mrlList == nullptr)
        return;
    for (auto* p_oNode = p_p_mrlList->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        if (p_oNode->m_p_oItem != nullptr)
            p_fn(*p_oNode->m_p_oItem);
}

bool IsList(const CMessageRecipient& p_oRecipient)
{
    return p_oRecipient.m_iKind == kKindDistList;
}

// Every member can be sent to; a nested list counts when all of its own members can.
bool AllMembersUsable(const CMessageRecipient& p_oList, int p_iDepth)
{
    if (p_iDepth > kMaxCheckNesting || p_oList.m_p_mrlMembers == nullptr || p_oList.m_p_mrlMembers->m_dwCount == 0)
        return false;
    bool bAll = true;
    ForEachRecipient(p_oList.m_p_mrlMembers, [&](const CMessageRecipient& p_oMember) {
        if (IsList(p_oMember) ? !AllMembersUsable(p_oMember, p_iDepth + 1) : !IsUsable(p_oMember))
            bAll = false;
    });
    return bAll;
}

bool AnyMemberUsable(const CMessageRecipient& p_oList, int p_iDepth)
{
    if (p_iDepth > kMaxCheckNesting)
        return false;
    bool bAny = false;
    ForEachRecipient(p_oList.m_p_mrlMembers, [&](const CMessageRecipient& p_oMember) {
        if (IsList(p_oMember) ? AnyMemberUsable(p_oMember, p_iDepth + 1) : IsUsable(p_oMember))
            bAny = true;
    });
    return bAny;
}

// Moves everything but the options from the match into the recipient; the match is left with the
// recipient's old values and frees them.
void TakeOver(CMessageRecipient& p_oRecipient, CMessageRecipient& p_oMatch)
{
    std::swap(p_oRecipient.m_dwState, p_oMatch.m_dwState);
    std::swap(p_oRecipient.m_iKind, p_oMatch.m_iKind);
    std::swap(p_oRecipient.m_szDisplayText, p_oMatch.m_szDisplayText);
    std::swap(p_oRecipient.m_szMobile, p_oMatch.m_szMobile);
    std::swap(p_oRecipient.m_szEmail, p_oMatch.m_szEmail);
    std::swap(p_oRecipient.m_szName, p_oMatch.m_szName);
    std::swap(p_oRecipient.m_p_oEntry, p_oMatch.m_p_oEntry);
    std::swap(p_oRecipient.m_p_mrlMembers, p_oMatch.m_p_mrlMembers);
    std::swap(p_oRecipient.m_p_oExtraProps, p_oMatch.m_p_oExtraProps);
}

// Keeps the usable members of a list (nested lists with theirs); false when none is left.
bool PruneList(CMessageRecipient& p_oList, int p_iDepth)
{
    if (p_oList.m_p_mrlMembers == nullptr || p_iDepth > kMaxCheckNesting)
        return false;
    CMessageRecipientList& oMembers = *p_oList.m_p_mrlMembers;
    for (auto* p_oNode = oMembers.m_p_oFirst; p_oNode != nullptr;)
    {
        auto* p_oNext = p_oNode->m_p_oNext;
        CMessageRecipient* p_oMember = p_oNode->m_p_oItem;
        const bool bKeep =
            p_oMember != nullptr && (IsList(*p_oMember) ? PruneList(*p_oMember, p_iDepth + 1) : IsUsable(*p_oMember));
        if (!bKeep)
            RemoveNode(oMembers, p_oNode);
        p_oNode = p_oNext;
    }
    if (oMembers.m_dwCount == 0)
        return false;
    p_oList.m_dwState = kStateListComplete;
    return true;
}
} // namespace

void ResolveRecipient(CMessageRecipient& p_oRecipient, ICheckAddressBook& p_oBook)
{
    if (IsList(p_oRecipient) && p_oRecipient.m_dwState == kStateListUnchecked)
    {
        CheckListMembers(p_oRecipient, p_oBook);
        return;
    }
    if (p_oRecipient.m_dwState != kStateUnresolved)
        return;
    const std::string sText(TextOf(p_oRecipient.m_szDisplayText));
    if (sText.empty())
        return;
    if (PassesSendTest(sText.c_str()))
    {
        SetTypedNumber(p_oRecipient);
        return;
    }
    if (!p_oBook.CanResolve())
        return;
    std::vector<RecipientPtr> vMatches;
    p_oBook.Resolve(sText, vMatches);
    if (vMatches.empty())
    {
        SetNoMatch(p_oRecipient);
        return;
    }
    if (vMatches.size() == 1)
    {
        AdoptMatch(p_oRecipient, std::move(vMatches.front()), p_oBook);
        return;
    }
    RecipientListPtr mrlCandidates = NewList<CMessageRecipientList>();
    for (RecipientPtr& oMatch : vMatches)
        AppendItem(*mrlCandidates, std::move(oMatch));
    SetMultipleMatches(p_oRecipient, std::move(mrlCandidates));
}

void ResolveRecipients(CMessageRecipientList* p_p_mrlList, ICheckAddressBook& p_oBook)
{
    ForEachRecipient(p_p_mrlList, [&](CMessageRecipient& p_oRecipient) { ResolveRecipient(p_oRecipient, p_oBook); });
}

void AdoptMatch(CMessageRecipient& p_oRecipient, RecipientPtr p_oMatch, ICheckAddressBook& p_oBook)
{
    if (!p_oMatch)
        return;
    TakeOver(p_oRecipient, *p_oMatch);
    p_oMatch.reset();
    if (IsList(p_oRecipient))
    {
        // A candidate list carries no members yet: it is checked as one the user picked.
        p_oRecipient.m_dwState = kStateListUnchecked;
        CheckListMembers(p_oRecipient, p_oBook);
    }
}

void CheckListMembers(CMessageRecipient& p_oList, ICheckAddressBook& p_oBook)
{
    EnsureMembersList(p_oList);
    if (p_oList.m_p_mrlMembers->m_dwCount == 0 && p_oList.m_p_oEntry != nullptr &&
        !p_oBook.ExpandList(*p_oList.m_p_oEntry, *p_oList.m_p_mrlMembers))
    {
        // What was read before the failure is kept; the list cannot be complete.
        p_oList.m_dwState = kStateListIncomplete;
        return;
    }
    UpdateListState(p_oList);
}

void UpdateListState(CMessageRecipient& p_oList)
{
    p_oList.m_dwState = AllMembersUsable(p_oList, 0) ? kStateListComplete : kStateListIncomplete;
}

unsigned ProblemTextId(uint32_t p_dwState)
{
    switch (p_dwState)
    {
    case kStateMultipleMatches:
        return kMsgProblemMultipleMatches;
    case kStateNoMatch:
        return kMsgProblemNoMatches;
    case kStateNoMobile:
        return kMsgProblemNoMobile;
    case kStateInvalidMobile:
        return kMsgProblemInvalidMobile;
    case kStateListIncomplete:
        return kMsgProblemListMembers;
    default:
        return 0;
    }
}

std::vector<CProblemRow> ProblemRows(CMessageRecipientList* p_p_mrlTo, CMessageRecipientList* p_p_mrlCc)
{
    std::vector<CProblemRow> vRows;
    for (CMessageRecipientList* p_mrlList : {p_p_mrlTo, p_p_mrlCc})
        ForEachRecipient(p_mrlList, [&](CMessageRecipient& p_oRecipient) {
            if (const unsigned uText = ProblemTextId(p_oRecipient.m_dwState); uText != 0)
                vRows.push_back({&p_oRecipient, uText});
        });
    return vRows;
}

bool HoldsUsable(const CMessageRecipientList* p_p_mrlList)
{
    bool bUsable = false;
    ForEachRecipient(p_p_mrlList, [&](const CMessageRecipient& p_oRecipient) {
        if (IsList(p_oRecipient) ? p_oRecipient.m_dwState != kStateListUnchecked && AnyMemberUsable(p_oRecipient, 0)
                                 : IsUsable(p_oRecipient))
            bUsable = true;
    });
    return bUsable;
}

void KeepOnlyUsable(CMessageRecipientList& p_oList)
{
    for (auto* p_oNode = p_oList.m_p_oFirst; p_oNode != nullptr;)
    {
        auto* p_oNext = p_oNode->m_p_oNext;
        CMessageRecipient* p_oRecipient = p_oNode->m_p_oItem;
        const bool bKeep =
            p_oRecipient != nullptr && (IsList(*p_oRecipient) ? PruneList(*p_oRecipient, 0) : IsUsable(*p_oRecipient));
        if (!bKeep)
            RemoveNode(p_oList, p_oNode);
        p_oNode = p_oNext;
    }
}
