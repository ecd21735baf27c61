// tests/unit/common/test_support.cpp: the helpers that are the same on every platform.
#include "tests/unit/common/test_support.h"

#include "common/file_read.h"
#include "common/platform.h"

#include <filesystem>
#include <fstream>

std::string MakeTestDirectory(const std::string& p_sName)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("brevolt-test-" + std::to_string(platform::CurrentProcessId())) / p_sName;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string ReadWholeFile(const std::string& p_sPath)
{
    // A missing or unreadable file reads as empty, as the tests expect of a file not written.
    std::string bytes;
    static_cast<void>(::ReadWholeFile(p_sPath, bytes));
    return bytes;
}

void WriteWholeFile(const std::string& p_sPath, const std::string& p_sContents)
{
    std::ofstream out(p_sPath, std::ios::binary | std::ios::trunc);
    out << p_sContents;
}
