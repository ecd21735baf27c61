// gateway/envelope.cpp: unpacking SMS SEND envelopes and making UPGRADE notices.
#include "gateway/envelope.h"

#include "Addressbook/protocol/code_page.h"
#include "Addressbook/protocol/sha1.h"
#include "Addressbook/protocol/xml_protocol.h"

#include <cstring>

namespace
{
bool Fail(std::string& p_sError, const std::string& p_sWhat, const CErrorSlot* p_pCause = nullptr)
{
    p_sError = p_sWhat;
    if (p_pCause != nullptr && p_pCause->IsSet())
        p_sError += ": " + p_pCause->Text();
    return false;
}

template <typename T> bool RecordFrom(const std::vector<uint8_t>& p_vBytes, T& p_oRecord)
{
    if (p_vBytes.size() != sizeof(T))
        return false;
    std::memcpy(&p_oRecord, p_vBytes.data(), sizeof(T));
    return true;
}

// The decrypted DATA keeps the cipher's zero padding; the text ends at the first NUL.
std::string TextOf(const std::vector<uint8_t>& p_vData)
{
    const auto* begin = reinterpret_cast<const char*>(p_vData.data());
    const void* nul = std::memchr(begin, 0, p_vData.size());
    return std::string(begin, nul == nullptr ? p_vData.size() : static_cast<const char*>(nul) - begin);
}
} // namespace

bool DecodeEnvelope(std::string_view p_sText, CCipher& p_oKey, CDecodedEnvelope& p_oResult, std::string& p_sError)
{
    p_oResult = CDecodedEnvelope();
    CXMLProtocol xml;
    std::string content;
    int found = 0;
    if (!xml.PreProcessAndExtractData(p_sText, "SMS SEND", content, found))
        return Fail(p_sError, found ? "SMS SEND envelope is damaged" : "no SMS SEND envelope", &xml.Error());

    std::string_view cursor = content;
    if (!xml.XMLtoString(cursor, "CLIENT VERSION", p_oResult.m_sClientVersion))
        return Fail(p_sError, "CLIENT VERSION unreadable", &xml.Error());

    std::vector<uint8_t> data;
    int verified = 0;
    int decryptionFailed = 0;
    if (!xml.AESVerifyXML(p_oKey, cursor, &p_oResult.m_sSenderEmail, &p_oResult.m_sVendorId, data, verified,
                          decryptionFailed))
        return Fail(p_sError, decryptionFailed ? "DATA does not decrypt with this key" : "signed block unreadable",
                    &xml.Error());
    if (!verified)
        return Fail(p_sError, "message digest does not match: wrong key or altered envelope");
    p_oResult.m_bVerified = true;

    std::string utf8 = TextOf(data);
    if (utf8.rfind("<ZIP COMPRESSED>", 0) == 0)
    {
        std::string unpacked;
        if (!xml.UncompressFromXML(utf8, unpacked))
            return Fail(p_sError, "ZIP COMPRESSED data unreadable", &xml.Error());
        utf8 = std::move(unpacked);
    }
    // Lengths inside the document count ANSI bytes, so it is read in the client's code page.
    std::string block;
    if (!code_page::Utf8ToAnsi(utf8, block))
        return Fail(p_sError, "data block is not valid UTF-8 text");

    std::string_view at = block;
    std::vector<uint8_t> bytes;
    if (!xml.XMLtoData(at, "NONCE", bytes) || bytes.size() != kNonceSize)
        return Fail(p_sError, "NONCE unreadable", &xml.Error());
    if (!xml.XMLtoData(at, "DATETIME", bytes) || !SystemTimeFromBytes(bytes, p_oResult.m_oDateTime))
        return Fail(p_sError, "DATETIME unreadable", &xml.Error());
    if (!xml.XMLtoData(at, "PROPOSEDDELIVERTIME", bytes) || !SystemTimeFromBytes(bytes, p_oResult.m_oProposedDelivery))
        return Fail(p_sError, "PROPOSEDDELIVERTIME unreadable", &xml.Error());
    if (!xml.XMLtoData(at, "PLATFORMINFO", bytes) || !RecordFrom(bytes, p_oResult.m_oPlatform))
        return Fail(p_sError, "PLATFORMINFO unreadable", &xml.Error());
    if (!xml.XMLtoData(at, "LANGUAGEINFO", bytes) || !RecordFrom(bytes, p_oResult.m_oLanguage))
        return Fail(p_sError, "LANGUAGEINFO unreadable", &xml.Error());

    const std::string_view open = "<SMS BODY>\r\n";
    const std::string_view close = "\r\n</SMS BODY>\r\n";
    if (at.substr(0, open.size()) != open || at.size() < open.size() + close.size() ||
        at.substr(at.size() - close.size()) != close)
        return Fail(p_sError, "SMS BODY unreadable");
    const std::string_view mail = at.substr(open.size(), at.size() - open.size() - close.size());
    return ParseMailDocument(mail, p_oResult.m_oMail, p_sError);
}

bool BuildUpgradeDocument(const std::vector<uint8_t>& p_vAttachment, CCipher& p_oKey, std::string& p_sDocument,
                          std::string& p_sError)
{
    CXMLProtocol xml;
    CSHA1 sha1;
    std::vector<uint8_t> digest;
    if (!sha1.Reset() || !sha1.Update(p_vAttachment.data(), p_vAttachment.size()) || !sha1.AllocateAndGetHash(digest))
        return Fail(p_sError, "attachment digest", &sha1.Error());

    std::string nonce;
    std::string digestXML;
    if (!xml.CreateNonceXML(nonce) || !xml.DatatoXML(digest.data(), digest.size(), "ATTACHMENT DIGEST", digestXML))
        return Fail(p_sError, "upgrade data", &xml.Error());
    const std::string plain = nonce + "\r\n" + digestXML;

    std::vector<uint8_t> encrypted;
    if (!p_oKey.Encrypt(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), encrypted) || p_oKey.IsError())
        return Fail(p_sError, "encrypting the upgrade data", &p_oKey.Error());
    std::string data;
    std::string signedBlock;
    if (!xml.DatatoXML(encrypted.data(), encrypted.size(), "DATA", data) || !xml.AESSignXML(p_oKey, data, signedBlock))
        return Fail(p_sError, "signing the upgrade data", &xml.Error());
    p_sDocument = "<UPGRADE>\r\n" + signedBlock + "</UPGRADE>\r\n";
    return true;
}
