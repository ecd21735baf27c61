// Addressbook/protocol/xml_protocol.cpp: CXMLProtocol.
#include "Addressbook/protocol/xml_protocol.h"

#include "Addressbook/protocol/code_page.h"
#include "Addressbook/protocol/little_endian.h"
#include "Addressbook/protocol/protocol_messages.h"
#include "Addressbook/protocol/zip_compressor.h"
#include "common/settings.h"
#include "common/trace_log.h"

#include <algorithm>
#include <cstring>
#include <new>

const char* const kVendorId = "Brevolt";

namespace
{
const char* const kCrLf = "\r\n";
const std::string_view kZipTag = "<ZIP COMPRESSED>";

std::string OpeningTag(const char* p_szTag)
{
    return std::string("<") + p_szTag + ">";
}

std::string ClosingTag(const char* p_szTag)
{
    return std::string("</") + p_szTag + ">";
}

bool IsBlank(char p_c)
{
    return p_c == ' ' || p_c == '\t' || p_c == '\r' || p_c == '\n';
}

// The rest of the text after the next LF, or nothing when there is none.
std::string_view AfterLine(std::string_view p_sText)
{
    const size_t lf = p_sText.find('\n');
    return lf == std::string_view::npos ? std::string_view() : p_sText.substr(lf + 1);
}
} // namespace

CXMLProtocol::CXMLProtocol() : m_pfnClock(CurrentUtcTime)
{
    try
    {
        m_p_oBase64 = std::make_unique<CBase64>(kProtocolLineLength);
        m_p_oSHA1 = std::make_unique<CSHA1>();
        if (m_p_oSHA1->Error().IsSet())
            m_oError.CopyFrom(m_p_oSHA1->Error());
    }
    catch (const std::bad_alloc&)
    {
        Fail(kMsgErrorAllocating, m_p_oBase64 ? "m_p_oSHA1" : "m_p_oBase64", "CXMLProtocol()");
    }
}

CXMLProtocol::~CXMLProtocol() = default;

int CXMLProtocol::Digest(const void* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vHash)
{
    if (!m_p_oSHA1)
        return Fail(kMsgErrorAllocating, "m_p_oSHA1", "CXMLProtocol()");
    if (!m_p_oSHA1->Reset() || !m_p_oSHA1->Update(p_pData, p_nLength) || !m_p_oSHA1->AllocateAndGetHash(p_vHash))
        return FailFrom(m_p_oSHA1->Error());
    return 1;
}

int CXMLProtocol::DatatoXML(const void* p_pData, size_t p_nLength, const char* p_szTag, std::string& p_sXML)
{
    if (!m_p_oBase64)
        return Fail(kMsgErrorAllocating, "m_p_oBase64", "CXMLProtocol()");
    try
    {
        std::string base64;
        if (!m_p_oBase64->Encode(p_pData, p_nLength, base64))
            return FailFrom(m_p_oBase64->Error());
        std::string xml = OpeningTag(p_szTag);
        xml += "\r\n\r\n";
        xml += base64;
        xml += kCrLf;
        xml += ClosingTag(p_szTag);
        p_sXML = std::move(xml);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sXML", "CXMLProtocol::DatatoXML");
    }
}

int CXMLProtocol::StringtoXML(std::string_view p_sText, const char* p_szTag, std::string& p_sXML)
{
    try
    {
        std::string withNul(p_sText);
        return DatatoXML(withNul.c_str(), withNul.size() + 1, p_szTag, p_sXML);
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sXML", "CXMLProtocol::StringtoXML");
    }
}

int CXMLProtocol::IntegertoXML(uint32_t p_dwValue, const char* p_szTag, std::string& p_sXML)
{
    uint8_t bytes[4];
    PutU32(bytes, p_dwValue);
    return DatatoXML(bytes, sizeof(bytes), p_szTag, p_sXML);
}

