// Addressbook/frame/address_book_object.cpp: making and ending the Outlook package's MAPI object.
#include "Addressbook/frame/address_book_object.h"
#include "Addressbook/addressbook/exmapi_win.h"

#include "Addressbook/messaging/recipient_list.h"
#include "Addressbook/reminders/ui/sms_form_events_win.h"
#include "common/trace_log.h"

#include <new>

namespace
{
// Flattening on any thread expands lists through the object with that thread's MAPI values.
bool ExpandDistList(CExMAPI& p_oExMapi, const CEntryID& p_oList, CMessageRecipientList& p_oMembers)
{
    const CEntryBytes vEntryId(p_oList.m_p_bBytes, p_oList.m_p_bBytes + p_oList.m_dwByteCount);
    const HRESULT hr = p_oList.m_iKind == EID_TYPE_AB
                           ? p_oExMapi.AddAllRecipientsInABDistList(vEntryId, p_oMembers)
                           : p_oExMapi.AddAllRecipientsInNormalDistList(vEntryId, p_oMembers);
    return SUCCEEDED(hr);
}
} // namespace

bool CreateAddressBookObject(CLibrary& p_oLibrary, IMAPISession* p_pSession, IDispatch* p_pApplication,
                             bool p_bInternetMailOnly)
{
    if (p_oLibrary.m_p_oExMapi)
        return true;
    CExMapiSettings oSettings;
    oSettings.m_pSession = p_pSession;
    oSettings.m_pDispOutlookApplication = p_pApplication;
    oSettings.m_iVersion = p_oLibrary.m_iPackageVersion;
    oSettings.m_bIMO = p_bInternetMailOnly;
    std::unique_ptr<CExMAPI> p_oExMapi(new (std::nothrow) CExMAPI(oSettings, p_oLibrary.m_oThreadValues));
    if (!p_oExMapi || !p_oExMapi->IsReady())
    {
        Log("Init: the MAPI object did not start: %s", p_oExMapi ? p_oExMapi->Error().Text().c_str() : "out of memory");
        return false;
    }
    CExMAPI& oExMapi = *p_oExMapi;
    p_oLibrary.m_p_oExMapi = std::move(p_oExMapi);
    SetDistListExpander([&oExMapi](const CEntryID& p_oList, CMessageRecipientList& p_oMembers) {
        return ExpandDistList(oExMapi, p_oList, p_oMembers);
    });
    SetFormsStartupMutexAccess([&oExMapi] { return oExMapi.HoldsStartupMutex(); },
                               [&oExMapi] { oExMapi.ReleaseStartupMutex(); });
    return true;
}

void DestroyAddressBookObject(CLibrary& p_oLibrary)
{
    SetDistListExpander({});
    SetFormsStartupMutexAccess({}, {});
    if (!p_oLibrary.m_p_oExMapi)
        return;
    p_oLibrary.m_p_oExMapi->ClearThreadValues();
    p_oLibrary.m_p_oExMapi.reset();
}
