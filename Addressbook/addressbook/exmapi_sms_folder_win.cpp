// Addressbook/addressbook/exmapi_sms_folder_win.cpp: the "Sent SMSs" folder below the root of the
// message tree, found again through the entry id kept in the settings and made again when the
// user deleted it, and the readable copy of each sent job filed in it.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "common/registry.h"
#include "common/settings.h"
#include "common/trace_log.h"

#include <mapicode.h>

using namespace exmapi;

const char* const kSentSMSFolderName = "Sent SMSs";
const char* const kSentSMSFolderValue = "SMSFolder";

namespace
{
// PR_FOLDER_XVIEWINFO_E: the folder lists its items by recipient, as a sent-items folder does.
constexpr ULONG kTagFolderViewInfo = PROP_TAG(PT_BINARY, 0x36E0);
constexpr BYTE kSentToView[24] = {0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0xE9, 0x00, 'S', 0, 'e', 0,
                                  'n',  0,    't',  0,    ' ',  0,    'T',  0,    'o', 0, 0,   0};

// The kept entry id; false only when a value is there but is not an entry id.
[[nodiscard]] bool GetRegEID(CRegistry& p_oRegistry, CEntryBytes& p_vEntryId)
{
    p_vEntryId.clear();
    if (!p_oRegistry.ValueExists(ERegRoot::CurrentUser, kUserKey, kSentSMSFolderValue))
        return true;
    std::vector<uint8_t> vData;
    uint32_t dwType = 0;
    if (!p_oRegistry.ReadRegistry(ERegRoot::CurrentUser, kUserKey, kSentSMSFolderValue, true, vData, &dwType) ||
        dwType != kRegBinary)
        return false;
    p_vEntryId.assign(vData.begin(), vData.end());
    return true;
}

[[nodiscard]] bool WriteRegEID(CRegistry& p_oRegistry, const CEntryBytes& p_vEntryId)
{
    return p_oRegistry.WriteRegistry(ERegRoot::CurrentUser, kUserKey, kSentSMSFolderValue, p_vEntryId.data(),
                                     p_vEntryId.size(), kRegBinary);
}

HRESULT OpenFolder(IMsgStore* p_pStore, const CEntryBytes& p_vEntryId, com_ptr<IMAPIFolder>& p_pFolder)
{
    ULONG ulType = 0;
    const HRESULT hr = p_pStore->OpenEntry(static_cast<ULONG>(p_vEntryId.size()),
                                           reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vEntryId.data())), nullptr,
                                           MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(p_pFolder.put()));
    if (SUCCEEDED(hr) && ulType != MAPI_FOLDER)
    {
        p_pFolder.reset();
        return MAPI_E_NOT_FOUND;
    }
    return hr;
}

// The entry id of the child of p_pRoot named "Sent SMSs"; none is not an error.
HRESULT FindExistingSentSMSs(IMAPIFolder* p_pRoot, std::optional<CEntryBytes>& p_ovEntryId)
{
    com_ptr<IMAPITable> pTable;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pRoot->GetHierarchyTable(0, pTable.put()));
    if (FAILED(hr))
        return hr;
    CTags<2> oColumns{2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    hr = LOG_IF_MAPI_FAILED(pTable->SetColumns(oColumns.get(), 0));
    if (FAILED(hr))
        return hr;
    return ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        if (StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or("") != kSentSMSFolderName)
            return true;
        p_ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        return false;
    });
}

HRESULT CreateSMSFolder(IMAPIFolder* p_pRoot, com_ptr<IMAPIFolder>& p_pFolder)
{
    HRESULT hr = LOG_IF_MAPI_FAILED(
        p_pRoot->CreateFolder(FOLDER_GENERIC, reinterpret_cast<LPTSTR>(const_cast<char*>(kSentSMSFolderName)), nullptr,
                              nullptr, OPEN_IF_EXISTS, p_pFolder.put()));
    if (FAILED(hr))
        return hr;
    SPropValue oView{};
    oView.ulPropTag = kTagFolderViewInfo;
    oView.Value.bin.cb = sizeof(kSentToView);
    oView.Value.bin.lpb = const_cast<BYTE*>(kSentToView);
    hr = LOG_IF_MAPI_FAILED(p_pFolder->SetProps(1, &oView, nullptr));
    if (FAILED(hr))
        LOG_FAILURE("SetViewProp failed");
    // A folder without its view still takes the copies; the view only orders them.
    return S_OK;
}
} // namespace

