// Addressbook/addressbook/mapi_location.h: which MAPI library the core library loads. Portable: the
// registry comes through the Registry seam and the file system and the MAPI stub's component
// lookup through probes, so the decision is tested without loading anything.
#pragma once

#include "common/registry.h"

#include <functional>
#include <string>

// Where Outlook records the full path of its MAPI library.
inline constexpr const char* kOutlookClientKey = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook";
inline constexpr const char* kDllPathExValue = "DLLPathEx";
// The MAPI component the stub's FGetComponentPath is asked about, with its qualifiers in the
// order they are tried; the last one stands for "no qualifier".
inline constexpr const char* kMapiComponentId = "{FF1D0740-D227-11D1-A4B0-006008AF820E}";
inline constexpr const char* kMapiQualifiers[] = {"Microsoft\\Office\\9.0\\Outlook",
                                                  "Microsoft\\Office\\9.0\\Common\\LanguageResources", nullptr};
inline constexpr const char* kDefaultMapiLibrary = "mapi32.dll";

struct CMapiLocationProbes
{
    std::function<bool(const std::string& p_sPath)> m_fnFileExists;
    // FGetComponentPath for kMapiComponentId with one qualifier (nullptr: none): true and the
    // path it gave, or false. Unset when no stub library could be loaded.
    std::function<bool(const char* p_szQualifier, std::string& p_sPath)> m_fnComponentPath;
};

enum class EMapiSource
{
    DllPathEx,     // the registry's DLLPathEx
    ComponentPath, // next to the component the MAPI stub reported
    Default,       // plain "mapi32.dll" from the search path
};

struct CMapiLocation
{
    std::string m_sLibrary;
    // The component's directory, which the loader makes current before loading (even when the
    // library is not found there); empty when the stub named none.
    std::string m_sCurrentDirectory;
    EMapiSource m_eSource = EMapiSource::Default;
};

// The library file beside a component: "\msmapi32.dll", or in internet-mail-only mode
// "\omint.dll" on the NT platform and "\omi9.dll" elsewhere.
const char* MapiLibraryFileName(bool p_bInternetMailOnly, bool p_bNtPlatform);

// The three-step choice: DLLPathEx when set and present, else the component's directory with the
// library name when that file is present, else "mapi32.dll".
CMapiLocation LocateMapiLibrary(Registry& p_oRegistry, const CMapiLocationProbes& p_oProbes, bool p_bInternetMailOnly,
                                bool p_bNtPlatform);
