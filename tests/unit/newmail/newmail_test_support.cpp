// tests/unit/newmail/newmail_test_support.cpp: keys, notices and the recording installer.
#include "tests/unit/newmail/newmail_test_support.h"

#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/client_security_protocol.h"
#include "gateway/envelope.h"

#include <gtest/gtest.h>

namespace newmailtest
{
std::string MakeKeyText()
{
    CAES key;
    std::string text;
    EXPECT_TRUE(key.GenerateRandomKey());
    EXPECT_TRUE(key.WriteKeyXML(text));
    return text;
}

std::string NoticeBody(const std::string& p_sKeyText, const std::vector<uint8_t>& p_vAttachment)
{
    CAES key;
    EXPECT_TRUE(key.ReadKeyXML(p_sKeyText));
    std::string document;
    std::string error;
    EXPECT_TRUE(BuildUpgradeDocument(p_vAttachment, key, document, error)) << error;
    return document + "\r\n";
}

std::vector<uint8_t> Bytes(const std::string& p_sText)
{
    return std::vector<uint8_t>(p_sText.begin(), p_sText.end());
}

bool CRecordingInstaller::ProductFolder(std::string& p_sFolder)
{
    m_vSteps.push_back("folder");
    p_sFolder = "C:\\Users\\jane\\Documents\\Brevolt SMS";
    return m_bHasFolder;
}

bool CRecordingInstaller::DeleteOnce(const std::string& p_sPath, uint32_t& p_dwError)
{
    m_vSteps.push_back("delete " + p_sPath);
    if (m_iDeleteFailures <= 0)
        return true;
    --m_iDeleteFailures;
    p_dwError = 32;
    return false;
}

void CRecordingInstaller::ShowDeleteFailure(const std::string& p_sText, const std::string& p_sCaption)
{
    m_vSteps.push_back("box " + p_sCaption + "|" + p_sText);
}

bool CRecordingInstaller::Lock()
{
    m_vSteps.push_back("lock");
    return true;
}

void CRecordingInstaller::Unlock()
{
    m_vSteps.push_back("unlock");
}

bool CRecordingInstaller::WriteModule(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes)
{
    m_vSteps.push_back("write " + p_sPath + " " + std::to_string(p_vBytes.size()));
    if (m_bWriteFails)
        return false;
    m_vWritten = p_vBytes;
    return true;
}

void CRecordingInstaller::Announce()
{
    m_vSteps.push_back("announce");
}

CSettings::CSettings() : m_p_oStore(CreateMemoryRegistry()), m_oRegistry(*m_p_oStore), m_sKeyText(MakeKeyText())
{
    EXPECT_TRUE(m_oRegistry.WriteUserText(kAccountKeyValue, m_sKeyText));
}
} // namespace newmailtest
