// tests/unit/protocol/records_test.cpp: the envelope's records (layout and filling rules) and the
// native ANSI code page.
#include "Addressbook/protocol/code_page.h"
#include "Addressbook/protocol/protocol_records.h"
#include "tests/unit/protocol/protocol_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace
{
class CFakeFacts : public IPlatformFacts
{
  public:
    void OSVersion(COSVersionInfo& p_oInfo) override
    {
        p_oInfo.m_dwOSVersionInfoSize = kOSVersionInfoExSize;
        p_oInfo.m_dwMajorVersion = 5;
        p_oInfo.m_dwMinorVersion = 1;
        std::memcpy(p_oInfo.m_szCSDVersion, "Service Pack 3", 15);
        p_oInfo.m_bProductType = 1;
    }
    std::string SystemDirectory() override
    {
        return "C:\\WINDOWS\\system32";
    }
    bool FileLanguage(const std::string& p_sPath, uint16_t& p_wLangId) override
    {
        const auto it = m_mLanguages.find(p_sPath);
        if (it == m_mLanguages.end())
            return false;
        p_wLangId = it->second;
        return true;
    }
    uint16_t UserDefaultLangId() override
    {
        return 0x0809; // English (United Kingdom)
    }
    bool ClassesRootText(const std::string& p_sSubkey, const std::string&, std::string& p_sText) override
    {
        const auto it = m_mClasses.find(p_sSubkey);
        if (it == m_mClasses.end())
            return false;
        p_sText = it->second;
        return true;
    }
    bool OutlookUILanguage(uint16_t& p_wLangId) override
    {
        p_wLangId = 0x0407;
        return true;
    }

    std::map<std::string, uint16_t> m_mLanguages = {{"C:\\WINDOWS\\system32\\user.exe", 0x0C0A}};
    std::map<std::string, std::string> m_mClasses;
};

class RecordsTest : public ::testing::Test
{
  protected:
    void SetDword(const std::string& p_sKey, const char* p_szName, uint32_t p_dwValue)
    {
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, p_sKey, p_szName, &p_dwValue, 4, kRegDword));
    }

    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_p_oStore};
    CFakeFacts m_oFacts;
};

TEST_F(RecordsTest, RecordBytesFollowTheSystemLayouts)
{
    const CSystemTime time = {2024, 2, 4, 29, 13, 45, 30, 0};
    EXPECT_EQ(ToHex(RecordBytes(time)), "e807020004001d000d002d001e000000");
    CSystemTime back;
    EXPECT_TRUE(SystemTimeFromBytes(RecordBytes(time), back));
    EXPECT_EQ(back.m_wDay, 29);
    EXPECT_FALSE(SystemTimeFromBytes(std::vector<uint8_t>(15), back));

    CPlatformInfo platform;
    platform.m_dwPackage = 1;
    platform.m_dwMailSupportOff = 0x01020304;
    platform.m_oOSVersion.m_wSuiteMask = 0xABCD;
    const std::vector<uint8_t> bytes = RecordBytes(platform);
    ASSERT_EQ(bytes.size(), 192u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(ToHex(std::vector<uint8_t>(bytes.begin() + 28 + 152, bytes.begin() + 28 + 154)), "cdab");
    EXPECT_EQ(ToHex(std::vector<uint8_t>(bytes.begin() + 184, bytes.begin() + 188)), "04030201");

    EXPECT_EQ(ToHex(RecordBytes(CLanguageInfo())), "18000000"
                                                   "0000000000000000"
                                                   "00000000"
                                                   "00000000"
                                                   "01000000");
}

TEST_F(RecordsTest, PlatformRecordFromSettingsAndFacts)
{
    CPlatformInfo info = BuildPlatformInfo(m_oRegistry, m_oFacts, 0, 3);
    EXPECT_STREQ(info.m_szClientVersion, "Unknown");
    EXPECT_EQ(info.m_dwPackageVersion, 3u);
    EXPECT_EQ(info.m_oOSVersion.m_dwMajorVersion, 5u);
    EXPECT_STREQ(info.m_oOSVersion.m_szCSDVersion, "Service Pack 3");
    EXPECT_EQ(info.m_dwMailSupportOff, 0u);
    EXPECT_EQ(info.m_dwWordEditor, 0u);

    const std::string version = "2.5.0.17 with a very long suffix";
    ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::LocalMachine, kInstallKey, "Version", version.c_str(),
                                          version.size() + 1, kRegSz));
    m_oFacts.m_mClasses["Outlook.Application\\CurVer"] = "Outlook.Application.9";
    SetDword("Software\\Microsoft\\Office\\9.0\\Outlook\\Setup", "MailSupport", 0);
    SetDword("Software\\Microsoft\\Office\\9.0\\Outlook\\Options\\Mail", "EditorPreference", 0x20001);
    info = BuildPlatformInfo(m_oRegistry, m_oFacts, 0, 3);
    EXPECT_EQ(std::string(info.m_szClientVersion), version.substr(0, 19)) << "cut to fit with its NUL";
    EXPECT_EQ(info.m_dwMailSupportOff, 1u);
    EXPECT_EQ(info.m_dwWordEditor, 1u);

    SetDword("Software\\Microsoft\\Office\\9.0\\Outlook\\Setup", "MailSupport", 1);
    EXPECT_EQ(BuildPlatformInfo(m_oRegistry, m_oFacts, 0, 3).m_dwMailSupportOff, 0u);

    m_oFacts.m_mClasses["Outlook.Application\\CurVer"] = "Outlook.Application.10";
    SetDword("Software\\Microsoft\\Office\\10.0\\Outlook\\Setup", "MailSupport", 0);
    info = BuildPlatformInfo(m_oRegistry, m_oFacts, 0, 3);
    EXPECT_EQ(info.m_dwMailSupportOff, 0u) << "only Outlook 8.0 and 9.0";
    EXPECT_EQ(info.m_dwWordEditor, 0u) << "no EditorPreference under 10.0";

    m_oFacts.m_mClasses["Outlook.Application\\CurVer"] = "Outlook.Application";
    EXPECT_EQ(RegisteredOutlookVersion(m_oFacts), 0u);
}

