// tests/win/mapi/mapi_marshal_test.cpp: the stand-in's objects handed to another process, as MAPI
// objects are when a client passes its session to a local server: within the process they stay
// free-threaded; a session, folder or saved message is opened again in the other process from the
// same store file (this test's own executable, run for one case); both processes' writes reach the
// file; and marshalled data that is not the stand-in's, or names another store, is refused.
#include "standins/mapi/provider/marshal_blob.h"
#include "tests/win/mapi/mapi_test_support.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

using namespace mapitest;

namespace
{
const CLSID kUnmarshalClass = {0xB7A5EED2, 0x0C0A, 0x4B1D, {0x8E, 0x55, 0x5E, 0xED, 0x11, 0xAB, 0x00, 0x01}};
const CLSID kFreeThreadedClass = {0x0000033A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIID_IMAPIProp = {0x00020303, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr char kActionVariable[] = "BREVOLT_MARSHAL_ACTION";

std::string StoreFile()
{
    return g_sTemp + "\\store.json";
}

std::string ReadFileText(const std::string& p_sPath)
{
    std::ifstream in(p_sPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What CoMarshalInterface writes for p_pObject in that context.
std::string Marshal(IUnknown* p_pObject, DWORD p_dwContext)
{
    com_ptr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    EXPECT_EQ(CoMarshalInterface(stream.get(), IID_IUnknown, p_pObject, p_dwContext, nullptr, MSHLFLAGS_NORMAL), S_OK);
    HGLOBAL memory = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(stream.get(), &memory), S_OK);
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    const auto* bytes = static_cast<const char*>(GlobalLock(memory));
    std::string data(bytes, static_cast<size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return data;
}

HRESULT Unmarshal(const std::string& p_sData, REFIID p_riid, void** p_ppv)
{
    com_ptr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ULONG written = 0;
    EXPECT_EQ(stream->Write(p_sData.data(), static_cast<ULONG>(p_sData.size()), &written), S_OK);
    LARGE_INTEGER start{};
    EXPECT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
    return CoUnmarshalInterface(stream.get(), p_riid, p_ppv);
}

CLSID UnmarshalClass(IUnknown* p_pObject, DWORD p_dwContext)
{
    com_ptr<IMarshal> marshal;
    EXPECT_EQ(p_pObject->QueryInterface(IID_IMarshal, marshal.put_void()), S_OK);
    CLSID clsid = GUID_NULL;
    if (marshal)
    {
        EXPECT_EQ(marshal->GetUnmarshalClass(IID_IUnknown, p_pObject, p_dwContext, nullptr, MSHLFLAGS_NORMAL, &clsid),
                  S_OK);
    }
    return clsid;
}

// Runs this executable's MarshalOtherProcess case with the marshalled data and what it is to do;
// its exit code (0: the case passed).
int RunOtherProcess(const std::string& p_sData, const std::string& p_sAction, const std::string& p_sText)
{
    const std::string blobPath = g_sTemp + "\\marshalled.bin";
    std::ofstream(blobPath, std::ios::binary | std::ios::trunc) << p_sData;
    SetEnvironmentVariableA(kActionVariable, p_sAction.c_str());
    SetEnvironmentVariableA("BREVOLT_MARSHAL_BLOB", blobPath.c_str());
    SetEnvironmentVariableA("BREVOLT_MARSHAL_TEXT", p_sText.c_str());
    unique_handle process = StartThisExecutable("MarshalOtherProcess.*");
    SetEnvironmentVariableA(kActionVariable, nullptr);
    return process ? ExitCodeOf(process.get()) : -1;
}

std::vector<std::string> Subjects(IMAPIFolder* p_pFolder)
{
    CRelease<IMAPITable> contents;
    EXPECT_EQ(p_pFolder->GetContentsTable(0, &contents), S_OK);
    LPSRowSet keep = nullptr;
    std::vector<std::string> subjects;
    if (contents)
        for (const auto& row : AllRows(contents, {PR_SUBJECT_A}, keep))
            subjects.push_back(Text(row[0]));
    g_mapi.m_pfnFreeProws(keep);
    return subjects;
}

bool Contains(const std::vector<std::string>& p_v, const std::string& p_s)
{
    return std::find(p_v.begin(), p_v.end(), p_s) != p_v.end();
}

// A new message in p_pFolder with that subject, saved.
void SaveNewMessage(IMAPIFolder* p_pFolder, const char* p_szSubject, CRelease<IMessage>* p_pKeep = nullptr)
{
    CRelease<IMessage> message;
    ASSERT_EQ(p_pFolder->CreateMessage(nullptr, 0, &message), S_OK);
    SetText(message, PR_SUBJECT_A, p_szSubject);
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    if (p_pKeep)
        *p_pKeep = std::move(message);
}

constexpr char kClassKey[] = "Software\\Classes\\CLSID\\{B7A5EED2-0C0A-4B1D-8E55-5EED11AB0001}";

// As scripts/prefix registers it: the unmarshal class is an in-process server of the stand-in.
void RegisterUnmarshalClass()
{
    const std::string key = std::string(kClassKey) + "\\InprocServer32";
    SetString(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, MAPI_DLL_PATH);
    SetString(HKEY_LOCAL_MACHINE, key.c_str(), "ThreadingModel", "Both");
}

class MarshalTest : public CMapiContract
{
  public:
    static void SetUpTestSuite()
    {
        CMapiContract::SetUp(true);
        RegisterUnmarshalClass();
    }
    // The other suites of the prefix hand objects across as they always did.
    static void TearDownTestSuite()
    {
        (void)RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClassKey);
        CMapiContract::TearDownTestSuite();
    }
};
} // namespace

TEST_F(MarshalTest, InTheProcessObjectsStayFreeThreadedAndOnlyObjectsWithAnIdentityGoElsewhereAsThemselves)
{
    EXPECT_EQ(UnmarshalClass(g_pSession, MSHCTX_INPROC), kFreeThreadedClass);
    EXPECT_EQ(UnmarshalClass(g_pSession, MSHCTX_LOCAL), kUnmarshalClass);
    EXPECT_EQ(UnmarshalClass(g_pStore, MSHCTX_LOCAL), kUnmarshalClass);
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    EXPECT_EQ(UnmarshalClass(inbox, MSHCTX_LOCAL), kUnmarshalClass);
    CRelease<IMAPITable> contents;
    ASSERT_EQ(inbox->GetContentsTable(0, &contents), S_OK);
    EXPECT_NE(UnmarshalClass(contents, MSHCTX_LOCAL), kUnmarshalClass) << "a table exists only in this process";
    CRelease<IMessage> message;
    ASSERT_EQ(inbox->CreateMessage(nullptr, 0, &message), S_OK);
    EXPECT_NE(UnmarshalClass(message, MSHCTX_LOCAL), kUnmarshalClass) << "an unsaved message is not in the file";
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(UnmarshalClass(message, MSHCTX_LOCAL), kUnmarshalClass);

    // Without the unmarshal class registered no other process could open it: it goes as before.
    ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClassKey), ERROR_SUCCESS);
    EXPECT_NE(UnmarshalClass(g_pSession, MSHCTX_LOCAL), kUnmarshalClass);
    RegisterUnmarshalClass();
    EXPECT_EQ(UnmarshalClass(g_pSession, MSHCTX_LOCAL), kUnmarshalClass);

    // Between apartments of the process the same object comes back.
    com_ptr<IUnknown> back;
    ASSERT_EQ(Unmarshal(Marshal(g_pSession, MSHCTX_INPROC), IID_IUnknown, back.put_void()), S_OK);
    com_ptr<IUnknown> identity;
    ASSERT_EQ(g_pSession->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    EXPECT_EQ(back.get(), identity.get());
}

TEST_F(MarshalTest, ASessionHandedToAnotherProcessWritesTheSameStoreAndNeitherProcessLosesTheOthersWrites)
{
    CRelease<IMAPIFolder> outbox;
    outbox.attach(OpenFolder(PR_IPM_OUTBOX_ENTRYID));
    ASSERT_NE(outbox.get(), nullptr);
    // This process holds an unsaved new message (its id taken) while the other process writes.
    CRelease<IMessage> pending;
    ASSERT_EQ(outbox->CreateMessage(nullptr, 0, &pending), S_OK);
    SetText(pending, PR_SUBJECT_A, "Saved here after the other process wrote");

    ASSERT_EQ(RunOtherProcess(Marshal(g_pSession, MSHCTX_LOCAL), "write", "Written by the other process"), 0);

    EXPECT_TRUE(Contains(Subjects(outbox), "Written by the other process")) << "read again after its write";
    ASSERT_EQ(pending->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const std::vector<std::string> subjects = Subjects(outbox);
    EXPECT_TRUE(Contains(subjects, "Written by the other process")) << "not overwritten by this process's save";
    EXPECT_TRUE(Contains(subjects, "Saved here after the other process wrote"));
    const std::string file = ReadFileText(StoreFile());
    EXPECT_NE(file.find("Written by the other process"), std::string::npos);
    EXPECT_NE(file.find("Saved here after the other process wrote"), std::string::npos);

    // Distinct items: the other process's new message did not take the id this one held.
    CRelease<IMAPITable> contents;
    ASSERT_EQ(outbox->GetContentsTable(0, &contents), S_OK);
    LPSRowSet keep = nullptr;
    std::vector<std::string> ids;
    for (const auto& row : AllRows(contents, {PR_ENTRYID, PR_SUBJECT_A}, keep))
        if (Text(row[1]) == "Written by the other process" ||
            Text(row[1]) == "Saved here after the other process wrote")
            ids.emplace_back(reinterpret_cast<const char*>(row[0].Value.bin.lpb), row[0].Value.bin.cb);
    g_mapi.m_pfnFreeProws(keep);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], ids[1]);
}

TEST_F(MarshalTest, AMessageSaveIsAppendedToTheStoreFileAndAnotherProcessReadsItBackPastATornRecord)
{
    CRelease<IMAPIFolder> outbox;
    outbox.attach(OpenFolder(PR_IPM_OUTBOX_ENTRYID));
    ASSERT_NE(outbox.get(), nullptr);
    CRelease<IMessage> message;
    SaveNewMessage(outbox, "Journal, first version", std::addressof(message));

    // Saving a message again leaves the document as it is and appends a record after it.
    const std::string before = ReadFileText(StoreFile());
    SetText(message, PR_SUBJECT_A, "Journal, second version");
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const std::string after = ReadFileText(StoreFile());
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(after.compare(0, before.size(), before), 0) << "the document was rewritten";
    EXPECT_NE(after.find("Journal, second version", before.size()), std::string::npos);

    // A writer that ended mid-record leaves a torn tail: a process reading the file afresh takes
    // the last whole record and is not stopped by the rest, nor is this process's next save.
    std::ofstream(StoreFile(), std::ios::binary | std::ios::app) << "\x1E"
                                                                    "BVJ1 4000 0123456789abcdef\n{\"store\":";
    EXPECT_EQ(RunOtherProcess(Marshal(message, MSHCTX_LOCAL), "subject", "Journal, second version"), 0);
    SetText(message, PR_SUBJECT_A, "Journal, third version");
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(RunOtherProcess(Marshal(message, MSHCTX_LOCAL), "subject", "Journal, third version"), 0);

    // A file replaced behind this process's back (an older copy put over it) is not appended to:
    // the next save writes the whole store over it, as a save always did.
    SetText(message, PR_SUBJECT_A, "Journal, fourth version");
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    std::ofstream(StoreFile(), std::ios::binary | std::ios::trunc) << before;
    SetText(message, PR_SUBJECT_A, "Journal, fifth version");
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const std::string rewritten = ReadFileText(StoreFile());
    EXPECT_EQ(rewritten.find("Journal, first version"), std::string::npos);
    EXPECT_NE(rewritten.find("Journal, fifth version"), std::string::npos);
    EXPECT_EQ(RunOtherProcess(Marshal(message, MSHCTX_LOCAL), "subject", "Journal, fifth version"), 0);
}

TEST_F(MarshalTest, AFolderAndASavedMessageAreOpenedThereByTheirEntryIds)
{
    CRelease<IMAPIFolder> inbox;
    inbox.attach(Inbox());
    CRelease<IMessage> message;
    SaveNewMessage(inbox, "Handed to another process", std::addressof(message));
    EXPECT_EQ(RunOtherProcess(Marshal(message, MSHCTX_LOCAL), "subject", "Handed to another process"), 0);
    EXPECT_EQ(RunOtherProcess(Marshal(inbox, MSHCTX_LOCAL), "name", "Inbox"), 0);
    EXPECT_EQ(RunOtherProcess(Marshal(g_pStore, MSHCTX_LOCAL), "name", "Personal Folders"), 0);
}

TEST_F(MarshalTest, DataThatIsNotTheStandInsOrNamesAnotherStoreIsRefused)
{
    com_ptr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(kUnmarshalClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()),
              S_OK);
    const auto unmarshal = [&](const std::string& p_sData) {
        com_ptr<IMarshal> unmarshaler;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMarshal, unmarshaler.put_void()), S_OK);
        com_ptr<IStream> stream;
        EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
        EXPECT_EQ(stream->Write(p_sData.data(), static_cast<ULONG>(p_sData.size()), nullptr), S_OK);
        LARGE_INTEGER start{};
        EXPECT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
        com_ptr<IUnknown> object;
        const HRESULT hr = unmarshaler->UnmarshalInterface(stream.get(), IID_IUnknown, object.put_void());
        EXPECT_EQ(object.get(), nullptr);
        return hr;
    };
    EXPECT_TRUE(FAILED(unmarshal(std::string(64, 'x'))));
    EXPECT_TRUE(FAILED(unmarshal("BVMARSH1")));
    mapiprov::CMarshalTarget other;
    other.m_sStorePath = "C:\\another\\store.json";
    const std::vector<uint8_t> blob = mapiprov::WriteMarshalBlob(other);
    EXPECT_EQ(unmarshal(std::string(blob.begin(), blob.end())), MAPI_E_NOT_FOUND) << "a store this process has not";
    EXPECT_TRUE(FAILED(unmarshal(std::string(blob.begin(), blob.end() - 1)))) << "cut short";
}

