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
// "Inbox Rules", the rule manager dialog.
#define IDD_RULE_MANAGER 1700
#define IDC_RULE_LIST 1701
#define IDC_RULE_DESCRIPTION 1702
#define IDC_RULE_NEW 1703
#define IDC_RULE_EDIT 1704
#define IDC_RULE_DELETE 1705
#define IDC_RULE_ENABLE 1706
#define IDC_RULE_UP 1707
#define IDC_RULE_DOWN 1708

// "Create New Rule", the rule editor in four steps.
#define IDD_RULE_EDITOR 1720
#define IDC_RULE_NAME 1721
#define IDC_RULE_ALWAYS 1722
#define IDC_RULE_FROM 1723
#define IDC_RULE_TO 1724
#define IDC_RULE_SUBJECT 1725
#define IDC_RULE_BODY 1726
#define IDC_RULE_SMS_FROM 1727
#define IDC_RULE_SMS_TO 1728
#define IDC_RULE_SMS_SUBJECT 1729
#define IDC_RULE_SMS_BODY 1730
#define IDC_RULE_SMS_TIME 1731
#define IDC_RULE_LIMIT 1732
#define IDC_RULE_TO_ME 1733
#define IDC_RULE_TO_OTHER 1734
#define IDC_RULE_COUNTRY 1735
#define IDC_RULE_NUMBER 1736
#define IDC_RULE_CONTINUE 1737
#define IDC_RULE_STEP1 1738
#define IDC_RULE_STEP2 1739
#define IDC_RULE_STEP3 1740
#define IDC_RULE_STEP4 1741
