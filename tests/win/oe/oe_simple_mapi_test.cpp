// tests/win/oe/oe_simple_mapi_test.cpp: the Simple MAPI library beside msimn.exe, bound by name as
// a client binds it: mail delivered to the client is found, read (peek, envelope only, attachments
// as files), marked read and deleted under the identity "Default User ID" names, and no other.
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/oe_store_win.h"
#include "standins/oe/store/eml_message.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <mapi.h>

namespace
{
// Simple MAPI's MAPIFreeBuffer, which the system header types only for Extended MAPI.
using SimpleFreeBuffer = ULONG WINAPI(LPVOID);

struct CSimpleMapi
{
    explicit CSimpleMapi(const std::string& p_sPath) : m_oLibrary(LoadLibraryA(p_sPath.c_str()))
    {
        Bind(m_pfnLogon, "MAPILogon");
        Bind(m_pfnLogoff, "MAPILogoff");
        Bind(m_pfnFindNext, "MAPIFindNext");
        Bind(m_pfnReadMail, "MAPIReadMail");
        Bind(m_pfnSaveMail, "MAPISaveMail");
        Bind(m_pfnDeleteMail, "MAPIDeleteMail");
        Bind(m_pfnFreeBuffer, "MAPIFreeBuffer");
        Bind(m_pfnResolveName, "MAPIResolveName");
        Bind(m_pfnAddress, "MAPIAddress");
        for (const char* name : {"MAPISendMail", "MAPIDetails", "MAPISendDocuments"})
            m_bComplete = m_bComplete && GetProcAddress(m_oLibrary.get(), name) != nullptr;
    }
    template <typename T> void Bind(T*& p_pfn, const char* p_szName)
    {
        p_pfn = m_oLibrary ? reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(m_oLibrary.get(), p_szName)))
                           : nullptr;
        m_bComplete = m_bComplete && p_pfn != nullptr;
    }
    std::string Next(LHANDLE p_hSession, const std::string& p_sSeed, FLAGS p_nFlags, ULONG& p_nResult) const
    {
        char id[512] = {};
        p_nResult = m_pfnFindNext(p_hSession, 0, nullptr, const_cast<LPSTR>(p_sSeed.c_str()),
                                  p_nFlags | MAPI_LONG_MSGID, 0, id);
        return id;
    }

    unique_hmodule m_oLibrary;
    bool m_bComplete = true;
    MAPILOGON* m_pfnLogon = nullptr;
    MAPILOGOFF* m_pfnLogoff = nullptr;
    MAPIFINDNEXT* m_pfnFindNext = nullptr;
    MAPIREADMAIL* m_pfnReadMail = nullptr;
    MAPISAVEMAIL* m_pfnSaveMail = nullptr;
    MAPIDELETEMAIL* m_pfnDeleteMail = nullptr;
    SimpleFreeBuffer* m_pfnFreeBuffer = nullptr;
    MAPIRESOLVENAME* m_pfnResolveName = nullptr;
    MAPIADDRESS* m_pfnAddress = nullptr;
};

std::string LibraryBeside(int p_iMajor)
{
    const std::string exe = ClientPath(p_iMajor);
    return exe.substr(0, exe.find_last_of("\\/") + 1) + (p_iMajor <= 4 ? "msimnui.dll" : "msoe.dll");
}

size_t InboxSize(int p_iMajor, const std::string& p_sStore)
{
    std::string path;
    oestandin::CFolderContents inbox;
    if (!oestandin::SpecialFolderFile(p_iMajor, p_sStore, oestore::kSpecialInbox, path) ||
        !oestandin::ReadFolderContents(p_iMajor, path, inbox))
        return 0;
    return inbox.m_vMessages.size();
}

