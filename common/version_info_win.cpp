// common/version_info_win.cpp: reading a file's version resource.
#include "common/version_info_win.h"

namespace platform
{
bool ReadVersionBlock(const std::string& p_sPath, std::vector<char>& p_vBlock)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(p_sPath.c_str(), &ignored);
    if (size == 0)
        return false;
    p_vBlock.assign(size, '\0');
    return GetFileVersionInfoA(p_sPath.c_str(), 0, size, p_vBlock.data()) != FALSE;
}

bool FileVersion(const std::string& p_sPath, WORD p_aVersion[4])
{
    std::vector<char> block;
    if (!ReadVersionBlock(p_sPath, block))
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    p_aVersion[0] = HIWORD(info->dwFileVersionMS);
    p_aVersion[1] = LOWORD(info->dwFileVersionMS);
    p_aVersion[2] = HIWORD(info->dwFileVersionLS);
    p_aVersion[3] = LOWORD(info->dwFileVersionLS);
    return true;
}
} // namespace platform
