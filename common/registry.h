// common/registry.h: the settings seam. The Windows build talks to the real registry
// (registry_win.cpp); native builds use an in-memory tree (registry_mem.cpp) with the same
// rules: case-insensitive names, Win32 error codes, typed values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class ERegRoot
{
    CurrentUser,
    LocalMachine,
};

// Value types as the registry numbers them.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;

// Win32 error codes the helpers pass on through the thread's last error.
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorMoreData = 234;

class Registry
{
  public:
    virtual ~Registry() = default;

    // Each call opens the key, does its work and closes it again; results are Win32 codes.
    virtual uint32_t QueryValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName,
                                uint32_t& p_dwType, std::vector<uint8_t>& p_vData) = 0;
    // Creates the key (and its parents) when missing.
    virtual uint32_t SetValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName,
                              uint32_t p_dwType, const void* p_pData, size_t p_nSize) = 0;
    virtual uint32_t OpenKey(ERegRoot p_eRoot, const std::string& p_sSubkey) = 0;
    virtual uint32_t DeleteValue(ERegRoot p_eRoot, const std::string& p_sSubkey, const std::string& p_sName) = 0;
    // Deletes the key with everything below it.
    virtual uint32_t DeleteTree(ERegRoot p_eRoot, const std::string& p_sSubkey) = 0;
    virtual uint32_t EnumSubkeys(ERegRoot p_eRoot, const std::string& p_sSubkey,
                                 std::vector<std::string>& p_vNames) = 0;
    virtual uint32_t EnumValues(ERegRoot p_eRoot, const std::string& p_sSubkey, std::vector<std::string>& p_vNames) = 0;
};

// The registry of this machine: the real one on Windows, one in-memory tree per process natively.
Registry& SystemRegistry();
std::unique_ptr<Registry> CreateMemoryRegistry();
