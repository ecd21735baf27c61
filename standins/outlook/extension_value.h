// standins/outlook/extension_value.h: one client-extension registration value,
// "4.0;path;ordinal;contexts;interfaces", read as outside input (portable, fuzzed).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace olstandin
{
inline constexpr unsigned kRegisteredContexts = 14;
inline constexpr unsigned kRegisteredInterfaces = 7;
inline constexpr size_t kMaxExtensionValue = 4096;

struct CExtensionValue
{
    std::string m_sPath;
    // The entry point's export ordinal (1 when the field is empty).
    uint16_t m_nOrdinal = 1;
    // A context or interface character that is "1", or a column left empty or short, enables it.
    std::string m_sContexts;
    std::string m_sInterfaces;

    [[nodiscard]] bool WantsContext(unsigned p_nContext) const;
    [[nodiscard]] bool WantsInterface(unsigned p_nSlot) const;
};

// Empty when the value is not a version 4.0 registration, names no library, has an ordinal that is not
// a number from 1 to 65535, or columns with characters other than 0 and 1 or longer than their table.
[[nodiscard]] std::optional<CExtensionValue> ParseExtensionValue(std::string_view p_sValue);
} // namespace olstandin
