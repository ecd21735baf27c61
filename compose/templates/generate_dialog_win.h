// compose/templates/generate_dialog_win.h: "Generate from Template", the modal dialog that asks for
// each field of a template and gives the generated SMS text; and the whole generate step from a
// template file (read, check, remember in the recent list, ask, generate).
#pragma once

#include "compose/templates/template_file.h"

#include <windows.h>

#include <string>

// One row per field, sharing the dialog's height; "Result" shows the text as it would be generated.
// True with the text (LF expanded to CR LF) on OK; false on Cancel or when the dialog cannot be
// made. The dialog stays open until every field's entry passes its checks.
[[nodiscard]] bool RunGenerateDialog(HWND p_hOwner, const compose::CTemplate& p_oTemplate, std::string& p_sText);

enum class EGenerateResult
{
    Generated,
    Cancelled,  // the user cancelled the dialog
    Unreadable, // empty or unreadable file: stops silently
    NotFound,   // the file or its folder does not exist: the caller removes it from the recent list
    OpenFailed, // another open error, already shown with its system error number
    Corrupt,    // already shown as "File corrupt"
};

// Reads and parses p_sPath; on success puts it first in the recent list, runs the dialog and gives
// its text. Open errors other than a missing file, and corrupt files, are shown to the user here.
EGenerateResult GenerateFromTemplateFile(HWND p_hOwner, const std::string& p_sPath, std::string& p_sText);

// The open dialog for ".template" files; false when the user cancels.
[[nodiscard]] bool AskTemplatePath(HWND p_hOwner, std::string& p_sPath);
