// tests/win/addressbook/exmapi_send_test_support.cpp: reading the Outlook road's messages back
// from the stand-in's store, and the store whose Outbox is locked.
#include "tests/win/addressbook/exmapi_send_test_support.h"

#include "common/mapi_owner_win.h"
#include "common/settings.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace exmapitest
{
namespace
{
// The first value of a GetProps answer with exactly p_ulTag.
const SPropValue* Find(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    for (ULONG i = 0; i < p_nProps; ++i)
        if (p_aProps[i].ulPropTag == p_ulTag)
            return &p_aProps[i];
    return nullptr;
}

std::string TextOf(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    const SPropValue* pValue = Find(p_aProps, p_nProps, p_ulTag);
    return pValue != nullptr && pValue->Value.lpszA != nullptr ? pValue->Value.lpszA : "";
}

LONG LongOf(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag, LONG p_lDefault = 0)
{
    const SPropValue* pValue = Find(p_aProps, p_nProps, p_ulTag);
    return pValue != nullptr ? pValue->Value.l : p_lDefault;
}

std::string ReadStream(IMAPIProp* p_pObject, ULONG p_ulTag)
{
    com_ptr<IStream> pStream;
    if (FAILED(p_pObject->OpenProperty(p_ulTag, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(pStream.put()))))
        return {};
    std::string sText;
    char aBuffer[4096];
    ULONG cbRead = 0;
    while (SUCCEEDED(pStream->Read(aBuffer, sizeof(aBuffer), &cbRead)) && cbRead > 0)
        sText.append(aBuffer, cbRead);
    return sText;
}

template <typename F> void ForEachRowOf(IMAPITable* p_pTable, F&& p_fnRow)
{
    for (;;)
    {
        unique_mapi_rows pRows;
        if (FAILED(p_pTable->QueryRows(50, 0, pRows.put())) || !pRows || pRows.get()->cRows == 0)
            return;
        for (ULONG i = 0; i < pRows.get()->cRows; ++i)
            p_fnRow(pRows.get()->aRow[i]);
    }
}

com_ptr<IMAPIFolder> OpenStoreFolder(IMsgStore* p_pStore, const CEntryBytes& p_vFolder)
{
    com_ptr<IMAPIFolder> pFolder;
    ULONG ulType = 0;
    EXPECT_EQ(p_pStore->OpenEntry(static_cast<ULONG>(p_vFolder.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vFolder.data())), nullptr,
                                  MAPI_MODIFY, &ulType, reinterpret_cast<IUnknown**>(pFolder.put())),
              S_OK);
    return pFolder;
}

CEntryBytes StoreFolderId(IMsgStore* p_pStore, ULONG p_ulTag)
{
    SizedSPropTagArray(1, oTags) = {1, {p_ulTag}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pValue;
    if (FAILED(p_pStore->GetProps(reinterpret_cast<LPSPropTagArray>(&oTags), 0, &ulCount, pValue.put())) ||
        pValue.get()->ulPropTag != p_ulTag)
        return {};
    return CEntryBytes(pValue.get()->Value.bin.lpb, pValue.get()->Value.bin.lpb + pValue.get()->Value.bin.cb);
}

void ReadRecipients(IMessage* p_pMessage, CStoredMessage& p_oMessage)
{
    com_ptr<IMAPITable> pTable;
    ASSERT_EQ(p_pMessage->GetRecipientTable(0, pTable.put()), S_OK);
    SizedSPropTagArray(2, oColumns) = {2, {PR_RECIPIENT_TYPE, PR_EMAIL_ADDRESS_A}};
    ASSERT_EQ(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0), S_OK);
    ForEachRowOf(pTable.get(), [&](const SRow& p_oRow) {
        p_oMessage.m_vRecipients.emplace_back(LongOf(p_oRow.lpProps, p_oRow.cValues, PR_RECIPIENT_TYPE),
                                              TextOf(p_oRow.lpProps, p_oRow.cValues, PR_EMAIL_ADDRESS_A));
    });
}

void ReadAttachments(IMessage* p_pMessage, CStoredMessage& p_oMessage)
{
    com_ptr<IMAPITable> pTable;
    ASSERT_EQ(p_pMessage->GetAttachmentTable(0, pTable.put()), S_OK);
    SizedSPropTagArray(1, oColumns) = {1, {PR_ATTACH_NUM}};
    ASSERT_EQ(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0), S_OK);
    std::vector<LONG> vNumbers;
    ForEachRowOf(pTable.get(), [&](const SRow& p_oRow) { vNumbers.push_back(p_oRow.lpProps[0].Value.l); });
    for (const LONG lNumber : vNumbers)
    {
        com_ptr<IAttach> pAttach;
        ASSERT_EQ(p_pMessage->OpenAttach(static_cast<ULONG>(lNumber), nullptr, 0, pAttach.put()), S_OK);
        SizedSPropTagArray(4, oTags) = {
            4, {PR_ATTACH_LONG_FILENAME_A, PR_DISPLAY_NAME_A, PR_ATTACH_METHOD, PR_RENDERING_POSITION}};
        ULONG ulCount = 0;
        unique_mapi_buffer<SPropValue> pProps;
        ASSERT_TRUE(SUCCEEDED(pAttach->GetProps(reinterpret_cast<LPSPropTagArray>(&oTags), 0, &ulCount, pProps.put())));
        CStoredAttachment oAttachment;
        oAttachment.m_sLongName = TextOf(pProps.get(), ulCount, PR_ATTACH_LONG_FILENAME_A);
        oAttachment.m_sDisplayName = TextOf(pProps.get(), ulCount, PR_DISPLAY_NAME_A);
        oAttachment.m_lMethod = LongOf(pProps.get(), ulCount, PR_ATTACH_METHOD);
        oAttachment.m_lRenderingPosition = LongOf(pProps.get(), ulCount, PR_RENDERING_POSITION);
        oAttachment.m_sData = ReadStream(pAttach.get(), PR_ATTACH_DATA_BIN);
        p_oMessage.m_vAttachments.push_back(std::move(oAttachment));
    }
}

