// Addressbook/protocol/aes.h: the account's symmetric key: Rijndael in CBC with a zero chain
// restarted on every call and zero padding, with its key text and binary key forms. A key is
// carried only as its two schedules, never as the raw key.
#pragma once

#include "Addressbook/protocol/cipher.h"
#include "Addressbook/protocol/rijndael.h"

#include <memory>

class CXMLProtocol;

class CAES : public CCipher, public CKeyMaker
{
  public:
    // p_uKeyBits is the size GenerateRandomKey makes.
    explicit CAES(unsigned p_uKeyBits = 256);
    ~CAES() override;

    // The output is the input rounded up to whole blocks with zeros, encrypted.
    [[nodiscard]] int Encrypt(const uint8_t* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vOut) override;
    // The input must be whole blocks; the output keeps its length, padding included.
    [[nodiscard]] int Decrypt(const uint8_t* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vOut) override;
    [[nodiscard]] int WriteKey(std::vector<uint8_t>& p_vKey) override;
    [[nodiscard]] int ReadKey(const uint8_t* p_pKey, size_t p_nLength) override;
    [[nodiscard]] int WriteKeyXML(std::string& p_sKeyXML) override;
    [[nodiscard]] int ReadKeyXML(std::string_view p_sKeyXML) override;

    [[nodiscard]] int GenerateRandomKey() override;
    void Clear() override;

    // Key set-up from a raw key, with a zero chain.
    [[nodiscard]] int SetKey(const uint8_t* p_pKey, size_t p_nKeyLength, size_t p_nBlockSize);

    bool IsKeySet() const
    {
        return m_p_oRijndael && m_p_oRijndael->IsKeySet();
    }
    size_t KeyLength() const
    {
        return m_p_oRijndael ? m_p_oRijndael->KeyLength() : 0;
    }
    size_t BlockSize() const
    {
        return m_p_oRijndael ? m_p_oRijndael->BlockSize() : 0;
    }
    size_t Rounds() const
    {
        return m_p_oRijndael ? m_p_oRijndael->Rounds() : 0;
    }

  private:
    [[nodiscard]] int FailText(const char* p_szText);
    [[nodiscard]] int CheckReady();
    [[nodiscard]] int ReadShape(uint32_t p_dwKeyLength, uint32_t p_dwBlockSize, uint32_t p_dwRounds,
                                const char* p_szWhere);
    [[nodiscard]] int ReadRoundKeys(CXMLProtocol& p_oXML, std::string_view p_sList, bool p_bEncryption);
    [[nodiscard]] int WriteRoundKeys(CXMLProtocol& p_oXML, bool p_bEncryption, std::string& p_sList);

    unsigned m_uKeyBits;
    std::unique_ptr<CRijndael> m_p_oRijndael;
};
