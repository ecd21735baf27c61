// Addressbook/protocol/protocol_records.h: the fixed-layout records the SMS SEND envelope
// carries (time, platform, language), their little-endian bytes, and how they are filled:
// portable rules over a seam that only the operating system can answer.
#pragma once

#include "Addressbook/include/corvane_records.h"
#include "common/settings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// SYSTEMTIME: the same record the hosts hand in as a delivery time.
using CSystemTime = CDeliveryTime;

// OSVERSIONINFOEXA; the short form OSVERSIONINFOA is its first 148 bytes.
struct COSVersionInfo
{
    uint32_t m_dwOSVersionInfoSize = 0;
    uint32_t m_dwMajorVersion = 0;
    uint32_t m_dwMinorVersion = 0;
    uint32_t m_dwBuildNumber = 0;
    uint32_t m_dwPlatformId = 0;
    char m_szCSDVersion[128] = {};
    uint16_t m_wServicePackMajor = 0;
    uint16_t m_wServicePackMinor = 0;
    uint16_t m_wSuiteMask = 0;
    uint8_t m_bProductType = 0;
    uint8_t m_bReserved = 0;
};
static_assert(sizeof(COSVersionInfo) == 156);
constexpr uint32_t kOSVersionInfoExSize = 156;
constexpr uint32_t kOSVersionInfoSize = 148;

constexpr size_t kClientVersionSize = 20;

struct CPlatformInfo
{
    uint32_t m_dwPackage = 0;        // the e-mail package code given to Init
    uint32_t m_dwPackageVersion = 0; // its version (Outlook: 1 97, 2 98, 3 and above later)
    char m_szClientVersion[kClientVersionSize] = {};
    COSVersionInfo m_oOSVersion;
    uint32_t m_dwMailSupportOff = 0; // Outlook 97/2000 set up without full mail support
    uint32_t m_dwWordEditor = 0;     // Outlook 97 to XP with Word as the e-mail editor
};
static_assert(sizeof(CPlatformInfo) == 192);
static_assert(offsetof(CPlatformInfo, m_szClientVersion) == 8 && offsetof(CPlatformInfo, m_oOSVersion) == 28 &&
              offsetof(CPlatformInfo, m_dwMailSupportOff) == 184);

// Language ids as primary (low 10 bits) and sub-language (high 6 bits).
struct CLanguageInfo
{
    uint32_t m_dwSize = 24;
    uint16_t m_wSystemPrimary = 0;
    uint16_t m_wSystemSub = 0;
    uint16_t m_wUserPrimary = 0;
    uint16_t m_wUserSub = 0;
    uint32_t m_dwOfficeFound = 0;
    uint16_t m_wOfficePrimary = 0;
    uint16_t m_wOfficeSub = 0;
    uint32_t m_dwOne = 1;
};
static_assert(sizeof(CLanguageInfo) == 24);

// The records' raw bytes as the protocol sends them, integers little-endian.
std::vector<uint8_t> RecordBytes(const CSystemTime& p_oTime);
std::vector<uint8_t> RecordBytes(const CPlatformInfo& p_oInfo);
std::vector<uint8_t> RecordBytes(const CLanguageInfo& p_oInfo);
// Fails unless p_vBytes holds exactly 16 bytes.
[[nodiscard]] bool SystemTimeFromBytes(const std::vector<uint8_t>& p_vBytes, CSystemTime& p_oTime);

// The current UTC time in whole seconds, day of week included.
CSystemTime CurrentUtcTime();

// What only the operating system knows; platform_records_win.cpp asks Windows, tests answer.
class IPlatformFacts
{
  public:
    virtual ~IPlatformFacts() = default;
    // GetVersionEx in its extended form (size field 156), else the short form (148, rest zero).
    virtual void OSVersion(COSVersionInfo& p_oInfo) = 0;
    virtual std::string SystemDirectory() = 0;
    // The language id of the first "\VarFileInfo\Translation" entry of a file's version resource.
    [[nodiscard]] virtual bool FileLanguage(const std::string& p_sPath, uint16_t& p_wLangId) = 0;
    virtual uint16_t UserDefaultLangId() = 0;
    // A text value under HKEY_CLASSES_ROOT; an empty name is the key's default value.
    [[nodiscard]] virtual bool ClassesRootText(const std::string& p_sSubkey, const std::string& p_sName,
                                               std::string& p_sText) = 0;
    // The Outlook object model's user-interface language id.
    [[nodiscard]] virtual bool OutlookUILanguage(uint16_t& p_wLangId) = 0;
};

// The major version of the registered "Outlook.Application" (its ProgID's version suffix), 0 when none.
unsigned RegisteredOutlookVersion(IPlatformFacts& p_oFacts);
CPlatformInfo BuildPlatformInfo(CRegistry& p_oRegistry, IPlatformFacts& p_oFacts, uint32_t p_dwPackage,
                                uint32_t p_dwPackageVersion);
CLanguageInfo BuildLanguageInfo(IPlatformFacts& p_oFacts, uint32_t p_dwPackage, uint32_t p_dwPackageVersion);

#ifdef _WIN32
// This machine's answers.
IPlatformFacts& SystemPlatformFacts();
#endif
