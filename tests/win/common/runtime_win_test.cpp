// tests/win/common/runtime_win_test.cpp: the runtime against real Windows: processes sharing
// the trace log, crash reports of real crashes, the filter's protection, resource strings.
#include "common/boundary.h"
#include "common/crash_report.h"
#include "common/error_slot.h"
#include "common/handle_win.h"
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace
{
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string ChildPath()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1) + "common_child.exe";
}

// Starts the child with TMP and TEMP pointing at p_sTemp, so its logger and crash report
// write there. Returns its exit code, or -1 when it did not end within a minute. With
// p_phProcess the child is left running and its process handle handed over.
long RunChild(const std::string& p_sArguments, const std::string& p_sTemp, unique_handle* p_phProcess = nullptr,
              std::string* p_psOutput = nullptr)
{
    // The child inherits the environment; the test's own TMP and TEMP are put back after.
    char savedTmp[MAX_PATH] = "";
    char savedTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableA("TMP", p_sTemp.c_str());
    SetEnvironmentVariableA("TEMP", p_sTemp.c_str());
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    unique_handle readEnd;
    unique_handle writeEnd;
    CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + ChildPath() + "\" " + p_sArguments;
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    // The child holds its own copy of the write end; the pipe ends when the child does.
    writeEnd.reset();
    SetEnvironmentVariableA("TMP", savedTmp[0] != '\0' ? savedTmp : nullptr);
    SetEnvironmentVariableA("TEMP", savedTemp[0] != '\0' ? savedTemp : nullptr);
    EXPECT_TRUE(started) << command;
    if (!started)
        return -1;
    const unique_handle thread(process.hThread);
    unique_handle child(process.hProcess);
    if (p_phProcess != nullptr)
    {
        *p_phProcess = std::move(child);
        return 0;
    }
    std::string output;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        output.append(buffer, got);
    if (p_psOutput != nullptr)
        *p_psOutput = output;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(child.get(), 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(child.get(), &code);
    return static_cast<long>(code);
}

TEST(TraceLogWin, TwoProcessesProduceOnlyWholeLines)
{
    const std::string dir = MakeTestDirectory("two-processes");
    unique_handle first;
    unique_handle second;
    RunChild("log \"" + dir + "\" 400 p", dir, &first);
    RunChild("log \"" + dir + "\" 400 q", dir, &second);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    HANDLE both[] = {first.get(), second.get()};
    ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, 120000), WAIT_OBJECT_0);

    std::string text = ReadWholeFile(LogFilePath(dir, "trace"));
    if (text.rfind(kTraceRestartNote, 0) == 0)
        text.erase(0, std::char_traits<char>::length(kTraceRestartNote));
    size_t start = 0;
    int whole = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        const std::string line = text.substr(start, end - start);
        const char mark = line.empty() ? '?' : line.back();
        ASSERT_TRUE(mark == 'p' || mark == 'q') << line.substr(0, 200);
        ASSERT_EQ(line.substr(line.size() - 150), std::string(150, mark)) << "a line was torn";
        ASSERT_THAT(line, HasSubstr(" common_child.exe ")) << line.substr(0, 120);
        ++whole;
    }
    EXPECT_EQ(start, text.size());
    EXPECT_GT(whole, 100);
}

struct CCrashCase
{
    const char* m_szArguments;
    const char* m_szException;
    bool m_bFramesInChild;
};

class CrashReportWin : public ::testing::TestWithParam<CCrashCase>
{
};

TEST_P(CrashReportWin, ChildCrashLeavesAReport)
{
    const CCrashCase& c = GetParam();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& ch : name)
        ch = (ch == '/') ? '-' : ch;
    const std::string temp = MakeTestDirectory(name);
    const long code = RunChild(c.m_szArguments, temp);
    EXPECT_NE(code, 0);
    const std::string report = ReadWholeFile(temp + "\\Brevolt SMS\\crash.log");
    ASSERT_FALSE(report.empty()) << "no crash.log";
    EXPECT_THAT(report, StartsWith("Application\t\t"));
    EXPECT_THAT(report, HasSubstr("common_child.exe\r\nProcess\t\t\t"));
    EXPECT_THAT(report, HasSubstr(std::string("(") + c.m_szException + ")\r\nLocation\t\t\t0x"));
    EXPECT_THAT(report, HasSubstr("\r\nOperating System\t"));
    EXPECT_THAT(report, HasSubstr("\r\nService Pack\t\t"));
    EXPECT_THAT(report, HasSubstr("\r\n\r\nStack trace is as follows\r\n" + std::string(65, '-') + "\r\n"));
    if (c.m_bFramesInChild)
    {
        // The fault lies in the child, three frames below main: all in one module.
        EXPECT_THAT(report, HasSubstr("common_child.exe\nversion: 1.0.0.1\n    offset: 0x"));
        size_t offsets = 0;
        for (size_t at = report.find("    offset: 0x"); at != std::string::npos;
             at = report.find("    offset:", at + 1))
            ++offsets;
        EXPECT_GE(offsets, 4u) << report;
    }
    const std::string trace = ReadWholeFile(temp + "\\Brevolt SMS\\trace.log");
    EXPECT_THAT(trace, HasSubstr("child about to crash"));
}

