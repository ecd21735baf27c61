// Addressbook/addressbook/exmapi_send_win.cpp: CExMAPI's outgoing road: messages created in the
// Outbox for at most nine recipients each, submitted, and the spooler asked to send them at once;
// the same steps, without submitting, file the readable copies of "Sent SMSs".
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "Addressbook/res/corvane_strings.h"
#include "Addressbook/smtp/cancel_link.h"
#include "Addressbook/smtp/send_progress.h"
#include "common/trace_log.h"

#include <mapicode.h>
#include <mapiutil.h>

#include <algorithm>
#include <cstring>

using namespace exmapi;

namespace
{
constexpr unsigned kMsgCreatingMessage = 140;
constexpr unsigned kMsgAssigningProps = 141;
constexpr unsigned kMsgResolving = 142;
constexpr unsigned kMsgAddingAttachments = 143;
constexpr unsigned kMsgSendingToOutbox = 144;
constexpr unsigned kMsgRetrievingMail = 145;
// Upload, force, no user interface, asynchronous allowed.
constexpr ULONG kFlushFlags = FLUSH_UPLOAD | FLUSH_FORCE | FLUSH_NO_UI | FLUSH_ASYNC_OK;
static_assert(kFlushFlags == 0x3A, "the spooler flush flags");
constexpr ULONG kStreamChunk = 0x10000;

// True when the send must end here: the user's stop was honoured.
bool StopRequested(const CMapiSendLinks& p_oLinks)
{
    return p_oLinks.m_p_oLink != nullptr && p_oLinks.m_p_oLink->PollStop();
}

void ShowProgress(const CMapiSendLinks& p_oLinks, unsigned p_uId)
{
    const char* szText = CorvaneStrings().Find(p_uId);
    if (p_oLinks.m_p_oProgress != nullptr && szText != nullptr)
        p_oLinks.m_p_oProgress->SetText(szText);
}

// Message 218 for a failed step of CreateMessageInFolder; returns p_hr.
HRESULT ReportStep(HRESULT p_hr, const char* p_szCall)
{
    ReportError(CorvaneStrings(), kMsgCallError, p_szCall, static_cast<unsigned>(p_hr),
                "CExMAPI::CreateMessageInFolder");
    return p_hr;
}

SPropValue TextValue(ULONG p_ulTag, const std::string& p_sText)
{
    SPropValue oValue{};
    oValue.ulPropTag = p_ulTag;
    oValue.Value.lpszA = const_cast<char*>(p_sText.c_str());
    return oValue;
}

SPropValue LongValue(ULONG p_ulTag, LONG p_lValue)
{
    SPropValue oValue{};
    oValue.ulPropTag = p_ulTag;
    oValue.Value.l = p_lValue;
    return oValue;
}

HRESULT WriteAll(IStream* p_pStream, const std::string& p_sText)
{
    for (size_t nDone = 0; nDone < p_sText.size();)
    {
        const ULONG cbChunk = static_cast<ULONG>(std::min<size_t>(kStreamChunk, p_sText.size() - nDone));
        ULONG cbWritten = 0;
        const HRESULT hr = LOG_IF_FAILED(p_pStream->Write(p_sText.data() + nDone, cbChunk, &cbWritten));
        if (FAILED(hr))
            return hr;
        if (cbWritten == 0)
            return MAPI_E_DISK_ERROR;
        nDone += cbWritten;
    }
    return S_OK;
}

// Copies by Read and Write: a file stream need not implement CopyTo.
HRESULT CopyStream(IStream* p_pFrom, IStream* p_pTo)
{
    std::string sChunk(kStreamChunk, '\0');
    for (;;)
    {
        ULONG cbRead = 0;
        const HRESULT hr = LOG_IF_FAILED(p_pFrom->Read(sChunk.data(), kStreamChunk, &cbRead));
        if (FAILED(hr))
            return hr;
        if (cbRead == 0)
            return S_OK;
        const HRESULT hrWrite = WriteAll(p_pTo, sChunk.substr(0, cbRead));
        if (FAILED(hrWrite))
            return hrWrite;
    }
}

const char* OrEmpty(const char* p_sz)
{
    return p_sz != nullptr ? p_sz : "";
}

// An address list MAPI may reallocate (ResolveName replaces the entries it resolves). Each entry's
// values point at texts the caller keeps alive until the list is gone.
class CAddressList
{
  public:
    CAddressList(const CMapiFunctions& p_oFunctions, size_t p_nEntries) : m_oFunctions(p_oFunctions)
    {
        LPADRLIST pList = nullptr;
        if (FAILED(LOG_IF_MAPI_FAILED(p_oFunctions.m_pfnMAPIAllocateBuffer(static_cast<ULONG>(CbNewADRLIST(p_nEntries)),
                                                                           reinterpret_cast<void**>(&pList)))))
            return;
        std::memset(pList, 0, CbNewADRLIST(p_nEntries));
        m_pList.reset(pList);
        m_nCapacity = p_nEntries;
    }
    bool IsValid() const
    {
        return static_cast<bool>(m_pList);
    }
    [[nodiscard]] HRESULT Add(LONG p_lType, const char* p_szName, const char* p_szAddress)
    {
        if (!m_pList || m_pList.get()->cEntries >= m_nCapacity)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        LPSPropValue aProps = nullptr;
        const HRESULT hr = LOG_IF_MAPI_FAILED(
            m_oFunctions.m_pfnMAPIAllocateBuffer(3 * sizeof(SPropValue), reinterpret_cast<void**>(&aProps)));
        if (FAILED(hr))
            return hr;
        aProps[0] = LongValue(PR_RECIPIENT_TYPE, p_lType);
        aProps[1].ulPropTag = PR_DISPLAY_NAME_A;
        aProps[1].Value.lpszA = const_cast<char*>(p_szName);
        aProps[2].ulPropTag = PR_EMAIL_ADDRESS_A;
        aProps[2].Value.lpszA = const_cast<char*>(p_szAddress);
        ADRENTRY& oEntry = m_pList.get()->aEntries[m_pList.get()->cEntries++];
        oEntry.cValues = 3;
        oEntry.rgPropVals = aProps;
        return S_OK;
    }
    LPADRLIST get() const
    {
        return m_pList.get();
    }

