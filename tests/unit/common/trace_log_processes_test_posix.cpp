// tests/unit/common/trace_log_processes_test_posix.cpp: two processes append to one trace file.
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
TEST(TraceLogProcesses, TwoWritersProduceOnlyWholeLines)
{
    const std::string dir = MakeTestDirectory("processes");
    constexpr int kLines = 400;
    pid_t children[2];
    for (int c = 0; c < 2; ++c)
    {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0)
        {
            CLogger logger(reinterpret_cast<const void*>(&MakeTestDirectory), dir);
            const std::string payload(150, static_cast<char>('p' + c));
            for (int i = 0; i < kLines; ++i)
                logger.Log("writer %d line %d %s", c, i, payload.c_str());
            _exit(0);
        }
    }
    for (pid_t child : children)
    {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // The writers cross the size limit several times; every line that survives is whole.
    const std::string text = ReadWholeFile(LogFilePath(dir, "trace"));
    size_t start = 0;
    int whole = 0;
    const std::string restart = kTraceRestartNote;
    if (text.compare(0, restart.size(), restart) == 0)
        start = restart.size();
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        const std::string line = text.substr(start, end - start);
        const size_t at = line.find(" writer ");
        ASSERT_NE(at, std::string::npos) << line.substr(0, 200);
        const char mark = line.back();
        ASSERT_TRUE(mark == 'p' || mark == 'q') << line.substr(0, 200);
        ASSERT_EQ(line.substr(line.size() - 150), std::string(150, mark)) << "a line was torn";
        ++whole;
    }
    EXPECT_EQ(start, text.size()) << "the file ends with a complete line";
    EXPECT_GT(whole, 100);
}
} // namespace
