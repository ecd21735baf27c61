// Addressbook/include/corvane_win.h: Corvane's exported C API as its hosts bind it: one function type and one
// export name per export. Hosts load Corvane.dll by path and resolve every export with GetProcAddress.
// Exports return 1 for success and 0 for failure unless their comment says otherwise; objects and
// strings they hand out are freed only through the matching Corvane export.
#pragma once

#include "Addressbook/include/corvane_records.h"

#include <windows.h>

#include <oaidl.h>
#include <unknwn.h>

#include <cstdint>

struct IMAPISession;

// Caller kinds (Init's sixth argument). Kinds 1 and 3 bring the library up without a mail-package
// object, for hosts that only use its dialogs and records; every other kind is a full start.
constexpr int kCallerFull = 0;
constexpr int kCallerNoPackage = 1;
constexpr int kCallerNoPackageToo = 3;

// The progress window of CreateProgressBar is a modeless dialog; hosts write its status line and
// move its bar through these controls (the bar exists only when it was asked for).
constexpr int kProgressTextControl = 1501;
constexpr int kProgressBarControl = 1502;

// Writes the progress window's status line and paints it at once, as its owner thread is busy.
inline void SetProgressText(HWND p_hProgress, const char* p_szText)
{
    if (p_hProgress == nullptr)
        return;
    SetDlgItemTextA(p_hProgress, kProgressTextControl, p_szText != nullptr ? p_szText : "");
    UpdateWindow(p_hProgress);
}

// Library life cycle. p_iPackage: 0 Outlook through MAPI, 1 Outlook Express (2 Netscape, 3 Eudora,
// 4 AOL, 6 not chosen). p_iPackageVersion: the host's version code, kept for the transports.
typedef int(CORVANE_API* PFN_Init)(int p_iPackage, int p_iPackageVersion, IMAPISession* p_pSession,
                                   IDispatch* p_pApplication, HWND p_hParent, int p_iCallerKind);
typedef int(CORVANE_API* PFN_Uninit)();
typedef int(CORVANE_API* PFN_ThreadInit)(IMAPISession* p_pSession, IDispatch* p_pApplication);
typedef int(CORVANE_API* PFN_ThreadUninit)();
// The calling thread's session, or null when the package is not Outlook. The library keeps the
// reference; a caller that keeps the session beyond the thread's ThreadUninit adds its own.
typedef IMAPISession*(CORVANE_API* PFN_GetSessionForThread)();
typedef int(CORVANE_API* PFN_SetParentWindow)(HWND p_hParent);
typedef int(CORVANE_API* PFN_StartAdvise)(DWORD p_dwNumber);

// Progress window. *p_phProgress stays null when the lists are too short to need one.
typedef int(CORVANE_API* PFN_CreateProgressBar)(HWND p_hParent, const char* p_szCaption, int p_bWithBar,
                                                HWND* p_phProgress, const CMessageRecipientList* p_p_mrlFirst,
                                                const CMessageRecipientList* p_p_mrlSecond);
typedef int(CORVANE_API* PFN_DeleteProgressBar)(HWND* p_phProgress);

// Local sender and strings. CreateLocalUser and EditLocalUser return 1 when the user's details were
// stored; their flag words are reserved and passed as 0.
typedef int(CORVANE_API* PFN_GetLocalSenderDetails)(CMessageRecipient** p_pp_oSender);
typedef int(CORVANE_API* PFN_CreateLocalUser)(HWND p_hParent, uint32_t p_dwFlags);
typedef int(CORVANE_API* PFN_EditLocalUser)(HWND p_hParent, uint32_t p_dwFlags, uint32_t p_dwReserved);
typedef int(CORVANE_API* PFN_GetEmailDetails)(uint32_t p_dwEntryByteCount, const uint8_t* p_p_bEntryBytes,
                                              char** p_pszSender, char** p_pszText);
