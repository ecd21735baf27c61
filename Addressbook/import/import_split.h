// Addressbook/import/import_split.h: cutting one line of an imported file into cells, either
// at delimiters or at fixed column breaks, and the breaks proposed for a fixed-width preview.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CDelimitedOptions
{
    std::string m_sDelimiters = ",";
    char m_cQualifier = '"';       // '\0': no text qualifier
    bool m_bMultipleAsOne = false; // drop the empty cells that repeated delimiters make
};

// The qualifier toggles a quoted state and is removed; a delimiter outside quotes ends a cell;
// the end of the line ends the last one.
std::vector<std::string> SplitDelimited(std::string_view p_sLine, const CDelimitedOptions& p_oOptions);

// Cuts the line before each break (ascending column positions, each above 0); cells lose their
// padding spaces, and a line ending before a break has no cell there.
std::vector<std::string> SplitFixedWidth(std::string_view p_sLine, const std::vector<size_t>& p_vBreaks);

// A break after each run of columns at which every line has a space, placed where the next cell
// starts (adjacent proposals reduce to the later one). Columns beyond a line's end are no space.
std::vector<size_t> ProposeFixedBreaks(const std::vector<std::string>& p_vLines);
