// tests/fuzz/mapi_marshal_blob_fuzz.cpp: the bytes another process hands the MAPI stand-in's unmarshal
// class, on arbitrary input; whatever reads must write back to the same bytes.
#include "standins/mapi/provider/marshal_blob.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    (void)mapiprov::MarshalBlobSize(p_pData, p_nSize);
    mapiprov::CMarshalTarget target;
    if (!mapiprov::ReadMarshalBlob(p_pData, p_nSize, target))
        return 0;
    const std::vector<uint8_t> again = mapiprov::WriteMarshalBlob(target);
    if (again.size() != p_nSize || !std::equal(again.begin(), again.end(), p_pData))
        std::abort();
    return 0;
}