INSTANTIATE_TEST_SUITE_P(Crashes, CrashReportWin,
                         ::testing::Values(CCrashCase{"crash-av", "EXCEPTION_ACCESS_VIOLATION", true},
                                           CCrashCase{"guarded-then-crash", "EXCEPTION_ACCESS_VIOLATION", true},
                                           CCrashCase{"crash-code E0001234", "Unknown exception type", false},
                                           CCrashCase{"crash-code C0000094", "EXCEPTION_INT_DIVIDE_BY_ZERO", false}));

TEST(CrashReportWin, FaultInsideTheFilterWritesHandlerCrash)
{
    const std::string temp = MakeTestDirectory("crash-in-filter");
    EXPECT_NE(RunChild("crash-in-filter", temp), 0);
    const std::string report = ReadWholeFile(temp + "\\Brevolt SMS\\handler_crash.log");
    EXPECT_THAT(report, StartsWith("An exception occurred in the unhandled exception filter of type 0xC0000005\r\n"
                                   "Stack trace is as follows\r\n"));
    EXPECT_THAT(report, HasSubstr("common_child.exe\n    offset: 0x")) << "no version lines in this report";
    // The crash report itself got as far as its header before the fault.
    EXPECT_THAT(ReadWholeFile(temp + "\\Brevolt SMS\\crash.log"), HasSubstr("Stack trace is as follows"));
}

TEST(CrashReportWin, FilterCannotBeReplaced)
{
    const std::string temp = MakeTestDirectory("replace-filter");
    std::string output;
    EXPECT_EQ(RunChild("replace-filter", temp, nullptr, &output), 0);
    EXPECT_THAT(output, HasSubstr("blocked"));
}

__attribute__((noinline)) int Divide(int p_iBy)
{
    volatile int by = p_iBy;
    return 100 / by;
}

TEST(BoundaryWin, HardwareFaultsBecomeTheFailureValue)
{
    EXPECT_EQ(TrapExceptions("WritesNull", -1,
                             [] {
                                 *static_cast<volatile int*>(nullptr) = 1;
                                 return 0;
                             }),
              -1);
    EXPECT_EQ(TrapExceptions("DividesByZero", -1, [] { return Divide(0); }), -1);
    // A fault inside a nested guard stays inside it; the outer body goes on.
    const int outer = TrapExceptions("Outer", -1, [] {
        const int inner = TrapExceptions("Inner", -2, [] {
            *static_cast<volatile int*>(nullptr) = 1;
            return 0;
        });
        return inner * 10;
    });
    EXPECT_EQ(outer, -20);
    EXPECT_EQ(TrapExceptions("Fine", -1, [] { return Divide(4); }), 25);
    const std::string trace = ReadWholeFile(ModuleLogger().FilePath());
    EXPECT_THAT(trace, HasSubstr("Exception of type EXCEPTION_ACCESS_VIOLATION caught in module common_win_test.exe"));
    EXPECT_THAT(trace,
                HasSubstr("Exception of type EXCEPTION_INT_DIVIDE_BY_ZERO caught in module common_win_test.exe"));
    EXPECT_THAT(trace, HasSubstr("Exception trapped in Inner"));
}

TEST(StringTableWin, ResourceTableMatchesTheCompiledTable)
{
    const CStringTable::CEntry entries[] = {
#define MSG(id, text) {id, text},
#include "tests/unit/common/test_strings.inc"
#undef MSG
    };
    for (const auto& entry : entries)
    {
        char buffer[1024];
        const int n = LoadStringA(GetModuleHandleA(nullptr), entry.m_uId, buffer, sizeof(buffer));
        ASSERT_GT(n, 0) << entry.m_uId;
        EXPECT_EQ(std::string(buffer, n), entry.m_szText);
    }
}

TEST(TraceLogWin, ModuleLoggerWritesToTheTemporaryFolder)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(ModuleLogger().FilePath(), std::string(temp) + "Brevolt SMS\\trace.log");
    Log("runtime test line with\r\nbreaks");
    const std::string trace = ReadWholeFile(ModuleLogger().FilePath());
    EXPECT_THAT(trace, HasSubstr(" common_win_test.exe runtime test line withbreaks\r\n"));
}
} // namespace
