// Addressbook/frame/slot_thread_values.cpp: the thread's MAPI values in the thread slots.
#include "Addressbook/frame/slot_thread_values.h"

#include "common/failure_log.h"
#include "common/handle_win.h"

IMAPISession* CSlotThreadValues::Session()
{
    return static_cast<IMAPISession*>(m_oSlots.Get(ESlot::Session));
}
IAddrBook* CSlotThreadValues::AddressBook()
{
    return static_cast<IAddrBook*>(m_oSlots.Get(ESlot::AddressBook));
}
IMsgStore* CSlotThreadValues::MessageStore()
{
    return static_cast<IMsgStore*>(m_oSlots.Get(ESlot::MessageStore));
}
IDispatch* CSlotThreadValues::Dispatch()
{
    return static_cast<IDispatch*>(m_oSlots.Get(ESlot::Dispatch));
}

void CSlotThreadValues::SetSession(IMAPISession* p_pSession)
{
    StoreOrLog(ESlot::Session, p_pSession);
}
void CSlotThreadValues::SetAddressBook(IAddrBook* p_pAddressBook)
{
    StoreOrLog(ESlot::AddressBook, p_pAddressBook);
}
void CSlotThreadValues::SetMessageStore(IMsgStore* p_pStore)
{
    StoreOrLog(ESlot::MessageStore, p_pStore);
}
void CSlotThreadValues::SetDispatch(IDispatch* p_pDispatch)
{
    StoreOrLog(ESlot::Dispatch, p_pDispatch);
}

void CSlotThreadValues::Clear()
{
    SetDispatch(nullptr);
    SetMessageStore(nullptr);
    SetAddressBook(nullptr);
    SetSession(nullptr);
}

bool CSlotThreadValues::Store(ESlot p_eSlot, IUnknown* p_pNew)
{
    if (!m_oSlots.IsAllocated(p_eSlot))
        return false;
    auto* p_pOld = static_cast<IUnknown*>(m_oSlots.Get(p_eSlot));
    if (p_pOld == p_pNew)
        return true;
    com_ptr<IUnknown> pAdded = com_ptr<IUnknown>::copy_from(p_pNew);
    if (!m_oSlots.Set(p_eSlot, pAdded.get()))
        return false;
    (void)pAdded.detach(); // the slot holds it now
    // The slot's reference to the interface it held ends here.
    com_ptr<IUnknown> pPrevious;
    pPrevious.attach(p_pOld);
    return true;
}

void CSlotThreadValues::StoreOrLog(ESlot p_eSlot, IUnknown* p_pNew)
{
    // A slot that is not allocated (a start without MAPI) has nothing to clear.
    if (!m_oSlots.IsAllocated(p_eSlot))
    {
        if (p_pNew != nullptr)
            LOG_FAILURE("slot %u is not allocated", static_cast<unsigned>(p_eSlot));
        return;
    }
    if (!Store(p_eSlot, p_pNew))
        LOG_FAILURE("slot %u could not be written", static_cast<unsigned>(p_eSlot));
}
