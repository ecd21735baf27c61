// Addressbook/messaging/text_transform.h: the text transformations that make an SMS shorter,
// applied to message bodies and to the token values merged into them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint32_t kTransformSqueeze = 0x2;    // repeated whitespace reduced to one
constexpr uint32_t kTransformDictionary = 0x4; // common words abbreviated (message bodies only)
constexpr uint32_t kTransformJoinWords = 0x8;  // separators removed, each new word capitalised

// Space, carriage return, line feed, tab and ,.<>?'[]{}()-_+=\/!@#$%^&*"
bool IsWordSeparator(char p_c);

// A leading line feed or carriage return goes, then each run of one of line feed, space,
// carriage return or tab becomes a single character.
std::string SqueezeWhitespace(std::string_view p_sText);
// Separators removed; the first letter of the text and of each word after a separator upper case,
// every other letter lower case.
std::string JoinWords(std::string_view p_sText);

// The dictionary step; it lives with the compression dialog and can fail (no readable dictionary).
class CTextAbbreviator
{
  public:
    [[nodiscard]] virtual bool Abbreviate(std::string& p_sText) = 0;

  protected:
    ~CTextAbbreviator() = default;
};

// Applies the flagged steps in the order squeeze, dictionary, word joining. The dictionary runs
// only when an abbreviator is given; without one flag 4 is passed over, as it is for token values.
[[nodiscard]] bool TransformText(std::string_view p_sText, uint32_t p_dwFlags, CTextAbbreviator* p_p_oAbbreviator,
                                 std::string& p_sOut);

// A token value as it is merged: squeeze and word joining, never the dictionary.
std::string TransformTokenValue(std::string_view p_sValue, uint32_t p_dwFlags);
