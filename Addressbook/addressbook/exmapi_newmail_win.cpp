// Addressbook/addressbook/exmapi_newmail_win.cpp: CExMAPI::DealWithNewMail, a new message of the
// default store read through Extended MAPI and handed to the new-mail handling.
#include "Addressbook/addressbook/exmapi_internal_win.h"
#include "Addressbook/newmail/new_mail.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"

#include <mapicode.h>
#include <mapiutil.h>

using namespace exmapi;

namespace
{
// Bodies and attachments larger than these are not read: no notice or mail needs more.
constexpr size_t kMaxBodyBytes = 16u << 20;
constexpr size_t kMaxAttachmentBytes = 64u << 20;

// A whole stream property, or none when it cannot be opened or is over p_nLimit.
std::optional<std::vector<uint8_t>> ReadStreamProp(IMAPIProp* p_pObject, ULONG p_ulTag, size_t p_nLimit)
{
    com_ptr<IStream> stream;
    if (FAILED(LOG_IF_MAPI_FAILED(
            p_pObject->OpenProperty(p_ulTag, &IID_IStream, STGM_READ, 0, reinterpret_cast<IUnknown**>(stream.put())))))
        return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    for (;;)
    {
        ULONG read = 0;
        if (FAILED(LOG_IF_FAILED(stream->Read(buffer, sizeof(buffer), &read))))
            return std::nullopt;
        if (read == 0)
            return bytes;
        if (bytes.size() + read > p_nLimit)
        {
            LOG_FAILURE("a stream of more than %lu bytes was not read", static_cast<unsigned long>(p_nLimit));
            return std::nullopt;
        }
        bytes.insert(bytes.end(), buffer, buffer + read);
    }
}

class CMapiNewMail : public INewMailMessage
{
  public:
    CMapiNewMail(CExMAPI& p_oExMapi, IMsgStore* p_pStore, IMessage* p_pMessage, CEntryBytes p_vMessage,
                 CEntryBytes p_vFolder, std::optional<CEntryBytes> p_vSender)
        : m_oExMapi(p_oExMapi), m_pStore(p_pStore), m_pMessage(p_pMessage), m_vMessage(std::move(p_vMessage)),
          m_vFolder(std::move(p_vFolder)), m_vSender(std::move(p_vSender))
    {
    }

    std::optional<std::string> Body() override
    {
        std::optional<std::vector<uint8_t>> bytes = ReadStreamProp(m_pMessage, PR_BODY_A, kMaxBodyBytes);
        if (!bytes)
            return std::nullopt;
        std::string text(bytes->begin(), bytes->end());
        // A stream may carry the terminator; the text stops there.
        text.resize(std::min(text.size(), text.find('\0')));
        return text;
    }

    std::string Recipients() override
    {
        com_ptr<IMAPITable> table;
        if (FAILED(LOG_IF_MAPI_FAILED(m_pMessage->GetRecipientTable(0, table.put()))))
            return std::string();
        CTags<1> tags{1, {PR_EMAIL_ADDRESS_A}};
        if (FAILED(LOG_IF_MAPI_FAILED(table->SetColumns(tags.get(), 0))))
            return std::string();
        std::string joined;
        (void)ForEachRow(table.get(), [&](const SRow& p_oRow) {
            const std::string address = StringProp(p_oRow, PR_EMAIL_ADDRESS_A).value_or("");
            if (!address.empty())
                joined += (joined.empty() ? "" : ";") + address;
            return true;
        });
        return joined;
    }

    std::optional<std::string> AddressBookSenderAddress() override
    {
        if (!m_vSender)
            return std::nullopt;
        return m_oExMapi.GetMatchingABSMTPAddress(*m_vSender);
    }

    bool FirstAttachment(std::vector<uint8_t>& p_vBytes) override
    {
        com_ptr<IMAPITable> table;
        if (FAILED(LOG_IF_MAPI_FAILED(m_pMessage->GetAttachmentTable(0, table.put()))))
            return false;
        CTags<1> tags{1, {PR_ATTACH_NUM}};
        unique_mapi_rows rows;
        if (FAILED(LOG_IF_MAPI_FAILED(table->SetColumns(tags.get(), 0))) ||
            FAILED(LOG_IF_MAPI_FAILED(table->QueryRows(1, 0, rows.put()))) || !rows || rows.get()->cRows == 0)
            return false;
        const std::optional<LONG> number = LongProp(rows.get()->aRow[0], PR_ATTACH_NUM);
        com_ptr<IAttach> attach;
        if (!number ||
            FAILED(LOG_IF_MAPI_FAILED(m_pMessage->OpenAttach(static_cast<ULONG>(*number), nullptr, 0, attach.put()))))
            return false;
        std::optional<std::vector<uint8_t>> bytes =
            ReadStreamProp(attach.get(), PR_ATTACH_DATA_BIN, kMaxAttachmentBytes);
        if (!bytes)
            return false;
        p_vBytes = std::move(*bytes);
        return true;
    }

