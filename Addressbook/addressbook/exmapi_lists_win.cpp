// Addressbook/addressbook/exmapi_lists_win.cpp: expanding a contact-folder distribution list
// through its member entry ids, each member read as what it wraps (a contact, another list, an
// address-book user or list, a one-off address).
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "Addressbook/addressbook/exmapi_members.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/messaging/recipient_list.h"
#include "common/text_win.h"
#include "common/trace_log.h"

#include <mapicode.h>

using namespace exmapi;

namespace
{
std::string WideText(std::u16string_view p_sText)
{
    return WideToAnsi(std::wstring_view(reinterpret_cast<const wchar_t*>(p_sText.data()), p_sText.size()));
}

// The member and one-off member tags of a list, as its store maps them.
bool ListMemberTags(IMAPIProp* p_pList, ULONG& p_ulMembers, ULONG& p_ulOneOffs)
{
    MAPINAMEID aNames[2] = {};
    LPMAPINAMEID apNames[2] = {&aNames[0], &aNames[1]};
    for (MAPINAMEID& oName : aNames)
    {
        oName.lpguid = const_cast<GUID*>(&ContactPropertySet());
        oName.ulKind = MNID_ID;
    }
    aNames[0].Kind.lID = kLidDistListMembers;
    aNames[1].Kind.lID = kLidDistListOneOffMembers;
    unique_mapi_buffer<SPropTagArray> pTags;
    if (FAILED(LOG_IF_MAPI_FAILED(p_pList->GetIDsFromNames(2, apNames, 0, pTags.put()))) || !pTags)
        return false;
    auto tagOf = [](ULONG p_ulTag) {
        return PROP_TYPE(p_ulTag) == PT_ERROR ? PR_NULL : PROP_TAG(PT_MV_BINARY, PROP_ID(p_ulTag));
    };
    p_ulMembers = tagOf(pTags.get()->aulPropTag[0]);
    p_ulOneOffs = tagOf(pTags.get()->aulPropTag[1]);
    return p_ulMembers != PR_NULL || p_ulOneOffs != PR_NULL;
}

std::vector<CEntryBytes> BinaryValues(const SPropValue* p_pProp)
{
    std::vector<CEntryBytes> vValues;
    if (!p_pProp)
        return vValues;
    for (ULONG i = 0; i < p_pProp->Value.MVbin.cValues; ++i)
    {
        const SBinary& oBin = p_pProp->Value.MVbin.lpbin[i];
        vValues.emplace_back(oBin.lpb, oBin.lpb + oBin.cb);
    }
    return vValues;
}

void AddOneOff(const COneOffAddress& p_oOneOff, CMessageRecipientList& p_oList)
{
    const bool bSmtp = StartsWithNoCase(p_oOneOff.m_sAddrType, "SMTP") && p_oOneOff.m_sAddrType.size() == 4;
    const std::string& sName = p_oOneOff.m_sName.empty() ? p_oOneOff.m_sAddress : p_oOneOff.m_sName;
    AppendItem(p_oList,
               NewPersonRecipient(nullptr, nullptr, bSmtp ? p_oOneOff.m_sAddress.c_str() : nullptr, sName.c_str()));
}
} // namespace

void CExMAPI::CImpl::AddNormalList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId, const std::string& p_sName,
                                   CMessageRecipientList& p_oList, CListWalk& p_oWalk)
{
    if (!p_oWalk.m_setVisited.insert(p_vEntryId).second)
        return;
    RecipientPtr oList = NewListRecipient(MakeEntry(EID_TYPE_STORE, static_cast<uint32_t>(p_vEntryId.size()),
                                                    p_vEntryId.data(), AddressBookEntryAllocator()),
                                          p_sName.c_str());
    EnsureMembersList(*oList);
    if (p_oWalk.m_iDepth < kMaxListNesting)
    {
        ++p_oWalk.m_iDepth;
        (void)ExpandNormalList(p_oThis, p_vEntryId, *oList->m_p_mrlMembers, p_oWalk);
        --p_oWalk.m_iDepth;
    }
    AppendItem(p_oList, std::move(oList));
}

