// tests/fuzz/read_key_fuzz.cpp: CStream images and the binary key form read from them.
#include "Addressbook/protocol/aes.h"
#include "Addressbook/protocol/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    CStream stream;
    if (stream.SetStream(p_pData, p_nSize))
    {
        std::vector<uint8_t> item;
        size_t total = 4;
        while (!stream.AtEnd() && stream.Read(item))
            total += 4 + item.size();
        if (total > p_nSize)
            __builtin_trap();
    }
    CAES key;
    if (key.ReadKey(p_pData, p_nSize))
    {
        std::vector<uint8_t> image;
        CAES reloaded;
        if (!key.WriteKey(image) || !reloaded.ReadKey(image.data(), image.size()))
            __builtin_trap();
    }
    return 0;
}
