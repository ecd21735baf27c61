// common/version_info_win.h: reading a file's version resource (Windows only).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform
{
// The whole version block of the file, ready for VerQueryValue; false when the file has none.
bool ReadVersionBlock(const std::string& p_sPath, std::vector<char>& p_vBlock);

// The fixed file version as four words (major, minor, build, revision).
bool FileVersion(const std::string& p_sPath, WORD p_aVersion[4]);
} // namespace platform
