// Addressbook/addressbook/exmapi_internal_win.h: what the CExMAPI files share: the tags they read,
// property and row readers, the call-failure report, and CExMAPI::CImpl, the set-up steps and
// folder walks that need the object's private state.
#pragma once

#include "Addressbook/addressbook/exmapi_win.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"

#include <mapitags.h>

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace exmapi
{
// Tags the MinGW headers lack: the SMTP address and the Exchange proxy addresses of an
// address-book entry, and the contact-folder list's member entry ids in the contact property set.
constexpr ULONG kTagSmtpAddress = PROP_TAG(PT_STRING8, 0x39FE);
constexpr ULONG kTagProxyAddresses = PROP_TAG(PT_MV_STRING8, 0x800F);
constexpr ULONG kTagContainerClass = PROP_TAG(PT_STRING8, 0x3613);
constexpr ULONG kTagFolderChildCount = PROP_TAG(PT_LONG, 0x6638);
constexpr LONG kLidDistListOneOffMembers = 0x8054;
constexpr LONG kLidDistListMembers = 0x8055;
// The nine contact e-mail named properties, in the order of CContactEmailTags.
constexpr LONG kContactEmailLids[9] = {0x8082, 0x8083, 0x8085, 0x8092, 0x8093, 0x8095, 0x80A2, 0x80A3, 0x80A5};

const GUID& ContactPropertySet(); // PSETID_Address
const GUID& PublicFoldersProvider();

// The first value of p_oRow (or of a GetProps answer) carrying exactly p_ulTag.
const SPropValue* FindProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag);
inline const SPropValue* FindProp(const SRow& p_oRow, ULONG p_ulTag)
{
    return FindProp(p_oRow.lpProps, p_oRow.cValues, p_ulTag);
}
std::optional<std::string> StringProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag);
std::optional<CEntryBytes> BinaryProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag);
std::optional<LONG> LongProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag);
// Starts p_oDetails afresh with the name, given name and surname of an entry's properties.
void ReadNameProps(const SPropValue* p_aProps, ULONG p_nProps, CEntryDetails& p_oDetails);
inline std::optional<std::string> StringProp(const SRow& p_oRow, ULONG p_ulTag)
{
    return StringProp(p_oRow.lpProps, p_oRow.cValues, p_ulTag);
}
inline std::optional<CEntryBytes> BinaryProp(const SRow& p_oRow, ULONG p_ulTag)
{
    return BinaryProp(p_oRow.lpProps, p_oRow.cValues, p_ulTag);
}
inline std::optional<LONG> LongProp(const SRow& p_oRow, ULONG p_ulTag)
{
    return LongProp(p_oRow.lpProps, p_oRow.cValues, p_ulTag);
}

// One property of an object, as HrGetOneProp gives it, without needing the MAPI library's
// function: MAPI_E_NOT_FOUND when the object has no value for it.
[[nodiscard]] HRESULT GetOneProp(IMAPIProp* p_pObject, ULONG p_ulTag, unique_mapi_buffer<SPropValue>& p_pValue);

bool EqualsNoCase(std::string_view p_s1, std::string_view p_s2);
bool StartsWithNoCase(std::string_view p_s, std::string_view p_sPrefix);

// Reports a failed MAPI call through the error reporter (message 218) with the call and the
// method it failed in; returns p_hr. The failure is already in the trace log by the caller's
// LOG_IF_MAPI_FAILED.
HRESULT ReportCall(HRESULT p_hr, const char* p_szCall, const char* p_szPrettyFunction);

// A property tag array of N tags, as SetColumns and GetProps take it.
template <size_t N> struct CTags
{
    ULONG m_cValues = N;
    ULONG m_aulPropTag[N];
    LPSPropTagArray get()
    {
        return reinterpret_cast<LPSPropTagArray>(this);
    }
};

// Reads every row of a table in batches and hands each to p_fnRow; stops early when it returns
// false. MAPI failures are logged and returned.
template <typename F> HRESULT ForEachRow(IMAPITable* p_pTable, F&& p_fnRow);

// The entry ids already entered while expanding one list, so nested and repeated lists are
// entered once and a cycle ends.
struct CListWalk
{
    std::set<CEntryBytes> m_setVisited;
    int m_iDepth = 0;
};
} // namespace exmapi

// Logs and reports a failed MAPI call in one go, naming the call as the reader will know it.
#define EXMAPI_CALL(call, name) ::exmapi::ReportCall(LOG_IF_MAPI_FAILED(call), name, __PRETTY_FUNCTION__)

struct CExMAPI::CImpl
{
    // Set-up steps, in their order.
    [[nodiscard]] static HRESULT InitialiseAddressBook(CExMAPI& p_oThis);
    [[nodiscard]] static HRESULT InitialiseMessageStore(CExMAPI& p_oThis);
    [[nodiscard]] static HRESULT FindAllContactFolders(CExMAPI& p_oThis);
    [[nodiscard]] static HRESULT FindAddressBookContactsFolder(CExMAPI& p_oThis);
    static void FindIPMContacts(CExMAPI& p_oThis);
    // Depth first: every "IPF.Contact" folder below p_pFolder is appended to p_vFolders. A damaged
    // store whose folders hold themselves ends at kMaxFolderDepth instead of exhausting the stack.
    static constexpr int kMaxFolderDepth = 64;
    static void FindIPMContactFolders(IMAPIFolder* p_pFolder, std::vector<CFolderEntry>& p_vFolders, int p_iDepth = 0);
    [[nodiscard]] static HRESULT ResolveContactEmailTags(CExMAPI& p_oThis);
    static void OpenReminderFolder(CExMAPI& p_oThis);
    // Shows a set-up failure to the user and keeps it in the error slot.
    static void ShowSetupFailure(CExMAPI& p_oThis, unsigned p_uId, unsigned p_uCode = 0);