  private:
    const CMapiFunctions& m_oFunctions;
    unique_mapi_adrlist m_pList;
    size_t m_nCapacity = 0;
};

void AppendRecipients(const CMessageRecipientList* p_p_mrlList, RecipientRefs& p_vRefs)
{
    if (p_p_mrlList == nullptr)
        return;
    for (const CMessageRecipientNode* pNode = p_p_mrlList->m_p_oFirst; pNode != nullptr; pNode = pNode->m_p_oNext)
        if (pNode->m_p_oItem != nullptr)
            p_vRefs.push_back(pNode->m_p_oItem);
}
} // namespace

HRESULT CExMAPI::SendMail(const CMapiMessage& p_oMessage, const CMessageRecipientList* p_p_mrlTo,
                          const CMessageRecipientList* p_p_mrlBcc, const CMapiSendLinks& p_oLinks)
{
    CLogScope oScope("CExMAPI::SendMail");
    ShowProgress(p_oLinks, kMsgRetrievingMail);
    com_ptr<IMAPIFolder> pOutbox;
    HRESULT hr = CImpl::GetDefaultFolder(*this, PR_IPM_OUTBOX_ENTRYID, pOutbox);
    if (FAILED(hr))
    {
        LogCallFailure(__PRETTY_FUNCTION__, "GetOutboxFolder", EResultKind::MapiResult, static_cast<uint32_t>(hr));
        return ReportCall(hr, "CExMAPI::GetOutboxFolder", __PRETTY_FUNCTION__);
    }
    RecipientRefs vAll;
    AppendRecipients(p_p_mrlTo, vAll);
    const size_t nTo = vAll.size();
    AppendRecipients(p_p_mrlBcc, vAll);
    if (vAll.empty())
    {
        LOG_FAILURE("a mail without recipients cannot be sent");
        return MAPI_E_NO_RECIPIENTS;
    }
    for (size_t nFirst = 0; nFirst < vAll.size(); nFirst += kRecipientsPerMessage)
    {
        if (p_oLinks.m_p_oLink != nullptr && p_oLinks.m_p_oLink->IsStopped())
            break;
        RecipientRefs vTo;
        RecipientRefs vBcc;
        const size_t nEnd = std::min(vAll.size(), nFirst + kRecipientsPerMessage);
        for (size_t i = nFirst; i < nEnd; ++i)
            (i < nTo ? vTo : vBcc).push_back(vAll[i]);
        hr = CreateMessageInFolder(pOutbox.get(), vTo, {}, vBcc, p_oMessage, p_oLinks);
        if (FAILED(hr))
        {
            LogCallFailure(__PRETTY_FUNCTION__, "CExMAPI::CreateMessageInFolder( outbox )", EResultKind::MapiResult,
                           static_cast<uint32_t>(hr));
            return hr;
        }
    }
    return S_OK;
}

