// compose/templates/recent_templates.cpp: reading and rewriting the recent-template list.
#include "compose/templates/recent_templates.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace
{
std::string ValueName(size_t p_nIndex)
{
    return "Recent" + std::to_string(p_nIndex);
}

bool SamePath(const std::string& p_sLeft, const std::string& p_sRight)
{
    return p_sLeft.size() == p_sRight.size() &&
           std::equal(p_sLeft.begin(), p_sLeft.end(), p_sRight.begin(), [](char p_cLeft, char p_cRight) {
               return std::tolower(static_cast<unsigned char>(p_cLeft)) ==
                      std::tolower(static_cast<unsigned char>(p_cRight));
           });
}

uint32_t Rewrite(Registry& p_oRegistry, const std::string& p_sPath, bool p_bAdd)
{
    const std::vector<std::string> vList =
        compose::UpdateRecentList(compose::ReadRecentTemplates(p_oRegistry), p_sPath, p_bAdd);
    // A missing key is the empty list; any other refusal is reported by the writes below.
    (void)p_oRegistry.DeleteTree(ERegRoot::CurrentUser, compose::kRecentTemplatesKey);
    for (size_t i = 0; i < vList.size(); ++i)
    {
        const uint32_t dwError = p_oRegistry.SetValue(ERegRoot::CurrentUser, compose::kRecentTemplatesKey, ValueName(i),
                                                      kRegSz, vList[i].c_str(), vList[i].size() + 1);
        if (dwError != kErrorSuccess)
            return dwError;
    }
    return kErrorSuccess;
}
} // namespace

namespace compose
{
std::vector<std::string> ReadRecentTemplates(Registry& p_oRegistry)
{
    std::vector<std::string> vList;
    for (size_t i = 0; i < kMaxRecentTemplates; ++i)
    {
        uint32_t dwType = 0;
        std::vector<uint8_t> vData;
        if (p_oRegistry.QueryValue(ERegRoot::CurrentUser, kRecentTemplatesKey, ValueName(i), dwType, vData) !=
                kErrorSuccess ||
            (dwType != kRegSz && dwType != kRegExpandSz))
            continue;
        std::string sPath(vData.begin(), vData.end());
        sPath.resize(std::min(sPath.size(), sPath.find('\0')));
        if (!sPath.empty())
            vList.push_back(std::move(sPath));
    }
    return vList;
}

std::vector<std::string> UpdateRecentList(std::vector<std::string> p_vList, const std::string& p_sPath, bool p_bAdd)
{
    std::erase_if(p_vList, [&](const std::string& p_sEntry) { return SamePath(p_sEntry, p_sPath); });
    if (p_bAdd)
        p_vList.insert(p_vList.begin(), p_sPath);
    // Entries written by hand may repeat: keep the first of each.
    std::vector<std::string> vOut;
    for (std::string& sEntry : p_vList)
        if (vOut.size() < kMaxRecentTemplates &&
            std::none_of(vOut.begin(), vOut.end(),
                         [&](const std::string& p_sKept) { return SamePath(p_sKept, sEntry); }))
            vOut.push_back(std::move(sEntry));
    return vOut;
}

uint32_t AddRecentTemplate(Registry& p_oRegistry, const std::string& p_sPath)
{
    return Rewrite(p_oRegistry, p_sPath, true);
}

uint32_t RemoveRecentTemplate(Registry& p_oRegistry, const std::string& p_sPath)
{
    return Rewrite(p_oRegistry, p_sPath, false);
}
} // namespace compose
