// tests/unit/oe/inbox_watch_test.cpp: the Inbox found through the identity's store folder and the
// folder index, its next-message number for each version, and when a finished download signals.
#include "Addressbook/oe/inbox_watch.h"
#include "common/registry.h"
#include "standins/oe/store/dbx_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace
{
void WriteBytes(const std::filesystem::path& p_oPath, const std::vector<uint8_t>& p_vBytes)
{
    std::ofstream out(p_oPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(p_vBytes.data()), static_cast<std::streamsize>(p_vBytes.size()));
}

class InboxWatchTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_oDir = std::filesystem::temp_directory_path() /
                 ("oe_inbox_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_oDir);
        std::filesystem::create_directories(m_oDir / "Mail");
    }
    void TearDown() override
    {
        std::filesystem::remove_all(m_oDir);
    }
    void SetText(const std::string& p_sKey, const char* p_szName, const std::string& p_sText)
    {
        ASSERT_TRUE(m_oRegistry.WriteRegistry(ERegRoot::CurrentUser, p_sKey, p_szName, p_sText.c_str(),
                                              p_sText.size() + 1, kRegSz));
    }
    void SetUpIdentity()
    {
        SetText("Identities", "Last User ID", "{11111111-2222-3333-4444-555555555555}");
        SetText("Identities\\{11111111-2222-3333-4444-555555555555}\\Software\\Microsoft\\Outlook Express\\5.0",
                "Store Root", m_oDir.string());
    }

    std::filesystem::path m_oDir;
    std::unique_ptr<Registry> m_p_oStore = CreateMemoryRegistry();
    CRegistry m_oRegistry{*m_p_oStore};
};
} // namespace

TEST_F(InboxWatchTest, VersionFiveFindsTheInboxThroughTheFolderIndexAndCachesIt)
{
    oe::CInboxLocator locator(m_oRegistry, 6);
    uint32_t number = 0;
    EXPECT_FALSE(locator.GetInboxNextNumber(number)) << "no identity";
    SetUpIdentity();
    EXPECT_FALSE(locator.GetInboxNextNumber(number)) << "no folder index";

    WriteBytes(m_oDir / "Folders.dbx", oestore::BuildFoldersFile(oestore::DefaultFolders()));
    WriteBytes(m_oDir / "Inbox.dbx", oestore::BuildFolderFile(17));
    ASSERT_TRUE(locator.GetInboxNextNumber(number));
    EXPECT_EQ(number, 17u);

    // The cached path stays until a refresh is asked for.
    std::vector<oestore::CFolderRecord> renamed = oestore::DefaultFolders();
    for (oestore::CFolderRecord& folder : renamed)
        folder.m_sFileName = folder.m_nSpecial == oestore::kSpecialInbox ? "Moved.dbx" : folder.m_sFileName;
    WriteBytes(m_oDir / "Folders.dbx", oestore::BuildFoldersFile(renamed));
    WriteBytes(m_oDir / "Moved.dbx", oestore::BuildFolderFile(99));
    std::string path;
    ASSERT_TRUE(locator.GetInboxPath(false, path));
    EXPECT_EQ(std::filesystem::path(path).filename(), "Inbox.dbx");
    ASSERT_TRUE(locator.GetInboxPath(true, path));
    EXPECT_EQ(std::filesystem::path(path).filename(), "Moved.dbx");
    ASSERT_TRUE(locator.GetInboxNextNumber(number));
    EXPECT_EQ(number, 99u);

    // An Inbox file too short to hold the number.
    WriteBytes(m_oDir / "Moved.dbx", std::vector<uint8_t>(90, 0));
    EXPECT_FALSE(locator.GetInboxNextNumber(number));
}

TEST_F(InboxWatchTest, VersionFourReadsTheMbxOfTheLearntName)
{
    oe::CInboxLocator locator(m_oRegistry, 4);
    SetText("Software\\Microsoft\\Outlook Express", "Store Root", m_oDir.string());
    WriteBytes(m_oDir / "Mail" / "Inbox.mbx", oestore::BuildMbxFile(42));
    uint32_t number = 0;
    EXPECT_FALSE(locator.GetInboxNextNumber(number)) << "the Inbox's name is not known yet";
    locator.SetInboxFileName("Inbox");
    ASSERT_TRUE(locator.GetInboxNextNumber(number));
    EXPECT_EQ(number, 42u);
}

TEST(NewMailTrigger, SignalsOncePerGrowthAndOnlyWithTheMonitorsRange)
{
    uint32_t next = 5;
    bool readable = true;
    bool signalWorks = true;
    int signals = 0;
    oe::CTriggerHost host;
    host.m_fnNextNumber = [&](uint32_t& p_dwNumber) {
        p_dwNumber = next;
        return next != 0;
    };
    host.m_fnSettingReadable = [&](const std::string& p_sName) { return readable || p_sName == oe::kIdToValue; };
    host.m_fnSignal = [&]() {
        signals += signalWorks ? 1 : 0;
        return signalWorks;
    };
    oe::CNewMailTrigger trigger;
    EXPECT_TRUE(trigger.OnFinishedDownloading(host)) << "the first download after start signals";
    EXPECT_FALSE(trigger.OnFinishedDownloading(host)) << "an unchanged number signals nothing";

    next = 6;
    readable = false;
    EXPECT_FALSE(trigger.OnFinishedDownloading(host)) << "no OEIDFrom: nothing";
    readable = true;
    signalWorks = false;
    EXPECT_FALSE(trigger.OnFinishedDownloading(host));
    EXPECT_EQ(trigger.LastSeen(), 5u) << "failures keep the last seen number for the next try";
    signalWorks = true;
    next = 0;
    EXPECT_FALSE(trigger.OnFinishedDownloading(host)) << "an unreadable Inbox";
    next = 6;
    EXPECT_TRUE(trigger.OnFinishedDownloading(host));
    EXPECT_EQ(signals, 2);
}
