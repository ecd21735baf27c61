// compose/fields/body_text.h: the body's text as the rest of the system takes it: line breaks
// collapsed, tokens written out as "<<name>>", token placeholders for the compressor, and which
// files hold the field's own format.
#pragma once

#include "compose/fields/token_stream.h"

#include <string>
#include <string_view>
#include <vector>

namespace compose
{
// Every CR LF pair, and every lone CR (a rich edit's paragraph end), becomes one LF.
std::string CollapseLineBreaks(std::string_view p_sText);
// Every LF not already after a CR becomes CR LF.
std::string ExpandLineBreaks(std::string_view p_sText);

// The text with the character at each token's position replaced by "<<name>>". Tokens outside
// the text are left out.
std::string TokensWrittenOut(std::string_view p_sText, const std::vector<CBodyToken>& p_vTokens);

// The character at each token's position becomes p_cMarker.
std::string MarkTokens(std::string_view p_sText, const std::vector<CBodyToken>& p_vTokens, char p_cMarker);

// A compressed text back into the field: line feeds as CR LF and the markers' character positions,
// counting a CR LF pair as the one character the control makes of it. The markers stay in the
// text as placeholders for the token objects.
struct CMarkedText
{
    std::string m_sText;
    std::vector<int32_t> m_vPositions;
};
CMarkedText FindMarkers(std::string_view p_sText, char p_cMarker);

enum class EFileKind
{
    Own,  // the serialised form
    Text, // plain text
};
// The path's extension decides, without regard to case: "." plus p_sOwnExtension is the field's
// own format; anything else, no extension included, is text.
EFileKind FileKindOf(std::string_view p_sPath, std::string_view p_sOwnExtension);
} // namespace compose
