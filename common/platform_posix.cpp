// common/platform_posix.cpp: the POSIX side of the seam, so the runtime's rules run in native tests.
#include "common/platform.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace platform
{
namespace
{
thread_local uint32_t t_dwLastError = 0;
} // namespace

CTraceTime NowUtc()
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm parts = {};
    gmtime_r(&seconds, &parts);
    CTraceTime t;
    t.m_iYear = parts.tm_year + 1900;
    t.m_iMonth = parts.tm_mon + 1;
    t.m_iDay = parts.tm_mday;
    t.m_iHour = parts.tm_hour;
    t.m_iMinute = parts.tm_min;
    t.m_iSecond = parts.tm_sec;
    t.m_iMilliseconds = static_cast<int>(ms % 1000);
    return t;
}

uint32_t CurrentProcessId()
{
    return static_cast<uint32_t>(getpid());
}

uint32_t CurrentThreadId()
{
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

uint32_t GetLastErrorCode()
{
    return t_dwLastError;
}

void SetLastErrorCode(uint32_t p_dwError)
{
    t_dwLastError = p_dwError;
}

std::string TempDirectory()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

char PathSeparator()
{
    return '/';
}

bool EnsureDirectory(const std::string& p_sPath)
{
    if (mkdir(p_sPath.c_str(), 0777) == 0 || errno == EEXIST)
        return true;
    return false;
}

std::string ModulePathOf(const void* p_pAddress)
{
    Dl_info info = {};
    if (dladdr(p_pAddress, &info) != 0 && info.dli_fname != nullptr)
        return info.dli_fname;
    return ProcessPath();
}

std::string ProcessPath()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

bool ExpandEnvironment(const std::string& p_sIn, size_t p_nMaxChars, std::string& p_sOut)
{
    // Same rules as ExpandEnvironmentStrings: %NAME% of a defined variable is replaced,
    // anything else (an undefined name, a lone %) stays as written.
    std::string out;
    size_t i = 0;
    while (i < p_sIn.size())
    {
        const size_t open = p_sIn.find('%', i);
        if (open == std::string::npos)
        {
            out.append(p_sIn, i, std::string::npos);
            break;
        }
        out.append(p_sIn, i, open - i);
        const size_t close = p_sIn.find('%', open + 1);
        if (close == std::string::npos)
        {
            out.append(p_sIn, open, std::string::npos);
            break;
        }
        const std::string name = p_sIn.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value != nullptr)
        {
            out += value;
            i = close + 1;
        }
        else
        {
            out.append(p_sIn, open, close - open);
            i = close;
        }
    }
    p_sOut.clear();
    if (out.size() + 1 > p_nMaxChars)
        return false;
    p_sOut = std::move(out);
    return true;
}

// A named mutex is an flock on a file named after it in the temporary directory: the kernel
// releases it when its owner dies, as Windows abandons a mutex.
CNamedMutex::CNamedMutex(const std::string& p_sName)
{
    const std::string path = TempDirectory() + "/.brevolt-mutex-" + p_sName;
    m_hHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

CNamedMutex::~CNamedMutex()
{
    if (m_hHandle >= 0)
        ::close(static_cast<int>(m_hHandle));
}

bool CNamedMutex::IsValid() const
{
    return m_hHandle >= 0;
}

bool CNamedMutex::Lock(uint32_t p_dwMilliseconds)
{
    if (m_hHandle < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(p_dwMilliseconds);
    for (;;)
    {
        if (flock(static_cast<int>(m_hHandle), LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void CNamedMutex::Unlock()
{
    if (m_hHandle >= 0)
        flock(static_cast<int>(m_hHandle), LOCK_UN);
}

CSharedFile::~CSharedFile()
{
    Close();
}

bool CSharedFile::OpenForAppend(const std::string& p_sPath)
{
    Close();
    m_hHandle = ::open(p_sPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    return m_hHandle >= 0;
}

bool CSharedFile::CreateReplacing(const std::string& p_sPath)
{
    Close();
    m_hHandle = ::open(p_sPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return m_hHandle >= 0;
}

bool CSharedFile::IsOpen() const
{
    return m_hHandle >= 0;
}

int64_t CSharedFile::Size() const
{
    struct stat st = {};
    if (m_hHandle < 0 || fstat(static_cast<int>(m_hHandle), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool CSharedFile::Truncate()
{
    return m_hHandle >= 0 && ftruncate(static_cast<int>(m_hHandle), 0) == 0;
}

bool CSharedFile::Append(const void* p_pData, size_t p_nSize)
{
    if (m_hHandle < 0)
        return false;
    const char* data = static_cast<const char*>(p_pData);
    while (p_nSize > 0)
    {
        const ssize_t n = ::write(static_cast<int>(m_hHandle), data, p_nSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        p_nSize -= static_cast<size_t>(n);
    }
    return true;
}

void CSharedFile::Close()
{
    if (m_hHandle >= 0)
        ::close(static_cast<int>(m_hHandle));
    m_hHandle = -1;
}

CThreadSlot::CThreadSlot() : m_uSlot(0), m_bValid(false)
{
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) == 0)
    {
        m_uSlot = static_cast<uintptr_t>(key);
        m_bValid = true;
    }
}

CThreadSlot::~CThreadSlot()
{
    if (m_bValid)
        pthread_key_delete(static_cast<pthread_key_t>(m_uSlot));
}

bool CThreadSlot::IsValid() const
{
    return m_bValid;
}

void* CThreadSlot::Get() const
{
    return m_bValid ? pthread_getspecific(static_cast<pthread_key_t>(m_uSlot)) : nullptr;
}

void CThreadSlot::Set(void* p_pValue)
{
    if (m_bValid)
        pthread_setspecific(static_cast<pthread_key_t>(m_uSlot), p_pValue);
}

void* AllocatePages(size_t p_nBytes)
{
    void* p_pPages = mmap(nullptr, p_nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p_pPages == MAP_FAILED ? nullptr : p_pPages;
}

void FreePages(void* p_pPages, size_t p_nBytes)
{
    if (p_pPages != nullptr)
        munmap(p_pPages, p_nBytes);
}
} // namespace platform
