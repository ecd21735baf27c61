// tests/win/compose/server_test.cpp: the compose server: registration and removal in the registry,
// activation as a local server, Init and its binding errors, and GetEmailDetails' entry text.
#include "compose/quillet_object_win.h"
#include "compose/registration_win.h"
#include "tests/win/compose/compose_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <iterator>
#include <thread>

namespace
{
class CComEnvironment : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                            ICC_COOL_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        LoadLibraryA("riched20.dll");
        ASSERT_TRUE(InstallCore(CORVANE_DLL_PATH));
    }
    // Every server the tests started has ended by itself once its last object went; one still
    // running is a fault, and would also hold the test's output open until the runner's timeout.
    void TearDown() override
    {
        EXPECT_EQ(EndProcessesNamed("Quillet.exe", 15000), 0) << "a Quillet.exe was still running";
    }
};
const auto* const g_pEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);

int RunProgram(const char* p_szProgram, const char* p_szArguments)
{
    std::string line = std::string("\"") + p_szProgram + "\" " + p_szArguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    {
        ADD_FAILURE() << line << " did not start: error " << GetLastError();
        return -1;
    }
    // The child's handles are this function's to close.
    const unique_handle childProcess(process.hProcess);
    const unique_handle childThread(process.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_TIMEOUT)
    {
        ADD_FAILURE() << line << " was still running after 30 s and was ended";
        TerminateProcess(process.hProcess, 3);
        WaitForSingleObject(process.hProcess, 5000);
        code = static_cast<DWORD>(-1);
    }
    else
    {
        GetExitCodeProcess(process.hProcess, &code);
    }
    return static_cast<int>(code);
}

int RunQuillet(const char* p_szSwitch)
{
    return RunProgram(QUILLET_EXE_PATH, p_szSwitch);
}

std::string Lower(std::string p_s)
{
    for (char& c : p_s)
        c = static_cast<char>(c == '/' ? '\\' : std::tolower(static_cast<unsigned char>(c)));
    return p_s;
}

const std::string kClsidKey = std::string("CLSID\\") + kQuilletClsid;
const std::string kAppIdKey = std::string("AppID\\") + kQuilletAppId;

// Every key the two scripts write.
const char* const kScriptKeys[] = {"Quillet.Quillet.1",      "Quillet.Quillet.1\\CLSID", "Quillet.Quillet",
                                   "Quillet.Quillet\\CLSID", "Quillet.Quillet\\CurVer",  "AppID\\Quillet.EXE"};
const char* const kClassSubkeys[] = {"ProgID", "VersionIndependentProgID", "Programmable", "LocalServer32", "TypeLib"};
} // namespace

TEST(Registration, RegServerWritesTheScriptsAndUnregServerRemovesThem)
{
    ASSERT_EQ(RunQuillet("/UnregServer"), 0);
    ASSERT_EQ(RunQuillet("-RegServer"), 0);
    std::string text;
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, kAppIdKey, nullptr, text));
    EXPECT_EQ(text, "Quillet");
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, "AppID\\Quillet.EXE", "AppID", text));
    EXPECT_EQ(text, kQuilletAppId);
    for (const char* key : kScriptKeys)
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, "Quillet.Quillet.1", nullptr, text));
    EXPECT_EQ(text, "Quillet Class");
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, "Quillet.Quillet", nullptr, text));
    EXPECT_EQ(text, "Quillet Class");
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, "Quillet.Quillet\\CurVer", nullptr, text));
    EXPECT_EQ(text, "Quillet.Quillet.1");
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, "Quillet.Quillet.1\\CLSID", nullptr, text));
    EXPECT_EQ(text, kQuilletClsid);
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, kClsidKey, nullptr, text));
    EXPECT_EQ(text, "Quillet Class");
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, kClsidKey, "AppID", text));
    EXPECT_EQ(text, kQuilletAppId);
    for (const char* sub : kClassSubkeys)
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey + "\\" + sub)) << sub;
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, kClsidKey + "\\LocalServer32", nullptr, text));
    EXPECT_EQ(Lower(text), Lower(QUILLET_EXE_PATH));
    ASSERT_TRUE(ReadRegText(HKEY_CLASSES_ROOT, kClsidKey + "\\TypeLib", nullptr, text));
    EXPECT_EQ(text, kQuilletLibId);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kQuilletLibId + "\\1.0"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Interface\\{72E052ED-5EC2-4B31-8308-049FED56873C}"));

    // Registering again over an existing class replaces it (ForceRemove) without failing.
    ASSERT_EQ(RunQuillet("/regserver"), 0);

    ASSERT_EQ(RunQuillet("/UnregServer"), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    for (const char* key : kScriptKeys)
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kQuilletLibId));
    // The roots the scripts only pass through stay.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));

    ASSERT_EQ(RunQuillet("/RegServer"), 0);
}

