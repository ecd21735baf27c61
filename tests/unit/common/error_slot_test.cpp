// tests/unit/common/error_slot_test.cpp: table texts with arguments, and how errors travel.
#include "common/error_slot.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
const CStringTable::CEntry g_aEntries[] = {
#define MSG(id, text) {id, text},
#include "tests/unit/common/test_strings.inc"
#undef MSG
};
const CStringTable g_oTable(g_aEntries);

std::string g_sShownCaption;
std::string g_sShownText;
void RecordPresenter(const std::string& p_sCaption, const std::string& p_sText)
{
    g_sShownCaption = p_sCaption;
    g_sShownText = p_sText;
}

TEST(ErrorSlot, FormatsTableTextsWithArguments)
{
    EXPECT_EQ(FormatTableMessage(g_oTable, 218, "RegOpenKeyEx", 0x80004005u, "CRegistry::ReadRegistry"),
              "Calling function 'RegOpenKeyEx' resulted in error 0x80004005 in function 'CRegistry::ReadRegistry'.");
    EXPECT_EQ(FormatTableMessage(g_oTable, 221, "Corvane.dll", 126),
              "Failed to load 'Corvane.dll' with error code 126.");
    EXPECT_EQ(FormatTableMessage(g_oTable, 9999), "String 9999 not found");
}

TEST(ErrorSlot, SetCopyClear)
{
    CErrorSlot inner;
    EXPECT_FALSE(inner.IsSet());
    inner.Set(g_oTable, 227, "CEmailSender", "email_sender.cpp");
    EXPECT_TRUE(inner.IsSet());
    EXPECT_EQ(inner.Id(), 227u);
    EXPECT_EQ(inner.Text(), "Error Constructing Object 'CEmailSender' in file 'email_sender.cpp'.");

    CErrorSlot outer;
    outer.CopyFrom(inner);
    EXPECT_EQ(outer.Id(), 227u);
    EXPECT_EQ(outer.Text(), inner.Text());
    inner.Clear();
    EXPECT_FALSE(inner.IsSet());
    EXPECT_TRUE(outer.IsSet()) << "a copy does not follow its source";
}

TEST(ErrorSlot, ReportShowsThroughThePresenter)
{
    const ErrorPresenter previous = GetErrorPresenter();
    SetErrorPresenter(RecordPresenter);
    CErrorSlot error;
    error.Set(g_oTable, 232);
    ReportError(error);
    EXPECT_EQ(g_sShownCaption, "Brevolt SMS");
    EXPECT_EQ(g_sShownText, "An error occurred");

    g_sShownText.clear();
    ReportError(error, false);
    EXPECT_EQ(g_sShownText, "") << "a report that is not shown only reaches the log";
    ReportError(CErrorSlot());
    EXPECT_EQ(g_sShownText, "") << "an empty slot reports nothing";
    SetErrorPresenter(previous);
}

TEST(ErrorSlot, AQuietThreadOnlyLogs)
{
    const ErrorPresenter previous = GetErrorPresenter();
    SetErrorPresenter(RecordPresenter);
    CErrorSlot error;
    error.Set(g_oTable, 232);
    g_sShownText.clear();
    {
        const CQuietErrors quiet;
        {
            const CQuietErrors nested;
        }
        ReportError(error);
        EXPECT_EQ(g_sShownText, "") << "a nested scope's end leaves the thread quiet";
        std::thread other([&] { ReportError(error); });
        other.join();
        EXPECT_EQ(g_sShownText, "An error occurred") << "another thread still shows its errors";
    }
    g_sShownText.clear();
    ReportError(error);
    EXPECT_EQ(g_sShownText, "An error occurred") << "the thread shows errors again after the scope";
    SetErrorPresenter(previous);
}
} // namespace
