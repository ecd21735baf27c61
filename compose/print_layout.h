// compose/print_layout.h: how printed text falls into lines and pages, independent of the device:
// the caller measures, this decides where lines break and where pages end.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace compose
{
// Breaks p_sText into lines no wider than p_iWidth as p_fnWidth measures them. CR LF, CR and LF
// end a line (an empty line stays a line); otherwise a line breaks after the last space that
// still fits, and a word wider than a whole line is cut where it stops fitting. Spaces at a
// break are dropped. An empty text is no lines.
std::vector<std::string> WrapText(const std::string& p_sText, int p_iWidth,
                                  const std::function<int(const std::string&)>& p_fnWidth);

// Number of pages for p_iLines lines of which p_iLinesPerPage fit on a page: at least one page,
// so that an empty message still prints its (empty) page.
int PageCount(size_t p_iLines, int p_iLinesPerPage);
} // namespace compose
