// Addressbook/protocol/zip_compressor.cpp: CZipCompressor on zlib's compress and uncompress.
#include "Addressbook/protocol/zip_compressor.h"

#include "Addressbook/protocol/little_endian.h"
#include "Addressbook/protocol/protocol_messages.h"
#include "Addressbook/res/corvane_strings.h"
#include "common/trace_log.h"

#include <new>
#include <zlib.h>

namespace
{
constexpr size_t kHeaderSize = 4;
}

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
            Log("CZipCompressor::Compress: compress returned %d for %lu bytes", result,
                static_cast<unsigned long>(p_nLength));
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
    if (p_nLength < kHeaderSize || expected > kMaxUncompressedSize)
    {
        Log("CZipCompressor::Uncompress: refused a blob of %lu bytes claiming %u",
            static_cast<unsigned long>(p_nLength), expected);
        m_oError.Set(CorvaneStrings(), kMsgCorruptData, "CZipCompressor::Uncompress");
        return 0;
    }
    try
    {
        std::vector<uint8_t> data(expected);
        // zlib wants a real buffer even for an empty result.
        Bytef spare = 0;
        uLongf produced = expected;
        const int result = uncompress(expected == 0 ? &spare : data.data(), &produced, blob + kHeaderSize,
                                      static_cast<uLong>(p_nLength - kHeaderSize));
        if (result != Z_OK || produced != expected)
        {
            Log("CZipCompressor::Uncompress: uncompress returned %d with %lu of %u bytes", result,
                static_cast<unsigned long>(produced), expected);
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
