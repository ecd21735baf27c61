// tests/win/installer/installer_test.cpp: the x64 package in a fresh prefix, as a user meets it, in order:
// a silent install with its files, Install values, shortcut and registrations; the compose server
// activated from the installed program; its registry data against what /RegServer writes; the client
// stand-in loading the installed plug-in; the next version over this one keeping the user's settings;
// an uninstall that leaves nothing of ours but the user's own data; and the x86 package likewise.
#include "common/handle_win.h"
#include "compose/quillet_h.h"
#include "tests/win/installer/installer_test_support.h"
#include "tests/win/outlook/outlook_test_support.h"
#include "tests/win/plugin/plugin_fakes_win.h"
#include "tests/win/support/registry_text_win.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>

using namespace msitest;

namespace
{
constexpr const char* kInstallKey = "Software\\Brevolt\\Install";
constexpr const char* kUserKey = "Software\\Brevolt";
constexpr const char* kExtensionsKey = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr const char* kUpgradeCode = "{AD18481A-2F79-40B0-9115-436BF308A9DE}";

// The keys the compose server's registration owns, under HKLM\Software\Classes.
const std::vector<std::string>& ComKeys()
{
    static const std::vector<std::string> keys = {"AppID\\{AABC1CA9-D4DD-4A5F-B3AD-E47C7FD5EE3E}",
                                                  "AppID\\Quillet.EXE",
                                                  "CLSID\\{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}",
                                                  "Interface\\{72E052ED-5EC2-4B31-8308-049FED56873C}",
                                                  "TypeLib\\{5AD454D3-4D7F-4DC6-831C-B4BD6AF3D3A8}",
                                                  "Quillet.Quillet",
                                                  "Quillet.Quillet.1"};
    return keys;
}

// Both registry views of the compose server's keys. Wine's type-library registration writes paths in
// their "\\?\" long form, and the package writes HELPDIR as the folder with its closing separator (a
// Windows Installer folder always has one): both name the same file or folder and are compared as such.
CSnapshot ComSnapshot()
{
    CSnapshot all;
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        for (const std::string& key : ComKeys())
            AddSnapshot(all, Snapshot(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + key, view),
                        view == KEY_WOW64_32KEY ? "32-bit " : "");
    CSnapshot normalised;
    for (auto [entry, data] : all)
    {
        const size_t longForm = data.find("\\\\?\\");
        if (longForm != std::string::npos)
            data.erase(longForm, 4);
        if (entry.find("\\HELPDIR | ") != std::string::npos && !data.empty() && data.back() == '\\')
            data.pop_back();
        normalised[entry] = data;
    }
    return normalised;
}

std::string InstallText(const char* p_szName)
{
    std::string text;
    (void)ReadRegText(HKEY_LOCAL_MACHINE, kInstallKey, p_szName, text);
    return text;
}

std::string Installed(const std::string& p_sRelative)
{
    return InstallDir() + "\\" + p_sRelative;
}

// The Start-menu entry: in the common Programs folder, where a per-machine install puts it on Windows,
// or in the user's, where Wine's installer puts it.
std::string StartMenuShortcut()
{
    for (const int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
    {
        char programs[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, folder, nullptr, 0, programs)))
            continue;
        const std::string link = std::string(programs) + "\\Outlook Express with SMS.lnk";
        if (FileExists(link))
            return link;
    }
    return std::string();
}

std::string ShortcutTarget(const std::string& p_sLink)
{
    com_ptr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return std::string();
    const com_ptr<IPersistFile> file = link.query<IPersistFile>();
    const std::wstring path(p_sLink.begin(), p_sLink.end());
    if (!file || FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::string();
    char target[MAX_PATH] = {};
    return SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) ? target : std::string();
}

// How many products of our upgrade code Windows Installer has registered.
int InstalledProducts()
{
    const std::wstring code(kUpgradeCode, kUpgradeCode + std::char_traits<char>::length(kUpgradeCode));
    int count = 0;
    wchar_t product[39] = {};
    while (MsiEnumRelatedProductsW(code.c_str(), 0, static_cast<DWORD>(count), product) == ERROR_SUCCESS)
        ++count;
    return count;
}

// The user's own settings and a trace log, which no install, upgrade or removal may touch.
void SeedUserData()
{
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Name", "Ann Example"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Email", "ann@example.org"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Phone", "0825551234"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "CountryCode", "27"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, kUserKey, "Signature", "- Ann"));
    ASSERT_TRUE(WriteRegText(HKEY_CURRENT_USER, std::string(kUserKey) + "\\Templates", "Recent0", "C:\\t.template"));
}