typedef int(CORVANE_API* PFN_FreeString)(char** p_pszText);
typedef int(CORVANE_API* PFN_DeleteString)(char** p_pszText);

// Recipients and lists (declared in corvane_records.h).
typedef decltype(&CreateMessageRecipient) PFN_CreateMessageRecipient;
typedef decltype(&CreateMessageRecipientFromDetails) PFN_CreateMessageRecipientFromDetails;
typedef decltype(&CopyMessageRecipient) PFN_CopyMessageRecipient;
typedef decltype(&DeleteMessageRecipient) PFN_DeleteMessageRecipient;
typedef decltype(&CreateMessageRecipientList) PFN_CreateMessageRecipientList;
typedef decltype(&DeleteMessageRecipientList) PFN_DeleteMessageRecipientList;
typedef decltype(&AddMessageRecipient) PFN_AddMessageRecipient;
typedef decltype(&InsertMessageRecipientAtPos) PFN_InsertMessageRecipientAtPos;
typedef decltype(&DeleteMessageRecipientAtPos) PFN_DeleteMessageRecipientAtPos;
typedef decltype(&AddExtraProp) PFN_AddExtraProp;
typedef decltype(&AddDistList) PFN_AddDistList;

// Final SMS of a bulk job (declared in corvane_records.h).
typedef decltype(&CreateFinalSMSs) PFN_CreateFinalSMSs;
typedef decltype(&DeleteSMSList) PFN_DeleteSMSList;

// Sending. *p_piResult receives the send's result code; the export's own result says only whether
// the send could be started.
typedef int(CORVANE_API* PFN_SendSMS)(HWND p_hParent, const CMessageRecipientList* p_p_mrlTo,
                                      const CMessageRecipientList* p_p_mrlCc, const char* p_szMessage,
                                      uint32_t p_dwOptions, const CDeliveryTime* p_pstDelivery,
                                      const char* p_szFolderSubject, int* p_piResult);
typedef int(CORVANE_API* PFN_SendBulkSMS)(HWND p_hParent, const char* p_szSenderId, const CFinalSMSList* p_p_oSMSList,
                                          const char* p_szTagBody, uint32_t p_dwOptions,
                                          const CDeliveryTime* p_pstDelivery, const CDeliveryTime* p_pstEnd,
                                          HWND p_hProgress, const char* p_szFolderSubject,
                                          const CMessageRecipientList* p_p_mrlTo,
                                          const CMessageRecipientList* p_p_mrlCc, int* p_piResult);
typedef int(CORVANE_API* PFN_WriteToSMSFolder)(const CMessageRecipientList* p_p_mrlTo,
                                               const CMessageRecipientList* p_p_mrlBcc, const char* p_szSenderLabel,
                                               const char* p_szSubject, const char* p_szMessage);

// CC to mobile of an outgoing e-mail.
typedef int(CORVANE_API* PFN_CCPhoneSend)(HWND p_hParent);
typedef int(CORVANE_API* PFN_CCPhoneStore)(IUnknown* p_pMessage, int p_bNotifyTo, int p_bNotifyCc, int p_bNotifyBcc);
typedef int(CORVANE_API* PFN_CCPhoneCleanup)();

// List import: the imported bulk list is appended to *p_pp_mrlList; *p_piPosition is the host's
// insertion point in its recipient field.
typedef int(CORVANE_API* PFN_ImportFromFile)(HWND p_hParent, const char* p_szPath, CMessageRecipientList** p_pp_mrlList,
                                             int32_t* p_piPosition);
typedef int(CORVANE_API* PFN_ImportRecipients)(HWND p_hParent, CMessageRecipientList** p_pp_mrlList,
                                               int32_t* p_piPosition);

// Text compression: *p_pszCompressed is freed with FreeString.
typedef int(CORVANE_API* PFN_CompressWithDialog)(HWND p_hParent, const CMessageTokenList* p_p_oTokens,
                                                 const char* p_szText, char** p_pszCompressed, int32_t* p_piCancelled,
                                                 uint32_t* p_pdwFlags);

