// Addressbook/frame/exports.h: the declarations of the exports the library itself defines (the
// record exports are in corvane_records.h). Each is checked against the function type hosts bind
// it by, so a signature that drifts from corvane_win.h does not compile.
#pragma once

#include "Addressbook/include/corvane_win.h"

#include <type_traits>

extern "C"
{
    int CORVANE_API Init(int p_iPackage, int p_iPackageVersion, IMAPISession* p_pSession, IDispatch* p_pApplication,
                         HWND p_hParent, int p_iCallerKind);
    int CORVANE_API Uninit();
    int CORVANE_API ThreadInit(IMAPISession* p_pSession, IDispatch* p_pApplication);
    int CORVANE_API ThreadUninit();
    IMAPISession* CORVANE_API GetSessionForThread();
    int CORVANE_API SetParentWindow(HWND p_hParent);
    int CORVANE_API StartAdvise(DWORD p_dwNumber);

    int CORVANE_API CreateProgressBar(HWND p_hParent, const char* p_szCaption, int p_bWithBar, HWND* p_phProgress,
                                      const CMessageRecipientList* p_p_mrlFirst,
                                      const CMessageRecipientList* p_p_mrlSecond);
    int CORVANE_API DeleteProgressBar(HWND* p_phProgress);

    int CORVANE_API GetLocalSenderDetails(CMessageRecipient** p_pp_oSender);
    int CORVANE_API CreateLocalUser(HWND p_hParent, uint32_t p_dwFlags);
    int CORVANE_API EditLocalUser(HWND p_hParent, uint32_t p_dwFlags, uint32_t p_dwReserved);
    int CORVANE_API GetEmailDetails(uint32_t p_dwEntryByteCount, const uint8_t* p_p_bEntryBytes, char** p_pszSender,
                                    char** p_pszText);
    int CORVANE_API FreeString(char** p_pszText);
    int CORVANE_API DeleteString(char** p_pszText);

    int CORVANE_API SendSMS(HWND p_hParent, const CMessageRecipientList* p_p_mrlTo,
                            const CMessageRecipientList* p_p_mrlCc, const char* p_szMessage, uint32_t p_dwOptions,
                            const CDeliveryTime* p_pstDelivery, const char* p_szFolderSubject, int* p_piResult);
    int CORVANE_API SendBulkSMS(HWND p_hParent, const char* p_szSenderId, const CFinalSMSList* p_p_oSMSList,
                                const char* p_szTagBody, uint32_t p_dwOptions, const CDeliveryTime* p_pstDelivery,
                                const CDeliveryTime* p_pstEnd, HWND p_hProgress, const char* p_szFolderSubject,
                                const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlCc,
                                int* p_piResult);
    int CORVANE_API WriteToSMSFolder(const CMessageRecipientList* p_p_mrlTo, const CMessageRecipientList* p_p_mrlBcc,
                                     const char* p_szSenderLabel, const char* p_szSubject, const char* p_szMessage);
    int CORVANE_API CCPhoneSend(HWND p_hParent);
    int CORVANE_API CCPhoneStore(IUnknown* p_pMessage, int p_bNotifyTo, int p_bNotifyCc, int p_bNotifyBcc);
    int CORVANE_API CCPhoneCleanup();
    int CORVANE_API ImportFromFile(HWND p_hParent, const char* p_szPath, CMessageRecipientList** p_pp_mrlList,
                                   int32_t* p_piPosition);
    int CORVANE_API ImportRecipients(HWND p_hParent, CMessageRecipientList** p_pp_mrlList, int32_t* p_piPosition);
    int CORVANE_API CompressWithDialog(HWND p_hParent, const CMessageTokenList* p_p_oTokens, const char* p_szText,
                                       char** p_pszCompressed, int32_t* p_piCancelled, uint32_t* p_pdwFlags);
    int CORVANE_API SelectRecipients(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo,
                                     CMessageRecipientList** p_pp_mrlCc);
    int CORVANE_API CompleteText(const char* p_szPrefix, char** p_pszCompletion);
    int CORVANE_API Check(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo, CMessageRecipientList** p_pp_mrlCc,
                          int p_bSendAnyway, HWND p_hProgress, int* p_pbExited);
    int CORVANE_API ShowProperties(CMessageRecipient* p_p_oRecipient, HWND p_hParent);
    int CORVANE_API PreviewMail(HWND p_hOwner, const CMessageRecipientList* p_p_mrlTo,
                                const CMessageRecipientList* p_p_mrlCc, const char* p_szText,
                                const CMessageTokenList* p_p_oTokens, uint32_t p_dwTransformFlags,
                                int32_t p_bSendMissingDetails, int32_t p_bSendOverLimit, int32_t p_iSMSLimit);
    int CORVANE_API MailSummary(HWND p_hOwner, const CMessageRecipientList* p_p_mrlTo,
                                const CMessageRecipientList* p_p_mrlCc, const char* p_szText,
                                const CMessageTokenList* p_p_oTokens, HWND p_hProgress, uint32_t p_dwTransformFlags,
                                int32_t* p_pbSendMissingDetails, int32_t* p_pbSendOverLimit, int32_t* p_piSMSLimit,
                                int32_t* p_pbChanged, int32_t p_bSendMode, int32_t p_bBulk);
    int CORVANE_API StartReminderMonitor(IDispatch* p_pApplication);
    int CORVANE_API StopReminderMonitor();
    int CORVANE_API CreateReminder(HWND p_hOwner, CDeliveryTime* p_pstDelivery, int32_t* p_piSendResult,
                                   uint32_t* p_pdwReserved);
    int CORVANE_API ChangeReminderForm(int32_t p_bChangeExisting);
    int CORVANE_API ShowReminderPurge(HWND p_hOwner);
    int CORVANE_API InstallSMSForms();
    int CORVANE_API UninstallSMSForms();
    int CORVANE_API ShowRuleManager(HWND p_hOwner);
    int CORVANE_API StartOEMonitor();
    int CORVANE_API StopOEMonitor();
    int CORVANE_API GetOEMaxForIdentity(const char* p_szIdentity, uint32_t* p_pdwLastMessage, uint32_t* p_pdwError);
    int CORVANE_API RecommendToFriends(HWND p_hParent);
    int CORVANE_API StartVMIfNecessary(HWND p_hParent);
}

