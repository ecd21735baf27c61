// tests/fuzz/ol_extension_value_fuzz.cpp: the client stand-in's extension registration reader on
// arbitrary text; what it accepts must keep its columns within their tables.
#include "standins/outlook/extension_value.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const auto value =
        olstandin::ParseExtensionValue(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize));
    if (!value)
        return 0;
    if (value->m_sPath.empty() || value->m_nOrdinal == 0 ||
        value->m_sContexts.size() > olstandin::kRegisteredContexts ||
        value->m_sInterfaces.size() > olstandin::kRegisteredInterfaces)
        std::abort();
    for (unsigned context = 0; context <= olstandin::kRegisteredContexts + 1; ++context)
        (void)value->WantsContext(context);
    return 0;
}
