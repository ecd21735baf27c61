// Addressbook/protocol/rijndael.cpp: Rijndael on 32-bit columns with round tables computed at
// compile time. A bulk job's payload runs to megabytes, so a round is four table lookups per column.
#include "Addressbook/protocol/rijndael.h"

#include <cstring>

const char* const kRijndaelNotInitialized = "Object not Initialized";
const char* const kRijndaelEmptyKey = "Empty key";
const char* const kRijndaelKeyLength = "Incorrect key length";
const char* const kRijndaelBlockLength = "Incorrect block length";
const char* const kRijndaelNotMultiple = "Data not multiple of Block Size";

namespace
{
constexpr uint8_t XTime(uint8_t p_b)
{
    return static_cast<uint8_t>((p_b << 1) ^ ((p_b & 0x80) != 0 ? 0x1B : 0));
}

constexpr uint8_t Mul(uint8_t p_a, uint8_t p_b)
{
    uint8_t product = 0;
    for (; p_b != 0; p_b >>= 1, p_a = XTime(p_a))
    {
        if ((p_b & 1) != 0)
            product ^= p_a;
    }
    return product;
}

struct CSBoxes
{
    uint8_t m_aS[256];
    uint8_t m_aSi[256];
};

// The S-box: the multiplicative inverse in GF(2^8) (x^254), then the affine map.
constexpr CSBoxes MakeSBoxes()
{
    CSBoxes boxes{};
    for (int x = 0; x < 256; ++x)
    {
        uint8_t inverse = 1;
        uint8_t power = static_cast<uint8_t>(x);
        for (int exponent = 254; exponent != 0; exponent >>= 1, power = Mul(power, power))
        {
            if ((exponent & 1) != 0)
                inverse = Mul(inverse, power);
        }
        uint8_t s = 0x63;
        for (int rot = 0; rot < 5; ++rot)
            s ^= static_cast<uint8_t>((inverse << rot) | (inverse >> ((8 - rot) & 7)));
        boxes.m_aS[x] = s;
        boxes.m_aSi[s] = static_cast<uint8_t>(x);
    }
    return boxes;
}

constexpr CSBoxes g_oBoxes = MakeSBoxes();
static_assert(g_oBoxes.m_aS[0x00] == 0x63 && g_oBoxes.m_aS[0x53] == 0xED && g_oBoxes.m_aSi[0x63] == 0x00);

uint32_t SubWord(uint32_t p_dw)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= static_cast<uint32_t>(g_oBoxes.m_aS[(p_dw >> shift) & 0xFF]) << shift;
    return out;
}

// Row r of the state moves left by this many columns; Rijndael's offsets depend on the block.
void ShiftOffsets(size_t p_nColumns, size_t (&p_aOffsets)[4])
{
    p_aOffsets[0] = 0;
    p_aOffsets[1] = 1;
    p_aOffsets[2] = p_nColumns == 8 ? 3 : 2;
    p_aOffsets[3] = p_nColumns == 8 ? 4 : 3;
}

constexpr uint32_t RotateRight8(uint32_t p_dw)
{
    return p_dw >> 8 | p_dw << 24;
}

constexpr uint32_t Column(uint8_t p_b0, uint8_t p_b1, uint8_t p_b2, uint8_t p_b3)
{
    return static_cast<uint32_t>(p_b0) << 24 | static_cast<uint32_t>(p_b1) << 16 | static_cast<uint32_t>(p_b2) << 8 |
           p_b3;
}

// Columns are words with row 0 in the most significant byte. Table k maps the byte of row k to
// its S-box value spread over the mixed column, so SubBytes, ShiftRows and MixColumns of one
// column are four lookups. Decryption uses the equivalent inverse cipher with its own tables.
struct CRoundTables
{
    uint32_t m_aEncrypt[4][256];
    uint32_t m_aDecrypt[4][256];
};

constexpr CRoundTables MakeRoundTables()
{
    CRoundTables tables{};
    for (int x = 0; x < 256; ++x)
    {
        const uint8_t s = g_oBoxes.m_aS[x];
        const uint8_t si = g_oBoxes.m_aSi[x];
        tables.m_aEncrypt[0][x] = Column(Mul(s, 2), s, s, Mul(s, 3));
        tables.m_aDecrypt[0][x] = Column(Mul(si, 0x0E), Mul(si, 0x09), Mul(si, 0x0D), Mul(si, 0x0B));
        for (int k = 1; k < 4; ++k)
        {
            tables.m_aEncrypt[k][x] = RotateRight8(tables.m_aEncrypt[k - 1][x]);
            tables.m_aDecrypt[k][x] = RotateRight8(tables.m_aDecrypt[k - 1][x]);
        }
    }
    return tables;
}

