// standins/outlook/ol_mapi_win.cpp: the host's MAPI profile over the library DLLPathEx names.
#include "standins/outlook/ol_mapi_win.h"

#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/single_interface_object_win.h"
#include "common/trace_log.h"

#include <mapitags.h>
#include <mapiutil.h>

#include <cstring>
#include <memory>

namespace olstandin
{
namespace
{
constexpr const char* kMailClientKey = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook";
constexpr ULONG kMaxRows = 100000;
// Inbox properties naming the other standard folders (not in the toolchain's tag header).
constexpr ULONG kCalendarEntryId = PROP_TAG(PT_BINARY, 0x36D0);
constexpr ULONG kContactsEntryId = PROP_TAG(PT_BINARY, 0x36D1);
constexpr ULONG kTasksEntryId = PROP_TAG(PT_BINARY, 0x36D4);
constexpr ULONG kDraftsEntryId = PROP_TAG(PT_BINARY, 0x36D7);

template <typename F> [[nodiscard]] bool Bind(HMODULE p_hLibrary, const char* p_szName, F& p_pfn)
{
    p_pfn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(p_hLibrary, p_szName)));
    if (p_pfn == nullptr)
        LOG_FAILURE("MAPI library has no %s", p_szName);
    return p_pfn != nullptr;
}

std::string TextOf(const SPropValue& p_oValue)
{
    if (PROP_TYPE(p_oValue.ulPropTag) == PT_STRING8 && p_oValue.Value.lpszA != nullptr)
        return p_oValue.Value.lpszA;
    return {};
}

CEntryId BinaryOf(const SPropValue& p_oValue)
{
    if (PROP_TYPE(p_oValue.ulPropTag) != PT_BINARY || p_oValue.Value.bin.lpb == nullptr)
        return {};
    return CEntryId(p_oValue.Value.bin.lpb, p_oValue.Value.bin.lpb + p_oValue.Value.bin.cb);
}

// All rows of a table with the given columns; empty when a call fails.
std::vector<std::vector<SPropValue>> ReadRows(IMAPITable* p_pTable, std::initializer_list<ULONG> p_aTags,
                                              unique_mapi_rows& p_oRows)
{
    std::vector<std::vector<SPropValue>> rows;
    SizedSPropTagArray(8, columns) = {0, {}};
    for (const ULONG tag : p_aTags)
        columns.aulPropTag[columns.cValues++] = tag;
    if (FAILED(LOG_IF_MAPI_FAILED(p_pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0))) ||
        FAILED(LOG_IF_MAPI_FAILED(p_pTable->QueryRows(kMaxRows, 0, p_oRows.put()))))
        return rows;
    for (ULONG i = 0; i < p_oRows.get()->cRows; ++i)
    {
        const SRow& row = p_oRows.get()->aRow[i];
        if (row.cValues >= columns.cValues)
            rows.emplace_back(row.lpProps, row.lpProps + columns.cValues);
    }
    return rows;
}

std::vector<std::string> SplitRecipients(const std::string& p_sLine)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= p_sLine.size())
    {
        size_t end = p_sLine.find_first_of(";,", start);
        if (end == std::string::npos)
            end = p_sLine.size();
        std::string name = p_sLine.substr(start, end - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty())
            names.push_back(name);
        start = end + 1;
    }
    return names;
}
} // namespace