TEST(Activation, CoCreateInstanceStartsTheLocalServer)
{
    ASSERT_EQ(RunQuillet("/RegServer"), 0);
    const CHangWatch watch("starting the local server and calling it", 90000);
    com_ptr<IQuillet> quillet;
    ASSERT_EQ(CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet, quillet.put_void()), S_OK);
    EXPECT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    EXPECT_EQ(quillet->ShowTemplateEditor(0), S_OK);
    // Late binding through the embedded type library: DISPIDs follow the method order.
    const struct
    {
        const wchar_t* m_wszName;
        DISPID m_id;
    } names[] = {{L"Init", 1}, {L"CreateNewSMS", 2}, {L"GetEmailDetails", 10}, {L"StopOEMonitor", 20}};
    for (const auto& n : names)
    {
        LPOLESTR name = const_cast<LPOLESTR>(n.m_wszName);
        DISPID id = 0;
        EXPECT_EQ(quillet->GetIDsOfNames(IID_NULL, &name, 1, 0x0409, &id), S_OK);
        EXPECT_EQ(id, n.m_id);
    }
    quillet.reset();
}

// A release lets the server end once no new request has come for a while. An activation soon after
// a release meets the server still up; one after it has gone starts a new one. Each is answered;
// none is left waiting.
TEST(Activation, ActivationsSoonAfterAReleaseAndAfterTheServerHasGoneAreAnswered)
{
    ASSERT_EQ(RunQuillet("/RegServer"), 0);
    const CHangWatch watch("activating the server again after a release", 120000);
    // 0: the server has gone, so the activation starts a new one; otherwise the pause in ms.
    const DWORD pausesMs[] = {0, 1, 200, 400, 0, 1};
    for (size_t round = 0; round < std::size(pausesMs); ++round)
    {
        if (pausesMs[round] == 0)
            ASSERT_TRUE(WaitForProcessesNamed("Quillet.exe", 20000)) << "round " << round;
        else
            Sleep(pausesMs[round]);
        com_ptr<IQuillet> quillet;
        ASSERT_EQ(CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet, quillet.put_void()), S_OK)
            << "round " << round;
        EXPECT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK) << "round " << round;
        quillet.reset();
    }
}

TEST(Activation, QuilletOpenOpensAComposeWindowThroughCom)
{
    ASSERT_EQ(RunQuillet("/RegServer"), 0);
    // Without --wait the tool lets the object go at once: the server closes the window and ends.
    EXPECT_EQ(RunProgram(QUILLET_OPEN_PATH, "--to 0821234567 --text Hello"), 0);
}

TEST(Init, OutlookExpressPackageLoadsNoMapi)
{
    CBoxRecorder boxes;
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    EXPECT_EQ(quillet->Init(1, 6, nullptr, nullptr, 0, 0, 0), S_OK);
    EXPECT_EQ(g_hMapiInstance, nullptr);
    ASSERT_NE(quillet->Binding(), nullptr);
    EXPECT_TRUE(quillet->Binding()->Ready());
    EXPECT_TRUE(boxes.Seen().empty());
    quillet.reset();
}

// Takes the MAPI path value away for one test (other tests of the prefix install a provider there)
// and puts back what was there.
class CNoMapiPathValue
{
  public:
    CNoMapiPathValue()
    {
        char value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        m_bHad =
            RegGetValueA(HKEY_LOCAL_MACHINE, kKey, "DLLPathEx", RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
        m_sValue = value;
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, "DLLPathEx");
    }
    ~CNoMapiPathValue()
    {
        if (m_bHad)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, kKey, "DLLPathEx", REG_SZ, m_sValue.c_str(),
                            static_cast<DWORD>(m_sValue.size() + 1));
    }

  private:
    static constexpr const char* kKey = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook";
    bool m_bHad = false;
    std::string m_sValue;
};

// Answers, from a thread of its own, the core library's "SMS - Addressbook Initialization Error"
// boxes as a user would; they are real message boxes of the library, not the server's.
class CCoreBoxAnswerer
{
  public:
    CCoreBoxAnswerer()
        : m_oThread([this]() {
              while (!m_bStop.load())
              {
                  if (const HWND box = FindWindowA("#32770", "SMS - Addressbook Initialization Error"))
                  {
                      ++m_iAnswered;
                      SendMessageA(box, WM_COMMAND, IDOK, 0);
                  }
                  Sleep(20);
              }
          })
    {
    }
    ~CCoreBoxAnswerer()
    {
        m_bStop.store(true);
        m_oThread.join();
    }
    int Answered() const
    {
        return m_iAnswered.load();
    }

  private:
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_iAnswered{0};
    std::thread m_oThread;
};