TEST(OeSimpleMapi, DeliveredMailIsFoundReadAndDeletedUnderTheLoggedOnIdentity)
{
    oestandin::COeIdentitySeed other;
    other.m_sId = "{4C7D2A90-1E3F-4B6A-8D5C-0A1B2C3D4E02}";
    other.m_sStoreRoot = NewTempFolder("oe_smapi_other");
    ASSERT_TRUE(oestandin::SeedIdentity(6, other));
    oestandin::COeIdentitySeed mine = other;
    mine.m_sId = "{4C7D2A90-1E3F-4B6A-8D5C-0A1B2C3D4E01}";
    mine.m_sStoreRoot = NewTempFolder("oe_smapi_mine");
    ASSERT_TRUE(oestandin::SeedIdentity(6, mine));

    oestore::CMailMessage sample;
    sample.m_oFrom = {"Sam Roe", "sam@brevolt.example"};
    sample.m_vTo = {{"Pat Doe", "pat@brevolt.example"}};
    sample.m_vCc = {{"", "cc@brevolt.example"}};
    sample.m_sSubject = "Gateway notice";
    sample.m_sDate = "Tue, 08 Dec 2026 10:05:00 +0000";
    sample.m_sBody = "Notice text\r\n";
    sample.m_vAttachments = {{"report.bin", std::string("\x01\x00\x02\r\n", 5)}};
    const std::string folder = NewTempFolder("oe_smapi_mail");
    WriteTextFile(folder + "1.eml", oestore::ComposeMessageText(sample, false));
    WriteTextFile(folder + "2.eml", "From: a@brevolt.example\r\nSubject: Second\r\n\r\nx\r\n");
    {
        CClientRun run;
        ASSERT_TRUE(run.Start(6, std::string()));
        ASSERT_NE(run.WaitForBrowser("Outlook Express Browser Class", 15000), nullptr);
        ASSERT_EQ(run.SendControl("deliver " + folder + "1.eml"), 1);
        ASSERT_EQ(run.SendControl("deliver " + folder + "2.eml"), 1);
        DWORD exitCode = 1;
        EXPECT_TRUE(run.Close(exitCode));
    }
    // As a client logs on to the current identity: "Default User ID" names it, "Last User ID" may not.
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Identities", "Last User ID", REG_SZ, other.m_sId.c_str(),
                              static_cast<DWORD>(other.m_sId.size() + 1)),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Identities", "Default User ID", REG_SZ, mine.m_sId.c_str(),
                              static_cast<DWORD>(mine.m_sId.size() + 1)),
              ERROR_SUCCESS);

    CSimpleMapi mapi(LibraryBeside(6));
    ASSERT_TRUE(mapi.m_bComplete);
    LHANDLE session = 0;
    ASSERT_EQ(mapi.m_pfnLogon(0, nullptr, nullptr, 0, 0, &session), SUCCESS_SUCCESS);
    ULONG result = 0;
    const std::string first = mapi.Next(session, "", 0, result);
    ASSERT_EQ(result, SUCCESS_SUCCESS);
    const std::string second = mapi.Next(session, first, MAPI_GUARANTEE_FIFO, result);
    ASSERT_EQ(result, SUCCESS_SUCCESS);
    mapi.Next(session, second, 0, result);
    EXPECT_EQ(result, static_cast<ULONG>(MAPI_E_NO_MESSAGES));
    mapi.Next(session, "0000FFFF", 0, result);
    EXPECT_EQ(result, static_cast<ULONG>(MAPI_E_INVALID_MESSAGE));

    // Envelope only: the header and no text, no files.
    lpMapiMessage message = nullptr;
    ASSERT_EQ(
        mapi.m_pfnReadMail(session, 0, const_cast<LPSTR>(first.c_str()), MAPI_PEEK | MAPI_ENVELOPE_ONLY, 0, &message),
        SUCCESS_SUCCESS);
    EXPECT_STREQ(message->lpszSubject, "Gateway notice");
    EXPECT_STREQ(message->lpOriginator->lpszAddress, "SMTP:sam@brevolt.example");
    EXPECT_STREQ(message->lpszDateReceived, "2026/12/08 10:05");
    ASSERT_EQ(message->nRecipCount, 2u);
    EXPECT_EQ(message->lpRecips[1].ulRecipClass, static_cast<ULONG>(MAPI_CC));
    EXPECT_TRUE(message->lpszNoteText == nullptr || *message->lpszNoteText == '\0');
    EXPECT_EQ(message->nFileCount, 0u);
    EXPECT_EQ(message->flFlags & MAPI_UNREAD, static_cast<FLAGS>(MAPI_UNREAD));
    EXPECT_EQ(mapi.m_pfnFreeBuffer(message), SUCCESS_SUCCESS);

    // Peek: the text and the attachment as a file, still unread afterwards.
    ASSERT_EQ(mapi.m_pfnReadMail(session, 0, const_cast<LPSTR>(first.c_str()), MAPI_PEEK, 0, &message),
              SUCCESS_SUCCESS);
    EXPECT_STREQ(message->lpszNoteText, "Notice text\r\n");
    ASSERT_EQ(message->nFileCount, 1u);
    EXPECT_STREQ(message->lpFiles[0].lpszFileName, "report.bin");
    EXPECT_EQ(ReadTextFile(message->lpFiles[0].lpszPathName), sample.m_vAttachments[0].m_sData);
    EXPECT_EQ(mapi.m_pfnFreeBuffer(message), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.Next(session, "", MAPI_UNREAD_ONLY, result), first);

    // A read without peek marks it read.
    ASSERT_EQ(mapi.m_pfnReadMail(session, 0, const_cast<LPSTR>(first.c_str()), MAPI_SUPPRESS_ATTACH, 0, &message),
              SUCCESS_SUCCESS);
    EXPECT_EQ(message->nFileCount, 0u);
    EXPECT_EQ(mapi.m_pfnFreeBuffer(message), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.Next(session, "", MAPI_UNREAD_ONLY, result), second);

    // Delete: gone from this identity's Inbox; the other identity's store was never touched.
    EXPECT_EQ(mapi.m_pfnDeleteMail(session, 0, const_cast<LPSTR>(first.c_str()), 0, 0), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.m_pfnDeleteMail(session, 0, const_cast<LPSTR>(first.c_str()), 0, 0),
              static_cast<ULONG>(MAPI_E_INVALID_MESSAGE));
    EXPECT_EQ(mapi.Next(session, "", 0, result), second);
    EXPECT_EQ(InboxSize(6, mine.m_sStoreRoot), 1u);
    EXPECT_EQ(InboxSize(6, other.m_sStoreRoot), 0u);

    // A saved message comes back with its own id; memory that is not the library's is refused.
    MapiRecipDesc to{};
    to.ulRecipClass = MAPI_TO;
    to.lpszName = const_cast<LPSTR>("kim@brevolt.example");
    MapiMessage saved{};
    saved.lpszSubject = const_cast<LPSTR>("Saved");
    saved.nRecipCount = 1;
    saved.lpRecips = &to;
    char savedId[512] = {};
    ASSERT_EQ(mapi.m_pfnSaveMail(session, 0, &saved, MAPI_LONG_MSGID, 0, savedId), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.Next(session, second, 0, result), savedId);
    int notOurs = 0;
    EXPECT_EQ(mapi.m_pfnFreeBuffer(&notOurs), static_cast<ULONG>(MAPI_E_FAILURE));

    EXPECT_EQ(mapi.m_pfnLogoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    mapi.Next(session, "", 0, result);
    EXPECT_EQ(result, static_cast<ULONG>(MAPI_E_INVALID_SESSION));
}

