// Addressbook/res/resource.h: ids of Corvane's dialogs, controls and resource data, shared by
// Corvane.rc and the code that loads them. Plain #defines so windres reads them too.
#pragma once

// Resource data.
#define IDR_PROGRESS_ANIMATION 158 // AVI played by the progress and send dialogs

// Progress window.
#define IDD_PROGRESS_BAR 1500
#define IDD_PROGRESS_ANIMATION 1510
#define IDC_PROGRESS_TEXT 1501 // kProgressTextControl in corvane_win.h
#define IDC_PROGRESS_BAR 1502  // kProgressBarControl in corvane_win.h
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
#define IDD_RULE_MANAGER 2100
#define IDC_RULE_LIST 2101
#define IDC_RULE_DESCRIPTION 2102
#define IDC_RULE_NEW 2103
#define IDC_RULE_EDIT 2104
#define IDC_RULE_DELETE 2105
#define IDC_RULE_ENABLE 2106
#define IDC_RULE_UP 2107
#define IDC_RULE_DOWN 2108

// "Create New Rule", the rule editor in four steps.
#define IDD_RULE_EDITOR 2120
#define IDC_RULE_NAME 2121
#define IDC_RULE_ALWAYS 2122
#define IDC_RULE_FROM 2123
#define IDC_RULE_TO 2124
#define IDC_RULE_SUBJECT 2125
#define IDC_RULE_BODY 2126
#define IDC_RULE_SMS_FROM 2127
#define IDC_RULE_SMS_TO 2128
#define IDC_RULE_SMS_SUBJECT 2129
#define IDC_RULE_SMS_BODY 2130
#define IDC_RULE_SMS_TIME 2131
#define IDC_RULE_LIMIT 2132
#define IDC_RULE_TO_ME 2133
#define IDC_RULE_TO_OTHER 2134
#define IDC_RULE_COUNTRY 2135
#define IDC_RULE_NUMBER 2136
#define IDC_RULE_CONTINUE 2137
#define IDC_RULE_STEP1 2138
#define IDC_RULE_STEP2 2139
#define IDC_RULE_STEP3 2140
#define IDC_RULE_STEP4 2141
// Compress Message Body dialog.
#define IDD_COMPRESS 2000
#define IDC_COMPRESS_SLIDER 2001
#define IDC_COMPRESS_SQUEEZE 2002
#define IDC_COMPRESS_DICTIONARY 2003
#define IDC_COMPRESS_JOIN 2004
#define IDC_COMPRESS_COUNT 2005
#define IDC_COMPRESS_PREVIEW 2006
#define IDC_COMPRESS_PREVIEW_WRAP 2007

// Bulk Import Wizard: one dialog whose pages are shown in turn.
#define IDD_IMPORT_WIZARD 1800
#define IDC_IMPORT_STEP_TITLE 1801
#define IDC_IMPORT_BACK 1802
#define IDC_IMPORT_NEXT 1803
#define IDC_IMPORT_FINISH 1804
#define IDC_IMPORT_PREVIEW 1805
#define IDC_IMPORT_HEADERS 1806
#define IDC_IMPORT_DELIMITED 1810
#define IDC_IMPORT_FIXED 1811
#define IDC_IMPORT_COMMA 1820
#define IDC_IMPORT_SEMICOLON 1821
#define IDC_IMPORT_TAB 1822
#define IDC_IMPORT_SPACE 1823
#define IDC_IMPORT_OTHER 1824
#define IDC_IMPORT_OTHER_TEXT 1825
#define IDC_IMPORT_QUALIFIER 1826
#define IDC_IMPORT_MULTIPLE 1827
#define IDC_IMPORT_BREAKS 1830
#define IDC_IMPORT_COLUMN_LIST 1840
#define IDC_IMPORT_COLUMN_TYPE 1841
#define IDC_IMPORT_COLUMN_NAME 1842
#define IDC_IMPORT_COLUMN_DEFAULT 1843
#define IDC_IMPORT_SHEETS 1850
#define IDC_IMPORT_PAGE_LABEL 1860
#define IDC_IMPORT_LABEL_QUALIFIER 1861
#define IDC_IMPORT_LABEL_BREAKS 1862
#define IDC_IMPORT_LABEL_TYPE 1863
#define IDC_IMPORT_LABEL_NAME 1864
#define IDC_IMPORT_LABEL_DEFAULT 1865
#define IDC_IMPORT_GROUP 1866

