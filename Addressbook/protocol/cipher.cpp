// Addressbook/protocol/cipher.cpp: the random source.
#include "Addressbook/protocol/cipher.h"

#include <climits>
#include <openssl/rand.h>

int CCipher::FillWithRandBytes(uint8_t* p_pBuffer, size_t p_nCount)
{
    if (p_nCount == 0)
        return 1;
    if (p_pBuffer == nullptr || p_nCount > INT_MAX)
        return 0;
    return RAND_bytes(p_pBuffer, static_cast<int>(p_nCount)) == 1 ? 1 : 0;
}
