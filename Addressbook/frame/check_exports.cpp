// Addressbook/frame/check_exports.cpp: Check, the resolution pass over a compose window's To and Cc
// lists. This build resolves what needs no address book: typed phone numbers become typed-number
// recipients, resolved ones stay, and every other typed text stays unresolved for the user to fix.
#include "Addressbook/frame/exports.h"
#include "Addressbook/messaging/phone_rules.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/ui/message_box.h"
#include "common/boundary.h"
#include "common/trace_log.h"

namespace
{
constexpr unsigned kMsgNoValidRecipients = 22;
constexpr unsigned kMsgNoResolvedRecipients = 23;

template <class F> void ForEachRecipient(CMessageRecipientList* p_p_mrlList, F&& p_fn)
{
    if (p_p_mrlList == nullptr)
        return;
    for (auto* node = p_p_mrlList->m_p_oFirst; node != nullptr; node = node->m_p_oNext)
        if (node->m_p_oItem != nullptr)
            p_fn(*node->m_p_oItem);
}

void ResolveTypedNumbers(CMessageRecipientList* p_p_mrlList)
{
    ForEachRecipient(p_p_mrlList, [](CMessageRecipient& p_oRecipient) {
        if (p_oRecipient.m_dwState == kStateUnresolved && PassesSendTest(p_oRecipient.m_szDisplayText))
            SetTypedNumber(p_oRecipient);
    });
}

// A person that can be sent to, or a checked list with at least one such member.
bool HoldsUsable(CMessageRecipientList* p_p_mrlList)
{
    bool bUsable = false;
    ForEachRecipient(p_p_mrlList, [&](CMessageRecipient& p_oRecipient) {
        if (IsUsable(p_oRecipient))
            bUsable = true;
        else if (p_oRecipient.m_iKind == kKindDistList && p_oRecipient.m_dwState != kStateListUnchecked)
            ForEachRecipient(p_oRecipient.m_p_mrlMembers, [&](CMessageRecipient& p_oMember) {
                if (IsUsable(p_oMember))
                    bUsable = true;
            });
    });
    return bUsable;
}
} // namespace

extern "C"
{
    int CORVANE_API Check(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList** p_pp_mrlCc,
                          int p_bSendAnyway, HWND p_hProgress, int* p_pbExited)
    {
        return TrapExceptions("Check", 0, [&]() -> int {
            if (p_pbExited != nullptr)
                *p_pbExited = 0;
            CMessageRecipientList* p_mrlTo = p_pp_mrlTo != nullptr ? *p_pp_mrlTo : nullptr;
            CMessageRecipientList* p_mrlCc = p_pp_mrlCc != nullptr ? *p_pp_mrlCc : nullptr;
            SetProgressText(p_hProgress, "Resolving recipients...");
            ResolveTypedNumbers(p_mrlTo);
            ResolveTypedNumbers(p_mrlCc);
            if (p_bSendAnyway != 0 || HoldsUsable(p_mrlTo) || HoldsUsable(p_mrlCc))
                return 1;
            Log("Check: no usable recipient in To or Cc");
            (void)ShowMessage(p_hParent, kMsgNoValidRecipients, TableText(kMsgNoResolvedRecipients),
                              MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
            return 0;
        });
    }
}
