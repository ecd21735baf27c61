// Addressbook/addressbook/exmapi_contacts_win.cpp: CExMAPI's contact folders: the entries of a
// folder, the details of one contact, writing them back, creating a contact, and name completion.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "Addressbook/addressbook/contact_email.h"
#include "Addressbook/addressbook/exmapi_members.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/recipient.h"
#include "common/late_bound_win.h"

#include <mapicode.h>

using namespace exmapi;

namespace
{
constexpr const char* kDistListClass = "IPM.DistList";

// The columns of a contact folder's contents table: the nine e-mail slots, then the person.
CTags<15> ContactColumns(const CContactEmailTags& p_aEmailTags)
{
    CTags<15> oTags;
    std::copy(p_aEmailTags.begin(), p_aEmailTags.end(), oTags.m_aulPropTag);
    const ULONG aPerson[6] = {
        PR_DISPLAY_NAME_A, PR_MOBILE_TELEPHONE_NUMBER_A, PR_ENTRYID, PR_MESSAGE_CLASS_A, PR_GIVEN_NAME_A, PR_SURNAME_A};
    std::copy(aPerson, aPerson + 6, oTags.m_aulPropTag + 9);
    return oTags;
}

// The first display name in p_pTable that starts with p_sPrefix, whatever its case.
std::optional<std::string> FirstNameWithPrefix(IMAPITable* p_pTable, const std::string& p_sPrefix)
{
    CTags<1> oColumns{1, {PR_DISPLAY_NAME_A}};
    if (FAILED(LOG_IF_MAPI_FAILED(p_pTable->SetColumns(oColumns.get(), 0))))
        return std::nullopt;
    SSortOrderSet oSort{1, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}}};
    // A table that cannot sort is still searched in its own order.
    (void)p_pTable->SortTable(&oSort, 0);
    SPropValue oPrefix{};
    oPrefix.ulPropTag = PR_DISPLAY_NAME_A;
    oPrefix.Value.lpszA = const_cast<char*>(p_sPrefix.c_str());
    SRestriction oRestriction{};
    oRestriction.rt = RES_CONTENT;
    oRestriction.res.resContent = {FL_PREFIX | FL_IGNORECASE, PR_DISPLAY_NAME_A, &oPrefix};
    std::optional<std::string> osFound;
    if (SUCCEEDED(p_pTable->Restrict(&oRestriction, 0)))
    {
        (void)ForEachRow(p_pTable, [&](const SRow& p_oRow) {
            osFound = StringProp(p_oRow, PR_DISPLAY_NAME_A);
            return !osFound;
        });
        return osFound;
    }
    // Without content restrictions the rows are compared here.
    (void)ForEachRow(p_pTable, [&](const SRow& p_oRow) {
        const std::optional<std::string> osName = StringProp(p_oRow, PR_DISPLAY_NAME_A);
        if (osName && StartsWithNoCase(*osName, p_sPrefix))
            osFound = osName;
        return !osFound;
    });
    return osFound;
}
} // namespace

HRESULT CExMAPI::CImpl::OpenStoreEntry(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, ULONG p_ulFlags,
                                       IUnknown** p_ppObject)
{
    IMAPISession* pSession = p_oThis.m_oThread.Session();
    if (!pSession)
    {
        LOG_FAILURE("The thread has no MAPI session");
        return MAPI_E_NOT_INITIALIZED;
    }
    ULONG ulType = 0;
    return EXMAPI_CALL(pSession->OpenEntry(static_cast<ULONG>(p_vEntryId.size()),
                                           reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vEntryId.data())), nullptr,
                                           p_ulFlags | MAPI_BEST_ACCESS, &ulType, p_ppObject),
                       "pmsMapiSession->OpenEntry");
}