void CExMAPI::CImpl::AddNormalListMember(CExMAPI& p_oThis, const CEntryBytes& p_vMember,
                                         const std::optional<CEntryBytes>& p_ovOneOff, CMessageRecipientList& p_oList,
                                         CListWalk& p_oWalk)
{
    const std::optional<CListMember> oMember = DecodeListMember(p_vMember, WideText);
    CEntryDetails oDetails;
    HRESULT hr = MAPI_E_INVALID_ENTRYID;
    if (oMember)
    {
        com_ptr<IMAPIProp> pEntry;
        switch (oMember->m_eKind)
        {
        case EListMember::OneOff:
            AddOneOff(*oMember->m_oOneOff, p_oList);
            return;
        case EListMember::Contact:
        case EListMember::PersonalList:
            hr = OpenStoreEntry(p_oThis, oMember->m_vEntryId, 0, reinterpret_cast<IUnknown**>(pEntry.put()));
            if (SUCCEEDED(hr))
                hr = ReadContact(p_oThis, pEntry.get(), oDetails, oMember->m_oiEmailSlot);
            if (SUCCEEDED(hr) && oDetails.m_bDistList)
                AddNormalList(p_oThis, oMember->m_vEntryId, oDetails.m_sName, p_oList, p_oWalk);
            else if (SUCCEEDED(hr))
                AddStorePerson(p_oThis, oMember->m_vEntryId, oDetails, p_oList);
            break;
        case EListMember::GalUser:
        case EListMember::GalList:
            hr = OpenABEntry(p_oThis, oMember->m_vEntryId, 0, reinterpret_cast<IUnknown**>(pEntry.put()));
            if (SUCCEEDED(hr))
                hr = ReadABUser(p_oThis, pEntry.get(), oDetails);
            if (SUCCEEDED(hr) && oDetails.m_bDistList)
                AddABList(p_oThis, oMember->m_vEntryId, oDetails.m_sName, p_oList, p_oWalk);
            else if (SUCCEEDED(hr))
                AppendItem(p_oList,
                           NewPersonRecipient(MakeEntry(EID_TYPE_AB, static_cast<uint32_t>(oMember->m_vEntryId.size()),
                                                        oMember->m_vEntryId.data(), AddressBookEntryAllocator()),
                                              oDetails.m_sMobile.empty() ? nullptr : oDetails.m_sMobile.c_str(),
                                              oDetails.m_sEmail.empty() ? nullptr : oDetails.m_sEmail.c_str(),
                                              oDetails.m_sName.c_str()));
            break;
        }
    }
    if (SUCCEEDED(hr))
        return;
    // A member that is gone (or unreadable) is still known by the one-off kept beside it.
    if (p_ovOneOff)
        if (std::optional<COneOffAddress> oOneOff = DecodeOneOffEntryId(*p_ovOneOff, WideText))
        {
            AddOneOff(*oOneOff, p_oList);
            return;
        }
    LOG_FAILURE("A distribution list member could not be read: hr 0x%08lX", static_cast<unsigned long>(hr));
}

HRESULT CExMAPI::CImpl::ExpandNormalList(CExMAPI& p_oThis, const CEntryBytes& p_vEntryId,
                                         CMessageRecipientList& p_oList, CListWalk& p_oWalk)
{
    com_ptr<IMessage> pMessage;
    HRESULT hr = OpenStoreEntry(p_oThis, p_vEntryId, 0, reinterpret_cast<IUnknown**>(pMessage.put()));
    if (FAILED(hr))
        return hr;
    ULONG ulMembers = PR_NULL, ulOneOffs = PR_NULL;
    if (!ListMemberTags(pMessage.get(), ulMembers, ulOneOffs))
        return S_OK; // a store that never saw a list member has no members to give
    CTags<2> oTags{2, {ulMembers, ulOneOffs}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pProps;
    hr = EXMAPI_CALL(pMessage->GetProps(oTags.get(), 0, &ulCount, pProps.put()), "lpMessage->GetProps");
    if (FAILED(hr))
        return hr;
    const std::vector<CEntryBytes> vMembers = BinaryValues(FindProp(pProps.get(), ulCount, ulMembers));
    const std::vector<CEntryBytes> vOneOffs = BinaryValues(FindProp(pProps.get(), ulCount, ulOneOffs));
    // The two properties run in step; a list written with one-offs only is read from them.
    const std::vector<CEntryBytes>& vPrimary = vMembers.empty() ? vOneOffs : vMembers;
    for (size_t i = 0; i < vPrimary.size(); ++i)
        AddNormalListMember(p_oThis, vPrimary[i], i < vOneOffs.size() ? std::optional(vOneOffs[i]) : std::nullopt,
                            p_oList, p_oWalk);
    return S_OK;
}

HRESULT CExMAPI::AddAllRecipientsInNormalDistList(const CEntryBytes& p_vEntryId, CMessageRecipientList& p_oList)
{
    CListWalk oWalk;
    oWalk.m_setVisited.insert(p_vEntryId);
    return CImpl::ExpandNormalList(*this, p_vEntryId, p_oList, oWalk);
}