constexpr GUID kIidAdviseSink = {0x00020302, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Hands each new-mail notification to a window of the UI thread.
class CNewMailSink final : public CSingleInterfaceObject<IMAPIAdviseSink, kIidAdviseSink>
{
  public:
    CNewMailSink(HWND p_hTarget, UINT p_nMessage) : m_hTarget(p_hTarget), m_nMessage(p_nMessage)
    {
    }
    STDMETHODIMP_(ULONG) OnNotify(ULONG p_cNotifications, LPNOTIFICATION p_pNotifications) override
    {
        for (ULONG i = 0; p_pNotifications != nullptr && i < p_cNotifications; ++i)
        {
            const NOTIFICATION& notification = p_pNotifications[i];
            if (notification.ulEventType != fnevNewMail || notification.info.newmail.lpEntryID == nullptr)
                continue;
            const auto* bytes = reinterpret_cast<const BYTE*>(notification.info.newmail.lpEntryID);
            auto id = std::make_unique<CEntryId>(bytes, bytes + notification.info.newmail.cbEntryID);
            if (LOG_IF_WIN32_BOOL_FALSE(PostMessageA(m_hTarget, m_nMessage, reinterpret_cast<WPARAM>(id.get()), 0)))
                (void)id.release();
        }
        return 0;
    }

  private:
    ~CNewMailSink() = default;

    HWND m_hTarget;
    UINT m_nMessage;
};

bool CMapiProfile::AdviseNewMail(HWND p_hTarget, UINT p_nMessage)
{
    if (!m_p_oStore)
        return false;
    com_ptr<IMAPIAdviseSink> sink;
    sink.attach(new CNewMailSink(p_hTarget, p_nMessage));
    return SUCCEEDED(
        LOG_IF_MAPI_FAILED(m_p_oStore->Advise(0, nullptr, fnevNewMail, sink.get(), &m_ulNewMailConnection)));
}

CMapiProfile::~CMapiProfile()
{
    if (m_p_oStore && m_ulNewMailConnection != 0)
        (void)LOG_IF_MAPI_FAILED(m_p_oStore->Unadvise(m_ulNewMailConnection));
    m_p_oStore.reset();
    m_p_oAddrBook.reset();
    if (m_p_oSession)
        (void)LOG_IF_MAPI_FAILED(m_p_oSession->Logoff(0, 0, 0));
    m_p_oSession.reset();
    if (m_bInitialized && m_pfnUninitialize != nullptr)
        (void)m_pfnUninitialize();
    SetMapiFreeFunctions({});
}

bool CMapiProfile::Start()
{
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (LOG_IF_WIN32_ERROR(RegGetValueA(HKEY_LOCAL_MACHINE, kMailClientKey, "DLLPathEx", RRF_RT_REG_SZ, nullptr, path,
                                        &size)) != ERROR_SUCCESS)
        return false;
    m_hLibrary.reset(LoadLibraryA(path));
    if (!LOG_IF_WIN32_BOOL_FALSE(m_hLibrary.get()))
        return false;
    HRESULT(STDAPICALLTYPE * initialize)(LPVOID) = nullptr;
    HRESULT(STDAPICALLTYPE * logon)(ULONG_PTR, LPSTR, LPSTR, ULONG, LPMAPISESSION*) = nullptr;
    CMapiFreeFunctions free;
    const HMODULE library = m_hLibrary.get();
    if (!Bind(library, "MAPIInitialize", initialize) || !Bind(library, "MAPIUninitialize", m_pfnUninitialize) ||
        !Bind(library, "MAPILogonEx", logon) || !Bind(library, "MAPIAllocateBuffer", m_pfnAllocateBuffer) ||
        !Bind(library, "MAPIAllocateMore", m_pfnAllocateMore) ||
        !Bind(library, "MAPIFreeBuffer", free.m_pfnFreeBuffer) || !Bind(library, "FreeProws", free.m_pfnFreeProws) ||
        !Bind(library, "FreePadrlist", free.m_pfnFreePadrlist))
        return false;
    SetMapiFreeFunctions(free);
    if (FAILED(LOG_IF_MAPI_FAILED(initialize(nullptr))))
        return false;
    m_bInitialized = true;
    if (FAILED(LOG_IF_MAPI_FAILED(
            logon(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, m_p_oSession.put()))) ||
        FAILED(LOG_IF_MAPI_FAILED(m_p_oSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, m_p_oAddrBook.put()))))
        return false;
    return OpenDefaultStore();
}

