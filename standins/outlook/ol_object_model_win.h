// standins/outlook/ol_object_model_win.h: the first objects of the client's object model, late-bound
// with type information: Application (Name, Version, GetNamespace, ActiveExplorer), NameSpace (Type,
// GetDefaultFolder, MAPIOBJECT), MAPIFolder (Name, EntryID, StoreID, MAPIOBJECT), Explorer (Caption,
// Close).
#pragma once

#include "standins/outlook/ol_extensions_win.h"

namespace olstandin
{
[[nodiscard]] com_ptr<IDispatch> CreateApplication(CHostServices& p_oServices);
} // namespace olstandin
