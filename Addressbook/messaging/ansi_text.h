// Addressbook/messaging/ansi_text.h: letter case of narrow (ANSI) text, by the Windows-1252 rules
// so that accented names fold the same in every build.
#pragma once

#include <string>
#include <string_view>

bool AnsiIsUpper(char p_c);
bool AnsiIsLower(char p_c);
char AnsiToUpper(char p_c);
char AnsiToLower(char p_c);
std::string AnsiUpperCase(std::string_view p_sText);
bool AnsiEqualsNoCase(std::string_view p_sLeft, std::string_view p_sRight);
