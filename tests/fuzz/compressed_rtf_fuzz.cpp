// tests/fuzz/compressed_rtf_fuzz.cpp: the compressed RTF reader on arbitrary input, and the RTF text
// reader on what it decodes; whatever decodes must compress and decode again to the same text.
#include "standins/mapi/store/compressed_rtf.h"
#include "standins/mapi/store/rtf_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    std::string raw;
    const auto result = mapistore::DecompressRtf(p_pData, p_nSize, raw, 1u << 20);
    (void)mapistore::RtfToText(raw);
    if (result != mapistore::ERtfDecode::Ok)
        return 0;
    for (bool bUncompressed : {false, true})
    {
        const auto again = mapistore::CompressRtf(raw, bUncompressed);
        std::string back;
        if (mapistore::DecompressRtf(again.data(), again.size(), back) != mapistore::ERtfDecode::Ok || back != raw)
            std::abort();
    }
    return 0;
}
