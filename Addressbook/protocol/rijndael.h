// Addressbook/protocol/rijndael.h: the Rijndael block cipher for 16-, 24- and 32-byte keys and
// blocks, its two key schedules and CBC over a chain block. Failures come back as the cipher's
// own texts ("Object not Initialized", ...), which owners take over as their error text.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kMaxRijndaelRounds = 14;
constexpr size_t kMaxRijndaelBlock = 32;
constexpr size_t kMaxRijndaelBlockWords = kMaxRijndaelBlock / 4;

extern const char* const kRijndaelNotInitialized; // "Object not Initialized"
extern const char* const kRijndaelEmptyKey;       // "Empty key"
extern const char* const kRijndaelKeyLength;      // "Incorrect key length"
extern const char* const kRijndaelBlockLength;    // "Incorrect block length"
extern const char* const kRijndaelNotMultiple;    // "Data not multiple of Block Size"

class CRijndael
{
  public:
    // One round key: block-size / 4 words, the first schedule byte in each word's top byte.
    using RoundKey = uint32_t[kMaxRijndaelBlockWords];

    static bool IsValidSize(size_t p_nBytes);
    // 10 when key and block are both 16 bytes, 12 when the larger is 24, 14 when either is 32.
    static size_t RoundsFor(size_t p_nKeyLength, size_t p_nBlockSize);

    // Checks the sizes, computes both schedules, sets the initial chain from p_pChain (block-size
    // bytes) and raises the key-set flag. Returns nullptr or the failure text.
    const char* MakeKey(const uint8_t* p_pKey, size_t p_nKeyLength, size_t p_nBlockSize, const uint8_t* p_pChain);

    // For key forms that carry the schedules themselves: Clear, SetShape with checked sizes, fill
    // the round keys, then MarkKeySet.
    const char* SetShape(size_t p_nKeyLength, size_t p_nBlockSize);
    RoundKey& EncryptionKey(size_t p_nRound)
    {
        return m_aKe[p_nRound];
    }
    RoundKey& DecryptionKey(size_t p_nRound)
    {
        return m_aKd[p_nRound];
    }
    const RoundKey& EncryptionKey(size_t p_nRound) const
    {
        return m_aKe[p_nRound];
    }
    const RoundKey& DecryptionKey(size_t p_nRound) const
    {
        return m_aKd[p_nRound];
    }
    void SetZeroChain();
    void MarkKeySet()
    {
        m_bKeyInit = true;
    }
    // Discards the round keys and lowers the key-set flag.
    void Clear();

    bool IsKeySet() const
    {
        return m_bKeyInit;
    }
    size_t KeyLength() const
    {
        return m_nKeyLength;
    }
    size_t BlockSize() const
    {
        return m_nBlockSize;
    }
    size_t Rounds() const
    {
        return m_nRounds;
    }

    // The working chain starts again from the initial chain.
    void ResetChain();
    // CBC over p_nLength bytes, a multiple of the block size; p_pIn and p_pOut may be the same.
    const char* EncryptCBC(const uint8_t* p_pIn, uint8_t* p_pOut, size_t p_nLength);
    const char* DecryptCBC(const uint8_t* p_pIn, uint8_t* p_pOut, size_t p_nLength);

    void EncryptBlock(const uint8_t* p_pIn, uint8_t* p_pOut) const;
    void DecryptBlock(const uint8_t* p_pIn, uint8_t* p_pOut) const;

  private:
    const char* CheckData(size_t p_nLength) const;

    RoundKey m_aKe[kMaxRijndaelRounds + 1] = {};
    RoundKey m_aKd[kMaxRijndaelRounds + 1] = {};
    uint8_t m_aChain0[kMaxRijndaelBlock] = {};
    uint8_t m_aChain[kMaxRijndaelBlock] = {};
    size_t m_nKeyLength = 0;
    size_t m_nBlockSize = 0;
    size_t m_nRounds = 0;
    bool m_bKeyInit = false;
};