// The other process's side, run by the cases above in a process of its own (skipped otherwise):
// it unmarshals what they wrote and, for "write", adds a message to the Outbox of the session's
// default store; for "subject" and "name", checks the object's subject or display name.
TEST(MarshalOtherProcess, OpensWhatItWasHanded)
{
    const char* action = std::getenv(kActionVariable);
    if (action == nullptr || *action == 0)
        GTEST_SKIP() << "run by the MarshalTest cases in a process of their own";
    const std::string text = std::getenv("BREVOLT_MARSHAL_TEXT") ? std::getenv("BREVOLT_MARSHAL_TEXT") : "";
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        com_ptr<IUnknown> object;
        ASSERT_EQ(Unmarshal(ReadFileText(std::getenv("BREVOLT_MARSHAL_BLOB")), IID_IUnknown, object.put_void()), S_OK);
        // The library the unmarshal class loaded is the one a client finds.
        g_mapi.m_hLib = GetModuleHandleA(MAPI_DLL_PATH);
        ASSERT_NE(g_mapi.m_hLib, nullptr);
        g_mapi.m_pfnFree = reinterpret_cast<LPMAPIFREEBUFFER>(GetProcAddress(g_mapi.m_hLib, "MAPIFreeBuffer"));
        g_mapi.m_pfnFreeProws = reinterpret_cast<void(WINAPI*)(LPSRowSet)>(GetProcAddress(g_mapi.m_hLib, "FreeProws"));
        g_mapi.m_pfnGetOneProp = reinterpret_cast<HRESULT(WINAPI*)(LPMAPIPROP, ULONG, LPSPropValue*)>(
            GetProcAddress(g_mapi.m_hLib, "HrGetOneProp"));
        if (std::string(action) == "write")
        {
            CRelease<IMAPISession> session;
            ASSERT_EQ(object->QueryInterface(IID_IMAPISession, session.put_void()), S_OK);
            CRelease<IMAPITable> stores;
            ASSERT_EQ(session->GetMsgStoresTable(0, &stores), S_OK);
            LPSRowSet keep = nullptr;
            const auto rows = AllRows(stores, {PR_ENTRYID, PR_DEFAULT_STORE}, keep);
            for (const auto& row : rows)
            {
                if (row[1].Value.b)
                {
                    ASSERT_EQ(session->OpenMsgStore(0, row[0].Value.bin.cb,
                                                    reinterpret_cast<LPENTRYID>(row[0].Value.bin.lpb), nullptr,
                                                    MAPI_BEST_ACCESS, &g_pStore),
                              S_OK);
                }
            }
            g_mapi.m_pfnFreeProws(keep);
            ASSERT_NE(g_pStore.get(), nullptr);
            CRelease<IMAPIFolder> outbox;
            outbox.attach(OpenFolder(PR_IPM_OUTBOX_ENTRYID));
            ASSERT_NE(outbox.get(), nullptr);
            SaveNewMessage(outbox, text.c_str());
            g_pStore.reset();
        }
        else
        {
            CRelease<IMAPIProp> prop;
            ASSERT_EQ(object->QueryInterface(kIID_IMAPIProp, prop.put_void()), S_OK);
            LPSPropValue value = nullptr;
            const ULONG tag = std::string(action) == "subject" ? PR_SUBJECT_A : PR_DISPLAY_NAME_A;
            ASSERT_EQ(g_mapi.m_pfnGetOneProp(prop, tag, &value), S_OK);
            EXPECT_EQ(Text(*value), text);
            g_mapi.m_pfnFree(value);
        }
    }
    CoUninitialize();
}
