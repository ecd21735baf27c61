// Addressbook/protocol/cipher.h: the cipher interface the protocol documents are written against,
// and the random source behind nonces and generated keys.
#pragma once

#include "common/error_slot.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CCipher
{
  public:
    virtual ~CCipher() = default;

    // Every operation returns 1 or 0; on 0 the error text says why. Callers check the text too.
    [[nodiscard]] virtual int Encrypt(const uint8_t* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vOut) = 0;
    [[nodiscard]] virtual int Decrypt(const uint8_t* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vOut) = 0;
    [[nodiscard]] virtual int WriteKey(std::vector<uint8_t>& p_vKey) = 0;
    [[nodiscard]] virtual int ReadKey(const uint8_t* p_pKey, size_t p_nLength) = 0;
    [[nodiscard]] virtual int WriteKeyXML(std::string& p_sKeyXML) = 0;
    [[nodiscard]] virtual int ReadKeyXML(std::string_view p_sKeyXML) = 0;

    // OpenSSL's RAND_bytes; callers name "CCipher::FillWithRandBytes" when it fails.
    [[nodiscard]] static int FillWithRandBytes(uint8_t* p_pBuffer, size_t p_nCount);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }
    bool IsError() const
    {
        return m_oError.IsSet();
    }

  protected:
    CErrorSlot m_oError;
};

// The key object's second face: a fresh key, and forgetting the round keys.
class CKeyMaker
{
  public:
    virtual ~CKeyMaker() = default;
    [[nodiscard]] virtual int GenerateRandomKey() = 0;
    virtual void Clear() = 0;
};
