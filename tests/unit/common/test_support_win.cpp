// tests/unit/common/test_support_win.cpp: test helpers on Windows (run under wine64).
#include "tests/unit/common/test_support.h"

#include "common/settings.h"

#include <windows.h>

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
    return SetEnvironmentVariableA(p_sName.c_str(), p_sValue.c_str()) != 0;
}
