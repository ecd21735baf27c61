// tests/e2e/outlook_drive_support_win_test.cpp: the shared driver support's own decisions: when a dump
// of the client's bars counts as the SMS Bar showing a button, how command lines are read, how files
// arriving in a mail folder are counted, and that a child's output and exit code come back.
#include "tests/e2e/outlook_drive_support_win.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{
constexpr char kDump[] = "bar 'Standard' visible position 1 builtin\n"
                         "  control 1 4 'Gateway News' tag 'news' visible enabled permanent - rect 0,0,1,1\n"
                         "bar 'SMS Bar' visible position 1 temporary\n"
                         "  control 1 1 'New SMS' tag 'new' visible enabled temporary face rect 0,0,1,1\n"
                         "bar 'Web' hidden position 1 builtin\n"
                         "  control 1 2 'Contacts' tag 'c' visible enabled permanent - rect 0,0,1,1\n";

TEST(SmsBarHasButton, CountsOnlyButtonsOnTheVisibleSmsBar)
{
    EXPECT_TRUE(SmsBarHasButton(kDump, ""));
    EXPECT_TRUE(SmsBarHasButton(kDump, "New SMS"));
    // The same captions on the bars before and after it are not the SMS Bar's.
    EXPECT_FALSE(SmsBarHasButton(kDump, "Gateway News"));
    EXPECT_FALSE(SmsBarHasButton(kDump, "Contacts"));
    EXPECT_FALSE(SmsBarHasButton(kDump, "New"));
}

TEST(SmsBarHasButton, AHiddenOrMissingBarShowsNothing)
{
    EXPECT_FALSE(SmsBarHasButton("", ""));
    EXPECT_FALSE(SmsBarHasButton("bar 'SMS Bar' hidden position 1 temporary\n"
                                 "  control 1 1 'New SMS' tag 'new' visible enabled temporary face rect 0,0,1,1\n",
                                 "New SMS"));
    // The last bar of the dump has no bar after it to end its controls.
    EXPECT_TRUE(SmsBarHasButton("bar 'SMS Bar' visible position 1 temporary\n"
                                "  control 1 1 'New SMS' tag 'new' visible enabled temporary face rect 0,0,1,1\n",
                                "New SMS"));
}

TEST(ParseOptions, FillsTheNamedSlotsAndRejectsWhatItDoesNotKnow)
{
    const char* szOutlook = nullptr;
    const char* szTo = "";
    char program[] = "drive", outlook[] = "--outlook", exe[] = "C:\\o.exe", to[] = "--to", number[] = "082";
    char unknown[] = "--plugin";
    {
        char* argv[] = {program, outlook, exe, to, number};
        ASSERT_TRUE(ParseOptions(5, argv, {{"--outlook", &szOutlook}, {"--to", &szTo}}));
        EXPECT_STREQ(szOutlook, exe);
        EXPECT_STREQ(szTo, number);
    }
    {
        char* argv[] = {program, outlook, exe, to}; // a name without its value
        EXPECT_FALSE(ParseOptions(4, argv, {{"--outlook", &szOutlook}, {"--to", &szTo}}));
    }
    {
        char* argv[] = {program, unknown, exe}; // an option the driver no longer takes
        EXPECT_FALSE(ParseOptions(3, argv, {{"--outlook", &szOutlook}, {"--to", &szTo}}));
    }
}

TEST(DriveSupport, CountsFilesNotFoldersAndRunsChildren)
{
    const std::string folder = TempFile("brevolt-drive-support-test");
    EXPECT_EQ(CountFiles(folder + "\\missing"), 0);
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    for (const char* name : {"\\a.eml", "\\b.eml"})
        std::ofstream(folder + name) << "mail";
    EXPECT_EQ(CountFiles(folder), 2);
    EXPECT_EQ(ReadText(folder + "\\a.eml"), "mail");

    std::string output;
    EXPECT_EQ(::Run("cmd /c echo hello & exit 3", &output), 3);
    EXPECT_NE(output.find("hello"), std::string::npos);
    EXPECT_EQ(::Run(Quoted(folder + "\\no such program.exe")), -1);
    for (const char* name : {"\\a.eml", "\\b.eml"})
        DeleteFileA((folder + name).c_str());
    RemoveDirectoryA((folder + "\\sub").c_str());
    RemoveDirectoryA(folder.c_str());
}
} // namespace
