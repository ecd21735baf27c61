// standins/outlook/ol_template_item_win.h: Application.CreateItemFromTemplate(path [, folder]).
#pragma once

#include "standins/outlook/ol_extensions_win.h"

namespace olstandin
{
// A new item with the template's properties, to be saved into p_pFolder (a MAPIFolder object) or, when
// that is left out, into the default folder of the template's kind. A missing or malformed file fails.
[[nodiscard]] HRESULT CreateItemFromTemplate(CHostServices& p_oServices, const VARIANT* p_pPath,
                                             const VARIANT* p_pFolder, VARIANT& p_oResult);
} // namespace olstandin
