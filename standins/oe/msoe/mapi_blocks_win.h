// standins/oe/msoe/mapi_blocks_win.h: the memory Simple MAPI hands its callers (a message, a
// recipient list) as one block each, freed whole by MAPIFreeBuffer, and the conversions between
// those structures and the stand-in's messages.
#pragma once

#include "standins/oe/store/eml_message.h"

#include <windows.h>

#include <mapi.h>

#include <string>

namespace oemapi
{
// A message for MAPIReadMail: attachments are written to files under p_sAttachmentFolder (empty:
// none are given); with p_bBodyAsFile the text goes into the first file instead of the note text.
lpMapiMessage NewMessageBlock(const oestore::CMailMessage& p_oMessage, bool p_bUnread,
                              const std::string& p_sAttachmentFolder, bool p_bBodyAsFile);
// p_nCount recipients copied into one block; a single one for MAPIResolveName.
lpMapiRecipDesc NewRecipientBlock(const MapiRecipDesc* p_pRecipients, ULONG p_nCount);
// Frees a block made above; false for memory that is not one of them.
[[nodiscard]] bool FreeBlock(void* p_pBlock);

// "SMTP:a@b" and "a@b" give "a@b"; an address-less recipient whose name holds an "@" gives the name.
std::string RecipientAddress(const MapiRecipDesc& p_oRecipient);
// The caller's message as the stand-in's; false with p_nError set when a recipient has no address
// or an attached file cannot be read.
[[nodiscard]] bool MessageFromMapi(const MapiMessage& p_oMessage, oestore::CMailMessage& p_oOut, ULONG& p_nError);
// "2026/12/08 10:00" from a "Date:" line; empty when it does not read.
std::string DateReceived(const std::string& p_sDate);
} // namespace oemapi
