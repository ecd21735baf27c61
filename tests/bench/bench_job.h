// tests/bench/bench_job.h: the layout of a benchmark's bulk job: p_iCount people made by
// p_fnPerson, alternately in To and Cc, and one in twenty starting a distribution list that takes
// the next nine people of its side as members.
#pragma once

#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/recipient.h"

template <class MakePerson>
void FillBenchJob(int p_iCount, ListPtr<CMessageRecipientList>& p_mrlTo, ListPtr<CMessageRecipientList>& p_mrlCc,
                  MakePerson&& p_fnPerson)
{
    ListPtr<CMessageRecipientList>* aLists[] = {&p_mrlTo, &p_mrlCc};
    CMessageRecipient* p_oDistList = nullptr;
    for (int i = 0; i < p_iCount; ++i)
    {
        RecipientPtr oPerson = p_fnPerson(i);
        CMessageRecipientList& oTarget = *aLists[i % 2]->get();
        if (i % 20 == 0)
        {
            RecipientPtr oList = NewListRecipient(nullptr, "Team");
            EnsureMembersList(*oList);
            p_oDistList = oList.get();
            AppendItem(oTarget, std::move(oList));
        }
        if (p_oDistList != nullptr && i % 20 < 10)
            AppendItem(*p_oDistList->m_p_mrlMembers, std::move(oPerson));
        else
            AppendItem(oTarget, std::move(oPerson));
    }
}