CStoredMessage ReadMessage(IMessage* p_pMessage)
{
    CStoredMessage oMessage;
    SizedSPropTagArray(7, oTags) = {7,
                                    {PR_SUBJECT_A, PR_CONVERSATION_TOPIC_A, PR_SENDER_NAME_A, PR_MESSAGE_CLASS_A,
                                     PR_MESSAGE_FLAGS, PR_DELETE_AFTER_SUBMIT, PR_CLIENT_SUBMIT_TIME}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pProps;
    EXPECT_TRUE(SUCCEEDED(p_pMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&oTags), 0, &ulCount, pProps.put())));
    oMessage.m_sSubject = TextOf(pProps.get(), ulCount, PR_SUBJECT_A);
    oMessage.m_sConversationTopic = TextOf(pProps.get(), ulCount, PR_CONVERSATION_TOPIC_A);
    oMessage.m_sSenderName = TextOf(pProps.get(), ulCount, PR_SENDER_NAME_A);
    oMessage.m_sClass = TextOf(pProps.get(), ulCount, PR_MESSAGE_CLASS_A);
    oMessage.m_lFlags = LongOf(pProps.get(), ulCount, PR_MESSAGE_FLAGS);
    oMessage.m_bDeleteAfterSubmit = LongOf(pProps.get(), ulCount, PR_DELETE_AFTER_SUBMIT) != 0;
    oMessage.m_bHasSubmitTime = Find(pProps.get(), ulCount, PR_CLIENT_SUBMIT_TIME) != nullptr;
    oMessage.m_sBody = ReadStream(p_pMessage, PR_BODY_A);
    ReadRecipients(p_pMessage, oMessage);
    ReadAttachments(p_pMessage, oMessage);
    return oMessage;
}

