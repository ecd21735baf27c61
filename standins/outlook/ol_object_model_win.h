// standins/outlook/ol_object_model_win.h: the application object of the client's object model, late
// bound with type information: Application (Name, Version, GetNamespace, ActiveExplorer, Explorers,
// CreateItem), Explorers with NewExplorer, NameSpace (GetDefaultFolder, GetFolderFromID), MAPIFolder
// (Items, Folders), Items / Selection and the mail items in them.
#pragma once

#include "standins/outlook/ol_extensions_win.h"

namespace olstandin
{
[[nodiscard]] com_ptr<IDispatch> CreateApplication(CHostServices& p_oServices);
} // namespace olstandin
