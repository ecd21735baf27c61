// tests/unit/ccmobile/hook_command_line_test.cpp: the process kinds Penhold serves and the process
// id Launcher reads, from command lines as Windows gives them.
#include "wordhook/hook_command_line.h"

#include <gtest/gtest.h>

TEST(HookCommandLine, ProcessKindByProgramNameAnyCase)
{
    EXPECT_EQ(EProcessKind::Word, ProcessKindOf(R"("C:\Program Files\Microsoft Office\Office11\WINWORD.EXE" /n)"));
    EXPECT_EQ(EProcessKind::Word, ProcessKindOf(R"(c:\office\winword.exe)"));
    EXPECT_EQ(EProcessKind::Outlook, ProcessKindOf(R"("C:\Office\OUTLOOK.EXE" /recycle)"));
    EXPECT_EQ(EProcessKind::Launcher, ProcessKindOf(R"("C:\Program Files\Brevolt\Launcher.exe" Hook 1234)"));
    EXPECT_EQ(EProcessKind::Tester, ProcessKindOf(R"(Z:\build\penhold_tester.exe --gtest_color=no)"));
    // Word started with a document from a folder named after Outlook is still Word.
    EXPECT_EQ(EProcessKind::Word, ProcessKindOf(R"(WINWORD.EXE "C:\OUTLOOK.EXE notes\a.doc")"));
    for (const char* szOther :
         {"", "explorer.exe", R"(C:\windows\notepad.exe)", "OUTLOOK110.EXE", "WINWORD.EX", "msimn.exe", "OUTLOOK"})
        EXPECT_EQ(EProcessKind::Other, ProcessKindOf(szOther)) << szOther;
}

TEST(HookCommandLine, ProcessIdAfterHookAndOneSeparator)
{
    EXPECT_EQ(1234u, HookedProcessId(R"("C:\Brevolt\Launcher.exe" Hook 1234)"));
    EXPECT_EQ(1234u, HookedProcessId("Launcher.exe Hook:1234"));
    EXPECT_EQ(77u, HookedProcessId("Launcher.exe Hook   77 trailing"));
    EXPECT_EQ(4294967295u, HookedProcessId("Hook 4294967295"));
    // The first "Hook" counts, and it is case-sensitive as the product's own.
    EXPECT_EQ(5u, HookedProcessId("Hook 5 Hook 6"));
    // Whatever character follows "Hook" is the separator.
    EXPECT_EQ(2u, HookedProcessId("Hook12"));
    for (const char* szNone : {"", "Launcher.exe", "Launcher.exe hook 12", "Hook", "Hook ", "Hook x12", "Hook -1",
                               "Hook 4294967296", "Hook 99999999999999999999999"})
        EXPECT_EQ(0u, HookedProcessId(szNone)) << szNone;
}
