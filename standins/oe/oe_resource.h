// standins/oe/oe_resource.h: ids of msimn.exe's dialogs, their controls and its commands of its own.
#pragma once

// Dialogs.
#define IDD_EMPTY_SUBJECT 200
#define IDD_SAVE_MESSAGE 201
#define IDD_OPTIONS_GENERAL 202
#define IDD_OPTIONS_SEND 203
#define IDD_COLUMNS 204
#define IDD_CREATE_FOLDER 205
#define IDD_SEND_WARNING 206
#define IDD_COPY_FOLDER 207

// The empty-subject question.
#define IDC_SUBJECT_ICON 1000
#define IDC_DONT_SHOW_AGAIN 1001
// Save Message As: the ids the system's file dialogs give their name field and type list.
#define IDC_SAVE_NAME 1152
#define IDC_SAVE_TYPE 1136
// The Send page of Tools/Options.
#define IDC_REPLY_SAME_FORMAT 1064
#define IDC_INCLUDE_MESSAGE 1027
#define IDC_SEND_HTML 2090
#define IDC_ADD_REPLY_TO_BOOK 2091
#define IDC_GENERAL_CHECK_MAIL 1100
// The Columns dialog: one check box per known column, in the known order.
#define IDC_COLUMN_FIRST 1200
// Create Folder: the name and the tree of folders to create it in.
#define IDC_FOLDER_NAME 1300
#define IDC_FOLDER_TREE 1301
// Copy to Folder / Move to Folder: the prompt, the tree of folders and "New Folder...".
#define IDC_PICK_PROMPT 1302
#define IDC_PICK_TREE 1303
#define IDC_PICK_NEW_FOLDER 1304

// Note header fields and body.
#define IDC_NOTE_TO 1001
#define IDC_NOTE_CC 1002
#define IDC_NOTE_BCC 1003
#define IDC_NOTE_SUBJECT 1004
#define IDC_NOTE_BODY 1010

// Commands that are the stand-in's own (the profile's commands come from oe_profile.h).
#define IDM_EXIT 49002
#define IDM_OPTIONS 49003
#define IDM_NOTE_CLOSE 49004
#define IDM_COLUMNS 49005
#define IDM_NEW_FOLDER 49006
#define IDM_REPLY 49007
#define IDM_REPLY_ALL 49008
#define IDM_FORWARD 49009
#define IDM_VIEW_TOOLBAR 49010
#define IDM_VIEW_STATUS_BAR 49011
#define IDM_VIEW_FOLDER_LIST 49012
#define IDM_MOVE_TO_FOLDER 49013
#define IDM_COPY_TO_FOLDER 49014
