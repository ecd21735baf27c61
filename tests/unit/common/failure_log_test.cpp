// tests/unit/common/failure_log_test.cpp: the failure line's function name, result and text, and
// whole-file reads with their limit.
#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace
{
using ::testing::HasSubstr;

struct CNameCase
{
    const char* m_szPretty;
    const char* m_szName;
};

TEST(FailureLog, FunctionNamesLoseTheirReturnTypeAndParameters)
{
    const CNameCase cases[] = {
        {"bool CRuleManager::LoadRulesFromRegistry()", "CRuleManager::LoadRulesFromRegistry"},
        {"static HRESULT CQuillet::Create(IUnknown*, const std::string&) const", "CQuillet::Create"},
        {"void Free()", "Free"},
        {"std::vector<std::pair<int, int> > ns::CList<int>::Pairs(std::map<int, int>)", "ns::CList<int>::Pairs"},
        {"bool CSMSWindow::OnCommand(WPARAM)::<lambda()>", "CSMSWindow::OnCommand::<lambda>"},
        {"int CDialog::operator()(int)", "CDialog::operator()"},
        {"Plain", "Plain"},
        {"bool {anonymous}::ReadRule(const string&)", "ReadRule"},
        {"void ns::{anonymous}::CDialog::Ok()", "ns::CDialog::Ok"},
    };
    for (const CNameCase& c : cases)
        EXPECT_EQ(FunctionNameOf(c.m_szPretty), c.m_szName) << c.m_szPretty;
}

TEST(FailureLog, ResultsPrintByKind)
{
    EXPECT_EQ(FormatResult(EResultKind::HResult, 0x80004005u), "hr 0x80004005");
    EXPECT_EQ(FormatResult(EResultKind::MapiResult, 0x8004010Fu), "MAPI 0x8004010F");
    EXPECT_EQ(FormatResult(EResultKind::Win32Error, 5), "error 5");
}

int32_t Fails()
{
    return static_cast<int32_t>(0x80070005u);
}

int32_t FailingStep()
{
    RETURN_IF_FAILED(Fails());
    return 0;
}

TEST(FailureLog, FailuresAreLoggedOnceWithFunctionCallAndResultAndSuccessesNotAtAll)
{
    EXPECT_EQ(LOG_IF_FAILED(static_cast<int32_t>(0)), 0);
    EXPECT_EQ(LOG_IF_WIN32_ERROR(0L), 0L);
    EXPECT_EQ(FailingStep(), static_cast<int32_t>(0x80070005u));
    EXPECT_EQ(LOG_IF_WIN32_ERROR(2L), 2L);
    LOG_FAILURE("slot %u could not be cleared", 3u);

    const std::string log = ReadWholeFile(ModuleLogger().FilePath());
    EXPECT_THAT(log, HasSubstr("FailingStep: Fails() failed: hr 0x80070005"));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("LOG_IF_WIN32_ERROR(2L)"))) << "the macro's own text is not the call's";
    EXPECT_THAT(log, HasSubstr(": 2L failed: error 2"));
    EXPECT_THAT(log, HasSubstr(": slot 3 could not be cleared"));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("static_cast<int32_t>(0) failed")));
}

TEST(FileRead, WholeFilesAreReadAndOversizedOrMissingOnesLeaveNothing)
{
    const std::string path = ::testing::TempDir() + "file_read_test.bin";
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(40000, 'x') << '\0' << "end";
    }
    std::string bytes = "stale";
    ASSERT_EQ(ReadWholeFile(path, bytes), EReadFile::Read);
    EXPECT_EQ(bytes.size(), 40004u);
    EXPECT_EQ(bytes.substr(40001), "end");

    bytes = "stale";
    EXPECT_EQ(ReadWholeFile(path, bytes, 40003), EReadFile::TooLarge);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadWholeFile(path + ".missing", bytes), EReadFile::Missing);
    EXPECT_TRUE(bytes.empty());
    std::remove(path.c_str());
}
} // namespace