// Recipient selection and resolution. The list arguments are in/out: the library may replace a
// host's list, freeing the old one.
typedef int(CORVANE_API* PFN_SelectRecipients)(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo,
                                               CMessageRecipientList** p_pp_mrlCc);
// 1 and a completion (freed with FreeString) when an address-book name begins with the prefix.
typedef int(CORVANE_API* PFN_CompleteText)(const char* p_szPrefix, char** p_pszCompletion);
typedef int(CORVANE_API* PFN_Check)(HWND p_hParent, CMessageRecipientList** p_pp_mrlTo,
                                    CMessageRecipientList** p_pp_mrlCc, int p_bSendAnyway, HWND p_hProgress,
                                    int* p_pbExited);
// 1 shown, 0 failed, -1 cancelled.
typedef int(CORVANE_API* PFN_ShowProperties)(CMessageRecipient* p_p_oRecipient, HWND p_hParent);

// Message preview and summary. MailSummary returns 1 on OK, -2 on Cancel, 0 when it could not run.
typedef int(CORVANE_API* PFN_PreviewMail)(HWND p_hOwner, const CMessageRecipientList* p_p_mrlTo,
                                          const CMessageRecipientList* p_p_mrlCc, const char* p_szText,
                                          const CMessageTokenList* p_p_oTokens, uint32_t p_dwTransformFlags,
                                          int32_t p_bSendMissingDetails, int32_t p_bSendOverLimit, int32_t p_iSMSLimit);
typedef int(CORVANE_API* PFN_MailSummary)(HWND p_hOwner, const CMessageRecipientList* p_p_mrlTo,
                                          const CMessageRecipientList* p_p_mrlCc, const char* p_szText,
                                          const CMessageTokenList* p_p_oTokens, HWND p_hProgress,
                                          uint32_t p_dwTransformFlags, int32_t* p_pbSendMissingDetails,
                                          int32_t* p_pbSendOverLimit, int32_t* p_piSMSLimit, int32_t* p_pbChanged,
                                          int32_t p_bSendMode, int32_t p_bBulk);

// Reminders and forms. Stopping a monitor that does not run succeeds at once.
typedef int(CORVANE_API* PFN_StartReminderMonitor)(IDispatch* p_pApplication);
typedef int(CORVANE_API* PFN_StopReminderMonitor)();
// The three outputs describe the reminder the user created; hosts may pass zeroed records and
// ignore them.
typedef int(CORVANE_API* PFN_CreateReminder)(HWND p_hOwner, CDeliveryTime* p_pstDelivery, int32_t* p_piSendResult,
                                             uint32_t* p_pdwReserved);
typedef int(CORVANE_API* PFN_ChangeReminderForm)(int32_t p_bChangeExisting);
typedef int(CORVANE_API* PFN_ShowReminderPurge)(HWND p_hOwner);
typedef int(CORVANE_API* PFN_InstallSMSForms)();
typedef int(CORVANE_API* PFN_UninstallSMSForms)();

// Rules.
typedef int(CORVANE_API* PFN_ShowRuleManager)(HWND p_hOwner);

// Outlook Express mailbox monitor.
typedef int(CORVANE_API* PFN_StartOEMonitor)();
typedef int(CORVANE_API* PFN_StopOEMonitor)();
typedef int(CORVANE_API* PFN_GetOEMaxForIdentity)(const char* p_szIdentity, uint32_t* p_pdwLastMessage,
                                                  uint32_t* p_pdwError);

// Recommend-to-friends mailer: present so hosts bind it; both return 0 and do nothing.
typedef int(CORVANE_API* PFN_RecommendToFriends)(HWND p_hParent);
typedef int(CORVANE_API* PFN_StartVMIfNecessary)(HWND p_hParent);

