// common/trace_log.cpp: line format, scopes and the size rule of the shared trace log.
#include "common/trace_log.h"

#include "common/crash_report.h"

#include <cstdio>

const char* const kTraceRestartNote = "NOTE: This log file was restarted after reaching the size limit.\r\n\r\n";
const char* const kTraceMutexName = "TPCLM";

void CScopeStack::Open(std::string_view p_sName)
{
    m_vNames.emplace_back(p_sName);
}

void CScopeStack::Close(std::string_view p_sName)
{
    for (size_t i = m_vNames.size(); i > 0; --i)
    {
        if (m_vNames[i - 1] == p_sName)
        {
            m_vNames.resize(i - 1);
            return;
        }
    }
}

std::string FormatTracePrefix(const CTraceTime& p_oTime, uint32_t p_dwProcessId, uint32_t p_dwThreadId,
                              std::string_view p_sModule, const std::string* p_psScope)
{
    char stamp[96];
    std::snprintf(stamp, sizeof(stamp), "%04d%02d%02d %02d:%02d:%02d.%03d %X.%X ", p_oTime.m_iYear, p_oTime.m_iMonth,
                  p_oTime.m_iDay, p_oTime.m_iHour, p_oTime.m_iMinute, p_oTime.m_iSecond, p_oTime.m_iMilliseconds,
                  static_cast<unsigned>(p_dwProcessId), static_cast<unsigned>(p_dwThreadId));
    std::string prefix(stamp);
    prefix.append(p_sModule);
    if (p_psScope != nullptr)
    {
        prefix += ", ";
        prefix += *p_psScope;
    }
    return prefix;
}

