// tests/win/plugin/plugin_object_test.cpp: the extension object in the test's own process against a
// fake host and a fake compose server: the host version from the client builds' version resources,
// the interfaces per context, Install, the Br&evolt menu and its commands, the viewers sharing one
// compose server object, and the registration value.
#include "outlook/gui_changer_win.h"
#include "outlook/outlook_plugin_win.h"
#include "outlook/plugin_registration_win.h"
#include "outlook/resource_module_win.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include <gtest/gtest.h>

using namespace plugintest;

namespace
{
class CComEnvironment : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        // The test program carries the plug-in's resources (menu, dialogs, strings).
        g_hPluginInstance = GetModuleHandleA(nullptr);
        ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt", "Resource", RESOURCE_DLL));
        DeleteRegValue(HKEY_LOCAL_MACHINE, "Software\\Brevolt\\Install", "Penhold");
    }
};
const auto* const g_pEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);

template <typename T> com_ptr<T> Query(IUnknown* p_pObject, REFIID p_riid)
{
    com_ptr<T> result;
    if (FAILED(p_pObject->QueryInterface(p_riid, result.put_void())))
        result.reset();
    return result;
}

com_ptr<exchext::IExchExt> NewPlugin()
{
    com_ptr<exchext::IExchExt> plugin;
    plugin.attach(new COutlookPlugin());
    return plugin;
}

std::string Window(const CFakeHost& p_oHost)
{
    return std::to_string(static_cast<long>(reinterpret_cast<LONG_PTR>(p_oHost.Window())));
}

TEST(HostVersion, CodesFromTheClientBuildsAndNoneWithoutAVersionResource)
{
    const struct
    {
        const char* m_szExe;
        int m_iCode;
    } hosts[] = {{OUTLOOK80_EXE, 1}, {OUTLOOK85_EXE, 2}, {OUTLOOK90_EXE, 3}, {OUTLOOK100_EXE, 4}, {OUTLOOK110_EXE, 5}};
    for (const auto& host : hosts)
    {
        unique_hmodule module(
            LoadLibraryExA(host.m_szExe, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module) << host.m_szExe;
        COutlookVersion version;
        ASSERT_TRUE(version.CheckVersion(module.get())) << host.m_szExe;
        EXPECT_EQ(version.Code(), host.m_iCode) << host.m_szExe;
    }
    COutlookVersion none;
    EXPECT_FALSE(none.CheckVersion(GetModuleHandleA(nullptr))) << "the test program has no version resource";
}

TEST(Contexts, InterfacesPerContextAndInstallAnswers)
{
    CFakeQuilletClass quillet;
    ASSERT_TRUE(quillet.Registered());
    CFakeHost host;
    for (const ULONG context : {exchext::kContextSession, exchext::kContextAddressBook, exchext::kContextReadNote,
                                exchext::kContextPropertySheets})
    {
        const com_ptr<exchext::IExchExt> plugin = NewPlugin();
        EXPECT_EQ(plugin->Install(&host, context, 0), S_FALSE) << context;
        EXPECT_FALSE(Query<IUnknown>(plugin.get(), exchext::IID_IExchExtCommands)) << context;
    }
    const GUID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

    const com_ptr<exchext::IExchExt> note = NewPlugin();
    ASSERT_EQ(note->Install(&host, exchext::kContextSendNote, 0), S_OK);
    EXPECT_TRUE(Query<IUnknown>(note.get(), exchext::IID_IExchExtMessageEvents));
    for (const GUID& refused : {exchext::IID_IExchExtCommands, exchext::IID_IExchExtUserEvents,
                                exchext::IID_IExchExtSessionEvents, exchext::IID_ExplorerEvents, unknown})
        EXPECT_FALSE(Query<IUnknown>(note.get(), refused));
    EXPECT_TRUE(Query<IUnknown>(note.get(), IID_IDispatch)) << "IDispatch is answered in every context";

    const com_ptr<exchext::IExchExt> viewer = NewPlugin();
    ASSERT_EQ(viewer->Install(&host, exchext::kContextViewer, 0), S_OK);
    for (const GUID& answered :
         {exchext::IID_IExchExtCommands, exchext::IID_IExchExtUserEvents, exchext::IID_IExchExtSessionEvents,
          exchext::IID_ExplorerEvents, exchext::IID_CommandBarButtonEvents, IID_IDispatch})
        EXPECT_TRUE(Query<IUnknown>(viewer.get(), answered));
    EXPECT_FALSE(Query<IUnknown>(viewer.get(), exchext::IID_IExchExtMessageEvents));
    EXPECT_FALSE(Query<IUnknown>(viewer.get(), unknown));
    const com_ptr<IDispatch> sink = Query<IDispatch>(viewer.get(), IID_IDispatch);
    UINT count = 0;
    EXPECT_EQ(sink->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr), E_NOTIMPL);
}