#define CORVANE_CHECK_EXPORT(name)                                                                                     \
    static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name " differs from its type in corvane_win.h")
CORVANE_CHECK_EXPORT(Init);
CORVANE_CHECK_EXPORT(Uninit);
CORVANE_CHECK_EXPORT(ThreadInit);
CORVANE_CHECK_EXPORT(ThreadUninit);
CORVANE_CHECK_EXPORT(GetSessionForThread);
CORVANE_CHECK_EXPORT(SetParentWindow);
CORVANE_CHECK_EXPORT(StartAdvise);
CORVANE_CHECK_EXPORT(CreateProgressBar);
CORVANE_CHECK_EXPORT(DeleteProgressBar);
CORVANE_CHECK_EXPORT(GetLocalSenderDetails);
CORVANE_CHECK_EXPORT(CreateLocalUser);
CORVANE_CHECK_EXPORT(EditLocalUser);
CORVANE_CHECK_EXPORT(GetEmailDetails);
CORVANE_CHECK_EXPORT(FreeString);
CORVANE_CHECK_EXPORT(DeleteString);
CORVANE_CHECK_EXPORT(SendSMS);
CORVANE_CHECK_EXPORT(SendBulkSMS);
CORVANE_CHECK_EXPORT(WriteToSMSFolder);
CORVANE_CHECK_EXPORT(CCPhoneSend);
CORVANE_CHECK_EXPORT(CCPhoneStore);
CORVANE_CHECK_EXPORT(CCPhoneCleanup);
CORVANE_CHECK_EXPORT(ImportFromFile);
CORVANE_CHECK_EXPORT(ImportRecipients);
CORVANE_CHECK_EXPORT(CompressWithDialog);
CORVANE_CHECK_EXPORT(SelectRecipients);
CORVANE_CHECK_EXPORT(CompleteText);
CORVANE_CHECK_EXPORT(Check);
CORVANE_CHECK_EXPORT(ShowProperties);
CORVANE_CHECK_EXPORT(PreviewMail);
CORVANE_CHECK_EXPORT(MailSummary);
CORVANE_CHECK_EXPORT(StartReminderMonitor);
CORVANE_CHECK_EXPORT(StopReminderMonitor);
CORVANE_CHECK_EXPORT(CreateReminder);
CORVANE_CHECK_EXPORT(ChangeReminderForm);
CORVANE_CHECK_EXPORT(ShowReminderPurge);
CORVANE_CHECK_EXPORT(InstallSMSForms);
CORVANE_CHECK_EXPORT(UninstallSMSForms);
CORVANE_CHECK_EXPORT(ShowRuleManager);
CORVANE_CHECK_EXPORT(StartOEMonitor);
CORVANE_CHECK_EXPORT(StopOEMonitor);
CORVANE_CHECK_EXPORT(GetOEMaxForIdentity);
CORVANE_CHECK_EXPORT(RecommendToFriends);
CORVANE_CHECK_EXPORT(StartVMIfNecessary);
#undef CORVANE_CHECK_EXPORT