HRESULT CExMAPI::CreateMessageInFolder(IMAPIFolder* p_pFolder, const RecipientRefs& p_vTo, const RecipientRefs& p_vCc,
                                       const RecipientRefs& p_vBcc, const CMapiMessage& p_oMessage,
                                       const CMapiSendLinks& p_oLinks)
{
    const bool bSubmit = p_oMessage.m_iMode != kMessageModeCopy;
    if (StopRequested(p_oLinks))
        return S_OK;
    if (m_oThread.MessageStore() == nullptr)
    {
        LOG_FAILURE("GetMessageStoreForThread() failed");
        return E_FAIL;
    }
    if (m_oThread.AddressBook() == nullptr)
    {
        LOG_FAILURE("GetAddressBookForThread() failed");
        return E_FAIL;
    }
    if (p_pFolder == nullptr)
        return MAPI_E_INVALID_PARAMETER;

    if (StopRequested(p_oLinks))
        return S_OK;
    ShowProgress(p_oLinks, kMsgCreatingMessage);
    // Until it is saved the new message is dropped with its last reference: a stop leaves nothing.
    com_ptr<IMessage> pMessage;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pFolder->CreateMessage(nullptr, 0, pMessage.put()));
    if (FAILED(hr))
        return hr;

    if (StopRequested(p_oLinks))
        return S_OK;
    ShowProgress(p_oLinks, kMsgAssigningProps);
    hr = CImpl::SetMessageProps(pMessage.get(), p_oMessage);
    if (FAILED(hr))
        return hr;

    if (!p_vTo.empty() || !p_vCc.empty() || !p_vBcc.empty())
    {
        if (StopRequested(p_oLinks))
            return S_OK;
        hr = bSubmit ? CImpl::AddAllRecipientsEmail(*this, pMessage.get(), p_vTo, p_vCc, p_vBcc, p_oLinks)
                     : CImpl::AddAllRecipientsSentSMS(*this, pMessage.get(), p_vTo, p_vBcc);
        if (FAILED(hr))
            return hr;
    }

    if (StopRequested(p_oLinks))
        return S_OK;
    if (p_oMessage.m_iMode == kMessageModeEmail)
        hr = CImpl::WriteBufferToRTF(*this, pMessage.get(), p_oMessage.m_sBody);
    else
        hr = CImpl::WriteBufferToBody(pMessage.get(), p_oMessage.m_sBody);
    if (FAILED(hr))
    {
        LOG_FAILURE(p_oMessage.m_iMode == kMessageModeEmail ? "WriteBufferToRTF failed" : "WriteBufferToBody failed");
        return hr;
    }

    if (!p_oMessage.m_sAttachmentPath.empty())
    {
        if (StopRequested(p_oLinks))
            return S_OK;
        ShowProgress(p_oLinks, kMsgAddingAttachments);
        hr = CImpl::AddAttachment(*this, pMessage.get(), p_oMessage.m_sAttachmentPath);
        if (FAILED(hr))
        {
            LOG_FAILURE("AddAttachment failed");
            return hr;
        }
    }

    if (StopRequested(p_oLinks))
        return S_OK;
    if (bSubmit)
        return CImpl::SubmitAndFlush(*this, pMessage.get(), p_oLinks);
    hr = LOG_IF_MAPI_FAILED(pMessage->SaveChanges(0));
    if (FAILED(hr))
        LOG_FAILURE("SaveChanges failed");
    return hr;
}

HRESULT CExMAPI::CImpl::SetMessageProps(IMessage* p_pMessage, const CMapiMessage& p_oMessage)
{
    FILETIME ftNow{};
    GetSystemTimeAsFileTime(&ftNow);
    static const std::string s_sNoteClass = "IPM.Note";
    std::vector<SPropValue> vProps;
    vProps.push_back(TextValue(PR_SUBJECT_A, p_oMessage.m_sSubject));
    vProps.push_back(TextValue(PR_CONVERSATION_TOPIC_A, p_oMessage.m_sSubject));
    // A filed copy is the user's own record: it is read.
    if (p_oMessage.m_iMode == kMessageModeCopy)
        vProps.push_back(LongValue(PR_MESSAGE_FLAGS, MSGFLAG_READ));
    vProps.push_back(TextValue(PR_SENDER_NAME_A, p_oMessage.m_sSenderLabel));
    SPropValue oDelete{};
    oDelete.ulPropTag = PR_DELETE_AFTER_SUBMIT;
    oDelete.Value.b = TRUE;
    vProps.push_back(oDelete);
    vProps.push_back(TextValue(PR_MESSAGE_CLASS_A, s_sNoteClass));
    SPropValue oTime{};
    oTime.ulPropTag = PR_CLIENT_SUBMIT_TIME;
    oTime.Value.ft = ftNow;
    vProps.push_back(oTime);
    return LOG_IF_MAPI_FAILED(p_pMessage->SetProps(static_cast<ULONG>(vProps.size()), vProps.data(), nullptr));
}

