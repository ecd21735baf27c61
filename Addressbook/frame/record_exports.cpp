// Addressbook/frame/record_exports.cpp: the recipient and final-SMS exports are defined in the
// messaging library. A static library's objects join the DLL only when something refers to them,
// and a .def entry does not count, so this table refers to every one of them.
#include "Addressbook/frame/exports.h"

extern "C" __attribute__((used)) const void* const g_apRecordExports[] = {
    reinterpret_cast<const void*>(&CreateMessageRecipient),
    reinterpret_cast<const void*>(&CreateMessageRecipientFromDetails),
    reinterpret_cast<const void*>(&CopyMessageRecipient),
    reinterpret_cast<const void*>(&DeleteMessageRecipient),
    reinterpret_cast<const void*>(&CreateMessageRecipientList),
    reinterpret_cast<const void*>(&DeleteMessageRecipientList),
    reinterpret_cast<const void*>(&AddMessageRecipient),
    reinterpret_cast<const void*>(&InsertMessageRecipientAtPos),
    reinterpret_cast<const void*>(&DeleteMessageRecipientAtPos),
    reinterpret_cast<const void*>(&AddExtraProp),
    reinterpret_cast<const void*>(&AddDistList),
    reinterpret_cast<const void*>(&CreateFinalSMSs),
    reinterpret_cast<const void*>(&DeleteSMSList),
};
