// tests/fuzz/token_stream_fuzz.cpp: the reader of the serialised body form (".sms" files and the
// "MessageToken" clipboard block). What it accepts must write back to the same bytes and give
// positions inside the text.
#include "compose/fields/token_stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    compose::CTokenStream oStream;
    size_t nUsed = 0;
    if (compose::ReadTokenStream(p_pData, p_nSize, oStream, &nUsed) != compose::EStreamResult::Ok)
    {
        if (!oStream.m_sText.empty() || !oStream.m_vTokens.empty())
            __builtin_trap();
        return 0;
    }
    if (nUsed > p_nSize)
        __builtin_trap();
    for (const compose::CBodyToken& oToken : oStream.m_vTokens)
        if (oToken.m_iPosition < 0 || static_cast<size_t>(oToken.m_iPosition) >= oStream.m_sText.size())
            __builtin_trap();
    if (compose::WriteTokenStream(oStream) != std::string(reinterpret_cast<const char*>(p_pData), nUsed))
        __builtin_trap();
    return 0;
}