HRESULT CExMAPI::CImpl::AddAllRecipientsEmail(CExMAPI& p_oThis, IMessage* p_pMessage, const RecipientRefs& p_vTo,
                                              const RecipientRefs& p_vCc, const RecipientRefs& p_vBcc,
                                              const CMapiSendLinks& p_oLinks)
{
    CAddressList oList(p_oThis.Mapi().Functions(), p_vTo.size() + p_vCc.size() + p_vBcc.size());
    if (!oList.IsValid())
        return MAPI_E_NOT_ENOUGH_MEMORY;
    const std::pair<const RecipientRefs*, LONG> aLists[] = {{&p_vTo, MAPI_TO}, {&p_vCc, MAPI_CC}, {&p_vBcc, MAPI_BCC}};
    for (const auto& oList2 : aLists)
        for (const CMessageRecipient* pRecipient : *oList2.first)
        {
            // The address is both name and address: the address book resolves it, one-off or not.
            const char* szAddress = OrEmpty(pRecipient->m_szEmail);
            const HRESULT hr = oList.Add(oList2.second, szAddress, szAddress);
            if (FAILED(hr))
                return hr;
        }
    ShowProgress(p_oLinks, kMsgResolving);
    HRESULT hr = LOG_IF_MAPI_FAILED(p_oThis.m_oThread.AddressBook()->ResolveName(0, 0, nullptr, oList.get()));
    if (FAILED(hr))
        return ReportStep(hr, "pabAdrBook->ResolveName");
    return LOG_IF_MAPI_FAILED(p_pMessage->ModifyRecipients(MODRECIP_ADD, oList.get()));
}

HRESULT CExMAPI::CImpl::AddAllRecipientsSentSMS(CExMAPI& p_oThis, IMessage* p_pMessage, const RecipientRefs& p_vTo,
                                                const RecipientRefs& p_vBcc)
{
    CAddressList oList(p_oThis.Mapi().Functions(), p_vTo.size() + p_vBcc.size());
    if (!oList.IsValid())
        return MAPI_E_NOT_ENOUGH_MEMORY;
    for (const RecipientRefs* pRefs : {&p_vTo, &p_vBcc})
        for (const CMessageRecipient* pRecipient : *pRefs)
        {
            // The copy shows whom the SMS reached: a name, else the mobile it went to.
            const char* szShown = OrEmpty(pRecipient->m_szName);
            if (*szShown == '\0')
                szShown = OrEmpty(pRecipient->m_szMobile);
            if (*szShown == '\0')
                szShown = OrEmpty(pRecipient->m_szDisplayText);
            if (*szShown == '\0')
                continue;
            const HRESULT hr = oList.Add(MAPI_TO, szShown, szShown);
            if (FAILED(hr))
                return hr;
        }
    if (oList.get()->cEntries == 0)
        return S_OK;
    return LOG_IF_MAPI_FAILED(p_pMessage->ModifyRecipients(MODRECIP_ADD, oList.get()));
}

HRESULT CExMAPI::CImpl::WriteBufferToBody(IMessage* p_pMessage, const std::string& p_sText)
{
    com_ptr<IStream> pStream;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pMessage->OpenProperty(PR_BODY_A, &IID_IStream, STGM_CREATE | STGM_WRITE,
                                                             MAPI_CREATE | MAPI_MODIFY,
                                                             reinterpret_cast<LPUNKNOWN*>(pStream.put())));
    if (FAILED(hr))
        return hr;
    hr = WriteAll(pStream.get(), p_sText);
    if (FAILED(hr))
        return hr;
    return LOG_IF_FAILED(pStream->Commit(STGC_DEFAULT));
}

