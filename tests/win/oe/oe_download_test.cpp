// tests/win/oe/oe_download_test.cpp: a download asked for through the control channel shows a
// top-level "#32770" dialog with a "msctls_progress32" child, grows the Inbox's next-message number
// on disk before the dialog receives 0xAA8, and uses the same dialog the next time.
#include "standins/oe/oe_profile.h"
#include "standins/oe/oe_registry_win.h"
#include "tests/win/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
uint32_t InboxNumber(int p_iMajor, const std::string& p_sStoreRoot)
{
    const std::vector<uint8_t> file =
        ReadBytes(p_iMajor <= 4 ? p_sStoreRoot + "Mail\\Inbox.mbx" : p_sStoreRoot + "Inbox.dbx");
    const size_t at = p_iMajor <= 4 ? 8 : 0x5C;
    if (file.size() < at + 4)
        return 0;
    return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
}

size_t CountLines(const std::vector<std::string>& p_vLines, const std::string& p_sLine)
{
    return static_cast<size_t>(std::count(p_vLines.begin(), p_vLines.end(), p_sLine));
}

class OeDownload : public testing::TestWithParam<int>
{
};

TEST_P(OeDownload, RaisesTheProgressDialogGrowsTheInboxNumberAndEndsWith0xAA8)
{
    const int major = GetParam();
    const oestandin::COeProfile& profile = oestandin::ProfileFor(major);
    oestandin::COeIdentitySeed seed;
    seed.m_sId = "{7C2E9A41-1B3D-4E5F-8A6B-9C0D1E2F3A01}";
    seed.m_sStoreRoot = NewTempFolder("oe_download");
    ASSERT_TRUE(oestandin::SeedIdentity(major, seed));
    const std::string log = NewTempFolder("oe_download_log") + "seen.txt";

    CClientRun run;
    ASSERT_TRUE(run.Start(major, log));
    ASSERT_NE(run.WaitForBrowser(profile.m_szBrowserClass, 15000), nullptr);
    EXPECT_EQ(InboxNumber(major, seed.m_sStoreRoot), 1u);

    ASSERT_EQ(run.SendControl("download 3"), 1);
    EXPECT_EQ(InboxNumber(major, seed.m_sStoreRoot), 4u);
    std::vector<std::string> seen = ReadLines(log);
    const auto dialog = std::find(seen.begin(), seen.end(), "#32770");
    ASSERT_NE(dialog, seen.end());
    const auto progress = std::find(dialog, seen.end(), "msctls_progress32");
    ASSERT_NE(progress, seen.end()) << "the progress bar is made inside the dialog";
    EXPECT_NE(std::find(progress, seen.end(), "Static"), seen.end()) << "a window is made after the progress bar";
    EXPECT_EQ(CountLines(seen, "0xAA8 #32770"), 1u);

    ASSERT_EQ(run.SendControl("download 2"), 1);
    EXPECT_EQ(InboxNumber(major, seed.m_sStoreRoot), 6u);
    seen = ReadLines(log);
    EXPECT_EQ(CountLines(seen, "0xAA8 #32770"), 2u);
    EXPECT_EQ(CountLines(seen, "#32770"), 1u) << "one progress dialog for the process";

    // Refused counts neither touch the store nor signal a finished download.
    EXPECT_EQ(run.SendControl("download 0"), 0);
    EXPECT_EQ(run.SendControl("download 1001"), 0);
    EXPECT_EQ(InboxNumber(major, seed.m_sStoreRoot), 6u);
    EXPECT_EQ(CountLines(ReadLines(log), "0xAA8 #32770"), 2u);
    DWORD exitCode = 1;
    EXPECT_TRUE(run.Close(exitCode));
}

INSTANTIATE_TEST_SUITE_P(Versions, OeDownload, testing::Values(4, 6));
} // namespace
