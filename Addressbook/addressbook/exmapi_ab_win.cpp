// Addressbook/addressbook/exmapi_ab_win.cpp: CExMAPI's address book: opening it, its containers,
// the entries and lists of a container, the details and SMTP address of an entry, and writing a
// mobile back to it.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/messaging/recipient_list.h"
#include "common/trace_log.h"

#include <mapicode.h>

#include <algorithm>

using namespace exmapi;

namespace
{
constexpr const char* kOutlookAddressBook = "Outlook Address Book";
constexpr const char* kSmtpPrefix = "SMTP:";

// The columns of a container's contents table, as the list expansion and the folder read use them.
CTags<7> ABColumns()
{
    return {7,
            {PR_ENTRYID, PR_OBJECT_TYPE, PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A, PR_EMAIL_ADDRESS_A,
             PR_ADDRTYPE_A, PR_DISPLAY_TYPE}};
}

std::string WithoutSmtpPrefix(const std::string& p_sAddress)
{
    return StartsWithNoCase(p_sAddress, kSmtpPrefix) ? p_sAddress.substr(5) : p_sAddress;
}

// The SMTP address among an entry's proxy addresses: the primary ("SMTP:") before any secondary.
std::optional<std::string> SmtpProxy(const SPropValue* p_pProxies)
{
    if (!p_pProxies)
        return std::nullopt;
    std::optional<std::string> osSecondary;
    for (ULONG i = 0; i < p_pProxies->Value.MVszA.cValues; ++i)
    {
        const char* szProxy = p_pProxies->Value.MVszA.lppszA[i];
        if (!szProxy || !StartsWithNoCase(szProxy, kSmtpPrefix) || !szProxy[5])
            continue;
        if (std::string_view(szProxy, 5) == kSmtpPrefix)
            return std::string(szProxy + 5);
        if (!osSecondary)
            osSecondary = std::string(szProxy + 5);
    }
    return osSecondary;
}

HRESULT OpenContainerTable(IABContainer* p_pContainer, com_ptr<IMAPITable>& p_pTable)
{
    HRESULT hr = EXMAPI_CALL(p_pContainer->GetContentsTable(0, p_pTable.put()), "lpDistList->GetContentsTable");
    if (FAILED(hr))
        return hr;
    CTags<7> oColumns = ABColumns();
    return EXMAPI_CALL(p_pTable->SetColumns(oColumns.get(), 0), "lpAddresses->SetColumns");
}

// The containers of one hierarchy level as folder entries.
HRESULT ReadContainers(IMAPIContainer* p_pContainer, std::vector<CFolderEntry>& p_vFolders, bool* p_pbGlobal)
{
    com_ptr<IMAPITable> pTable;
    HRESULT hr = EXMAPI_CALL(p_pContainer->GetHierarchyTable(0, pTable.put()), "lpABContainer->GetHierarchyTable");
    if (FAILED(hr))
        return hr;
    CTags<3> oColumns{3, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_DISPLAY_TYPE}};
    hr = EXMAPI_CALL(pTable->SetColumns(oColumns.get(), 0), "lpHierarchy->SetColumns");
    if (FAILED(hr))
        return hr;
    return ForEachRow(pTable.get(), [&](const SRow& p_oRow) {
        std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        if (!ovEntryId || ovEntryId->empty())
            return true;
        if (p_pbGlobal && LongProp(p_oRow, PR_DISPLAY_TYPE).value_or(-1) == DT_GLOBAL)
            *p_pbGlobal = true;
        p_vFolders.push_back({std::move(*ovEntryId), StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or(""), EID_TYPE_AB});
        return true;
    });
}
} // namespace

HRESULT CExMAPI::CImpl::InitialiseAddressBook(CExMAPI& p_oThis)
{
    com_ptr<IAddrBook> pAddressBook;
    HRESULT hr = EXMAPI_CALL(p_oThis.m_oThread.Session()->OpenAddressBook(0, nullptr, AB_NO_DIALOG, pAddressBook.put()),
                             "pmsMapiSession->OpenAddressBook");
    if (FAILED(hr))
        return hr;
    p_oThis.m_oThread.SetAddressBook(pAddressBook.get());

    // The root's containers; an Exchange address book is the one that brings a global list. An
    // address book whose root does not read still resolves names, so the set-up goes on without them.
    com_ptr<IMAPIContainer> pRoot;
    ULONG ulType = 0;
    bool bGlobal = false;
    if (SUCCEEDED(EXMAPI_CALL(
            pAddressBook->OpenEntry(0, nullptr, nullptr, 0, &ulType, reinterpret_cast<IUnknown**>(pRoot.put())),
            "lpAddrBook->OpenEntry")) &&
        FAILED(ReadContainers(pRoot.get(), p_oThis.m_vAddressBookFolders, &bGlobal)))
        p_oThis.m_vAddressBookFolders.clear();
    p_oThis.m_bExchange = bGlobal;
    Log(bGlobal ? "Exchange !!!!!" : "NOT Exchange !!!!!");
    return S_OK;
}

