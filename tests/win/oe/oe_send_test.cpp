// tests/win/oe/oe_send_test.cpp: notes sent with Send go out through the identity's account to the
// real SMTP server (run_with_smtp.sh starts it and checks what arrived) and are filed in Sent Items;
// the empty-subject question and its "Dont Show Dialogs" switch; a note that is not ready answers
// WM_USER+10 and sends nothing; the "Send Mail" notice after sending and its own switch.
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/store/eml_message.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <mapi.h>

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr UINT kSend = 40411;
const char* kIdentity = "{2E6B9D14-7C3A-4D58-B1E2-8F9A0B1C2D01}";

HWND NewNote(const CClientRun& p_oRun, HWND p_hBrowser)
{
    PostMessageA(p_hBrowser, WM_COMMAND, 40465, 0);
    HWND note = nullptr;
    WaitUntil(
        [&] {
            for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "ATH_Note", nullptr)) != nullptr;)
            {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == p_oRun.ProcessId() && IsWindowVisible(window) &&
                    GetWindowLongPtrA(window, GWLP_USERDATA) == 0)
                {
                    // Marked so that the next call finds the next note.
                    SetWindowLongPtrA(window, GWLP_USERDATA, 1);
                    note = window;
                    return true;
                }
            }
            return false;
        },
        10000);
    return note;
}

void Fill(HWND p_hNote, const char* p_szTo, const char* p_szCc, const char* p_szBcc, const char* p_szSubject,
          const char* p_szBody)
{
    const HWND header = FindWindowExA(p_hNote, nullptr, "OE_Envelope", nullptr);
    ASSERT_NE(header, nullptr);
    const char* texts[] = {p_szTo, p_szCc, p_szBcc, p_szSubject};
    for (int i = 0; i < 4; ++i)
        SendMessageA(GetDlgItem(header, 1001 + i), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texts[i]));
    SendMessageA(GetDlgItem(p_hNote, 1010), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p_szBody));
}

std::vector<oestore::CMailMessage> SentItems(const std::string& p_sStore)
{
    std::string path;
    oestandin::CFolderContents contents;
    std::vector<oestore::CMailMessage> messages;
    if (!oestandin::SpecialFolderFile(6, p_sStore, oestore::kSpecialSentItems, path) ||
        !oestandin::ReadFolderContents(6, path, contents))
        return messages;
    for (const oestore::CStoredMessage& stored : contents.m_vMessages)
    {
        oestore::CMailMessage message;
        EXPECT_TRUE(oestore::ParseMessage(stored.m_sText, message));
        EXPECT_EQ(stored.m_nFlags & oestore::kMessageRead, oestore::kMessageRead);
        messages.push_back(message);
    }
    return messages;
}

// The question's window, answered with the box ticked or not and OK or Cancel.
void Answer(const CClientRun& p_oRun, bool p_bTick, int p_iButton)
{
    const HWND question = p_oRun.WaitForWindow("#32770", "Outlook Express", 10000);
    ASSERT_NE(question, nullptr);
    const HWND check = FindWindowExA(question, nullptr, "Button", "&Don't show me this again");
    ASSERT_NE(check, nullptr);
    if (p_bTick)
        SendMessageA(check, BM_CLICK, 0, 0);
    PostMessageA(question, WM_COMMAND, p_iButton, 0);
    ASSERT_TRUE(WaitGone(question, 10000));
}

