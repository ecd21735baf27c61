// Addressbook/frame/address_book_object.h: the Outlook package's MAPI object (CExMAPI) as Init
// makes it and Uninit ends it, with the distribution-list expander that flattening uses meanwhile.
#pragma once

#include "Addressbook/frame/library.h"

// Makes the MAPI object for the Outlook package; it fills the calling thread's values. False, with
// the user told why by the object, when its set-up stopped; the object is then not kept.
[[nodiscard]] bool CreateAddressBookObject(CLibrary& p_oLibrary, IMAPISession* p_pSession, IDispatch* p_pApplication,
                                           bool p_bInternetMailOnly);
// Stops the expander, releases the calling thread's values and destroys the object.
void DestroyAddressBookObject(CLibrary& p_oLibrary);
