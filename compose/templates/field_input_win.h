// compose/templates/field_input_win.h: the input control a template field is entered with (an edit,
// a combo box, a date or time picker, with an up-down for numbers that ask for one), shared by the
// generate dialog and the definition dialogs' input previews.
#pragma once

#include "compose/templates/template_generate.h"

#include <windows.h>

// A child of p_hParent in p_oRect with control id p_iId (a number's up-down gets no id of its own),
// in the parent's font. Null, logged, when it could not be made.
HWND CreateFieldInput(HWND p_hParent, const compose::CTemplateField& p_oField, RECT p_oRect, int p_iId);
// What the control holds for the field. A date or time that uses the current one is not entered.
compose::CTemplateEntry ReadFieldInput(const compose::CTemplateField& p_oField, HWND p_hInput);
// A control of the parent's font; null, logged, when it could not be made.
HWND CreateChildControl(HWND p_hParent, const char* p_szClass, DWORD p_dwStyle, DWORD p_dwExStyle, const RECT& p_oRect,
                        int p_iId);
// The clock as the date and time fields read it.
compose::CTemplateDateTime TemplateNow();
