// outlook/outlook_version_win.cpp: the host version check on the raw version resource: the header
// of VS_VERSIONINFO, then the fixed file information after its key.
#include "outlook/outlook_version_win.h"

#include "common/failure_log.h"
#include "common/trace_log.h"
#include "outlook/plugin_rules.h"
#include "outlook/plugin_strings.h"

#include <cstring>

namespace
{
int g_iProcessHostVersionCode = 0;

// The fixed information of a version block, or null when the block is not a well-formed one.
const VS_FIXEDFILEINFO* FixedInfo(const BYTE* p_pBlock, DWORD p_dwSize)
{
    constexpr size_t kHeader = 3 * sizeof(WORD);
    static const wchar_t kKey[] = L"VS_VERSION_INFO";
    if (p_dwSize < kHeader + sizeof kKey)
        return nullptr;
    WORD length = 0;
    WORD valueLength = 0;
    std::memcpy(&length, p_pBlock, sizeof length);
    std::memcpy(&valueLength, p_pBlock + sizeof(WORD), sizeof valueLength);
    if (valueLength < sizeof(VS_FIXEDFILEINFO) || length > p_dwSize)
        return nullptr;
    if (std::memcmp(p_pBlock + kHeader, kKey, sizeof kKey) != 0)
        return nullptr;
    const size_t value = (kHeader + sizeof kKey + 3) & ~size_t{3};
    if (value + sizeof(VS_FIXEDFILEINFO) > length)
        return nullptr;
    const auto* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(p_pBlock + value);
    return info->dwSignature == VS_FFI_SIGNATURE ? info : nullptr;
}
} // namespace

bool COutlookVersion::CheckVersion(HMODULE p_hHost)
{
    const HMODULE host = p_hHost != nullptr ? p_hHost : GetModuleHandleA(nullptr);
    const VS_FIXEDFILEINFO* info = nullptr;
    if (const HRSRC found = FindResourceA(host, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)))
        if (const HGLOBAL loaded = LoadResource(host, found))
            info = FixedInfo(static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(host, found));
    if (info == nullptr)
    {
        LOG_FAILURE("%s", PluginText(plugin_string::kUnexpectedValue, "COutlookVersion::CheckVersion").c_str());
        return false;
    }
    m_iHostVersionCode = HostVersionCode(HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS));
    g_iProcessHostVersionCode = m_iHostVersionCode;
    Log("COutlookVersion::CheckVersion: host %u.%u, code %d", HIWORD(info->dwFileVersionMS),
        LOWORD(info->dwFileVersionMS), m_iHostVersionCode);
    return true;
}

int ProcessHostVersionCode()
{
    return g_iProcessHostVersionCode;
}
