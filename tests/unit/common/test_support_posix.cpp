// tests/unit/common/test_support_posix.cpp: native test helpers.
#include "tests/unit/common/test_support.h"

#include "common/settings.h"

#include <cstdlib>

Registry& RegistryUnderTest()
{
    return SystemRegistry();
}

void ResetProductKeys()
{
    RegistryUnderTest().DeleteTree(ERegRoot::CurrentUser, kUserKey);
    RegistryUnderTest().DeleteTree(ERegRoot::LocalMachine, kInstallKey);
}

bool SetEnvironment(const std::string& p_sName, const std::string& p_sValue)
{
    return setenv(p_sName.c_str(), p_sValue.c_str(), 1) == 0;
}
