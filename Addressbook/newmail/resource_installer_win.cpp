// Addressbook/newmail/resource_installer_win.cpp: CResourceInstallerWin.
#include "Addressbook/newmail/resource_installer_win.h"

#include "common/failure_log.h"
#include "common/handle_win.h"
#include "common/message_box_win.h"
#include "common/trace_log.h"

#include <shlobj.h>

#include <algorithm>

const char* const kProductFolderName = "Brevolt SMS";

CResourceInstallerWin::CResourceInstallerWin(HANDLE p_hMutex, std::function<void()> p_fnAnnounce, HWND p_hOwner)
    : m_hMutex(p_hMutex), m_fnAnnounce(std::move(p_fnAnnounce)), m_hOwner(p_hOwner)
{
}

bool CResourceInstallerWin::ProductFolder(std::string& p_sFolder)
{
    std::string documents = m_sDocumentsFolder;
    if (documents.empty())
    {
        char path[MAX_PATH] = {};
        if (FAILED(LOG_IF_FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))))
            return false;
        documents = path;
    }
    p_sFolder = documents + "\\" + kProductFolderName;
    const DWORD attributes = GetFileAttributesA(p_sFolder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    const int created = SHCreateDirectoryExA(nullptr, p_sFolder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "SHCreateDirectoryExA", EResultKind::Win32Error,
                       static_cast<uint32_t>(created));
        return false;
    }
    return true;
}

bool CResourceInstallerWin::DeleteOnce(const std::string& p_sPath, uint32_t& p_dwError)
{
    if (GetFileAttributesA(p_sPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
    }
    SetFileAttributesA(p_sPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(p_sPath.c_str()))
        return true;
    p_dwError = GetLastError();
    if (p_dwError == ERROR_FILE_NOT_FOUND || p_dwError == ERROR_PATH_NOT_FOUND)
        return true;
    LogCallFailure(__PRETTY_FUNCTION__, "DeleteFileA", EResultKind::Win32Error, p_dwError);
    return false;
}

void CResourceInstallerWin::ShowDeleteFailure(const std::string& p_sText, const std::string& p_sCaption)
{
    ShowMessageBox(m_hOwner, p_sText, p_sCaption, MB_OK | MB_ICONERROR);
}

bool CResourceInstallerWin::Lock()
{
    if (m_hMutex == nullptr)
    {
        LOG_FAILURE("no resource-changing mutex");
        return false;
    }
    const DWORD wait = WaitForSingleObject(m_hMutex, INFINITE);
    // A reader that died holding the lock leaves it abandoned; the lock is ours all the same.
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
    {
        LogCallFailure(__PRETTY_FUNCTION__, "WaitForSingleObject", EResultKind::Win32Error, GetLastError());
        return false;
    }
    m_bLocked = true;
    return true;
}

void CResourceInstallerWin::Unlock()
{
    if (m_bLocked)
        LOG_IF_WIN32_BOOL_FALSE(ReleaseMutex(m_hMutex));
    m_bLocked = false;
}

bool CResourceInstallerWin::WriteModule(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes)
{
    unique_file file(LOG_IF_WIN32_BOOL_FALSE(
        CreateFileA(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file)
        return false;
    size_t written = 0;
    while (written < p_vBytes.size())
    {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(p_vBytes.size() - written, 1u << 20));
        DWORD done = 0;
        if (!LOG_IF_WIN32_BOOL_FALSE(WriteFile(file.get(), p_vBytes.data() + written, chunk, &done, nullptr)) ||
            done == 0)
        {
            file.reset();
            DeleteFileA(p_sPath.c_str());
            return false;
        }
        written += done;
    }
    return true;
}

void CResourceInstallerWin::Announce()
{
    if (m_fnAnnounce)
        m_fnAnnounce();
}
