// Addressbook/messaging/message_tokens.h: the values a recipient gives the tokens of a message,
// and the merge of those values into the message text.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstdint>
#include <string>
#include <vector>

// The raw (untransformed) value of one token for one recipient.
std::string TokenValue(const char* p_szToken, const CMessageRecipient& p_oRecipient);

// A message with its tokens checked once, then merged for any number of recipients.
class CTokenMerger
{
  public:
    // Tokens without a name are ignored and keep their placeholder. A token whose position is
    // outside the text, is not on a placeholder or repeats another token's position is dropped:
    // the text comes from the compose window and the merge must not trust it blindly.
    CTokenMerger(const char* p_szMessage, const CMessageTokenList* p_p_oTokens, uint32_t p_dwTransformFlags);

    // The transformed value of each token in placeholder order; false when any value was empty
    // before its transformation (such a recipient is skipped when empty tokens are not kept).
    bool CollectValues(const CMessageRecipient& p_oRecipient, std::vector<std::string>& p_vValues) const;
    // Length of the message with these values merged in.
    size_t MergedLength(const std::vector<std::string>& p_vValues) const;
    // Writes the first p_nLength characters (at most MergedLength) of the merged message.
    void MergeInto(const std::vector<std::string>& p_vValues, char* p_p_cOut, size_t p_nLength) const;
    // The whole merged message for one recipient.
    std::string Merge(const CMessageRecipient& p_oRecipient) const;

  private:
    struct CPlaceholder
    {
        size_t m_nPosition;
        const char* m_szName;
    };

    std::string m_sMessage;
    std::vector<CPlaceholder> m_vPlaceholders; // by position
    uint32_t m_dwFlags;
};