HRESULT CExMAPI::CImpl::FindAddressBookContactsFolder(CExMAPI& p_oThis)
{
    std::vector<CFolderEntry>& vFolders = p_oThis.m_vAddressBookFolders;
    auto itOutlook = std::find_if(vFolders.begin(), vFolders.end(),
                                  [](const CFolderEntry& p_o) { return p_o.m_sName == kOutlookAddressBook; });
    if (itOutlook == vFolders.end())
        return MAPI_E_NOT_FOUND;
    // The Outlook Address Book holds nothing itself: its contact containers take its place.
    const CFolderEntry oOutlook = *itOutlook;
    const auto itPlace = vFolders.erase(itOutlook);
    com_ptr<IMAPIContainer> pOutlook;
    HRESULT hr = OpenABEntry(p_oThis, oOutlook.m_vEntryId, 0, reinterpret_cast<IUnknown**>(pOutlook.put()));
    if (FAILED(hr))
        return hr;
    std::vector<CFolderEntry> vContacts;
    hr = ReadContainers(pOutlook.get(), vContacts, nullptr);
    if (FAILED(hr))
        return hr;
    std::stable_partition(vContacts.begin(), vContacts.end(),
                          [](const CFolderEntry& p_o) { return p_o.m_sName == "Contacts"; });
    vFolders.insert(itPlace, vContacts.begin(), vContacts.end());
    return vContacts.empty() || vContacts.front().m_sName != "Contacts" ? MAPI_E_NOT_FOUND : S_OK;
}

HRESULT CExMAPI::CImpl::OpenABEntry(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, ULONG p_ulFlags,
                                    IUnknown** p_ppObject, bool p_bReport)
{
    IAddrBook* pAddressBook = p_oThis.m_oThread.AddressBook();
    if (!pAddressBook)
    {
        LOG_FAILURE("The thread has no address book");
        return MAPI_E_NOT_INITIALIZED;
    }
    ULONG ulType = 0;
    const HRESULT hr = LOG_IF_MAPI_FAILED(pAddressBook->OpenEntry(
        static_cast<ULONG>(p_vEntryId.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vEntryId.data())),
        nullptr, p_ulFlags, &ulType, p_ppObject));
    return p_bReport ? ReportCall(hr, "lpAddrBook->OpenEntry", __PRETTY_FUNCTION__) : hr;
}

