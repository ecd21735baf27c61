// Addressbook/protocol/sha1.h: SHA-1 digests (OpenSSL underneath) for signatures and the
// attachment check.
#pragma once

#include "common/error_slot.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kSha1Size = 20;

struct evp_md_ctx_st;

class CSHA1
{
  public:
    CSHA1();
    ~CSHA1();
    CSHA1(const CSHA1&) = delete;
    CSHA1& operator=(const CSHA1&) = delete;

    // Starts a new digest; required before each one.
    [[nodiscard]] int Reset();
    [[nodiscard]] int Update(const void* p_pData, size_t p_nLength);
    // The 20-byte digest of everything since the last Reset.
    [[nodiscard]] int AllocateAndGetHash(std::vector<uint8_t>& p_vHash);

    const CErrorSlot& Error() const
    {
        return m_oError;
    }

  private:
    [[nodiscard]] int Fail(const char* p_szCall, const char* p_szWhere);

    evp_md_ctx_st* m_pContext;
    bool m_bStarted = false;
    CErrorSlot m_oError;
};
