// compose/fields/token_stream.cpp: writer and bounds-checked reader of the serialised body form.
#include "compose/fields/token_stream.h"

#include "compose/fields/byte_cursor.h"

#include <algorithm>
#include <cstdint>

namespace
{
// The smallest token: an empty name's length and a position.
constexpr size_t kMinTokenBytes = 8;
} // namespace

namespace compose
{
std::string WriteTokenStream(const CTokenStream& p_oStream)
{
    std::string sOut;
    PutWord(sOut, static_cast<uint32_t>(p_oStream.m_sText.size()));
    sOut += p_oStream.m_sText;
    PutWord(sOut, static_cast<uint32_t>(p_oStream.m_vTokens.size()));
    for (const CBodyToken& oToken : p_oStream.m_vTokens)
    {
        PutWord(sOut, static_cast<uint32_t>(oToken.m_sName.size()));
        sOut += oToken.m_sName;
        PutWord(sOut, static_cast<uint32_t>(oToken.m_iPosition));
    }
    return sOut;
}

EStreamResult ReadTokenStream(const uint8_t* p_pData, size_t p_nSize, CTokenStream& p_oStream, size_t* p_pnUsed)
{
    p_oStream = CTokenStream();
    CByteCursor oReader(p_pData, p_nSize);
    CTokenStream oStream;
    uint32_t dwLength = 0;
    if (!oReader.Word(dwLength) || !oReader.Text(dwLength, oStream.m_sText))
        return EStreamResult::Truncated;
    uint32_t dwCount = 0;
    if (!oReader.Word(dwCount))
        return EStreamResult::Truncated;
    if (dwCount > oReader.Left() / kMinTokenBytes)
        return EStreamResult::TooManyTokens;
    oStream.m_vTokens.reserve(dwCount);
    for (uint32_t i = 0; i < dwCount; ++i)
    {
        CBodyToken oToken;
        uint32_t dwNameLength = 0;
        uint32_t dwPosition = 0;
        if (!oReader.Word(dwNameLength) || !oReader.Text(dwNameLength, oToken.m_sName) || !oReader.Word(dwPosition))
            return EStreamResult::Truncated;
        // Each token stands on a character of the text, and no two on the same one.
        if (dwPosition >= dwLength || dwPosition > static_cast<uint32_t>(INT32_MAX))
            return EStreamResult::BadPosition;
        oToken.m_iPosition = static_cast<int32_t>(dwPosition);
        oStream.m_vTokens.push_back(std::move(oToken));
    }
    std::vector<int32_t> vPositions;
    vPositions.reserve(oStream.m_vTokens.size());
    for (const CBodyToken& oToken : oStream.m_vTokens)
        vPositions.push_back(oToken.m_iPosition);
    std::sort(vPositions.begin(), vPositions.end());
    if (std::adjacent_find(vPositions.begin(), vPositions.end()) != vPositions.end())
        return EStreamResult::BadPosition;
    if (p_pnUsed != nullptr)
        *p_pnUsed = oReader.At();
    p_oStream = std::move(oStream);
    return EStreamResult::Ok;
}

const char* StreamResultText(EStreamResult p_eResult)
{
    switch (p_eResult)
    {
    case EStreamResult::Ok:
        return "ok";
    case EStreamResult::Truncated:
        return "a length runs past the end of the data";
    case EStreamResult::TooManyTokens:
        return "the token count does not fit in the data";
    case EStreamResult::BadPosition:
        return "a token position is outside the text or repeated";
    }
    return "unknown";
}
} // namespace compose
