// Addressbook/addressbook/mapi_location.cpp: the choice of the MAPI library file.
#include "Addressbook/addressbook/mapi_location.h"

#include <cstdint>
#include <vector>

namespace
{
// The string value p_sName of Outlook's client key; empty when missing, empty or not a string.
std::string ReadDllPathEx(Registry& p_oRegistry)
{
    uint32_t dwType = 0;
    std::vector<uint8_t> vData;
    if (p_oRegistry.QueryValue(ERegRoot::LocalMachine, kOutlookClientKey, kDllPathExValue, dwType, vData) !=
        kErrorSuccess)
        return {};
    if (dwType != kRegSz && dwType != kRegExpandSz)
        return {};
    std::string sPath(vData.begin(), vData.end());
    // Registry strings usually carry their terminator, and may carry more than one.
    const size_t nEnd = sPath.find('\0');
    if (nEnd != std::string::npos)
        sPath.resize(nEnd);
    return sPath;
}

// The directory part of a path the component lookup gave; empty when it has none.
std::string DirectoryOf(const std::string& p_sPath)
{
    const size_t nSlash = p_sPath.find_last_of("\\/");
    return nSlash == std::string::npos ? std::string() : p_sPath.substr(0, nSlash);
}
} // namespace

const char* MapiLibraryFileName(bool p_bInternetMailOnly, bool p_bNtPlatform)
{
    if (!p_bInternetMailOnly)
        return "\\msmapi32.dll";
    return p_bNtPlatform ? "\\omint.dll" : "\\omi9.dll";
}

CMapiLocation LocateMapiLibrary(Registry& p_oRegistry, const CMapiLocationProbes& p_oProbes, bool p_bInternetMailOnly,
                                bool p_bNtPlatform)
{
    const std::string sDllPathEx = ReadDllPathEx(p_oRegistry);
    if (!sDllPathEx.empty() && p_oProbes.m_fnFileExists && p_oProbes.m_fnFileExists(sDllPathEx))
        return {sDllPathEx, {}, EMapiSource::DllPathEx};

    // The directory becomes current as soon as the stub names it, whether or not the library is
    // there, so MAPI's own helpers load from beside it.
    std::string sDirectory;
    if (p_oProbes.m_fnComponentPath)
    {
        for (const char* szQualifier : kMapiQualifiers)
        {
            std::string sComponent;
            if (p_oProbes.m_fnComponentPath(szQualifier, sComponent))
            {
                sDirectory = DirectoryOf(sComponent);
                break;
            }
        }
    }
    if (!sDirectory.empty())
    {
        const std::string sLibrary = sDirectory + MapiLibraryFileName(p_bInternetMailOnly, p_bNtPlatform);
        if (p_oProbes.m_fnFileExists && p_oProbes.m_fnFileExists(sLibrary))
            return {sLibrary, sDirectory, EMapiSource::ComponentPath};
    }
    return {kDefaultMapiLibrary, sDirectory, EMapiSource::Default};
}
