// standins/mapi/provider/mapi_shims.h: MAPI tags, GUIDs and flags that the mingw-w64 MAPI headers
// do not declare, with the values Microsoft publishes for them.
#pragma once

#include <mapidefs.h>
#include <mapitags.h>

#ifndef PR_SMTP_ADDRESS
#define PR_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x39FE)
#endif
#ifndef PR_DEF_POST_MSGCLASS
#define PR_DEF_POST_MSGCLASS PROP_TAG(PT_TSTRING, 0x36E5)
#endif
#ifndef PR_FOLDER_CHILD_COUNT
#define PR_FOLDER_CHILD_COUNT PROP_TAG(PT_LONG, 0x6638)
#endif
#ifndef PR_EMS_AB_PROXY_ADDRESSES
#define PR_EMS_AB_PROXY_ADDRESSES PROP_TAG(PT_MV_TSTRING, 0x800F)
#endif
// Special-folder entry ids Outlook keeps on the Inbox and the store's root folder.
#ifndef PR_IPM_APPOINTMENT_ENTRYID
#define PR_IPM_APPOINTMENT_ENTRYID PROP_TAG(PT_BINARY, 0x36D0)
#endif
#ifndef PR_IPM_CONTACT_ENTRYID
#define PR_IPM_CONTACT_ENTRYID PROP_TAG(PT_BINARY, 0x36D1)
#endif
#ifndef PR_IPM_TASK_ENTRYID
#define PR_IPM_TASK_ENTRYID PROP_TAG(PT_BINARY, 0x36D4)
#endif
#ifndef PR_REM_ONLINE_ENTRYID
#define PR_REM_ONLINE_ENTRYID PROP_TAG(PT_BINARY, 0x36D5)
#endif
#ifndef PR_IPM_DRAFTS_ENTRYID
#define PR_IPM_DRAFTS_ENTRYID PROP_TAG(PT_BINARY, 0x36D7)
#endif
#ifndef PR_ASSOC_CONTENT_COUNT
#define PR_ASSOC_CONTENT_COUNT PROP_TAG(PT_LONG, 0x3617)
#endif
#ifndef PR_DEFAULT_PROFILE
#define PR_DEFAULT_PROFILE PROP_TAG(PT_BOOLEAN, 0x3D04)
#endif
#ifndef STORE_UNICODE_OK
#define STORE_UNICODE_OK ((ULONG)0x00040000)
#endif
#ifndef PR_SMTP_ADDRESS_A
#define PR_SMTP_ADDRESS_A PROP_TAG(PT_STRING8, 0x39FE)
#define PR_SMTP_ADDRESS_W PROP_TAG(PT_UNICODE, 0x39FE)
#endif