int CXMLProtocol::CreateNonceXML(std::string& p_sXML)
{
    uint8_t nonce[kNonceSize];
    if (!CCipher::FillWithRandBytes(nonce, sizeof(nonce)))
        return Fail(kMsgFunctionFailed, "CCipher::FillWithRandBytes", "CXMLProtocol::CreateNonceXML");
    return DatatoXML(nonce, sizeof(nonce), "NONCE", p_sXML);
}

int CXMLProtocol::ReadBlock(std::string_view& p_sCursor, const char* p_szTag, std::string_view& p_sContent)
{
    const std::string opening = OpeningTag(p_szTag);
    if (p_sCursor.substr(0, opening.size()) != opening)
        return Fail(kMsgTokenExpected, opening.c_str());
    std::string_view rest = AfterLine(p_sCursor.substr(opening.size()));
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    const std::string closing = ClosingTag(p_szTag);
    const size_t end = rest.find(closing);
    if (rest.empty() || end == std::string_view::npos)
        return Fail(kMsgTokenExpected, closing.c_str());
    p_sContent = rest.substr(0, end);
    rest.remove_prefix(end + closing.size());
    const size_t lf = rest.find('\n');
    p_sCursor = lf == std::string_view::npos ? rest : rest.substr(lf + 1);
    return 1;
}

int CXMLProtocol::XMLtoData(std::string_view& p_sCursor, const char* p_szTag, std::vector<uint8_t>& p_vData)
{
    std::string_view cursor = p_sCursor;
    std::string_view value;
    if (!ReadBlock(cursor, p_szTag, value))
        return 0;
    if (!m_p_oBase64)
        return Fail(kMsgErrorAllocating, "m_p_oBase64", "CXMLProtocol()");
    if (!m_p_oBase64->Decode(value, p_vData))
        return FailFrom(m_p_oBase64->Error());
    p_sCursor = cursor;
    return 1;
}

int CXMLProtocol::XMLtoString(std::string_view& p_sCursor, const char* p_szTag, std::string& p_sText)
{
    std::vector<uint8_t> data;
    if (!XMLtoData(p_sCursor, p_szTag, data))
        return 0;
    p_sText = TextOfValue(data);
    return 1;
}

int CXMLProtocol::XMLtoInteger(std::string_view& p_sCursor, const char* p_szTag, uint32_t& p_dwValue)
{
    std::string_view cursor = p_sCursor;
    std::vector<uint8_t> data;
    if (!XMLtoData(cursor, p_szTag, data))
        return 0;
    if (data.size() != 4)
        return Fail(kMsgCorruptData, p_szTag);
    p_dwValue = GetU32(data.data());
    p_sCursor = cursor;
    return 1;
}

void CXMLProtocol::AppendPlainBlock(std::string& p_sDocument, const char* p_szTag, std::string_view p_sValue)
{
    p_sDocument += OpeningTag(p_szTag);
    p_sDocument += kCrLf;
    p_sDocument += p_sValue;
    p_sDocument += kCrLf;
    p_sDocument += ClosingTag(p_szTag);
    p_sDocument += kCrLf;
}

int CXMLProtocol::PlainBlockFromXML(std::string_view& p_sCursor, const char* p_szTag, std::string& p_sValue)
{
    const std::string opening = OpeningTag(p_szTag);
    if (p_sCursor.substr(0, opening.size()) != opening)
        return Fail(kMsgTokenExpected, opening.c_str());
    std::string_view rest = AfterLine(p_sCursor.substr(opening.size()));
    const std::string closing = kCrLf + ClosingTag(p_szTag);
    const size_t end = rest.find(closing);
    if (end == std::string_view::npos)
        return Fail(kMsgTokenExpected, closing.c_str() + 2);
    try
    {
        p_sValue.assign(rest.substr(0, end));
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sValue", "CXMLProtocol::PlainBlockFromXML");
    }
    p_sCursor = AfterLine(rest.substr(end + closing.size()));
    return 1;
}