TEST(Viewers, OneComposeServerStartedOnceRepointedAndReleasedWithTheLast)
{
    CFakeQuilletClass quillet;
    QuilletLog().Clear();
    CFakeHost first;
    CFakeHost second;
    com_ptr<exchext::IExchExt> one = NewPlugin();
    ASSERT_EQ(one->Install(&first, exchext::kContextViewer, 0), S_OK);
    const std::vector<std::string> started = {"Init 0 0 session app " + Window(first) + " 0 0", "StartReminderMonitor",
                                              "StartMailMonitor " + std::to_string(GetCurrentProcessId()),
                                              "StartVMIfNecessary"};
    EXPECT_EQ(QuilletLog().Lines(), started);

    com_ptr<exchext::IExchExt> two = NewPlugin();
    ASSERT_EQ(two->Install(&second, exchext::kContextViewer, 0), S_OK);
    EXPECT_EQ(QuilletLog().Lines(), started) << "a second explorer starts nothing again";

    QuilletLog().Clear();
    one.reset();
    EXPECT_EQ(QuilletLog().Lines(), std::vector<std::string>{"SetBrowserWindow " + Window(second)});
    two.reset();
    EXPECT_EQ(QuilletLog().Lines().back(), "Released");
    EXPECT_EQ(QuilletLog().m_lLiveObjects, 0);
}

TEST(SendNote, TheCCToMobileChoiceIsStoredWhenGivenAndSentOnSubmit)
{
    CFakeQuilletClass quillet;
    CFakeHost explorer;
    const com_ptr<exchext::IExchExt> viewer = NewPlugin();
    ASSERT_EQ(viewer->Install(&explorer, exchext::kContextViewer, 0), S_OK);
    CFakeHost note;
    note.m_bHasMessage = true;
    const com_ptr<exchext::IExchExt> plugin = NewPlugin();
    ASSERT_EQ(plugin->Install(&note, exchext::kContextSendNote, 0), S_OK);
    const com_ptr<exchext::IExchExtMessageEvents> events =
        Query<exchext::IExchExtMessageEvents>(plugin.get(), exchext::IID_IExchExtMessageEvents);
    ASSERT_TRUE(events);

    QuilletLog().Clear();
    note.SetCCChoice(0);
    EXPECT_EQ(events->OnWrite(&note), S_FALSE);
    EXPECT_EQ(events->OnWriteComplete(&note, 0), S_FALSE);
    EXPECT_TRUE(QuilletLog().Lines().empty()) << "a choice of 0 stores nothing";

    note.SetCCChoice(1 | 4);
    EXPECT_EQ(events->OnWriteComplete(&note, 0), S_FALSE);
    EXPECT_EQ(events->OnSubmit(&note), S_FALSE);
    EXPECT_EQ(events->OnSubmitComplete(&note, 0), S_FALSE);
    EXPECT_EQ(QuilletLog().Lines(), (std::vector<std::string>{"CCPhoneStore 101", "CCPhoneSend " + Window(note)}))
        << "To and BCC chosen, CC not";
}

TEST(Install, AFailedStepShowsItsBoxAndLeavesTheExplorerWithoutTheExtension)
{
    CFakeQuilletClass quillet;
    CBoxes boxes;
    CFakeHost host;
    host.m_bWindowFails = true;
    const com_ptr<exchext::IExchExt> plugin = NewPlugin();
    EXPECT_EQ(plugin->Install(&host, exchext::kContextViewer, 0), S_FALSE);
    EXPECT_EQ(boxes.Seen(),
              std::vector<std::string>{"An error occurred: Calling function 'GetWindow' resulted in error "
                                       "0x80004005 in function 'COutlookPlugin::Install'."});
}

class MenuTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        QuilletLog().Clear();
        m_p_oPlugin = NewPlugin();
        ASSERT_EQ(m_p_oPlugin->Install(&m_oHost, exchext::kContextViewer, 0), S_OK);
        m_p_oCommands = Query<exchext::IExchExtCommands>(m_p_oPlugin.get(), exchext::IID_IExchExtCommands);
        m_p_oEvents = Query<exchext::IExchExtUserEvents>(m_p_oPlugin.get(), exchext::IID_IExchExtUserEvents);
        ASSERT_TRUE(m_p_oCommands && m_p_oEvents);
        UINT next = kBase;
        ASSERT_EQ(m_p_oCommands->InstallCommands(&m_oHost, m_oHost.Window(), m_oHost.MenuBar(), &next, nullptr, 0, 0),
                  S_OK);
        m_uNext = next;
        QuilletLog().Clear();
    }
    void Select(std::vector<CFakeHost::CItem> p_vItems)
    {
        m_oHost.m_vSelection = std::move(p_vItems);
        m_p_oEvents->OnSelectionChange(&m_oHost);
        m_p_oCommands->InitMenu(&m_oHost);
    }
    bool Disabled(const char* p_szText)
    {
        const UINT id = FindCommand(m_oHost.MenuBar(), p_szText);
        return (GetMenuState(m_oHost.MenuBar(), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }

    static constexpr UINT kBase = 0x4000;
    CFakeQuilletClass m_oQuillet;
    CFakeHost m_oHost;
    com_ptr<exchext::IExchExt> m_p_oPlugin;
    com_ptr<exchext::IExchExtCommands> m_p_oCommands;
    com_ptr<exchext::IExchExtUserEvents> m_p_oEvents;
    UINT m_uNext = 0;
};

TEST_F(MenuTest, PopupBeforeToolsWithTheNextFreeIdsAndTheNewSMSItem)
{
    const std::string dump = DumpMenu(m_oHost.MenuBar());
    const size_t popup = dump.find("Br&evolt\n");
    ASSERT_NE(popup, std::string::npos) << dump;
    EXPECT_LT(popup, dump.find("Tools\n")) << dump;
    EXPECT_NE(dump.find("  &New SMS...\t16384\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("  &Reply via SMS\t16386\tdisabled\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("  &Help\n    &Online Help\t"), std::string::npos) << "sub-menus are copied" << dump;
    EXPECT_EQ(m_uNext, kBase + 15) << "fifteen commands took ids";
    // A host without the object model also gets "New SMS" beside its new-message command, captioned
    // from the resource module.
    EXPECT_NE(dump.find("  New\n    New &SMS...\t16384\n    Mail Message\t151\n"), std::string::npos) << dump;
}

TEST_F(MenuTest, ReplyAndForwardFollowTheSelectionAndCarryTheMailsDetails)
{
    const CFakeHost::CItem note{{0x00, 0xAB, 0x1F}, "IPM.Note"};
    Select({note});
    EXPECT_FALSE(Disabled("Reply via SMS"));
    EXPECT_FALSE(Disabled("Forward via SMS"));
    Select({note, note});
    EXPECT_TRUE(Disabled("Reply via SMS")) << "several items";
    Select({{{1}, "IPM.Appointment"}});
    EXPECT_TRUE(Disabled("Forward via SMS")) << "not a note";
    Select({{{0x00, 0xAB, 0x1F}, "ipm.note.smime"}});
    EXPECT_FALSE(Disabled("Reply via SMS")) << "the class is compared in upper case";

    QuilletLog().Clear();
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, FindCommand(m_oHost.MenuBar(), "Reply via SMS")), S_OK);
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, FindCommand(m_oHost.MenuBar(), "Forward via SMS")), S_OK);
    const std::string window = Window(m_oHost);
    EXPECT_EQ(
        QuilletLog().Lines(),
        (std::vector<std::string>{"GetEmailDetails 3 00AB1F", "CreateNewSMS " + window + " +27825550101|Meet at ten",
                                  "GetEmailDetails 3 00AB1F", "CreateNewSMS " + window + " |Meet at ten"}));
    EXPECT_EQ(CFakeHost::s_lOpenBuffers, 0) << "every entry id the host handed out was freed";
}

