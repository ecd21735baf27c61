// wordhook/hook_command_line.cpp: the process kind and Launcher's process id.
#include "wordhook/hook_command_line.h"

#include <cctype>
#include <string>

EProcessKind ProcessKindOf(std::string_view p_sCommandLine)
{
    std::string sUpper(p_sCommandLine);
    for (char& c : sUpper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::pair<const char*, EProcessKind> kNames[] = {{"WINWORD.EXE", EProcessKind::Word},
                                                                      {"OUTLOOK.EXE", EProcessKind::Outlook},
                                                                      {"LAUNCHER.EXE", EProcessKind::Launcher},
                                                                      {"TESTER.EXE", EProcessKind::Tester}};
    for (const auto& [szName, eKind] : kNames)
        if (sUpper.find(szName) != std::string::npos)
            return eKind;
    return EProcessKind::Other;
}

uint32_t HookedProcessId(std::string_view p_sCommandLine)
{
    const size_t at = p_sCommandLine.find("Hook");
    if (at == std::string_view::npos || at + 5 > p_sCommandLine.size())
        return 0;
    size_t i = at + 5;
    while (i < p_sCommandLine.size() && (p_sCommandLine[i] == ' ' || p_sCommandLine[i] == '\t'))
        ++i;
    uint64_t qwValue = 0;
    size_t nDigits = 0;
    for (; i < p_sCommandLine.size() && p_sCommandLine[i] >= '0' && p_sCommandLine[i] <= '9'; ++i, ++nDigits)
    {
        qwValue = qwValue * 10 + static_cast<uint64_t>(p_sCommandLine[i] - '0');
        if (qwValue > UINT32_MAX)
            return 0;
    }
    return nDigits > 0 ? static_cast<uint32_t>(qwValue) : 0;
}