TEST(oe_win_send, NotesGoOutThroughTheAccountAndAreFiledInSentItems)
{
    const char* server = std::getenv("BREVOLT_SMTP_SERVER");
    if (server == nullptr || *server == '\0')
        GTEST_SKIP() << "run through run_with_smtp.sh, which starts the SMTP server";
    const std::string address = server;
    oestandin::COeIdentitySeed seed;
    seed.m_sId = kIdentity;
    seed.m_sStoreRoot = NewTempFolder("oe_send");
    seed.m_oAccount.m_sSmtpServer = address.substr(0, address.find(':'));
    seed.m_oAccount.m_nSmtpPort = static_cast<DWORD>(std::atoi(address.substr(address.find(':') + 1).c_str()));
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    seed.m_oAccount.m_sDisplayName = "Pat Doe";
    ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
    const std::string dontShow =
        std::string("Identities\\") + kIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0\\Dont Show Dialogs";
    const std::string log = NewTempFolder("oe_send_log") + "seen.txt";

    CClientRun run;
    ASSERT_TRUE(run.Start(6, log));
    const HWND browser = run.WaitForBrowser("Outlook Express Browser Class", 15000);
    ASSERT_NE(browser, nullptr);

    // An empty subject asks first; Cancel keeps the note and sends nothing.
    HWND note = NewNote(run, browser);
    ASSERT_NE(note, nullptr);
    Fill(note, "first@brevolt.example", "", "", "", "No subject at all");
    PostMessageA(note, WM_COMMAND, kSend, 0);
    Answer(run, false, IDCANCEL);
    EXPECT_TRUE(IsWindow(note));
    EXPECT_TRUE(SentItems(seed.m_sStoreRoot).empty());
    // OK with the box ticked sends and switches the question off.
    PostMessageA(note, WM_COMMAND, kSend, 0);
    Answer(run, true, IDOK);
    ASSERT_TRUE(WaitGone(note, 15000));
    DWORD value = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, dontShow, "Mail Empty Subject Warning", value));
    EXPECT_EQ(value, 1u);
    note = NewNote(run, browser);
    ASSERT_NE(note, nullptr);
    Fill(note, "second@brevolt.example", "", "", "", "Sent without asking");
    PostMessageA(note, WM_COMMAND, kSend, 0);
    ASSERT_TRUE(WaitGone(note, 15000)) << "no question once it is switched off";

    // A note that is not ready answers WM_USER+10 and stays; the next Send goes out.
    note = NewNote(run, browser);
    ASSERT_NE(note, nullptr);
    Fill(note, "\"Kim Lee\" <kim@brevolt.example>", "cc@brevolt.example", "hidden@brevolt.example",
         "Brevolt note via the stand-in", "First line\r\n.A line with a leading dot\r\nLast line");
    ASSERT_EQ(run.SendControl("not-ready 1"), 1);
    SendMessageA(note, WM_COMMAND, kSend, 0);
    EXPECT_TRUE(IsWindow(note));
    const std::vector<std::string> seen = ReadLines(log);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "0x40A ATH_Note"), 1);
    RedrawWindow(note, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(SaveWindowPng(note, "oe6_note.png"));
    PostMessageA(note, WM_COMMAND, kSend, 0);
    ASSERT_TRUE(WaitGone(note, 15000));

    const std::vector<oestore::CMailMessage> sent = SentItems(seed.m_sStoreRoot);
    ASSERT_EQ(sent.size(), 3u);
    const oestore::CMailMessage& last = sent.back();
    EXPECT_EQ(last.m_oFrom.m_sName, "Pat Doe");
    EXPECT_EQ(last.m_oFrom.m_sAddress, "pat@brevolt.example");
    ASSERT_EQ(last.m_vTo.size(), 1u);
    EXPECT_EQ(last.m_vTo[0].m_sName, "Kim Lee");
    ASSERT_EQ(last.m_vBcc.size(), 1u) << "the sender's copy keeps its Bcc";
    EXPECT_EQ(last.m_vBcc[0].m_sAddress, "hidden@brevolt.example");
    EXPECT_EQ(last.m_sBody, "First line\r\n.A line with a leading dot\r\nLast line");
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, dontShow.c_str(), "Mail Empty Subject Warning");

    // Simple MAPI sends the same way, without a session: as the identity a logon would take.
    const std::string exe = ClientPath(6);
    unique_hmodule library(LoadLibraryA((exe.substr(0, exe.find_last_of("\\/") + 1) + "msoe.dll").c_str()));
    auto* send = reinterpret_cast<MAPISENDMAIL*>(
        reinterpret_cast<void*>(library ? GetProcAddress(library.get(), "MAPISendMail") : nullptr));
    ASSERT_NE(send, nullptr);
    const std::string attachment = NewTempFolder("oe_send_file") + "notes.txt";
    WriteTextFile(attachment, "attached notes");
    MapiRecipDesc to{};
    to.ulRecipClass = MAPI_TO;
    to.lpszName = const_cast<LPSTR>("Kim Lee");
    to.lpszAddress = const_cast<LPSTR>("SMTP:kim@brevolt.example");
    MapiFileDesc file{};
    file.nPosition = static_cast<ULONG>(-1);
    file.lpszPathName = const_cast<LPSTR>(attachment.c_str());
    MapiMessage message{};
    message.lpszSubject = const_cast<LPSTR>("Brevolt Simple MAPI send");
    message.lpszNoteText = const_cast<LPSTR>("Sent through Simple MAPI");
    message.nRecipCount = 1;
    message.lpRecips = &to;
    message.nFileCount = 1;
    message.lpFiles = &file;
    EXPECT_EQ(send(0, 0, &message, 0, 0), SUCCESS_SUCCESS);
    EXPECT_EQ(SentItems(seed.m_sStoreRoot).size(), 4u);
    file.lpszPathName = const_cast<LPSTR>("C:\\no\\such\\file.txt");
    EXPECT_EQ(send(0, 0, &message, 0, 0), static_cast<ULONG>(MAPI_E_ATTACHMENT_NOT_FOUND));
    to.lpszAddress = nullptr;
    file.lpszPathName = const_cast<LPSTR>(attachment.c_str());
    EXPECT_EQ(send(0, 0, &message, 0, 0), static_cast<ULONG>(MAPI_E_UNKNOWN_RECIPIENT));
}

