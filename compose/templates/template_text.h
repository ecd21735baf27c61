// compose/templates/template_text.h: the template editor's text as the rich edit holds it (one
// character per line break, a field object standing on one character) turned into a template and
// back, so that files, the clipboard block and the control agree on every field's position.
#pragma once

#include "compose/templates/template_file.h"

#include <string>
#include <vector>

namespace compose
{
// What stands for a field in a template's text; readers ignore its value.
constexpr char kTemplatePlaceholder = '\x01';

// A range of the control as a template: p_sControlText is the range's text (a line break is one
// CR, or CR LF as some controls report it), p_vFields the field objects with positions counted in
// the control from the range's start. Line breaks become LF, each field stands on a placeholder,
// and fields outside the text or on a position already taken are left out.
CTemplate TemplateFromControl(const std::string& p_sControlText, std::vector<CTemplateField> p_vFields);

// A template as the control takes it: each line break (CR LF, lone LF or lone CR) one CR, NUL
// characters as spaces, and each field's position moved to where its placeholder ends up.
CTemplate TemplateForControl(const CTemplate& p_oTemplate);
} // namespace compose