bool CMapiProfile::OpenDefaultStore()
{
    com_ptr<IMAPITable> stores;
    if (FAILED(LOG_IF_MAPI_FAILED(m_p_oSession->GetMsgStoresTable(0, stores.put()))))
        return false;
    unique_mapi_rows rows;
    for (const auto& row : ReadRows(stores.get(), {PR_ENTRYID, PR_DEFAULT_STORE}, rows))
    {
        if (row[1].ulPropTag != PR_DEFAULT_STORE || !row[1].Value.b)
            continue;
        return SUCCEEDED(LOG_IF_MAPI_FAILED(
            m_p_oSession->OpenMsgStore(0, row[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(row[0].Value.bin.lpb),
                                       nullptr, MDB_WRITE | MAPI_BEST_ACCESS, m_p_oStore.put())));
    }
    LOG_FAILURE("the profile has no default store");
    return false;
}

CEntryId CMapiProfile::StoreEntryId(ULONG p_ulTag) const
{
    unique_mapi_buffer<SPropValue> value;
    SizedSPropTagArray(1, tags) = {1, {p_ulTag}};
    ULONG count = 0;
    if (!m_p_oStore ||
        FAILED(LOG_IF_MAPI_FAILED(
            m_p_oStore->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.put()))) ||
        count != 1)
        return {};
    return BinaryOf(*value.get());
}

com_ptr<IMAPIProp> CMapiProfile::OpenEntry(const CEntryId& p_oEntryId) const
{
    com_ptr<IMAPIProp> object;
    ULONG type = 0;
    if (m_p_oStore && !p_oEntryId.empty())
        (void)LOG_IF_MAPI_FAILED(m_p_oStore->OpenEntry(
            static_cast<ULONG>(p_oEntryId.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_oEntryId.data())),
            nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(object.put())));
    return object;
}

CEntryId CMapiProfile::InboxId() const
{
    unique_mapi_buffer<ENTRYID> entry;
    ULONG size = 0;
    if (!m_p_oStore ||
        FAILED(LOG_IF_MAPI_FAILED(m_p_oStore->GetReceiveFolder(nullptr, 0, &size, entry.put(), nullptr))))
        return {};
    const auto* bytes = reinterpret_cast<const BYTE*>(entry.get());
    return CEntryId(bytes, bytes + size);
}

CEntryId CMapiProfile::DefaultFolderId(LONG p_lKind) const
{
    switch (p_lKind)
    {
    case 3:
        return StoreEntryId(PR_IPM_WASTEBASKET_ENTRYID);
    case 4:
        return StoreEntryId(PR_IPM_OUTBOX_ENTRYID);
    case 5:
        return StoreEntryId(PR_IPM_SENTMAIL_ENTRYID);
    case 6:
        return InboxId();
    default:
        break;
    }
    // The other standard folders are named by properties of the Inbox.
    const ULONG tag = p_lKind == 9    ? kCalendarEntryId
                      : p_lKind == 10 ? kContactsEntryId
                      : p_lKind == 13 ? kTasksEntryId
                      : p_lKind == 16 ? kDraftsEntryId
                                      : 0;
    com_ptr<IMAPIProp> inbox = tag != 0 ? OpenEntry(InboxId()) : com_ptr<IMAPIProp>();
    unique_mapi_buffer<SPropValue> value;
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    if (!inbox ||
        FAILED(LOG_IF_MAPI_FAILED(inbox->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.put()))) ||
        count != 1)
        return {};
    return BinaryOf(*value.get());
}

std::string CMapiProfile::DisplayName(const CEntryId& p_oEntryId) const
{
    com_ptr<IMAPIProp> object = OpenEntry(p_oEntryId);
    unique_mapi_buffer<SPropValue> value;
    SizedSPropTagArray(1, tags) = {1, {PR_DISPLAY_NAME_A}};
    ULONG count = 0;
    if (!object ||
        FAILED(
            LOG_IF_MAPI_FAILED(object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.put()))) ||
        count != 1)
        return {};
    return TextOf(*value.get());
}

