// Addressbook/messaging/recipient_list.cpp: flattening, duplicate removal and local-user stripping.
#include "Addressbook/messaging/recipient_list.h"

#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/packed_key_table.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/messaging/recipient.h"

#include "common/trace_log.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

namespace
{
bool IsDistList(const CMessageRecipient& p_oRecipient)
{
    return p_oRecipient.m_iKind == kKindDistList;
}

std::mutex g_oExpanderMutex;
DistListExpander g_fnExpander;

DistListExpander CurrentExpander()
{
    std::lock_guard<std::mutex> oLock(g_oExpanderMutex);
    return g_fnExpander;
}

// A distribution list reached again (hosts may share a member, even a list within itself) adds no
// new number the first visit did not, so each list is walked once; this also bounds the work for
// lists that contain themselves. The depth limit keeps the stack safe on absurd nesting.
class CListWalk
{
  public:
    bool Enter(const CMessageRecipient& p_oList, int p_iDepth, const char* p_szWho)
    {
        if (p_iDepth >= kMaxListNesting)
        {
            Log("%s: distribution list nested deeper than %d skipped", p_szWho, kMaxListNesting);
            return false;
        }
        return m_oVisited.Insert(reinterpret_cast<uintptr_t>(&p_oList));
    }

    // The members the walk goes through: the list's own, or, for an address-book list picked
    // without them, the members the expander reads. Expanded members live as long as the walk.
    const CMessageRecipientList* MembersOf(const CMessageRecipient& p_oList)
    {
        if (p_oList.m_p_mrlMembers != nullptr && p_oList.m_p_mrlMembers->m_dwCount > 0)
            return p_oList.m_p_mrlMembers;
        const CEntryID* p_oEntry = p_oList.m_p_oEntry;
        if (p_oEntry == nullptr || p_oEntry->m_dwByteCount == 0 ||
            (p_oEntry->m_iKind != EID_TYPE_STORE && p_oEntry->m_iKind != EID_TYPE_AB))
            return p_oList.m_p_mrlMembers;
        const DistListExpander fnExpand = CurrentExpander();
        if (!fnExpand)
            return p_oList.m_p_mrlMembers;
        RecipientListPtr mrlMembers = NewList<CMessageRecipientList>();
        if (!fnExpand(*p_oEntry, *mrlMembers))
        {
            Log("CListWalk::MembersOf: distribution list %s could not be expanded",
                p_oList.m_szName ? p_oList.m_szName : "");
            return p_oList.m_p_mrlMembers;
        }
        m_vExpanded.push_back(std::move(mrlMembers));
        return m_vExpanded.back().get();
    }

    std::vector<RecipientListPtr> TakeExpanded()
    {
        return std::move(m_vExpanded);
    }

