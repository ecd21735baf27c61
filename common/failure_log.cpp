// common/failure_log.cpp: formatting and writing the one failure line.
#include "common/failure_log.h"

#include "common/platform.h"
#include "common/trace_log.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

namespace
{
// The end of the parameter list that belongs to the name: the first '(' at template depth 0
// that is not part of "operator()" and not the start of a lambda's "(...)::" context.
size_t NameEnd(std::string_view p_s)
{
    int angles = 0;
    for (size_t i = 0; i < p_s.size(); ++i)
    {
        const char c = p_s[i];
        if (c == '<')
            ++angles;
        else if (c == '>' && angles > 0)
            --angles;
        else if (c == '(' && angles == 0)
        {
            if (i >= 8 && p_s.substr(i - 8, 8) == "operator")
            {
                ++i; // "operator()": skip the ')' too
                continue;
            }
            return i;
        }
    }
    return p_s.size();
}

// The start of the name: after the last space at template depth 0 before p_nEnd (the return
// type and qualifiers come before it).
size_t NameStart(std::string_view p_s, size_t p_nEnd)
{
    int angles = 0;
    size_t start = 0;
    for (size_t i = 0; i < p_nEnd; ++i)
    {
        const char c = p_s[i];
        if (c == '<')
            ++angles;
        else if (c == '>' && angles > 0)
            --angles;
        else if (c == ' ' && angles == 0)
            start = i + 1;
    }
    return start;
}
} // namespace

std::string FunctionNameOf(const char* p_szPrettyFunction)
{
    if (p_szPrettyFunction == nullptr)
        return std::string();
    const std::string_view pretty(p_szPrettyFunction);
    const size_t end = NameEnd(pretty);
    std::string name(pretty.substr(NameStart(pretty, end), end - NameStart(pretty, end)));
    // A file's private helpers are named by their function alone.
    static constexpr std::string_view kAnonymous = "{anonymous}::";
    for (size_t at = name.find(kAnonymous); at != std::string::npos; at = name.find(kAnonymous, at))
        name.erase(at, kAnonymous.size());
    // A lambda's context reads "Outer(args)::<lambda(...)>": keep "Outer" and mark the lambda.
    if (end < pretty.size() && pretty.find("<lambda", end) != std::string_view::npos)
        name += "::<lambda>";
    return name;
}

std::string FormatResult(EResultKind p_eKind, uint32_t p_dwResult)
{
    char buffer[32];
    switch (p_eKind)
    {
    case EResultKind::HResult:
        std::snprintf(buffer, sizeof buffer, "hr 0x%08X", static_cast<unsigned>(p_dwResult));
        break;
    case EResultKind::MapiResult:
        std::snprintf(buffer, sizeof buffer, "MAPI 0x%08X", static_cast<unsigned>(p_dwResult));
        break;
    case EResultKind::Win32Error:
    default:
        std::snprintf(buffer, sizeof buffer, "error %u", static_cast<unsigned>(p_dwResult));
        break;
    }
    return buffer;
}

void LogCallFailure(const char* p_szPrettyFunction, const char* p_szCall, EResultKind p_eKind, uint32_t p_dwResult)
{
    const std::string name = FunctionNameOf(p_szPrettyFunction);
    Log("%s: %s failed: %s", name.c_str(), p_szCall != nullptr ? p_szCall : "",
        FormatResult(p_eKind, p_dwResult).c_str());
}

void LogFailure(const char* p_szPrettyFunction, const char* p_szFormat, ...)
{
    va_list args;
    va_start(args, p_szFormat);
    const std::string text = FormatVarArgs(p_szFormat, args);
    va_end(args);
    const std::string name = FunctionNameOf(p_szPrettyFunction);
    Log("%s: %s", name.c_str(), text.c_str());
}

uint32_t failure_log::LastError()
{
    return platform::GetLastErrorCode();
}