TEST(oe_win_send, TheSendMailNoticeFollowsItsDontShowDialogsValue)
{
    const char* server = std::getenv("BREVOLT_SMTP_SERVER");
    if (server == nullptr || *server == '\0')
        GTEST_SKIP() << "run through run_with_smtp.sh, which starts the SMTP server";
    const std::string address = server;
    oestandin::COeIdentitySeed seed;
    seed.m_sId = kIdentity;
    seed.m_sStoreRoot = NewTempFolder("oe_warn");
    seed.m_bSendMailWarning = true;
    seed.m_oAccount.m_sSmtpServer = address.substr(0, address.find(':'));
    seed.m_oAccount.m_nSmtpPort = static_cast<DWORD>(std::atoi(address.substr(address.find(':') + 1).c_str()));
    seed.m_oAccount.m_sEmail = "pat@brevolt.example";
    ASSERT_TRUE(oestandin::SeedIdentity(6, seed));
    const std::string dontShow =
        std::string("Identities\\") + kIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0\\Dont Show Dialogs";
    DWORD value = 0;
    ASSERT_FALSE(ReadRegDword(HKEY_CURRENT_USER, dontShow, "Send Mail Warning", value)) << "switched on";

    CClientRun run;
    ASSERT_TRUE(run.Start(6, std::string()));
    const HWND browser = run.WaitForBrowser("Outlook Express Browser Class", 15000);
    ASSERT_NE(browser, nullptr);
    HWND note = NewNote(run, browser);
    ASSERT_NE(note, nullptr);
    Fill(note, "warned@brevolt.example", "", "", "With the notice", "Body");
    PostMessageA(note, WM_COMMAND, kSend, 0);
    const HWND notice = run.WaitForWindow("#32770", "Send Mail", 15000);
    ASSERT_NE(notice, nullptr) << "the notice comes after the message went out";
    EXPECT_TRUE(IsWindow(note)) << "and holds the note until it is closed";
    RedrawWindow(notice, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    EXPECT_TRUE(SaveWindowPng(notice, "oe6_send_mail_notice.png"));
    SendMessageA(FindWindowExA(notice, nullptr, "Button", "&Don't show me this again"), BM_CLICK, 0, 0);
    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(note, 15000));
    EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, dontShow, "Send Mail Warning", value));
    EXPECT_EQ(value, 1u);

    note = NewNote(run, browser);
    ASSERT_NE(note, nullptr);
    Fill(note, "quiet@brevolt.example", "", "", "Without the notice", "Body");
    PostMessageA(note, WM_COMMAND, kSend, 0);
    ASSERT_TRUE(WaitGone(note, 15000)) << "switched off, the note closes at once";
    EXPECT_EQ(SentItems(seed.m_sStoreRoot).size(), 2u);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}
} // namespace
