// Addressbook/frame/select_exports.cpp: the address-book exports the recipient fields use:
// SelectRecipients (the "Select Recipients" dialog), ShowProperties (an entry's details through the
// address book, then read again) and CompleteText (inline completion of a typed name).
#include "Addressbook/addressbook/exmapi_win.h"
#include "Addressbook/frame/exports.h"
#include "Addressbook/frame/library.h"
#include "Addressbook/messaging/entry_id.h"
#include "Addressbook/messaging/item_list.h"
#include "Addressbook/messaging/owned_string.h"
#include "Addressbook/messaging/recipient.h"
#include "Addressbook/ui/select_recipients_dialog.h"
#include "common/boundary.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <mapicode.h>

#include <algorithm>
#include <utility>

namespace
{
// The contact address book's provider uid: a contact-folder item is an address entry inside an id
// of this provider, with a type byte naming what it is (a contact's e-mail slot, or a list).
const uint8_t kContactsProviderUid[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                          0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};

CEntryBytes WrappedContactEntry(const CEntryBytes& p_vMessage, uint8_t p_bType)
{
    CEntryBytes vEntry(4 + sizeof(kContactsProviderUid) + 1 + p_vMessage.size(), 0);
    std::copy(std::begin(kContactsProviderUid), std::end(kContactsProviderUid), vEntry.begin() + 4);
    vEntry[4 + sizeof(kContactsProviderUid)] = p_bType;
    std::copy(p_vMessage.begin(), p_vMessage.end(), vEntry.begin() + 5 + sizeof(kContactsProviderUid));
    return vEntry;
}

HRESULT ShowDetails(IAddrBook& p_oBook, HWND p_hOwner, CEntryBytes p_vEntry)
{
    ULONG ulUIParam = static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(p_hOwner));
    return p_oBook.Details(&ulUIParam, nullptr, nullptr, static_cast<ULONG>(p_vEntry.size()),
                           reinterpret_cast<LPENTRYID>(p_vEntry.data()), nullptr, nullptr, nullptr, DIALOG_MODAL);
}

// The details window of the entry behind a recipient. A contact-folder item is shown as the
// contact address book holds it: a list as a list, a contact by its first e-mail slot that exists.
HRESULT ShowEntryDetails(IAddrBook& p_oBook, HWND p_hOwner, const CMessageRecipient& p_oRecipient)
{
    const CEntryID& oEntry = *p_oRecipient.m_p_oEntry;
    const CEntryBytes vEntry(oEntry.m_p_bBytes, oEntry.m_p_bBytes + oEntry.m_dwByteCount);
    if (oEntry.m_iKind == EID_TYPE_AB)
        return ShowDetails(p_oBook, p_hOwner, vEntry);
    if (p_oRecipient.m_iKind == kKindDistList)
        return ShowDetails(p_oBook, p_hOwner, WrappedContactEntry(vEntry, 0xB4));
    HRESULT hr = MAPI_E_NOT_FOUND;
    for (uint8_t bSlot = 0; bSlot < 3 && hr == MAPI_E_NOT_FOUND; ++bSlot)
        hr = ShowDetails(p_oBook, p_hOwner, WrappedContactEntry(vEntry, static_cast<uint8_t>(0x83 | (4 + bSlot) << 4)));
    return hr;
}

// Reads the entry again and gives the recipient what it now says; its options, members and extra
// properties stay.
void Reread(CExMAPI& p_oExMapi, CMessageRecipient& p_oRecipient)
{
    const CEntryID& oEntry = *p_oRecipient.m_p_oEntry;
    const CEntryBytes vEntry(oEntry.m_p_bBytes, oEntry.m_p_bBytes + oEntry.m_dwByteCount);
    CEntryDetails oDetails;
    const HRESULT hr = oEntry.m_iKind == EID_TYPE_AB ? p_oExMapi.RetrieveDetailsForABUser(vEntry, oDetails)
                                                     : p_oExMapi.RetrieveDetailsForNormalUser(vEntry, oDetails);
    if (FAILED(LOG_IF_FAILED(hr)))
        return;
    if (oDetails.m_bDistList || p_oRecipient.m_iKind == kKindDistList)
    {
        ReplaceOwnedString(p_oRecipient.m_szName, MakeOwnedString(oDetails.m_sName));
        ReplaceOwnedString(p_oRecipient.m_szDisplayText, MakeOwnedString(oDetails.m_sName));
        return;
    }
    RecipientPtr p_oFresh = NewPersonRecipient(CopyEntry(oEntry), oDetails.m_sMobile.c_str(), oDetails.m_sEmail.c_str(),
                                               oDetails.m_sName.c_str());
    std::swap(p_oRecipient.m_dwState, p_oFresh->m_dwState);
    std::swap(p_oRecipient.m_iKind, p_oFresh->m_iKind);
    std::swap(p_oRecipient.m_szDisplayText, p_oFresh->m_szDisplayText);
    std::swap(p_oRecipient.m_szMobile, p_oFresh->m_szMobile);
    std::swap(p_oRecipient.m_szEmail, p_oFresh->m_szEmail);
    std::swap(p_oRecipient.m_szName, p_oFresh->m_szName);
    std::swap(p_oRecipient.m_p_oEntry, p_oFresh->m_p_oEntry);
}

