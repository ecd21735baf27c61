// tests/win/remforms/forms_test_support.cpp: the SMS forms tests' seeding, settings, in-process object
// model and the MAPI reads that check folders and items.
#include "tests/win/remforms/forms_test_support.h"

#include "Addressbook/addressbook/mapi_location.h"
#include "common/handle_win.h"
#include "common/mapi_owner_win.h"
#include "common/settings.h"
#include "standins/outlook/ol_object_model_win.h"
#include "tests/win/corvane/corvane_test_support.h"

#include <mapiutil.h>

namespace formstest
{
namespace
{
const char* const kStandinKey = "Software\\Brevolt Test\\MAPI Stand-in";
std::string g_sStoreFile;
CRegistry g_oRegistry;
constexpr IID kIidMessage = {0x00020307, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidMapiFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
GUID g_oPublicStrings = {0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

void SetString(HKEY p_hRoot, const char* p_szKey, const char* p_szName, const std::string& p_sValue)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(p_hRoot, p_szKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const unique_hkey owner(key);
    ASSERT_EQ(RegSetValueExA(key, p_szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(p_sValue.c_str()),
                             static_cast<DWORD>(p_sValue.size() + 1)),
              ERROR_SUCCESS);
}

void SetTemplates()
{
    const std::pair<const char*, const char*> templates[] = {
        {"AppointmentNoRemindNoAttendeeOFT", "AppointmentNoRemindNoAttendee.oft"},
        {"AppointmentYesRemindNoAttendeeOFT", "AppointmentYesRemindNoAttendee.oft"},
        {"AppointmentYesRemindYesAttendeeOFT", "AppointmentYesRemindYesAttendee.oft"},
        {"TaskNoRemindOFT", "TaskNoRemind.oft"},
        {"TaskYesRemind2OFT", "TaskYesRemind2.oft"}};
    for (const auto& [value, file] : templates)
        SetString(HKEY_LOCAL_MACHINE, kInstallKey, value, std::string(OFT_DIR) + "\\" + file);
}

com_ptr<IMAPITable> Contents(IMAPIFolder* p_pFolder, ULONG p_ulFlags)
{
    com_ptr<IMAPITable> table;
    EXPECT_EQ(p_pFolder->GetContentsTable(p_ulFlags, table.put()), S_OK);
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_SUBJECT_A, PR_DISPLAY_NAME_A}};
    if (table)
    {
        EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
    }
    return table;
}

std::optional<bool> NamedFlag(IMessage* p_pMessage, const wchar_t* p_pszName)
{
    std::wstring name(p_pszName);
    MAPINAMEID id{&g_oPublicStrings, MNID_STRING, {}};
    id.Kind.lpwstrName = name.data();
    LPMAPINAMEID ids[] = {&id};
    unique_mapi_buffer<SPropTagArray> tags;
    if (FAILED(p_pMessage->GetIDsFromNames(1, ids, 0, tags.put())) || !tags ||
        PROP_TYPE(tags.get()->aulPropTag[0]) == PT_ERROR)
        return std::nullopt;
    SizedSPropTagArray(1, wanted) = {1, {PROP_TAG(PT_BOOLEAN, PROP_ID(tags.get()->aulPropTag[0]))}};
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> value;
    if (FAILED(p_pMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&wanted), 0, &count, value.put())) || !value ||
        value.get()->ulPropTag != wanted.aulPropTag[0])
        return std::nullopt;
    return value.get()->Value.b != 0;
}

std::string TextOf(IMAPIProp* p_pObject, ULONG p_ulTag)
{
    SizedSPropTagArray(1, wanted) = {1, {p_ulTag}};
    ULONG count = 0;
    unique_mapi_buffer<SPropValue> value;
    if (FAILED(p_pObject->GetProps(reinterpret_cast<LPSPropTagArray>(&wanted), 0, &count, value.put())) || !value ||
        value.get()->ulPropTag != p_ulTag)
        return {};
    return value.get()->Value.lpszA;
}
} // namespace

