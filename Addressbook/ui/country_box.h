// Addressbook/ui/country_box.h: the country box (a drop-down list of "name (+code)" items whose
// item data is the code) and the checks of a mobile number entered beside it. Shared by every
// dialog that asks for a country and a number.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Item data of the "Choose a Country" item.
constexpr LRESULT kNoCountryData = -1;
// Digits a mobile number needs, a leading zero not counted.
constexpr size_t kMinMobileDigits = 6;

// Fills the combo box with the country table, optionally preceded by "Choose a Country".
[[nodiscard]] bool FillCountryBox(HWND p_hCombo, bool p_bWithChooseItem);
// Selects the first item whose code equals p_sCode (a leading "+" is ignored). False, and the
// selection unchanged, when no item has that code.
[[nodiscard]] bool SelectCountryCode(HWND p_hCombo, const std::string& p_sCode);
// The code of the selected country as decimal text; empty when none or "Choose a Country" is selected.
std::string SelectedCountryCode(HWND p_hCombo);

// The country code of the Windows telephony location; empty when it cannot be found.
std::string DefaultCountryCode();

// The checks of a number entered with a country box: a country is chosen and the number is long
// enough. Shows what is wrong to the user, owned by p_hOwner, and returns false then.
[[nodiscard]] bool CheckMobileEntry(HWND p_hOwner, HWND p_hCombo, const std::string& p_sNumber);
[[nodiscard]] bool CheckMobileLength(HWND p_hOwner, const std::string& p_sNumber);
[[nodiscard]] bool CheckCountryChosen(HWND p_hOwner, HWND p_hCombo);