  private:
    CPackedKeyTable m_oVisited;
    std::vector<RecipientListPtr> m_vExpanded;
};

// The walk flattening and visiting share: each distribution list entered once, each individual
// admitted by its mobile key.
template <typename FIndividual, typename FList>
void WalkForSending(const CMessageRecipientList* p_p_mrlSource, CMobileKeySet& p_oKeys, CListWalk& p_oWalk,
                    int p_iDepth, const char* p_szWho, FIndividual&& p_fnIndividual, FList&& p_fnList)
{
    if (p_p_mrlSource == nullptr)
        return;
    for (auto* p_oNode = p_p_mrlSource->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageRecipient* p_oItem = p_oNode->m_p_oItem;
        if (p_oItem == nullptr)
            continue;
        if (IsDistList(*p_oItem))
        {
            if (p_oWalk.Enter(*p_oItem, p_iDepth, p_szWho))
                p_fnList(*p_oItem);
        }
        else if (p_oKeys.Admit(*p_oItem))
        {
            p_fnIndividual(*p_oItem);
        }
    }
}

// Flattening for sending: the output list owns deep copies.
void FlattenForSending(const CMessageRecipientList* p_p_mrlSource, CMobileKeySet& p_oKeys, CListWalk& p_oWalk,
                       CMessageRecipientList& p_oOut, int p_iDepth)
{
    WalkForSending(
        p_p_mrlSource, p_oKeys, p_oWalk, p_iDepth, "FlattenForSending",
        [&](const CMessageRecipient& p_oItem) { AppendItem(p_oOut, CopyRecipient(p_oItem)); },
        [&](const CMessageRecipient& p_oItem) {
            RecipientPtr oList = CopyRecipientHeader(p_oItem);
            EnsureMembersList(*oList);
            FlattenForSending(p_oWalk.MembersOf(p_oItem), p_oKeys, p_oWalk, *oList->m_p_mrlMembers, p_iDepth + 1);
            if (oList->m_p_mrlMembers->m_dwCount > 0)
                AppendItem(p_oOut, std::move(oList));
        });
}

void VisitForSending(const CMessageRecipientList* p_p_mrlSource, CMobileKeySet& p_oKeys, CListWalk& p_oWalk,
                     const std::function<void(const CMessageRecipient&)>& p_fnVisit, int p_iDepth)
{
    WalkForSending(p_p_mrlSource, p_oKeys, p_oWalk, p_iDepth, "VisitForSending", p_fnVisit,
                   [&](const CMessageRecipient& p_oItem) {
                       VisitForSending(p_oWalk.MembersOf(p_oItem), p_oKeys, p_oWalk, p_fnVisit, p_iDepth + 1);
                   });
}

size_t CountIndividuals(const CMessageRecipientList* p_p_mrlList, CListWalk& p_oWalk, int p_iDepth)
{
    size_t nCount = 0;
    if (p_p_mrlList == nullptr)
        return 0;
    for (auto* p_oNode = p_p_mrlList->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageRecipient* p_oItem = p_oNode->m_p_oItem;
        if (p_oItem == nullptr)
            continue;
        if (!IsDistList(*p_oItem))
            ++nCount;
        else if (p_oWalk.Enter(*p_oItem, p_iDepth, "CountIndividuals"))
            nCount += CountIndividuals(p_oWalk.MembersOf(*p_oItem), p_oWalk, p_iDepth + 1);
    }
    return nCount;
}

void WalkTree(const CMessageRecipientList* p_p_mrlList, CListWalk& p_oWalk, int p_iDepth,
              CRecipientTreeVisitor& p_oVisitor)
{
    if (p_p_mrlList == nullptr)
        return;
    for (auto* p_oNode = p_p_mrlList->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageRecipient* p_oItem = p_oNode->m_p_oItem;
        if (p_oItem == nullptr)
            continue;
        if (!IsDistList(*p_oItem))
        {
            p_oVisitor.Individual(*p_oItem, p_iDepth);
        }
        else if (p_oWalk.Enter(*p_oItem, p_iDepth, "WalkRecipientTree"))
        {
            p_oVisitor.EnterList(*p_oItem, p_iDepth);
            WalkTree(p_oWalk.MembersOf(*p_oItem), p_oWalk, p_iDepth + 1, p_oVisitor);
            p_oVisitor.LeaveList(*p_oItem, p_iDepth);
        }
    }
}

// Duplicate removal of the address-book dialogs: one key set per kind of key.
class CThreeKeyFlattener
{
  public:
    explicit CThreeKeyFlattener(std::string p_sCountryCode) : m_sCountryCode(std::move(p_sCountryCode))
    {
    }

    bool DroppedAny() const
    {
        return m_bDropped;
    }
    void ResetDropped()
    {
        m_bDropped = false;
    }