TEST(Init, OutlookPackageLoadsMapiOncePerProcess)
{
    CBoxRecorder boxes;
    const CNoMapiPathValue noPath;
    // Without a MAPI profile the core library's Outlook start tells the user why and fails.
    const CCoreBoxAnswerer coreBoxes;
    // No DLLPathEx and no component path here: the search ends at "mapi32.dll".
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    (void)quillet->Init(0, 4, nullptr, nullptr, 0, 0, 0);
    const HMODULE first = g_hMapiInstance;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, GetModuleHandleA("mapi32.dll"));
    (void)quillet->Init(0, 4, nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(g_hMapiInstance, first);
    EXPECT_EQ(coreBoxes.Answered(), 1) << "the core library's failed start was not told once";
    quillet.reset();
    EXPECT_EQ(g_hMapiInstance, nullptr);
}

TEST(Init, BindingErrorsFailInitAndNameTheirCause)
{
    const struct
    {
        const char* m_szCorePath;
        unsigned m_uId;
        const char* m_szText;
    } cases[] = {
        {MISSING_EXPORT_CORE_PATH, 214, "Failed to find function SendBulkSMS"},
        {nullptr, 216, "Failed to get Addressbook location."},
        {"Z:\\nowhere\\Corvane.dll", 221, "Failed to load 'Corvane.Dll' with error code"},
    };
    for (const auto& c : cases)
    {
        CBoxRecorder boxes;
        if (c.m_szCorePath != nullptr)
            ASSERT_TRUE(InstallCore(c.m_szCorePath));
        else
            DeleteRegValue(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Addressbook");
        com_ptr<CQuillet> quillet;
        quillet.attach(new CQuillet());
        EXPECT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), static_cast<HRESULT>(0xFFFFFFFF)) << c.m_uId;
        EXPECT_EQ(quillet->Error().Id(), c.m_uId);
        EXPECT_EQ(quillet->Error().Text().rfind(c.m_szText, 0), 0u) << quillet->Error().Text();
        const auto seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].m_sCaption, "IQuillet Construction Failed");
        // The binding stays in error: reporting methods fail, the others answer S_OK, none calls the core.
        EXPECT_EQ(quillet->StopOEMonitor(), static_cast<HRESULT>(0xFFFFFFFF));
        EXPECT_EQ(quillet->SetBrowserWindow(0), S_OK);
        EXPECT_EQ(quillet->CreateNewSMS(0, nullptr, nullptr), static_cast<HRESULT>(0xFFFFFFFF));
        quillet.reset();
        ASSERT_TRUE(InstallCore(CORVANE_DLL_PATH));
    }
}

namespace
{
std::vector<uint8_t> g_vEntryBytes;
int CORVANE_API FakeGetEmailDetails(uint32_t p_dwCount, const uint8_t* p_pBytes, char** p_pszSender, char** p_pszText)
{
    g_vEntryBytes.assign(p_pBytes, p_pBytes + p_dwCount);
    *p_pszSender = const_cast<char*>("Ann Sender");
    *p_pszText = const_cast<char*>("Body text");
    return 1;
}
int CORVANE_API FakeFreeString(char** p_pszText)
{
    *p_pszText = nullptr;
    return 1;
}
} // namespace

TEST(GetEmailDetails, HexEntryTextBecomesBytes)
{
    com_ptr<CQuillet> quillet;
    quillet.attach(new CQuillet());
    ASSERT_EQ(quillet->Init(1, 0, nullptr, nullptr, 0, 0, 0), S_OK);
    CAddressBookControlObject& core = *quillet->Binding();
    const auto realGet = core.m_pfnGetEmailDetails;
    const auto realFree = core.m_pfnFreeString;
    core.m_pfnGetEmailDetails = &FakeGetEmailDetails;
    core.m_pfnFreeString = &FakeFreeString;
    BSTR sender = nullptr;
    BSTR message = nullptr;
    const unique_bstr entry(SysAllocString(L"0A1BFF"));
    EXPECT_EQ(quillet->GetEmailDetails(3, entry.get(), &sender, &message), S_OK);
    EXPECT_EQ(g_vEntryBytes, (std::vector<uint8_t>{0x0A, 0x1B, 0xFF}));
    ASSERT_NE(sender, nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(sender, L"Ann Sender");
    EXPECT_STREQ(message, L"Body text");
    const unique_bstr ownSender(sender);
    const unique_bstr ownMessage(message);
    // A text shorter than its byte count is refused before the core sees it.
    g_vEntryBytes.clear();
    EXPECT_EQ(quillet->GetEmailDetails(4, entry.get(), &sender, &message), static_cast<HRESULT>(0xFFFFFFFF));
    EXPECT_TRUE(g_vEntryBytes.empty());
    core.m_pfnGetEmailDetails = realGet;
    core.m_pfnFreeString = realFree;
    quillet.reset();
}