HRESULT CExMAPI::CImpl::WriteBufferToRTF(CExMAPI& p_oThis, IMessage* p_pMessage, const std::string& p_sText)
{
    const CMapiFunctions& oFunctions = p_oThis.Mapi().Functions();
    com_ptr<IStream> pCompressed;
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pMessage->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, STGM_CREATE | STGM_WRITE,
                                                             MAPI_CREATE | MAPI_MODIFY,
                                                             reinterpret_cast<LPUNKNOWN*>(pCompressed.put())));
    if (FAILED(hr))
        return hr;
    com_ptr<IStream> pRtf;
    hr = LOG_IF_MAPI_FAILED(oFunctions.m_pfnWrapCompressedRTFStream(pCompressed.get(), MAPI_MODIFY, pRtf.put()));
    if (FAILED(hr))
        return hr;
    hr = WriteAll(pRtf.get(), p_sText);
    if (SUCCEEDED(hr))
        hr = LOG_IF_FAILED(pRtf->Commit(STGC_DEFAULT));
    if (SUCCEEDED(hr))
        hr = LOG_IF_FAILED(pCompressed->Commit(STGC_DEFAULT));
    if (FAILED(hr))
        return hr;
    pRtf.reset();
    pCompressed.reset();
    BOOL bUpdated = FALSE;
    return LOG_IF_MAPI_FAILED(oFunctions.m_pfnRTFSync(p_pMessage, RTF_SYNC_RTF_CHANGED, &bUpdated));
}

HRESULT CExMAPI::CImpl::AddAttachment(CExMAPI& p_oThis, IMessage* p_pMessage, const std::string& p_sPath)
{
    const CMapiFunctions& oFunctions = p_oThis.Mapi().Functions();
    com_ptr<IStream> pFile;
    HRESULT hr = LOG_IF_MAPI_FAILED(oFunctions.m_pfnOpenStreamOnFile(
        oFunctions.m_pfnMAPIAllocateBuffer, oFunctions.m_pfnMAPIFreeBuffer, STGM_READ,
        reinterpret_cast<LPTSTR>(const_cast<char*>(p_sPath.c_str())), nullptr, pFile.put()));
    if (FAILED(hr))
        return hr;
    ULONG ulNumber = 0;
    com_ptr<IAttach> pAttach;
    hr = LOG_IF_MAPI_FAILED(p_pMessage->CreateAttach(nullptr, 0, &ulNumber, pAttach.put()));
    if (FAILED(hr))
        return hr;
    const std::string sName = FileNameOf(p_sPath);
    SPropValue aProps[4] = {LongValue(PR_ATTACH_METHOD, ATTACH_BY_VALUE), TextValue(PR_ATTACH_LONG_FILENAME_A, sName),
                            TextValue(PR_DISPLAY_NAME_A, sName), LongValue(PR_RENDERING_POSITION, -1)};
    hr = LOG_IF_MAPI_FAILED(pAttach->SetProps(4, aProps, nullptr));
    if (FAILED(hr))
        return hr;
    com_ptr<IStream> pData;
    hr =
        LOG_IF_MAPI_FAILED(pAttach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, STGM_CREATE | STGM_WRITE,
                                                 MAPI_CREATE | MAPI_MODIFY, reinterpret_cast<LPUNKNOWN*>(pData.put())));
    if (FAILED(hr))
        return hr;
    hr = CopyStream(pFile.get(), pData.get());
    if (SUCCEEDED(hr))
        hr = LOG_IF_FAILED(pData->Commit(STGC_DEFAULT));
    if (FAILED(hr))
        return hr;
    return LOG_IF_MAPI_FAILED(pAttach->SaveChanges(0));
}

