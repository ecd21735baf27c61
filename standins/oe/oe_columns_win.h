// standins/oe/oe_columns_win.h: the message list's columns: read from and written to the identity's
// "Columns" key ("Mail Column Info (In)" for received folders, "(Out)" for Outbox, Sent Items and
// Drafts), put on the list, and changed through the "Columns" dialog.
#pragma once

#include "standins/oe/store/column_layout.h"
#include "standins/oe/store/eml_message.h"

#include <windows.h>

#include <string>
#include <vector>

namespace oestandin
{
// The value name of a folder kind's layout.
const char* ColumnValueName(bool p_bOutgoing);

// The layout the current identity keeps for the folder kind, only the columns the list knows; the
// default layout when the value is missing, does not read, or names no column the list knows.
std::vector<oestore::CListColumn> ReadListColumns(int p_iMajor, bool p_bOutgoing);
[[nodiscard]] bool WriteListColumns(int p_iMajor, bool p_bOutgoing,
                                    const std::vector<oestore::CListColumn>& p_vColumns);

// Replaces the list's columns by the layout's (its rows are cleared).
void ApplyListColumns(HWND p_hList, const std::vector<oestore::CListColumn>& p_vColumns);
// The text a row shows in the column.
std::string ColumnText(uint32_t p_nColumn, const oestore::CMailMessage& p_oMessage, size_t p_nSize);

// The modal "#32770" "Columns": one auto check box per known column (ids IDC_COLUMN_FIRST on, in
// KnownColumns order), OK and Cancel. True when OK changed p_vColumns: columns kept stay in their
// order with their widths, newly ticked ones follow. OK with no box ticked is refused.
[[nodiscard]] bool ShowColumnsDialog(HINSTANCE p_hInstance, HWND p_hOwner,
                                     std::vector<oestore::CListColumn>& p_vColumns);
} // namespace oestandin
