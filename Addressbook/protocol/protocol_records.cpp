// Addressbook/protocol/protocol_records.cpp: record bytes, the clock, and the rules that fill
// the platform and language records from the settings and the operating system's facts.
#include "Addressbook/protocol/protocol_records.h"

#include "Addressbook/protocol/little_endian.h"
#include "common/platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace
{
void AppendText(std::vector<uint8_t>& p_vOut, const char* p_pText, size_t p_nSize)
{
    p_vOut.insert(p_vOut.end(), p_pText, p_pText + p_nSize);
}

void AppendRecord(std::vector<uint8_t>& p_vOut, const COSVersionInfo& p_oInfo)
{
    AppendU32(p_vOut, p_oInfo.m_dwOSVersionInfoSize);
    AppendU32(p_vOut, p_oInfo.m_dwMajorVersion);
    AppendU32(p_vOut, p_oInfo.m_dwMinorVersion);
    AppendU32(p_vOut, p_oInfo.m_dwBuildNumber);
    AppendU32(p_vOut, p_oInfo.m_dwPlatformId);
    AppendText(p_vOut, p_oInfo.m_szCSDVersion, sizeof(p_oInfo.m_szCSDVersion));
    AppendU16(p_vOut, p_oInfo.m_wServicePackMajor);
    AppendU16(p_vOut, p_oInfo.m_wServicePackMinor);
    AppendU16(p_vOut, p_oInfo.m_wSuiteMask);
    p_vOut.push_back(p_oInfo.m_bProductType);
    p_vOut.push_back(p_oInfo.m_bReserved);
}

// 0 Sunday, as SYSTEMTIME counts (Sakamoto's method).
uint16_t DayOfWeek(int p_iYear, int p_iMonth, int p_iDay)
{
    static const int s_aOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (p_iMonth < 3)
        --p_iYear;
    return static_cast<uint16_t>(
        (p_iYear + p_iYear / 4 - p_iYear / 100 + p_iYear / 400 + s_aOffsets[(p_iMonth - 1) % 12] + p_iDay) % 7);
}

std::string OfficeKey(unsigned p_uVersion, const char* p_szRest)
{
    return "Software\\Microsoft\\Office\\" + std::to_string(p_uVersion) + ".0\\Outlook\\" + p_szRest;
}

bool ReadDword(CRegistry& p_oRegistry, const std::string& p_sSubkey, const char* p_szName, uint32_t& p_dwValue)
{
    std::vector<uint8_t> data;
    if (!p_oRegistry.ReadRegistry(ERegRoot::CurrentUser, p_sSubkey, p_szName, true, data))
        return false;
    uint8_t bytes[4] = {};
    std::memcpy(bytes, data.data(), data.size() < 4 ? data.size() : 4);
    p_dwValue = GetU32(bytes);
    return true;
}

void SplitLanguage(uint16_t p_wLangId, uint16_t& p_wPrimary, uint16_t& p_wSub)
{
    p_wPrimary = p_wLangId & 0x3FF;
    p_wSub = p_wLangId >> 10;
}

// Outlook 97 and 98 name their library in the registration of their toolbox bitmap.
bool OutlookLibraryLanguage(IPlatformFacts& p_oFacts, uint16_t& p_wLangId)
{
    std::string path;
    if (!p_oFacts.ClassesRootText("CLSID\\{0006F023-0000-0000-C000-000000000046}\\ToolboxBitmap32", "", path))
        return false;
    for (char& c : path)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const char* const library = "OUTLLIB.DLL";
    const size_t at = path.find(library);
    if (at == std::string::npos)
        return false;
    path.resize(at + std::strlen(library));
    if (path[0] == '"')
        path.erase(0, 1);
    return p_oFacts.FileLanguage(path, p_wLangId);
}
} // namespace

std::vector<uint8_t> RecordBytes(const CSystemTime& p_oTime)
{
    std::vector<uint8_t> out;
    for (uint16_t field : {p_oTime.m_wYear, p_oTime.m_wMonth, p_oTime.m_wDayOfWeek, p_oTime.m_wDay, p_oTime.m_wHour,
                           p_oTime.m_wMinute, p_oTime.m_wSecond, p_oTime.m_wMilliseconds})
        AppendU16(out, field);
    return out;
}

std::vector<uint8_t> RecordBytes(const CPlatformInfo& p_oInfo)
{
    std::vector<uint8_t> out;
    AppendU32(out, p_oInfo.m_dwPackage);
    AppendU32(out, p_oInfo.m_dwPackageVersion);
    AppendText(out, p_oInfo.m_szClientVersion, sizeof(p_oInfo.m_szClientVersion));
    AppendRecord(out, p_oInfo.m_oOSVersion);
    AppendU32(out, p_oInfo.m_dwMailSupportOff);
    AppendU32(out, p_oInfo.m_dwWordEditor);
    return out;
}

