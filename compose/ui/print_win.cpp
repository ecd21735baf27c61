// compose/ui/print_win.cpp: printing a message's text.
#include "compose/ui/print_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "compose/print_layout.h"

#include <commdlg.h>

namespace
{
constexpr int kPointSize = 10;

// A printer font of the size users read on screen, in the face of the window's own font.
HFONT PrinterFont(HDC p_hDC)
{
    LOGFONTA face{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face);
    face.lfHeight = -MulDiv(kPointSize, GetDeviceCaps(p_hDC, LOGPIXELSY), 72);
    face.lfWidth = 0;
    return CreateFontIndirectA(&face);
}
} // namespace

int PaginateText(HDC p_hDC, const std::string& p_sText, const RECT& p_rcArea, bool p_bRender)
{
    TEXTMETRICA metrics{};
    GetTextMetricsA(p_hDC, &metrics);
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    const int linesPerPage = lineHeight > 0 ? (p_rcArea.bottom - p_rcArea.top) / lineHeight : 0;
    const std::vector<std::string> lines =
        compose::WrapText(p_sText, p_rcArea.right - p_rcArea.left, [p_hDC](const std::string& p_sLine) {
            SIZE size{};
            GetTextExtentPoint32A(p_hDC, p_sLine.c_str(), static_cast<int>(p_sLine.size()), &size);
            return static_cast<int>(size.cx);
        });
    const int pages = compose::PageCount(lines.size(), linesPerPage);
    if (!p_bRender)
        return pages;
    const size_t perPage = static_cast<size_t>(linesPerPage > 0 ? linesPerPage : 1);
    for (int page = 0; page < pages; ++page)
    {
        if (StartPage(p_hDC) <= 0)
        {
            LogCallFailure(__PRETTY_FUNCTION__, "StartPage(p_hDC)", EResultKind::Win32Error, GetLastError());
            return page;
        }
        SetTextAlign(p_hDC, TA_TOP | TA_LEFT);
        const size_t first = static_cast<size_t>(page) * perPage;
        for (size_t i = first; i < lines.size() && i < first + perPage; ++i)
            TextOutA(p_hDC, p_rcArea.left, p_rcArea.top + static_cast<int>(i - first) * lineHeight, lines[i].c_str(),
                     static_cast<int>(lines[i].size()));
        if (EndPage(p_hDC) <= 0)
        {
            LogCallFailure(__PRETTY_FUNCTION__, "EndPage(p_hDC)", EResultKind::Win32Error, GetLastError());
            return page + 1;
        }
    }
    return pages;
}

bool PrintText(HWND p_hOwner, const std::string& p_sText, const std::string& p_sDocName)
{
    PRINTDLGA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = p_hOwner;
    dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nCopies = 1;
    if (!PrintDlgA(&dialog))
    {
        const DWORD error = CommDlgExtendedError();
        if (error != 0)
            LogCallFailure(__PRETTY_FUNCTION__, "PrintDlgA(&dialog)", EResultKind::Win32Error, error);
        return false;
    }
    // The printer's settings are not kept between prints.
    const unique_hglobal devMode(dialog.hDevMode);
    const unique_hglobal devNames(dialog.hDevNames);
    const unique_hdc printer(dialog.hDC);
    HDC dc = printer.get();
    if (dc == nullptr)
        return false;

    // An inch of margin on the paper, inside what the device can print.
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    const int offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    const int offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    RECT area{dpiX - offsetX, dpiY - offsetY, GetDeviceCaps(dc, PHYSICALWIDTH) - dpiX - offsetX,
              GetDeviceCaps(dc, PHYSICALHEIGHT) - dpiY - offsetY};
    if (area.right <= area.left || area.bottom <= area.top)
        area = RECT{0, 0, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};

    const unique_hfont font(PrinterFont(dc));
    // Restores the printer's own font before the font goes.
    const dc_state_guard state(dc);
    SelectObject(dc, font.get());
    DOCINFOA document{};
    document.cbSize = sizeof(document);
    document.lpszDocName = p_sDocName.c_str();
    bool printed = false;
    if (StartDocA(dc, &document) > 0)
    {
        (void)PaginateText(dc, p_sText, area, true);
        printed = EndDoc(dc) > 0;
        if (!printed)
            LogCallFailure(__PRETTY_FUNCTION__, "EndDoc(dc)", EResultKind::Win32Error, GetLastError());
    }
    else
        LogCallFailure(__PRETTY_FUNCTION__, "StartDocA(dc, &document)", EResultKind::Win32Error, GetLastError());
    return printed;
}
