// Addressbook/addressbook/thread_values_win.h: where the address books keep the MAPI values of the
// calling thread. The core library's frame stores them in its thread slots; tests keep them in
// plain thread-local variables. No interface pointer crosses threads except through marshalling,
// so every operation of CExMAPI reads the session, address book and store of the thread it runs on.
#pragma once

#include <windows.h>
#include <mapidefs.h>
#include <mapix.h>
#include <oaidl.h>

class IMapiThreadValues
{
  public:
    virtual ~IMapiThreadValues() = default;

    // The values of the calling thread; null when it has none. No reference is added.
    virtual IMAPISession* Session() = 0;
    virtual IAddrBook* AddressBook() = 0;
    virtual IMsgStore* MessageStore() = 0;
    virtual IDispatch* Dispatch() = 0;

    // Stores a value for the calling thread, adding a reference and releasing the one held before;
    // null clears it.
    virtual void SetSession(IMAPISession* p_pSession) = 0;
    virtual void SetAddressBook(IAddrBook* p_pAddressBook) = 0;
    virtual void SetMessageStore(IMsgStore* p_pStore) = 0;
    virtual void SetDispatch(IDispatch* p_pDispatch) = 0;
};
