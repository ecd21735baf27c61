// compose/fields/recipient_text.h: the recipient fields' text rules: how typed text splits into
// recipients, the label and the text forms of a recipient, how a field is laid out again from a
// checked list, the separator typing rule, and the tokens a pair of lists offers for the body.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace compose
{
// The pieces between ";", CR and LF, each without tabs and without leading or trailing spaces;
// empty pieces are dropped.
std::vector<std::string> SplitRecipientText(const std::string& p_sText);

// The name when not empty, else the display text when not empty, else "<No Name>".
std::string RecipientLabel(const CMessageRecipient& p_oRecipient);

enum class ETextForm
{
    Quoted, // "\"label\" <e-mail>"
    Plain,  // "label <e-mail>"
};
// The e-mail is shown only for a single person (kind 0) that has one.
std::string RecipientTextForm(const CMessageRecipient& p_oRecipient, ETextForm p_eForm);

// Checked recipients (states 1, 4, 5, 6, 8, 9) are shown as objects, the rest as their text.
bool ShownAsObject(uint32_t p_dwState);

// One piece of a field rewritten from its list: objects first, in list order, then the texts.
struct CFieldPiece
{
    const CMessageRecipient* m_p_oRecipient;
    bool m_bObject;
    bool m_bSeparatorAfter; // "; " follows, except after the very last piece
};
std::vector<CFieldPiece> PlanFieldRewrite(const CMessageRecipientList* p_p_mrlList);

constexpr const char* kSeparator = "; ";
// How many characters after the caret a typed separator replaces: a semicolon already there, with
// its space when it has one, is not doubled.
size_t SeparatorOverlap(const std::string& p_sAfterCaret);

// Characters that start or continue a name the core can complete.
bool ContinuesName(char p_c);
// The partial name that ends at p_nCaret: the text after the last separator, without leading
// spaces. Empty when the caret follows a separator or the text before it is not a name.
std::string PartialNameBefore(const std::string& p_sText, size_t p_nCaret);

// The tokens the body can use with these recipients, in order of first appearance, each once.
std::vector<std::string> CollectTokens(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc);
} // namespace compose