IMAPISession* CThreadValues::Session()
{
    return m_pSession.get();
}
IAddrBook* CThreadValues::AddressBook()
{
    return nullptr;
}
IMsgStore* CThreadValues::MessageStore()
{
    return m_pStore.get();
}
IDispatch* CThreadValues::Dispatch()
{
    return m_pDispatch.get();
}
void CThreadValues::SetSession(IMAPISession* p_pSession)
{
    m_pSession = com_ptr<IMAPISession>::copy_from(p_pSession);
}
void CThreadValues::SetAddressBook(IAddrBook*)
{
}
void CThreadValues::SetMessageStore(IMsgStore* p_pStore)
{
    m_pStore = com_ptr<IMsgStore>::copy_from(p_pStore);
}
void CThreadValues::SetDispatch(IDispatch* p_pDispatch)
{
    m_pDispatch = com_ptr<IDispatch>::copy_from(p_pDispatch);
}

void SMSForms::SetUpTestSuite()
{
    // Loading the library points the stand-in at a store of its own; the suite's store is set after.
    ASSERT_NE(CCorvane::Get().Module(), nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "brevolt-forms-test";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\drop").c_str(), nullptr);
    g_sStoreFile = folder + "\\store.json";
    SetString(HKEY_CURRENT_USER, kStandinKey, "StoreFile", g_sStoreFile);
    SetString(HKEY_CURRENT_USER, kStandinKey, "DropFolder", folder + "\\drop");
    SetString(HKEY_CURRENT_USER, kStandinKey, "SmtpServer", "localhost:1");
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
}

void SMSForms::TearDownTestSuite()
{
    CoUninitialize();
}

void SMSForms::SetUp()
{
    SetString(HKEY_LOCAL_MACHINE, kOutlookClientKey, kDllPathExValue, MAPI_DLL_PATH);
    ASSERT_TRUE(CopyFileA(FORMS_SEED_FILE, g_sStoreFile.c_str(), FALSE));
    SetTemplates();
    SetDefaults(1, 0);
    m_p_oProfile = std::make_unique<olstandin::CMapiProfile>();
    ASSERT_TRUE(m_p_oProfile->Start());
    m_oServices.m_p_oProfile = m_p_oProfile.get();
    m_oServices.m_nMajor = 11;
    m_oServices.m_fnExplorers = []() { return std::vector<com_ptr<IDispatch>>(); };
    m_oThread.SetSession(m_p_oProfile->Session());
    m_oThread.SetMessageStore(m_p_oProfile->Store());
    m_oThread.SetDispatch(olstandin::CreateApplication(m_oServices).get());
}

void SMSForms::TearDown()
{
    m_oThread.SetDispatch(nullptr);
    m_oThread.SetMessageStore(nullptr);
    m_oThread.SetSession(nullptr);
    m_p_oProfile.reset();
}

CSMSForms SMSForms::Forms(int p_iPackageVersion, std::function<bool()> p_fnHoldsStartup,
                          std::function<void()> p_fnReleaseStartup, int p_iCallerKind)
{
    CSMSFormsHost host;
    host.m_pThread = &m_oThread;
    host.m_pRegistry = &g_oRegistry;
    host.m_iPackageVersion = p_iPackageVersion;
    host.m_iCallerKind = p_iCallerKind;
    host.m_fnHoldsStartupMutex = std::move(p_fnHoldsStartup);
    host.m_fnReleaseStartupMutex = std::move(p_fnReleaseStartup);
    return CSMSForms(std::move(host));
}

void SMSForms::SetDefaults(uint32_t p_dwReminder, uint32_t p_dwAttendee)
{
    ASSERT_TRUE(g_oRegistry.WriteOptionsDword("Reminder", p_dwReminder));
    ASSERT_TRUE(g_oRegistry.WriteOptionsDword("Attendee", p_dwAttendee));
}

void SMSForms::BreakTemplate(const char* p_szValue)
{
    SetString(HKEY_LOCAL_MACHINE, kInstallKey, p_szValue, std::string(OFT_DIR) + "\\missing.oft");
}

void SMSForms::SetTemplate(const char* p_szValue, const std::string& p_sPath)
{
    SetString(HKEY_LOCAL_MACHINE, kInstallKey, p_szValue, p_sPath);
}

std::vector<BYTE> SMSForms::FolderId(const std::string& p_sName) const
{
    if (p_sName.empty())
        return {};
    for (const olstandin::CFolderRow& folder : m_p_oProfile->Folders())
        if (folder.m_sName == p_sName)
            return folder.m_oEntryId;
    ADD_FAILURE() << "no folder " << p_sName;
    return {};
}

std::vector<CItemState> SMSForms::Items(const std::string& p_sFolder) const
{
    std::vector<CItemState> items;
    for (const olstandin::CItemRow& row : m_p_oProfile->Items(FolderId(p_sFolder)))
    {
        com_ptr<IMessage> message = m_p_oProfile->OpenEntry(row.m_oEntryId).query<IMessage>(kIidMessage);
        if (!message)
            continue;
        items.push_back({TextOf(message.get(), PR_SUBJECT_A), TextOf(message.get(), PR_MESSAGE_CLASS_A),
                         NamedFlag(message.get(), L"MustSendSMSReminder"),
                         NamedFlag(message.get(), L"AlsoSendToAttendees")});
    }
    return items;
}

CItemState SMSForms::Item(const std::string& p_sFolder, const std::string& p_sSubject) const
{
    for (const CItemState& item : Items(p_sFolder))
        if (item.m_sSubject == p_sSubject)
            return item;
    ADD_FAILURE() << "no item " << p_sSubject << " in " << p_sFolder;
    return {};
}

std::vector<BYTE> SMSForms::ItemId(const std::string& p_sFolder, const std::string& p_sSubject) const
{
    for (const olstandin::CItemRow& row : m_p_oProfile->Items(FolderId(p_sFolder)))
        if (row.m_sSubject == p_sSubject)
            return row.m_oEntryId;
    ADD_FAILURE() << "no item " << p_sSubject << " in " << p_sFolder;
    return {};
}

std::vector<std::string> SMSForms::Definitions(const std::string& p_sFolder) const
{
    com_ptr<IMAPIFolder> folder;
    if (p_sFolder.empty())
    {
        ULONG type = 0;
        EXPECT_EQ(
            m_p_oProfile->Store()->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<IUnknown**>(folder.put())),
            S_OK);
    }
    else
        folder = m_p_oProfile->OpenEntry(FolderId(p_sFolder)).query<IMAPIFolder>(kIidMapiFolder);
    std::vector<std::string> names;
    com_ptr<IMAPITable> table = folder ? Contents(folder.get(), MAPI_ASSOCIATED) : com_ptr<IMAPITable>();
    for (;;)
    {
        unique_mapi_rows rows;
        if (!table || FAILED(table->QueryRows(50, 0, rows.put())) || !rows || rows.get()->cRows == 0)
            return names;
        for (ULONG i = 0; i < rows.get()->cRows; ++i)
            if (rows.get()->aRow[i].lpProps[2].ulPropTag == PR_DISPLAY_NAME_A)
                names.emplace_back(rows.get()->aRow[i].lpProps[2].Value.lpszA);
    }
}

