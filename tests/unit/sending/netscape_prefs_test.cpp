// tests/unit/sending/netscape_prefs_test.cpp: Netscape's SMTP server from the user's prefs.js,
// through the Navigator's registry values, and the prefs.js reader on well- and ill-formed lines.
#include "Addressbook/sending/mail_package.h"
#include "Addressbook/smtp/smtp_server_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace
{
TEST(NetscapePrefs, ReadsTheValueOfItsLine)
{
    const std::string text = "// Netscape User Preferences\r\n"
                             "user_pref(\"mail.identity.useremail\", \"ann@example.org\");\r\n"
                             "user_pref(\"network.hosts.smtp_server\", \"old.example.org\");\r\n"
                             "user_pref( \"network.hosts.smtp_server\" ,\t'smtp.example.org' );\n"
                             "user_pref(\"network.hosts.pop_server\", \"pop\\\\\\\"x\");\n"
                             "user_pref(\"mail.check_time\", 10);\n";
    const std::pair<const char*, const char*> found[] = {
        {"network.hosts.smtp_server", "smtp.example.org"}, // the last line wins
        {"network.hosts.pop_server", "pop\\\"x"},
        {"mail.check_time", "10"},
        {"mail.identity.useremail", "ann@example.org"},
    };
    for (const auto& f : found)
    {
        std::string value;
        ASSERT_TRUE(ReadPrefsValue(text, f.first, value)) << f.first;
        EXPECT_EQ(value, f.second) << f.first;
    }
    const char* const broken[] = {
        "user_pref(\"network.hosts.smtp_server\", \"unterminated);\n",
        "user_pref(\"network.hosts.smtp_server\" \"no comma\");\n",
        "user_pref(\"network.hosts.smtp_server\", ",
        "user_pref(\"network.hosts.smtp_server\", \"ends in an escape\\",
        "// user_pref(\"network.hosts.smtp_server\", \"x\");\n",
        "user_pref(\"network.hosts.smtp_server.backup\", \"other\");\n",
        "network.hosts.smtp_server = smtp.example.org\n",
        "",
    };
    for (const char* b : broken)
    {
        std::string value = "unchanged";
        EXPECT_FALSE(ReadPrefsValue(b, "network.hosts.smtp_server", value)) << b;
        EXPECT_EQ(value, "unchanged");
    }
}

TEST(NetscapePrefs, InstallFolderOfTheOpenCommand)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\"C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe\" -h \"%1\"",
         "C:\\Program Files\\Netscape\\"},
        {"C:\\Netscape\\Program\\netscape.exe -h %1", "C:\\Netscape\\"},
        {"\"D:\\Apps\\NS\\netscape.exe\"", "D:\\Apps\\NS\\"},
        {"netscape.exe %1", ""},
        {"\"C:\\unterminated\\netscape.exe -h", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetscapeInstallFolder(c.first), c.second) << c.first;
}

TEST(NetscapePrefs, ServerOfTheCurrentUsersPrefs)
{
    auto store = CreateMemoryRegistry();
    CRegistry registry(*store);
    CErrorSlot error;
    std::string server;
    EXPECT_FALSE(GetNetscapeSMTPServer(registry, server, error));
    EXPECT_NE(error.Text().find("RegOpenKeyEx"), std::string::npos) << error.Text();

    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("brevolt-ns-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "Communicator" / "Program");
    std::filesystem::create_directories(root / "users" / "ann");
    const std::string biff = "Software\\Netscape\\Netscape Navigator\\biff";
    ASSERT_TRUE(registry.WriteRegistry(ERegRoot::CurrentUser, biff, "CurrentUser", "ann", 4, kRegSz));
    const std::string command = "\"" + (root / "Communicator" / "Program" / "netscape.exe").string() + "\" -h \"%1\"";
    ASSERT_TRUE(registry.WriteRegistry(ERegRoot::LocalMachine,
                                       "SOFTWARE\\Classes\\NetscapeMarkup\\shell\\open\\command", "", command.c_str(),
                                       command.size() + 1, kRegSz));
    error.Clear();
    EXPECT_FALSE(GetNetscapeSMTPServer(registry, server, error)) << "no prefs.js yet";
    EXPECT_NE(error.Text().find("prefs.js"), std::string::npos) << error.Text();

    std::ofstream(root / "users" / "ann" / "prefs.js")
        << "user_pref(\"network.hosts.smtp_server\", \"mail.example.org\");\n";
    error.Clear();
    ASSERT_TRUE(GetNetscapeSMTPServer(registry, server, error)) << error.Text();
    EXPECT_EQ(server, "mail.example.org");
    EXPECT_NE(CreateSMTPPackageFor(kPackageNetscape, 0, registry), nullptr);

    // A user name that leaves the users folder is refused before any file is opened.
    ASSERT_TRUE(registry.WriteRegistry(ERegRoot::CurrentUser, biff, "CurrentUser", "../ann", 7, kRegSz));
    EXPECT_FALSE(GetNetscapeSMTPServer(registry, server, error));
    std::filesystem::remove_all(root);
}
} // namespace
