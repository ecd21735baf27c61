// Addressbook/res/resource.h: ids of Corvane's dialogs, controls and resource data, shared by
// Corvane.rc and the code that loads them. Plain #defines so windres reads them too.
#pragma once

// Resource data.
#define IDR_PROGRESS_ANIMATION 158 // AVI played by the progress and send dialogs

// Progress window.
#define IDD_PROGRESS_BAR 1500
#define IDD_PROGRESS_ANIMATION 1510
#define IDC_PROGRESS_TEXT 1501 // kProgressTextControl in corvane.h
#define IDC_PROGRESS_BAR 1502  // kProgressBarControl in corvane.h
#define IDC_PROGRESS_ANIMATE 1503

// "Your Details" dialog of the local user.
#define IDD_LOCAL_USER 1600
#define IDC_LOCAL_USER_HEADER 1601
#define IDC_LOCAL_USER_NAME 1602
#define IDC_LOCAL_USER_EMAIL 1603
#define IDC_LOCAL_USER_COUNTRY 1604
#define IDC_LOCAL_USER_MOBILE 1605
#define IDC_LOCAL_USER_INTRO 1606

// Send progress dialog of SendSMS and SendBulkSMS.
#define IDD_SEND_PROGRESS 1700
#define IDC_SEND_ANIMATE 1701
#define IDC_SEND_TEXT 1702
#define IDC_SEND_BAR 1703
#define IDC_SEND_STOP 1704