class Package : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // What the user's PC has before our package: Outlook's MAPI (the stand-in) with a profile.
        const std::string store = oltest::TempDir() + "\\store.json";
        CopyFileA(OUTLOOK_SEED_FILE, store.c_str(), FALSE);
        (void)WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt Test\\MAPI Stand-in", "StoreFile", store);
        (void)WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt Test\\MAPI Stand-in", "SmtpServer", "localhost:1");
        (void)WriteRegText(HKEY_CURRENT_USER, "Software\\Brevolt Test\\MAPI Stand-in", "SpoolDelayMs", "600000");
        (void)WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx",
                           MAPI_DLL_PATH);
        s_mapMachineBefore = new CSnapshot(Snapshot(HKEY_LOCAL_MACHINE, "Software"));
    }
    static void TearDownTestSuite()
    {
        delete s_mapMachineBefore;
        CoUninitialize();
    }
    static CSnapshot* s_mapMachineBefore;
};
CSnapshot* Package::s_mapMachineBefore = nullptr;

TEST_F(Package, InstallsSilentlyWithItsFilesValuesShortcutAndPluginRegistration)
{
    ASSERT_EQ(InstallPackage(BREVOLT_MSI), 0);
    for (const std::string& file : InstalledFiles())
        EXPECT_TRUE(FileExists(Installed(file))) << file;

    const std::vector<std::pair<const char*, std::string>> values = {
        {"Version", BREVOLT_VERSION},
        {"Addressbook", Installed("Corvane.dll")},
        {"Penhold", Installed("Penhold.dll")},
        {"Resource", Installed("Resource.dll")},
        {"DictFile", Installed("SMSDictionary.txt")},
        {"AppointmentNoRemindNoAttendeeOFT", Installed("Forms\\AppointmentNoRemindNoAttendee.oft")},
        {"AppointmentYesRemindNoAttendeeOFT", Installed("Forms\\AppointmentYesRemindNoAttendee.oft")},
        {"AppointmentYesRemindYesAttendeeOFT", Installed("Forms\\AppointmentYesRemindYesAttendee.oft")},
        {"TaskNoRemindOFT", Installed("Forms\\TaskNoRemind.oft")},
        {"TaskYesRemind2OFT", Installed("Forms\\TaskYesRemind2.oft")}};
    for (const auto& [name, expected] : values)
        EXPECT_EQ(InstallText(name), expected) << name;
    // No recommend-to-friends program ships: a "Viral" value would name a file that is not there.
    std::string viral;
    EXPECT_FALSE(ReadRegText(HKEY_LOCAL_MACHINE, kInstallKey, "Viral", viral)) << viral;

    EXPECT_EQ(ShortcutTarget(StartMenuShortcut()), Installed("Runbay.exe"));

    // The extension value is the one the plug-in's own registration writes for its installed path.
    std::string packaged;
    ASSERT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Brevolt SMS", packaged));
    EXPECT_EQ(packaged, "4.0;" + Installed("BrevoltOutlook.dll") + ";1;01000100000000;1111000");
    {
        const unique_hmodule plugin(LoadLibraryA(Installed("BrevoltOutlook.dll").c_str()));
        ASSERT_TRUE(plugin);
        using PFN_Register = HRESULT(STDAPICALLTYPE*)();
        const auto registerServer =
            reinterpret_cast<PFN_Register>(reinterpret_cast<void*>(GetProcAddress(plugin.get(), "DllRegisterServer")));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), S_OK);
    }
    std::string selfRegistered;
    ASSERT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Brevolt SMS", selfRegistered));
    EXPECT_EQ(selfRegistered, packaged);
    EXPECT_EQ(InstalledProducts(), 1);
}

TEST_F(Package, ComposeServerStartsFromTheInstalledProgramWithItsTypeLibrary)
{
    {
        com_ptr<IQuillet> quillet;
        ASSERT_EQ(CoCreateInstance(CLSID_Quillet, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuillet, quillet.put_void()),
                  S_OK);
        EXPECT_EQ(RunningImagePath("Quillet.exe"), Installed("Quillet.exe"));
        // Late binding goes through the registered type library.
        const com_ptr<IDispatch> dispatch = quillet.query<IDispatch>();
        ASSERT_TRUE(dispatch);
        OLECHAR name[] = L"CreateNewSMS";
        LPOLESTR names[] = {name};
        DISPID id = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, 2);
    }
    EXPECT_TRUE(WaitUntilGone("Quillet.exe", 20000));
}