int CXMLProtocol::AESSignXML(CCipher& p_oKey, std::string_view p_sText, std::string& p_sXML)
{
    try
    {
        std::vector<uint8_t> hash;
        if (!Digest(p_sText.data(), p_sText.size(), hash))
            return 0;
        std::vector<uint8_t> encrypted;
        if (!p_oKey.Encrypt(hash.data(), hash.size(), encrypted))
            return FailFrom(p_oKey.Error());
        std::string digest;
        if (!DatatoXML(encrypted.data(), encrypted.size(), "MESSAGE DIGEST", digest))
            return 0;
        std::string xml = "<AES SIGNED>\r\n";
        xml += p_sText;
        xml += "\r\n</AES SIGNED>\r\n";
        xml += digest;
        xml += kCrLf;
        p_sXML = std::move(xml);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sXML", "CXMLProtocol::AESSignXML");
    }
}

int CXMLProtocol::AESVerifyXML(CCipher& p_oKey, std::string_view p_sText, std::string* p_psSenderEmail,
                               std::string* p_psVendorId, std::vector<uint8_t>& p_vData, int& p_iVerified,
                               int& p_iDecryptionFailed)
{
    p_iVerified = 0;
    p_iDecryptionFailed = 0;
    p_vData.clear();
    try
    {
        std::string_view cursor = p_sText;
        std::string_view signedText;
        std::vector<uint8_t> digest;
        if (!ReadBlock(cursor, "AES SIGNED", signedText) || !XMLtoData(cursor, "MESSAGE DIGEST", digest))
            return 0;

        std::string_view inner = signedText;
        if (p_psSenderEmail != nullptr && !XMLtoString(inner, "SENDER EMAIL", *p_psSenderEmail))
            return 0;
        if (p_psVendorId != nullptr && !XMLtoString(inner, "SENDER VENDORID", *p_psVendorId))
            return 0;
        std::vector<uint8_t> data;
        if (!XMLtoData(inner, "DATA", data))
            return 0;

        std::vector<uint8_t> plainDigest;
        std::vector<uint8_t> plainData;
        if (!p_oKey.Decrypt(digest.data(), digest.size(), plainDigest) ||
            !p_oKey.Decrypt(data.data(), data.size(), plainData))
        {
            p_iDecryptionFailed = 1;
            return FailFrom(p_oKey.Error());
        }

        // The signer hashed the text without the line end that closes it.
        std::string_view hashed = signedText;
        if (hashed.size() >= 2 && hashed.substr(hashed.size() - 2) == kCrLf)
            hashed.remove_suffix(2);
        std::vector<uint8_t> hash;
        if (!Digest(hashed.data(), hashed.size(), hash))
            return 0;
        if (plainDigest.size() >= kSha1Size && std::equal(hash.begin(), hash.end(), plainDigest.begin()))
        {
            p_iVerified = 1;
            p_vData = std::move(plainData);
        }
        else
            Log("CXMLProtocol::AESVerifyXML: the message digest does not match");
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_vData", "CXMLProtocol::AESVerifyXML");
    }
}

int CXMLProtocol::BuildDataBlock(const CPlatformInfo& p_oPlatform, const CLanguageInfo& p_oLanguage,
                                 const CSystemTime& p_oDeliveryTime, std::string_view p_sMail, std::string& p_sBlock)
{
    CSystemTime now = m_pfnClock();
    now.m_wMilliseconds = 0;
    const struct
    {
        const char* m_szTag;
        std::vector<uint8_t> m_vBytes;
    } records[] = {
        {"DATETIME", RecordBytes(now)},
        {"PROPOSEDDELIVERTIME", RecordBytes(p_oDeliveryTime)},
        {"PLATFORMINFO", RecordBytes(p_oPlatform)},
        {"LANGUAGEINFO", RecordBytes(p_oLanguage)},
    };
    std::string element;
    if (!CreateNonceXML(element))
        return 0;
    p_sBlock = element + kCrLf;
    for (const auto& record : records)
    {
        if (!DatatoXML(record.m_vBytes.data(), record.m_vBytes.size(), record.m_szTag, element))
            return 0;
        p_sBlock += element;
        p_sBlock += kCrLf;
    }
    p_sBlock += "<SMS BODY>\r\n";
    p_sBlock += p_sMail;
    p_sBlock += "\r\n</SMS BODY>\r\n";
    return 1;
}

