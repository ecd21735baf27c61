// Addressbook/addressbook/exmapi_store_win.cpp: CExMAPI's message stores: the default store, its
// IPM subtree and contacts folder, the contact named properties, the reminder folder, and the
// contact folders of every other store.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/settings.h"
#include "common/trace_log.h"

#include <mapicode.h>

#include <cstring>

using namespace exmapi;

namespace
{
constexpr const char* kContactClass = "IPF.Contact";
constexpr const char* kImapInboxClass = "IPM.OutlookImapInbox";

// Opens the folder whose entry id the store keeps in p_ulTag (the IPM subtree, the search root).
HRESULT OpenStoreFolder(IMsgStore* p_pStore, ULONG p_ulTag, com_ptr<IMAPIFolder>& p_pFolder)
{
    unique_mapi_buffer<SPropValue> pEntryId;
    HRESULT hr = LOG_IF_MAPI_FAILED(GetOneProp(p_pStore, p_ulTag, pEntryId));
    if (FAILED(hr))
        return hr;
    ULONG ulType = 0;
    return LOG_IF_MAPI_FAILED(
        p_pStore->OpenEntry(pEntryId.get()->Value.bin.cb, reinterpret_cast<LPENTRYID>(pEntryId.get()->Value.bin.lpb),
                            nullptr, MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(p_pFolder.put())));
}

// The rows of a folder's hierarchy table with the walk's columns.
HRESULT OpenHierarchy(IMAPIFolder* p_pFolder, com_ptr<IMAPITable>& p_pTable)
{
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pFolder->GetHierarchyTable(0, p_pTable.put()));
    if (FAILED(hr))
        return hr;
    CTags<4> oColumns{4, {PR_ENTRYID, PR_DISPLAY_NAME_A, kTagContainerClass, kTagFolderChildCount}};
    return LOG_IF_MAPI_FAILED(p_pTable->SetColumns(oColumns.get(), 0));
}

bool IsContactFolderRow(const SRow& p_oRow)
{
    const std::optional<std::string> osClass = StringProp(p_oRow, kTagContainerClass);
    return osClass && *osClass == kContactClass;
}

// Whether the store's inbox (its receive folder for "IPM") is an IMAP inbox.
bool HasImapInbox(IMsgStore* p_pStore)
{
    ULONG cbEntryId = 0;
    unique_mapi_buffer<ENTRYID> pEntryId;
    char szClass[] = "IPM";
    if (FAILED(LOG_IF_MAPI_FAILED(
            p_pStore->GetReceiveFolder(reinterpret_cast<LPTSTR>(szClass), 0, &cbEntryId, pEntryId.put(), nullptr))))
        return false;
    com_ptr<IMAPIProp> pInbox;
    ULONG ulType = 0;
    if (FAILED(LOG_IF_MAPI_FAILED(p_pStore->OpenEntry(cbEntryId, pEntryId.get(), nullptr, MAPI_BEST_ACCESS, &ulType,
                                                      reinterpret_cast<IUnknown**>(pInbox.put())))))
        return false;
    unique_mapi_buffer<SPropValue> pClass;
    if (FAILED(GetOneProp(pInbox.get(), kTagContainerClass, pClass)))
        return false;
    return pClass.get()->Value.lpszA && std::strcmp(pClass.get()->Value.lpszA, kImapInboxClass) == 0;
}
} // namespace

