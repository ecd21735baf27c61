// Addressbook/frame/slot_thread_values.h: the MAPI values of each thread (session, address book,
// message store, Outlook dispatch) kept in the library's thread slots, each slot holding one
// reference to its interface.
#pragma once

#include "Addressbook/addressbook/thread_values_win.h"
#include "Addressbook/frame/thread_slots.h"

class CSlotThreadValues final : public IMapiThreadValues
{
  public:
    explicit CSlotThreadValues(CThreadSlots& p_oSlots) : m_oSlots(p_oSlots)
    {
    }

    IMAPISession* Session() override;
    IAddrBook* AddressBook() override;
    IMsgStore* MessageStore() override;
    IDispatch* Dispatch() override;

    void SetSession(IMAPISession* p_pSession) override;
    void SetAddressBook(IAddrBook* p_pAddressBook) override;
    void SetMessageStore(IMsgStore* p_pStore) override;
    void SetDispatch(IDispatch* p_pDispatch) override;

    // Releases the four values of the calling thread.
    void Clear();

    // Replaces the interface in a slot of this thread, holding one reference to the new one; false
    // when the slot is not allocated or cannot be written (the old value then stays).
    [[nodiscard]] bool Store(ESlot p_eSlot, IUnknown* p_pNew);

  private:
    void StoreOrLog(ESlot p_eSlot, IUnknown* p_pNew);

    CThreadSlots& m_oSlots;
};