HRESULT CExMAPI::CImpl::ReadABUser(CExMAPI& p_oThis, IMAPIProp* p_pUser, CEntryDetails& p_oDetails)
{
    CTags<8> oTags{8,
                   {PR_MOBILE_TELEPHONE_NUMBER_A, PR_EMAIL_ADDRESS_A, PR_DISPLAY_NAME_A, PR_GIVEN_NAME_A, PR_SURNAME_A,
                    PR_OBJECT_TYPE, PR_ADDRTYPE_A, PR_ENTRYID}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pProps;
    const HRESULT hr = EXMAPI_CALL(p_pUser->GetProps(oTags.get(), 0, &ulCount, pProps.put()), "lpMailUser->GetProps");
    if (FAILED(hr))
        return hr;
    const SPropValue* aProps = pProps.get();
    ReadNameProps(aProps, ulCount, p_oDetails);
    p_oDetails.m_bDistList = LongProp(aProps, ulCount, PR_OBJECT_TYPE).value_or(0) == MAPI_DISTLIST;
    if (p_oDetails.m_bDistList)
        return S_OK;
    p_oDetails.m_sMobile = StringProp(aProps, ulCount, PR_MOBILE_TELEPHONE_NUMBER_A).value_or("");
    if (EqualsNoCase(StringProp(aProps, ulCount, PR_ADDRTYPE_A).value_or(""), "SMTP"))
        p_oDetails.m_sEmail = StringProp(aProps, ulCount, PR_EMAIL_ADDRESS_A).value_or("");
    else if (const std::optional<CEntryBytes> ovEntryId = BinaryProp(aProps, ulCount, PR_ENTRYID))
        p_oDetails.m_sEmail = p_oThis.GetMatchingABSMTPAddress(*ovEntryId).value_or("");
    return S_OK;
}

HRESULT CExMAPI::RetrieveDetailsForABUser(const CEntryBytes& p_vEntryId, CEntryDetails& p_oDetails)
{
    com_ptr<IMAPIProp> pUser;
    const HRESULT hr = CImpl::OpenABEntry(*this, p_vEntryId, 0, reinterpret_cast<IUnknown**>(pUser.put()));
    if (FAILED(hr))
        return hr;
    return CImpl::ReadABUser(*this, pUser.get(), p_oDetails);
}

std::optional<std::string> CExMAPI::GetMatchingABSMTPAddress(const CEntryBytes& p_vEntryId)
{
    com_ptr<IMAPIProp> pUser;
    if (p_vEntryId.empty() ||
        FAILED(CImpl::OpenABEntry(*this, p_vEntryId, 0, reinterpret_cast<IUnknown**>(pUser.put()), false)))
        return std::nullopt;
    CTags<4> oTags{4, {kTagSmtpAddress, kTagProxyAddresses, PR_ADDRTYPE_A, PR_EMAIL_ADDRESS_A}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pProps;
    if (FAILED(LOG_IF_MAPI_FAILED(pUser->GetProps(oTags.get(), 0, &ulCount, pProps.put()))))
        return std::nullopt;
    const std::string sSmtp = StringProp(pProps.get(), ulCount, kTagSmtpAddress).value_or("");
    if (!WithoutSmtpPrefix(sSmtp).empty())
        return WithoutSmtpPrefix(sSmtp);
    if (std::optional<std::string> osProxy = SmtpProxy(FindProp(pProps.get(), ulCount, kTagProxyAddresses)))
        return osProxy;
    // An entry that is an SMTP address itself needs no translation.
    const std::string sAddress = StringProp(pProps.get(), ulCount, PR_EMAIL_ADDRESS_A).value_or("");
    if (EqualsNoCase(StringProp(pProps.get(), ulCount, PR_ADDRTYPE_A).value_or(""), "SMTP") && !sAddress.empty())
        return WithoutSmtpPrefix(sAddress);
    return std::nullopt;
}

std::optional<std::string> CExMAPI::SmtpAddressOf(const CEntryBytes& p_vEntryId)
{
    return GetMatchingABSMTPAddress(p_vEntryId);
}

std::optional<std::string> CExMAPI::MobileOf(const CEntryBytes& p_vEntryId)
{
    com_ptr<IMAPIProp> pUser;
    if (FAILED(CImpl::OpenABEntry(*this, p_vEntryId, 0, reinterpret_cast<IUnknown**>(pUser.put()), false)))
        return std::nullopt;
    unique_mapi_buffer<SPropValue> pMobile;
    if (FAILED(GetOneProp(pUser.get(), PR_MOBILE_TELEPHONE_NUMBER_A, pMobile)) || !pMobile.get()->Value.lpszA ||
        !*pMobile.get()->Value.lpszA)
        return std::nullopt;
    return std::string(pMobile.get()->Value.lpszA);
}

HRESULT CExMAPI::SetABUserDetails(const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails)
{
    com_ptr<IMailUser> pUser;
    HRESULT hr = CImpl::OpenABEntry(*this, p_vEntryId, MAPI_MODIFY, reinterpret_cast<IUnknown**>(pUser.put()));
    if (FAILED(hr))
        return hr;
    SPropValue oMobile{};
    oMobile.ulPropTag = PR_MOBILE_TELEPHONE_NUMBER_A;
    oMobile.Value.lpszA = const_cast<char*>(p_oDetails.m_sMobile.c_str());
    unique_mapi_buffer<SPropProblemArray> pProblems;
    hr = EXMAPI_CALL(pUser->SetProps(1, &oMobile, pProblems.put()), "lpMailUser->SetProps");
    if (SUCCEEDED(hr) && pProblems && pProblems.get()->cProblem > 0)
        hr = EXMAPI_CALL(static_cast<HRESULT>(pProblems.get()->aProblem[0].scode), "lpMailUser->SetProps");
    if (FAILED(hr))
        return hr;
    return EXMAPI_CALL(pUser->SaveChanges(KEEP_OPEN_READWRITE), "lpMailUser->SaveChanges");
}

void CExMAPI::CImpl::AddABList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, const std::string& p_sName,
                               CMessageRecipientList& p_oList, CListWalk& p_oWalk)
{
    if (!p_oWalk.m_setVisited.insert(p_vEntryId).second)
        return;
    RecipientPtr oList = NewListRecipient(MakeEntry(EID_TYPE_AB, static_cast<uint32_t>(p_vEntryId.size()),
                                                    p_vEntryId.data(), AddressBookEntryAllocator()),
                                          p_sName.c_str());
    EnsureMembersList(*oList);
    if (p_oWalk.m_iDepth < kMaxListNesting)
    {
        ++p_oWalk.m_iDepth;
        (void)ExpandABList(p_oThis, p_vEntryId, *oList->m_p_mrlMembers, p_oWalk);
        --p_oWalk.m_iDepth;
    }
    AppendItem(p_oList, std::move(oList));
}

void CExMAPI::CImpl::AddABRow(CExMAPI& p_oThis, const SRow& p_oRow, CMessageRecipientList& p_oList, CListWalk& p_oWalk)
{
    const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
    if (!ovEntryId)
        return;
    const std::string sName = StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or("");
    const LONG lType = LongProp(p_oRow, PR_OBJECT_TYPE).value_or(0);
    if (lType == MAPI_DISTLIST)
    {
        AddABList(p_oThis, *ovEntryId, sName, p_oList, p_oWalk);
        return;
    }
    if (lType != MAPI_MAILUSER)
        return;
    std::string sEmail;
    if (EqualsNoCase(StringProp(p_oRow, PR_ADDRTYPE_A).value_or(""), "SMTP"))
        sEmail = StringProp(p_oRow, PR_EMAIL_ADDRESS_A).value_or("");
    else
        sEmail = p_oThis.GetMatchingABSMTPAddress(*ovEntryId).value_or("");
    const std::optional<std::string> osMobile = StringProp(p_oRow, PR_MOBILE_TELEPHONE_NUMBER_A);
    AppendItem(p_oList, NewPersonRecipient(MakeEntry(EID_TYPE_AB, static_cast<uint32_t>(ovEntryId->size()),
                                                     ovEntryId->data(), AddressBookEntryAllocator()),
                                           osMobile && !osMobile->empty() ? osMobile->c_str() : nullptr,
                                           sEmail.empty() ? nullptr : sEmail.c_str(), sName.c_str()));
}

HRESULT CExMAPI::CImpl::ExpandABList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, CMessageRecipientList& p_oList,
                                     CListWalk& p_oWalk)
{
    com_ptr<IABContainer> pDistList;
    HRESULT hr = OpenABEntry(p_oThis, p_vEntryId, 0, reinterpret_cast<IUnknown**>(pDistList.put()));
    if (FAILED(hr))
        return hr;
    com_ptr<IMAPITable> pAddresses;
    hr = OpenContainerTable(pDistList.get(), pAddresses);
    if (FAILED(hr))
        return hr;
    ULONG ulRows = 0;
    hr = EXMAPI_CALL(pAddresses->GetRowCount(0, &ulRows), "lpAddresses->GetRowCount");
    if (FAILED(hr) || ulRows == 0)
        return hr;
    unique_mapi_rows pRows;
    hr = EXMAPI_CALL(pAddresses->QueryRows(static_cast<LONG>(ulRows), 0, pRows.put()), "lpAddresses->QueryRows");
    if (FAILED(hr) || !pRows)
        return hr;
    for (ULONG i = 0; i < pRows.get()->cRows; ++i)
        AddABRow(p_oThis, pRows.get()->aRow[i], p_oList, p_oWalk);
    return S_OK;
}

HRESULT CExMAPI::AddAllRecipientsInABDistList(const CEntryBytes& p_vEntryId, CMessageRecipientList& p_oList)
{
    CListWalk oWalk;
    oWalk.m_setVisited.insert(p_vEntryId);
    return CImpl::ExpandABList(*this, p_vEntryId, p_oList, oWalk);
}

HRESULT CExMAPI::RetrieveAllMessageRecipientsInABFolder(const CEntryBytes& p_vFolder, CMessageRecipientList& p_oList)
{
    com_ptr<IABContainer> pContainer;
    HRESULT hr = CImpl::OpenABEntry(*this, p_vFolder, 0, reinterpret_cast<IUnknown**>(pContainer.put()));
    if (FAILED(hr))
        return hr;
    com_ptr<IMAPITable> pAddresses;
    hr = OpenContainerTable(pContainer.get(), pAddresses);
    if (FAILED(hr))
        return hr;
    return ForEachRow(pAddresses.get(), [&](const SRow& p_oRow) {
        // Each entry of the folder is expanded on its own, so every list carries all its members.
        CListWalk oWalk;
        CImpl::AddABRow(*this, p_oRow, p_oList, oWalk);
        return true;
    });
}
