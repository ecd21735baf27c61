// Addressbook/oe/simple_mapi_win.h: CSimpleMAPI, Outlook Express's own Simple MAPI library bound by
// name, and the log-on under the identity Outlook Express is running as.
#pragma once

#include "common/error_slot.h"
#include "common/handle_win.h"
#include "common/settings.h"

#include <windows.h>

#include <mapi.h>

#include <string>

namespace oe
{
// Simple MAPI's MAPIFreeBuffer, which the system header types only for Extended MAPI.
using SimpleMapiFreeBuffer = ULONG WINAPI(LPVOID);

// Which library a version uses: msoe.dll for 5 and later, msimnui.dll for 4, and for an unknown
// version (0) msoe.dll when it exists in the installation folder.
std::string SimpleMapiDllName(int p_iMajor, const std::string& p_sInstallDir);

class CSimpleMAPI
{
  public:
    // p_iMajor: Outlook Express's major version, 0 when unknown.
    CSimpleMAPI(int p_iMajor, CRegistry& p_oRegistry);
    ~CSimpleMAPI();
    CSimpleMAPI(const CSimpleMAPI&) = delete;
    CSimpleMAPI& operator=(const CSimpleMAPI&) = delete;

    // False when the library or one of its functions is missing; Error() says which.
    bool IsValid() const
    {
        return m_bValid;
    }
    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    // Logs on as the identity "Last User ID" names: Outlook Express's library logs on to the one
    // "Default User ID" names, so that value is swapped for the log-on and then restored.
    [[nodiscard]] bool LoginToCurrentIdentity();
    // Logs on as p_sIdentity the same way; an empty identity logs on without touching the values.
    [[nodiscard]] bool LoginToIdentity(const std::string& p_sIdentity);
    void Logoff();
    LHANDLE Session() const
    {
        return m_hSession;
    }

    MAPILOGON* m_pfnLogon = nullptr;
    MAPILOGOFF* m_pfnLogoff = nullptr;
    MAPISENDMAIL* m_pfnSendMail = nullptr;
    MAPISENDDOCUMENTS* m_pfnSendDocuments = nullptr;
    MAPIFINDNEXT* m_pfnFindNext = nullptr;
    MAPIREADMAIL* m_pfnReadMail = nullptr;
    MAPISAVEMAIL* m_pfnSaveMail = nullptr;
    MAPIDELETEMAIL* m_pfnDeleteMail = nullptr;
    SimpleMapiFreeBuffer* m_pfnFreeBuffer = nullptr;
    MAPIADDRESS* m_pfnAddress = nullptr;
    MAPIDETAILS* m_pfnDetails = nullptr;
    MAPIRESOLVENAME* m_pfnResolveName = nullptr;

  private:
    bool Load(int p_iMajor);

    CRegistry& m_oRegistry;
    CErrorSlot m_oError;
    unique_hmodule m_oLibrary;
    LHANDLE m_hSession = 0;
    bool m_bValid = false;
};
} // namespace oe
