// common/settings.cpp: reading rules of the settings store.
#include "common/settings.h"

#include "common/platform.h"

#include <cstring>

const char* const kUserKey = "Software\\Brevolt";
const char* const kOptionsKey = "Software\\Brevolt\\Options";
const char* const kInstallKey = "Software\\Brevolt\\Install";
const char* const kRulesKey = "Software\\Brevolt\\Rules";
const char* const kTemplatesKey = "Software\\Brevolt\\Templates";
const char* const kWabKey = "Software\\Brevolt\\Wab";
const char* const kExMapiKey = "Software\\Brevolt\\ExMapi";

std::string TextOfValue(const std::vector<uint8_t>& p_vData)
{
    const auto* begin = reinterpret_cast<const char*>(p_vData.data());
    const void* nul = std::memchr(begin, '\0', p_vData.size());
    const size_t length = nul == nullptr ? p_vData.size() : static_cast<size_t>(static_cast<const char*>(nul) - begin);
    return std::string(begin, length);
}

CRegistry::CRegistry(Registry& p_oStore) : m_oStore(p_oStore)
{
}

bool CRegistry::ReadRegistry(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName, bool p_bQuiet,
                             std::vector<uint8_t>& p_vData, uint32_t* p_pdwType)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    const uint32_t result = m_oStore.QueryValue(p_eRoot, p_sSubkey, p_sName, type, data);
    if (result != kErrorSuccess)
    {
        if (!p_bQuiet)
            platform::SetLastErrorCode(result);
        return false;
    }
    if (type == kRegExpandSz)
    {
        std::string expanded;
        // A value that does not fit expanded fails rather than come back cut short.
        if (!platform::ExpandEnvironment(TextOfValue(data), kMaxExpandedChars, expanded))
        {
            if (!p_bQuiet)
                platform::SetLastErrorCode(kErrorMoreData);
            return false;
        }
        data.assign(expanded.begin(), expanded.end());
        data.push_back(0);
    }
    p_vData = std::move(data);
    if (p_pdwType != nullptr)
        *p_pdwType = type;
    return true;
}

bool CRegistry::WriteRegistry(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName,
                              const void* p_pData, size_t p_nSize, uint32_t p_dwType)
{
    const uint32_t result = m_oStore.SetValue(p_eRoot, p_sSubkey, p_sName, p_dwType, p_pData, p_nSize);
    if (result != kErrorSuccess)
    {
        platform::SetLastErrorCode(result);
        return false;
    }
    return true;
}

bool CRegistry::KeyExists(ERegRoot p_eRoot, const std::string& p_sSubkey)
{
    return m_oStore.OpenKey(p_eRoot, p_sSubkey) == kErrorSuccess;
}

bool CRegistry::ValueExists(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    return m_oStore.QueryValue(p_eRoot, p_sSubkey, p_sName, type, data) == kErrorSuccess;
}

std::string CRegistry::ReadUserText(const std::string& p_sName)
{
    std::vector<uint8_t> data;
    if (!ReadRegistry(ERegRoot::CurrentUser, kUserKey, p_sName, true, data))
        return std::string();
    return TextOfValue(data);
}

bool CRegistry::WriteUserText(const std::string& p_sName, const std::string& p_sText)
{
    return WriteRegistry(ERegRoot::CurrentUser, kUserKey, p_sName, p_sText.c_str(), p_sText.size() + 1, kRegSz);
}

bool CRegistry::ReadInstallText(const std::string& p_sName, std::string& p_sText)
{
    std::vector<uint8_t> data;
    if (!ReadRegistry(ERegRoot::LocalMachine, kInstallKey, p_sName, false, data))
        return false;
    p_sText = TextOfValue(data);
    return true;
}

bool CRegistry::ReadOptionsDword(const std::string& p_sName, uint32_t& p_dwValue)
{
    std::vector<uint8_t> data;
    if (!ReadRegistry(ERegRoot::CurrentUser, kOptionsKey, p_sName, true, data) || data.size() != 4)
        return false;
    p_dwValue = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return true;
}

bool CRegistry::WriteOptionsDword(const std::string& p_sName, uint32_t p_dwValue)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(p_dwValue), static_cast<uint8_t>(p_dwValue >> 8),
                              static_cast<uint8_t>(p_dwValue >> 16), static_cast<uint8_t>(p_dwValue >> 24)};
    return WriteRegistry(ERegRoot::CurrentUser, kOptionsKey, p_sName, bytes, sizeof(bytes), kRegDword);
}

bool CRegistry::IsOutlookInternetMailOnly(unsigned p_uOfficeMajor)
{
    if (p_uOfficeMajor != 8 && p_uOfficeMajor != 9)
        return false;
    const std::string key = "Software\\Microsoft\\Office\\" + std::to_string(p_uOfficeMajor) + ".0\\Outlook\\Setup";
    std::vector<uint8_t> data;
    if (!ReadRegistry(ERegRoot::CurrentUser, key, "MailSupport", true, data))
        return false;
    uint32_t value = 0;
    for (size_t i = 0; i < data.size() && i < 4; ++i)
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    return value != 1;
}

bool CRegistry::GetNotifyDefaults(uint32_t& p_dwFlags)
{
    uint32_t value = 0;
    if (!ReadOptionsDword("NotifyDefaults", value))
    {
        p_dwFlags = kNotifyDefaultsAbsent;
        return false;
    }
    value = (value & ~kNotifyDefaultMarker) | kNotifyAlwaysSet;
    // "Failed deliveries" wins over "all deliveries".
    if ((value & kNotifyAll) != 0 && (value & kNotifyFailed) != 0)
        value &= ~(kNotifyAll | kNotifyDefaultMarker);
    p_dwFlags = value;
    return true;
}

bool CRegistry::GetSendDefaults(uint32_t& p_dwFlags, std::string& p_sSignature)
{
    p_sSignature = ReadUserText("Signature");
    uint32_t value = 0;
    if (!ReadOptionsDword("SendDefaults", value))
    {
        p_dwFlags = kSendDefaultsAbsent;
        return false;
    }
    if ((value & kSendNoSignature) != 0 && (value & kSendSignature) != 0)
        value &= ~kSendSignature;
    if ((value & (kSendRepliesToEmail | kSendRepliesToMobile)) == 0)
        value |= kSendRepliesToEmail;
    p_dwFlags = value;
    return true;
}

bool CRegistry::SetNotifyDefaults(uint32_t p_dwFlags)
{
    return WriteOptionsDword("NotifyDefaults", p_dwFlags | kNotifyAlwaysSet);
}

bool CRegistry::SetSendDefaults(uint32_t p_dwFlags, const std::string& p_sSignature)
{
    return WriteOptionsDword("SendDefaults", p_dwFlags) && WriteUserText("Signature", p_sSignature);
}
