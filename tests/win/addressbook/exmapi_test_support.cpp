// tests/win/addressbook/exmapi_test_support.cpp: the CExMAPI tests' thread values, seeding and
// MAPI helpers; the one file of these tests that defines the MAPI interface ids they use.
#include <windows.h>
#include <mapidefs.h>
#include <objbase.h>
#define INITGUID
#define USES_IID_IMAPISession
#include <initguid.h>
#include <mapiguid.h>

#include "tests/win/addressbook/exmapi_test_support.h"

#include "Addressbook/addressbook/mapi_location.h"
#include "common/error_slot.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "common/message_box_win.h"
#include "common/trace_log.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace exmapitest
{
namespace
{
const char* const kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
// Each thread's values, by thread id: thread_local objects with destructors are not safe to
// use from std::thread in a statically linked MinGW program.
struct CValues
{
    com_ptr<IMAPISession> m_pSession;
    com_ptr<IAddrBook> m_pAddressBook;
    com_ptr<IMsgStore> m_pStore;
    com_ptr<IDispatch> m_pDispatch;
};
std::mutex g_oValuesLock;
std::map<DWORD, CValues> g_mapValues;

CValues& Mine()
{
    const std::lock_guard<std::mutex> oLock(g_oValuesLock);
    return g_mapValues[GetCurrentThreadId()];
}
std::string g_sStoreFile;

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr), ERROR_SUCCESS);
    const unique_hkey oKey(hKey);
    ASSERT_EQ(RegSetValueExA(hKey, p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                             static_cast<DWORD>(p_sValue.size() + 1)),
              ERROR_SUCCESS);
}

int RecordBox(HWND, const std::string& p_sText, const std::string& p_sCaption, UINT)
{
    g_vBoxes.push_back(p_sCaption + "|" + p_sText);
    return IDOK;
}

const GUID kContactSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

com_ptr<IMAPIFolder> OpenFolder(IMAPISession* p_pSession, const CEntryBytes& p_vFolder)
{
    com_ptr<IMAPIFolder> pFolder;
    ULONG ulType = 0;
    EXPECT_EQ(p_pSession->OpenEntry(static_cast<ULONG>(p_vFolder.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vFolder.data())), nullptr,
                                    MAPI_MODIFY, &ulType, reinterpret_cast<IUnknown**>(pFolder.put())),
              S_OK);
    return pFolder;
}

// The entry id of the first row of p_pTable whose display name is p_sName.
CEntryBytes RowNamed(IMAPITable* p_pTable, const std::string& p_sName)
{
    SizedSPropTagArray(2, oColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    EXPECT_EQ(p_pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&oColumns), 0), S_OK);
    for (;;)
    {
        unique_mapi_rows pRows;
        if (FAILED(p_pTable->QueryRows(50, 0, pRows.put())) || !pRows || pRows.get()->cRows == 0)
            break;
        for (ULONG i = 0; i < pRows.get()->cRows; ++i)
        {
            const SPropValue* aProps = pRows.get()->aRow[i].lpProps;
            if (aProps[1].ulPropTag == PR_DISPLAY_NAME_A && p_sName == aProps[1].Value.lpszA &&
                aProps[0].ulPropTag == PR_ENTRYID)
                return CEntryBytes(aProps[0].Value.bin.lpb, aProps[0].Value.bin.lpb + aProps[0].Value.bin.cb);
        }
    }
    ADD_FAILURE() << "no row named " << p_sName;
    return {};
}
} // namespace

std::vector<std::string> g_vBoxes;
std::vector<std::string> g_vReports;

IMAPISession* CThreadValues::Session()
{
    return Mine().m_pSession.get();
}
IAddrBook* CThreadValues::AddressBook()
{
    return Mine().m_pAddressBook.get();
}
IMsgStore* CThreadValues::MessageStore()
{
    return Mine().m_pStore.get();
}
IDispatch* CThreadValues::Dispatch()
{
    return Mine().m_pDispatch.get();
}
void CThreadValues::SetSession(IMAPISession* p_pSession)
{
    Mine().m_pSession = com_ptr<IMAPISession>::copy_from(p_pSession);
}
void CThreadValues::SetAddressBook(IAddrBook* p_pAddressBook)
{
    Mine().m_pAddressBook = com_ptr<IAddrBook>::copy_from(p_pAddressBook);
}
void CThreadValues::SetMessageStore(IMsgStore* p_pStore)
{
    Mine().m_pStore = com_ptr<IMsgStore>::copy_from(p_pStore);
}
void CThreadValues::SetDispatch(IDispatch* p_pDispatch)
{
    Mine().m_pDispatch = com_ptr<IDispatch>::copy_from(p_pDispatch);
}

