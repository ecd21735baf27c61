// Addressbook/messaging/owned_string.h: the heap strings Corvane's records own.
// They are allocated with new[] inside Corvane and freed only here, whichever module asks.
#pragma once

#include <memory>
#include <string_view>

using OwnedString = std::unique_ptr<char[]>;

// A terminated copy of p_sText; throws std::bad_alloc.
OwnedString MakeOwnedString(std::string_view p_sText);
// Null stays null.
OwnedString CopyOwnedString(const char* p_szText);

// Frees a string a record or an export handed out, and nulls the pointer.
void FreeOwnedString(char*& p_szText) noexcept;
// Replaces the string in p_szField, freeing the old one.
void ReplaceOwnedString(char*& p_szField, OwnedString p_sNew) noexcept;

// The text of a string that may be absent.
inline std::string_view TextOf(const char* p_szText)
{
    return p_szText == nullptr ? std::string_view() : std::string_view(p_szText);
}
inline bool IsNullOrEmpty(const char* p_szText)
{
    return p_szText == nullptr || *p_szText == '\0';
}
