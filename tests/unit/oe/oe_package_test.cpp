// tests/unit/oe/oe_package_test.cpp: which road a gateway mail takes through Outlook Express, what
// the transfer file of a long job holds, and how the hooks' answer becomes the send's result.
#include "Addressbook/oe/oe_package.h"
#include "Addressbook/protocol/base64.h"
#include "Addressbook/sending/email_package.h"
#include "common/file_read.h"
#include "tests/unit/oe/oe_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{
struct CRoads
{
    int m_iSMTPSends = 0;
    std::vector<std::string> m_vClasses;
    std::vector<uint32_t> m_vPosted;
    bool m_bWindow = true;
    oe::ESendOutcome m_eOutcome = oe::ESendOutcome::Success;
    bool m_bCancelForbidden = false;
};

class CRecordingSMTP final : public CMailPackage
{
  public:
    explicit CRecordingSMTP(CRoads& p_oRoads) : m_oRoads(p_oRoads)
    {
    }
    [[nodiscard]] int Send(const CGatewayMail&, CCancelLink&, CSendProgress*) override
    {
        ++m_oRoads.m_iSMTPSends;
        return 1;
    }

  private:
    CRoads& m_oRoads;
};

class CFakeBrowser final : public oe::IBrowserLink
{
  public:
    explicit CFakeBrowser(CRoads& p_oRoads) : m_oRoads(p_oRoads)
    {
    }
    [[nodiscard]] bool FindBrowser(const char* p_szClass) override
    {
        m_oRoads.m_vClasses.push_back(p_szClass);
        return m_oRoads.m_bWindow;
    }
    [[nodiscard]] oe::ESendOutcome PostAndWait(uint32_t p_dwNumber, uint32_t, CCancelLink& p_oLink) override
    {
        m_oRoads.m_vPosted.push_back(p_dwNumber);
        m_oRoads.m_bCancelForbidden = p_oLink.IsCancelForbidden();
        return m_oRoads.m_eOutcome;
    }

  private:
    CRoads& m_oRoads;
};

class CProgress final : public CSendProgress
{
  public:
    void SetText(const std::string& p_sText) override
    {
        m_sText = p_sText;
    }
    void SetRange(int p_iLow, int p_iHigh) override
    {
        m_iHigh = p_iHigh - p_iLow;
    }
    void GetRange(int& p_iLow, int& p_iHigh) override
    {
        p_iLow = 0;
        p_iHigh = m_iHigh;
    }
    int GetPosition() override
    {
        return m_iPosition;
    }
    void SetPosition(int p_iPosition) override
    {
        m_iPosition = p_iPosition;
    }
    void Step() override
    {
        ++m_iPosition;
    }
    std::string m_sText;
    int m_iHigh = 0;
    int m_iPosition = 0;
};

class OutlookExpressPackageTest : public ::testing::Test
{
  protected:
    std::unique_ptr<oe::COutlookExpress> Package(int p_iMajor, bool p_bTransferFile = true)
    {
        return std::make_unique<oe::COutlookExpress>(p_iMajor, p_bTransferFile,
                                                     std::make_unique<CRecordingSMTP>(m_oRoads),
                                                     std::make_unique<CFakeBrowser>(m_oRoads), 1000);
    }
    CGatewayMail Job(const std::string& p_sDocument)
    {
        CGatewayMail mail;
        mail.m_sSenderName = "Pat Doe";
        mail.m_sSenderEmail = "pat@brevolt.example";
        mail.m_sSubject = "SMS job";
        mail.m_sPlainBody = p_sDocument;
        mail.m_p_mrlTo = m_oTo.List();
        return mail;
    }
    void TearDown() override
    {
        for (const std::string& file : m_vFiles)
            std::remove(file.c_str());
    }
    std::string Written(const oe::COutlookExpress& p_oPackage)
    {
        m_vFiles.push_back(p_oPackage.LastTransferFile());
        std::string text;
        EXPECT_EQ(ReadWholeFile(p_oPackage.LastTransferFile(), text), EReadFile::Read);
        return text;
    }

    CRoads m_oRoads;
    CCancelLink m_oLink;
    oetest::CRecipients m_oTo;
    std::vector<std::string> m_vFiles;
};
} // namespace

TEST_F(OutlookExpressPackageTest, SMTPForVersionFourWithoutTheFlagAndForEmails)
{
    m_oTo.Add(nullptr, "gateway@brevolt.example");
    EXPECT_EQ(Package(4)->Send(Job("<MAIL/>"), m_oLink, nullptr), 1);
    EXPECT_EQ(Package(6, false)->Send(Job("<MAIL/>"), m_oLink, nullptr), 1);
    CGatewayMail email = Job("hello");
    email.m_iMailKind = 1;
    EXPECT_EQ(Package(6)->Send(email, m_oLink, nullptr), 1);
    EXPECT_EQ(m_oRoads.m_iSMTPSends, 3);
    EXPECT_TRUE(m_oRoads.m_vClasses.empty()) << "no Outlook Express window is looked for";
}