    bool Delete() override
    {
        CEntryBytes parent = m_vFolder;
        if (parent.empty())
        {
            unique_mapi_buffer<SPropValue> value;
            if (SUCCEEDED(GetOneProp(m_pMessage, PR_PARENT_ENTRYID, value)) && value.get()->Value.bin.cb != 0)
                parent.assign(value.get()->Value.bin.lpb, value.get()->Value.bin.lpb + value.get()->Value.bin.cb);
        }
        com_ptr<IMAPIFolder> folder;
        ULONG type = 0;
        const HRESULT hr = LOG_IF_MAPI_FAILED(
            m_pStore->OpenEntry(static_cast<ULONG>(parent.size()), reinterpret_cast<ENTRYID*>(parent.data()), nullptr,
                                MAPI_MODIFY, &type, reinterpret_cast<IUnknown**>(folder.put())));
        if (FAILED(hr))
        {
            m_oExMapi.RecordNewMailFailure("pmsMsgStore->OpenEntry(Parent)", hr);
            return false;
        }
        if (type != MAPI_FOLDER)
        {
            LOG_FAILURE("the parent of the notice is not a folder (type %lu)", type);
            return false;
        }
        SBinary entry{static_cast<ULONG>(m_vMessage.size()), m_vMessage.data()};
        ENTRYLIST list{1, &entry};
        return SUCCEEDED(LOG_IF_MAPI_FAILED(folder->DeleteMessages(&list, 0, nullptr, 0)));
    }

  private:
    CExMAPI& m_oExMapi;
    IMsgStore* m_pStore;
    IMessage* m_pMessage;
    CEntryBytes m_vMessage;
    CEntryBytes m_vFolder;
    std::optional<CEntryBytes> m_vSender;
};
} // namespace

void CExMAPI::RecordNewMailFailure(const char* p_szCall, HRESULT p_hr)
{
    m_oError.Set(CorvaneStrings(), kMsgCallError, p_szCall, static_cast<unsigned>(p_hr), "CExMAPI::DealWithNewMail");
    Log("CExMAPI::DealWithNewMail: %s", m_oError.Text().c_str());
}

HRESULT CExMAPI::DealWithNewMail(const CEntryBytes& p_vMessage, const CEntryBytes& p_vFolder,
                                 const CNewMailServices& p_oServices)
{
    IMsgStore* store = m_oThread.MessageStore();
    if (store == nullptr || p_vMessage.empty() || p_oServices.m_p_oRegistry == nullptr)
    {
        LOG_FAILURE("no store, message or settings");
        return MAPI_E_INVALID_PARAMETER;
    }
    CEntryBytes entry = p_vMessage;
    com_ptr<IMessage> message;
    ULONG type = 0;
    const HRESULT hr =
        LOG_IF_MAPI_FAILED(store->OpenEntry(static_cast<ULONG>(entry.size()), reinterpret_cast<ENTRYID*>(entry.data()),
                                            nullptr, 0, &type, reinterpret_cast<IUnknown**>(message.put())));
    if (FAILED(hr))
    {
        RecordNewMailFailure("pmsMsgStore->OpenEntry", hr);
        return hr;
    }
    // A folder's entry id opens too; only messages are mail.
    if (type != MAPI_MESSAGE)
    {
        LOG_FAILURE("the new entry is not a message (type %lu)", type);
        return MAPI_E_INVALID_ENTRYID;
    }
    CTags<6> tags{6,
                  {PR_SENDER_EMAIL_ADDRESS_A, PR_SENDER_ADDRTYPE_A, PR_SENDER_ENTRYID, PR_SUBJECT_A, PR_MESSAGE_FLAGS,
                   PR_MESSAGE_DELIVERY_TIME}};
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> props;
    // Missing values come back as errors in their slots (MAPI_W_ERRORS_RETURNED); each is optional.
    if (FAILED(LOG_IF_MAPI_FAILED(message->GetProps(tags.get(), 0, &count, props.put()))))
        return E_FAIL;
    // The store also reports what is created by the user and by this library: drafts, the jobs it
    // queues in the Outbox and its "Sent SMSs" copies. Only mail that arrived (delivered, never
    // unsent) is handled; otherwise a rule that fires on every mail would answer its own SMS jobs.
    const LONG flags = LongProp(props.get(), count, PR_MESSAGE_FLAGS).value_or(0);
    if ((flags & MSGFLAG_UNSENT) != 0 || FindProp(props.get(), count, PR_MESSAGE_DELIVERY_TIME) == nullptr)
    {
        Log("CExMAPI::DealWithNewMail: not received mail (flags 0x%lX), left alone", static_cast<unsigned long>(flags));
        return S_OK;
    }
    CNewMailEnvelope envelope;
    envelope.m_sSenderAddress = StringProp(props.get(), count, PR_SENDER_EMAIL_ADDRESS_A);
    envelope.m_sSenderType = StringProp(props.get(), count, PR_SENDER_ADDRTYPE_A).value_or("");
    envelope.m_sSubject = StringProp(props.get(), count, PR_SUBJECT_A);
    CMapiNewMail mail(*this, store, message.get(), p_vMessage, p_vFolder,
                      BinaryProp(props.get(), count, PR_SENDER_ENTRYID));
    const ENewMailResult result = ::DealWithNewMail(envelope, mail, p_oServices);
    Log("CExMAPI::DealWithNewMail: result %d", static_cast<int>(result));
    return IsNewMailFailure(result) ? E_FAIL : S_OK;
}