    // Opens a message-store item or folder through the thread's session.
    [[nodiscard]] static HRESULT OpenStoreEntry(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, ULONG p_ulFlags,
                                                IUnknown** p_ppObject);
    // p_bReport false only traces a failure: the lookups the lists make row by row answer "none".
    [[nodiscard]] static HRESULT OpenABEntry(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, ULONG p_ulFlags,
                                             IUnknown** p_ppObject, bool p_bReport = true);
    // The contact e-mail rule over a contact's values; a list member that names one of the slots
    // (p_oiSlot) takes that slot's address when it has one.
    static std::string ContactEmail(CExMAPI& p_oThis, const SPropValue* p_aProps, ULONG p_nProps,
                                    std::optional<int> p_oiSlot = std::nullopt);
    [[nodiscard]] static HRESULT ReadContact(CExMAPI& p_oThis, IMAPIProp* p_pContact, CEntryDetails& p_oDetails,
                                             std::optional<int> p_oiSlot = std::nullopt);
    [[nodiscard]] static HRESULT ReadABUser(CExMAPI& p_oThis, IMAPIProp* p_pUser, CEntryDetails& p_oDetails);

    // List expansion shared by both kinds, with one walk record across nested lists.
    [[nodiscard]] static HRESULT ExpandNormalList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId,
                                                  CMessageRecipientList& p_oList, exmapi::CListWalk& p_oWalk);
    [[nodiscard]] static HRESULT ExpandABList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId,
                                              CMessageRecipientList& p_oList, exmapi::CListWalk& p_oWalk);
    static void AddNormalListMember(CExMAPI& p_oThis, const CEntryBytes& p_vMember,
                                    const std::optional<CEntryBytes>& p_ovOneOff, CMessageRecipientList& p_oList,
                                    exmapi::CListWalk& p_oWalk);
    static void AddABRow(CExMAPI& p_oThis, const SRow& p_oRow, CMessageRecipientList& p_oList,
                         exmapi::CListWalk& p_oWalk);
    static void AddStorePerson(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails,
                               CMessageRecipientList& p_oList);
    static void AddNormalList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, const std::string& p_sName,
                              CMessageRecipientList& p_oList, exmapi::CListWalk& p_oWalk);
    static void AddABList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, const std::string& p_sName,
                          CMessageRecipientList& p_oList, exmapi::CListWalk& p_oWalk);

    // The steps of CreateMessageInFolder.
    [[nodiscard]] static HRESULT SetMessageProps(IMessage* p_pMessage, const CMapiMessage& p_oMessage);
    // Submitted messages get resolved e-mail recipients; filed copies name or mobile, unresolved.
    [[nodiscard]] static HRESULT AddAllRecipientsEmail(CExMAPI& p_oThis, IMessage* p_pMessage,
                                                       const RecipientRefs& p_vTo, const RecipientRefs& p_vCc,
                                                       const RecipientRefs& p_vBcc, const CMapiSendLinks& p_oLinks);
    [[nodiscard]] static HRESULT AddAllRecipientsSentSMS(CExMAPI& p_oThis, IMessage* p_pMessage,
                                                         const RecipientRefs& p_vTo, const RecipientRefs& p_vBcc);
    [[nodiscard]] static HRESULT WriteBufferToBody(IMessage* p_pMessage, const std::string& p_sText);
    [[nodiscard]] static HRESULT WriteBufferToRTF(CExMAPI& p_oThis, IMessage* p_pMessage, const std::string& p_sText);
    [[nodiscard]] static HRESULT AddAttachment(CExMAPI& p_oThis, IMessage* p_pMessage, const std::string& p_sPath);
    // Submits, aborts the submission when a stop came in time, and flushes the outbound queue.
    [[nodiscard]] static HRESULT SubmitAndFlush(CExMAPI& p_oThis, IMessage* p_pMessage, const CMapiSendLinks& p_oLinks);
    [[nodiscard]] static HRESULT MyFlushQueues(CExMAPI& p_oThis);
    // The Outbox, or another standard folder whose entry id the store keeps in p_ulTag.
    [[nodiscard]] static HRESULT GetDefaultFolder(CExMAPI& p_oThis, ULONG p_ulTag, com_ptr<IMAPIFolder>& p_pFolder);
};

template <typename F> HRESULT exmapi::ForEachRow(IMAPITable* p_pTable, F&& p_fnRow)
{
    for (;;)
    {
        unique_mapi_rows pRows;
        const HRESULT hr = LOG_IF_MAPI_FAILED(p_pTable->QueryRows(50, 0, pRows.put()));
        if (FAILED(hr))
            return hr;
        if (!pRows || pRows.get()->cRows == 0)
            return S_OK;
        for (ULONG iRow = 0; iRow < pRows.get()->cRows; ++iRow)
            if (!p_fnRow(pRows.get()->aRow[iRow]))
                return S_OK;
    }
}
