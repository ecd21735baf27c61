// tests/fuzz/gateway_decode_fuzz.cpp: the gateway's whole decoder (mail, MIME, envelope, MAIL
// document) on arbitrary bytes, with a fixed key.
#include "gateway/gateway_commands.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    static CAES* s_pKey = [] {
        auto* key = new CAES(128);
        std::string text;
        std::string error;
        if (!MakeKeyText(128, text, error) || !key->ReadKeyXML(text))
            __builtin_trap();
        return key;
    }();
    std::vector<std::string> lines;
    DecodeGatewayMail(CGatewayInput{"fuzz", std::string(reinterpret_cast<const char*>(p_pData), p_nSize)}, *s_pKey,
                      lines);
    return 0;
}