HRESULT CExMAPI::CImpl::InitialiseMessageStore(CExMAPI& p_oThis)
{
    IMAPISession* pSession = p_oThis.m_oThread.Session();
    com_ptr<IMAPITable> pStores;
    HRESULT hr = EXMAPI_CALL(pSession->GetMsgStoresTable(0, pStores.put()), "pmsMapiSession->GetMsgStoresTable");
    if (FAILED(hr))
        return hr;
    ULONG ulStores = 0;
    hr = EXMAPI_CALL(pStores->GetRowCount(0, &ulStores), "pStoresTable->GetRowCount");
    if (FAILED(hr))
        return hr;
    if (ulStores == 0)
    {
        ShowSetupFailure(p_oThis, kMsgNoMessageStores);
        return MAPI_E_NOT_FOUND;
    }

    CTags<3> oColumns{3, {PR_DEFAULT_STORE, PR_ENTRYID, PR_DISPLAY_NAME_A}};
    SPropValue oTrue{};
    oTrue.ulPropTag = PR_DEFAULT_STORE;
    oTrue.Value.b = TRUE;
    SRestriction oDefault{};
    oDefault.rt = RES_PROPERTY;
    oDefault.res.resProperty = {RELOP_EQ, PR_DEFAULT_STORE, &oTrue};
    unique_mapi_rows pRows;
    hr = EXMAPI_CALL(pStores->SetColumns(oColumns.get(), 0), "pStoresTable->SetColumns");
    if (SUCCEEDED(hr))
        hr = EXMAPI_CALL(pStores->Restrict(&oDefault, 0), "pStoresTable->Restrict");
    if (SUCCEEDED(hr))
        hr = EXMAPI_CALL(pStores->QueryRows(1, 0, pRows.put()), "pStoresTable->QueryRows");
    if (FAILED(hr))
        return hr;
    std::optional<CEntryBytes> ovEntryId;
    if (pRows && pRows.get()->cRows == 1)
        ovEntryId = BinaryProp(pRows.get()->aRow[0], PR_ENTRYID);
    if (!ovEntryId || ovEntryId->empty())
    {
        ShowSetupFailure(p_oThis, kMsgNoDefaultStore);
        return MAPI_E_NOT_FOUND;
    }
    Log("Default store %s", StringProp(pRows.get()->aRow[0], PR_DISPLAY_NAME_A).value_or("").c_str());

    hr = LOG_IF_MAPI_FAILED(
        pSession->OpenMsgStore(0, static_cast<ULONG>(ovEntryId->size()), reinterpret_cast<LPENTRYID>(ovEntryId->data()),
                               nullptr, MAPI_BEST_ACCESS | MDB_WRITE | MDB_NO_DIALOG, p_oThis.m_pDefaultStore.put()));
    if (FAILED(hr))
    {
        ShowSetupFailure(p_oThis, kMsgStoreAccessDenied, static_cast<unsigned>(hr));
        return hr;
    }
    p_oThis.m_vDefaultStoreEntryId = *ovEntryId;
    p_oThis.m_oThread.SetMessageStore(p_oThis.m_pDefaultStore.get());

    hr = OpenStoreFolder(p_oThis.m_pDefaultStore.get(), PR_IPM_SUBTREE_ENTRYID, p_oThis.m_pIPMSubtree);
    if (FAILED(ReportCall(hr, "lpMDB->OpenEntry", __PRETTY_FUNCTION__)))
        return hr;
    FindIPMContacts(p_oThis);
    FindIPMContactFolders(p_oThis.m_pIPMSubtree.get(), p_oThis.m_vContactFolders);
    hr = ResolveContactEmailTags(p_oThis);
    if (FAILED(hr))
        return hr;
    OpenReminderFolder(p_oThis);
    return S_OK;
}

void CExMAPI::CImpl::FindIPMContacts(CExMAPI& p_oThis)
{
    com_ptr<IMAPITable> pTable;
    if (FAILED(OpenHierarchy(p_oThis.m_pIPMSubtree.get(), pTable)))
        return;
    std::optional<CFolderEntry> oFound;
    (void)ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        if (!ovEntryId || !IsContactFolderRow(p_oRow))
            return true;
        oFound =
            CFolderEntry{std::move(*ovEntryId), StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or(""), EID_TYPE_STORE};
        return false;
    });
    if (!oFound)
    {
        LOG_FAILURE("The IPM subtree has no contacts folder");
        return;
    }
    ULONG ulType = 0;
    if (FAILED(EXMAPI_CALL(p_oThis.m_pDefaultStore->OpenEntry(
                               static_cast<ULONG>(oFound->m_vEntryId.size()),
                               reinterpret_cast<LPENTRYID>(oFound->m_vEntryId.data()), nullptr, MAPI_BEST_ACCESS,
                               &ulType, reinterpret_cast<IUnknown**>(p_oThis.m_pContactsFolder.put())),
                           "lpMDB->OpenEntry")))
        return;
    p_oThis.m_oDefaultContacts = std::move(oFound);
}

void CExMAPI::CImpl::FindIPMContactFolders(IMAPIFolder* p_pFolder, std::vector<CFolderEntry>& p_vFolders, int p_iDepth)
{
    com_ptr<IMAPITable> pTable;
    if (p_iDepth >= kMaxFolderDepth)
    {
        LOG_FAILURE("Folders nested deeper than %d are not searched", kMaxFolderDepth);
        return;
    }
    if (!p_pFolder || FAILED(OpenHierarchy(p_pFolder, pTable)))
        return;
    (void)ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        if (!ovEntryId || ovEntryId->empty())
            return true;
        if (IsContactFolderRow(p_oRow))
            p_vFolders.push_back({*ovEntryId, StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or(""), EID_TYPE_STORE});
        if (LongProp(p_oRow, kTagFolderChildCount).value_or(0) > 0)
        {
            com_ptr<IMAPIFolder> pChild;
            ULONG ulType = 0;
            if (SUCCEEDED(LOG_IF_MAPI_FAILED(p_pFolder->OpenEntry(
                    static_cast<ULONG>(ovEntryId->size()), reinterpret_cast<LPENTRYID>(ovEntryId->data()), nullptr,
                    MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(pChild.put())))))
                FindIPMContactFolders(pChild.get(), p_vFolders, p_iDepth + 1);
        }
        return true;
    });
}

