// common/trace_log.h: the shared trace log that every module of every process appends to.
// Lines carry time, process, thread, module and the innermost open scope; the file restarts
// once it outgrows its cap so it never fills the disk.
#pragma once

#include "common/platform.h"

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr int64_t kTraceLogLimit = 102400;
constexpr uint32_t kTraceMutexWaitMs = 5000;
constexpr size_t kMaxLogPath = 260;
extern const char* const kTraceRestartNote;
extern const char* const kTraceMutexName;

// A thread's open scopes, innermost last.
class CScopeStack
{
  public:
    void Open(std::string_view p_sName);
    // Removes entries from the end up to and including the latest one named p_sName; a name
    // that is not open removes nothing.
    void Close(std::string_view p_sName);
    bool IsEmpty() const
    {
        return m_vNames.empty();
    }
    const std::string* Innermost() const
    {
        return m_vNames.empty() ? nullptr : &m_vNames.back();
    }
    size_t Depth() const
    {
        return m_vNames.size();
    }

  private:
    std::vector<std::string> m_vNames;
};

// The line prefix: "%04d%02d%02d %02d:%02d:%02d.%03d %X.%X %s" plus ", scope" when one is open.
std::string FormatTracePrefix(const CTraceTime& p_oTime, uint32_t p_dwProcessId, uint32_t p_dwThreadId,
                              std::string_view p_sModule, const std::string* p_psScope);
// The message as it goes into the file: carriage returns and line feeds removed.
std::string StripLineBreaks(std::string_view p_sText);
// printf into a buffer that grows in steps of 1024 until the text fits.
std::string FormatVarArgs(const char* p_szFormat, va_list p_args);
// "<dir><sep><base>.log" when it fits in 260 characters, else empty.
std::string LogFilePath(const std::string& p_sDirectory, const char* p_szBase);
// "<temp>\Brevolt SMS", created when missing; empty when it cannot be formed.
std::string DefaultLogDirectory();
// The file name part of a path, after the last '\' or '/'.
std::string FileNameOf(const std::string& p_sPath);

class CLogger
{
  public:
    // p_pModuleAddress is any address inside the module that owns this logger; its file name
    // tags every line. An empty p_sDirectory means the default log directory.
    CLogger(const void* p_pModuleAddress, const std::string& p_sDirectory = std::string(),
            bool p_bInstallCrashHandler = false);
    ~CLogger();
    CLogger(const CLogger&) = delete;
    CLogger& operator=(const CLogger&) = delete;

    void Log(const char* p_szFormat, ...) __attribute__((format(printf, 2, 3)));
    void LogV(const char* p_szFormat, va_list p_args);
    // Writes one message as it stands (no formatting).
    void Write(std::string_view p_sMessage);

    void OpenScope(std::string_view p_sName);
    void CloseScope(std::string_view p_sName);
    // Innermost scope of the calling thread, or nullptr.
    const std::string* CurrentScope() const;

    const std::string& ModuleName() const
    {
        return m_sModuleName;
    }
    const std::string& ProcessPath() const
    {
        return m_sProcessPath;
    }
    const std::string& Directory() const
    {
        return m_sDirectory;
    }
    const std::string& FilePath() const
    {
        return m_sFilePath;
    }

  private:
    std::string m_sModuleName;
    std::string m_sProcessPath;
    std::string m_sDirectory;
    std::string m_sFilePath;
    platform::CThreadSlot m_oScopes;
    platform::CNamedMutex m_oMutex;
    platform::CSharedFile m_oFile;
    bool m_bCrashHandler;
};

// The logger of the module this code is linked into, created when the module loads.
CLogger& ModuleLogger();

// Writes to the module's logger.
void Log(const char* p_szFormat, ...) __attribute__((format(printf, 1, 2)));

// Tags the lines written while it lives with its name.
class CLogScope
{
  public:
    explicit CLogScope(std::string_view p_sName, CLogger& p_oLogger = ModuleLogger());
    ~CLogScope();
    CLogScope(const CLogScope&) = delete;
    CLogScope& operator=(const CLogScope&) = delete;

  private:
    CLogger& m_oLogger;
    std::string m_sName;
};
