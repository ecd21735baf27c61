// Addressbook/oe/simple_mapi_win.cpp: loading Outlook Express's Simple MAPI and logging on to an
// identity through the "Default User ID" swap.
#include "Addressbook/oe/simple_mapi_win.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <vector>

namespace oe
{
namespace
{
constexpr unsigned kMsgNotInstalled = 352; // "Outlook Express is not installed"
constexpr const char* kIdentitiesKey = "Identities";
constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";

template <typename T> bool Bind(HMODULE p_hLibrary, T*& p_pfn, const char* p_szName, CErrorSlot& p_oError)
{
    p_pfn = reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(p_hLibrary, p_szName)));
    if (p_pfn != nullptr)
        return true;
    p_oError.Set(CorvaneStrings(), kMsgFunctionNotFound, p_szName);
    LOG_FAILURE("GetProcAddress( %s ) failed", p_szName);
    return false;
}

bool ReadUserValue(CRegistry& p_oRegistry, const char* p_szName, std::string& p_sText)
{
    std::vector<uint8_t> data;
    if (!p_oRegistry.ReadRegistry(ERegRoot::CurrentUser, kIdentitiesKey, p_szName, true, data))
        return false;
    p_sText = TextOfValue(data);
    return true;
}

bool WriteUserValue(CRegistry& p_oRegistry, const char* p_szName, const std::string& p_sText)
{
    return p_oRegistry.WriteRegistry(ERegRoot::CurrentUser, kIdentitiesKey, p_szName, p_sText.c_str(),
                                     p_sText.size() + 1, kRegSz);
}
} // namespace

std::string SimpleMapiDllName(int p_iMajor, const std::string& p_sInstallDir)
{
    if (p_iMajor == 4)
        return "msimnui.dll";
    if (p_iMajor != 0)
        return "msoe.dll";
    const std::string probe = p_sInstallDir + "\\msoe.dll";
    return GetFileAttributesA(probe.c_str()) != INVALID_FILE_ATTRIBUTES ? "msoe.dll" : "msimnui.dll";
}

CSimpleMAPI::CSimpleMAPI(int p_iMajor, CRegistry& p_oRegistry) : m_oRegistry(p_oRegistry)
{
    m_bValid = Load(p_iMajor);
}

CSimpleMAPI::~CSimpleMAPI()
{
    Logoff();
}

bool CSimpleMAPI::Load(int p_iMajor)
{
    std::vector<uint8_t> data;
    std::string dir;
    if (m_oRegistry.ReadRegistry(ERegRoot::LocalMachine, kAppPathsKey, "Path", true, data))
        dir = TextOfValue(data);
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == ';'))
        dir.pop_back();
    if (dir.empty())
    {
        LOG_FAILURE("CEmailPackage::GetAppInstallPath failed");
        m_oError.Set(CorvaneStrings(), kMsgNotInstalled);
        return false;
    }
    const std::string path = dir + "\\" + SimpleMapiDllName(p_iMajor, dir);
    m_oLibrary.reset(LoadLibraryA(path.c_str()));
    if (!m_oLibrary)
    {
        const DWORD error = GetLastError();
        LogCallFailure(__PRETTY_FUNCTION__, "LoadLibrary", EResultKind::Win32Error, error);
        m_oError.Set(CorvaneStrings(), kMsgLoadFailed, path.c_str(), static_cast<int>(error));
        return false;
    }
    const HMODULE library = m_oLibrary.get();
    return Bind(library, m_pfnLogon, "MAPILogon", m_oError) && Bind(library, m_pfnLogoff, "MAPILogoff", m_oError) &&
           Bind(library, m_pfnSendMail, "MAPISendMail", m_oError) &&
           Bind(library, m_pfnSendDocuments, "MAPISendDocuments", m_oError) &&
           Bind(library, m_pfnFindNext, "MAPIFindNext", m_oError) &&
           Bind(library, m_pfnReadMail, "MAPIReadMail", m_oError) &&
           Bind(library, m_pfnSaveMail, "MAPISaveMail", m_oError) &&
           Bind(library, m_pfnDeleteMail, "MAPIDeleteMail", m_oError) &&
           Bind(library, m_pfnFreeBuffer, "MAPIFreeBuffer", m_oError) &&
           Bind(library, m_pfnAddress, "MAPIAddress", m_oError) &&
           Bind(library, m_pfnDetails, "MAPIDetails", m_oError) &&
           Bind(library, m_pfnResolveName, "MAPIResolveName", m_oError);
}

void CSimpleMAPI::Logoff()
{
    if (m_hSession != 0 && m_pfnLogoff != nullptr)
        (void)m_pfnLogoff(m_hSession, 0, 0, 0);
    m_hSession = 0;
}

bool CSimpleMAPI::LoginToIdentity(const std::string& p_sIdentity)
{
    if (!m_bValid)
        return false;
    Logoff();
    std::string remembered;
    const bool hadDefault = !p_sIdentity.empty() && ReadUserValue(m_oRegistry, "Default User ID", remembered);
    if (!p_sIdentity.empty() && !WriteUserValue(m_oRegistry, "Default User ID", p_sIdentity))
    {
        LOG_FAILURE("LoginToIdentity failed: \"Default User ID\" could not be written");
        return false;
    }
    const ULONG result = m_pfnLogon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &m_hSession);
    // The user's own choice of start-up identity is put back whatever the log-on did.
    if (!p_sIdentity.empty())
    {
        if (hadDefault)
            (void)WriteUserValue(m_oRegistry, "Default User ID", remembered);
        else
            (void)m_oRegistry.Store().DeleteValue(ERegRoot::CurrentUser, kIdentitiesKey, "Default User ID");
    }
    if (result != SUCCESS_SUCCESS)
    {
        m_hSession = 0;
        LogCallFailure(__PRETTY_FUNCTION__, "MAPILogon (Logon failed)", EResultKind::Win32Error, result);
        return false;
    }
    return true;
}

bool CSimpleMAPI::LoginToCurrentIdentity()
{
    std::string identity;
    if (!ReadUserValue(m_oRegistry, "Last User ID", identity))
        identity.clear();
    if (!LoginToIdentity(identity))
    {
        LOG_FAILURE("LoginToIdentity failed");
        return false;
    }
    return true;
}
} // namespace oe
