// tests/fuzz/read_key_xml_fuzz.cpp: the key text; a text that loads must also work as a key and
// write itself back the same way.
#include "Addressbook/protocol/aes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    CAES key;
    if (!key.ReadKeyXML(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize)))
    {
        if (key.IsKeySet())
            __builtin_trap();
        return 0;
    }
    const uint8_t plain[40] = {'f', 'u', 'z', 'z'};
    std::vector<uint8_t> cipher, back;
    std::string text;
    CAES reloaded;
    std::vector<uint8_t> again;
    if (!key.Encrypt(plain, sizeof(plain), cipher) || !key.Decrypt(cipher.data(), cipher.size(), back) ||
        !key.WriteKeyXML(text) || !reloaded.ReadKeyXML(text) || !reloaded.Encrypt(plain, sizeof(plain), again) ||
        again != cipher)
        __builtin_trap();
    return 0;
}