TEST_F(MenuTest, CommandsByIdPrivateIdsAndHelpTexts)
{
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, FindCommand(m_oHost.MenuBar(), "New SMS...")), S_OK);
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, FindCommand(m_oHost.MenuBar(), "Template Editor...")), S_OK);
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, 0xFFFB), S_OK);
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, 0xF449), S_OK);
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, 9001), S_FALSE) << "the host's own command";
    EXPECT_EQ(m_p_oCommands->DoCommand(&m_oHost, m_uNext), S_FALSE) << "past the plug-in's ids";
    const std::string window = Window(m_oHost);
    EXPECT_EQ(QuilletLog().Lines(), (std::vector<std::string>{"CreateNewSMS " + window + " |", "ShowTemplateEditor",
                                                              "CreateNewSMS " + window + " |"}));

    char text[16] = "stale";
    EXPECT_EQ(m_p_oCommands->QueryHelpText(kBase, 2, text, 7), S_OK);
    EXPECT_STREQ(text, "") << "\"New SMS\" does not fit seven characters";
    EXPECT_EQ(m_p_oCommands->QueryHelpText(kBase, 1, text, 8), S_OK);
    EXPECT_STREQ(text, "New SMS");
    TBBUTTON button{};
    EXPECT_EQ(m_p_oCommands->QueryButtonInfo(1, 0, &button, text, sizeof text, 0), S_FALSE) << "no toolbar given";
}

TEST(ResourceModule, DefinitionsStringsAndMaskedFaces)
{
    CResourceModule module;
    ASSERT_TRUE(module.Load(RESOURCE_DLL));
    for (const unsigned type : {kToolbarTextType, kToolbarTextOtherType})
    {
        std::vector<CToolbarEntry> entries;
        ASSERT_TRUE(module.ReadDefinition("Toolbar.txt", type, entries)) << type;
        ASSERT_EQ(entries.size(), 7u);
        EXPECT_EQ(entries[0].m_sCaption, "New SMS");
        EXPECT_EQ(entries[6].m_eKind, EToolbarEntryKind::DropDownList);
        EXPECT_EQ(entries[6].m_vChildren.size(), 3u);
    }
    std::vector<CToolbarEntry> newSMS;
    ASSERT_TRUE(module.ReadDefinition("NewSMS.txt", kNewSMSTextType, newSMS));
    EXPECT_EQ(CompanionEntry(newSMS, "fallback").m_sCaption, "New Branded SMS");
    EXPECT_FALSE(module.ReadDefinition("NewSMS.txt", kToolbarTextType, newSMS)) << "read by its own type only";
    EXPECT_EQ(module.String(kModuleNewSMSItem, ""), "New &SMS...");
    EXPECT_EQ(module.String(kModuleNewSMSButton, ""), "New SMS");
    EXPECT_EQ(module.String(9999, "fallback"), "fallback");

    // The corner of every face is mask green in the file and the button face on screen.
    unique_hbitmap face = module.FaceBitmap(301);
    ASSERT_TRUE(face);
    unique_hdc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), face.get());
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(GetPixel(dc.get(), 8, 8), GetSysColor(COLOR_BTNFACE));
    SelectObject(dc.get(), old);
}

TEST(Registration, TheDocumentedExtensionValueIsWrittenAndRemoved)
{
    unique_hmodule library(LoadLibraryA(BREVOLT_OUTLOOK_DLL));
    ASSERT_TRUE(library);
    using PFN_Register = HRESULT(STDAPICALLTYPE*)();
    const auto reg =
        reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(library.get(), "DllRegisterServer")));
    const auto unreg =
        reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(library.get(), "DllUnregisterServer")));
    ASSERT_TRUE(reg && unreg);
    ASSERT_EQ(reg(), S_OK);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(library.get(), path, MAX_PATH);
    std::string value;
    ASSERT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kClientExtensionsKey, kPluginExtensionName, value));
    EXPECT_EQ(value, std::string("4.0;") + path + ";1;01000100000000;1111000");
    EXPECT_EQ(unreg(), S_OK);
    EXPECT_FALSE(ReadRegText(HKEY_LOCAL_MACHINE, kClientExtensionsKey, kPluginExtensionName, value));
    EXPECT_EQ(unreg(), S_OK) << "removing it twice is no failure";
}
} // namespace
