// Addressbook/import/import_split.cpp: delimited and fixed-width cells.
#include "Addressbook/import/import_split.h"

#include <algorithm>

std::vector<std::string> SplitDelimited(std::string_view p_sLine, const CDelimitedOptions& p_oOptions)
{
    std::vector<std::string> vCells;
    std::string sCell;
    bool bQuoted = false;
    auto fnEndCell = [&]() {
        if (!(p_oOptions.m_bMultipleAsOne && sCell.empty()))
            vCells.push_back(sCell);
        sCell.clear();
    };
    for (char c : p_sLine)
    {
        if (p_oOptions.m_cQualifier != '\0' && c == p_oOptions.m_cQualifier)
            bQuoted = !bQuoted;
        else if (!bQuoted && c != '\0' && p_oOptions.m_sDelimiters.find(c) != std::string::npos)
            fnEndCell();
        else
            sCell.push_back(c);
    }
    fnEndCell();
    return vCells;
}

namespace
{
std::string TrimSpaces(std::string_view p_sText)
{
    const size_t nFirst = p_sText.find_first_not_of(' ');
    if (nFirst == std::string_view::npos)
        return std::string();
    const size_t nLast = p_sText.find_last_not_of(' ');
    return std::string(p_sText.substr(nFirst, nLast - nFirst + 1));
}
} // namespace

std::vector<std::string> SplitFixedWidth(std::string_view p_sLine, const std::vector<size_t>& p_vBreaks)
{
    std::vector<size_t> vBreaks(p_vBreaks);
    std::sort(vBreaks.begin(), vBreaks.end());
    vBreaks.erase(std::unique(vBreaks.begin(), vBreaks.end()), vBreaks.end());
    std::vector<std::string> vCells;
    size_t nStart = 0;
    for (size_t nBreak : vBreaks)
    {
        if (nBreak == 0)
            continue;
        if (nStart >= p_sLine.size())
            return vCells;
        vCells.push_back(TrimSpaces(p_sLine.substr(nStart, nBreak - nStart)));
        nStart = nBreak;
    }
    if (nStart < p_sLine.size())
        vCells.push_back(TrimSpaces(p_sLine.substr(nStart)));
    return vCells;
}

std::vector<size_t> ProposeFixedBreaks(const std::vector<std::string>& p_vLines)
{
    std::vector<size_t> vBreaks;
    if (p_vLines.empty())
        return vBreaks;
    size_t nShortest = p_vLines.front().size();
    for (const auto& sLine : p_vLines)
        nShortest = std::min(nShortest, sLine.size());
    bool bPreviousWasSpace = false;
    bool bLeadingRun = true; // spaces before any text start no cell
    for (size_t nColumn = 0; nColumn < nShortest; ++nColumn)
    {
        const bool bAllSpace = std::all_of(p_vLines.begin(), p_vLines.end(),
                                           [nColumn](const std::string& s) { return s[nColumn] == ' '; });
        if (!bAllSpace)
            bLeadingRun = false;
        else if (!bLeadingRun && nColumn + 1 < nShortest)
        {
            // The later of adjacent proposals replaces the earlier one.
            if (bPreviousWasSpace && !vBreaks.empty())
                vBreaks.back() = nColumn + 1;
            else
                vBreaks.push_back(nColumn + 1);
        }
        bPreviousWasSpace = bAllSpace;
    }
    return vBreaks;
}
