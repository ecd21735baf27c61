// tests/unit/newmail/upgrade_notice_test.cpp: applying an upgrade notice: a valid one replaces the
// module under the lock and announces it; an altered attachment, another key, a missing attachment
// or folder, and an old module that will not go leave everything as it was.
#include "tests/unit/newmail/newmail_test_support.h"

#include "Addressbook/newmail/upgrade_notice.h"

#include <gtest/gtest.h>

using namespace newmailtest;

namespace
{
const char* const kOldModule = "C:\\Users\\jane\\Documents\\Brevolt SMS\\old-resource.dll";
const char* const kNewModule = "C:\\Users\\jane\\Documents\\Brevolt SMS\\resource.dll";

class UpgradeNotice : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_oSettings.m_oRegistry.WriteUserText(kResourceValue, kOldModule));
    }
    bool Apply(const std::string& p_sBody, const std::vector<uint8_t>* p_pAttachment)
    {
        CServerCommunication server(m_oSettings.m_oRegistry);
        return server.ApplyUpgradeNotice(
            p_sBody,
            [&](std::vector<uint8_t>& p_vBytes) {
                if (p_pAttachment == nullptr)
                    return false;
                p_vBytes = *p_pAttachment;
                return true;
            },
            m_oInstaller);
    }
    void ExpectUnchanged()
    {
        EXPECT_EQ(m_oSettings.m_oRegistry.ReadUserText(kResourceValue), kOldModule);
        EXPECT_TRUE(m_oInstaller.m_vWritten.empty());
        for (const std::string& step : m_oInstaller.m_vSteps)
            EXPECT_TRUE(step.rfind("write", 0) != 0 && step != "announce") << step;
    }

    CSettings m_oSettings;
    CRecordingInstaller m_oInstaller;
    const std::vector<uint8_t> m_vModule = Bytes(std::string("MZ\x90\0\x03 resource module", 22));
};
} // namespace

TEST_F(UpgradeNotice, ValidNoticeReplacesTheModuleUnderTheLockAndAnnouncesIt)
{
    ASSERT_TRUE(Apply(NoticeBody(m_oSettings.m_sKeyText, m_vModule), &m_vModule));
    const std::vector<std::string> expected = {"folder",   std::string("delete ") + kOldModule,
                                               "lock",     std::string("write ") + kNewModule + " 22",
                                               "announce", "unlock"};
    EXPECT_EQ(m_oInstaller.m_vSteps, expected);
    EXPECT_EQ(m_oInstaller.m_vWritten, m_vModule);
    EXPECT_EQ(m_oSettings.m_oRegistry.ReadUserText(kResourceValue), kNewModule);
}

TEST_F(UpgradeNotice, FirstModuleDeletesNothing)
{
    ASSERT_TRUE(m_oSettings.m_oRegistry.WriteUserText(kResourceValue, ""));
    ASSERT_TRUE(Apply(NoticeBody(m_oSettings.m_sKeyText, m_vModule), &m_vModule));
    for (const std::string& step : m_oInstaller.m_vSteps)
        EXPECT_NE(step.rfind("delete", 0), 0u) << step;
    EXPECT_EQ(m_oSettings.m_oRegistry.ReadUserText(kResourceValue), kNewModule);
}

TEST_F(UpgradeNotice, NoticesThatFailACheckChangeNothing)
{
    std::vector<uint8_t> altered = m_vModule;
    altered.back() ^= 1;
    const std::string body = NoticeBody(m_oSettings.m_sKeyText, m_vModule);
    std::string tampered = body;
    tampered.replace(tampered.find("<UPGRADE>"), 9, "<UPGRADX>");

    struct CCase
    {
        const char* m_szName;
        std::string m_sBody;
        const std::vector<uint8_t>* m_pAttachment;
    } const cases[] = {
        {"altered attachment", body, &altered},
        {"signed with another key", NoticeBody(MakeKeyText(), m_vModule), &m_vModule},
        {"no attachment", body, nullptr},
        {"no UPGRADE document", tampered, &m_vModule},
        {"empty body", "", &m_vModule},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_szName);
        m_oInstaller.m_vSteps.clear();
        EXPECT_FALSE(Apply(c.m_sBody, c.m_pAttachment));
        ExpectUnchanged();
        // Nothing of the platform is touched before the notice and its attachment are proven.
        EXPECT_TRUE(m_oInstaller.m_vSteps.empty());
    }
}

TEST_F(UpgradeNotice, NoAccountKeyDropsTheNotice)
{
    const std::string body = NoticeBody(m_oSettings.m_sKeyText, m_vModule);
    ASSERT_TRUE(m_oSettings.m_oRegistry.WriteUserText("AccountKey", ""));
    EXPECT_FALSE(Apply(body, &m_vModule));
    ExpectUnchanged();
}

TEST_F(UpgradeNotice, OldModuleThatWillNotGoIsTriedFiveTimesThenReported)
{
    m_oInstaller.m_iDeleteFailures = 5;
    EXPECT_FALSE(Apply(NoticeBody(m_oSettings.m_sKeyText, m_vModule), &m_vModule));
    ExpectUnchanged();
    const std::string deleteStep = std::string("delete ") + kOldModule;
    const std::vector<std::string> expected = {"folder",
                                               deleteStep,
                                               deleteStep,
                                               deleteStep,
                                               deleteStep,
                                               deleteStep,
                                               std::string("box Error deleting file|Error 32 when deleting file '") +
                                                   kOldModule + "'."};
    EXPECT_EQ(m_oInstaller.m_vSteps, expected);

    // A delete that succeeds on the fifth try goes on.
    m_oInstaller.m_vSteps.clear();
    m_oInstaller.m_iDeleteFailures = 4;
    EXPECT_TRUE(Apply(NoticeBody(m_oSettings.m_sKeyText, m_vModule), &m_vModule));
    EXPECT_EQ(m_oSettings.m_oRegistry.ReadUserText(kResourceValue), kNewModule);
}

TEST_F(UpgradeNotice, FailedWriteReleasesTheLockAndKeepsTheSetting)
{
    m_oInstaller.m_bWriteFails = true;
    EXPECT_FALSE(Apply(NoticeBody(m_oSettings.m_sKeyText, m_vModule), &m_vModule));
    EXPECT_EQ(m_oSettings.m_oRegistry.ReadUserText(kResourceValue), kOldModule);
    ASSERT_FALSE(m_oInstaller.m_vSteps.empty());
    EXPECT_EQ(m_oInstaller.m_vSteps.back(), "unlock");
    EXPECT_EQ(std::count(m_oInstaller.m_vSteps.begin(), m_oInstaller.m_vSteps.end(), "announce"), 0);

    m_oInstaller.m_bWriteFails = false;
    m_oInstaller.m_bHasFolder = false;
    m_oInstaller.m_vSteps.clear();
    EXPECT_FALSE(Apply(NoticeBody(m_oSettings.m_sKeyText, m_vModule), &m_vModule));
    EXPECT_EQ(m_oInstaller.m_vSteps, std::vector<std::string>{"folder"});
}
