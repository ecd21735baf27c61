// common/settings.h: the product's settings in the registry: the raw helpers, the wrappers every
// deliverable uses, and the two option bit sets the sending parts share.
#pragma once

#include "common/registry.h"

#include <cstdint>
#include <string>
#include <vector>

extern const char* const kUserKey;      // Software\Brevolt (current user)
extern const char* const kOptionsKey;   // Software\Brevolt\Options (current user)
extern const char* const kInstallKey;   // Software\Brevolt\Install (local machine)
extern const char* const kRulesKey;     // Software\Brevolt\Rules
extern const char* const kTemplatesKey; // Software\Brevolt\Templates
extern const char* const kWabKey;       // Software\Brevolt\Wab
extern const char* const kExMapiKey;    // Software\Brevolt\ExMapi

// "NotifyDefaults" bits (low byte).
constexpr uint32_t kNotifyByEmail = 0x01;
constexpr uint32_t kNotifyFailed = 0x02;
constexpr uint32_t kNotifyDefaultMarker = 0x04;
constexpr uint32_t kNotifyAlwaysSet = 0x08;
constexpr uint32_t kNotifyBySMS = 0x10;
constexpr uint32_t kNotifyAll = 0x20;
constexpr uint32_t kNotifyNetwork = 0x40;
constexpr uint32_t kNotifyPhone = 0x80;
constexpr uint32_t kNotifyDefaultsAbsent = 0xC7;

// "SendDefaults" bits (second byte).
constexpr uint32_t kSendCopyToEmail = 0x100;
constexpr uint32_t kSendRepliesToEmail = 0x200;
constexpr uint32_t kSendRepliesToMobile = 0x400;
constexpr uint32_t kSendSignature = 0x800;
constexpr uint32_t kSendNoSignature = 0x1000;
constexpr uint32_t kSendCCMobile = 0x2000;
constexpr uint32_t kSendDefaultsAbsent = 0x0A00;

// Largest expansion of an expandable string, terminator included.
constexpr size_t kMaxExpandedChars = 2048;

class CRegistry
{
  public:
    explicit CRegistry(Registry& p_oStore = SystemRegistry());

    // Reads a value into p_vData (the caller's own copy). An expandable string comes back
    // expanded, its size the expanded length with the terminator. On failure the thread's last
    // error is the registry's error unless p_bQuiet.
    [[nodiscard]] bool ReadRegistry(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName,
                                    bool p_bQuiet, std::vector<uint8_t>& p_vData, uint32_t* p_pdwType = nullptr);
    [[nodiscard]] bool WriteRegistry(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName,
                                     const void* p_pData, size_t p_nSize, uint32_t p_dwType);
    bool KeyExists(ERegRoot p_eRoot, const std::string& p_sSubkey);
    bool ValueExists(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName);

    // A user text; an absent value reads as empty.
    std::string ReadUserText(const std::string& p_sName);
    // Stored with its terminator.
    [[nodiscard]] bool WriteUserText(const std::string& p_sName, const std::string& p_sText);
    // An Install text; fails when absent.
    [[nodiscard]] bool ReadInstallText(const std::string& p_sName, std::string& p_sText);
    // An Options DWORD; succeeds only for a 4-byte value.
    [[nodiscard]] bool ReadOptionsDword(const std::string& p_sName, uint32_t& p_dwValue);
    [[nodiscard]] bool WriteOptionsDword(const std::string& p_sName, uint32_t p_dwValue);

    // Outlook of Office 8.0 (97, 98) and 9.0 (2000) can be set up for Internet mail only, without
    // the MAPI spooler: the user's "MailSupport" value of its Setup key is then anything but 1.
    // Other versions, and a missing value, mean full MAPI.
    [[nodiscard]] bool IsOutlookInternetMailOnly(unsigned p_uOfficeMajor);

    // False when nothing is stored; the defaults are filled in then.
    bool GetNotifyDefaults(uint32_t& p_dwFlags);
    bool GetSendDefaults(uint32_t& p_dwFlags, std::string& p_sSignature);
    [[nodiscard]] bool SetNotifyDefaults(uint32_t p_dwFlags);
    [[nodiscard]] bool SetSendDefaults(uint32_t p_dwFlags, const std::string& p_sSignature);

    Registry& Store()
    {
        return m_oStore;
    }

  private:
    Registry& m_oStore;
};

// The text of a string value's bytes: up to the first terminator, or all of them.
std::string TextOfValue(const std::vector<uint8_t>& p_vData);
