// standins/mapi/provider/provider_contents.h: what a folder's contents tables read rows from: its
// own items, or for a search folder the items its criteria match in the folders it searches.
#pragma once

#include "standins/mapi/provider/provider.h"

#include <memory>
#include <utility>
#include <vector>

namespace mapiprov
{
// The messages a search folder shows: every item of the folders it searches (recursively when
// asked) that its criteria match.
void CollectSearch(ms::CFolder& p_f, const ms::CRestriction* p_pRes, bool p_bRecursive,
                   std::vector<std::pair<ms::CFolder*, size_t>>& p_out);
// The contents of plain folder p_uId of store p_uid (its associated contents with p_bAssociated).
std::shared_ptr<CTable::CLazySource> NewContentsSource(ms::CBytes p_uid, uint32_t p_uId, bool p_bAssociated);
// The contents of search folder p_uId.
std::shared_ptr<CTable::CLazySource> NewSearchSource(ms::CBytes p_uid, uint32_t p_uId);
} // namespace mapiprov