HRESULT CExMAPI::CImpl::SubmitAndFlush(CExMAPI& p_oThis, IMessage* p_pMessage, const CMapiSendLinks& p_oLinks)
{
    ShowProgress(p_oLinks, kMsgSendingToOutbox);
    // A store need not give a new message its entry id before it is first saved.
    HRESULT hr = LOG_IF_MAPI_FAILED(p_pMessage->SaveChanges(KEEP_OPEN_READWRITE));
    if (FAILED(hr))
        return ReportStep(hr, "lpMessage->SaveChanges");
    unique_mapi_buffer<SPropValue> pEntryId;
    hr = LOG_IF_MAPI_FAILED(GetOneProp(p_pMessage, PR_ENTRYID, pEntryId));
    if (FAILED(hr))
        return ReportStep(hr, "HrGetOneProp(PR_ENTRYID)");
    hr = LOG_IF_MAPI_FAILED(p_pMessage->SubmitMessage(0));
    if (FAILED(hr))
        return ReportStep(hr, "lpMessage->SubmitMessage");

    CCancelLink* pLink = p_oLinks.m_p_oLink;
    if (pLink != nullptr && pLink->StopEvent().Wait(0))
    {
        // An earlier message of the job has left already: the job can no longer be called back.
        if (pLink->IsCancelForbidden())
            pLink->SetState(kLinkCantCancel);
        else if (SUCCEEDED(LOG_IF_MAPI_FAILED(p_oThis.m_oThread.MessageStore()->AbortSubmit(
                     pEntryId.get()->Value.bin.cb, reinterpret_cast<LPENTRYID>(pEntryId.get()->Value.bin.lpb), 0))))
        {
            Log("CExMAPI::CreateMessageInFolder: the submission was called back");
            pLink->SetState(kLinkCancelled);
            return S_OK;
        }
        else
            pLink->SetState(kLinkCantCancel);
    }
    // The message is in the Outbox either way; the spooler sends it later when the flush fails.
    if (FAILED(MyFlushQueues(p_oThis)))
        LOG_FAILURE("MyFlushQueues failed");
    if (pLink != nullptr)
        pLink->ForbidCancel();
    return S_OK;
}

HRESULT CExMAPI::CImpl::MyFlushQueues(CExMAPI& p_oThis)
{
    IMAPISession* pSession = p_oThis.m_oThread.Session();
    if (pSession == nullptr)
        return E_FAIL;
    com_ptr<IMAPITable> pTable;
    HRESULT hr = LOG_IF_MAPI_FAILED(pSession->GetStatusTable(0, pTable.put()));
    if (FAILED(hr))
        return hr;
    CTags<2> oColumns{2, {PR_RESOURCE_TYPE, PR_ENTRYID}};
    hr = LOG_IF_MAPI_FAILED(pTable->SetColumns(oColumns.get(), 0));
    if (FAILED(hr))
        return hr;
    std::optional<CEntryBytes> ovSpooler;
    hr = ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        if (LongProp(p_oRow, PR_RESOURCE_TYPE).value_or(0) != MAPI_SPOOLER)
            return true;
        ovSpooler = BinaryProp(p_oRow, PR_ENTRYID);
        return false;
    });
    if (FAILED(hr))
    {
        LOG_FAILURE("QueryRows failed %d", static_cast<int>(hr));
        return hr;
    }
    if (!ovSpooler || ovSpooler->empty())
    {
        // Without a spooler (Internet-mail-only Outlook) the host's own send picks the mail up.
        Log("MyFlushQueues: the status table has no spooler row");
        return S_OK;
    }
    ULONG ulType = 0;
    com_ptr<IMAPIStatus> pStatus;
    hr = LOG_IF_MAPI_FAILED(
        pSession->OpenEntry(static_cast<ULONG>(ovSpooler->size()), reinterpret_cast<LPENTRYID>(ovSpooler->data()),
                            nullptr, MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(pStatus.put())));
    if (FAILED(hr))
        return hr;
    if (ulType != MAPI_STATUS)
        return MAPI_E_INVALID_OBJECT;
    return LOG_IF_MAPI_FAILED(pStatus->FlushQueues(0, 0, nullptr, kFlushFlags));
}

HRESULT CExMAPI::CImpl::GetDefaultFolder(CExMAPI& p_oThis, ULONG p_ulTag, com_ptr<IMAPIFolder>& p_pFolder)
{
    IMsgStore* pStore = p_oThis.m_oThread.MessageStore();
    if (pStore == nullptr)
    {
        LOG_FAILURE("GetMessageStoreForThread() failed");
        return E_FAIL;
    }
    unique_mapi_buffer<SPropValue> pEntryId;
    HRESULT hr = LOG_IF_MAPI_FAILED(GetOneProp(pStore, p_ulTag, pEntryId));
    if (FAILED(hr))
        return hr;
    ULONG ulType = 0;
    hr = LOG_IF_MAPI_FAILED(
        pStore->OpenEntry(pEntryId.get()->Value.bin.cb, reinterpret_cast<LPENTRYID>(pEntryId.get()->Value.bin.lpb),
                          nullptr, MAPI_BEST_ACCESS, &ulType, reinterpret_cast<IUnknown**>(p_pFolder.put())));
    if (SUCCEEDED(hr) && ulType != MAPI_FOLDER)
    {
        p_pFolder.reset();
        return MAPI_E_INVALID_OBJECT;
    }
    return hr;
}
