// wordhook/hook_command_line.h: what Penhold and Launcher read from a command line: the kind of
// process Penhold is loaded into, and the process id Launcher is told to watch. Portable.
#pragma once

#include <cstdint>
#include <string_view>

enum class EProcessKind
{
    Other = 0,
    Word = 1,
    Outlook = 2,
    Launcher = 3,
    Tester = 4
};

// By the program names the command line contains, case-insensitively, in this order: WINWORD.EXE,
// OUTLOOK.EXE, LAUNCHER.EXE, TESTER.EXE.
EProcessKind ProcessKindOf(std::string_view p_sCommandLine);

// The unsigned decimal after the first "Hook" and one separator (leading blanks skipped); 0 when
// there is no "Hook", no digits, or a number that does not fit 32 bits.
uint32_t HookedProcessId(std::string_view p_sCommandLine);
