// Addressbook/addressbook/exmapi_page_cache_win.cpp: CExMAPI::GetPageCacheForFolder, the page
// cache over a contact folder's or an address-book container's contents table. Kept on its own so
// the rest of CExMAPI builds without the MAPI page caches.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include <mapicode.h>

using namespace exmapi;

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
    if (FAILED(EXMAPI_CALL(hr, "pFolder->GetContentsTable")))
        return hr;
    return MakeContactPageCache(pContents.get(), m_aContactEmailTags, *this, p_pCache);
}