void ExMapi::SetUpTestSuite()
{
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    const std::string sDir = std::string(szTemp) + "brevolt-exmapi-test";
    CreateDirectoryA(sDir.c_str(), nullptr);
    CreateDirectoryA((sDir + "\\drop").c_str(), nullptr);
    g_sStoreFile = sDir + "\\store.json";
    SetString(HKEY_CURRENT_USER, kStandinKey, "StoreFile", g_sStoreFile);
    SetString(HKEY_CURRENT_USER, kStandinKey, "DropFolder", sDir + "\\drop");
    SetString(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", "localhost:1");
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    SetErrorPresenter([](const std::string&, const std::string& p_sText) { g_vReports.push_back(p_sText); });
    SetMessageBoxFunction(&RecordBox);
}

void ExMapi::TearDownTestSuite()
{
    SetMessageBoxFunction(nullptr);
    CoUninitialize();
}

void ExMapi::Seed(const char* p_szSeed)
{
    ASSERT_TRUE(CopyFileA((std::string(EXMAPI_SEED_DIR) + "\\" + p_szSeed).c_str(), g_sStoreFile.c_str(), FALSE));
}

std::string ExMapi::NewTrace() const
{
    std::ifstream oFile(ModuleLogger().FilePath(), std::ios::binary);
    std::string sText((std::istreambuf_iterator<char>(oFile)), std::istreambuf_iterator<char>());
    return sText.size() > m_nTraceStart ? sText.substr(m_nTraceStart) : std::string();
}

namespace
{
// The trace log is shared by every process of the prefix, other tests' too, and starts again empty
// when a write finds it past its size limit. It is restarted here, under its mutex as the logger
// does, so that no restart can fall inside the case and take the lines it looks for.
void RestartTraceLog()
{
    const unique_handle mutex(CreateMutexA(nullptr, FALSE, kTraceMutexName));
    if (!mutex || WaitForSingleObject(mutex.get(), kTraceMutexWaitMs) != WAIT_OBJECT_0)
        return;
    const unique_file file(CreateFileA(ModuleLogger().FilePath().c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file)
    {
        SetEndOfFile(file.get());
        DWORD written = 0;
        WriteFile(file.get(), kTraceRestartNote, static_cast<DWORD>(std::strlen(kTraceRestartNote)), &written, nullptr);
    }
    ReleaseMutex(mutex.get());
}
} // namespace

void ExMapi::SetUp()
{
    RestartTraceLog();
    m_nTraceStart = NewTrace().size();
    SetString(HKEY_LOCAL_MACHINE, kOutlookClientKey, kDllPathExValue, MAPI_DLL_PATH);
    Seed("exmapi_seed.json");
    g_vBoxes.clear();
    g_vReports.clear();
}

CExMapiSettings OutlookSettings()
{
    CExMapiSettings oSettings;
    oSettings.m_iVersion = 2;
    return oSettings;
}

const CFolderEntry& FolderNamed(const std::vector<CFolderEntry>& p_vFolders, const std::string& p_sName)
{
    for (const CFolderEntry& oFolder : p_vFolders)
        if (oFolder.m_sName == p_sName)
            return oFolder;
    ADD_FAILURE() << "no folder named " << p_sName;
    static const CFolderEntry s_oNone;
    return s_oNone;
}

std::vector<std::string> Names(const std::vector<CFolderEntry>& p_vFolders)
{
    std::vector<std::string> vNames;
    for (const CFolderEntry& oFolder : p_vFolders)
        vNames.push_back(oFolder.m_sName);
    return vNames;
}

CEntryBytes ABEntryNamed(IAddrBook* p_pAddressBook, const CEntryBytes& p_vContainer, const std::string& p_sName)
{
    com_ptr<IABContainer> pContainer;
    ULONG ulType = 0;
    EXPECT_EQ(p_pAddressBook->OpenEntry(static_cast<ULONG>(p_vContainer.size()),
                                        reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(p_vContainer.data())), nullptr, 0,
                                        &ulType, reinterpret_cast<IUnknown**>(pContainer.put())),
              S_OK);
    com_ptr<IMAPITable> pTable;
    if (!pContainer || FAILED(pContainer->GetContentsTable(0, pTable.put())))
        return {};
    return RowNamed(pTable.get(), p_sName);
}

CEntryBytes ItemNamed(IMAPISession* p_pSession, const CEntryBytes& p_vFolder, const std::string& p_sName)
{
    com_ptr<IMAPIFolder> pFolder = OpenFolder(p_pSession, p_vFolder);
    com_ptr<IMAPITable> pTable;
    if (!pFolder || FAILED(pFolder->GetContentsTable(0, pTable.put())))
        return {};
    return RowNamed(pTable.get(), p_sName);
}

CValue Text(ULONG p_ulTag, std::string p_sText)
{
    return {p_ulTag, std::move(p_sText), {}, {}};
}
CValue Bytes(ULONG p_ulTag, CEntryBytes p_vBytes)
{
    return {p_ulTag, {}, std::move(p_vBytes), {}};
}
CValue Multi(ULONG p_ulTag, std::vector<CEntryBytes> p_vValues)
{
    return {p_ulTag, {}, {}, std::move(p_vValues)};
}

CEntryBytes CreateItem(IMAPISession* p_pSession, const CEntryBytes& p_vFolder, const std::vector<CValue>& p_vValues)
{
    com_ptr<IMAPIFolder> pFolder = OpenFolder(p_pSession, p_vFolder);
    com_ptr<IMessage> pMessage;
    if (!pFolder || FAILED(pFolder->CreateMessage(nullptr, 0, pMessage.put())))
    {
        ADD_FAILURE() << "CreateMessage failed";
        return {};
    }
    std::vector<SPropValue> vProps(p_vValues.size());
    std::vector<std::vector<SBinary>> vMultis(p_vValues.size());
    for (size_t i = 0; i < p_vValues.size(); ++i)
    {
        const CValue& oValue = p_vValues[i];
        vProps[i].ulPropTag = oValue.m_ulTag;
        if (PROP_TYPE(oValue.m_ulTag) == PT_STRING8)
            vProps[i].Value.lpszA = const_cast<char*>(oValue.m_sText.c_str());
        else if (PROP_TYPE(oValue.m_ulTag) == PT_BINARY)
            vProps[i].Value.bin = {static_cast<ULONG>(oValue.m_vBytes.size()),
                                   const_cast<BYTE*>(oValue.m_vBytes.data())};
        else
        {
            for (const CEntryBytes& vBytes : oValue.m_vMulti)
                vMultis[i].push_back({static_cast<ULONG>(vBytes.size()), const_cast<BYTE*>(vBytes.data())});
            vProps[i].Value.MVbin = {static_cast<ULONG>(vMultis[i].size()), vMultis[i].data()};
        }
    }
    EXPECT_EQ(pMessage->SetProps(static_cast<ULONG>(vProps.size()), vProps.data(), nullptr), S_OK);
    EXPECT_EQ(pMessage->SaveChanges(KEEP_OPEN_READONLY), S_OK);
    SizedSPropTagArray(1, oTags) = {1, {PR_ENTRYID}};
    ULONG ulCount = 0;
    unique_mapi_buffer<SPropValue> pEntryId;
    if (FAILED(pMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&oTags), 0, &ulCount, pEntryId.put())) ||
        pEntryId.get()->ulPropTag != PR_ENTRYID)
        return {};
    return CEntryBytes(pEntryId.get()->Value.bin.lpb, pEntryId.get()->Value.bin.lpb + pEntryId.get()->Value.bin.cb);
}

