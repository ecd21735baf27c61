// tests/fuzz/base64_decode_fuzz.cpp: the lenient decoder; whatever it yields must survive an
// encode and decode unchanged.
#include "Addressbook/protocol/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    CBase64 coder(60);
    std::vector<uint8_t> data, back;
    std::string text;
    if (!coder.Decode(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize), data))
        __builtin_trap();
    if (data.size() > p_nSize || !coder.Encode(data.data(), data.size(), text) || !coder.Decode(text, back) ||
        back != data)
        __builtin_trap();
    return 0;
}
