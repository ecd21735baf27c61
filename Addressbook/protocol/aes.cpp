// Addressbook/protocol/aes.cpp: CAES and its key forms.
#include "Addressbook/protocol/aes.h"

#include "Addressbook/protocol/little_endian.h"
#include "Addressbook/protocol/protocol_messages.h"
#include "Addressbook/protocol/stream.h"
#include "Addressbook/protocol/xml_protocol.h"
#include "Addressbook/res/corvane_strings.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <openssl/crypto.h>

namespace
{
const uint8_t g_aZeroChain[kMaxRijndaelBlock] = {};

std::vector<uint8_t> RoundKeyBytes(const CRijndael::RoundKey& p_aKey, size_t p_nBlockSize)
{
    std::vector<uint8_t> bytes;
    for (size_t c = 0; c < p_nBlockSize / 4; ++c)
        AppendU32(bytes, p_aKey[c]);
    return bytes;
}

void SetRoundKey(CRijndael::RoundKey& p_aKey, const std::vector<uint8_t>& p_vBytes)
{
    for (size_t c = 0; c < p_vBytes.size() / 4; ++c)
        p_aKey[c] = GetU32(p_vBytes.data() + 4 * c);
}

std::string RoundTag(size_t p_nRound)
{
    char tag[16];
    std::snprintf(tag, sizeof(tag), "ROUND%u", static_cast<unsigned>(p_nRound));
    return tag;
}
} // namespace

CAES::CAES(unsigned p_uKeyBits) : m_uKeyBits(p_uKeyBits)
{
    try
    {
        m_p_oRijndael = std::make_unique<CRijndael>();
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgCipherInit);
    }
}

CAES::~CAES()
{
    if (m_p_oRijndael)
        OPENSSL_cleanse(m_p_oRijndael.get(), sizeof(CRijndael));
}

int CAES::FailText(const char* p_szText)
{
    m_oError.SetText(0, p_szText);
    return 0;
}

int CAES::CheckReady()
{
    if (!m_p_oRijndael)
    {
        m_oError.Set(CorvaneStrings(), kMsgCipherInit);
        return 0;
    }
    if (!m_p_oRijndael->IsKeySet())
        return FailText(kRijndaelNotInitialized);
    return 1;
}

int CAES::Encrypt(const uint8_t* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vOut)
{
    if (!CheckReady())
        return 0;
    if (p_pData == nullptr && p_nLength != 0)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CAES::Encrypt");
        return 0;
    }
    try
    {
        const size_t block = m_p_oRijndael->BlockSize();
        std::vector<uint8_t> buffer((p_nLength + block - 1) / block * block, 0);
        if (p_nLength != 0)
            std::memcpy(buffer.data(), p_pData, p_nLength);
        m_p_oRijndael->ResetChain();
        if (const char* failure = m_p_oRijndael->EncryptCBC(buffer.data(), buffer.data(), buffer.size()))
            return FailText(failure);
        p_vOut = std::move(buffer);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_cOut", "CAES::Encrypt");
        return 0;
    }
}

int CAES::Decrypt(const uint8_t* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vOut)
{
    if (!CheckReady())
        return 0;
    if (p_nLength % m_p_oRijndael->BlockSize() != 0 || (p_pData == nullptr && p_nLength != 0))
    {
        m_oError.Set(CorvaneStrings(), kMsgDecryptionSize);
        return 0;
    }
    try
    {
        std::vector<uint8_t> buffer(p_pData, p_pData + p_nLength);
        m_p_oRijndael->ResetChain();
        if (const char* failure = m_p_oRijndael->DecryptCBC(buffer.data(), buffer.data(), buffer.size()))
            return FailText(failure);
        p_vOut = std::move(buffer);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_cOut", "CAES::Decrypt");
        return 0;
    }
}

int CAES::SetKey(const uint8_t* p_pKey, size_t p_nKeyLength, size_t p_nBlockSize)
{
    if (!m_p_oRijndael)
    {
        m_oError.Set(CorvaneStrings(), kMsgCipherInit);
        return 0;
    }
    if (const char* failure = m_p_oRijndael->MakeKey(p_pKey, p_nKeyLength, p_nBlockSize, g_aZeroChain))
        return FailText(failure);
    return 1;
}

int CAES::GenerateRandomKey()
{
    try
    {
        std::vector<uint8_t> key(m_uKeyBits / 8);
        if (!CCipher::FillWithRandBytes(key.data(), key.size()))
        {
            m_oError.Set(CorvaneStrings(), kMsgRandomKey);
            return 0;
        }
        const int result = SetKey(key.data(), key.size(), 16);
        OPENSSL_cleanse(key.data(), key.size());
        return result;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_cRandomStuff", "GenerateRandomKey");
        return 0;
    }
}

