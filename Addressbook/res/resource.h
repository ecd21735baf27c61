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

// Compress Message Body dialog.
#define IDD_COMPRESS 1700
#define IDC_COMPRESS_SLIDER 1701
#define IDC_COMPRESS_SQUEEZE 1702
#define IDC_COMPRESS_DICTIONARY 1703
#define IDC_COMPRESS_JOIN 1704
#define IDC_COMPRESS_COUNT 1705
#define IDC_COMPRESS_PREVIEW 1706
#define IDC_COMPRESS_PREVIEW_WRAP 1707

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
