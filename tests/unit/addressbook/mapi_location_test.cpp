// tests/unit/addressbook/mapi_location_test.cpp: the choice of the MAPI library over an in-memory
// registry, a set of present files and a scripted component lookup.
#include "Addressbook/addressbook/mapi_location.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace
{
struct CLocationCase
{
    const char* m_szName;
    const char* m_szDllPathEx;           // nullptr: no value
    std::vector<std::string> m_vFiles;   // files that exist
    std::vector<std::string> m_vAnswers; // per qualifier, "" for no answer; empty: no stub
    bool m_bInternetMailOnly;
    bool m_bNt;
    const char* m_szLibrary;
    const char* m_szCurrentDirectory;
    EMapiSource m_eSource;
    size_t m_nQueries; // qualifiers asked
};

const CLocationCase kCases[] = {
    {"DllPathExPresent",
     "C:\\Office\\MSMAPI32.DLL",
     {"C:\\Office\\MSMAPI32.DLL"},
     {"C:\\Other\\x.dll", "", ""},
     false,
     true,
     "C:\\Office\\MSMAPI32.DLL",
     "",
     EMapiSource::DllPathEx,
     0},
    {"DllPathExMissingFallsToComponent",
     "C:\\Gone\\MSMAPI32.DLL",
     {"C:\\Office\\msmapi32.dll"},
     {"C:\\Office\\outlook.exe", "", ""},
     false,
     true,
     "C:\\Office\\msmapi32.dll",
     "C:\\Office",
     EMapiSource::ComponentPath,
     1},
    {"LibraryOnlyInParentDirectory",
     nullptr,
     {"C:\\Prog\\Office\\msmapi32.dll"},
     {"", "C:\\Prog\\Office\\1033\\res.dll", ""},
     false,
     true,
     "mapi32.dll",
     "C:\\Prog\\Office\\1033",
     EMapiSource::Default,
     2},
    {"SecondQualifierLibraryPresent",
     nullptr,
     {"C:\\Prog\\Office\\1033\\msmapi32.dll"},
     {"", "C:\\Prog\\Office\\1033\\res.dll", ""},
     false,
     true,
     "C:\\Prog\\Office\\1033\\msmapi32.dll",
     "C:\\Prog\\Office\\1033",
     EMapiSource::ComponentPath,
     2},
    {"NoQualifierAnswers",
     nullptr,
     {"C:\\Office\\msmapi32.dll"},
     {"", "", "C:\\Office\\mapi.dll"},
     false,
     false,
     "C:\\Office\\msmapi32.dll",
     "C:\\Office",
     EMapiSource::ComponentPath,
     3},
    {"NothingFound", nullptr, {}, {"", "", ""}, false, true, "mapi32.dll", "", EMapiSource::Default, 3},
    {"NoStub", nullptr, {"C:\\Office\\msmapi32.dll"}, {}, false, true, "mapi32.dll", "", EMapiSource::Default, 0},
    {"EmptyDllPathEx", "", {""}, {"", "", ""}, false, true, "mapi32.dll", "", EMapiSource::Default, 3},
    {"ComponentLibraryMissing",
     nullptr,
     {},
     {"C:\\Office\\outlook.exe", "", ""},
     false,
     true,
     "mapi32.dll",
     "C:\\Office",
     EMapiSource::Default,
     1},
    {"InternetMailOnlyNt",
     nullptr,
     {"C:\\Office\\omint.dll", "C:\\Office\\omi9.dll"},
     {"C:\\Office\\outlook.exe", "", ""},
     true,
     true,
     "C:\\Office\\omint.dll",
     "C:\\Office",
     EMapiSource::ComponentPath,
     1},
    {"InternetMailOnly9x",
     nullptr,
     {"C:\\Office\\omint.dll", "C:\\Office\\omi9.dll"},
     {"C:\\Office\\outlook.exe", "", ""},
     true,
     false,
     "C:\\Office\\omi9.dll",
     "C:\\Office",
     EMapiSource::ComponentPath,
     1},
    {"InternetMailOnlyLibraryMissing",
     nullptr,
     {"C:\\Office\\msmapi32.dll"},
     {"C:\\Office\\outlook.exe", "", ""},
     true,
     true,
     "mapi32.dll",
     "C:\\Office",
     EMapiSource::Default,
     1},
};

class MapiLocation : public testing::TestWithParam<CLocationCase>
{
};

TEST_P(MapiLocation, ChoosesTheLibrary)
{
    const CLocationCase& c = GetParam();
    auto registry = CreateMemoryRegistry();
    if (c.m_szDllPathEx)
    {
        ASSERT_EQ(registry->SetValue(ERegRoot::LocalMachine, kOutlookClientKey, kDllPathExValue, kRegSz,
                                     c.m_szDllPathEx, std::strlen(c.m_szDllPathEx) + 1),
                  kErrorSuccess);
    }
    const std::set<std::string> files(c.m_vFiles.begin(), c.m_vFiles.end());
    std::vector<const char*> asked;
    CMapiLocationProbes probes;
    probes.m_fnFileExists = [&](const std::string& p_sPath) { return files.count(p_sPath) != 0; };
    if (!c.m_vAnswers.empty())
        probes.m_fnComponentPath = [&](const char* p_szQualifier, std::string& p_sPath) {
            const size_t n = asked.size();
            asked.push_back(p_szQualifier);
            p_sPath = c.m_vAnswers.at(n);
            return !p_sPath.empty();
        };

    const CMapiLocation where = LocateMapiLibrary(*registry, probes, c.m_bInternetMailOnly, c.m_bNt);
    EXPECT_EQ(where.m_sLibrary, c.m_szLibrary);
    EXPECT_EQ(where.m_sCurrentDirectory, c.m_szCurrentDirectory);
    EXPECT_EQ(where.m_eSource, c.m_eSource);
    ASSERT_EQ(asked.size(), c.m_nQueries);
    // The qualifiers go in their fixed order, the last one empty.
    for (size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(asked[i], kMapiQualifiers[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, MapiLocation, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CLocationCase>& p_info) { return p_info.param.m_szName; });

TEST(MapiLocationContract, QualifiersAndComponent)
{
    EXPECT_STREQ(kMapiComponentId, "{FF1D0740-D227-11D1-A4B0-006008AF820E}");
    EXPECT_STREQ(kMapiQualifiers[0], "Microsoft\\Office\\9.0\\Outlook");
    EXPECT_STREQ(kMapiQualifiers[1], "Microsoft\\Office\\9.0\\Common\\LanguageResources");
    EXPECT_EQ(kMapiQualifiers[2], nullptr);
}

TEST(MapiLocationContract, NonStringDllPathExIsIgnored)
{
    auto registry = CreateMemoryRegistry();
    const uint32_t dw = 1;
    ASSERT_EQ(
        registry->SetValue(ERegRoot::LocalMachine, kOutlookClientKey, kDllPathExValue, kRegDword, &dw, sizeof(dw)),
        kErrorSuccess);
    CMapiLocationProbes probes;
    probes.m_fnFileExists = [](const std::string&) { return true; };
    EXPECT_EQ(LocateMapiLibrary(*registry, probes, false, true).m_sLibrary, "mapi32.dll");
}
} // namespace
