// compose/print_layout.cpp: line breaking and page counting of printed text.
#include "compose/print_layout.h"

namespace compose
{
namespace
{
// Appends the lines of one paragraph (text without line ends).
void WrapParagraph(const std::string& p_sParagraph, int p_iWidth,
                   const std::function<int(const std::string&)>& p_fnWidth, std::vector<std::string>& p_vLines)
{
    size_t start = 0;
    const size_t length = p_sParagraph.size();
    if (length == 0)
    {
        p_vLines.emplace_back();
        return;
    }
    while (start < length)
    {
        if (p_fnWidth(p_sParagraph.substr(start)) <= p_iWidth)
        {
            p_vLines.push_back(p_sParagraph.substr(start));
            return;
        }
        // The longest prefix that fits, found by bisection over its length (widths grow with it).
        size_t low = 1;
        size_t high = length - start;
        size_t fits = 0;
        while (low <= high)
        {
            const size_t middle = low + (high - low) / 2;
            if (p_fnWidth(p_sParagraph.substr(start, middle)) <= p_iWidth)
            {
                fits = middle;
                low = middle + 1;
            }
            else
                high = middle - 1;
        }
        // Not even one character fits: it goes on a line of its own rather than never.
        if (fits == 0)
            fits = 1;
        size_t cut = fits;
        const size_t space = p_sParagraph.rfind(' ', start + fits);
        if (space != std::string::npos && space > start && space <= start + fits)
            cut = space - start;
        std::string line = p_sParagraph.substr(start, cut);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        p_vLines.push_back(line);
        start += cut;
        while (start < length && p_sParagraph[start] == ' ')
            ++start;
    }
}
} // namespace

std::vector<std::string> WrapText(const std::string& p_sText, int p_iWidth,
                                  const std::function<int(const std::string&)>& p_fnWidth)
{
    std::vector<std::string> lines;
    if (p_sText.empty())
        return lines;
    size_t start = 0;
    for (;;)
    {
        const size_t end = p_sText.find_first_of("\r\n", start);
        WrapParagraph(p_sText.substr(start, end == std::string::npos ? std::string::npos : end - start), p_iWidth,
                      p_fnWidth, lines);
        if (end == std::string::npos)
            break;
        start = end + (p_sText.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (start >= p_sText.size())
            break;
    }
    return lines;
}

int PageCount(size_t p_iLines, int p_iLinesPerPage)
{
    if (p_iLinesPerPage <= 0 || p_iLines == 0)
        return 1;
    const size_t perPage = static_cast<size_t>(p_iLinesPerPage);
    return static_cast<int>((p_iLines + perPage - 1) / perPage);
}
} // namespace compose
