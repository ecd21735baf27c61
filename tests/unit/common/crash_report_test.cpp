// tests/unit/common/crash_report_test.cpp: names and line formats of the crash report.
#include "common/crash_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace
{
using ::testing::HasSubstr;

TEST(CrashNames, ExceptionCodes)
{
    EXPECT_STREQ(ExceptionName(0xC0000005u), "EXCEPTION_ACCESS_VIOLATION");
    EXPECT_STREQ(ExceptionName(0xC00000FDu), "EXCEPTION_STACK_OVERFLOW");
    EXPECT_STREQ(ExceptionName(0x80000003u), "EXCEPTION_BREAKPOINT");
    EXPECT_STREQ(ExceptionName(0xC0000094u), "EXCEPTION_INT_DIVIDE_BY_ZERO");
    EXPECT_STREQ(ExceptionName(0xE06D7363u), "Unknown exception type");
    EXPECT_STREQ(ExceptionName(0), "Unknown exception type");
}

TEST(CrashNames, OperatingSystems)
{
    struct
    {
        uint32_t m_dwPlatform, m_dwMajor, m_dwMinor;
        const char* m_szName;
    } const cases[] = {
        {1, 4, 0, "Windows 95"}, {1, 4, 10, "Windows 98"},         {1, 4, 90, "Windows ME"},
        {1, 4, 3, "Not Found"},  {2, 4, 0, "Windows NT 4.0"},      {2, 5, 0, "Windows 2000"},
        {2, 5, 1, "Windows XP"}, {2, 5, 2, "Windows Server 2003"}, {2, 6, 1, "Windows Vista"},
        {2, 10, 0, "Not Found"}, {0, 5, 1, "Not Found"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(OperatingSystemName(c.m_dwPlatform, c.m_dwMajor, c.m_dwMinor), c.m_szName)
            << c.m_dwPlatform << " " << c.m_dwMajor << "." << c.m_dwMinor;
    EXPECT_EQ(ServicePackText(""), "No Service Pack installed");
    EXPECT_EQ(ServicePackText("Service Pack 2"), "Service Pack 2");
}

TEST(CrashFormat, HeaderAndLines)
{
    CCrashFacts facts;
    facts.m_sApplication = "C:\\Quillet.exe";
    facts.m_dwProcessId = 42;
    facts.m_dwThreadId = 7;
    facts.m_dwCode = 0xC0000005u;
    facts.m_qwAddress = 0x401000;
    facts.m_sOperatingSystem = "Windows XP";
    facts.m_sServicePack = "No Service Pack installed";
    EXPECT_EQ(FormatCrashHeader(facts),
              "Application\t\tC:\\Quillet.exe\r\nProcess\t\t\t42 \r\nThread\t\t\t\t7\r\nException\t\t\t0xC0000005 "
              "(EXCEPTION_ACCESS_VIOLATION)\r\nLocation\t\t\t0x00401000\r\nOperating System\tWindows XP\r\nService "
              "Pack\t\tNo Service Pack installed\r\n\r\n");
    facts.m_qwAddress = 0x140001234ull;
    EXPECT_THAT(FormatCrashHeader(facts), HasSubstr("Location\t\t\t0x140001234\r\n"));
    EXPECT_EQ(FormatStackTraceTitle(), "Stack trace is as follows\r\n" + std::string(65, '-') + "\r\n");
    EXPECT_EQ(FormatModuleLine("C:\\a.dll"), "Module: C:\\a.dll\n");
    EXPECT_EQ(FormatVersionLine(1, 0, 0, 1), "version: 1.0.0.1\n");
    EXPECT_EQ(FormatOffsetLine(0x1F), "    offset: 0x0000001F\r\n");
    EXPECT_EQ(FormatHandlerCrashTitle(0xC0000005u),
              "An exception occurred in the unhandled exception filter of type 0xC0000005\r\n");
}
} // namespace
