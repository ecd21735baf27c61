// tests/unit/common/trace_log_test.cpp: line format, scopes and the size rule of the trace log,
// run natively and under Wine.
#include "common/trace_log.h"
#include "tests/unit/common/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <thread>

namespace
{
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> Lines(const std::string& p_sText)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = p_sText.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(p_sText.substr(start, end - start));
    if (start < p_sText.size())
        lines.push_back(p_sText.substr(start));
    return lines;
}

// "yyyymmdd hh:mm:ss.mmm PID.TID module[, scope] text", with hex ids in upper case.
bool IsTraceLine(const std::string& p_sLine)
{
    const char* shape = "dddddddd dd:dd:dd.ddd ";
    size_t i = 0;
    for (; shape[i] != '\0'; ++i)
    {
        if (i >= p_sLine.size())
            return false;
        const bool digit = std::isdigit(static_cast<unsigned char>(p_sLine[i])) != 0;
        if (shape[i] == 'd' ? !digit : p_sLine[i] != shape[i])
            return false;
    }
    const auto hex = [&](char p_cEnd) {
        const size_t start = i;
        while (i < p_sLine.size() &&
               (std::isdigit(static_cast<unsigned char>(p_sLine[i])) || (p_sLine[i] >= 'A' && p_sLine[i] <= 'F')))
            ++i;
        return i > start && i < p_sLine.size() && p_sLine[i++] == p_cEnd;
    };
    if (!hex('.') || !hex(' '))
        return false;
    const size_t moduleEnd = p_sLine.find_first_of(", ", i);
    return moduleEnd != std::string::npos && moduleEnd > i && p_sLine.find_first_of("\r\n") == std::string::npos;
}

void AnchorFunction()
{
}

TEST(TraceFormat, PrefixFieldsAndScope)
{
    CTraceTime t;
    t.m_iYear = 2026;
    t.m_iMonth = 3;
    t.m_iDay = 7;
    t.m_iHour = 4;
    t.m_iMinute = 5;
    t.m_iSecond = 6;
    t.m_iMilliseconds = 7;
    EXPECT_EQ(FormatTracePrefix(t, 0x1a2b, 255, "Corvane.dll", nullptr), "20260307 04:05:06.007 1A2B.FF Corvane.dll");
    const std::string scope = "::InitWindow()";
    EXPECT_EQ(FormatTracePrefix(t, 1, 2, "Quillet.exe", &scope),
              "20260307 04:05:06.007 1.2 Quillet.exe, ::InitWindow()");
    EXPECT_EQ(StripLineBreaks("one\r\ntwo\nthree\r"), "onetwothree");
}

TEST(TraceFormat, LogPathsOverTheLimitAreNotBuilt)
{
    EXPECT_THAT(LogFilePath("dir", "trace"), EndsWith("trace.log"));
    EXPECT_EQ(LogFilePath(std::string(250, 'd'), "trace"), "");
    EXPECT_EQ(LogFilePath("", "trace"), "");
    EXPECT_EQ(FileNameOf("C:\\Program Files\\Brevolt\\Corvane.dll"), "Corvane.dll");
    EXPECT_EQ(FileNameOf("/usr/bin/tool"), "tool");
}

