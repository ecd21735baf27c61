// Addressbook/protocol/zip_compressor.cpp: CZipCompressor on zlib's compress and inflate.
#include "Addressbook/protocol/zip_compressor.h"

#include "Addressbook/protocol/little_endian.h"
#include "Addressbook/protocol/protocol_messages.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/failure_log.h"
#include "common/unique_any.h"

#include <algorithm>
#include <limits>
#include <new>
#include <zlib.h>

namespace
{
constexpr size_t kHeaderSize = 4;
// Deflate's densest code is a 258-byte match at distance 1 in two bits (every code is at least
// one bit long), so one compressed byte never yields more than 1032 bytes. The zlib header and
// trailer are counted as compressed bytes too, which leaves a margin of some 6 KiB.
constexpr uint64_t kMaxInflateRatio = 1032;
// The output buffer starts at this size (or the claim, if smaller) and doubles as inflate fills it,
// so a blob that lies about its length costs what it really inflates to, not what it claims.
constexpr size_t kFirstOutputSize = 64 * 1024;

// A length the header may claim: within the cap, and no more than the compressed bytes can yield.
bool IsPlausibleClaim(uint32_t p_dwClaimed, size_t p_nCompressed)
{
    return p_dwClaimed <= kMaxUncompressedSize && p_dwClaimed <= kMaxInflateRatio * p_nCompressed;
}

struct CInflateResult
{
    int m_iResult = Z_OK;
    size_t m_nProduced = 0;
};

// Inflates the zlib stream p_pIn into p_vOut, never beyond p_dwLimit bytes: a stream that would
// yield more stops with Z_BUF_ERROR after p_dwLimit + 1. Bytes after the stream's end are ignored,
// as zlib's uncompress ignores them. m_iResult is Z_STREAM_END for a whole stream.
CInflateResult InflateExactly(const uint8_t* p_pIn, size_t p_nIn, uint32_t p_dwLimit, std::vector<uint8_t>& p_vOut)
{
    CInflateResult result;
    z_stream stream{};
    result.m_iResult = inflateInit(&stream);
    if (result.m_iResult != Z_OK)
        return result;
    scope_exit end([&stream] { inflateEnd(&stream); });

    p_vOut.assign(std::min<size_t>(p_dwLimit, kFirstOutputSize), 0);
    // One byte past the limit tells a stream that is too long from one that ends exactly there.
    Bytef overflow = 0;
    size_t nInLeft = p_nIn;
    while (result.m_iResult == Z_OK)
    {
        if (stream.avail_in == 0 && nInLeft > 0)
        {
            const size_t nChunk = std::min<size_t>(nInLeft, std::numeric_limits<uInt>::max());
            stream.next_in = const_cast<Bytef*>(p_pIn + (p_nIn - nInLeft));
            stream.avail_in = static_cast<uInt>(nChunk);
            nInLeft -= nChunk;
        }
        if (result.m_nProduced == p_vOut.size() && p_vOut.size() < p_dwLimit)
            p_vOut.resize(std::min<size_t>(p_dwLimit, p_vOut.size() * 2));
        if (result.m_nProduced < p_vOut.size())
        {
            stream.next_out = p_vOut.data() + result.m_nProduced;
            stream.avail_out = static_cast<uInt>(p_vOut.size() - result.m_nProduced);
        }
        else
        {
            stream.next_out = &overflow;
            stream.avail_out = 1;
        }
        const uInt nRoom = stream.avail_out;
        result.m_iResult = inflate(&stream, Z_NO_FLUSH);
        result.m_nProduced += nRoom - stream.avail_out;
        if (result.m_nProduced > p_dwLimit)
            result.m_iResult = Z_BUF_ERROR;
    }
    return result;
}
} // namespace

int CZipCompressor::Compress(const void* p_pData, size_t p_nLength, std::vector<uint8_t>& p_vBlob)
{
    if (p_pData == nullptr || p_nLength > kMaxUncompressedSize)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CZipCompressor::Compress");
        return 0;
    }
    try
    {
        // The traditional room of 5 bytes per 64 KiB is too little for incompressible input
        // above 64 KiB (zlib stores it in smaller blocks), so zlib's own bound is the floor.
        const uLong traditional = static_cast<uLong>(p_nLength + 5 * (p_nLength / 65536) + 15);
        const uLong bound = compressBound(static_cast<uLong>(p_nLength));
        std::vector<uint8_t> blob(kHeaderSize + (bound > traditional ? bound : traditional));
        uLongf compressed = static_cast<uLongf>(blob.size() - kHeaderSize);
        const int result = compress(blob.data() + kHeaderSize, &compressed, static_cast<const Bytef*>(p_pData),
                                    static_cast<uLong>(p_nLength));
        if (result != Z_OK)
        {
            LOG_FAILURE("compress returned %d for %lu bytes", result, static_cast<unsigned long>(p_nLength));
            m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, "compress", "CZipCompressor::Compress");
            return 0;
        }
        blob.resize(kHeaderSize + compressed);
        PutU32(blob.data(), static_cast<uint32_t>(p_nLength));
        p_vBlob = std::move(blob);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "*p_sCompressed", "CZipCompressor::Compress");
        return 0;
    }
}

int CZipCompressor::Uncompress(const void* p_pBlob, size_t p_nLength, std::vector<uint8_t>& p_vData)
{
    if (p_pBlob == nullptr)
    {
        m_oError.Set(CorvaneStrings(), kMsgIncorrectArguments, "CZipCompressor::Uncompress");
        return 0;
    }
    const auto* blob = static_cast<const uint8_t*>(p_pBlob);
    const uint32_t expected = p_nLength < kHeaderSize ? 0 : GetU32(blob);
    if (p_nLength < kHeaderSize || !IsPlausibleClaim(expected, p_nLength - kHeaderSize))
    {
        LOG_FAILURE("refused a blob of %lu bytes claiming %u", static_cast<unsigned long>(p_nLength), expected);
        m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CZipCompressor::Uncompress");
        return 0;
    }
    try
    {
        std::vector<uint8_t> data;
        const CInflateResult result = InflateExactly(blob + kHeaderSize, p_nLength - kHeaderSize, expected, data);
        if (result.m_iResult != Z_STREAM_END || result.m_nProduced != expected)
        {
            LOG_FAILURE("inflate returned %d with %lu of %u bytes", result.m_iResult,
                        static_cast<unsigned long>(result.m_nProduced), expected);
            m_oError.Set(CorvaneStrings(), kMsgFunctionFailed, "uncompress", "CZipCompressor::Uncompress");
            return 0;
        }
        p_vData = std::move(data);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        m_oError.Set(CorvaneStrings(), kMsgErrorAllocating, "*p_sUncompressed", "CZipCompressor::Uncompress");
        return 0;
    }
}
