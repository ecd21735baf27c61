// Addressbook/sending/ui/send_dialog.h: the modal "Sending SMS" dialog of a send. It starts the send
// worker thread, which runs CEmailSender::SendMailWithPackage, and ends when the worker does; its
// Stop button asks the transport to stop through the sender's cancel link.
#pragma once

#include "Addressbook/sending/email_sender.h"

#include <windows.h>

#include <oaidl.h>

struct IMAPISession;

// Runs the dialog, owned by the desktop, for p_oSender. The calling thread's MAPI session and
// application dispatch (either may be null) are marshalled to the worker for package 0. False
// when the dialog or the worker could not be started; the error has then been reported.
[[nodiscard]] bool RunSendDialog(CEmailSender& p_oSender, IMAPISession* p_pSession, IDispatch* p_pApplication);
