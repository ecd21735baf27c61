// compose/fields/token_stream.h: the serialised form of a body range with its tokens, as ".sms"
// files, the "MessageToken" clipboard block and template bodies carry it. Every integer is 32-bit
// little-endian; texts are ANSI without a terminator:
//   text length L, L bytes of text (one placeholder character at each token's position),
//   token count N, then N times: name length M, M bytes of name, position in the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace compose
{
struct CBodyToken
{
    std::string m_sName;
    int32_t m_iPosition = 0; // character position from the start of the range
};

struct CTokenStream
{
    std::string m_sText;
    std::vector<CBodyToken> m_vTokens;
};

std::string WriteTokenStream(const CTokenStream& p_oStream);

enum class EStreamResult
{
    Ok,
    Truncated,     // a length or a field runs past the end of the bytes
    TooManyTokens, // the count cannot fit in the bytes that are left
    BadPosition,   // a token outside the text, or two at one position
};

// Reads a stream from the front of p_pData. Bytes after the stream are left alone (a clipboard
// block may be larger than what was put into it); p_pnUsed, when given, receives the stream's
// length. Nothing is allocated for a length before the bytes behind it are known to be there.
// On failure p_oStream is left empty.
EStreamResult ReadTokenStream(const uint8_t* p_pData, size_t p_nSize, CTokenStream& p_oStream,
                              size_t* p_pnUsed = nullptr);
const char* StreamResultText(EStreamResult p_eResult);
} // namespace compose