TEST(TraceFormat, FormattingGrowsPastTheFirstBuffer)
{
    CLogger logger(reinterpret_cast<const void*>(&AnchorFunction), MakeTestDirectory("grow"));
    const std::string big(5000, 'z');
    logger.Log("<%s>", big.c_str());
    logger.Log(nullptr);
    const auto lines = Lines(ReadWholeFile(logger.FilePath()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_THAT(lines[1], EndsWith(" <" + big + ">"));
    EXPECT_THAT(lines[2], EndsWith(" The application did not indicate what the error was"));
}

TEST(ScopeStack, NestedOpenAndClose)
{
    CScopeStack stack;
    EXPECT_EQ(stack.Innermost(), nullptr);
    stack.Open("outer");
    stack.Open("middle");
    stack.Open("inner");
    EXPECT_EQ(*stack.Innermost(), "inner");
    stack.Close("unknown");
    EXPECT_EQ(stack.Depth(), 3u) << "closing a name that is not open removes nothing";
    stack.Close("middle");
    EXPECT_EQ(stack.Depth(), 1u) << "closing removes up to and including the match";
    EXPECT_EQ(*stack.Innermost(), "outer");
    stack.Open("outer");
    stack.Close("outer");
    EXPECT_EQ(*stack.Innermost(), "outer") << "the latest of two equal names closes first";
    stack.Close("outer");
    EXPECT_TRUE(stack.IsEmpty());
}

TEST(TraceLog, LinesCarryModuleScopeAndOneLineText)
{
    const std::string dir = MakeTestDirectory("lines");
    CLogger logger(reinterpret_cast<const void*>(&AnchorFunction), dir);
    {
        CLogScope outer("CEmailSender::SendSMS", logger);
        logger.Log("sending %d of %s", 3, "7");
        {
            CLogScope inner("COutlookExpress::Send(OE)", logger);
            logger.Log("broken\r\nacross\nlines");
        }
        logger.Log("back out");
    }
    logger.Log("no scope");

    const auto lines = Lines(ReadWholeFile(logger.FilePath()));
    ASSERT_EQ(lines.size(), 5u);
    const std::string module = " " + logger.ModuleName();
    EXPECT_THAT(lines[0], HasSubstr(module + " Logging started in module '" + logger.ModuleName() + "' of process '"));
    EXPECT_THAT(lines[1], EndsWith(module + ", CEmailSender::SendSMS sending 3 of 7"));
    EXPECT_THAT(lines[2], EndsWith(module + ", COutlookExpress::Send(OE) brokenacrosslines"));
    EXPECT_THAT(lines[3], EndsWith(module + ", CEmailSender::SendSMS back out"));
    EXPECT_THAT(lines[4], EndsWith(module + " no scope"));
    for (const auto& line : lines)
        EXPECT_TRUE(IsTraceLine(line)) << line;
    EXPECT_EQ(logger.CurrentScope(), nullptr);
}

TEST(TraceLog, RestartsOnlyBeyondTheLimit)
{
    const std::string dir = MakeTestDirectory("limit");
    const std::string path = LogFilePath(dir, "trace");
    WriteWholeFile(path, std::string(kTraceLogLimit, 'a'));
    CLogger logger(reinterpret_cast<const void*>(&AnchorFunction), dir);
    // Exactly at the limit: appended to.
    std::string text = ReadWholeFile(path);
    ASSERT_GT(text.size(), static_cast<size_t>(kTraceLogLimit));
    EXPECT_EQ(text.substr(0, kTraceLogLimit), std::string(kTraceLogLimit, 'a'));
    EXPECT_EQ(text.find("NOTE:"), std::string::npos);

    // Beyond it: the next line starts a new file behind the note.
    logger.Log("after restart");
    text = ReadWholeFile(path);
    EXPECT_THAT(text, StartsWith(kTraceRestartNote));
    const auto lines = Lines(text.substr(std::char_traits<char>::length(kTraceRestartNote)));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], EndsWith(" after restart"));
}

TEST(TraceLog, ThreadsKeepTheirOwnScopes)
{
    const std::string dir = MakeTestDirectory("threads");
    CLogger logger(reinterpret_cast<const void*>(&AnchorFunction), dir);
    CLogScope mine("main-scope", logger);
    std::thread other([&] {
        EXPECT_EQ(logger.CurrentScope(), nullptr);
        CLogScope theirs("worker-scope", logger);
        logger.Log("from worker");
    });
    other.join();
    logger.Log("from main");
    const auto lines = Lines(ReadWholeFile(logger.FilePath()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_THAT(lines[1], EndsWith(", worker-scope from worker"));
    EXPECT_THAT(lines[2], EndsWith(", main-scope from main"));
}
} // namespace