ULONG NamedTag(IMAPISession* p_pSession, const CEntryBytes& p_vFolder, LONG p_lLid, ULONG p_ulType)
{
    com_ptr<IMAPIFolder> pFolder = OpenFolder(p_pSession, p_vFolder);
    MAPINAMEID oName{};
    oName.lpguid = const_cast<GUID*>(&kContactSet);
    oName.ulKind = MNID_ID;
    oName.Kind.lID = p_lLid;
    LPMAPINAMEID pName = &oName;
    unique_mapi_buffer<SPropTagArray> pTags;
    if (!pFolder || FAILED(pFolder->GetIDsFromNames(1, &pName, MAPI_CREATE, pTags.put())))
        return PR_NULL;
    return PROP_TAG(p_ulType, PROP_ID(pTags.get()->aulPropTag[0]));
}

std::string Describe(const CMessageRecipientList& p_oList)
{
    std::string sText;
    for (const auto* p_oNode = p_oList.m_p_oFirst; p_oNode; p_oNode = p_oNode->m_p_oNext)
    {
        const CMessageRecipient& oRecipient = *p_oNode->m_p_oItem;
        if (!sText.empty())
            sText += ", ";
        sText += oRecipient.m_szName ? oRecipient.m_szName : "?";
        if (oRecipient.m_p_mrlMembers)
            sText += "[" + Describe(*oRecipient.m_p_mrlMembers) + "]";
    }
    return sText;
}
} // namespace exmapitest
