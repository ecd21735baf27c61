// tests/win/oehook/mail_mode_support.cpp: the send-mail and store-mail suites' shared pieces.
#include "tests/win/oehook/mail_mode_support.h"

#include "tests/win/oe/oe_test_support.h"

namespace
{
constexpr const char* kExtension = "Software\\Classes\\.eml";
constexpr char kProgId[] = "LatchkitTest.eml";
} // namespace

CEmlAssociation::CEmlAssociation()
{
    char previous[256] = {};
    DWORD size = sizeof previous;
    m_bHadPrevious =
        RegGetValueA(HKEY_LOCAL_MACHINE, kExtension, nullptr, RRF_RT_REG_SZ, nullptr, previous, &size) == ERROR_SUCCESS;
    m_sPrevious = previous;
    const std::string command = std::string("\"") + OE6_EXE + "\" \"%1\"";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kExtension, nullptr, REG_SZ, kProgId, sizeof kProgId);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\LatchkitTest.eml\\shell\\open\\command", nullptr, REG_SZ,
                    command.c_str(), static_cast<DWORD>(command.size() + 1));
}

CEmlAssociation::~CEmlAssociation()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\LatchkitTest.eml");
    if (m_bHadPrevious)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kExtension, nullptr, REG_SZ, m_sPrevious.c_str(),
                        static_cast<DWORD>(m_sPrevious.size() + 1));
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kExtension, nullptr);
}

std::string WriteTransferFile(DWORD p_dwStamp)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char name[32] = {};
    wsprintfA(name, "%lX.eml", static_cast<unsigned long>(p_dwStamp));
    const std::string path = std::string(folder) + name;
    // Marked unsent, as the core library writes it, so the client opens it for sending.
    WriteTextFile(path, "From: \"Pat Doe\" <pat@brevolt.example>\r\nTo: sms@brevolt.example\r\nSubject: SMS job "
                        "42\r\nX-Unsent: 1\r\n\r\nThe gateway job.\r\n");
    return path;
}

HWND FindSendingNote(const CHookedClient& p_oClient)
{
    return FindWindowExA(p_oClient.Monitor(), nullptr, "ATH_Note", nullptr);
}
