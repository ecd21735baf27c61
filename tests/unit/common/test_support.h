// tests/unit/common/test_support.h: what the shared runtime tests need from each platform.
#pragma once

#include "common/registry.h"

#include <string>

// The registry the settings tests run against: the real one under Wine, a fresh in-memory
// tree natively. The product's keys are emptied before each test.
Registry& RegistryUnderTest();
void ResetProductKeys();

// A new empty directory for one test.
std::string MakeTestDirectory(const std::string& p_sName);
std::string ReadWholeFile(const std::string& p_sPath);
void WriteWholeFile(const std::string& p_sPath, const std::string& p_sContents);
bool SetEnvironment(const std::string& p_sName, const std::string& p_sValue);
