// tests/fuzz/uncompress_fuzz.cpp: compressed blobs, whose length header comes from outside.
#include "Addressbook/protocol/zip_compressor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    CZipCompressor zip;
    std::vector<uint8_t> data;
    if (zip.Uncompress(p_pData, p_nSize, data))
    {
        std::vector<uint8_t> blob, back;
        if (data.size() > kMaxUncompressedSize || !zip.Compress(data.data(), data.size(), blob) ||
            !zip.Uncompress(blob.data(), blob.size(), back) || back != data)
            __builtin_trap();
    }
    return 0;
}