std::string StripLineBreaks(std::string_view p_sText)
{
    std::string out;
    out.reserve(p_sText.size());
    for (char c : p_sText)
    {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

std::string FormatVarArgs(const char* p_szFormat, va_list p_args)
{
    std::string buffer(1024, '\0');
    for (;;)
    {
        va_list args;
        va_copy(args, p_args);
        const int n = std::vsnprintf(buffer.data(), buffer.size(), p_szFormat, args);
        va_end(args);
        if (n < 0)
            return std::string();
        if (static_cast<size_t>(n) < buffer.size())
        {
            buffer.resize(static_cast<size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() + 1024);
    }
}

std::string LogFilePath(const std::string& p_sDirectory, const char* p_szBase)
{
    if (p_sDirectory.empty())
        return std::string();
    std::string path = p_sDirectory;
    path += platform::PathSeparator();
    path += p_szBase;
    path += ".log";
    if (path.size() + 1 > kMaxLogPath)
        return std::string();
    return path;
}

std::string DefaultLogDirectory()
{
    const std::string temp = platform::TempDirectory();
    if (temp.empty())
        return std::string();
    std::string dir = temp;
    if (dir.back() != platform::PathSeparator())
        dir += platform::PathSeparator();
    dir += "Brevolt SMS";
    if (dir.size() + 1 > kMaxLogPath || !platform::EnsureDirectory(dir))
        return std::string();
    return dir;
}

std::string FileNameOf(const std::string& p_sPath)
{
    const size_t slash = p_sPath.find_last_of("\\/");
    return slash == std::string::npos ? p_sPath : p_sPath.substr(slash + 1);
}

CLogger::CLogger(const void* p_pModuleAddress, const std::string& p_sDirectory, bool p_bInstallCrashHandler)
    : m_sModuleName(FileNameOf(platform::ModulePathOf(p_pModuleAddress))), m_sProcessPath(platform::ProcessPath()),
      m_sDirectory(p_sDirectory.empty() ? DefaultLogDirectory() : p_sDirectory), m_oMutex(kTraceMutexName),
      m_bCrashHandler(false)
{
    if (!p_sDirectory.empty())
        platform::EnsureDirectory(m_sDirectory);
    m_sFilePath = LogFilePath(m_sDirectory, "trace");
    if (!m_sFilePath.empty())
        (void)m_oFile.OpenForAppend(m_sFilePath);
    if (p_bInstallCrashHandler)
        m_bCrashHandler = InstallCrashHandler(m_sDirectory);
    Log("Logging started in module '%s' of process '%s'", m_sModuleName.c_str(), m_sProcessPath.c_str());
}

CLogger::~CLogger()
{
    if (m_bCrashHandler)
        RemoveCrashHandler();
    delete static_cast<CScopeStack*>(m_oScopes.Get());
    m_oScopes.Set(nullptr);
}

void CLogger::Log(const char* p_szFormat, ...)
{
    va_list args;
    va_start(args, p_szFormat);
    LogV(p_szFormat, args);
    va_end(args);
}

void CLogger::LogV(const char* p_szFormat, va_list p_args)
{
    if (!m_oFile.IsOpen())
        return;
    if (p_szFormat == nullptr)
    {
        Write("The application did not indicate what the error was");
        return;
    }
    Write(FormatVarArgs(p_szFormat, p_args));
}

void CLogger::Write(std::string_view p_sMessage)
{
    if (!m_oFile.IsOpen())
        return;
    const std::string prefix = FormatTracePrefix(platform::NowUtc(), platform::CurrentProcessId(),
                                                 platform::CurrentThreadId(), m_sModuleName, CurrentScope());
    std::string text = " ";
    text += StripLineBreaks(p_sMessage);
    text += "\r\n";

    if (!m_oMutex.Lock(kTraceMutexWaitMs))
        return;
    if (m_oFile.Size() > kTraceLogLimit)
    {
        if (m_oFile.Truncate())
            m_oFile.Append(kTraceRestartNote, std::char_traits<char>::length(kTraceRestartNote));
    }
    // Pieces are written one by one without a buffer of our own; the mutex keeps them together.
    m_oFile.Append(prefix.data(), prefix.size());
    m_oFile.Append(text.data(), text.size());
    m_oMutex.Unlock();
}

void CLogger::OpenScope(std::string_view p_sName)
{
    auto* stack = static_cast<CScopeStack*>(m_oScopes.Get());
    if (stack == nullptr)
    {
        stack = new CScopeStack;
        m_oScopes.Set(stack);
    }
    stack->Open(p_sName);
}

void CLogger::CloseScope(std::string_view p_sName)
{
    auto* stack = static_cast<CScopeStack*>(m_oScopes.Get());
    if (stack == nullptr)
        return;
    stack->Close(p_sName);
    if (stack->IsEmpty())
    {
        delete stack;
        m_oScopes.Set(nullptr);
    }
}

const std::string* CLogger::CurrentScope() const
{
    const auto* stack = static_cast<const CScopeStack*>(m_oScopes.Get());
    return stack == nullptr ? nullptr : stack->Innermost();
}

namespace
{
// Anchors the module: the logger's own address identifies which module it belongs to.
const char g_cModuleAnchor = 0;

// Constructed at load so "Logging started" appears when the module comes in.
struct CModuleLoggerAtLoad
{
    CModuleLoggerAtLoad()
    {
        ModuleLogger();
    }
} g_oModuleLoggerAtLoad;
} // namespace

CLogger& ModuleLogger()
{
    static CLogger s_oLogger(&g_cModuleAnchor, std::string(), true);
    return s_oLogger;
}

void Log(const char* p_szFormat, ...)
{
    va_list args;
    va_start(args, p_szFormat);
    ModuleLogger().LogV(p_szFormat, args);
    va_end(args);
}

CLogScope::CLogScope(std::string_view p_sName, CLogger& p_oLogger) : m_oLogger(p_oLogger), m_sName(p_sName)
{
    m_oLogger.OpenScope(m_sName);
}

CLogScope::~CLogScope()
{
    m_oLogger.CloseScope(m_sName);
}
