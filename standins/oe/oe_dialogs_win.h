// standins/oe/oe_dialogs_win.h: the client's dialogs the product drives: the empty-subject
// question, Save Message As, and Tools/Options with its Send page.
#pragma once

#include "standins/oe/store/eml_message.h"

#include <windows.h>

namespace oestandin
{
// "The message has no subject. Select OK to send anyway." with "&Don't show me this again"; true
// for OK. p_bDontShowAgain tells whether the box was ticked.
[[nodiscard]] bool AskEmptySubject(HINSTANCE p_hInstance, HWND p_hOwner, bool& p_bDontShowAgain);

// The "Send Mail" notice after a sent message, with "&Don't show me this again"; p_bDontShowAgain
// tells whether the box was ticked when it was closed.
void ShowSendMailWarning(HINSTANCE p_hInstance, HWND p_hOwner, bool& p_bDontShowAgain);

// Save Message As: a "#32770" with the name field ("Edit"), the type list ("ComboBox") and its
// buttons. Writes the message as text when the name ends in ".txt" or the text type is chosen,
// as the whole message otherwise. True when a file was written.
[[nodiscard]] bool SaveMessageAs(HINSTANCE p_hInstance, HWND p_hOwner, const oestore::CMailMessage& p_oMessage);
// The file the dialog writes, in the form the name or p_iType (0 mail, 1 text) asks for.
[[nodiscard]] bool WriteSavedMessage(const std::string& p_sPath, int p_iType, const oestore::CMailMessage& p_oMessage);

// The Send page's options, kept for the life of the process.
struct COeSendOptions
{
    bool m_bReplySameFormat = true;
    bool m_bIncludeMessage = true;
    bool m_bSendHtml = true;
    bool m_bAddReplyToBook = true;
};
COeSendOptions& SendOptions();

// Tools/Options as a modal property sheet "Options" with the pages General and Send.
void ShowOptions(HINSTANCE p_hInstance, HWND p_hOwner);
} // namespace oestandin
