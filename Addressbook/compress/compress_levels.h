// Addressbook/compress/compress_levels.h: the compression dialog's logic without its window: the
// slider levels and their method flags, and the preview of a compressed message.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "Addressbook/messaging/text_transform.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int kCompressionLevelNone = 0;
constexpr int kCompressionLevelCustom = 4;
constexpr uint32_t kCompressionMethods = kTransformSqueeze | kTransformDictionary | kTransformJoinWords;

// The slider ("None", "Low", "Med", "High", "Custom") and the check boxes kept in step.
class CCompressionLevels
{
  public:
    // Starts at the level of the given flags.
    explicit CCompressionLevels(uint32_t p_dwFlags);

    int Level() const
    {
        return m_iLevel;
    }
    uint32_t Flags() const
    {
        return m_dwFlags;
    }
    // The slider moved: levels 0 to 3 have fixed methods, level 4 the last custom combination.
    void SetLevel(int p_iLevel);
    // The check boxes changed: the slider follows, to level 4 (remembered) when no level matches.
    void SetFlags(uint32_t p_dwFlags);

    static uint32_t FlagsOfLevel(int p_iLevel);
    // -1 for a combination no fixed level has.
    static int FixedLevelOfFlags(uint32_t p_dwFlags);

  private:
    int m_iLevel = 0;
    uint32_t m_dwFlags = 0;
    uint32_t m_dwCustomFlags = kCompressionMethods;
};

// The token names of a host's list, in text order (a nameless token gives an empty name).
std::vector<std::string> TokenNames(const CMessageTokenList* p_p_oTokens);

// Bare line feeds become CR LF; existing CR LF pairs stay as they are.
std::string LineFeedsToCrLf(std::string_view p_sText);

struct CCompressionPreview
{
    std::string m_sCompressed; // the transformed text, tokens still as placeholders
    std::string m_sCount;      // "Number of characters…: %d"
    std::string m_sShown;      // tokens as "<<name>>", CR LF line ends
    bool m_bWrap = false;      // word joining leaves no line ends: the preview wraps
};

// False (and an empty preview) when a transformation fails.
[[nodiscard]] bool BuildCompressionPreview(std::string_view p_sText, const std::vector<std::string>& p_vTokenNames,
                                           uint32_t p_dwFlags, CTextAbbreviator* p_p_oAbbreviator,
                                           CCompressionPreview& p_oPreview);
