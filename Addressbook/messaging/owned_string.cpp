// Addressbook/messaging/owned_string.cpp: allocation of the strings Corvane's records own.
#include "Addressbook/messaging/owned_string.h"

#include <cstring>

OwnedString MakeOwnedString(std::string_view p_sText)
{
    OwnedString sCopy(new char[p_sText.size() + 1]);
    if (!p_sText.empty())
        std::memcpy(sCopy.get(), p_sText.data(), p_sText.size());
    sCopy[p_sText.size()] = '\0';
    return sCopy;
}

OwnedString CopyOwnedString(const char* p_szText)
{
    if (p_szText == nullptr)
        return nullptr;
    return MakeOwnedString(p_szText);
}

void FreeOwnedString(char*& p_szText) noexcept
{
    delete[] p_szText;
    p_szText = nullptr;
}

void ReplaceOwnedString(char*& p_szField, OwnedString p_sNew) noexcept
{
    delete[] p_szField;
    p_szField = p_sNew.release();
}
