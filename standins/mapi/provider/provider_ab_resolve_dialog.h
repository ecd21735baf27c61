// standins/mapi/provider/provider_ab_resolve_dialog.h: the modal "Check Names" window that
// ResolveName shows for an ambiguous name when the caller allows a dialog (MAPI_DIALOG).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace mapiprov
{
// Control ids of the window, for the clients' tests that drive it.
constexpr WORD kIdResolvePrompt = 201;
constexpr WORD kIdResolveList = 202;

// Asks which of p_vCandidates (one line each) p_sName meant; the chosen index, or nothing when the
// user cancelled. OK without a choice leaves the window open.
std::optional<size_t> ChooseResolveCandidate(HWND p_hParent, const std::wstring& p_sName,
                                             const std::vector<std::wstring>& p_vCandidates);
} // namespace mapiprov