constexpr CRoundTables g_oTables = MakeRoundTables();

uint32_t InvMixWord(uint32_t p_dwWord)
{
    // InvMixColumns of a round key: the decryption tables without their S-box, reached through
    // S(x) so that the table's Si cancels.
    return g_oTables.m_aDecrypt[0][g_oBoxes.m_aS[p_dwWord >> 24]] ^
           g_oTables.m_aDecrypt[1][g_oBoxes.m_aS[(p_dwWord >> 16) & 0xFF]] ^
           g_oTables.m_aDecrypt[2][g_oBoxes.m_aS[(p_dwWord >> 8) & 0xFF]] ^
           g_oTables.m_aDecrypt[3][g_oBoxes.m_aS[p_dwWord & 0xFF]];
}

// The cipher and the equivalent inverse cipher have the same shape; only the tables and the
// direction of the row shifts differ.
void RunRounds(const uint8_t* p_pIn, uint8_t* p_pOut, const CRijndael::RoundKey* p_pKeys, size_t p_nRounds,
               size_t p_nBlockSize, bool p_bInverse)
{
    const uint32_t(&table)[4][256] = p_bInverse ? g_oTables.m_aDecrypt : g_oTables.m_aEncrypt;
    const uint8_t(&box)[256] = p_bInverse ? g_oBoxes.m_aSi : g_oBoxes.m_aS;
    const size_t columns = p_nBlockSize / 4;
    size_t offsets[4];
    ShiftOffsets(columns, offsets);
    // source[r][c]: the column whose row r lands in column c after the shift.
    size_t source[4][kMaxRijndaelBlockWords];
    for (int r = 0; r < 4; ++r)
    {
        for (size_t c = 0; c < columns; ++c)
            source[r][c] = p_bInverse ? (c + columns - offsets[r]) % columns : (c + offsets[r]) % columns;
    }

    uint32_t state[kMaxRijndaelBlockWords];
    uint32_t next[kMaxRijndaelBlockWords];
    for (size_t c = 0; c < columns; ++c)
        state[c] = Column(p_pIn[4 * c], p_pIn[4 * c + 1], p_pIn[4 * c + 2], p_pIn[4 * c + 3]) ^ p_pKeys[0][c];
    for (size_t round = 1; round < p_nRounds; ++round)
    {
        for (size_t c = 0; c < columns; ++c)
        {
            next[c] = table[0][state[source[0][c]] >> 24] ^ table[1][(state[source[1][c]] >> 16) & 0xFF] ^
                      table[2][(state[source[2][c]] >> 8) & 0xFF] ^ table[3][state[source[3][c]] & 0xFF] ^
                      p_pKeys[round][c];
        }
        std::memcpy(state, next, 4 * columns);
    }
    // The last round has no MixColumns.
    for (size_t c = 0; c < columns; ++c)
    {
        const uint32_t word = Column(box[state[source[0][c]] >> 24], box[(state[source[1][c]] >> 16) & 0xFF],
                                     box[(state[source[2][c]] >> 8) & 0xFF], box[state[source[3][c]] & 0xFF]) ^
                              p_pKeys[p_nRounds][c];
        p_pOut[4 * c] = static_cast<uint8_t>(word >> 24);
        p_pOut[4 * c + 1] = static_cast<uint8_t>(word >> 16);
        p_pOut[4 * c + 2] = static_cast<uint8_t>(word >> 8);
        p_pOut[4 * c + 3] = static_cast<uint8_t>(word);
    }
}
} // namespace

bool CRijndael::IsValidSize(size_t p_nBytes)
{
    return p_nBytes == 16 || p_nBytes == 24 || p_nBytes == 32;
}

size_t CRijndael::RoundsFor(size_t p_nKeyLength, size_t p_nBlockSize)
{
    const size_t larger = p_nKeyLength > p_nBlockSize ? p_nKeyLength : p_nBlockSize;
    return larger == 16 ? 10 : larger == 24 ? 12 : 14;
}

const char* CRijndael::SetShape(size_t p_nKeyLength, size_t p_nBlockSize)
{
    if (!IsValidSize(p_nKeyLength))
        return kRijndaelKeyLength;
    if (!IsValidSize(p_nBlockSize))
        return kRijndaelBlockLength;
    m_nKeyLength = p_nKeyLength;
    m_nBlockSize = p_nBlockSize;
    m_nRounds = RoundsFor(p_nKeyLength, p_nBlockSize);
    return nullptr;
}

