// compose/templates/field_definition_win.h: the six field definition dialogs ("Text Field
// Definition" and its siblings), each with an input preview as the generate dialog will ask for
// the field and an output preview of what the field will put in the SMS.
#pragma once

#include "compose/templates/template_file.h"

#include <windows.h>

// Shows the definition dialog of p_oField's kind, filled from p_oField. On OK, once every entry
// passes its checks, p_oField takes the definition and the result is true; Cancel leaves it as it
// was. The field's position is not touched.
[[nodiscard]] bool EditTemplateField(HWND p_hOwner, compose::CTemplateField& p_oField);

// A new field of this kind as the editor offers it before its dialog is filled in.
compose::CTemplateField NewTemplateField(compose::ETemplateFieldKind p_eKind);
