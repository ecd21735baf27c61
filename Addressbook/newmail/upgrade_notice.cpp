// Addressbook/newmail/upgrade_notice.cpp: CServerCommunication, applying upgrade notices.
#include "Addressbook/newmail/upgrade_notice.h"

#include "Addressbook/newmail/newmail_messages.h"
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/client_security_protocol.h"
#include "Addressbook/protocol/sha1.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"
#include "common/unique_any.h"

const char* const kResourceValue = "Resource";
const char* const kResourceFileName = "resource.dll";

CServerCommunication::CServerCommunication(CRegistry& p_oRegistry) : m_oRegistry(p_oRegistry)
{
}

bool CServerCommunication::Drop(const char* p_szWhy)
{
    Log("CServerCommunication: upgrade notice dropped: %s", p_szWhy);
    if (!m_oError.IsSet())
        m_oError.SetText(0, p_szWhy);
    return false;
}

bool CServerCommunication::ProcessProtocolUpgrade(std::string_view p_sBody, std::vector<uint8_t>& p_vDigest)
{
    m_oError.Clear();
    p_vDigest.clear();
    CAES key;
    CXMLProtocol xml;
    if (key.IsError() || xml.IsError())
    {
        m_oError.CopyFrom(key.IsError() ? key.Error() : xml.Error());
        return Drop("CheckBodyUpgrade failed");
    }
    if (!key.ReadKeyXML(m_oRegistry.ReadUserText(kAccountKeyValue)))
    {
        Log("CServerCommunication::ProcessProtocolUpgrade: the account key does not load: %s",
            key.Error().Text().c_str());
        m_oError.CopyFrom(key.Error());
        return Drop("CheckBodyUpgrade failed");
    }
    // The document is read as the mail client hands the body over: with its terminating NUL.
    std::string body(p_sBody);
    body.push_back('\0');
    int upgrade = 0;
    std::vector<uint8_t> digest;
    if (!xml.ProcessProtocolUpgrade(body, key, upgrade, digest) || !upgrade || digest.size() != kSha1Size)
    {
        Log("CXMLProtocol ProcessProtocolUpgrade: %s", xml.IsError() ? xml.Error().Text().c_str() : "Not Valid");
        if (xml.IsError())
            m_oError.CopyFrom(xml.Error());
        return Drop("CheckBodyUpgrade failed");
    }
    p_vDigest = std::move(digest);
    return true;
}

bool CServerCommunication::CheckAttachmentDigest(const std::vector<uint8_t>& p_vAttachment,
                                                 const std::vector<uint8_t>& p_vDigest)
{
    if (p_vDigest.size() != kSha1Size)
        return false;
    CXMLProtocol xml;
    int match = 0;
    if (!xml.CheckAttachmentDigest(p_vAttachment.data(), p_vAttachment.size(), p_vDigest.data(), match))
    {
        m_oError.CopyFrom(xml.Error());
        return false;
    }
    return match == 1;
}

bool CServerCommunication::DeleteOldModule(IResourceInstaller& p_oInstaller)
{
    const std::string old = m_oRegistry.ReadUserText(kResourceValue);
    if (old.empty())
        return true;
    uint32_t error = 0;
    for (int attempt = 0; attempt < kResourceDeleteTries; ++attempt)
    {
        if (p_oInstaller.DeleteOnce(old, error))
            return true;
    }
    const std::string text =
        FormatTableMessage(CorvaneStrings(), kMsgDeleteFileError, static_cast<int>(error), old.c_str());
    m_oError.SetText(kMsgDeleteFileError, text);
    p_oInstaller.ShowDeleteFailure(text, FormatTableMessage(CorvaneStrings(), kMsgDeleteFileCaption));
    return Drop("the old resource module could not be deleted");
}

bool CServerCommunication::ApplyUpgradeNotice(std::string_view p_sBody,
                                              const std::function<bool(std::vector<uint8_t>&)>& p_fnFirstAttachment,
                                              IResourceInstaller& p_oInstaller)
{
    std::vector<uint8_t> digest;
    if (!ProcessProtocolUpgrade(p_sBody, digest))
        return false;
    std::vector<uint8_t> attachment;
    if (!p_fnFirstAttachment || !p_fnFirstAttachment(attachment))
        return Drop("GetFirstAttachmentInBuffer failed");
    if (!CheckAttachmentDigest(attachment, digest))
        return Drop("the attachment does not match its digest");
    std::string folder;
    if (!p_oInstaller.ProductFolder(folder))
        return Drop("no product folder in the documents folder");
    if (!DeleteOldModule(p_oInstaller))
        return false;
    if (!p_oInstaller.Lock())
        return Drop("the resource lock could not be taken");
    const scope_exit unlock([&] { p_oInstaller.Unlock(); });
    const std::string path = folder + "\\" + kResourceFileName;
    if (!p_oInstaller.WriteModule(path, attachment))
        return Drop("the new resource module could not be written");
    if (!m_oRegistry.WriteUserText(kResourceValue, path))
        return Drop("the Resource setting could not be written");
    p_oInstaller.Announce();
    Log("CServerCommunication: resource module replaced by '%s'", path.c_str());
    return true;
}