// Delegates every call to the real store; the Outbox's entry id does not open.
class CLockedOutboxStore final : public IMsgStore
{
  public:
    explicit CLockedOutboxStore(IMsgStore* p_pReal)
        : m_pReal(com_ptr<IMsgStore>::copy_from(p_pReal)), m_vOutbox(StoreFolderId(p_pReal, PR_IPM_OUTBOX_ENTRYID))
    {
    }
    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_pp) override
    {
        if (p_riid != IID_IUnknown)
            return m_pReal->QueryInterface(p_riid, p_pp);
        *p_pp = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return InterlockedIncrement(&m_lRefs);
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG lRefs = InterlockedDecrement(&m_lRefs);
        if (lRefs == 0)
            delete this;
        return static_cast<ULONG>(lRefs);
    }
    STDMETHODIMP GetLastError(HRESULT p_hr, ULONG p_ulFlags, LPMAPIERROR* p_pp) override
    {
        return m_pReal->GetLastError(p_hr, p_ulFlags, p_pp);
    }
    STDMETHODIMP SaveChanges(ULONG p_ulFlags) override
    {
        return m_pReal->SaveChanges(p_ulFlags);
    }
    STDMETHODIMP GetProps(LPSPropTagArray p_pTags, ULONG p_ulFlags, ULONG* p_pCount, LPSPropValue* p_pp) override
    {
        return m_pReal->GetProps(p_pTags, p_ulFlags, p_pCount, p_pp);
    }
    STDMETHODIMP GetPropList(ULONG p_ulFlags, LPSPropTagArray* p_pp) override
    {
        return m_pReal->GetPropList(p_ulFlags, p_pp);
    }
    STDMETHODIMP OpenProperty(ULONG p_ulTag, LPCIID p_pIid, ULONG p_ulOptions, ULONG p_ulFlags,
                              LPUNKNOWN* p_pp) override
    {
        return m_pReal->OpenProperty(p_ulTag, p_pIid, p_ulOptions, p_ulFlags, p_pp);
    }
    STDMETHODIMP SetProps(ULONG p_cValues, LPSPropValue p_pProps, LPSPropProblemArray* p_pp) override
    {
        return m_pReal->SetProps(p_cValues, p_pProps, p_pp);
    }
    STDMETHODIMP DeleteProps(LPSPropTagArray p_pTags, LPSPropProblemArray* p_pp) override
    {
        return m_pReal->DeleteProps(p_pTags, p_pp);
    }
    STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                        LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    STDMETHODIMP GetNamesFromIDs(LPSPropTagArray* p_pTags, LPGUID p_pGuid, ULONG p_ulFlags, ULONG* p_pCount,
                                 LPMAPINAMEID** p_ppp) override
    {
        return m_pReal->GetNamesFromIDs(p_pTags, p_pGuid, p_ulFlags, p_pCount, p_ppp);
    }
    STDMETHODIMP GetIDsFromNames(ULONG p_cNames, LPMAPINAMEID* p_pNames, ULONG p_ulFlags,
                                 LPSPropTagArray* p_pp) override
    {
        return m_pReal->GetIDsFromNames(p_cNames, p_pNames, p_ulFlags, p_pp);
    }
    STDMETHODIMP Advise(ULONG p_cb, LPENTRYID p_pEid, ULONG p_ulMask, LPMAPIADVISESINK p_pSink,
                        ULONG* p_pConnection) override
    {
        return m_pReal->Advise(p_cb, p_pEid, p_ulMask, p_pSink, p_pConnection);
    }
    STDMETHODIMP Unadvise(ULONG p_ulConnection) override
    {
        return m_pReal->Unadvise(p_ulConnection);
    }
    STDMETHODIMP CompareEntryIDs(ULONG p_cb1, LPENTRYID p_p1, ULONG p_cb2, LPENTRYID p_p2, ULONG p_ulFlags,
                                 ULONG* p_pResult) override
    {
        return m_pReal->CompareEntryIDs(p_cb1, p_p1, p_cb2, p_p2, p_ulFlags, p_pResult);
    }
    STDMETHODIMP OpenEntry(ULONG p_cb, LPENTRYID p_pEid, LPCIID p_pIid, ULONG p_ulFlags, ULONG* p_pType,
                           LPUNKNOWN* p_pp) override
    {
        if (p_pEid != nullptr &&
            CEntryBytes(reinterpret_cast<BYTE*>(p_pEid), reinterpret_cast<BYTE*>(p_pEid) + p_cb) == m_vOutbox)
            return MAPI_E_NO_ACCESS;
        return m_pReal->OpenEntry(p_cb, p_pEid, p_pIid, p_ulFlags, p_pType, p_pp);
    }
    STDMETHODIMP SetReceiveFolder(LPTSTR p_szClass, ULONG p_ulFlags, ULONG p_cb, LPENTRYID p_pEid) override
    {
        return m_pReal->SetReceiveFolder(p_szClass, p_ulFlags, p_cb, p_pEid);
    }
    STDMETHODIMP GetReceiveFolder(LPTSTR p_szClass, ULONG p_ulFlags, ULONG* p_pcb, LPENTRYID* p_pp,
                                  LPTSTR* p_pszExplicit) override
    {
        return m_pReal->GetReceiveFolder(p_szClass, p_ulFlags, p_pcb, p_pp, p_pszExplicit);
    }
    STDMETHODIMP GetReceiveFolderTable(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return m_pReal->GetReceiveFolderTable(p_ulFlags, p_pp);
    }
    STDMETHODIMP StoreLogoff(ULONG* p_pFlags) override
    {
        return m_pReal->StoreLogoff(p_pFlags);
    }
    STDMETHODIMP AbortSubmit(ULONG p_cb, LPENTRYID p_pEid, ULONG p_ulFlags) override
    {
        return m_pReal->AbortSubmit(p_cb, p_pEid, p_ulFlags);
    }
    STDMETHODIMP GetOutgoingQueue(ULONG p_ulFlags, LPMAPITABLE* p_pp) override
    {
        return m_pReal->GetOutgoingQueue(p_ulFlags, p_pp);
    }
    STDMETHODIMP SetLockState(LPMESSAGE p_pMessage, ULONG p_ulState) override
    {
        return m_pReal->SetLockState(p_pMessage, p_ulState);
    }
    STDMETHODIMP FinishedMsg(ULONG p_ulFlags, ULONG p_cb, LPENTRYID p_pEid) override
    {
        return m_pReal->FinishedMsg(p_ulFlags, p_cb, p_pEid);
    }
    STDMETHODIMP NotifyNewMail(LPNOTIFICATION p_pNotification) override
    {
        return m_pReal->NotifyNewMail(p_pNotification);
    }

  private:
    ~CLockedOutboxStore() = default;

    LONG m_lRefs = 1;
    com_ptr<IMsgStore> m_pReal;
    CEntryBytes m_vOutbox;
};
} // namespace

