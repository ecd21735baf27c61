// standins/mapi/store/store_text.h: hex bytes, GUIDs and tag numbers as the store file writes
// them; shared by its reader, its writer and the model.
#pragma once

#include "standins/mapi/store/prop_value.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace mapistore
{
constexpr size_t kMaxBinary = 64u << 20;     // the largest binary value a file may hold
constexpr size_t kMaxFolderItems = 4u << 20; // messages (or associated items) of one folder

// {XXXXXXXX-0000-0000-C000-000000000046}: the form of the well-known property sets.
CBytes MakeGuid(uint32_t p_ulData1);
std::string ToHex(const CBytes& p_b);
// The value of one hex digit, or -1.
int HexDigit(char c);
[[nodiscard]] bool FromHex(const std::string& p_s, CBytes& p_b);
// "0x0037001F".
std::string HexTag(uint32_t p_ul);
} // namespace mapistore
