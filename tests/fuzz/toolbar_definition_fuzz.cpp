// tests/fuzz/toolbar_definition_fuzz.cpp: the toolbar definition reader on arbitrary text; what it
// accepts must keep its drop-downs' children within bounds and its positions in file order. The same
// bytes read as a button's tag (a text the host hands back) must parse or be refused, never overrun.
#include "outlook/toolbar_definition.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    uint32_t command = 0, spare = 0;
    (void)ParseButtonTag(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize), command, spare);
    std::vector<CToolbarEntry> entries;
    if (!ParseToolbarDefinition(std::string_view(reinterpret_cast<const char*>(p_pData), p_nSize), entries))
    {
        if (!entries.empty())
            std::abort();
        return 0;
    }
    uint32_t position = 0;
    for (const CToolbarEntry& entry : entries)
    {
        if (entry.m_eKind == EToolbarEntryKind::Child || entry.m_uPosition != position++ ||
            entry.m_vChildren.size() > kMaxToolbarChildren || entry.m_sCaption.size() > kMaxToolbarLine)
            std::abort();
        for (const CToolbarEntry& child : entry.m_vChildren)
            if (child.m_eKind != EToolbarEntryKind::Child || child.m_uPosition != position++)
                std::abort();
        int action = 0;
        (void)ParseActionTarget(entry.m_sTarget, action);
    }
    return 0;
}