std::string CExMAPI::CImpl::ContactEmail(CExMAPI& p_oThis, const SPropValue* p_aProps, ULONG p_nProps,
                                         std::optional<int> p_oiSlot)
{
    const CContactEmailTags& aTags = p_oThis.m_aContactEmailTags;
    CContactEmailSlots aSlots;
    for (size_t i = 0; i < aSlots.size(); ++i)
    {
        aSlots[i].m_osAddrType = StringProp(p_aProps, p_nProps, aTags[3 * i]);
        aSlots[i].m_osAddress = StringProp(p_aProps, p_nProps, aTags[3 * i + 1]);
        aSlots[i].m_ovOriginalEntryId = BinaryProp(p_aProps, p_nProps, aTags[3 * i + 2]);
    }
    const ExchangeAddressResolver fnResolve = [&](const CEntryBytes& p_vEntryId) {
        return p_oThis.GetMatchingABSMTPAddress(p_vEntryId);
    };
    if (p_oiSlot && *p_oiSlot >= 0 && *p_oiSlot < static_cast<int>(aSlots.size()))
    {
        CContactEmailSlots aNamed;
        aNamed[0] = aSlots[static_cast<size_t>(*p_oiSlot)];
        if (std::string sEmail = ChooseContactEmail(aNamed, fnResolve); !sEmail.empty())
            return sEmail;
    }
    return ChooseContactEmail(aSlots, fnResolve);
}

HRESULT CExMAPI::CImpl::ReadContact(CExMAPI& p_oThis, IMAPIProp* p_pContact, CEntryDetails& p_oDetails,
                                    std::optional<int> p_oiSlot)
{
    CTags<15> oTags = ContactColumns(p_oThis.m_aContactEmailTags);
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pProps;
    const HRESULT hr = EXMAPI_CALL(p_pContact->GetProps(oTags.get(), 0, &ulCount, pProps.put()), "lpMessage->GetProps");
    if (FAILED(hr))
        return hr;
    const SPropValue* aProps = pProps.get();
    ReadNameProps(aProps, ulCount, p_oDetails);
    p_oDetails.m_bDistList = EqualsNoCase(StringProp(aProps, ulCount, PR_MESSAGE_CLASS_A).value_or(""), kDistListClass);
    if (p_oDetails.m_bDistList)
        return S_OK;
    p_oDetails.m_sMobile = StringProp(aProps, ulCount, PR_MOBILE_TELEPHONE_NUMBER_A).value_or("");
    p_oDetails.m_sEmail = ContactEmail(p_oThis, aProps, ulCount, p_oiSlot);
    return S_OK;
}

HRESULT CExMAPI::RetrieveDetailsForNormalUser(const CEntryBytes& p_vEntryId, CEntryDetails& p_oDetails)
{
    com_ptr<IMessage> pMessage;
    const HRESULT hr = CImpl::OpenStoreEntry(*this, p_vEntryId, 0, reinterpret_cast<IUnknown**>(pMessage.put()));
    if (FAILED(hr))
        return hr;
    return CImpl::ReadContact(*this, pMessage.get(), p_oDetails);
}