std::vector<uint8_t> RecordBytes(const CLanguageInfo& p_oInfo)
{
    std::vector<uint8_t> out;
    AppendU32(out, p_oInfo.m_dwSize);
    for (uint16_t field : {p_oInfo.m_wSystemPrimary, p_oInfo.m_wSystemSub, p_oInfo.m_wUserPrimary, p_oInfo.m_wUserSub})
        AppendU16(out, field);
    AppendU32(out, p_oInfo.m_dwOfficeFound);
    AppendU16(out, p_oInfo.m_wOfficePrimary);
    AppendU16(out, p_oInfo.m_wOfficeSub);
    AppendU32(out, p_oInfo.m_dwOne);
    return out;
}

bool SystemTimeFromBytes(const std::vector<uint8_t>& p_vBytes, CSystemTime& p_oTime)
{
    if (p_vBytes.size() != sizeof(CSystemTime))
        return false;
    uint16_t fields[8];
    for (size_t i = 0; i < 8; ++i)
        fields[i] = static_cast<uint16_t>(p_vBytes[2 * i] | p_vBytes[2 * i + 1] << 8);
    p_oTime = {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
    return true;
}

CSystemTime CurrentUtcTime()
{
    const CTraceTime now = platform::NowUtc();
    CSystemTime time;
    time.m_wYear = static_cast<uint16_t>(now.m_iYear);
    time.m_wMonth = static_cast<uint16_t>(now.m_iMonth);
    time.m_wDayOfWeek = DayOfWeek(now.m_iYear, now.m_iMonth, now.m_iDay);
    time.m_wDay = static_cast<uint16_t>(now.m_iDay);
    time.m_wHour = static_cast<uint16_t>(now.m_iHour);
    time.m_wMinute = static_cast<uint16_t>(now.m_iMinute);
    time.m_wSecond = static_cast<uint16_t>(now.m_iSecond);
    return time;
}

unsigned RegisteredOutlookVersion(IPlatformFacts& p_oFacts)
{
    std::string progId;
    if (!p_oFacts.ClassesRootText("Outlook.Application\\CurVer", "", progId))
        return 0;
    const size_t dot = progId.find_last_of('.');
    if (dot == std::string::npos || dot + 1 == progId.size())
        return 0;
    unsigned version = 0;
    for (size_t i = dot + 1; i < progId.size(); ++i)
    {
        if (!std::isdigit(static_cast<unsigned char>(progId[i])) || version > 1000)
            return 0;
        version = version * 10 + static_cast<unsigned>(progId[i] - '0');
    }
    return version;
}

CPlatformInfo BuildPlatformInfo(CRegistry& p_oRegistry, IPlatformFacts& p_oFacts, uint32_t p_dwPackage,
                                uint32_t p_dwPackageVersion)
{
    CPlatformInfo info;
    info.m_dwPackage = p_dwPackage;
    info.m_dwPackageVersion = p_dwPackageVersion;
    std::string version;
    if (!p_oRegistry.ReadInstallText("Version", version))
        version = "Unknown";
    std::memcpy(info.m_szClientVersion, version.data(), std::min(version.size(), kClientVersionSize - 1));
    p_oFacts.OSVersion(info.m_oOSVersion);

    const unsigned outlook = RegisteredOutlookVersion(p_oFacts);
    uint32_t value = 0;
    info.m_dwMailSupportOff = p_oRegistry.IsOutlookInternetMailOnly(outlook) ? 1 : 0;
    if (outlook >= 8 && outlook <= 10 &&
        ReadDword(p_oRegistry, OfficeKey(outlook, "Options\\Mail"), "EditorPreference", value))
        info.m_dwWordEditor = value & 1;
    return info;
}

CLanguageInfo BuildLanguageInfo(IPlatformFacts& p_oFacts, uint32_t p_dwPackage, uint32_t p_dwPackageVersion)
{
    CLanguageInfo info;
    uint16_t langId = 0;
    std::string userExe = p_oFacts.SystemDirectory();
    userExe += "\\user.exe";
    if (p_oFacts.FileLanguage(userExe, langId))
        SplitLanguage(langId, info.m_wSystemPrimary, info.m_wSystemSub);
    SplitLanguage(p_oFacts.UserDefaultLangId(), info.m_wUserPrimary, info.m_wUserSub);

    bool found = false;
    if (p_dwPackage == 0 && (p_dwPackageVersion == 1 || p_dwPackageVersion == 2))
        found = OutlookLibraryLanguage(p_oFacts, langId);
    else if (p_dwPackage == 0 && p_dwPackageVersion >= 3 && p_dwPackageVersion <= 5)
        found = p_oFacts.OutlookUILanguage(langId);
    if (found)
    {
        info.m_dwOfficeFound = 1;
        SplitLanguage(langId, info.m_wOfficePrimary, info.m_wOfficeSub);
    }
    return info;
}
