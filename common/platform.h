// common/platform.h: the thin operating-system seam under the portable runtime.
// platform_win.cpp is the product; platform_posix.cpp lets the same logic run in native tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Calendar time as the trace log and the crash report print it.
struct CTraceTime
{
    int m_iYear = 0;
    int m_iMonth = 0;
    int m_iDay = 0;
    int m_iHour = 0;
    int m_iMinute = 0;
    int m_iSecond = 0;
    int m_iMilliseconds = 0;
};

namespace platform
{
CTraceTime NowUtc();
uint32_t CurrentProcessId();
uint32_t CurrentThreadId();

// The thread's last error (GetLastError on Windows): registry helpers report through it.
uint32_t GetLastErrorCode();
void SetLastErrorCode(uint32_t p_dwError);

// The user's temporary directory without a trailing separator, and the separator itself.
std::string TempDirectory();
char PathSeparator();
bool EnsureDirectory(const std::string& p_sPath);

// Full path of the module containing p_pAddress, and of the running executable.
std::string ModulePathOf(const void* p_pAddress);
std::string ProcessPath();

// Environment variables written %NAME% are replaced by their values. Fails, leaving p_sOut
// empty, when the result would need more than p_nMaxChars characters.
bool ExpandEnvironment(const std::string& p_sIn, size_t p_nMaxChars, std::string& p_sOut);

// Zeroed memory straight from the system's pages (mmap, VirtualAlloc), for a large table that a
// job fills and drops: a heap request that size makes the heap first merge every small block the
// job's records freed, and hands back memory that must be cleared again. nullptr when the system
// has none. FreePages takes the pointer and the size AllocatePages was given.
void* AllocatePages(size_t p_nBytes);
void FreePages(void* p_pPages, size_t p_nBytes);

// A mutex shared by every process that opens the same name.
class CNamedMutex
{
  public:
    explicit CNamedMutex(const std::string& p_sName);
    ~CNamedMutex();
    CNamedMutex(const CNamedMutex&) = delete;
    CNamedMutex& operator=(const CNamedMutex&) = delete;

    bool IsValid() const;
    // Waits up to p_dwMilliseconds. An owner that died holding it still yields the lock.
    [[nodiscard]] bool Lock(uint32_t p_dwMilliseconds);
    void Unlock();

  private:
    intptr_t m_hHandle;
};

// A file opened for shared appending: every handle on it writes at its current end.
class CSharedFile
{
  public:
    CSharedFile() = default;
    ~CSharedFile();
    CSharedFile(const CSharedFile&) = delete;
    CSharedFile& operator=(const CSharedFile&) = delete;

    [[nodiscard]] bool OpenForAppend(const std::string& p_sPath);
    // Creates or replaces the file.
    [[nodiscard]] bool CreateReplacing(const std::string& p_sPath);
    bool IsOpen() const;
    int64_t Size() const;
    bool Truncate();
    bool Append(const void* p_pData, size_t p_nSize);
    void Close();

  private:
    intptr_t m_hHandle = -1;
};

// One pointer per thread, allocated once and freed once.
class CThreadSlot
{
  public:
    CThreadSlot();
    ~CThreadSlot();
    CThreadSlot(const CThreadSlot&) = delete;
    CThreadSlot& operator=(const CThreadSlot&) = delete;

    bool IsValid() const;
    void* Get() const;
    void Set(void* p_pValue);

  private:
    uintptr_t m_uSlot;
    bool m_bValid;
};
} // namespace platform