TEST_F(Package, ComRegistrationEqualsWhatRegServerWrites)
{
    const CSnapshot packaged = ComSnapshot();
    ASSERT_FALSE(packaged.empty());
    const std::string program = "\"" + Installed("Quillet.exe") + "\"";
    ASSERT_EQ(RunAndWait(program + " /UnregServer"), 0);
    const CSnapshot removed = ComSnapshot();
    EXPECT_TRUE(removed.empty()) << Lines(Added({}, removed));
    ASSERT_EQ(RunAndWait(program + " /RegServer"), 0);
    const CSnapshot registered = ComSnapshot();
    EXPECT_EQ(Lines(Added({}, packaged)), Lines(Added({}, registered)));
}

// The compose server the plug-in creates is the test's recording one (a running class object wins over
// LocalServer32), so what is checked is the plug-in's own start-up from the installed files.
TEST_F(Package, TheClientLoadsTheInstalledPluginWhichDrivesTheComposeServer)
{
    SeedUserData();
    plugintest::CFakeQuilletServer server(Installed("Quillet.exe").c_str());
    ASSERT_TRUE(server.Registered());
    plugintest::QuilletLog().Clear();
    oltest::COutlookRun run(OUTLOOK_EXE);
    ASSERT_TRUE(run.Started());
    const std::vector<std::string> trace = oltest::ReadLines(run.m_sTrace);
    EXPECT_TRUE(oltest::ContainsLine(trace, "extension Brevolt SMS: loaded " + Installed("BrevoltOutlook.dll") +
                                                ", entry ordinal 1"))
        << oltest::ReadText(run.m_sTrace);
    EXPECT_TRUE(oltest::ContainsLine(trace, "install Brevolt SMS viewer 2 -> 0x00000000"))
        << oltest::ReadText(run.m_sTrace);
    bool started = false;
    for (int i = 0; i < 300 && !started; ++i)
    {
        const std::vector<std::string> calls = plugintest::QuilletLog().Lines();
        started = std::any_of(calls.begin(), calls.end(),
                              [](const std::string& p_sLine) { return p_sLine.rfind("Init 0 1 ", 0) == 0; });
        if (!started)
            Sleep(50);
    }
    EXPECT_TRUE(started) << "the plug-in did not call Init with package 0 and the Outlook 97 version code";
    const std::string menus = oltest::TempDir() + "\\installed-menus.txt";
    ASSERT_TRUE(run.Command("dump-menus " + menus));
    EXPECT_NE(oltest::ReadText(menus).find("Brevolt\t"), std::string::npos) << oltest::ReadText(menus);
    HWND explorer = run.FindWindowOf("rctrl_renwnd32", "Microsoft Outlook");
    ASSERT_NE(explorer, nullptr);
    oltest::SavePicture(explorer, "installer_outlook_explorer");
    EXPECT_EQ(run.Quit(), 0);
}

TEST_F(Package, TheNextVersionUpgradesInPlaceAndKeepsTheUsersSettings)
{
    const CSnapshot user = Snapshot(HKEY_CURRENT_USER, kUserKey);
    ASSERT_FALSE(user.empty());
    ASSERT_EQ(InstallPackage(BREVOLT_NEXT_MSI), 0);
    EXPECT_EQ(InstallText("Version"), BREVOLT_NEXT_VERSION);
    EXPECT_EQ(InstalledProducts(), 1) << "the older product must have been replaced, not kept beside";
    for (const std::string& file : InstalledFiles())
        EXPECT_TRUE(FileExists(Installed(file))) << file;
    EXPECT_EQ(InstallText("Addressbook"), Installed("Corvane.dll"));
    EXPECT_EQ(ShortcutTarget(StartMenuShortcut()), Installed("Runbay.exe"));
    EXPECT_EQ(Lines(Added({}, Snapshot(HKEY_CURRENT_USER, kUserKey))), Lines(Added({}, user)));
    // The older package may not go over the newer one.
    EXPECT_NE(InstallPackage(BREVOLT_MSI), 0);
    EXPECT_EQ(InstallText("Version"), BREVOLT_NEXT_VERSION);
}

// What may stay in HKLM\Software after removal: Wine's own entries that name nothing of ours, and the
// empty keys Windows Installer keeps for its bookkeeping. Anything naming the product, its programs or
// its COM identities, or any value left in the installer's records, is a leftover.
bool IsOurs(const std::string& p_sLine)
{
    static const char* const kMarks[] = {"brevolt",
                                         "quillet",
                                         "corvane",
                                         "penhold",
                                         "runbay",
                                         "latchkit",
                                         "aabc1ca9-d4dd-4a5f-b3ad-e47c7fd5ee3e",
                                         "d1fd8d16-37a9-4bbd-9314-c0cc0dadfe65",
                                         "72e052ed-5ec2-4b31-8308-049fed56873c",
                                         "5ad454d3-4d7f-4dc6-831c-b4bd6af3d3a8",
                                         "exchange\\client\\extensions",
                                         "\\installer\\"};
    std::string lower = p_sLine;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool bookkeepingKey = lower.rfind("k ", 0) == 0 && lower.find("\\installer\\") != std::string::npos;
    if (bookkeepingKey && lower.find("brevolt") == std::string::npos)
        return false;
    for (const char* mark : kMarks)
        if (lower.find(mark) != std::string::npos)
            return true;
    return false;
}

