// Addressbook/addressbook/exmapi_win.cpp: CExMAPI's set-up in its order, its destruction, the
// thread values of other threads, and the property readers the CExMAPI files share.
#include "Addressbook/addressbook/exmapi_internal_win.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/message_box_win.h"
#include "common/trace_log.h"

#include <mapicode.h>

#include <cstdint>
#include <cstring>

namespace exmapi
{
const GUID& ContactPropertySet()
{
    static const GUID s_guid = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    return s_guid;
}

const GUID& PublicFoldersProvider()
{
    // Its bytes read 78 B2 FA 70 AF F7 11 CD 9B C8 00 AA 00 2F C4 5A in PR_MDB_PROVIDER.
    static const GUID s_guid = {0x70FAB278, 0xF7AF, 0xCD11, {0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A}};
    return s_guid;
}

const SPropValue* FindProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    if (!p_aProps || p_ulTag == PR_NULL)
        return nullptr;
    for (ULONG i = 0; i < p_nProps; ++i)
        if (p_aProps[i].ulPropTag == p_ulTag)
            return &p_aProps[i];
    return nullptr;
}

std::optional<std::string> StringProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    const SPropValue* pProp = FindProp(p_aProps, p_nProps, p_ulTag);
    if (!pProp || !pProp->Value.lpszA)
        return std::nullopt;
    return std::string(pProp->Value.lpszA);
}

std::optional<CEntryBytes> BinaryProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    const SPropValue* pProp = FindProp(p_aProps, p_nProps, p_ulTag);
    if (!pProp || (pProp->Value.bin.cb && !pProp->Value.bin.lpb))
        return std::nullopt;
    return CEntryBytes(pProp->Value.bin.lpb, pProp->Value.bin.lpb + pProp->Value.bin.cb);
}

std::optional<LONG> LongProp(const SPropValue* p_aProps, ULONG p_nProps, ULONG p_ulTag)
{
    const SPropValue* pProp = FindProp(p_aProps, p_nProps, p_ulTag);
    if (!pProp)
        return std::nullopt;
    return pProp->Value.l;
}

void ReadNameProps(const SPropValue* p_aProps, ULONG p_nProps, CEntryDetails& p_oDetails)
{
    p_oDetails = {};
    p_oDetails.m_sName = StringProp(p_aProps, p_nProps, PR_DISPLAY_NAME_A).value_or("");
    p_oDetails.m_sGivenName = StringProp(p_aProps, p_nProps, PR_GIVEN_NAME_A).value_or("");
    p_oDetails.m_sSurname = StringProp(p_aProps, p_nProps, PR_SURNAME_A).value_or("");
}

HRESULT GetOneProp(IMAPIProp* p_pObject, ULONG p_ulTag, unique_mapi_buffer<SPropValue>& p_pValue)
{
    CTags<1> oTags{1, {p_ulTag}};
    ULONG ulCount = 0;
    const HRESULT hr = p_pObject->GetProps(oTags.get(), 0, &ulCount, p_pValue.put());
    if (FAILED(hr))
        return hr;
    if (!p_pValue || ulCount != 1 || PROP_TYPE(p_pValue.get()->ulPropTag) == PT_ERROR)
    {
        p_pValue.reset();
        return MAPI_E_NOT_FOUND;
    }
    return S_OK;
}

namespace
{
char Upper(char p_c)
{
    return (p_c >= 'a' && p_c <= 'z') ? static_cast<char>(p_c - 'a' + 'A') : p_c;
}
} // namespace

bool EqualsNoCase(std::string_view p_s1, std::string_view p_s2)
{
    return p_s1.size() == p_s2.size() && StartsWithNoCase(p_s1, p_s2);
}

bool StartsWithNoCase(std::string_view p_s, std::string_view p_sPrefix)
{
    if (p_s.size() < p_sPrefix.size())
        return false;
    for (size_t i = 0; i < p_sPrefix.size(); ++i)
        if (Upper(p_s[i]) != Upper(p_sPrefix[i]))
            return false;
    return true;
}

HRESULT ReportCall(HRESULT p_hr, const char* p_szCall, const char* p_szPrettyFunction)
{
    if (FAILED(p_hr))
        ReportError(CorvaneStrings(), kMsgCallError, p_szCall, static_cast<unsigned>(p_hr),
                    FunctionNameOf(p_szPrettyFunction).c_str());
    return p_hr;
}
} // namespace exmapi

namespace
{
unsigned long long PointerValue(const void* p_p)
{
    return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p_p));
}
} // namespace