int CXMLProtocol::CreateProtocolSMSSend(std::string_view p_sSenderEmail, const CPlatformInfo& p_oPlatform,
                                        const CLanguageInfo& p_oLanguage, const CSystemTime& p_oDeliveryTime,
                                        std::string_view p_sMail, CCipher& p_oKey, int p_iCompress, std::string& p_sXML)
{
    try
    {
        std::string block;
        if (!BuildDataBlock(p_oPlatform, p_oLanguage, p_oDeliveryTime, p_sMail, block))
            return 0;
        std::string payload;
        if (!code_page::AnsiToUtf8(block, payload))
            return Fail(kMsgFunctionFailed, "code_page::AnsiToUtf8", "CXMLProtocol::CreateProtocolSMSSend");
        if (p_iCompress != 0)
        {
            std::string compressed;
            if (!CompressToXML(payload, compressed))
                return 0;
            payload = std::move(compressed);
        }
        std::vector<uint8_t> encrypted;
        if (!p_oKey.Encrypt(reinterpret_cast<const uint8_t*>(payload.data()), payload.size(), encrypted))
            return FailFrom(p_oKey.Error());

        std::string email, vendor, data;
        if (!StringtoXML(p_sSenderEmail, "SENDER EMAIL", email) || !StringtoXML(kVendorId, "SENDER VENDORID", vendor) ||
            !DatatoXML(encrypted.data(), encrypted.size(), "DATA", data))
            return 0;
        std::string signedBlock;
        if (!AESSignXML(p_oKey, email + kCrLf + vendor + kCrLf + data, signedBlock))
            return 0;

        const char* version = p_oPlatform.m_szClientVersion;
        std::string client;
        if (!StringtoXML(std::string_view(version, strnlen(version, kClientVersionSize)), "CLIENT VERSION", client))
            return 0;
        p_sXML = "<SMS SEND>\r\n" + client + kCrLf + signedBlock + "</SMS SEND>\r\n";
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_msXML", "CXMLProtocol::CreateProtocolSMSSend");
    }
}

std::string CXMLProtocol::CorrectParsingProblems(std::string_view p_sText)
{
    std::string out;
    out.reserve(p_sText.size());
    for (char c : p_sText)
    {
        if (c == '\n')
        {
            size_t crs = out.size();
            while (crs > 0 && out[crs - 1] == '\r')
                --crs;
            size_t spaces = crs;
            while (spaces > 0 && out[spaces - 1] == ' ')
                --spaces;
            out.erase(spaces, crs - spaces);
        }
        out += c;
    }
    return out;
}

int CXMLProtocol::PreProcessAndExtractData(std::string_view p_sBody, const char* p_szTag, std::string& p_sContent,
                                           int& p_iFound)
{
    p_iFound = 0;
    if (p_sBody.empty())
        return Fail(kMsgTokenExpected, "");
    const std::string opening = OpeningTag(p_szTag);
    const size_t at = p_sBody.find(opening);
    if (at == std::string_view::npos)
        return Fail(kMsgTokenExpected, opening.c_str());
    p_iFound = 1;
    try
    {
        const std::string cleaned = CorrectParsingProblems(p_sBody.substr(at));
        std::string_view cursor = cleaned;
        std::string_view content;
        if (!ReadBlock(cursor, p_szTag, content))
            return 0;
        if (content.substr(0, kZipTag.size()) == kZipTag)
            return UncompressFromXML(content, p_sContent);
        p_sContent.assign(content);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sContent", "CXMLProtocol::PreProcessAndExtractData");
    }
}

