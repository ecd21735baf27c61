// tests/fuzz/sms_file_fuzz.cpp: what the body does with a ".sms" file before any of it reaches the
// control: the stream is read, its text put one character per position, the tokens marked and
// written out, and a compressed text's placeholders found again.
#include "compose/fields/body_text.h"
#include "compose/fields/token_stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    compose::CTokenStream oStream;
    if (compose::ReadTokenStream(p_pData, p_nSize, oStream) == compose::EStreamResult::Ok)
    {
        const std::string sText = compose::CollapseLineBreaks(oStream.m_sText);
        const std::string sMarked = compose::MarkTokens(sText, oStream.m_vTokens, '\x01');
        if (sMarked.size() != sText.size())
            __builtin_trap();
        (void)compose::TokensWrittenOut(sMarked, oStream.m_vTokens);
    }
    const std::string sRaw(reinterpret_cast<const char*>(p_pData), p_nSize);
    const compose::CMarkedText oFound = compose::FindMarkers(sRaw, '\x01');
    for (const int32_t iPosition : oFound.m_vPositions)
        if (iPosition < 0 || static_cast<size_t>(iPosition) >= oFound.m_sText.size())
            __builtin_trap();
    (void)compose::FileKindOf(sRaw, "sms");
    return 0;
}