CExMAPI::CExMAPI(const CExMapiSettings& p_oSettings, IMapiThreadValues& p_oThread)
    : m_oThread(p_oThread), m_oSettings(p_oSettings)
{
    Log("pSession = 0x%08llx, pDispOutlookApplication = 0x%08llx, iVersion = %d, bIMO = %s",
        PointerValue(p_oSettings.m_pSession), PointerValue(p_oSettings.m_pDispOutlookApplication),
        p_oSettings.m_iVersion, p_oSettings.m_bIMO ? "true" : "false");

    // Several Outlook processes starting at once would otherwise race through the profile.
    if (!p_oSettings.m_bOutlookExpress && (p_oSettings.m_iVersion == 1 || p_oSettings.m_iVersion == 2))
    {
        m_hStartupMutex.reset(LOG_IF_WIN32_BOOL_FALSE(CreateMutexA(nullptr, FALSE, "SMSStartupMutex")));
        if (m_hStartupMutex && WaitForSingleObject(m_hStartupMutex.get(), INFINITE) == WAIT_FAILED)
        {
            LOG_FAILURE("Waiting for the startup mutex failed: error %lu", GetLastError());
            m_hStartupMutex.reset();
        }
    }

    m_p_oMapi = std::make_unique<CMapiObject>(p_oSettings.m_bIMO, p_oSettings.m_pSession,
                                              [this](IMAPISession* p_pSession) { m_oThread.SetSession(p_pSession); });
    if (!m_p_oMapi->IsInitialised())
    {
        CImpl::ShowSetupFailure(*this, kMsgMapiObjectFailed);
        return;
    }
    m_oThread.SetDispatch(p_oSettings.m_pDispOutlookApplication);

    if (!p_oSettings.m_bOutlookExpress && FAILED(CImpl::InitialiseAddressBook(*this)))
    {
        LOG_FAILURE("Error: InitialiseAddressBook failed in CExMAPI::CExMAPI");
        return;
    }
    if (FAILED(CImpl::InitialiseMessageStore(*this)))
    {
        LOG_FAILURE("Error: InitialiseMessageStore failed in CExMAPI::CExMAPI");
        // Nothing of a half-made set-up stays reachable from the thread.
        m_oThread.SetAddressBook(nullptr);
        m_oThread.SetMessageStore(nullptr);
        m_vAddressBookFolders.clear();
        return;
    }
    if (!p_oSettings.m_bOutlookExpress)
    {
        if (FAILED(CImpl::FindAllContactFolders(*this)))
            LOG_FAILURE("Error: FindAllContactFolders failed in CExMAPI::CExMAPI");
        if (FAILED(CImpl::FindAddressBookContactsFolder(*this)))
            LOG_FAILURE("Error: FindAddressBookContactsFolder failed in CExMAPI::CExMAPI");
    }
    m_bReady = true;
}

CExMAPI::~CExMAPI()
{
    m_vStores.clear();
    m_pContactsFolder.reset();
    m_pIPMSubtree.reset();
    m_pDefaultStore.reset();
    m_oThread.SetMessageStore(nullptr);
    m_oThread.SetAddressBook(nullptr);
    m_oThread.SetDispatch(nullptr);
    // Logs off an owned session, uninitialises MAPI and frees the library.
    m_p_oMapi.reset();
    if (m_hStartupMutex)
        Log("Releasing the Startup Mutex in the destructor");
    ReleaseStartupMutex();
}

void CExMAPI::ReleaseStartupMutex()
{
    if (!m_hStartupMutex)
        return;
    (void)LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(m_hStartupMutex.get()));
    m_hStartupMutex.reset();
}

void CExMAPI::CImpl::ShowSetupFailure(CExMAPI& p_oThis, unsigned p_uId, unsigned p_uCode)
{
    p_oThis.m_oError.Set(CorvaneStrings(), p_uId, p_uCode);
    LOG_FAILURE("%s", p_oThis.m_oError.Text().c_str());
    (void)ShowMessageBox(nullptr, p_oThis.m_oError.Text(), CorvaneStrings().Find(kMsgInitCaption),
                         MB_OK | MB_ICONERROR);
}

void CExMAPI::SetThreadValuesForNewThread(IMAPISession* p_pSession, IDispatch* p_pDispatch)
{
    if (!p_pDispatch)
        Log("Warning: p_dOutlookDispatch is NULL");
    m_oThread.SetDispatch(p_pDispatch);
    if (!p_pSession)
    {
        Log("Warning: pmsMapiSession is NULL");
        return;
    }
    m_oThread.SetSession(p_pSession);

    com_ptr<IAddrBook> pAddressBook;
    if (SUCCEEDED(EXMAPI_CALL(p_pSession->OpenAddressBook(0, nullptr, AB_NO_DIALOG, pAddressBook.put()),
                              "pmsMapiSession->OpenAddressBook")))
        m_oThread.SetAddressBook(pAddressBook.get());

    com_ptr<IMsgStore> pStore;
    if (!m_vDefaultStoreEntryId.empty())
        (void)EXMAPI_CALL(p_pSession->OpenMsgStore(0, static_cast<ULONG>(m_vDefaultStoreEntryId.size()),
                                                   reinterpret_cast<LPENTRYID>(m_vDefaultStoreEntryId.data()), nullptr,
                                                   MAPI_BEST_ACCESS | MDB_NO_DIALOG, pStore.put()),
                          "pmsMapiSession->OpenMsgStore");
    if (!pStore)
        Log("Warning: m_p_eidMessageStore is NULL");
    m_oThread.SetMessageStore(pStore.get());
}

void CExMAPI::ClearThreadValues()
{
    m_oThread.SetMessageStore(nullptr);
    m_oThread.SetAddressBook(nullptr);
    m_oThread.SetDispatch(nullptr);
    m_oThread.SetSession(nullptr);
}

void CExMAPI::RetrieveTreeFolders(std::vector<CFolderEntry>& p_vFolders)
{
    m_vTreeFolders = m_vContactFolders;
    m_vTreeFolders.insert(m_vTreeFolders.end(), m_vAddressBookFolders.begin(), m_vAddressBookFolders.end());
    p_vFolders = m_vTreeFolders;
}
