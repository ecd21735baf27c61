// standins/mapi/provider/provider_guids.cpp: the MAPI interface identifiers this provider answers
// to, defined once (mapiguid.h only declares them unless asked for each).
#include <windows.h>
#include <objbase.h>
#define INITGUID
#define USES_IID_IMAPISession
#define USES_IID_IMAPITable
#define USES_IID_IMsgStore
#define USES_IID_IMAPIFolder
#define USES_IID_IMAPIContainer
#define USES_IID_IMessage
#define USES_IID_IAttachment
#define USES_IID_IMAPIProp
#define USES_IID_IMAPIStatus
#define USES_IID_IProfAdmin
#define USES_IID_IAddrBook
#define USES_IID_IABContainer
#define USES_IID_IMailUser
#define USES_IID_IDistList
#define USES_IID_IMAPIAdviseSink
#include <initguid.h>
#include <mapiguid.h>