    void Flatten(const CMessageRecipientList& p_oSource, CMessageRecipientList& p_oOut, int p_iDepth = 0)
    {
        for (auto* p_oNode = p_oSource.m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        {
            const CMessageRecipient* p_oItem = p_oNode->m_p_oItem;
            if (p_oItem == nullptr)
                continue;
            if (IsDistList(*p_oItem))
            {
                // The list itself stays even when every member was a duplicate: one picked but
                // not yet expanded has no members, and dropping it would lose the choice.
                RecipientPtr oList = CopyRecipientHeader(*p_oItem);
                EnsureMembersList(*oList);
                if (p_oItem->m_p_mrlMembers != nullptr)
                {
                    // A list met again keeps no members: they were all seen on the first visit.
                    if (m_oWalk.Enter(*p_oItem, p_iDepth, "RemoveDuplicateRecipients"))
                        Flatten(*p_oItem->m_p_mrlMembers, *oList->m_p_mrlMembers, p_iDepth + 1);
                    else if (p_oItem->m_p_mrlMembers->m_dwCount > 0)
                        m_bDropped = true;
                }
                AppendItem(p_oOut, std::move(oList));
            }
            else if (IsNew(*p_oItem))
            {
                AppendItem(p_oOut, CopyRecipient(*p_oItem));
            }
            else
            {
                m_bDropped = true;
            }
        }
    }

  private:
    bool IsNew(const CMessageRecipient& p_oRecipient)
    {
        // A mobile that names no number ("<none>", letters) would give every such recipient the
        // same key, so it does not count; the e-mail or the entry decides instead.
        if (!IsNullOrEmpty(p_oRecipient.m_szMobile) && HasNumberKey(p_oRecipient.m_szMobile))
            return m_setMobiles.insert(MobileKey(p_oRecipient.m_szMobile, m_sCountryCode)).second;
        if (!IsNullOrEmpty(p_oRecipient.m_szEmail))
            return m_setEmails.insert(EmailKey(p_oRecipient.m_szEmail)).second;
        if (p_oRecipient.m_p_oEntry != nullptr && p_oRecipient.m_p_oEntry->m_dwByteCount > 0)
            return m_setEntries.insert(EntryKey(*p_oRecipient.m_p_oEntry)).second;
        return true;
    }

    std::string m_sCountryCode;
    CListWalk m_oWalk;
    std::unordered_set<std::string> m_setMobiles;
    std::unordered_set<std::string> m_setEmails;
    std::unordered_set<std::string> m_setEntries;
    bool m_bDropped = false;
};
} // namespace

void SetDistListExpander(DistListExpander p_fnExpand)
{
    std::lock_guard<std::mutex> oLock(g_oExpanderMutex);
    g_fnExpander = std::move(p_fnExpand);
}

int GetCombinedFlatNonDuplicateList(const CMessageRecipientList* p_p_mrlFirst,
                                    const CMessageRecipientList* p_p_mrlSecond, CMessageRecipientList** p_pp_mrlOut,
                                    CCountryCode& p_oCountry)
{
    if (p_pp_mrlOut == nullptr)
        return 0;
    *p_pp_mrlOut = nullptr;
    try
    {
        // One reading of the setting per job keeps every key of the job on the same country.
        CMobileKeySet oKeys(p_oCountry.ForMobileKey());
        oKeys.Reserve(TopLevelCount(p_p_mrlFirst, p_p_mrlSecond));
        RecipientListPtr mrlOut = NewList<CMessageRecipientList>();
        CListWalk oWalk;
        FlattenForSending(p_p_mrlFirst, oKeys, oWalk, *mrlOut, 0);
        FlattenForSending(p_p_mrlSecond, oKeys, oWalk, *mrlOut, 0);
        *p_pp_mrlOut = mrlOut.release();
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        Log("GetCombinedFlatNonDuplicateList: out of memory");
        return 0;
    }
}

size_t TopLevelCount(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond)
{
    return size_t(p_p_mrlFirst == nullptr ? 0 : p_p_mrlFirst->m_dwCount) +
           size_t(p_p_mrlSecond == nullptr ? 0 : p_p_mrlSecond->m_dwCount);
}

size_t CountIndividuals(const CMessageRecipientList* p_p_mrlList)
{
    CListWalk oWalk;
    return CountIndividuals(p_p_mrlList, oWalk, 0);
}

void WalkRecipientTree(const CMessageRecipientList* p_p_mrlList, CRecipientTreeVisitor& p_oVisitor,
                       std::vector<RecipientListPtr>* p_p_vKeep)
{
    CListWalk oWalk;
    WalkTree(p_p_mrlList, oWalk, 0, p_oVisitor);
    if (p_p_vKeep != nullptr)
        for (RecipientListPtr& mrlExpanded : oWalk.TakeExpanded())
            p_p_vKeep->push_back(std::move(mrlExpanded));
}

void VisitCombinedFlatRecipients(const CMessageRecipientList* p_p_mrlFirst, const CMessageRecipientList* p_p_mrlSecond,
                                 CMobileKeySet& p_oKeys, const std::function<void(const CMessageRecipient&)>& p_fnVisit)
{
    CListWalk oWalk;
    VisitForSending(p_p_mrlFirst, p_oKeys, oWalk, p_fnVisit, 0);
    VisitForSending(p_p_mrlSecond, p_oKeys, oWalk, p_fnVisit, 0);
}

bool RemoveDuplicateRecipients(CMessageRecipientList*& p_p_mrlList, CCountryCode& p_oCountry)
{
    if (p_p_mrlList == nullptr || p_p_mrlList->m_dwCount < 2)
        return false;
    CThreeKeyFlattener oFlattener(p_oCountry.ForMobileKey());
    RecipientListPtr mrlReduced = NewList<CMessageRecipientList>();
    oFlattener.Flatten(*p_p_mrlList, *mrlReduced);
    if (!oFlattener.DroppedAny())
        return false;
    DestroyList(p_p_mrlList);
    p_p_mrlList = mrlReduced.release();
    return true;
}

bool RemoveDuplicatesAcross(CMessageRecipientList*& p_p_mrlFirst, CMessageRecipientList*& p_p_mrlSecond,
                            CCountryCode& p_oCountry)
{
    if (TopLevelCount(p_p_mrlFirst, p_p_mrlSecond) < 2)
        return false;
    CThreeKeyFlattener oFlattener(p_oCountry.ForMobileKey());
    bool bDroppedAny = false;
    for (CMessageRecipientList** pp_mrlList : {&p_p_mrlFirst, &p_p_mrlSecond})
    {
        if (*pp_mrlList == nullptr)
            continue;
        RecipientListPtr mrlReduced = NewList<CMessageRecipientList>();
        oFlattener.ResetDropped();
        oFlattener.Flatten(**pp_mrlList, *mrlReduced);
        if (!oFlattener.DroppedAny())
            continue;
        DestroyList(*pp_mrlList);
        *pp_mrlList = mrlReduced.release();
        bDroppedAny = true;
    }
    return bDroppedAny;
}

bool StripLocalUserFromList(CMessageRecipientList& p_oList, const LocalUserTest& p_fnIsLocalUser,
                            CErrorSlot* p_p_oError)
{
    auto* p_oNode = p_oList.m_p_oFirst;
    while (p_oNode != nullptr)
    {
        auto* p_oNext = p_oNode->m_p_oNext;
        const CMessageRecipient* p_oItem = p_oNode->m_p_oItem;
        if (p_oItem == nullptr)
        {
            static const char s_szNullRecipient[] = "StripLocalUserFromList() NULL recipient";
            Log("%s", s_szNullRecipient);
            if (p_p_oError != nullptr)
                p_p_oError->SetText(0, s_szNullRecipient);
            return false;
        }
        const bool bLocalUser =
            p_oItem->m_p_oEntry != nullptr && p_fnIsLocalUser && p_fnIsLocalUser(*p_oItem->m_p_oEntry);
        if (IsNullOrEmpty(p_oItem->m_szMobile) || bLocalUser)
            RemoveNode(p_oList, p_oNode);
        p_oNode = p_oNext;
    }
    return true;
}
