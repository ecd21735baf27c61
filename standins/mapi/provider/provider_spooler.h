// standins/mapi/provider/provider_spooler.h: what the spooler's files share: the submit state a
// message carries in the store, sending one submitted message, the expansion of personal lists
// among its recipients, and the drop folder.
#pragma once

#include "standins/mapi/provider/provider.h"

#include <string>
#include <vector>

namespace mapiprov
{
// Whether the message is submitted (MSGFLAG_SUBMIT), and whether the spooler has taken it
// (SUBMITFLAG_LOCKED in PR_SUBMIT_FLAGS).
bool IsSubmitted(const ms::CItem& p_item);
bool IsTaken(const ms::CItem& p_item);
// Sets or clears the mark that the spooler has taken the message; true when it changed.
bool MarkTaken(ms::CPropList& p_props, bool p_bTaken);

// Sends the submitted message p_uId of the store p_storeUid over SMTP (provider_spooler_send.cpp);
// afterwards it is deleted, moved to its sent-mail folder or left unsent where it was. A message
// no longer submitted (sent or aborted by another process) is left alone.
void SendSubmitted(const ms::CBytes& p_storeUid, uint32_t p_uId);

// Replaces every personal distribution list (address type MAPIPDL) among the recipients with its
// members, lists within lists too, each member with the list's recipient type; a member already
// among the recipients is not added again (provider_spooler_recipients.cpp). True when it changed
// the list.
bool ExpandPersonalLists(std::vector<ms::CPropList>& p_recipients);

// Imports the .eml files of the drop folder into the Inbox (provider_spooler_drop.cpp).
void ScanDropFolder();
} // namespace mapiprov