HRESULT CExMAPI::GetSentSMSFolder(CRegistry& p_oRegistry, com_ptr<IMAPIFolder>& p_pFolder)
{
    IMsgStore* pStore = m_oThread.MessageStore();
    if (pStore == nullptr)
    {
        LOG_FAILURE("GetMessageStoreForThread() failed");
        return E_FAIL;
    }
    CEntryBytes vKept;
    if (!GetRegEID(p_oRegistry, vKept))
        LOG_FAILURE("GetRegEID failed");
    if (!vKept.empty())
    {
        const HRESULT hrOpen = OpenFolder(pStore, vKept, p_pFolder);
        if (SUCCEEDED(hrOpen))
            return S_OK;
        // The folder was deleted (or the store replaced): find or make it again.
        LogCallFailure(__PRETTY_FUNCTION__, "VerifyFoldersExistance", EResultKind::MapiResult,
                       static_cast<uint32_t>(hrOpen));
    }
    com_ptr<IMAPIFolder> pRoot;
    HRESULT hr = CImpl::GetDefaultFolder(*this, PR_IPM_SUBTREE_ENTRYID, pRoot);
    if (FAILED(hr))
        return hr;
    std::optional<CEntryBytes> ovFound;
    hr = FindExistingSentSMSs(pRoot.get(), ovFound);
    if (FAILED(hr))
    {
        LOG_FAILURE("FindExistingSentSMSs failed");
        return hr;
    }
    if (ovFound && !ovFound->empty())
        hr = LOG_IF_MAPI_FAILED(OpenFolder(pStore, *ovFound, p_pFolder));
    else
    {
        hr = CreateSMSFolder(pRoot.get(), p_pFolder);
        if (FAILED(hr))
            LOG_FAILURE("CreateSMSFolder failed");
    }
    if (FAILED(hr))
        return hr;
    unique_mapi_buffer<SPropValue> pEntryId;
    hr = LOG_IF_MAPI_FAILED(GetOneProp(p_pFolder.get(), PR_ENTRYID, pEntryId));
    if (FAILED(hr))
        return hr;
    const CEntryBytes vEntryId(pEntryId.get()->Value.bin.lpb,
                               pEntryId.get()->Value.bin.lpb + pEntryId.get()->Value.bin.cb);
    // Without the kept id the folder is only looked up by name next time.
    if (!WriteRegEID(p_oRegistry, vEntryId))
        LOG_FAILURE("WriteRegEID failed");
    return S_OK;
}

HRESULT CExMAPI::WriteToSMSFolder(CRegistry& p_oRegistry, const CMessageRecipientList* p_p_mrlTo,
                                  const CMessageRecipientList* p_p_mrlBcc, const std::string& p_sSenderLabel,
                                  const std::string& p_sSubject, const std::string& p_sText)
{
    CLogScope oScope("CExMAPI::WriteToSMSFolder");
    com_ptr<IMAPIFolder> pFolder;
    HRESULT hr = GetSentSMSFolder(p_oRegistry, pFolder);
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "CExMAPI::GetSentSMSFolder()", EResultKind::MapiResult,
                       static_cast<uint32_t>(hr));
        return hr;
    }
    RecipientRefs vTo;
    RecipientRefs vBcc;
    for (auto [pList, pRefs] : {std::pair{p_p_mrlTo, &vTo}, std::pair{p_p_mrlBcc, &vBcc}})
        for (const CMessageRecipientNode* pNode = pList != nullptr ? pList->m_p_oFirst : nullptr; pNode != nullptr;
             pNode = pNode->m_p_oNext)
            if (pNode->m_p_oItem != nullptr)
                pRefs->push_back(pNode->m_p_oItem);
    CMapiMessage oCopy;
    oCopy.m_sSenderLabel = p_sSenderLabel;
    oCopy.m_sSubject = p_sSubject;
    oCopy.m_sBody = p_sText;
    oCopy.m_iMode = kMessageModeCopy;
    hr = CreateMessageInFolder(pFolder.get(), vTo, {}, vBcc, oCopy, {});
    if (FAILED(hr))
        LogCallFailure(__PRETTY_FUNCTION__, "CExMAPI::CreateSMSInFolder()", EResultKind::MapiResult,
                       static_cast<uint32_t>(hr));
    return hr;
}
