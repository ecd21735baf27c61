// tests/fuzz/prefs_js_fuzz.cpp: the prefs.js reader and the open-command parser on arbitrary text.
#include "Addressbook/smtp/smtp_server_lookup.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::string text(reinterpret_cast<const char*>(p_pData), p_nSize);
    std::string value;
    if (ReadPrefsValue(text, "network.hosts.smtp_server", value) && value.size() > text.size())
        __builtin_trap();
    const std::string folder = NetscapeInstallFolder(text);
    if (folder.size() > text.size())
        __builtin_trap();
    return 0;
}
