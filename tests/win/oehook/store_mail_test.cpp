// tests/win/oehook/store_mail_test.cpp: store-mail mode inside the mail client stand-in: archive
// requests file the readable copies of sent jobs in "Sent SMSs" through the note's Copy to Folder and
// its folder picker, making the folder the first time; a gateway mail handed over meanwhile is
// refused and neither note is taken for the other.
#include "standins/oe/oe_mailstore_win.h"
#include "standins/oe/oe_registry_win.h"
#include "standins/oe/store/dbx_file.h"
#include "standins/oe/store/eml_message.h"
#include "tests/win/oe/oe_test_support.h"
#include "tests/win/oehook/mail_mode_support.h"

#include <gtest/gtest.h>

namespace
{
constexpr UINT kSendMail = WM_USER + 24;

// The messages of the current identity's folder by name; none when there is no such folder.
std::vector<oestore::CStoredMessage> FolderMessages(const std::string& p_sName)
{
    std::string store;
    std::vector<oestore::CFolderRecord> folders;
    if (!oestandin::CurrentStoreFolder(6, store) ||
        oestore::ReadFoldersFile(ReadBytes(store + "Folders.dbx"), folders) != oestore::EDbxRead::Ok)
        return {};
    for (const oestore::CFolderRecord& folder : folders)
    {
        oestandin::CFolderContents contents;
        if (folder.m_sName == p_sName && oestandin::ReadFolderContents(6, store + folder.m_sFileName, contents))
            return contents.m_vMessages;
    }
    return {};
}

std::string WriteCopyFile(DWORD p_dwStamp, const std::string& p_sText)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char name[32] = {};
    wsprintfA(name, "%lX.eml", static_cast<unsigned long>(p_dwStamp));
    const std::string path = std::string(folder) + name;
    WriteTextFile(path, "From: \"Pat Doe [pat@brevolt.example]\"\r\nTo: \t\"+27825550101\"\r\nSubject: " + p_sText +
                            "\r\nX-Priority: 3\r\n\r\n" + p_sText + "\r\n");
    return path;
}

TEST(LatchkitStoreMail, ArchiveRequestsFileTheCopiesInSentSMSsMakingTheFolderTheFirstTime)
{
    SeedLatchkitSettings(6, "");
    const CEmlAssociation association;
    CHookedClient client;
    ASSERT_TRUE(client.Start(6));
    const HWND browser = client.WaitForBrowser(15000);
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(FolderMessages("Sent SMSs").empty());

    const char* texts[] = {"Dinner at eight", "Running late"};
    for (DWORD i = 0; i < 2; ++i)
    {
        const DWORD stamp = 0x5EED0050 + i;
        const std::string path = WriteCopyFile(stamp, texts[i]);
        const size_t from = client.MessageCount();
        PostMessageA(browser, WM_USER + 8, 0, static_cast<LPARAM>(stamp));
        CMonitorMessage message{};
        ASSERT_TRUE(client.WaitForMessage(WM_USER + 501, message, 30000, from)) << texts[i];
        EXPECT_EQ(client.CountMessages(WM_USER + 501), i + 1) << "one end per request";
        EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the transfer file goes";
        const std::vector<oestore::CStoredMessage> filed = FolderMessages("Sent SMSs");
        ASSERT_EQ(filed.size(), i + 1);
        oestore::CMailMessage copy;
        ASSERT_TRUE(oestore::ParseMessage(filed[i].m_sText, copy));
        EXPECT_EQ(copy.m_sSubject, texts[i]);
        EXPECT_EQ(copy.m_sBody, std::string(texts[i]) + "\r\n");
        EXPECT_EQ(filed[i].m_nFlags & 0x80u, 0x80u);
        // The note and the picker did their work off-screen and are gone.
        EXPECT_TRUE(WaitUntil([&] { return FindSendingNote(client) == nullptr; }, 5000));
        EXPECT_EQ(client.FindVisible("#32770"), nullptr);
    }
    // The second request found the folder and showed it.
    ASSERT_EQ(client.SendControl("select-message Running late"), 1);
    PaintNow(browser);
    EXPECT_TRUE(SaveWindowPng(browser, "latchkit_oe6_sent_smss.png"));

    // A gateway mail handed over while a copy is being filed is refused at once, and the copy is
    // still filed: neither note is taken for the other.
    const CSendEvents events;
    const std::string copy = WriteCopyFile(0x5EED0052, "On my way");
    const std::string job = WriteTransferFile(0x5EED0053);
    const size_t from = client.MessageCount();
    PostMessageA(browser, WM_USER + 8, 0, 0x5EED0052);
    PostMessageA(browser, kSendMail, 0x5EED0053, 0);
    EXPECT_EQ(WaitForSingleObject(events.m_hFailed.get(), 10000), WAIT_OBJECT_0);
    CMonitorMessage message{};
    ASSERT_TRUE(client.WaitForMessage(WM_USER + 501, message, 30000, from));
    EXPECT_EQ(FolderMessages("Sent SMSs").size(), 3u);
    EXPECT_EQ(WaitForSingleObject(events.m_hSuccess.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    DeleteFileA(job.c_str());
}
} // namespace