std::string CStoredMessage::Recipients() const
{
    std::string sText;
    for (const auto& [lType, sAddress] : m_vRecipients)
    {
        if (!sText.empty())
            sText += ' ';
        sText += lType == MAPI_TO ? "To:" : lType == MAPI_CC ? "Cc:" : lType == MAPI_BCC ? "Bcc:" : "?:";
        sText += sAddress;
    }
    return sText;
}

RecipientListPtr Addresses(int p_iFirst, int p_iLast)
{
    RecipientListPtr pList = NewList<CMessageRecipientList>();
    for (int i = p_iFirst; i <= p_iLast; ++i)
    {
        char szName[32];
        char szAddress[64];
        char szMobile[32];
        std::snprintf(szName, sizeof(szName), "User %02d", i);
        std::snprintf(szAddress, sizeof(szAddress), "user%02d@example.com", i);
        std::snprintf(szMobile, sizeof(szMobile), "+4477009001%02d", i);
        AppendItem(*pList, NewPersonRecipient(nullptr, szMobile, szAddress, szName));
    }
    return pList;
}

std::vector<CStoredMessage> FolderMessages(IMsgStore* p_pStore, const CEntryBytes& p_vFolder)
{
    std::vector<CStoredMessage> vMessages;
    com_ptr<IMAPIFolder> pFolder = OpenStoreFolder(p_pStore, p_vFolder);
    com_ptr<IMAPITable> pTable;
    if (!pFolder || FAILED(pFolder->GetContentsTable(0, pTable.put())))
        return vMessages;
    SizedSPropTagArray(1, oColumns) = {1, {PR_ENTRYID}};
    EXPECT_EQ(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0), S_OK);
    std::vector<CEntryBytes> vIds;
    ForEachRowOf(pTable.get(), [&](const SRow& p_oRow) {
        const SBinary& oId = p_oRow.lpProps[0].Value.bin;
        vIds.emplace_back(oId.lpb, oId.lpb + oId.cb);
    });
    for (const CEntryBytes& vId : vIds)
    {
        com_ptr<IMessage> pMessage;
        ULONG ulType = 0;
        if (FAILED(p_pStore->OpenEntry(static_cast<ULONG>(vId.size()),
                                       reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(vId.data())), nullptr, 0, &ulType,
                                       reinterpret_cast<IUnknown**>(pMessage.put()))))
        {
            ADD_FAILURE() << "a listed message does not open";
            continue;
        }
        vMessages.push_back(ReadMessage(pMessage.get()));
    }
    return vMessages;
}