void CAES::Clear()
{
    if (m_p_oRijndael)
        m_p_oRijndael->Clear();
}

int CAES::ReadShape(uint32_t p_dwKeyLength, uint32_t p_dwBlockSize, uint32_t p_dwRounds, const char* p_szWhere)
{
    if (const char* failure = m_p_oRijndael->SetShape(p_dwKeyLength, p_dwBlockSize))
        return FailText(failure);
    if (p_dwRounds != m_p_oRijndael->Rounds())
    {
        m_oError.Set(CorvaneStrings(), kMsgCorruptData, p_szWhere);
        return 0;
    }
    m_p_oRijndael->SetZeroChain();
    return 1;
}

int CAES::WriteKey(std::vector<uint8_t>& p_vKey)
{
    if (!CheckReady())
        return 0;
    try
    {
        CStream stream;
        const CRijndael& key = *m_p_oRijndael;
        const size_t rounds = key.Rounds();
        for (size_t value : {key.KeyLength(), key.BlockSize(), rounds, rounds + 1})
        {
            uint8_t item[4];
            PutU32(item, static_cast<uint32_t>(value));
            if (!stream.Write(item, sizeof(item)))
                break;
        }
        for (size_t round = 0; round <= rounds && !stream.Error().IsSet(); ++round)
        {
            const std::vector<uint8_t> enc = RoundKeyBytes(key.EncryptionKey(round), key.BlockSize());
            const std::vector<uint8_t> dec = RoundKeyBytes(key.DecryptionKey(round), key.BlockSize());
            if (!stream.Write(enc.data(), enc.size()) || !stream.Write(dec.data(), dec.size()))
                break;
        }
        if (stream.Error().IsSet() || !stream.GetStream(p_vKey))
        {
            m_oError.CopyFrom(stream.Error());
            return 0;
        }
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_oStream", "WriteKey");
        return 0;
    }
}

int CAES::ReadKey(const uint8_t* p_pKey, size_t p_nLength)
{
    if (!m_p_oRijndael)
    {
        m_oError.Set(CorvaneStrings(), kMsgCipherInit);
        return 0;
    }
    m_p_oRijndael->Clear();
    try
    {
        CStream stream;
        if (!stream.SetStream(p_pKey, p_nLength))
        {
            m_oError.CopyFrom(stream.Error());
            return 0;
        }
        uint32_t header[4] = {};
        std::vector<uint8_t> item;
        for (uint32_t& value : header)
        {
            if (!stream.Read(item) || item.size() != 4)
            {
                m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CAES::ReadKey");
                return 0;
            }
            value = GetU32(item.data());
        }
        const uint32_t count = header[3] & 0xFF;
        if (!ReadShape(header[0], header[1], header[2], "CAES::ReadKey"))
            return 0;
        const size_t block = m_p_oRijndael->BlockSize();
        if (count != m_p_oRijndael->Rounds() + 1)
        {
            m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CAES::ReadKey");
            return 0;
        }
        for (uint32_t round = 0; round < count; ++round)
        {
            std::vector<uint8_t> enc;
            std::vector<uint8_t> dec;
            if (!stream.Read(enc) || !stream.Read(dec) || enc.size() != block || dec.size() != block)
            {
                m_p_oRijndael->Clear();
                m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CAES::ReadKey");
                return 0;
            }
            SetRoundKey(m_p_oRijndael->EncryptionKey(round), enc);
            SetRoundKey(m_p_oRijndael->DecryptionKey(round), dec);
        }
        m_p_oRijndael->MarkKeySet();
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_p_oRijndael->Clear();
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_oStream", "ReadKey");
        return 0;
    }
}

int CAES::WriteRoundKeys(CXMLProtocol& p_oXML, bool p_bEncryption, std::string& p_sList)
{
    const CRijndael& key = *m_p_oRijndael;
    std::string element;
    if (!p_oXML.IntegertoXML(static_cast<uint32_t>(key.Rounds() + 1), "ROUNDCOUNT", p_sList))
        return 0;
    for (size_t round = 0; round <= key.Rounds(); ++round)
    {
        const std::vector<uint8_t> bytes =
            RoundKeyBytes(p_bEncryption ? key.EncryptionKey(round) : key.DecryptionKey(round), key.BlockSize());
        if (!p_oXML.DatatoXML(bytes.data(), bytes.size(), RoundTag(round).c_str(), element))
            return 0;
        p_sList += "\r\n";
        p_sList += element;
    }
    return 1;
}

