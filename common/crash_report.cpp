// common/crash_report.cpp: the portable half of the crash report: names and line formats.
#include "common/crash_report.h"

#include <cstdio>

namespace
{
struct CExceptionName
{
    uint32_t m_dwCode;
    const char* m_szName;
};

// Codes as the platform defines them (winnt.h STATUS_* values).
constexpr CExceptionName g_aExceptionNames[] = {
    {0xC0000005u, "EXCEPTION_ACCESS_VIOLATION"},     {0xC000008Cu, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0x80000003u, "EXCEPTION_BREAKPOINT"},           {0x80000002u, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0xC000008Du, "EXCEPTION_FLT_DENORMAL_OPERAND"}, {0xC000008Eu, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, "EXCEPTION_FLT_INEXACT_RESULT"},   {0xC0000090u, "EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091u, "EXCEPTION_FLT_OVERFLOW"},         {0xC0000092u, "EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093u, "EXCEPTION_FLT_UNDERFLOW"},        {0x80000001u, "EXCEPTION_GUARD_PAGE"},
    {0xC000001Du, "EXCEPTION_ILLEGAL_INSTRUCTION"},  {0xC0000094u, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xC0000095u, "EXCEPTION_INT_OVERFLOW"},         {0xC0000026u, "EXCEPTION_INVALID_DISPOSITION"},
    {0xC0000006u, "EXCEPTION_IN_PAGE_ERROR"},        {0xC0000025u, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xC0000096u, "EXCEPTION_PRIV_INSTRUCTION"},     {0x80000004u, "EXCEPTION_SINGLE_STEP"},
    {0xC00000FDu, "EXCEPTION_STACK_OVERFLOW"},
};

std::string Printf(const char* p_szFormat, auto... p_args)
{
    const int n = std::snprintf(nullptr, 0, p_szFormat, p_args...);
    if (n <= 0)
        return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), p_szFormat, p_args...);
    out.resize(static_cast<size_t>(n));
    return out;
}
} // namespace

const char* ExceptionName(uint32_t p_dwCode)
{
    for (const auto& entry : g_aExceptionNames)
    {
        if (entry.m_dwCode == p_dwCode)
            return entry.m_szName;
    }
    return "Unknown exception type";
}

const char* OperatingSystemName(uint32_t p_dwPlatformId, uint32_t p_dwMajor, uint32_t p_dwMinor)
{
    if (p_dwPlatformId == 1)
    {
        switch (p_dwMinor)
        {
        case 0:
            return "Windows 95";
        case 10:
            return "Windows 98";
        case 90:
            return "Windows ME";
        }
        return "Not Found";
    }
    if (p_dwPlatformId == 2)
    {
        if (p_dwMajor == 4)
            return "Windows NT 4.0";
        if (p_dwMajor == 5)
        {
            switch (p_dwMinor)
            {
            case 0:
                return "Windows 2000";
            case 1:
                return "Windows XP";
            case 2:
                return "Windows Server 2003";
            }
            return "Not Found";
        }
        if (p_dwMajor == 6)
            return "Windows Vista";
    }
    return "Not Found";
}

std::string ServicePackText(const std::string& p_sServicePack)
{
    return p_sServicePack.empty() ? std::string("No Service Pack installed") : p_sServicePack;
}

std::string FormatCrashHeader(const CCrashFacts& p_oFacts)
{
    // Addresses are printed with at least eight digits; on 64-bit they may need more.
    return Printf("Application\t\t%s\r\nProcess\t\t\t%u \r\nThread\t\t\t\t%u\r\nException\t\t\t0x%08X "
                  "(%s)\r\nLocation\t\t\t0x%08llX\r\nOperating System\t%s\r\nService Pack\t\t%s\r\n\r\n",
                  p_oFacts.m_sApplication.c_str(), static_cast<unsigned>(p_oFacts.m_dwProcessId),
                  static_cast<unsigned>(p_oFacts.m_dwThreadId), static_cast<unsigned>(p_oFacts.m_dwCode),
                  ExceptionName(p_oFacts.m_dwCode), static_cast<unsigned long long>(p_oFacts.m_qwAddress),
                  p_oFacts.m_sOperatingSystem.c_str(), p_oFacts.m_sServicePack.c_str());
}

std::string FormatStackTraceTitle()
{
    return "Stack trace is as follows\r\n" + std::string(65, '-') + "\r\n";
}

std::string FormatModuleLine(const std::string& p_sModulePath)
{
    return "Module: " + p_sModulePath + "\n";
}

std::string FormatVersionLine(uint16_t p_wMajor, uint16_t p_wMinor, uint16_t p_wBuild, uint16_t p_wRevision)
{
    return Printf("version: %d.%d.%d.%d\n", p_wMajor, p_wMinor, p_wBuild, p_wRevision);
}

std::string FormatOffsetLine(uint64_t p_qwOffset)
{
    return Printf("    offset: 0x%08llX\r\n", static_cast<unsigned long long>(p_qwOffset));
}

std::string FormatHandlerCrashTitle(uint32_t p_dwCode)
{
    return Printf("An exception occurred in the unhandled exception filter of type 0x%08X\r\n",
                  static_cast<unsigned>(p_dwCode));
}
