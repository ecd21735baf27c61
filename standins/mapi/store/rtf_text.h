// standins/mapi/store/rtf_text.h: plain text from an RTF body and an RTF body from plain text, as
// RTFSync keeps PR_BODY and PR_RTF_COMPRESSED in step and the spooler sends an RTF-only body.
#pragma once

#include <string>

namespace mapistore
{
// The text of an RTF document in UTF-8: paragraphs and line breaks become CRLF, \tab a tab,
// \'hh a Windows-1252 character, \uN its character (skipping the \ucN fallback characters);
// destinations that hold no text (font and colour tables, \*, pictures, ...) are left out.
[[nodiscard]] std::string RtfToText(const std::string& p_rtf);

// A minimal RTF document holding UTF-8 p_text; RtfToText gives p_text back with its line ends as CRLF.
[[nodiscard]] std::string TextToRtf(const std::string& p_text);
} // namespace mapistore