// Export names.
constexpr const char* szInit = "Init";
constexpr const char* szUninit = "Uninit";
constexpr const char* szThreadInit = "ThreadInit";
constexpr const char* szThreadUninit = "ThreadUninit";
constexpr const char* szGetSessionForThread = "GetSessionForThread";
constexpr const char* szSetParentWindow = "SetParentWindow";
constexpr const char* szStartAdvise = "StartAdvise";
constexpr const char* szCreateProgressBar = "CreateProgressBar";
constexpr const char* szDeleteProgressBar = "DeleteProgressBar";
constexpr const char* szGetLocalSenderDetails = "GetLocalSenderDetails";
constexpr const char* szCreateLocalUser = "CreateLocalUser";
constexpr const char* szEditLocalUser = "EditLocalUser";
constexpr const char* szGetEmailDetails = "GetEmailDetails";
constexpr const char* szFreeString = "FreeString";
constexpr const char* szDeleteString = "DeleteString";
constexpr const char* szCreateMessageRecipient = "CreateMessageRecipient";
constexpr const char* szCreateMessageRecipientFromDetails = "CreateMessageRecipientFromDetails";
constexpr const char* szCopyMessageRecipient = "CopyMessageRecipient";
constexpr const char* szDeleteMessageRecipient = "DeleteMessageRecipient";
constexpr const char* szCreateMessageRecipientList = "CreateMessageRecipientList";
constexpr const char* szDeleteMessageRecipientList = "DeleteMessageRecipientList";
constexpr const char* szAddMessageRecipient = "AddMessageRecipient";
constexpr const char* szInsertMessageRecipientAtPos = "InsertMessageRecipientAtPos";
constexpr const char* szDeleteMessageRecipientAtPos = "DeleteMessageRecipientAtPos";
constexpr const char* szAddExtraProp = "AddExtraProp";
constexpr const char* szAddDistList = "AddDistList";
constexpr const char* szCreateFinalSMSs = "CreateFinalSMSs";
constexpr const char* szDeleteSMSList = "DeleteSMSList";
constexpr const char* szSendSMS = "SendSMS";
constexpr const char* szSendBulkSMS = "SendBulkSMS";
constexpr const char* szWriteToSMSFolder = "WriteToSMSFolder";
constexpr const char* szCCPhoneSend = "CCPhoneSend";
constexpr const char* szCCPhoneStore = "CCPhoneStore";
constexpr const char* szCCPhoneCleanup = "CCPhoneCleanup";
constexpr const char* szImportFromFile = "ImportFromFile";
constexpr const char* szImportRecipients = "ImportRecipients";
constexpr const char* szCompressWithDialog = "CompressWithDialog";
constexpr const char* szSelectRecipients = "SelectRecipients";
constexpr const char* szCompleteText = "CompleteText";
constexpr const char* szCheck = "Check";
constexpr const char* szShowProperties = "ShowProperties";
constexpr const char* szPreviewMail = "PreviewMail";
constexpr const char* szMailSummary = "MailSummary";
constexpr const char* szStartReminderMonitor = "StartReminderMonitor";
constexpr const char* szStopReminderMonitor = "StopReminderMonitor";
constexpr const char* szCreateReminder = "CreateReminder";
constexpr const char* szChangeReminderForm = "ChangeReminderForm";
constexpr const char* szShowReminderPurge = "ShowReminderPurge";
constexpr const char* szInstallSMSForms = "InstallSMSForms";
constexpr const char* szUninstallSMSForms = "UninstallSMSForms";
constexpr const char* szShowRuleManager = "ShowRuleManager";
constexpr const char* szStartOEMonitor = "StartOEMonitor";
constexpr const char* szStopOEMonitor = "StopOEMonitor";
constexpr const char* szGetOEMaxForIdentity = "GetOEMaxForIdentity";
constexpr const char* szRecommendToFriends = "RecommendToFriends";
constexpr const char* szStartVMIfNecessary = "StartVMIfNecessary";