HRESULT CExMAPI::ShowPropertiesUsingOutlook97(const CEntryBytes& p_vEntryId)
{
    IDispatch* pApplication = m_oThread.Dispatch() ? m_oThread.Dispatch() : m_oSettings.m_pDispOutlookApplication;
    if (pApplication == nullptr || p_vEntryId.empty())
    {
        LOG_FAILURE("no object model to show the item with");
        return MAPI_E_NO_SUPPORT;
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string sEntryId;
    for (const BYTE b : p_vEntryId)
        sEntryId += {kHex[b >> 4], kHex[b & 15]};
    const CVariant oMapi(L"MAPI"), oEntryId(sEntryId);
    const CVariant oNamespace = CallMethod(pApplication, L"GetNamespace", {&oMapi.m_v});
    const CVariant oItem =
        oNamespace.Object() ? CallMethod(oNamespace.Object(), L"GetItemFromID", {&oEntryId.m_v}) : CVariant();
    if (oItem.Object() == nullptr)
        return MAPI_E_NOT_FOUND;
    const CVariant oModal(true);
    return CallMember(oItem.Object(), L"Display", DISPATCH_METHOD, {&oModal.m_v}, nullptr);
}

void CExMAPI::CImpl::AddStorePerson(CExMAPI&, const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails,
                                    CMessageRecipientList& p_oList)
{
    AppendItem(p_oList, NewPersonRecipient(MakeEntry(EID_TYPE_STORE, static_cast<uint32_t>(p_vEntryId.size()),
                                                     p_vEntryId.data(), AddressBookEntryAllocator()),
                                           p_oDetails.m_sMobile.empty() ? nullptr : p_oDetails.m_sMobile.c_str(),
                                           p_oDetails.m_sEmail.empty() ? nullptr : p_oDetails.m_sEmail.c_str(),
                                           p_oDetails.m_sName.c_str()));
}

HRESULT CExMAPI::RetrieveAllMessageRecipientsInNormalFolder(const CEntryBytes& p_vFolder,
                                                            CMessageRecipientList& p_oList)
{
    com_ptr<IMAPIFolder> pFolder;
    HRESULT hr = CImpl::OpenStoreEntry(*this, p_vFolder, 0, reinterpret_cast<IUnknown**>(pFolder.put()));
    if (FAILED(hr))
        return hr;
    com_ptr<IMAPITable> pContents;
    hr = pFolder->GetContentsTable(0, pContents.put());
    if (hr == MAPI_E_NO_SUPPORT)
        return S_OK;
    if (FAILED(EXMAPI_CALL(hr, "pFolder->GetContentsTable")))
        return hr;
    CTags<15> oColumns = ContactColumns(m_aContactEmailTags);
    hr = EXMAPI_CALL(pContents->SetColumns(oColumns.get(), 0), "pContents->SetColumns");
    if (FAILED(hr))
        return hr;
    return ForEachRow(pContents.get(), [&](const SRow& p_oRow) {
        const std::optional<CEntryBytes> ovEntryId = BinaryProp(p_oRow, PR_ENTRYID);
        if (!ovEntryId)
            return true;
        CEntryDetails oDetails;
        oDetails.m_sName = StringProp(p_oRow, PR_DISPLAY_NAME_A).value_or("");
        if (EqualsNoCase(StringProp(p_oRow, PR_MESSAGE_CLASS_A).value_or(""), kDistListClass))
        {
            // Each list of the folder is expanded on its own, so it carries all its members.
            exmapi::CListWalk oWalk;
            CImpl::AddNormalList(*this, *ovEntryId, oDetails.m_sName, p_oList, oWalk);
            return true;
        }
        oDetails.m_sMobile = StringProp(p_oRow, PR_MOBILE_TELEPHONE_NUMBER_A).value_or("");
        oDetails.m_sEmail = CImpl::ContactEmail(*this, p_oRow.lpProps, p_oRow.cValues);
        CImpl::AddStorePerson(*this, *ovEntryId, oDetails, p_oList);
        return true;
    });
}

HRESULT CExMAPI::SetNormalUserDetails(const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails)
{
    com_ptr<IMessage> pMessage;
    HRESULT hr = CImpl::OpenStoreEntry(*this, p_vEntryId, MAPI_MODIFY, reinterpret_cast<IUnknown**>(pMessage.put()));
    if (FAILED(hr))
        return hr;
    SPropValue aProps[4] = {};
    ULONG nProps = 0;
    auto add = [&](ULONG p_ulTag, const std::string& p_sValue) {
        aProps[nProps].ulPropTag = p_ulTag;
        aProps[nProps++].Value.lpszA = const_cast<char*>(p_sValue.c_str());
    };
    add(PR_MOBILE_TELEPHONE_NUMBER_A, p_oDetails.m_sMobile);
    // Names are only written when known, so a caller that changed the mobile alone keeps them.
    if (!p_oDetails.m_sName.empty())
        add(PR_DISPLAY_NAME_A, p_oDetails.m_sName);
    if (!p_oDetails.m_sGivenName.empty())
        add(PR_GIVEN_NAME_A, p_oDetails.m_sGivenName);
    if (!p_oDetails.m_sSurname.empty())
        add(PR_SURNAME_A, p_oDetails.m_sSurname);
    unique_mapi_buffer<SPropProblemArray> pProblems;
    hr = EXMAPI_CALL(pMessage->SetProps(nProps, aProps, pProblems.put()), "lpMessage->SetProps");
    if (SUCCEEDED(hr) && pProblems && pProblems.get()->cProblem > 0)
        hr = EXMAPI_CALL(static_cast<HRESULT>(pProblems.get()->aProblem[0].scode), "lpMessage->SetProps");
    if (FAILED(hr))
        return hr;
    return EXMAPI_CALL(pMessage->SaveChanges(KEEP_OPEN_READWRITE), "lpMessage->SaveChanges");
}

HRESULT CExMAPI::CreateContact(const CEntryDetails& p_oDetails, CEntryBytes* p_p_vEntryId)
{
    if (!m_oDefaultContacts)
    {
        LOG_FAILURE("There is no default contacts folder");
        return MAPI_E_NOT_FOUND;
    }
    com_ptr<IMAPIFolder> pFolder;
    HRESULT hr = CImpl::OpenStoreEntry(*this, m_oDefaultContacts->m_vEntryId, MAPI_MODIFY,
                                       reinterpret_cast<IUnknown**>(pFolder.put()));
    if (FAILED(hr))
        return hr;
    com_ptr<IMessage> pMessage;
    hr = EXMAPI_CALL(pFolder->CreateMessage(nullptr, 0, pMessage.put()), "pContactsFolder->CreateMessage");
    if (FAILED(hr))
        return hr;

    // The e-mail goes into Email1 with all three of its values, as the contact e-mail rule reads it.
    const std::string sClass = "IPM.Contact", sSmtp = "SMTP";
    CEntryBytes vOneOff = MakeOneOffEntryId(p_oDetails.m_sName, sSmtp, p_oDetails.m_sEmail);
    SPropValue aProps[10] = {};
    ULONG nProps = 0;
    auto add = [&](ULONG p_ulTag, const std::string& p_sValue) {
        if (PROP_ID(p_ulTag) == PROP_ID_NULL || p_sValue.empty())
            return;
        aProps[nProps].ulPropTag = p_ulTag;
        aProps[nProps++].Value.lpszA = const_cast<char*>(p_sValue.c_str());
    };
    add(PR_MESSAGE_CLASS_A, sClass);
    add(PR_DISPLAY_NAME_A, p_oDetails.m_sName);
    add(PR_SUBJECT_A, p_oDetails.m_sName);
    add(PR_GIVEN_NAME_A, p_oDetails.m_sGivenName);
    add(PR_SURNAME_A, p_oDetails.m_sSurname);
    add(PR_MOBILE_TELEPHONE_NUMBER_A, p_oDetails.m_sMobile);
    if (!p_oDetails.m_sEmail.empty() && PROP_ID(m_aContactEmailTags[2]) != PROP_ID_NULL)
    {
        add(m_aContactEmailTags[0], sSmtp);
        add(m_aContactEmailTags[1], p_oDetails.m_sEmail);
        aProps[nProps].ulPropTag = m_aContactEmailTags[2];
        aProps[nProps].Value.bin.cb = static_cast<ULONG>(vOneOff.size());
        aProps[nProps++].Value.bin.lpb = vOneOff.data();
    }
    hr = EXMAPI_CALL(pMessage->SetProps(nProps, aProps, nullptr), "lpMessage->SetProps");
    if (SUCCEEDED(hr))
        hr = EXMAPI_CALL(pMessage->SaveChanges(KEEP_OPEN_READONLY), "lpMessage->SaveChanges");
    if (FAILED(hr) || !p_p_vEntryId)
        return hr;
    unique_mapi_buffer<SPropValue> pEntryId;
    hr = EXMAPI_CALL(GetOneProp(pMessage.get(), PR_ENTRYID, pEntryId), "lpMessage->GetProps");
    if (SUCCEEDED(hr))
        p_p_vEntryId->assign(pEntryId.get()->Value.bin.lpb,
                             pEntryId.get()->Value.bin.lpb + pEntryId.get()->Value.bin.cb);
    return hr;
}

std::optional<std::string> CExMAPI::CompleteTheText(const std::string& p_sPrefix)
{
    if (p_sPrefix.empty())
        return std::nullopt;
    if (m_oDefaultContacts)
    {
        com_ptr<IMAPIFolder> pFolder;
        com_ptr<IMAPITable> pContents;
        if (SUCCEEDED(CImpl::OpenStoreEntry(*this, m_oDefaultContacts->m_vEntryId, 0,
                                            reinterpret_cast<IUnknown**>(pFolder.put()))) &&
            SUCCEEDED(LOG_IF_MAPI_FAILED(pFolder->GetContentsTable(0, pContents.put()))))
            if (std::optional<std::string> osName = FirstNameWithPrefix(pContents.get(), p_sPrefix))
                return osName;
    }
    for (const CFolderEntry& oContainer : m_vAddressBookFolders)
    {
        com_ptr<IABContainer> pContainer;
        com_ptr<IMAPITable> pContents;
        if (SUCCEEDED(
                CImpl::OpenABEntry(*this, oContainer.m_vEntryId, 0, reinterpret_cast<IUnknown**>(pContainer.put()))) &&
            SUCCEEDED(LOG_IF_MAPI_FAILED(pContainer->GetContentsTable(0, pContents.put()))))
            if (std::optional<std::string> osName = FirstNameWithPrefix(pContents.get(), p_sPrefix))
                return osName;
    }
    return std::nullopt;
}