// Virtual list box of the address-book lists (2200-2299).
#define IDB_VLIST_IMAGES 2200      // the list's state images: the distribution-list image
#define IDM_VLIST_CONTEXT 2201     // the list's context menu
#define IDM_VLIST_PROPERTIES 40007 // its one command: the selected entry's properties

// Claimed ranges for dialogs being built: "Select Recipients" (2300-2399), the recipient fix wizard
// and the details dialogs (2400-2499), "Message Summary" and "Preview" (2500-2599).

// "Select Recipients" (2300-2399): the dialog, its controls and its message texts.
#define IDD_SELECT_RECIPIENTS 2300
#define IDC_SR_FOLDER 2301
#define IDC_SR_FIND 2302
#define IDC_SR_LIST_AREA 2303 // where the virtual list is placed
#define IDC_SR_LIST 2304
#define IDC_SR_EMPTY 2305
#define IDC_SR_TO 2306
#define IDC_SR_CC 2307
#define IDC_SR_TO_LIST 2308
#define IDC_SR_CC_LIST 2309
// "Message Summary" (2500-2589) and "Preview" (2590-2599).
#define IDD_SUMMARY 2500
#define IDC_SUMMARY_HEADER 2501
#define IDC_SUMMARY_SUBHEADER 2502
#define IDC_SUMMARY_MISSING 2503
#define IDC_SUMMARY_OVER_LIMIT 2504
#define IDC_SUMMARY_LIMIT_LABEL 2505
#define IDC_SUMMARY_LIMIT 2506
#define IDC_SUMMARY_LIMIT_SPIN 2507
#define IDC_SUMMARY_PREVIEW 2508
#define IDC_SUMMARY_COUNTERS 2509
#define IDC_SUMMARY_RESULTS 2510
// The labels of the summary's lines, made at run time: piece j of line i (the four counter lines,
// then the five result lines) is IDC_SUMMARY_LABELS + IDC_SUMMARY_LINE_STRIDE * i + j.
#define IDC_SUMMARY_LABELS 2520
#define IDC_SUMMARY_LINE_STRIDE 8
#define IDD_PREVIEW 2590
#define IDC_PREVIEW_HEADER 2591
#define IDC_PREVIEW_SUBHEADER 2592
#define IDC_PREVIEW_LIST 2593
#define IDC_PREVIEW_TEXT 2594
#define IDC_PREVIEW_PREVIOUS 2595
#define IDC_PREVIEW_NEXT 2596
// The recipient fix wizard of Check (2400-2499).
#define IDD_CHECK_SUMMARY 2400
#define IDD_CHECK_MULTIPLE 2401
#define IDD_CHECK_NO_MATCH 2402
#define IDD_CHECK_MOBILES 2403
#define IDD_CHECK_SELECT_CORRECT 2404
#define IDD_CHECK_ONCE_OFF 2405
#define IDC_CHECK_HEADER 2410
#define IDC_CHECK_LIST 2411
#define IDC_CHECK_ADVICE 2412
#define IDC_CHECK_HINT 2413
#define IDC_CHECK_IGNORE 2414
#define IDC_CHECK_NEW_CONTACT 2415
#define IDC_CHECK_SELECT_AB 2416
#define IDC_CHECK_SKIP 2417
#define IDC_CHECK_SAVE 2418
#define IDC_CHECK_BOOKS 2419
#define IDC_CHECK_FIRST 2420
#define IDC_CHECK_LAST 2421
#define IDC_CHECK_EMAIL 2422
#define IDC_CHECK_COUNTRY 2423
#define IDC_CHECK_MOBILE 2424
#define IDC_CHECK_ONCE_OFF 2425

// Claimed ranges of work in progress (remove the line when the range is filled):
// 2600-2699 the reminder dialogs ("Reminder Sync", "Create SMS Reminder"), in reminder_dialog_ids.h.
// 2700-2799 the new-mail and upgrade messages' dialogs, should they need any.
// 2800-2899 the Outlook Express mail road's dialogs and texts, should they need any.
