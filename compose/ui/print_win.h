// compose/ui/print_win.h: printing a message's text (File > Print... of the compose and template
// windows): the system's print dialog, then the text laid out line by line on the pages.
#pragma once

#include <windows.h>

#include <string>

// Asks for a printer with the print dialog owned by p_hOwner and prints p_sText as the document
// p_sDocName. False when the user cancelled, no printer could be had (the dialog itself tells the
// user), or printing failed (logged).
bool PrintText(HWND p_hOwner, const std::string& p_sText, const std::string& p_sDocName);

// Lays p_sText out in the device rectangle p_rcArea of each page of p_hDC with the font selected
// into it. With p_bRender the pages are drawn between StartPage and EndPage; without, only
// counted. Returns the number of pages (an empty text is one empty page).
int PaginateText(HDC p_hDC, const std::string& p_sText, const RECT& p_rcArea, bool p_bRender);
