// compose/templates/recent_templates.h: the recent-template list, up to five paths (most recent
// first) in the values "Recent0".."Recent4" under HKEY_CURRENT_USER\Software\Brevolt\Templates.
#pragma once

#include "common/registry.h"

#include <string>
#include <vector>

namespace compose
{
constexpr size_t kMaxRecentTemplates = 5;
inline constexpr const char* kRecentTemplatesKey = "Software\\Brevolt\\Templates";

// The stored paths in order; values that are missing or not strings are skipped.
std::vector<std::string> ReadRecentTemplates(Registry& p_oRegistry);
// The list after putting p_sPath first (when p_bAdd) or taking it out; paths are compared without
// regard to case, and the list never holds a path twice or more than five.
std::vector<std::string> UpdateRecentList(std::vector<std::string> p_vList, const std::string& p_sPath, bool p_bAdd);
// Reads, updates and writes back: the key is deleted and the list written again from "Recent0".
// Returns the Win32 code of the first write that failed, else 0.
uint32_t AddRecentTemplate(Registry& p_oRegistry, const std::string& p_sPath);
uint32_t RemoveRecentTemplate(Registry& p_oRegistry, const std::string& p_sPath);
} // namespace compose
