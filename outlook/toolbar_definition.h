// outlook/toolbar_definition.h: the toolbar definition texts of the resource module ("Toolbar.txt",
// "NewSMS.txt"): seven "|"-separated fields a line, drop-downs followed by their child lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class EToolbarEntryKind
{
    Button,
    DropDownButton, // "D" word shorter than 11 characters
    DropDownList,   // "D" word of 11 characters or more: opens its own popup list
    Child,
    Other, // any other first letter: kept, shown like a button
};

struct CToolbarEntry
{
    EToolbarEntryKind m_eKind = EToolbarEntryKind::Button;
    std::string m_sTarget;
    std::string m_sCaption;
    std::string m_sToolTip;
    uint32_t m_uFaceBitmap = 0;
    uint32_t m_uSecondBitmap = 0;
    // Zero-based, in file order, children included.
    uint32_t m_uPosition = 0;
    std::vector<CToolbarEntry> m_vChildren;
};

inline constexpr size_t kMaxToolbarLine = 1024;
// More children than this in one drop-down is taken for a corrupt file.
inline constexpr uint32_t kMaxToolbarChildren = 256;

// Parses a whole definition text. A corrupt text (a short line, an over-long line, a bad number, a
// child where none is expected or missing where one is) fails as a whole: p_vEntries is then empty.
[[nodiscard]] bool ParseToolbarDefinition(std::string_view p_sText, std::vector<CToolbarEntry>& p_vEntries);

// "ACTION:<number>" targets; false for anything else (a web target).
[[nodiscard]] bool ParseActionTarget(std::string_view p_sTarget, int& p_iAction);

// The "New Branded SMS" button beside the client's New button: the fourth entry of "NewSMS.txt"
// when it has one, otherwise a plain button captioned p_sDefaultCaption with no picture.
CToolbarEntry CompanionEntry(const std::vector<CToolbarEntry>& p_vNewSMS, const std::string& p_sDefaultCaption);

// Command ids given to the entries of "Toolbar.txt" on the command bar: the first plus the entry's
// position; a click is mapped back through the same range.
inline constexpr uint32_t kFirstToolbarCommand = 2000;
inline constexpr uint32_t kLastToolbarCommand = 4000;

// A command-bar control's tag: the command id and a number that tells the plug-in's controls apart
// (the entry's position), as "%d %d".
std::string ButtonTag(uint32_t p_uCommand, uint32_t p_uSpare);
// Reads a tag written by ButtonTag; false for anything else (another program's tag, an empty one).
[[nodiscard]] bool ParseButtonTag(std::string_view p_sTag, uint32_t& p_uCommand, uint32_t& p_uSpare);

// The entry (children included) that owns command id p_uCommand of the toolbar range, or null.
const CToolbarEntry* EntryOfCommand(const std::vector<CToolbarEntry>& p_vEntries, uint32_t p_uCommand);