std::vector<CStoredMessage> OutboxMessages(IMsgStore* p_pStore)
{
    return FolderMessages(p_pStore, StoreFolderId(p_pStore, PR_IPM_OUTBOX_ENTRYID));
}

std::string OutboxRichText(IMsgStore* p_pStore)
{
    com_ptr<IMAPIFolder> pOutbox = OpenStoreFolder(p_pStore, StoreFolderId(p_pStore, PR_IPM_OUTBOX_ENTRYID));
    com_ptr<IMAPITable> pTable;
    if (!pOutbox || FAILED(pOutbox->GetContentsTable(0, pTable.put())))
        return {};
    SizedSPropTagArray(1, oColumns) = {1, {PR_ENTRYID}};
    unique_mapi_rows pRows;
    if (FAILED(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0)) ||
        FAILED(pTable->QueryRows(1, 0, pRows.put())) || !pRows || pRows.get()->cRows != 1)
        return {};
    const SBinary& oId = pRows.get()->aRow[0].lpProps[0].Value.bin;
    com_ptr<IMessage> pMessage;
    ULONG ulType = 0;
    com_ptr<IStream> pCompressed;
    if (FAILED(p_pStore->OpenEntry(oId.cb, reinterpret_cast<LPENTRYID>(oId.lpb), nullptr, 0, &ulType,
                                   reinterpret_cast<IUnknown**>(pMessage.put()))) ||
        FAILED(pMessage->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0,
                                      reinterpret_cast<LPUNKNOWN*>(pCompressed.put()))))
        return {};
    using WrapFunction = HRESULT(WINAPI*)(LPSTREAM, ULONG, LPSTREAM*);
    const auto pfnWrap = reinterpret_cast<WrapFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi_standin.dll"), "WrapCompressedRTFStream")));
    com_ptr<IStream> pRtf;
    if (pfnWrap == nullptr || FAILED(pfnWrap(pCompressed.get(), 0, pRtf.put())))
        return {};
    std::string sText;
    char aBuffer[4096];
    ULONG cbRead = 0;
    while (SUCCEEDED(pRtf->Read(aBuffer, sizeof(aBuffer), &cbRead)) && cbRead > 0)
        sText.append(aBuffer, cbRead);
    return sText;
}

