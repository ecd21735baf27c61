// common/crash_report.h: the crash report written when an exception reaches no handler.
// The names, the header and the line formats are portable; the filter itself is Windows only.
#pragma once

#include <cstdint>
#include <string>

// Name of an exception code, or "Unknown exception type".
const char* ExceptionName(uint32_t p_dwCode);

// Operating system name from the platform id and version numbers, or "Not Found".
const char* OperatingSystemName(uint32_t p_dwPlatformId, uint32_t p_dwMajor, uint32_t p_dwMinor);
// The service-pack text, or "No Service Pack installed" when it is empty.
std::string ServicePackText(const std::string& p_sServicePack);

struct CCrashFacts
{
    std::string m_sApplication;
    uint32_t m_dwProcessId = 0;
    uint32_t m_dwThreadId = 0;
    uint32_t m_dwCode = 0;
    uint64_t m_qwAddress = 0;
    std::string m_sOperatingSystem;
    std::string m_sServicePack;
};

// The header block, "Stack trace is as follows" and its rule of 65 dashes.
std::string FormatCrashHeader(const CCrashFacts& p_oFacts);
std::string FormatStackTraceTitle();
std::string FormatModuleLine(const std::string& p_sModulePath);
std::string FormatVersionLine(uint16_t p_wMajor, uint16_t p_wMinor, uint16_t p_wBuild, uint16_t p_wRevision);
std::string FormatOffsetLine(uint64_t p_qwOffset);
std::string FormatHandlerCrashTitle(uint32_t p_dwCode);

// Installs the unhandled-exception filter that writes "crash.log" into p_sDirectory and keeps
// other code from replacing it. False when nothing was installed (natively, or already done).
bool InstallCrashHandler(const std::string& p_sDirectory);
void RemoveCrashHandler();

// Makes the report writer fault after the header, for tests of the handler_crash report.
void SetCrashFilterFaultInjection(bool p_bFault);
