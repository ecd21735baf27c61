// compose/address_book_binding_win.h: CAddressBookControlObject, Quillet's binding to the core library:
// Corvane loaded by the path of the Install value "Addressbook", every export it uses resolved by
// name in a fixed order, and the core's Init called once all are present.
#pragma once

#include "Addressbook/include/corvane_win.h"
#include "common/error_slot.h"
#include "common/handle_win.h"

#include <windows.h>

#include <string>

class CAddressBookControlObject
{
  public:
    CAddressBookControlObject(int p_iPackage, int p_iPackageVersion, IMAPISession* p_pSession, IDispatch* p_pApp,
                              HWND p_hParent);
    // Calls the core's Uninit and frees the library.
    ~CAddressBookControlObject();
    CAddressBookControlObject(const CAddressBookControlObject&) = delete;
    CAddressBookControlObject& operator=(const CAddressBookControlObject&) = delete;

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    // Forwarding calls look here first: a binding in error never calls the library.
    bool Ready() const
    {
        return !m_oError.IsSet() && static_cast<bool>(m_hModule);
    }
    HMODULE Module() const
    {
        return m_hModule.get();
    }

    // The exports, in the order they are resolved. Window code calls them after Ready().
    PFN_DeleteSMSList m_pfnDeleteSMSList = nullptr;
    PFN_CreateFinalSMSs m_pfnCreateFinalSMSs = nullptr;
    PFN_ThreadInit m_pfnThreadInit = nullptr;
    PFN_ThreadUninit m_pfnThreadUninit = nullptr;
    PFN_FreeString m_pfnFreeString = nullptr;
    PFN_GetEmailDetails m_pfnGetEmailDetails = nullptr;
    PFN_GetLocalSenderDetails m_pfnGetLocalSenderDetails = nullptr;
    PFN_DeleteMessageRecipientAtPos m_pfnDeleteMessageRecipientAtPos = nullptr;
    PFN_InsertMessageRecipientAtPos m_pfnInsertMessageRecipientAtPos = nullptr;
    PFN_AddMessageRecipient m_pfnAddMessageRecipient = nullptr;
    PFN_Uninit m_pfnUninit = nullptr;
    PFN_Init m_pfnInit = nullptr;
    PFN_CreateLocalUser m_pfnCreateLocalUser = nullptr;
    PFN_EditLocalUser m_pfnEditLocalUser = nullptr;
    PFN_CompleteText m_pfnCompleteText = nullptr;
    PFN_Check m_pfnCheck = nullptr;
    PFN_SendSMS m_pfnSendSMS = nullptr;
    PFN_ShowProperties m_pfnShowProperties = nullptr;
    PFN_AddExtraProp m_pfnAddExtraProp = nullptr;
    PFN_AddDistList m_pfnAddDistList = nullptr;
    PFN_SelectRecipients m_pfnSelectRecipients = nullptr;
    PFN_PreviewMail m_pfnPreviewMail = nullptr;
    PFN_MailSummary m_pfnMailSummary = nullptr;
    PFN_ImportRecipients m_pfnImportRecipients = nullptr;
    PFN_WriteToSMSFolder m_pfnWriteToSMSFolder = nullptr;
    PFN_RecommendToFriends m_pfnRecommendToFriends = nullptr;
    PFN_DeleteMessageRecipient m_pfnDeleteMessageRecipient = nullptr;
    PFN_DeleteString m_pfnDeleteString = nullptr;
    PFN_DeleteMessageRecipientList m_pfnDeleteMessageRecipientList = nullptr;
    PFN_CreateMessageRecipientList m_pfnCreateMessageRecipientList = nullptr;
    PFN_CreateMessageRecipient m_pfnCreateMessageRecipient = nullptr;
    PFN_CreateMessageRecipientFromDetails m_pfnCreateMessageRecipientFromDetails = nullptr;
    PFN_CopyMessageRecipient m_pfnCopyMessageRecipient = nullptr;
    PFN_GetSessionForThread m_pfnGetSessionForThread = nullptr;
    PFN_StartReminderMonitor m_pfnStartReminderMonitor = nullptr;
    PFN_StopReminderMonitor m_pfnStopReminderMonitor = nullptr;
    PFN_StartOEMonitor m_pfnStartOEMonitor = nullptr;
    PFN_StopOEMonitor m_pfnStopOEMonitor = nullptr;
    PFN_StartAdvise m_pfnStartAdvise = nullptr;
    PFN_ChangeReminderForm m_pfnChangeReminderForm = nullptr;
    PFN_GetOEMaxForIdentity m_pfnGetOEMaxForIdentity = nullptr;
    PFN_CCPhoneSend m_pfnCCPhoneSend = nullptr;
    PFN_CCPhoneStore m_pfnCCPhoneStore = nullptr;
    PFN_CCPhoneCleanup m_pfnCCPhoneCleanup = nullptr;
    PFN_StartVMIfNecessary m_pfnStartVMIfNecessary = nullptr;
    PFN_CreateReminder m_pfnCreateReminder = nullptr;
    PFN_SetParentWindow m_pfnSetParentWindow = nullptr;
    PFN_ShowRuleManager m_pfnShowRuleManager = nullptr;
    PFN_ShowReminderPurge m_pfnShowReminderPurge = nullptr;
    PFN_InstallSMSForms m_pfnInstallSMSForms = nullptr;
    PFN_UninstallSMSForms m_pfnUninstallSMSForms = nullptr;
    PFN_SendBulkSMS m_pfnSendBulkSMS = nullptr;
    PFN_ImportFromFile m_pfnImportFromFile = nullptr;
    PFN_CreateProgressBar m_pfnCreateProgressBar = nullptr;
    PFN_DeleteProgressBar m_pfnDeleteProgressBar = nullptr;
    PFN_CompressWithDialog m_pfnCompressWithDialog = nullptr;

    // The names resolved, in order (for tests and the trace).
    static const char* const* BindingOrder(size_t& p_nCount);

  private:
    [[nodiscard]] bool Bind();

    unique_hmodule m_hModule;
    CErrorSlot m_oError;
    bool m_bInitDone = false;
};