std::vector<CFolderRow> CMapiProfile::Folders() const
{
    std::vector<CFolderRow> folders;
    com_ptr<IMAPIProp> top = OpenEntry(StoreEntryId(PR_IPM_SUBTREE_ENTRYID));
    com_ptr<IMAPITable> table;
    if (!top || FAILED(LOG_IF_MAPI_FAILED(
                    reinterpret_cast<IMAPIFolder*>(top.get())->GetHierarchyTable(CONVENIENT_DEPTH, table.put()))))
        return folders;
    unique_mapi_rows rows;
    for (const auto& row : ReadRows(table.get(), {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_DEPTH}, rows))
        folders.push_back({TextOf(row[0]), BinaryOf(row[1]), row[2].ulPropTag == PR_DEPTH ? row[2].Value.l : 1});
    return folders;
}

std::vector<CItemRow> CMapiProfile::Items(const CEntryId& p_oFolder) const
{
    std::vector<CItemRow> items;
    com_ptr<IMAPIProp> folder = OpenEntry(p_oFolder);
    com_ptr<IMAPITable> table;
    if (!folder ||
        FAILED(LOG_IF_MAPI_FAILED(reinterpret_cast<IMAPIFolder*>(folder.get())->GetContentsTable(0, table.put()))))
        return items;
    unique_mapi_rows rows;
    for (const auto& row : ReadRows(
             table.get(), {PR_ENTRYID, PR_SUBJECT_A, PR_MESSAGE_CLASS_A, PR_SENDER_NAME_A, PR_MESSAGE_FLAGS}, rows))
        items.push_back({BinaryOf(row[0]), TextOf(row[1]), TextOf(row[2]), TextOf(row[3]),
                         row[4].ulPropTag == PR_MESSAGE_FLAGS ? static_cast<ULONG>(row[4].Value.l) : 0});
    return items;
}

bool CMapiProfile::ResolveNames(const CNoteFields& p_oFields, unique_mapi_adrlist& p_oList) const
{
    std::vector<std::pair<std::string, ULONG>> recipients;
    for (const auto& [line, type] :
         {std::pair{&p_oFields.m_sTo, ULONG(MAPI_TO)}, std::pair{&p_oFields.m_sCc, ULONG(MAPI_CC)},
          std::pair{&p_oFields.m_sBcc, ULONG(MAPI_BCC)}})
        for (const std::string& name : SplitRecipients(*line))
            recipients.emplace_back(name, type);
    if (recipients.empty())
    {
        LOG_FAILURE("the note has no recipients");
        return false;
    }
    unique_mapi_adrlist list;
    if (FAILED(LOG_IF_MAPI_FAILED(
            m_pfnAllocateBuffer(CbNewADRLIST(recipients.size()), reinterpret_cast<LPVOID*>(list.put())))))
        return false;
    std::memset(list.get(), 0, CbNewADRLIST(recipients.size()));
    for (const auto& [name, type] : recipients)
    {
        ADRENTRY& entry = list.get()->aEntries[list.get()->cEntries];
        LPSPropValue props = nullptr;
        char* text = nullptr;
        if (FAILED(LOG_IF_MAPI_FAILED(m_pfnAllocateBuffer(2 * sizeof(SPropValue), reinterpret_cast<LPVOID*>(&props)))))
            return false;
        entry.rgPropVals = props;
        ++list.get()->cEntries;
        if (FAILED(LOG_IF_MAPI_FAILED(
                m_pfnAllocateMore(static_cast<ULONG>(name.size() + 1), props, reinterpret_cast<LPVOID*>(&text)))))
            return false;
        std::memcpy(text, name.c_str(), name.size() + 1);
        props[0].ulPropTag = PR_DISPLAY_NAME_A;
        props[0].Value.lpszA = text;
        props[1].ulPropTag = PR_RECIPIENT_TYPE;
        props[1].Value.l = static_cast<LONG>(type);
        entry.cValues = 2;
    }
    if (FAILED(LOG_IF_MAPI_FAILED(m_p_oAddrBook->ResolveName(0, 0, nullptr, list.get()))))
        return false;
    p_oList = std::move(list);
    return true;
}