const char* CRijndael::MakeKey(const uint8_t* p_pKey, size_t p_nKeyLength, size_t p_nBlockSize, const uint8_t* p_pChain)
{
    if (p_pKey == nullptr)
        return kRijndaelEmptyKey;
    Clear();
    if (const char* failure = SetShape(p_nKeyLength, p_nBlockSize))
        return failure;
    std::memcpy(m_aChain0, p_pChain, m_nBlockSize);

    // The expanded key as one run of words, cut into round keys of block-size / 4 words.
    const size_t keyWords = m_nKeyLength / 4;
    const size_t columns = m_nBlockSize / 4;
    const size_t total = columns * (m_nRounds + 1);
    uint32_t words[kMaxRijndaelBlockWords * (kMaxRijndaelRounds + 1)];
    for (size_t i = 0; i < keyWords; ++i)
    {
        words[i] = static_cast<uint32_t>(p_pKey[4 * i]) << 24 | static_cast<uint32_t>(p_pKey[4 * i + 1]) << 16 |
                   static_cast<uint32_t>(p_pKey[4 * i + 2]) << 8 | p_pKey[4 * i + 3];
    }
    uint8_t rcon = 1;
    for (size_t i = keyWords; i < total; ++i)
    {
        uint32_t temp = words[i - 1];
        if (i % keyWords == 0)
        {
            temp = SubWord(temp << 8 | temp >> 24) ^ static_cast<uint32_t>(rcon) << 24;
            rcon = XTime(rcon);
        }
        else if (keyWords > 6 && i % keyWords == 4)
            temp = SubWord(temp);
        words[i] = words[i - keyWords] ^ temp;
    }
    for (size_t round = 0; round <= m_nRounds; ++round)
    {
        for (size_t c = 0; c < columns; ++c)
            m_aKe[round][c] = words[round * columns + c];
    }

    // Equivalent inverse cipher: the rounds reversed, InvMixColumns on all but the outer two.
    for (size_t round = 0; round <= m_nRounds; ++round)
    {
        const bool outer = round == 0 || round == m_nRounds;
        for (size_t c = 0; c < columns; ++c)
        {
            const uint32_t word = m_aKe[m_nRounds - round][c];
            m_aKd[round][c] = outer ? word : InvMixWord(word);
        }
    }
    ResetChain();
    m_bKeyInit = true;
    return nullptr;
}

void CRijndael::SetZeroChain()
{
    std::memset(m_aChain0, 0, sizeof(m_aChain0));
    ResetChain();
}

void CRijndael::Clear()
{
    std::memset(m_aKe, 0, sizeof(m_aKe));
    std::memset(m_aKd, 0, sizeof(m_aKd));
    m_bKeyInit = false;
}

void CRijndael::ResetChain()
{
    std::memcpy(m_aChain, m_aChain0, sizeof(m_aChain));
}

const char* CRijndael::CheckData(size_t p_nLength) const
{
    if (!m_bKeyInit)
        return kRijndaelNotInitialized;
    if (p_nLength % m_nBlockSize != 0)
        return kRijndaelNotMultiple;
    return nullptr;
}

const char* CRijndael::EncryptCBC(const uint8_t* p_pIn, uint8_t* p_pOut, size_t p_nLength)
{
    if (const char* failure = CheckData(p_nLength))
        return failure;
    for (size_t offset = 0; offset < p_nLength; offset += m_nBlockSize)
    {
        uint8_t block[kMaxRijndaelBlock];
        for (size_t i = 0; i < m_nBlockSize; ++i)
            block[i] = p_pIn[offset + i] ^ m_aChain[i];
        EncryptBlock(block, p_pOut + offset);
        std::memcpy(m_aChain, p_pOut + offset, m_nBlockSize);
    }
    return nullptr;
}

const char* CRijndael::DecryptCBC(const uint8_t* p_pIn, uint8_t* p_pOut, size_t p_nLength)
{
    if (const char* failure = CheckData(p_nLength))
        return failure;
    for (size_t offset = 0; offset < p_nLength; offset += m_nBlockSize)
    {
        uint8_t cipher[kMaxRijndaelBlock];
        std::memcpy(cipher, p_pIn + offset, m_nBlockSize);
        DecryptBlock(cipher, p_pOut + offset);
        for (size_t i = 0; i < m_nBlockSize; ++i)
            p_pOut[offset + i] ^= m_aChain[i];
        std::memcpy(m_aChain, cipher, m_nBlockSize);
    }
    return nullptr;
}

void CRijndael::EncryptBlock(const uint8_t* p_pIn, uint8_t* p_pOut) const
{
    RunRounds(p_pIn, p_pOut, m_aKe, m_nRounds, m_nBlockSize, false);
}

void CRijndael::DecryptBlock(const uint8_t* p_pIn, uint8_t* p_pOut) const
{
    RunRounds(p_pIn, p_pOut, m_aKd, m_nRounds, m_nBlockSize, true);
}
