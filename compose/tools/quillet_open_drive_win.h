// compose/tools/quillet_open_drive_win.h: what quillet-open does in a compose window of the server's
// process as a user would, by window messages only: a recipient file imported through the file
// dialog and the import wizard, a token inserted at the end of the body, contacts and lists picked
// in "Select Recipients", a template made in the editor and generated into the body, and the
// message summary of a bulk send read and accepted.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quillet_open
{
// Dispatches this thread's messages (the server sends the host window its own) until p_fnDone says
// so or p_dwMilliseconds pass; false on time-out.
[[nodiscard]] bool PumpUntil(const std::function<bool()>& p_fnDone, DWORD p_dwMilliseconds);

// A visible top-level window of the process p_dwProcess captioned p_sCaption, waited for.
[[nodiscard]] HWND AwaitWindow(DWORD p_dwProcess, const std::string& p_sCaption, DWORD p_dwMilliseconds);

// File > Import in the compose window: the file dialog answered with p_sPath, the wizard's steps
// taken with their defaults; true once the file's columns are offered as tokens.
[[nodiscard]] bool ImportList(HWND p_hCompose, const std::string& p_sPath, const std::string& p_sToken);

// The token p_sToken inserted at the end of the body, as its list and button insert it.
[[nodiscard]] bool InsertToken(HWND p_hCompose, const std::string& p_sToken);

// The To button's "Select Recipients": each name typed into its Find box and added with "To ->",
// the dialog's picture saved to p_szShot (when given), then OK; true when every name was added.
[[nodiscard]] bool SelectRecipients(HWND p_hCompose, const std::vector<std::string>& p_vNames, const char* p_szShot);

// The "Message Summary" a bulk send shows: its summary line read back into p_sLine, its picture
// saved to p_szShot (when given), then "Apply and Send". With p_bIgnoreProblems an "Address Problem
// Summary" of Check shown first is answered with "Ignore" (send to those without problems); its
// number of problem rows goes to p_iProblems.
[[nodiscard]] bool AcceptSummary(HWND p_hCompose, bool p_bIgnoreProblems, int& p_iProblems, std::string& p_sLine,
                                 const char* p_szShot);

// The template editor p_hEditor used as a user: p_sText typed, each "{Name}" in it inserted as a
// text field through its definition dialog, saved as p_sPath through "Save As", and closed.
[[nodiscard]] bool MakeTemplate(HWND p_hEditor, const std::string& p_sText, const std::string& p_sPath);

// The compose window's most recent template generated: "Generate from Template" filled with
// p_vValues in field order (a list field's choice picked), its picture saved to p_szShot (when
// given), and OK; true once the generated text is in the body.
[[nodiscard]] bool GenerateFromRecentTemplate(HWND p_hCompose, const std::vector<std::string>& p_vValues,
                                              const char* p_szShot);

// The names of p_szList, separated by ";".
std::vector<std::string> SplitNames(const char* p_szList);
} // namespace quillet_open
