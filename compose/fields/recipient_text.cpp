// compose/fields/recipient_text.cpp: the recipient fields' text rules.
#include "compose/fields/recipient_text.h"

#include <algorithm>
#include <cctype>

namespace compose
{
std::vector<std::string> SplitRecipientText(const std::string& p_sText)
{
    std::vector<std::string> pieces;
    std::string piece;
    const auto finish = [&] {
        const size_t first = piece.find_first_not_of(' ');
        if (first != std::string::npos)
            pieces.push_back(piece.substr(first, piece.find_last_not_of(' ') - first + 1));
        piece.clear();
    };
    for (const char c : p_sText)
    {
        if (c == ';' || c == '\r' || c == '\n')
            finish();
        else if (c != '\t')
            piece.push_back(c);
    }
    finish();
    return pieces;
}

std::string RecipientLabel(const CMessageRecipient& p_oRecipient)
{
    if (p_oRecipient.m_szName != nullptr && *p_oRecipient.m_szName != '\0')
        return p_oRecipient.m_szName;
    if (p_oRecipient.m_szDisplayText != nullptr && *p_oRecipient.m_szDisplayText != '\0')
        return p_oRecipient.m_szDisplayText;
    return "<No Name>";
}

std::string RecipientTextForm(const CMessageRecipient& p_oRecipient, ETextForm p_eForm)
{
    const std::string label = RecipientLabel(p_oRecipient);
    const bool bEmail =
        p_oRecipient.m_iKind == kKindIndividual && p_oRecipient.m_szEmail != nullptr && *p_oRecipient.m_szEmail != '\0';
    if (p_eForm == ETextForm::Quoted)
        return bEmail ? "\"" + label + "\" <" + p_oRecipient.m_szEmail + ">" : "\"" + label + "\"";
    return bEmail ? label + " <" + p_oRecipient.m_szEmail + ">" : label;
}

bool ShownAsObject(uint32_t p_dwState)
{
    switch (p_dwState)
    {
    case kStateResolved:
    case kStateNoMobile:
    case kStateInvalidMobile:
    case kStateTypedNumber:
    case kStateListIncomplete:
    case kStateListComplete:
        return true;
    default:
        return false;
    }
}

std::vector<CFieldPiece> PlanFieldRewrite(const CMessageRecipientList* p_p_mrlList)
{
    std::vector<CFieldPiece> pieces;
    for (const bool bObjects : {true, false})
        for (auto* node = p_p_mrlList != nullptr ? p_p_mrlList->m_p_oFirst : nullptr; node != nullptr;
             node = node->m_p_oNext)
            if (node->m_p_oItem != nullptr && ShownAsObject(node->m_p_oItem->m_dwState) == bObjects)
                pieces.push_back({node->m_p_oItem, bObjects, true});
    if (!pieces.empty())
        pieces.back().m_bSeparatorAfter = false;
    return pieces;
}

size_t SeparatorOverlap(const std::string& p_sAfterCaret)
{
    if (p_sAfterCaret.empty() || p_sAfterCaret[0] != ';')
        return 0;
    return p_sAfterCaret.size() > 1 && p_sAfterCaret[1] == ' ' ? 2 : 1;
}

bool ContinuesName(char p_c)
{
    const auto c = static_cast<unsigned char>(p_c);
    if (std::isalnum(c) || c >= 0x80)
        return true;
    switch (p_c)
    {
    case ' ':
    case '.':
    case '-':
    case '_':
    case '\'':
    case '@':
    case '&':
        return true;
    default:
        return false;
    }
}

std::string PartialNameBefore(const std::string& p_sText, size_t p_nCaret)
{
    p_nCaret = std::min(p_nCaret, p_sText.size());
    size_t start = p_nCaret;
    while (start > 0 && ContinuesName(p_sText[start - 1]))
        --start;
    if (start > 0 && p_sText[start - 1] != ';' && p_sText[start - 1] != '\n' && p_sText[start - 1] != '\r')
        return {}; // something that is no name (an object, a comma) is part of this piece
    const size_t first = p_sText.find_first_not_of(' ', start);
    if (first == std::string::npos || first >= p_nCaret)
        return {};
    return p_sText.substr(first, p_nCaret - first);
}

std::vector<std::string> CollectTokens(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc)
{
    std::vector<std::string> tokens;
    const auto add = [&](const char* p_szToken) {
        if (std::find(tokens.begin(), tokens.end(), p_szToken) == tokens.end())
            tokens.emplace_back(p_szToken);
    };
    for (const CMessageRecipientList* list : {p_p_mrlTo, p_p_mrlCc})
        for (auto* node = list != nullptr ? list->m_p_oFirst : nullptr; node != nullptr; node = node->m_p_oNext)
        {
            const CMessageRecipient* recipient = node->m_p_oItem;
            if (recipient == nullptr || recipient->m_iKind == kKindUnidentified)
                continue;
            const CMessageRecipientList* members = recipient->m_p_mrlMembers;
            // Only a person or list of an address book has the name and e-mail fields; a recipient
            // read back from the clipboard without one carries an entry of no kind.
            const int32_t entryKind = recipient->m_p_oEntry != nullptr ? recipient->m_p_oEntry->m_iKind : 0;
            if (entryKind == EID_TYPE_STORE || entryKind == EID_TYPE_AB)
            {
                for (const char* token : {"First Name", "Last Name", "Full Name", "Email", "Mobile"})
                    add(token);
            }
            else if (members != nullptr && members->m_p_oFirst != nullptr && members->m_p_oFirst->m_p_oItem != nullptr)
            {
                const CMessageRecipient* member = members->m_p_oFirst->m_p_oItem;
                if ((recipient->m_dwOptions & kOptionNameTokens) != 0)
                    for (const char* token : {"First Name", "Last Name", "Full Name"})
                        add(token);
                if ((recipient->m_dwOptions & kOptionEmailToken) != 0)
                    add("Email");
                for (auto* prop = member->m_p_oExtraProps != nullptr ? member->m_p_oExtraProps->m_p_oFirst : nullptr;
                     prop != nullptr; prop = prop->m_p_oNext)
                    if (prop->m_p_oItem != nullptr && prop->m_p_oItem->m_szName != nullptr)
                        add(prop->m_p_oItem->m_szName);
                add("Mobile");
            }
            else
                add("Mobile");
        }
    return tokens;
}
} // namespace compose