std::string SMSForms::DefaultClass(const std::string& p_sFolder) const
{
    com_ptr<IMAPIProp> folder = m_p_oProfile->OpenEntry(FolderId(p_sFolder));
    return folder ? TextOf(folder.get(), PROP_TAG(PT_STRING8, 0x36E5)) : std::string();
}

std::vector<BYTE> SMSForms::AddItem(const std::string& p_sFolder, const std::string& p_sClass,
                                    const std::string& p_sSubject)
{
    com_ptr<IMAPIFolder> folder = m_p_oProfile->OpenEntry(FolderId(p_sFolder)).query<IMAPIFolder>(kIidMapiFolder);
    com_ptr<IMessage> message;
    EXPECT_TRUE(folder && SUCCEEDED(folder->CreateMessage(nullptr, 0, message.put())));
    if (!message)
        return {};
    SPropValue values[2]{};
    values[0].ulPropTag = PR_MESSAGE_CLASS_A;
    values[0].Value.lpszA = const_cast<char*>(p_sClass.c_str());
    values[1].ulPropTag = PR_SUBJECT_A;
    values[1].Value.lpszA = const_cast<char*>(p_sSubject.c_str());
    EXPECT_EQ(message->SetProps(2, values, nullptr), S_OK);
    EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    return ItemId(p_sFolder, p_sSubject);
}
} // namespace formstest