TEST_F(Package, UninstallLeavesNothingOfOursButTheUsersOwnData)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    // The installed programs have written their trace log by now.
    const std::string traceLog = std::string(temp) + "Brevolt SMS\\trace.log";
    ASSERT_TRUE(FileExists(traceLog)) << traceLog;
    const CSnapshot user = Snapshot(HKEY_CURRENT_USER, kUserKey);
    // The user's mail store, where the "Sent SMSs" folder and its copies live.
    const std::string store = oltest::TempDir() + "\\store.json";
    const std::string storeText = oltest::ReadText(store);
    ASSERT_FALSE(storeText.empty()) << store;

    ASSERT_EQ(RemovePackage(BREVOLT_NEXT_MSI), 0);
    for (const std::string& file : InstalledFiles())
        EXPECT_FALSE(FileExists(Installed(file))) << file;
    EXPECT_FALSE(FileExists(InstallDir()));
    EXPECT_EQ(StartMenuShortcut(), "");
    EXPECT_EQ(InstalledProducts(), 0);

    std::vector<std::string> leftovers;
    for (const std::string& line : Added(*s_mapMachineBefore, Snapshot(HKEY_LOCAL_MACHINE, "Software")))
        if (IsOurs(line))
            leftovers.push_back(line);
    EXPECT_TRUE(leftovers.empty()) << Lines(leftovers);

    EXPECT_EQ(Lines(Added({}, Snapshot(HKEY_CURRENT_USER, kUserKey))), Lines(Added({}, user)));
    EXPECT_TRUE(FileExists(traceLog)) << traceLog;
    EXPECT_EQ(oltest::ReadText(store), storeText);
}
} // namespace

// The x86 package (of the win32 tree) installs under wine64 as well: its files go to the 32-bit Program
// Files folder and its values to the 32-bit registry view, where 32-bit Outlook and our 32-bit programs
// read them; nothing of it is left after removal. Its programs cannot run here.
TEST_F(Package, TheX86PackageInstallsIntoThe32BitFoldersAndViewAndGoesCleanly)
{
    if (GetFileAttributesA((std::string("Z:") + BREVOLT_X86_MSI).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the win32 tree has not built " << BREVOLT_X86_MSI;
    ASSERT_EQ(InstallPackage(BREVOLT_X86_MSI), 0);
    char folder[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, 0, folder)));
    const std::string dir = std::string(folder) + "\\Brevolt SMS";
    for (const std::string& file : InstalledFiles())
        EXPECT_TRUE(FileExists(dir + "\\" + file)) << file;
    EXPECT_FALSE(FileExists(InstallDir()));

    const CSnapshot view32 = Snapshot(HKEY_LOCAL_MACHINE, kInstallKey, KEY_WOW64_32KEY);
    EXPECT_EQ(view32.at(std::string("V ") + kInstallKey + " | Addressbook"), "1:" + dir + "\\Corvane.dll");
    EXPECT_EQ(view32.at(std::string("V ") + kInstallKey + " | Version"), std::string("1:") + BREVOLT_VERSION);
    EXPECT_TRUE(Snapshot(HKEY_LOCAL_MACHINE, kInstallKey, KEY_WOW64_64KEY).empty());
    const std::string server = "Software\\Classes\\CLSID\\{D1FD8D16-37A9-4BBD-9314-C0CC0DADFE65}\\LocalServer32";
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, server, KEY_WOW64_32KEY).at("V " + server + " | "),
              "1:" + dir + "\\Quillet.exe");
    const CSnapshot extensions = Snapshot(HKEY_LOCAL_MACHINE, kExtensionsKey, KEY_WOW64_32KEY);
    EXPECT_EQ(extensions.at(std::string("V ") + kExtensionsKey + " | Brevolt SMS"),
              "1:4.0;" + dir + "\\BrevoltOutlook.dll;1;01000100000000;1111000");

    ASSERT_EQ(RemovePackage(BREVOLT_X86_MSI), 0);
    EXPECT_FALSE(FileExists(dir));
    std::vector<std::string> leftovers;
    for (const std::string& line : Added(*s_mapMachineBefore, Snapshot(HKEY_LOCAL_MACHINE, "Software")))
        if (IsOurs(line))
            leftovers.push_back(line);
    EXPECT_TRUE(leftovers.empty()) << Lines(leftovers);
}
