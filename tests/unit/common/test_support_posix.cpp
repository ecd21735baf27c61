// tests/unit/common/test_support_posix.cpp: native test helpers.
#include "tests/unit/common/test_support.h"

#include "common/settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

Registry& RegistryUnderTest()
{
    return SystemRegistry();
}

void ResetProductKeys()
{
    RegistryUnderTest().DeleteTree(ERegRoot::CurrentUser, kUserKey);
    RegistryUnderTest().DeleteTree(ERegRoot::LocalMachine, kInstallKey);
}

std::string MakeTestDirectory(const std::string& p_sName)
{
    const auto dir = std::filesystem::temp_directory_path() / ("brevolt-test-" + std::to_string(getpid())) / p_sName;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string ReadWholeFile(const std::string& p_sPath)
{
    std::ifstream in(p_sPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& p_sPath, const std::string& p_sContents)
{
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out << p_sContents;
}

bool SetEnvironment(const std::string& p_sName, const std::string& p_sValue)
{
    return setenv(p_sName.c_str(), p_sValue.c_str(), 1) == 0;
}