TEST(OeSimpleMapi, NamesResolveOnlyToAddressesAndAddressingGivesTheRecipientsBack)
{
    CSimpleMapi mapi(LibraryBeside(6));
    ASSERT_TRUE(mapi.m_bComplete);
    lpMapiRecipDesc recipient = nullptr;
    ASSERT_EQ(mapi.m_pfnResolveName(0, 0, const_cast<LPSTR>("Kim Lee <kim@brevolt.example>"), 0, 0, &recipient),
              SUCCESS_SUCCESS);
    EXPECT_STREQ(recipient->lpszName, "Kim Lee");
    EXPECT_STREQ(recipient->lpszAddress, "SMTP:kim@brevolt.example");
    EXPECT_EQ(mapi.m_pfnFreeBuffer(recipient), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.m_pfnResolveName(0, 0, const_cast<LPSTR>("Nobody Known"), 0, 0, &recipient),
              static_cast<ULONG>(MAPI_E_UNKNOWN_RECIPIENT));

    MapiRecipDesc given[2] = {};
    given[0].ulRecipClass = MAPI_TO;
    given[0].lpszName = const_cast<LPSTR>("A");
    given[0].lpszAddress = const_cast<LPSTR>("SMTP:a@brevolt.example");
    given[1].ulRecipClass = MAPI_BCC;
    given[1].lpszName = const_cast<LPSTR>("B");
    ULONG count = 0;
    lpMapiRecipDesc back = nullptr;
    ASSERT_EQ(mapi.m_pfnAddress(0, 0, nullptr, 4, nullptr, 2, given, 0, 0, &count, &back), SUCCESS_SUCCESS);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(back[0].lpszAddress, "SMTP:a@brevolt.example");
    EXPECT_EQ(back[1].ulRecipClass, static_cast<ULONG>(MAPI_BCC));
    EXPECT_EQ(mapi.m_pfnFreeBuffer(back), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.m_pfnAddress(0, 0, nullptr, 4, nullptr, 0, nullptr, 0, 0, &count, &back), SUCCESS_SUCCESS);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(mapi.m_pfnFreeBuffer(back), SUCCESS_SUCCESS);
}

TEST(OeSimpleMapi, Version4ReadsTheMbxInboxOfTheUser)
{
    oestandin::COeIdentitySeed seed;
    seed.m_sStoreRoot = NewTempFolder("oe_smapi4");
    ASSERT_TRUE(oestandin::SeedIdentity(4, seed));
    std::vector<oestore::CFolderRecord> folders;
    const std::string store = seed.m_sStoreRoot + "Mail\\";
    ASSERT_TRUE(oestandin::OpenStore(4, store, folders));
    uint32_t id = 0;
    ASSERT_TRUE(oestandin::StoreMessage(4, store, oestore::kSpecialInbox,
                                        "From: a@brevolt.example\r\nSubject: Old client\r\n\r\nx\r\n", 0, id));
    CSimpleMapi mapi(LibraryBeside(4));
    ASSERT_TRUE(mapi.m_bComplete);
    LHANDLE session = 0;
    ASSERT_EQ(mapi.m_pfnLogon(0, nullptr, nullptr, 0, 0, &session), SUCCESS_SUCCESS);
    ULONG result = 0;
    const std::string first = mapi.Next(session, "", 0, result);
    ASSERT_EQ(result, SUCCESS_SUCCESS);
    lpMapiMessage message = nullptr;
    ASSERT_EQ(mapi.m_pfnReadMail(session, 0, const_cast<LPSTR>(first.c_str()), MAPI_PEEK, 0, &message),
              SUCCESS_SUCCESS);
    EXPECT_STREQ(message->lpszSubject, "Old client");
    EXPECT_EQ(mapi.m_pfnFreeBuffer(message), SUCCESS_SUCCESS);
    EXPECT_EQ(mapi.m_pfnLogoff(session, 0, 0, 0), SUCCESS_SUCCESS);
}
} // namespace
