// outlook/toolbar_definition.cpp: the toolbar definition reader; portable, so it is tested natively
// and fuzzed.
#include "outlook/toolbar_definition.h"

#include <charconv>

namespace
{
constexpr size_t kFieldCount = 7;

bool ParseNumber(std::string_view p_sField, uint32_t& p_uValue)
{
    while (!p_sField.empty() && (p_sField.front() == ' ' || p_sField.front() == '\t'))
        p_sField.remove_prefix(1);
    while (!p_sField.empty() && (p_sField.back() == ' ' || p_sField.back() == '\t'))
        p_sField.remove_suffix(1);
    if (p_sField.empty())
        return false;
    const char* end = p_sField.data() + p_sField.size();
    const auto [ptr, ec] = std::from_chars(p_sField.data(), end, p_uValue);
    return ec == std::errc() && ptr == end;
}

// Splits one line into its seven fields; fields after the seventh are ignored.
bool SplitFields(std::string_view p_sLine, std::string_view (&p_aFields)[kFieldCount])
{
    size_t field = 0;
    while (field < kFieldCount)
    {
        const size_t bar = p_sLine.find('|');
        p_aFields[field++] = p_sLine.substr(0, bar);
        if (bar == std::string_view::npos)
            break;
        p_sLine.remove_prefix(bar + 1);
    }
    return field == kFieldCount;
}

EToolbarEntryKind KindOf(std::string_view p_sWord)
{
    switch (p_sWord.empty() ? '\0' : p_sWord.front())
    {
    case 'B':
        return EToolbarEntryKind::Button;
    case 'D':
        return p_sWord.size() < 11 ? EToolbarEntryKind::DropDownButton : EToolbarEntryKind::DropDownList;
    case 'C':
        return EToolbarEntryKind::Child;
    default:
        return EToolbarEntryKind::Other;
    }
}

bool ParseLine(std::string_view p_sLine, CToolbarEntry& p_oEntry, uint32_t& p_uChildCount)
{
    std::string_view fields[kFieldCount];
    if (!SplitFields(p_sLine, fields))
        return false;
    p_oEntry.m_eKind = KindOf(fields[0]);
    p_oEntry.m_sTarget = fields[1];
    p_oEntry.m_sCaption = fields[2];
    p_oEntry.m_sToolTip = fields[3];
    if (!ParseNumber(fields[4], p_oEntry.m_uFaceBitmap) || !ParseNumber(fields[5], p_oEntry.m_uSecondBitmap))
        return false;
    p_uChildCount = 0;
    const bool dropDown =
        p_oEntry.m_eKind == EToolbarEntryKind::DropDownButton || p_oEntry.m_eKind == EToolbarEntryKind::DropDownList;
    if (dropDown && (!ParseNumber(fields[6], p_uChildCount) || p_uChildCount > kMaxToolbarChildren))
        return false;
    return true;
}
} // namespace

bool ParseToolbarDefinition(std::string_view p_sText, std::vector<CToolbarEntry>& p_vEntries)
{
    p_vEntries.clear();
    std::vector<CToolbarEntry> entries;
    uint32_t childrenExpected = 0;
    uint32_t position = 0;
    while (!p_sText.empty())
    {
        const size_t newline = p_sText.find('\n');
        std::string_view line = p_sText.substr(0, newline);
        p_sText.remove_prefix(newline == std::string_view::npos ? p_sText.size() : newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxToolbarLine)
            return false;
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        CToolbarEntry entry;
        uint32_t childCount = 0;
        if (!ParseLine(line, entry, childCount))
            return false;
        if ((entry.m_eKind == EToolbarEntryKind::Child) != (childrenExpected > 0))
            return false;
        entry.m_uPosition = position++;
        if (entry.m_eKind == EToolbarEntryKind::Child)
        {
            entries.back().m_vChildren.push_back(std::move(entry));
            --childrenExpected;
            continue;
        }
        childrenExpected = childCount;
        entries.push_back(std::move(entry));
    }
    if (childrenExpected > 0)
        return false;
    p_vEntries = std::move(entries);
    return true;
}

bool ParseActionTarget(std::string_view p_sTarget, int& p_iAction)
{
    constexpr std::string_view kPrefix = "ACTION:";
    if (p_sTarget.substr(0, kPrefix.size()) != kPrefix)
        return false;
    p_sTarget.remove_prefix(kPrefix.size());
    const char* end = p_sTarget.data() + p_sTarget.size();
    const auto [ptr, ec] = std::from_chars(p_sTarget.data(), end, p_iAction);
    return ec == std::errc() && ptr == end && !p_sTarget.empty();
}

CToolbarEntry CompanionEntry(const std::vector<CToolbarEntry>& p_vNewSMS, const std::string& p_sDefaultCaption)
{
    constexpr size_t kCompanionIndex = 3;
    if (p_vNewSMS.size() > kCompanionIndex)
        return p_vNewSMS[kCompanionIndex];
    CToolbarEntry entry;
    entry.m_sCaption = p_sDefaultCaption;
    entry.m_sToolTip = p_sDefaultCaption;
    entry.m_sTarget = "ACTION:40027";
    return entry;
}

std::string ButtonTag(uint32_t p_uCommand, uint32_t p_uSpare)
{
    return std::to_string(p_uCommand) + " " + std::to_string(p_uSpare);
}

bool ParseButtonTag(std::string_view p_sTag, uint32_t& p_uCommand, uint32_t& p_uSpare)
{
    const size_t space = p_sTag.find(' ');
    if (space == std::string_view::npos)
        return false;
    const auto number = [](std::string_view p_sText, uint32_t& p_uValue) {
        const char* end = p_sText.data() + p_sText.size();
        const auto [ptr, ec] = std::from_chars(p_sText.data(), end, p_uValue);
        return !p_sText.empty() && ec == std::errc() && ptr == end;
    };
    return number(p_sTag.substr(0, space), p_uCommand) && number(p_sTag.substr(space + 1), p_uSpare);
}

const CToolbarEntry* EntryOfCommand(const std::vector<CToolbarEntry>& p_vEntries, uint32_t p_uCommand)
{
    if (p_uCommand < kFirstToolbarCommand || p_uCommand > kLastToolbarCommand)
        return nullptr;
    for (const CToolbarEntry& entry : p_vEntries)
    {
        if (entry.m_uPosition == p_uCommand - kFirstToolbarCommand)
            return &entry;
        if (const CToolbarEntry* child = EntryOfCommand(entry.m_vChildren, p_uCommand))
            return child;
    }
    return nullptr;
}
