// Addressbook/addressbook/exmapi_page_cache_win.cpp: CExMAPI::GetPageCacheForFolder, the page
// cache over a contact folder's or an address-book container's contents table. Kept on its own so
// the rest of CExMAPI builds without the MAPI page caches.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include <mapicode.h>

using namespace exmapi;

namespace
{
// The list's type-ahead is a binary search over the rows: they must come in display-name order,
// which neither a contact folder's nor a container's table promises by itself.
HRESULT SortByDisplayName(IMAPITable* p_pTable)
{
    SizedSSortOrderSet(1, oOrder) = {1, 0, 0, {{PR_DISPLAY_NAME, TABLE_SORT_ASCEND}}};
    const HRESULT hr = p_pTable->SortTable(reinterpret_cast<LPSSortOrderSet>(&oOrder), 0);
    // A table that cannot sort is shown in its own order.
    return hr == MAPI_E_NO_SUPPORT || hr == MAPI_E_TOO_COMPLEX ? S_OK : hr;
}
} // namespace

HRESULT CExMAPI::GetPageCacheForFolder(const CFolderEntry& p_oFolder, std::unique_ptr<CMapiPageCache>& p_pCache)
{
    p_pCache.reset();
    com_ptr<IMAPITable> pContents;
    if (p_oFolder.m_iKind == EID_TYPE_AB)
    {
        com_ptr<IABContainer> pContainer;
        HRESULT hr = CImpl::OpenABEntry(*this, p_oFolder.m_vEntryId, 0, reinterpret_cast<IUnknown**>(pContainer.put()));
        if (SUCCEEDED(hr))
            hr = EXMAPI_CALL(pContainer->GetContentsTable(0, pContents.put()), "pABContainer->GetContentsTable");
        if (SUCCEEDED(hr))
            hr = EXMAPI_CALL(SortByDisplayName(pContents.get()), "pABContainer->SortTable");
        if (FAILED(hr))
            return hr;
        return MakeABPageCache(pContents.get(), *this, p_pCache);
    }
    // CExMAPI::GetPageCacheForNormalFolder
    com_ptr<IMAPIFolder> pFolder;
    HRESULT hr = CImpl::OpenStoreEntry(*this, p_oFolder.m_vEntryId, 0, reinterpret_cast<IUnknown**>(pFolder.put()));
    if (FAILED(hr))
        return hr;
    hr = pFolder->GetContentsTable(0, pContents.put());
    if (hr == MAPI_E_NO_SUPPORT)
        return S_OK;
    if (FAILED(EXMAPI_CALL(hr, "pFolder->GetContentsTable")) ||
        FAILED(hr = EXMAPI_CALL(SortByDisplayName(pContents.get()), "pContentsTable->SortTable")))
        return hr;
    return MakeContactPageCache(pContents.get(), m_aContactEmailTags, *this, p_pCache);
}
