// tests/fuzz/hook_command_line_fuzz.cpp: the Word hook's command-line readers on any bytes.
#include "wordhook/hook_command_line.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const std::string_view sText(reinterpret_cast<const char*>(p_pData), p_nSize);
    (void)ProcessKindOf(sText);
    (void)HookedProcessId(sText);
    return 0;
}