HRESULT CExMAPI::CImpl::ResolveContactEmailTags(CExMAPI& p_oThis)
{
    MAPINAMEID aNames[9];
    LPMAPINAMEID apNames[9];
    for (size_t i = 0; i < 9; ++i)
    {
        aNames[i].lpguid = const_cast<GUID*>(&ContactPropertySet());
        aNames[i].ulKind = MNID_ID;
        aNames[i].Kind.lID = kContactEmailLids[i];
        apNames[i] = &aNames[i];
    }
    // Without a contacts folder the store itself maps the names: they are the store's.
    IMAPIProp* pMapper = p_oThis.m_pContactsFolder ? static_cast<IMAPIProp*>(p_oThis.m_pContactsFolder.get())
                                                   : static_cast<IMAPIProp*>(p_oThis.m_pDefaultStore.get());
    unique_mapi_buffer<SPropTagArray> pTags;
    const HRESULT hr =
        EXMAPI_CALL(pMapper->GetIDsFromNames(9, apNames, MAPI_CREATE, pTags.put()), "pContactsFolder->GetIDsFromNames");
    if (FAILED(hr))
        return hr;
    for (size_t i = 0; i < 9; ++i)
    {
        const ULONG ulTag = pTags.get()->aulPropTag[i];
        // Every third slot value is the original entry id; the others are strings.
        const ULONG ulType = (i % 3 == 2) ? PT_BINARY : PT_STRING8;
        p_oThis.m_aContactEmailTags[i] = PROP_TYPE(ulTag) == PT_ERROR ? PR_NULL : PROP_TAG(ulType, PROP_ID(ulTag));
    }
    return S_OK;
}

void CExMAPI::CImpl::OpenReminderFolder(CExMAPI& p_oThis)
{
    com_ptr<IMAPIFolder> pFinder;
    com_ptr<IMAPITable> pTable;
    if (SUCCEEDED(OpenStoreFolder(p_oThis.m_pDefaultStore.get(), PR_FINDER_ENTRYID, pFinder)) &&
        SUCCEEDED(OpenHierarchy(pFinder.get(), pTable)))
        (void)ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
            const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
            if (!ovEntryId || StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or("") != "Reminders")
                return true;
            p_oThis.m_vReminderFolderEntryId = *ovEntryId;
            return false;
        });
    if (!p_oThis.m_vReminderFolderEntryId.empty())
        return;
    // The reminder monitor makes a folder of its own; the user is told about it once.
    CRegistry oRegistry;
    if (oRegistry.ReadUserText("RemWarning") == "True")
        return;
    Log("The store has no Reminders folder");
    if (!oRegistry.WriteUserText("RemWarning", "True"))
        LOG_FAILURE("Could not record RemWarning");
}

HRESULT CExMAPI::CImpl::FindAllContactFolders(CExMAPI& p_oThis)
{
    IMAPISession* pSession = p_oThis.m_oThread.Session();
    com_ptr<IMAPITable> pStores;
    HRESULT hr = EXMAPI_CALL(pSession->GetMsgStoresTable(0, pStores.put()), "pmsMapiSession->GetMsgStoresTable");
    if (FAILED(hr))
        return hr;
    CTags<4> oColumns{4, {PR_DEFAULT_STORE, PR_DISPLAY_NAME_A, PR_MDB_PROVIDER, PR_ENTRYID}};
    hr = EXMAPI_CALL(pStores->SetColumns(oColumns.get(), 0), "pStoresTable->SetColumns");
    if (FAILED(hr))
        return hr;
    return ForEachRow(pStores.get(), [&](const SRow& p_oRow) {
        const SPropValue* pDefault = FindProp(p_oRow, PR_DEFAULT_STORE);
        const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        if ((pDefault && pDefault->Value.b) || !ovEntryId)
            return true;
        const std::string sName = StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or("");
        const std::optional<CEntryBytes> ovProvider = BinaryProp(p_oRow, PR_MDB_PROVIDER);
        const bool bPublic = ovProvider && ovProvider->size() == sizeof(GUID) &&
                             std::memcmp(ovProvider->data(), &PublicFoldersProvider(), sizeof(GUID)) == 0;
        com_ptr<IMsgStore> pStore;
        const HRESULT hrOpen = pSession->OpenMsgStore(0, static_cast<ULONG>(ovEntryId->size()),
                                                      reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(ovEntryId->data())),
                                                      nullptr, MAPI_BEST_ACCESS | MDB_NO_DIALOG, pStore.put());
        if (bPublic)
        {
            // Public folders hold no personal contacts and can be slow or closed to the user.
            if (FAILED(hrOpen))
                Log("Couldnt access the public folders");
            return true;
        }
        if (FAILED(hrOpen))
        {
            LogCallFailure(__PRETTY_FUNCTION__, "pmsMapiSession->OpenMsgStore", EResultKind::MapiResult,
                           static_cast<uint32_t>(hrOpen));
            return true;
        }
        if (HasImapInbox(pStore.get()))
        {
            Log("IMAP store %s", sName.c_str());
            p_oThis.m_vImapStores.push_back(sName);
        }
        com_ptr<IMAPIFolder> pSubtree;
        if (SUCCEEDED(OpenStoreFolder(pStore.get(), PR_IPM_SUBTREE_ENTRYID, pSubtree)))
            FindIPMContactFolders(pSubtree.get(), p_oThis.m_vContactFolders);
        p_oThis.m_vStores.push_back(std::move(pStore));
        p_oThis.m_ulStores = static_cast<ULONG>(p_oThis.m_vStores.size());
        return true;
    });
}
