// Addressbook/summary/preview_list.h: what the "Preview" shows: the recipients who will receive
// under the settings (distribution lists with their members one level deeper) and the text one of
// them receives.
#pragma once

#include "Addressbook/messaging/final_sms.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/summary/summary_stats.h"

#include <string>
#include <vector>

struct CPreviewEntry
{
    const CMessageRecipient* m_p_oRecipient = nullptr;
    int m_iDepth = 0;
    bool m_bList = false;
};

// The entries and the members read from the address book that some of them point at.
struct CPreviewList
{
    std::vector<CPreviewEntry> m_vEntries;
    std::vector<ListPtr<CMessageRecipientList>> m_vExpanded;
};

// The entries in list order, To then Cc; a distribution list none of whose members qualifies is
// left out. False when a recipient's text could not be built.
[[nodiscard]] bool BuildPreviewList(const CSummaryRequest& p_oRequest, const CSummarySettings& p_oSettings,
                                    CPreviewList& p_oList, const SummaryProgress& p_fnProgress = {});

// The text parts of a recipient as the box shows them: each part with lone line feeds made CR LF,
// and a line of underscores between two parts.
std::string PreviewBoxText(const std::vector<CTextPart>& p_vParts);