int CAES::WriteKeyXML(std::string& p_sKeyXML)
{
    if (!CheckReady())
        return 0;
    try
    {
        CXMLProtocol xml;
        if (xml.IsError())
        {
            m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_oXML", "WriteKeyXML");
            return 0;
        }
        const CRijndael& key = *m_p_oRijndael;
        std::string text = "<AES KEY>\r\n";
        std::string element;
        const struct
        {
            const char* m_szTag;
            size_t m_nValue;
        } sizes[] = {{"KEYLENGTH", key.KeyLength()}, {"BLOCKSIZE", key.BlockSize()}, {"ROUNDS", key.Rounds()}};
        for (const auto& size : sizes)
        {
            if (!xml.IntegertoXML(static_cast<uint32_t>(size.m_nValue), size.m_szTag, element))
            {
                m_oError.CopyFrom(xml.Error());
                return 0;
            }
            text += element + "\r\n";
        }
        std::string encryption;
        std::string decryption;
        if (!WriteRoundKeys(xml, true, encryption) || !WriteRoundKeys(xml, false, decryption))
        {
            m_oError.CopyFrom(xml.Error());
            return 0;
        }
        text += "<ENCRYPTION KEY>\r\n" + encryption + "\r\n</ENCRYPTION KEY>\r\n";
        text += "<DECRYPTION KEY>\r\n" + decryption + "\r\n</DECRYPTION KEY>\r\n";
        text += "</AES KEY>\r\n";
        p_sKeyXML = std::move(text);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_sKeyXML", "WriteKeyXML");
        return 0;
    }
}

int CAES::ReadRoundKeys(CXMLProtocol& p_oXML, std::string_view p_sList, bool p_bEncryption)
{
    uint32_t count = 0;
    if (!p_oXML.XMLtoInteger(p_sList, "ROUNDCOUNT", count))
    {
        m_oError.CopyFrom(p_oXML.Error());
        return 0;
    }
    if (count != m_p_oRijndael->Rounds() + 1)
    {
        m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CAES::ReadKeyXML");
        return 0;
    }
    for (uint32_t round = 0; round < count; ++round)
    {
        std::vector<uint8_t> bytes;
        if (!p_oXML.XMLtoData(p_sList, RoundTag(round).c_str(), bytes))
        {
            m_oError.CopyFrom(p_oXML.Error());
            return 0;
        }
        if (bytes.size() != m_p_oRijndael->BlockSize())
        {
            m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CAES::ReadKeyXML");
            return 0;
        }
        SetRoundKey(p_bEncryption ? m_p_oRijndael->EncryptionKey(round) : m_p_oRijndael->DecryptionKey(round), bytes);
    }
    return 1;
}

int CAES::ReadKeyXML(std::string_view p_sKeyXML)
{
    if (!m_p_oRijndael)
    {
        m_oError.Set(CorvaneStrings(), kMsgCipherInit);
        return 0;
    }
    m_p_oRijndael->Clear();
    try
    {
        CXMLProtocol xml;
        if (xml.IsError())
        {
            m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_oXML", "ReadKeyXML");
            return 0;
        }
        std::string_view cursor = p_sKeyXML;
        std::string_view content;
        uint32_t keyLength = 0;
        uint32_t blockSize = 0;
        uint32_t rounds = 0;
        if (!xml.ReadBlock(cursor, "AES KEY", content) || !xml.XMLtoInteger(content, "KEYLENGTH", keyLength) ||
            !xml.XMLtoInteger(content, "BLOCKSIZE", blockSize) || !xml.XMLtoInteger(content, "ROUNDS", rounds))
        {
            m_oError.CopyFrom(xml.Error());
            return 0;
        }
        if (!ReadShape(keyLength, blockSize, rounds, "CAES::ReadKeyXML"))
            return 0;
        for (bool encryption : {true, false})
        {
            std::string_view list;
            if (!xml.ReadBlock(content, encryption ? "ENCRYPTION KEY" : "DECRYPTION KEY", list))
                m_oError.CopyFrom(xml.Error());
            else if (ReadRoundKeys(xml, list, encryption))
                continue;
            m_p_oRijndael->Clear();
            return 0;
        }
        m_p_oRijndael->MarkKeySet();
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_p_oRijndael->Clear();
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "p_msXML", "ReadKeyXML");
        return 0;
    }
}