CEntryBytes SentSMSFolderId(IMsgStore* p_pStore)
{
    com_ptr<IMAPIFolder> pRoot = OpenStoreFolder(p_pStore, StoreFolderId(p_pStore, PR_IPM_SUBTREE_ENTRYID));
    com_ptr<IMAPITable> pTable;
    if (!pRoot || FAILED(pRoot->GetHierarchyTable(0, pTable.put())))
        return {};
    SizedSPropTagArray(2, oColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    EXPECT_EQ(pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0), S_OK);
    std::vector<CEntryBytes> vFound;
    ForEachRowOf(pTable.get(), [&](const SRow& p_oRow) {
        if (TextOf(p_oRow.lpProps, p_oRow.cValues, PR_DISPLAY_NAME_A) == "Sent SMSs")
            vFound.emplace_back(p_oRow.lpProps[0].Value.bin.lpb,
                                p_oRow.lpProps[0].Value.bin.lpb + p_oRow.lpProps[0].Value.bin.cb);
    });
    EXPECT_LE(vFound.size(), 1u) << "one \"Sent SMSs\" folder";
    return vFound.empty() ? CEntryBytes() : vFound.front();
}

CEntryBytes MakeSubtreeFolder(IMsgStore* p_pStore, const char* p_szName)
{
    com_ptr<IMAPIFolder> pRoot = OpenStoreFolder(p_pStore, StoreFolderId(p_pStore, PR_IPM_SUBTREE_ENTRYID));
    com_ptr<IMAPIFolder> pFolder;
    if (!pRoot || FAILED(pRoot->CreateFolder(FOLDER_GENERIC, reinterpret_cast<LPTSTR>(const_cast<char*>(p_szName)),
                                             nullptr, nullptr, 0, pFolder.put())))
        return {};
    return SentSMSFolderId(p_pStore);
}

void DeleteSentSMSFolder(IMsgStore* p_pStore, const CEntryBytes& p_vFolder)
{
    com_ptr<IMAPIFolder> pRoot = OpenStoreFolder(p_pStore, StoreFolderId(p_pStore, PR_IPM_SUBTREE_ENTRYID));
    ASSERT_TRUE(pRoot);
    EXPECT_EQ(pRoot->DeleteFolder(static_cast<ULONG>(p_vFolder.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vFolder.data())), 0, nullptr,
                                  DEL_MESSAGES | DEL_FOLDERS),
              S_OK);
}

CEntryBytes FolderViewInfo(IMsgStore* p_pStore, const CEntryBytes& p_vFolder)
{
    com_ptr<IMAPIFolder> pFolder = OpenStoreFolder(p_pStore, p_vFolder);
    const ULONG ulTag = PROP_TAG(PT_BINARY, 0x36E0);
    SizedSPropTagArray(1, oTags) = {1, {ulTag}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pValue;
    if (!pFolder || FAILED(pFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&oTags), 0, &ulCount, pValue.put())) ||
        pValue.get()->ulPropTag != ulTag)
        return {};
    return CEntryBytes(pValue.get()->Value.bin.lpb, pValue.get()->Value.bin.lpb + pValue.get()->Value.bin.cb);
}

com_ptr<IMsgStore> LockedOutboxStore(IMsgStore* p_pReal)
{
    com_ptr<IMsgStore> pStore;
    pStore.attach(new CLockedOutboxStore(p_pReal));
    return pStore;
}

std::string TempDirectory()
{
    char szDirectory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, szDirectory);
    return szDirectory;
}

std::string ReadFileText(const std::string& p_sPath)
{
    std::ifstream oFile(p_sPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(oFile)), std::istreambuf_iterator<char>());
}

bool DeleteUserValue(const char* p_szName)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const unique_hkey oKey(hKey);
    const LONG lResult = RegDeleteValueA(hKey, p_szName);
    return lResult == ERROR_SUCCESS || lResult == ERROR_FILE_NOT_FOUND;
}

CEntryBytes UserBinary(const char* p_szName)
{
    BYTE aData[1024];
    DWORD cbData = sizeof(aData);
    DWORD dwType = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kUserKey, p_szName, RRF_RT_REG_BINARY, &dwType, aData, &cbData) !=
        ERROR_SUCCESS)
        return {};
    return CEntryBytes(aData, aData + cbData);
}
} // namespace exmapitest