CExMAPI* AddressBooks(const char* p_szExport)
{
    CExMAPI* p_oExMapi = Library().m_p_oExMapi.get();
    if (p_oExMapi == nullptr)
        Log("%s: the library has no address books open", p_szExport);
    return p_oExMapi;
}

int RunSelectRecipients(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList** p_pp_mrlCc)
{
    CExMAPI* p_oExMapi = AddressBooks("SelectRecipients");
    if (p_oExMapi == nullptr)
        return 0;
    CSelectRecipientsDialog oDialog(*p_oExMapi, Library().m_oRegistry, p_pp_mrlTo ? *p_pp_mrlTo : nullptr,
                                    p_pp_mrlCc ? *p_pp_mrlCc : nullptr);
    if (!oDialog.Run(Library().OwnerFor(p_hParent)))
        return 0;
    const auto replace = [](CMessageRecipientList** p_pp_mrlList, RecipientListPtr p_mrlChosen) {
        if (p_pp_mrlList == nullptr)
            return;
        DestroyList(*p_pp_mrlList);
        *p_pp_mrlList = p_mrlChosen.release();
    };
    replace(p_pp_mrlTo, oDialog.TakeTo());
    replace(p_pp_mrlCc, oDialog.TakeCc());
    return 1;
}

int RunShowProperties(CMessageRecipient* p_p_oRecipient, HWND p_hParent)
{
    // A recipient made by hand has no entry whose properties could be shown.
    if (p_p_oRecipient == nullptr || p_p_oRecipient->m_p_oEntry == nullptr ||
        p_p_oRecipient->m_p_oEntry->m_iKind == EID_TYPE_BULK || p_p_oRecipient->m_p_oEntry->m_dwByteCount == 0)
        return 0;
    CExMAPI* p_oExMapi = AddressBooks("ShowProperties");
    IAddrBook* pBook = Library().m_oThreadValues.AddressBook();
    if (p_oExMapi == nullptr || pBook == nullptr)
        return 0;
    const CEntryID& oEntry = *p_p_oRecipient->m_p_oEntry;
    const HRESULT hr = p_oExMapi->IsOutlook97Session() && oEntry.m_iKind != EID_TYPE_AB
                           ? p_oExMapi->ShowPropertiesUsingOutlook97(
                                 CEntryBytes(oEntry.m_p_bBytes, oEntry.m_p_bBytes + oEntry.m_dwByteCount))
                           : ShowEntryDetails(*pBook, Library().OwnerFor(p_hParent), *p_p_oRecipient);
    if (hr == MAPI_E_USER_CANCEL)
        return -1;
    if (FAILED(LOG_IF_MAPI_FAILED(hr)))
        return 0;
    Reread(*p_oExMapi, *p_p_oRecipient);
    return 1;
}
} // namespace

extern "C"
{
    int CORVANE_API SelectRecipients(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo,
                                     CMessageRecipientList** p_pp_mrlCc)
    {
        return TrapExceptions("SelectRecipients", 0,
                              [&]() -> int { return RunSelectRecipients(p_hParent, p_pp_mrlTo, p_pp_mrlCc); });
    }

    int CORVANE_API CompleteText(const char* p_szPrefix, char** p_pszCompletion)
    {
        return TrapExceptions("CompleteText", 0, [&]() -> int {
            if (p_pszCompletion == nullptr)
                return 0;
            *p_pszCompletion = nullptr;
            CExMAPI* p_oExMapi = AddressBooks("CompleteText");
            if (p_oExMapi == nullptr || p_szPrefix == nullptr)
                return 0;
            const std::optional<std::string> osName = p_oExMapi->CompleteTheText(p_szPrefix);
            if (!osName)
                return 0;
            *p_pszCompletion = MakeOwnedString(*osName).release();
            return 1;
        });
    }

    int CORVANE_API ShowProperties(CMessageRecipient* p_p_oRecipient, HWND p_hParent)
    {
        return TrapExceptions("ShowProperties", 0,
                              [&]() -> int { return RunShowProperties(p_p_oRecipient, p_hParent); });
    }
}
