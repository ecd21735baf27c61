// oehook/column_layout.cpp: swapping the SMS column layout in and out of Outlook Express's settings.
#include "oehook/column_layout.h"

#include "common/trace_log.h"

#include <utility>

namespace
{
constexpr const char* kIn = "Mail Column Info (In)";
constexpr const char* kBackup = "Mail Column Info (In Backup)";
constexpr const char* kModified = "Mail Column Info (In Modified)";
constexpr const char* kSMS = "Mail Column Info (SMS)";
constexpr const char* kOut = "Mail Column Info (Out)";

std::vector<uint8_t> FromHex(const char* p_szHex)
{
    std::vector<uint8_t> bytes;
    const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (const char* p = p_szHex; p[0] != '\0' && p[1] != '\0'; p += 2)
        bytes.push_back(static_cast<uint8_t>(digit(p[0]) * 16 + digit(p[1])));
    return bytes;
}
} // namespace

std::vector<uint8_t> BuiltInSMSColumns(int p_iMajor)
{
    if (p_iMajor <= 4)
    {
        std::vector<uint8_t> layout =
            FromHex("0400980000000000000000000f0000000f0000000f000000100000001400000000000000a700000002000000110100"
                    "00040000005f0000000d00000081000000ffffffff2c000000");
        for (int i = 0; i < 10; ++i)
            layout.insert(layout.end(), {0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0});
        return layout;
    }
    return FromHex("10000000060000000f000000090000001300000010000000090000001600000000000000010000009b0000000200"
                   "0000010000001801000004000000050000006e0000000d000000010000009b000000");
}

CColumnLayout::CColumnLayout(Registry& p_oRegistry, std::string p_sColumnsKey, int p_iMajor)
    : m_oRegistry(p_oRegistry), m_sKey(std::move(p_sColumnsKey)), m_iMajor(p_iMajor)
{
}

bool CColumnLayout::Read(const char* p_szName, std::vector<uint8_t>& p_vData)
{
    uint32_t type = 0;
    return m_oRegistry.QueryValue(ERegRoot::CurrentUser, m_sKey, p_szName, type, p_vData) == kErrorSuccess &&
           type == kRegBinary && !p_vData.empty();
}

bool CColumnLayout::Write(const char* p_szName, const std::vector<uint8_t>& p_vData)
{
    return m_oRegistry.SetValue(ERegRoot::CurrentUser, m_sKey, p_szName, kRegBinary, p_vData.data(), p_vData.size()) ==
           kErrorSuccess;
}

bool CColumnLayout::SwappedIn()
{
    std::vector<uint8_t> backup;
    return Read(kBackup, backup);
}

bool CColumnLayout::SwapIn()
{
    if (SwappedIn())
        return true;
    std::vector<uint8_t> current;
    std::vector<uint8_t> layout;
    if (!Read(kIn, current) || !Write(kBackup, current))
    {
        Log("Failed to store the backup columns\n");
        return false;
    }
    if (!Read(kSMS, layout) && !(m_iMajor == 5 && Read(kOut, layout)))
        layout = BuiltInSMSColumns(m_iMajor);
    if (!Write(kIn, layout))
    {
        Log("Failed swapping columns\n");
        return false;
    }
    const uint32_t modified = 1;
    if (m_oRegistry.SetValue(ERegRoot::CurrentUser, m_sKey, kModified, kRegDword, &modified, sizeof modified) !=
        kErrorSuccess)
    {
        Log("Failed to set the modification flag\n");
        return false;
    }
    return true;
}

bool CColumnLayout::SwapBack()
{
    std::vector<uint8_t> backup;
    if (!Read(kBackup, backup))
        return true;
    if (!Write(kIn, backup))
    {
        Log("Failed to set back\n");
        return false;
    }
    m_oRegistry.DeleteValue(ERegRoot::CurrentUser, m_sKey, kBackup);
    m_oRegistry.DeleteValue(ERegRoot::CurrentUser, m_sKey, kModified);
    return true;
}

bool CColumnLayout::StoreCurrentAsSMS()
{
    std::vector<uint8_t> current;
    if (Read(kIn, current) && Write(kSMS, current))
        return true;
    Log("Failed storing current\n");
    return false;
}