TEST_F(RecordsTest, LanguageRecordSplitsIdsAndAsksOfficeOnlyForOutlook)
{
    CLanguageInfo info = BuildLanguageInfo(m_oFacts, 1, 3);
    EXPECT_EQ(info.m_dwSize, 24u);
    EXPECT_EQ(info.m_wSystemPrimary, 0x0A);
    EXPECT_EQ(info.m_wSystemSub, 3);
    EXPECT_EQ(info.m_wUserPrimary, 0x09);
    EXPECT_EQ(info.m_wUserSub, 2);
    EXPECT_EQ(info.m_dwOfficeFound, 0u) << "not looked up for Outlook Express";
    EXPECT_EQ(info.m_dwOne, 1u);

    info = BuildLanguageInfo(m_oFacts, 0, 4);
    EXPECT_EQ(info.m_dwOfficeFound, 1u);
    EXPECT_EQ(info.m_wOfficePrimary, 0x07);
    EXPECT_EQ(info.m_wOfficeSub, 1);

    EXPECT_EQ(BuildLanguageInfo(m_oFacts, 0, 1).m_dwOfficeFound, 0u) << "97 without its library registered";
    m_oFacts.m_mClasses["CLSID\\{0006F023-0000-0000-C000-000000000046}\\ToolboxBitmap32"] =
        "\"c:\\program files\\office\\outllib.dll\", 4000";
    m_oFacts.m_mLanguages["C:\\PROGRAM FILES\\OFFICE\\OUTLLIB.DLL"] = 0x040C;
    info = BuildLanguageInfo(m_oFacts, 0, 2);
    EXPECT_EQ(info.m_dwOfficeFound, 1u);
    EXPECT_EQ(info.m_wOfficePrimary, 0x0C);
    EXPECT_EQ(info.m_wOfficeSub, 1);
    EXPECT_EQ(BuildLanguageInfo(m_oFacts, 0, 6).m_dwOfficeFound, 0u);
}

TEST(CodePageTest, Windows1252ToUtf8)
{
    EXPECT_EQ(code_page::Windows1252ToUtf8("plain"), "plain");
    EXPECT_EQ(code_page::Windows1252ToUtf8("\x80\x9f\xa0\xe9\xff"), "\xe2\x82\xac\xc5\xb8\xc2\xa0\xc3\xa9\xc3\xbf");
    EXPECT_EQ(code_page::Windows1252ToUtf8("\x81\x8d"), "\xc2\x81\xc2\x8d");
    EXPECT_EQ(code_page::Windows1252ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
    std::string out;
    ASSERT_TRUE(code_page::AnsiToUtf8("\x93quoted\x94", out));
    EXPECT_EQ(out, "\xe2\x80\x9cquoted\xe2\x80\x9d");
}
} // namespace