// The form's contents as the client writes them before a submit: class, subject, body, where the
// sent copy goes, and the resolved recipients, which replace any an earlier attempt wrote.
bool CMapiProfile::WriteNote(IMessage* p_pMessage, const CNoteFields& p_oFields, ADRLIST* p_pRecipients) const
{
    const CEntryId sentItems = StoreEntryId(PR_IPM_SENTMAIL_ENTRYID);
    SPropValue props[5] = {};
    ULONG count = 0;
    props[count].ulPropTag = PR_MESSAGE_CLASS_A;
    props[count++].Value.lpszA = const_cast<char*>("IPM.Note");
    props[count].ulPropTag = PR_SUBJECT_A;
    props[count++].Value.lpszA = const_cast<char*>(p_oFields.m_sSubject.c_str());
    props[count].ulPropTag = PR_BODY_A;
    props[count++].Value.lpszA = const_cast<char*>(p_oFields.m_sBody.c_str());
    props[count].ulPropTag = PR_DELETE_AFTER_SUBMIT;
    props[count++].Value.b = FALSE;
    if (!sentItems.empty())
    {
        props[count].ulPropTag = PR_SENTMAIL_ENTRYID;
        props[count].Value.bin.cb = static_cast<ULONG>(sentItems.size());
        props[count++].Value.bin.lpb = const_cast<BYTE*>(sentItems.data());
    }
    return SUCCEEDED(LOG_IF_MAPI_FAILED(p_pMessage->SetProps(count, props, nullptr))) &&
           SUCCEEDED(LOG_IF_MAPI_FAILED(p_pMessage->ModifyRecipients(0, p_pRecipients))) &&
           SUCCEEDED(LOG_IF_MAPI_FAILED(p_pMessage->SaveChanges(KEEP_OPEN_READWRITE)));
}

bool CMapiProfile::SendNote(const CNoteFields& p_oFields, const CSendHooks& p_oHooks,
                            com_ptr<IMessage>& p_oMessage) const
{
    if (!p_oMessage)
    {
        com_ptr<IMAPIProp> outbox = OpenEntry(StoreEntryId(PR_IPM_OUTBOX_ENTRYID));
        if (!outbox || FAILED(LOG_IF_MAPI_FAILED(
                           reinterpret_cast<IMAPIFolder*>(outbox.get())->CreateMessage(nullptr, 0, p_oMessage.put()))))
            return false;
    }
    IMessage* const message = p_oMessage.get();
    if (p_oHooks.m_fnBeforeCheckNames && !p_oHooks.m_fnBeforeCheckNames(message))
        return false;
    unique_mapi_adrlist recipients;
    const bool resolved = ResolveNames(p_oFields, recipients);
    if (p_oHooks.m_fnAfterCheckNames)
        p_oHooks.m_fnAfterCheckNames(message, resolved);
    if (!resolved || (p_oHooks.m_fnBeforeWrite && !p_oHooks.m_fnBeforeWrite(message)))
        return false;
    const bool written = WriteNote(message, p_oFields, recipients.get());
    if (p_oHooks.m_fnAfterWrite)
        p_oHooks.m_fnAfterWrite(message, written);
    if (!written || (p_oHooks.m_fnBeforeSubmit && !p_oHooks.m_fnBeforeSubmit(message)))
        return false;
    const bool submitted = SUCCEEDED(LOG_IF_MAPI_FAILED(message->SubmitMessage(0)));
    if (p_oHooks.m_fnAfterSubmit)
        p_oHooks.m_fnAfterSubmit(message, submitted);
    if (submitted)
        Log("Note '%s' submitted", p_oFields.m_sSubject.c_str());
    return submitted;
}
} // namespace olstandin