int CXMLProtocol::CompressToXML(std::string_view p_sText, std::string& p_sXML)
{
    try
    {
        const std::string text(p_sText);
        CZipCompressor zip;
        std::vector<uint8_t> blob;
        if (!zip.Compress(text.c_str(), text.size() + 1, blob))
        {
            Log("CXMLProtocol::CompressToXML: %s", zip.Error().Text().c_str());
            return Fail(kMsgFunctionFailed, "CZipCompressor::ZipCompress", "CXMLProtocol::CompressToXML");
        }
        return DatatoXML(blob.data(), blob.size(), "ZIP COMPRESSED", p_sXML);
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sXML", "CXMLProtocol::CompressToXML");
    }
}

int CXMLProtocol::UncompressFromXML(std::string_view p_sXML, std::string& p_sText)
{
    std::string_view cursor = p_sXML;
    std::vector<uint8_t> blob;
    if (!XMLtoData(cursor, "ZIP COMPRESSED", blob))
        return 0;
    CZipCompressor zip;
    std::vector<uint8_t> text;
    if (!zip.Uncompress(blob.data(), blob.size(), text))
    {
        Log("CXMLProtocol::UncompressFromXML: %s", zip.Error().Text().c_str());
        return Fail(kMsgFunctionFailed, "CZipCompressor::ZipUncompress", "CXMLProtocol::UncompressFromXML");
    }
    try
    {
        p_sText = TextOfValue(text);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_sText", "CXMLProtocol::UncompressFromXML");
    }
}

int CXMLProtocol::ProcessProtocolUpgrade(std::string_view p_sBody, CCipher& p_oKey, int& p_iUpgrade,
                                         std::vector<uint8_t>& p_vAttachmentDigest)
{
    p_iUpgrade = 0;
    try
    {
        std::string content;
        int found = 0;
        if (!PreProcessAndExtractData(p_sBody, "UPGRADE", content, found))
            return 0;
        std::vector<uint8_t> data;
        int verified = 0;
        int decryptionFailed = 0;
        if (!AESVerifyXML(p_oKey, content, nullptr, nullptr, data, verified, decryptionFailed))
        {
            if (!decryptionFailed)
                return 0;
            Log("CXMLProtocol::ProcessProtocolUpgrade: ignored a notice that does not decrypt: %s",
                m_oError.Text().c_str());
            m_oError.Clear();
            return 1;
        }
        if (!verified)
            return 1;

        std::string text = TextOfValue(data);
        if (std::string_view(text).substr(0, kZipTag.size()) == kZipTag)
        {
            std::string uncompressed;
            if (!UncompressFromXML(text, uncompressed))
                return 0;
            text = std::move(uncompressed);
        }
        std::string_view cursor = text;
        std::vector<uint8_t> nonce;
        std::vector<uint8_t> digest;
        if (!XMLtoData(cursor, "NONCE", nonce) || !XMLtoData(cursor, "ATTACHMENT DIGEST", digest))
            return 0;
        if (digest.size() != kSha1Size)
            return Fail(kMsgCorruptData, "CXMLProtocol::ProcessProtocolUpgrade");
        p_vAttachmentDigest = std::move(digest);
        p_iUpgrade = 1;
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return Fail(kMsgErrorAllocating, "p_vAttachmentDigest", "CXMLProtocol::ProcessProtocolUpgrade");
    }
}

int CXMLProtocol::CheckAttachmentDigest(const void* p_pData, size_t p_nLength, const uint8_t* p_pExpected,
                                        int& p_iMatch)
{
    p_iMatch = 0;
    if (p_pExpected == nullptr)
        return Fail(kMsgIncorrectArguments, "CXMLProtocol::CheckAttachmentDigest");
    std::vector<uint8_t> hash;
    if (!Digest(p_pData, p_nLength, hash))
        return 0;
    p_iMatch = std::equal(hash.begin(), hash.end(), p_pExpected) ? 1 : 0;
    return 1;
}
