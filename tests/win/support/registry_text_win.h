// tests/win/support/registry_text_win.h: string values of the real registry, as the tests set up and
// check what the product reads and writes.
#pragma once

#include <windows.h>

#include <string>

// Creates the key when needed and writes the REG_SZ value.
bool WriteRegText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, const std::string& p_sText);
// A REG_SZ value of up to 1023 characters; false when the key or value is missing.
bool ReadRegText(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName, std::string& p_sText);
void DeleteRegValue(HKEY p_hRoot, const std::string& p_sKey, const char* p_szName);
bool KeyExists(HKEY p_hRoot, const std::string& p_sKey);
