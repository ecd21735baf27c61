// common/platform_win.cpp: the Windows side of the seam, the one the product runs on.
#include "common/platform.h"

#include "common/handle_win.h"

#include <windows.h>

namespace platform
{
CTraceTime NowUtc()
{
    SYSTEMTIME st;
    GetSystemTime(&st);
    CTraceTime t;
    t.m_iYear = st.wYear;
    t.m_iMonth = st.wMonth;
    t.m_iDay = st.wDay;
    t.m_iHour = st.wHour;
    t.m_iMinute = st.wMinute;
    t.m_iSecond = st.wSecond;
    t.m_iMilliseconds = st.wMilliseconds;
    return t;
}

uint32_t CurrentProcessId()
{
    return GetCurrentProcessId();
}

uint32_t CurrentThreadId()
{
    return GetCurrentThreadId();
}

uint32_t GetLastErrorCode()
{
    return GetLastError();
}

void SetLastErrorCode(uint32_t p_dwError)
{
    SetLastError(p_dwError);
}

std::string TempDirectory()
{
    char buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof(buffer), buffer);
    if (n == 0 || n >= sizeof(buffer))
        return std::string();
    std::string dir(buffer, n);
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

char PathSeparator()
{
    return '\\';
}

bool EnsureDirectory(const std::string& p_sPath)
{
    return CreateDirectoryA(p_sPath.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string ModulePathOf(const void* p_pAddress)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(p_pAddress), &module))
        return std::string();
    char buffer[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(module, buffer, sizeof(buffer));
    return (n == 0 || n >= sizeof(buffer)) ? std::string() : std::string(buffer, n);
}

std::string ProcessPath()
{
    char buffer[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    return (n == 0 || n >= sizeof(buffer)) ? std::string() : std::string(buffer, n);
}

bool ExpandEnvironment(const std::string& p_sIn, size_t p_nMaxChars, std::string& p_sOut)
{
    p_sOut.clear();
    std::string buffer(p_nMaxChars, '\0');
    const DWORD n = ExpandEnvironmentStringsA(p_sIn.c_str(), buffer.data(), static_cast<DWORD>(p_nMaxChars));
    // n counts the terminator; 0 is a failure and more than the buffer means it did not fit.
    if (n == 0 || n > p_nMaxChars)
        return false;
    buffer.resize(n - 1);
    p_sOut = std::move(buffer);
    return true;
}

CNamedMutex::CNamedMutex(const std::string& p_sName)
    : m_hHandle(reinterpret_cast<intptr_t>(CreateMutexA(nullptr, FALSE, p_sName.c_str())))
{
}

CNamedMutex::~CNamedMutex()
{
    // The portable header keeps the handle as an integer; its owner closes it here.
    unique_handle owner(reinterpret_cast<HANDLE>(m_hHandle));
}

bool CNamedMutex::IsValid() const
{
    return m_hHandle != 0;
}

bool CNamedMutex::Lock(uint32_t p_dwMilliseconds)
{
    if (m_hHandle == 0)
        return false;
    const DWORD result = WaitForSingleObject(reinterpret_cast<HANDLE>(m_hHandle), p_dwMilliseconds);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void CNamedMutex::Unlock()
{
    if (m_hHandle != 0)
        ReleaseMutex(reinterpret_cast<HANDLE>(m_hHandle));
}

CSharedFile::~CSharedFile()
{
    Close();
}

bool CSharedFile::OpenForAppend(const std::string& p_sPath)
{
    Close();
    // FILE_APPEND_DATA alone makes every write land at the end of the file, whoever else
    // holds it open; the size check and truncation happen under the caller's mutex.
    const HANDLE h =
        CreateFileA(p_sPath.c_str(), FILE_APPEND_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_hHandle = (h == INVALID_HANDLE_VALUE) ? -1 : reinterpret_cast<intptr_t>(h);
    return IsOpen();
}

bool CSharedFile::CreateReplacing(const std::string& p_sPath)
{
    Close();
    const HANDLE h = CreateFileA(p_sPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_hHandle = (h == INVALID_HANDLE_VALUE) ? -1 : reinterpret_cast<intptr_t>(h);
    return IsOpen();
}

bool CSharedFile::IsOpen() const
{
    return m_hHandle != -1;
}

int64_t CSharedFile::Size() const
{
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(reinterpret_cast<HANDLE>(m_hHandle), &size))
        return -1;
    return size.QuadPart;
}

bool CSharedFile::Truncate()
{
    if (!IsOpen())
        return false;
    const HANDLE h = reinterpret_cast<HANDLE>(m_hHandle);
    LARGE_INTEGER zero = {};
    return SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && SetEndOfFile(h);
}

bool CSharedFile::Append(const void* p_pData, size_t p_nSize)
{
    if (!IsOpen())
        return false;
    const HANDLE h = reinterpret_cast<HANDLE>(m_hHandle);
    LARGE_INTEGER zero = {};
    SetFilePointerEx(h, zero, nullptr, FILE_END);
    const char* data = static_cast<const char*>(p_pData);
    while (p_nSize > 0)
    {
        DWORD written = 0;
        const DWORD chunk = p_nSize > 0x10000000 ? 0x10000000 : static_cast<DWORD>(p_nSize);
        if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        p_nSize -= written;
    }
    return true;
}

void CSharedFile::Close()
{
    unique_file owner(reinterpret_cast<HANDLE>(m_hHandle));
    m_hHandle = -1;
}

CThreadSlot::CThreadSlot() : m_uSlot(TlsAlloc()), m_bValid(m_uSlot != TLS_OUT_OF_INDEXES)
{
}

CThreadSlot::~CThreadSlot()
{
    if (m_bValid)
        TlsFree(static_cast<DWORD>(m_uSlot));
}

bool CThreadSlot::IsValid() const
{
    return m_bValid;
}

void* CThreadSlot::Get() const
{
    return m_bValid ? TlsGetValue(static_cast<DWORD>(m_uSlot)) : nullptr;
}

void CThreadSlot::Set(void* p_pValue)
{
    if (m_bValid)
        TlsSetValue(static_cast<DWORD>(m_uSlot), p_pValue);
}

void* AllocatePages(size_t p_nBytes)
{
    return VirtualAlloc(nullptr, p_nBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreePages(void* p_pPages, size_t)
{
    if (p_pPages != nullptr)
        VirtualFree(p_pPages, 0, MEM_RELEASE);
}
} // namespace platform
