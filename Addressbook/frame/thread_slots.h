// Addressbook/frame/thread_slots.h: the library's thread-local slots. Every thread that uses MAPI
// or the Outlook object model keeps its own session, dispatch, store and address book here, so no
// interface pointer is shared between threads without marshalling.
#pragma once

#include <windows.h>

#include <cstddef>

enum class ESlot : size_t
{
    // Allocated first, for every caller.
    ThreadInitCount, // how many ThreadInit calls this thread has not yet undone
    ProgressWindow,  // the progress window this thread made last
    ActiveDialog,    // the library dialog running on this thread
    ThreadError,     // the thread's last error record
    // Allocated for a full start only: the per-thread MAPI values and their companions.
    MessageStore,
    AddressBook,
    Session,
    Dispatch,
    ContactsFolder,
    SentFolder,
    ExchangeBook,
    Protocol,
    Resolution,
    // Allocated last, for every caller.
    Preview,
    Recommend,
    Count
};

// Which slots each start-up step allocates, in order.
struct CSlotRange
{
    ESlot m_eFirst;
    size_t m_nCount;
};
constexpr CSlotRange kFirstSlots{ESlot::ThreadInitCount, 4};
constexpr CSlotRange kFullStartSlots{ESlot::MessageStore, 9};
constexpr CSlotRange kLastSlots{ESlot::Preview, 2};

class CThreadSlots
{
  public:
    CThreadSlots();
    ~CThreadSlots();
    CThreadSlots(const CThreadSlots&) = delete;
    CThreadSlots& operator=(const CThreadSlots&) = delete;

    // Allocates the slots of p_oRange that are not allocated yet, so a second Init keeps the
    // indices it already holds. False when the system has no index left.
    [[nodiscard]] bool Allocate(const CSlotRange& p_oRange);
    // Frees every allocated slot once and marks it unused.
    void FreeAll();

    bool IsAllocated(ESlot p_eSlot) const;
    // Null when the slot is not allocated or this thread stored nothing.
    void* Get(ESlot p_eSlot) const;
    [[nodiscard]] bool Set(ESlot p_eSlot, void* p_pValue);

  private:
    DWORD m_adwIndex[static_cast<size_t>(ESlot::Count)];
};
