// standins/mapi/store/compressed_rtf.cpp: the compressed RTF encoder and decoder.
#include "standins/mapi/store/compressed_rtf.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mapistore
{
namespace
{
constexpr size_t kDictSize = 4096;
constexpr size_t kMaxMatch = 17; // four bits of length, plus the two a reference always covers
constexpr size_t kHeaderSize = 16;

// Both sides start from this text in the dictionary, so RTF's common words compress from the first byte.
constexpr char kPreamble[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kPreambleSize = sizeof kPreamble - 1;
static_assert(kPreambleSize == 207);

struct CDictionary
{
    std::array<uint8_t, kDictSize> m_ab{};
    size_t m_nWrite = kPreambleSize;
    bool m_bWrapped = false;

    CDictionary()
    {
        memcpy(m_ab.data(), kPreamble, kPreambleSize);
    }
    void Put(uint8_t p_c)
    {
        m_ab[m_nWrite] = p_c;
        m_nWrite = (m_nWrite + 1) % kDictSize;
        m_bWrapped = m_bWrapped || m_nWrite == 0;
    }
    // The length of the match of p_pIn at dictionary offset p_nAt, as the decoder would copy it: a
    // match may run into the bytes it writes itself, and never reads a slot nothing has filled.
    size_t MatchAt(size_t p_nAt, const uint8_t* p_pIn, size_t p_nMax) const
    {
        size_t len = 0;
        while (len < p_nMax)
        {
            const size_t r = (p_nAt + len) % kDictSize;
            const size_t d = (r + kDictSize - m_nWrite) % kDictSize; // how far past the write position
            uint8_t c;
            if (d < len)
                c = p_pIn[d];
            else if (!m_bWrapped && r >= m_nWrite)
                break;
            else
                c = m_ab[r];
            if (c != p_pIn[len])
                break;
            ++len;
        }
        return len;
    }
    // The longest match of at least two bytes, the lowest offset among equals; 0 when there is none.
    size_t Longest(const uint8_t* p_pIn, size_t p_nMax, size_t& p_nOffset) const
    {
        size_t best = 0;
        const size_t end = m_bWrapped ? kDictSize : m_nWrite;
        for (size_t at = 0; at < end && best < p_nMax; ++at)
        {
            if (at == m_nWrite || m_ab[at] != p_pIn[0])
                continue; // the write position itself is the end marker
            const size_t len = MatchAt(at, p_pIn, p_nMax);
            if (len > best)
            {
                best = len;
                p_nOffset = at;
            }
        }
        return best >= 2 ? best : 0;
    }
};

void PutU32(std::vector<uint8_t>& p_out, size_t p_nAt, uint32_t p_v)
{
    for (int i = 0; i < 4; ++i)
        p_out[p_nAt + i] = static_cast<uint8_t>(p_v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p_p)
{
    return static_cast<uint32_t>(p_p[0]) | static_cast<uint32_t>(p_p[1]) << 8 | static_cast<uint32_t>(p_p[2]) << 16 |
           static_cast<uint32_t>(p_p[3]) << 24;
}

const std::array<uint32_t, 256>& CrcTable()
{
    static const std::array<uint32_t, 256> s_table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n)
        {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return s_table;
}

ERtfDecode DecodeLz(const uint8_t* p_pIn, size_t p_nSize, uint32_t p_nRaw, std::string& p_out)
{
    CDictionary dict;
    size_t pos = 0;
    while (pos < p_nSize)
    {
        const uint8_t control = p_pIn[pos++];
        for (int bit = 0; bit < 8; ++bit)
        {
            if (pos >= p_nSize)
                return ERtfDecode::Truncated;
            if (!(control & (1 << bit)))
            {
                if (p_out.size() >= p_nRaw)
                    return ERtfDecode::TooLarge;
                p_out.push_back(static_cast<char>(p_pIn[pos]));
                dict.Put(p_pIn[pos++]);
                continue;
            }
            if (pos + 1 >= p_nSize)
                return ERtfDecode::Truncated;
            const size_t ref = static_cast<size_t>(p_pIn[pos]) << 8 | p_pIn[pos + 1];
            pos += 2;
            const size_t offset = ref >> 4, len = (ref & 15) + 2;
            if (offset == dict.m_nWrite)
                return p_out.size() == p_nRaw ? ERtfDecode::Ok : ERtfDecode::Truncated;
            if (p_out.size() + len > p_nRaw)
                return ERtfDecode::TooLarge;
            for (size_t k = 0; k < len; ++k)
            {
                const uint8_t c = dict.m_ab[(offset + k) % kDictSize];
                p_out.push_back(static_cast<char>(c));
                dict.Put(c);
            }
        }
    }
    return ERtfDecode::Truncated;
}
} // namespace

uint32_t RtfCrc(const uint8_t* p_pData, size_t p_nSize, uint32_t p_crc)
{
    const auto& table = CrcTable();
    for (size_t i = 0; i < p_nSize; ++i)
        p_crc = table[(p_crc ^ p_pData[i]) & 0xFF] ^ (p_crc >> 8);
    return p_crc;
}

std::vector<uint8_t> CompressRtf(const std::string& p_raw, bool p_bUncompressed)
{
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + p_raw.size() + p_raw.size() / 8 + 4);
    out.resize(kHeaderSize);
    const auto* in = reinterpret_cast<const uint8_t*>(p_raw.data());
    if (p_bUncompressed)
        out.insert(out.end(), p_raw.begin(), p_raw.end());
    else
    {
        CDictionary dict;
        size_t i = 0;
        for (bool bEnd = false; !bEnd;)
        {
            const size_t controlAt = out.size();
            out.push_back(0);
            for (int bit = 0; bit < 8 && !bEnd; ++bit)
            {
                size_t offset = dict.m_nWrite, len = 0;
                if (i < p_raw.size())
                    len = dict.Longest(in + i, std::min(kMaxMatch, p_raw.size() - i), offset);
                bEnd = i >= p_raw.size();
                if (bEnd || len)
                {
                    // A reference to the write position itself ends the stream.
                    out[controlAt] = static_cast<uint8_t>(out[controlAt] | 1 << bit);
                    const size_t ref = offset << 4 | (len ? len - 2 : 0);
                    out.push_back(static_cast<uint8_t>(ref >> 8));
                    out.push_back(static_cast<uint8_t>(ref));
                }
                else
                {
                    out.push_back(in[i]);
                    len = 1;
                }
                for (size_t k = 0; k < len; ++k)
                    dict.Put(in[i + k]);
                i += len;
            }
        }
    }
    PutU32(out, 0, static_cast<uint32_t>(out.size() - 4));
    PutU32(out, 4, static_cast<uint32_t>(p_raw.size()));
    PutU32(out, 8, p_bUncompressed ? kRtfUncompressed : kRtfCompressed);
    PutU32(out, 12, p_bUncompressed ? 0 : RtfCrc(out.data() + kHeaderSize, out.size() - kHeaderSize));
    return out;
}

ERtfDecode DecompressRtf(const uint8_t* p_pData, size_t p_nSize, std::string& p_out, size_t p_nLimit)
{
    p_out.clear();
    if (p_nSize < kHeaderSize)
        return ERtfDecode::BadHeader;
    const uint32_t compSize = GetU32(p_pData), rawSize = GetU32(p_pData + 4), type = GetU32(p_pData + 8),
                   crc = GetU32(p_pData + 12);
    // The compressed size counts the header's last twelve bytes; bytes after the contents are padding.
    if (compSize < kHeaderSize - 4 || compSize - (kHeaderSize - 4) > p_nSize - kHeaderSize)
        return ERtfDecode::BadHeader;
    const uint8_t* contents = p_pData + kHeaderSize;
    const size_t n = compSize - (kHeaderSize - 4);
    if (type == kRtfUncompressed)
    {
        if (n > p_nLimit)
            return ERtfDecode::TooLarge;
        p_out.assign(reinterpret_cast<const char*>(contents), std::min<size_t>(n, rawSize));
        return n < rawSize ? ERtfDecode::Truncated : ERtfDecode::Ok;
    }
    if (type != kRtfCompressed)
        return ERtfDecode::BadHeader;
    if (rawSize > p_nLimit)
        return ERtfDecode::TooLarge;
    if (RtfCrc(contents, n) != crc)
        return ERtfDecode::BadCrc;
    // A reference copies at most 17 bytes from two, so the contents bound what may be reserved.
    p_out.reserve(std::min<size_t>(rawSize, n * 9));
    return DecodeLz(contents, n, rawSize, p_out);
}
} // namespace mapistore
