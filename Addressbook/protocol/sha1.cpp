// Addressbook/protocol/sha1.cpp: SHA-1 through OpenSSL's EVP interface.
#include "Addressbook/protocol/sha1.h"

#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/trace_log.h"

#include <new>
#include <openssl/evp.h>

CSHA1::CSHA1() : m_pContext(EVP_MD_CTX_new())
{
    if (m_pContext == nullptr)
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "m_pContext", "CSHA1()");
}

CSHA1::~CSHA1()
{
    EVP_MD_CTX_free(m_pContext);
}

int CSHA1::Fail(const char* p_szCall, const char* p_szWhere)
{
    LogFailure(p_szWhere, "%s failed", p_szCall);
    m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, p_szCall, p_szWhere);
    m_bStarted = false;
    return 0;
}

int CSHA1::Reset()
{
    if (m_pContext == nullptr || EVP_DigestInit_ex(m_pContext, EVP_sha1(), nullptr) != 1)
        return Fail("EVP_DigestInit_ex", "CSHA1::Reset");
    m_bStarted = true;
    return 1;
}

int CSHA1::Update(const void* p_pData, size_t p_nLength)
{
    if (!m_bStarted || (p_pData == nullptr && p_nLength != 0))
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CSHA1::Update");
        return 0;
    }
    if (p_nLength != 0 && EVP_DigestUpdate(m_pContext, p_pData, p_nLength) != 1)
        return Fail("EVP_DigestUpdate", "CSHA1::Update");
    return 1;
}

int CSHA1::AllocateAndGetHash(std::vector<uint8_t>& p_vHash)
{
    if (!m_bStarted)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CSHA1::AllocateAndGetHash");
        return 0;
    }
    try
    {
        std::vector<uint8_t> hash(kSha1Size);
        unsigned size = 0;
        if (EVP_DigestFinal_ex(m_pContext, hash.data(), &size) != 1 || size != kSha1Size)
            return Fail("EVP_DigestFinal_ex", "CSHA1::AllocateAndGetHash");
        m_bStarted = false;
        p_vHash = std::move(hash);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "*p_sHash", "CSHA1::AllocateAndGetHash");
        return 0;
    }
}
