// Addressbook/frame/check_exports.cpp: Check, the resolution pass over a compose window's To and Cc
// lists: typed text resolved through the address books, duplicates removed, and the fix wizard
// run while the user asks for fixes.
#include "Addressbook/addressbook/check_address_book_win.h"
#include "Addressbook/addressbook/ui/check_wizard.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/check_pass.h"
#include "Addressbook/messaging/check_texts.h"
#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/ui/message_box.h"
#include "common/boundary.h"
#include "common/trace_log.h"

#include <memory>

namespace
{
constexpr unsigned kMsgNoValidRecipients = 22;
constexpr unsigned kMsgNoResolvedRecipients = 23;

// Without an address book only typed numbers resolve; other text stays as the user typed it.
class CNoAddressBook : public ICheckAddressBook
{
  public:
    bool CanResolve() const override
    {
        return false;
    }
    void Resolve(const std::string&, std::vector<RecipientPtr>&) override
    {
    }
    bool ExpandList(const CEntryID&, CMessageRecipientList&) override
    {
        return false;
    }
};

void Progress(HWND p_hProgress, unsigned p_uTextId)
{
    SetProgressText(p_hProgress, TableText(p_uTextId).c_str());
}

void RemoveDuplicates(CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList** p_pp_mrlCc)
{
    CMessageRecipientList* p_mrlNone = nullptr;
    if (RemoveDuplicatesAcross(p_pp_mrlTo != nullptr ? *p_pp_mrlTo : p_mrlNone,
                               p_pp_mrlCc != nullptr ? *p_pp_mrlCc : p_mrlNone))
        Log("Check: duplicate recipients removed");
}

CMessageRecipientList* ListOf(CMessageRecipientList** p_pp_mrlList)
{
    return p_pp_mrlList != nullptr ? *p_pp_mrlList : nullptr;
}

enum class ERounds
{
    Finished,
    Exited
};

// Summary and fixes, round after round, until nothing is left to fix or the user ignores or exits.
ERounds RunRounds(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList** p_pp_mrlCc,
                  HWND p_hProgress, ICheckAddressBook& p_oBook, CCheckAddressBook* p_p_oAddressBook)
{
    CCheckWizard oWizard(p_hParent, p_p_oAddressBook);
    for (bool bAgain = false;; bAgain = true)
    {
        Progress(p_hProgress, kMsgEliminatingDuplicates);
        RemoveDuplicates(p_pp_mrlTo, p_pp_mrlCc);
        const std::vector<CProblemRow> vRows = ProblemRows(ListOf(p_pp_mrlTo), ListOf(p_pp_mrlCc));
        if (vRows.empty())
            return ERounds::Finished;
        const bool bAnyUsable = HoldsUsable(ListOf(p_pp_mrlTo)) || HoldsUsable(ListOf(p_pp_mrlCc));
        switch (oWizard.RunSummary(vRows, bAgain, bAnyUsable))
        {
        case EPageEnd::Exit:
            return ERounds::Exited;
        case EPageEnd::Skip:
            for (CMessageRecipientList* p_mrlList : {ListOf(p_pp_mrlTo), ListOf(p_pp_mrlCc)})
                if (p_mrlList != nullptr)
                    KeepOnlyUsable(*p_mrlList);
            return ERounds::Finished;
        case EPageEnd::Done:
            break;
        }
        if (!oWizard.FixProblems(ListOf(p_pp_mrlTo), ListOf(p_pp_mrlCc)))
            return ERounds::Exited;
        Progress(p_hProgress, kMsgEliminatingAgain);
        RemoveDuplicates(p_pp_mrlTo, p_pp_mrlCc);
        // Fixes that picked someone already in the lists leave recipients to settle again.
        Progress(p_hProgress, kMsgQuickResolving);
        ResolveRecipients(ListOf(p_pp_mrlTo), p_oBook);
        ResolveRecipients(ListOf(p_pp_mrlCc), p_oBook);
    }
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
            CLibrary& oLibrary = Library();
            std::unique_ptr<CCheckAddressBook> p_oAddressBook;
            if (oLibrary.m_p_oExMapi)
                p_oAddressBook = std::make_unique<CCheckAddressBook>(*oLibrary.m_p_oExMapi, oLibrary.m_oThreadValues);
            CNoAddressBook oNoBook;
            ICheckAddressBook& oBook = p_oAddressBook ? static_cast<ICheckAddressBook&>(*p_oAddressBook) : oNoBook;

            Progress(p_hProgress, kMsgResolvingRecipients);
            ResolveRecipients(ListOf(p_pp_mrlTo), oBook);
            ResolveRecipients(ListOf(p_pp_mrlCc), oBook);
            if (RunRounds(oLibrary.OwnerFor(p_hParent), p_pp_mrlTo, p_pp_mrlCc, p_hProgress, oBook,
                          p_oAddressBook.get()) == ERounds::Exited)
            {
                Log("Check: the user left the fix wizard");
                if (p_pbExited != nullptr)
                    *p_pbExited = 1;
                return 0;
            }
            if (p_bSendAnyway != 0 || HoldsUsable(ListOf(p_pp_mrlTo)) || HoldsUsable(ListOf(p_pp_mrlCc)))
                return 1;
            Log("Check: no usable recipient in To or Cc");
            (void)ShowMessage(p_hParent, kMsgNoValidRecipients, TableText(kMsgNoResolvedRecipients),
                              MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
            return 0;
        });
    }
}