TEST_F(OutlookExpressPackageTest, NoBrowserWindowWritesTheFileButSendsBySMTP)
{
    m_oTo.Add(nullptr, "gateway@brevolt.example");
    auto package = Package(5);
    EXPECT_EQ(package->Send(Job("<MAIL/>"), m_oLink, nullptr), 1);
    m_oRoads.m_bWindow = false;
    auto missing = Package(6);
    EXPECT_EQ(missing->Send(Job("<MAIL/>"), m_oLink, nullptr), 1);
    EXPECT_EQ(m_oRoads.m_vClasses,
              (std::vector<std::string>{"Outlook Express Browser Class", "Outlook Express Browser Class"}));
    EXPECT_EQ(m_oRoads.m_iSMTPSends, 1);
    EXPECT_EQ(m_oRoads.m_vPosted.size(), 1u);
    EXPECT_NE(Written(*missing).find("To: \t\"gateway@brevolt.example\"\n"), std::string::npos);
    EXPECT_NE(Written(*package).find(std::string(kGatewayPreamble) + std::string(50, '\n') + "<MAIL/>\n"),
              std::string::npos)
        << "a short document follows the preamble in the body";
}

TEST_F(OutlookExpressPackageTest, ALongJobGetsThePreambleAloneAndTheWholeDocumentAsAttachment)
{
    std::string document;
    for (size_t i = 0; document.size() < 600000; ++i)
        document += "<SMS n=\"" + std::to_string(i) + "\">text</SMS>\r\n";
    document.resize(600000);
    CProgress progress;
    auto package = Package(6);
    ASSERT_EQ(package->Send(Job(document), m_oLink, &progress), 1);
    EXPECT_EQ(m_oRoads.m_vPosted, std::vector<uint32_t>{package->LastFileNumber()});
    EXPECT_EQ(progress.m_sText, "Sending message to Outbox...");
    EXPECT_EQ(progress.m_iPosition, 1);

    const std::string text = Written(*package);
    const std::string bodyStart = "Content-Transfer-Encoding: 7bit\n\n";
    const size_t body = text.find(bodyStart);
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(text.substr(body + bodyStart.size(), std::string(kGatewayPreamble).size() + 2),
              std::string(kGatewayPreamble) + "\n\n");
    const std::string attachmentStart = "filename=\"content.txt\"\n\n";
    const size_t start = text.find(attachmentStart);
    ASSERT_NE(start, std::string::npos);
    const size_t end = text.find("\n--", start);
    std::vector<uint8_t> decoded;
    CBase64 coder(0);
    ASSERT_EQ(coder.Decode(text.substr(start + attachmentStart.size(), end - start - attachmentStart.size()), decoded),
              1);
    ASSERT_EQ(decoded.size(), document.size() + 1);
    EXPECT_EQ(decoded.back(), 0);
    EXPECT_TRUE(std::equal(document.begin(), document.end(), decoded.begin()));
}

TEST_F(OutlookExpressPackageTest, TheHooksAnswerIsTheResult)
{
    const std::pair<oe::ESendOutcome, const char*> outcomes[] = {
        {oe::ESendOutcome::Failed, "Event OESendFailed was set"},
        {oe::ESendOutcome::TimedOut, "Timed out trying to send via Outlook Express"},
        {oe::ESendOutcome::Error, "Outlook Express could not be asked to send"},
    };
    for (const auto& outcome : outcomes)
    {
        m_oLink.Reset();
        m_oRoads.m_eOutcome = outcome.first;
        auto package = Package(6);
        CProgress progress;
        EXPECT_EQ(package->Send(Job("<MAIL/>"), m_oLink, &progress), 0) << outcome.second;
        EXPECT_EQ(package->Error().Text(), outcome.second);
        EXPECT_EQ(progress.m_iPosition, 0);
        Written(*package);
    }
    EXPECT_EQ(m_oRoads.m_iSMTPSends, 0) << "only a missing window falls back to SMTP";
    EXPECT_EQ(m_oRoads.m_vClasses.front(), "Outlook Express Browser Class");
}

TEST_F(OutlookExpressPackageTest, AStopBeforeTheHandOverEndsTheSendAndOneAfterIsRefused)
{
    m_oLink.RequestStop();
    auto stopped = Package(6);
    EXPECT_EQ(stopped->Send(Job("<MAIL/>"), m_oLink, nullptr), 1);
    EXPECT_EQ(m_oLink.State(), kLinkCancelled);
    EXPECT_TRUE(stopped->LastTransferFile().empty()) << "nothing was written";
    EXPECT_TRUE(m_oRoads.m_vPosted.empty());

    m_oLink.Reset();
    auto sent = Package(6);
    EXPECT_EQ(sent->Send(Job("<MAIL/>"), m_oLink, nullptr), 1);
    EXPECT_TRUE(m_oRoads.m_bCancelForbidden) << "once posted the note cannot be called back";
    Written(*sent);

    m_oLink.Reset();
    m_oRoads.m_eOutcome = oe::ESendOutcome::TimedOut;
    auto late = Package(6);
    EXPECT_EQ(late->Send(Job("<MAIL/>"), m_oLink, nullptr), 0);
    EXPECT_EQ(m_oLink.State(), kLinkAborted);
    Written(*late);
}
