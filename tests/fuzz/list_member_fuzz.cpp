// tests/fuzz/list_member_fuzz.cpp: the member entry ids a contact list keeps, as a store hands them
// over: reading them as wrapped or one-off entry ids must stay within their bytes, and a one-off
// that reads must read the same after it is made again from what was read.
#include "Addressbook/addressbook/exmapi_members.h"

#include <cstdlib>

namespace
{
std::string Narrow(std::u16string_view p_sWide)
{
    std::string sText;
    for (const char16_t c : p_sWide)
        sText.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return sText;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    const CEntryBytes vEntryId(p_pData, p_pData + p_nSize);
    (void)DecodeListMember(vEntryId, Narrow);
    const std::optional<COneOffAddress> oOneOff = DecodeOneOffEntryId(vEntryId, Narrow);
    if (oOneOff && oOneOff->m_sName.find('\0') == std::string::npos &&
        oOneOff->m_sAddrType.find('\0') == std::string::npos && oOneOff->m_sAddress.find('\0') == std::string::npos)
    {
        const std::optional<COneOffAddress> oAgain =
            DecodeOneOffEntryId(MakeOneOffEntryId(oOneOff->m_sName, oOneOff->m_sAddrType, oOneOff->m_sAddress), Narrow);
        if (!oAgain || oAgain->m_sName != oOneOff->m_sName || oAgain->m_sAddrType != oOneOff->m_sAddrType ||
            oAgain->m_sAddress != oOneOff->m_sAddress)
            std::abort();
    }
    return 0;
}
