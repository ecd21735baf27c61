// Addressbook/addressbook/check_address_book_win.cpp: CCheckAddressBook.
#include "Addressbook/addressbook/check_address_book_win.h"

#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/item_list.h"
#include "common/failure_log.h"
#include "common/mapi_owner_win.h"
#include "common/trace_log.h"

#include <mapitags.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace
{
std::string Upper(std::string p_s)
{
    std::transform(p_s.begin(), p_s.end(), p_s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return p_s;
}

// The name is the text, or one of its words begins with it.
bool NameMatches(const std::string& p_sName, const std::string& p_sUpperText)
{
    const std::string sName = Upper(p_sName);
    if (sName == p_sUpperText)
        return true;
    for (size_t at = 0; at < sName.size(); ++at)
        if ((at == 0 || sName[at - 1] == ' ') && sName.compare(at, p_sUpperText.size(), p_sUpperText) == 0)
            return true;
    return false;
}

EntryPtr EntryOf(int32_t p_iKind, const CEntryBytes& p_vEntryId)
{
    return MakeEntry(p_iKind, static_cast<uint32_t>(p_vEntryId.size()), p_vEntryId.data(), nullptr);
}

RecipientPtr RecipientOf(int32_t p_iKind, const CEntryBytes& p_vEntryId, const CEntryDetails& p_oDetails)
{
    if (p_oDetails.m_bDistList)
        return NewListRecipient(EntryOf(p_iKind, p_vEntryId), p_oDetails.m_sName.c_str());
    return NewPersonRecipient(EntryOf(p_iKind, p_vEntryId), p_oDetails.m_sMobile.c_str(), p_oDetails.m_sEmail.c_str(),
                              p_oDetails.m_sName.c_str());
}
} // namespace

HRESULT CCheckAddressBook::ResolveOne(const std::string& p_sText, CEntryBytes& p_vEntryId)
{
    IAddrBook* pAddressBook = m_oThread.AddressBook();
    const CMapiFunctions& oFunctions = m_oExMapi.Mapi().Functions();
    if (pAddressBook == nullptr || oFunctions.m_pfnMAPIAllocateBuffer == nullptr)
    {
        LOG_FAILURE("no address book on this thread");
        return MAPI_E_NOT_INITIALIZED;
    }
    // One entry with its one value, each in a buffer of its own as FreePadrlist frees them.
    unique_mapi_adrlist pList;
    LPVOID pvList = nullptr;
    RETURN_IF_FAILED(oFunctions.m_pfnMAPIAllocateBuffer(CbNewADRLIST(1), &pvList));
    pList.reset(static_cast<LPADRLIST>(pvList));
    std::memset(pvList, 0, CbNewADRLIST(1));
    pList.get()->cEntries = 1;
    LPVOID pvProps = nullptr;
    RETURN_IF_FAILED(oFunctions.m_pfnMAPIAllocateBuffer(sizeof(SPropValue) + p_sText.size() + 1, &pvProps));
    auto* pProp = static_cast<LPSPropValue>(pvProps);
    char* szText = reinterpret_cast<char*>(pProp + 1);
    std::memcpy(szText, p_sText.c_str(), p_sText.size() + 1);
    pProp->ulPropTag = PR_DISPLAY_NAME_A;
    pProp->Value.lpszA = szText;
    pList.get()->aEntries[0].cValues = 1;
    pList.get()->aEntries[0].rgPropVals = pProp;

    const HRESULT hr = pAddressBook->ResolveName(0, 0, nullptr, pList.get());
    if (hr == MAPI_E_NOT_FOUND || hr == MAPI_E_AMBIGUOUS_RECIP)
        return hr;
    RETURN_IF_FAILED(hr);
    const ADRENTRY& oEntry = pList.get()->aEntries[0];
    for (ULONG i = 0; i < oEntry.cValues; ++i)
        if (oEntry.rgPropVals[i].ulPropTag == PR_ENTRYID)
        {
            const SBinary& oBin = oEntry.rgPropVals[i].Value.bin;
            p_vEntryId.assign(oBin.lpb, oBin.lpb + oBin.cb);
            return S_OK;
        }
    return MAPI_E_NOT_FOUND;
}

void CCheckAddressBook::Candidates(const std::string& p_sText, std::vector<RecipientPtr>& p_vMatches)
{
    const std::string sUpper = Upper(p_sText);
    for (const CFolderEntry& oFolder : m_oExMapi.AddressBookFolders())
    {
        RecipientListPtr mrlAll = NewList<CMessageRecipientList>();
        if (FAILED(LOG_IF_FAILED(m_oExMapi.RetrieveAllMessageRecipientsInABFolder(oFolder.m_vEntryId, *mrlAll))))
            continue;
        for (auto* p_oNode = mrlAll->m_p_oFirst; p_oNode != nullptr; p_oNode = p_oNode->m_p_oNext)
        {
            const CMessageRecipient& oRow = *p_oNode->m_p_oItem;
            if (NameMatches(std::string(TextOf(oRow.m_szName)), sUpper) ||
                Upper(std::string(TextOf(oRow.m_szEmail))) == sUpper)
                p_vMatches.push_back(CopyRecipient(oRow, false));
        }
    }
}

void CCheckAddressBook::Resolve(const std::string& p_sText, std::vector<RecipientPtr>& p_vMatches)
{
    CEntryBytes vEntryId;
    const HRESULT hr = ResolveOne(p_sText, vEntryId);
    if (hr == MAPI_E_AMBIGUOUS_RECIP)
    {
        Candidates(p_sText, p_vMatches);
        return;
    }
    if (FAILED(hr))
        return;
    CEntryDetails oDetails;
    if (FAILED(LOG_IF_FAILED(m_oExMapi.RetrieveDetailsForABUser(vEntryId, oDetails))))
        return;
    p_vMatches.push_back(RecipientOf(EID_TYPE_AB, vEntryId, oDetails));
}

bool CCheckAddressBook::ExpandList(const CEntryID& p_oList, CMessageRecipientList& p_oMembers)
{
    const CEntryBytes vEntryId(p_oList.m_p_bBytes, p_oList.m_p_bBytes + p_oList.m_dwByteCount);
    const HRESULT hr = p_oList.m_iKind == EID_TYPE_AB
                           ? m_oExMapi.AddAllRecipientsInABDistList(vEntryId, p_oMembers)
                           : m_oExMapi.AddAllRecipientsInNormalDistList(vEntryId, p_oMembers);
    return SUCCEEDED(hr);
}

RecipientPtr CCheckAddressBook::CreateContact(const CEntryDetails& p_oDetails)
{
    CEntryBytes vEntryId;
    if (FAILED(LOG_IF_FAILED(m_oExMapi.CreateContact(p_oDetails, &vEntryId))) || vEntryId.empty())
        return nullptr;
    return RecipientOf(EID_TYPE_STORE, vEntryId, p_oDetails);
}

bool CCheckAddressBook::WriteMobile(const CMessageRecipient& p_oRecipient, const std::string& p_sMobile)
{
    const CEntryID* p_oEntry = p_oRecipient.m_p_oEntry;
    if (p_oEntry == nullptr || p_oEntry->m_dwByteCount == 0 || p_oEntry->m_iKind == EID_TYPE_BULK)
        return false;
    const CEntryBytes vEntryId(p_oEntry->m_p_bBytes, p_oEntry->m_p_bBytes + p_oEntry->m_dwByteCount);
    CEntryDetails oDetails;
    const bool bAb = p_oEntry->m_iKind == EID_TYPE_AB;
    if (FAILED(LOG_IF_FAILED(bAb ? m_oExMapi.RetrieveDetailsForABUser(vEntryId, oDetails)
                                 : m_oExMapi.RetrieveDetailsForNormalUser(vEntryId, oDetails))))
        return false;
    oDetails.m_sMobile = p_sMobile;
    return SUCCEEDED(LOG_IF_FAILED(bAb ? m_oExMapi.SetABUserDetails(vEntryId, oDetails)
                                       : m_oExMapi.SetNormalUserDetails(vEntryId, oDetails)));
}
