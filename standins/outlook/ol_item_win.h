// standins/outlook/ol_item_win.h: the object model's items: store items (opened by entry id, with
// their fields, Save, Display in a read note or an inspector, Close) and new ones from CreateItem.
#pragma once

#include "standins/outlook/ol_extensions_win.h"
#include "standins/outlook/ol_item_fields_win.h"

namespace olstandin
{
// Namespace.GetItemFromID: the item of the default store with that entry id; MAPI_E_NOT_FOUND when
// the id names no message there.
[[nodiscard]] HRESULT ItemFromId(CHostServices& p_oServices, const CEntryId& p_oEntryId, com_ptr<IDispatch>& p_oItem);
// An item of a folder's contents or a selection: read from the store, or from the row when it does not open.
[[nodiscard]] com_ptr<IDispatch> ItemFromRow(CHostServices& p_oServices, const CItemRow& p_oRow);
// Application.CreateItem: a new, unsaved item of that message class.
[[nodiscard]] com_ptr<IDispatch> CreateNewItem(CHostServices& p_oServices, const std::string& p_sMessageClass);
} // namespace olstandin
