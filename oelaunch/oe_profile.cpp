// oelaunch/oe_profile.cpp: the version profiles and the settings keys of the mail client.
#include "oelaunch/oe_profile.h"

#include "common/settings.h"

namespace runbay
{
int OEMajorFromFileVersion(uint32_t p_dwFileVersionMS)
{
    const int major = static_cast<int>(p_dwFileVersionMS >> 16);
    if (major < 4)
        return 0;
    return major > 6 ? 6 : major;
}

const COEProfile& ProfileFor(int p_iMajor)
{
    static const COEProfile s_oe4{4, "ThorBrowserWndClass", "ThorShellWindowClass", "SysListView32",
                                  "New Brevolt SMS Message"};
    static const COEProfile s_oe5{5, "Outlook Express Browser Class", "OutlookExpressHiddenWindow", "ATL:SysListView32",
                                  "Brevolt SMS Message"};
    static const COEProfile s_oe6{6, "Outlook Express Browser Class", "OutlookExpressHiddenWindow", "ATL:SysListView32",
                                  "Brevolt SMS Message"};
    return p_iMajor <= 4 ? s_oe4 : p_iMajor == 5 ? s_oe5 : s_oe6;
}

std::string OESettingsKey(int p_iMajor, const std::string& p_sIdentity)
{
    if (p_iMajor <= 4)
        return "Software\\Microsoft\\Outlook Express";
    return "Identities\\" + p_sIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0";
}

bool HandOverMailOnStart(Registry& p_oRegistry, int p_iMajor, bool p_bGlobalOffline)
{
    if (p_bGlobalOffline)
        return false;
    CRegistry registry(p_oRegistry);
    std::string identity;
    if (p_iMajor > 4)
    {
        std::vector<uint8_t> data;
        if (!registry.ReadRegistry(ERegRoot::CurrentUser, "Identities", "Last User ID", true, data))
            return false;
        identity = TextOfValue(data);
        if (identity.empty())
            return false;
    }
    const std::string mailKey = OESettingsKey(p_iMajor, identity) + "\\Mail";
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (registry.ReadRegistry(ERegRoot::CurrentUser, mailKey, "Check Mail on Startup", true, data, &type) &&
        data.size() == 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 0)
        return false;
    const uint32_t off = 0;
    return registry.WriteRegistry(ERegRoot::CurrentUser, mailKey, "Check Mail on Startup", &off, sizeof(off),
                                  kRegDword);
}
} // namespace runbay
