// tests/win/outlook/outlook_registry_test.cpp: what "/regserver" of each version leaves where the
// product looks: the application's versioned ProgID, the Office keys, the mail client's open command.
#include "tests/win/outlook/outlook_test_support.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>

using namespace oltest;

namespace
{
DWORD RegDword(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName)
{
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof value;
    (void)RegGetValueA(p_hRoot, p_sKey.c_str(), p_szName, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// The versioned ProgID as the product finds it: "Outlook.Application" to its class and back.
std::string VersionedProgId()
{
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"Outlook.Application", &clsid)))
        return "<no class>";
    LPOLESTR progId = nullptr;
    if (FAILED(ProgIDFromCLSID(clsid, &progId)))
        return "<no progid>";
    const std::wstring wide(progId);
    CoTaskMemFree(progId);
    return std::string(wide.begin(), wide.end());
}

TEST(OutlookRegistryTest, EachVersionRegistersItsProgIdOfficeKeysAndMailClient)
{
    const CClientRegistrationRestore restore;
    struct CCase
    {
        const char* m_szExe;
        const char* m_szProgId;
        const char* m_szOffice;
    };
    const CCase cases[] = {{OUTLOOK80_EXE, "Outlook.Application.8", "8.0"},
                           {OUTLOOK85_EXE, "Outlook.Application.8", "8.0"},
                           {OUTLOOK90_EXE, "Outlook.Application.9", "9.0"},
                           {OUTLOOK100_EXE, "Outlook.Application.10", "10.0"},
                           {OUTLOOK110_EXE, "Outlook.Application.11", "11.0"}};
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    const std::string user = "Software\\Microsoft\\Office\\9.0\\Outlook\\Options\\Mail";
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, user.c_str());
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, user.c_str(), "EditorPreference", REG_DWORD, "\x01\x00\x02\x00", 4),
              ERROR_SUCCESS);
    for (const CCase& test : cases)
    {
        SCOPED_TRACE(test.m_szExe);
        ASSERT_EQ(RunAndWait(std::string("\"") + test.m_szExe + "\" /regserver"), 0);
        EXPECT_EQ(VersionedProgId(), test.m_szProgId);
        const std::string office = std::string("Software\\Microsoft\\Office\\") + test.m_szOffice + "\\Outlook";
        EXPECT_EQ(RegDword(HKEY_CURRENT_USER, office + "\\Setup", "MailSupport"), 1u);
        const std::string command =
            RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook\\shell\\open\\command", nullptr);
        std::string program = test.m_szExe;
        std::replace(program.begin(), program.end(), '/', '\\');
        EXPECT_EQ(command, "\"" + program + "\"");
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail", nullptr), "Microsoft Outlook");
    }
    // A user's own editor choice survives a registration; a fresh one gets the client's own editor.
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, user, "EditorPreference"), 0x00020001u);
    EXPECT_EQ(
        RegDword(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Mail", "EditorPreference") &
            1u,
        0u);
    // The MAPI stand-in's DLLPathEx beside the open command is left alone.
    PrepareMachine();
    ASSERT_EQ(RunAndWait(std::string("\"") + OUTLOOK110_EXE + "\" /regserver"), 0);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "DLLPathEx"), MAPI_DLL_PATH);
    ForgetExtensions();
    CoUninitialize();
}
} // namespace
