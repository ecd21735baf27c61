// standins/oe/oe_store_win.cpp: the store folder on disk.
#include "standins/oe/oe_store_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"

#include <windows.h>

namespace oestandin
{
namespace
{
constexpr const char* kFoldersFile = "Folders.dbx";
constexpr size_t kFoldersFileLimit = 16 * 1024 * 1024;

[[nodiscard]] bool MakeDirectories(const std::string& p_sFolder)
{
    for (size_t at = p_sFolder.find('\\', 3); at != std::string::npos; at = p_sFolder.find('\\', at + 1))
    {
        const std::string part = p_sFolder.substr(0, at);
        if (!CreateDirectoryA(part.c_str(), nullptr))
        {
            const DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS)
                continue;
            LogCallFailure(__PRETTY_FUNCTION__, ("CreateDirectory('" + part + "')").c_str(), EResultKind::Win32Error,
                           error);
            return false;
        }
    }
    return true;
}

enum class EWrite
{
    Written,
    Existed,
    Failed,
};

EWrite WriteFileBytes(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes, DWORD p_nDisposition)
{
    unique_file file(
        CreateFileA(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, p_nDisposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS)
            return EWrite::Existed;
        LogCallFailure(__PRETTY_FUNCTION__, ("CreateFile('" + p_sPath + "')").c_str(), EResultKind::Win32Error, error);
        return EWrite::Failed;
    }
    DWORD written = 0;
    if (!LOG_IF_WIN32_BOOL_FALSE(
            WriteFile(file.get(), p_vBytes.data(), static_cast<DWORD>(p_vBytes.size()), &written, nullptr)) ||
        written != p_vBytes.size())
    {
        // A partly written file would count as present on the next start: it goes.
        file.reset();
        DeleteFileA(p_sPath.c_str());
        return EWrite::Failed;
    }
    return EWrite::Written;
}

[[nodiscard]] bool WriteIfMissing(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes)
{
    return WriteFileBytes(p_sPath, p_vBytes, CREATE_NEW) != EWrite::Failed;
}

enum class ELoad
{
    Loaded,
    Missing,
    Unreadable,
};

ELoad LoadFolders(const std::string& p_sPath, std::vector<oestore::CFolderRecord>& p_vFolders)
{
    std::string bytes;
    const EReadFile read = ReadWholeFile(p_sPath, bytes, kFoldersFileLimit);
    if (read == EReadFile::Missing)
        return ELoad::Missing;
    if (read != EReadFile::Read)
    {
        LOG_FAILURE("'%s' could not be read", p_sPath.c_str());
        return ELoad::Unreadable;
    }
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    if (const oestore::EDbxRead result = oestore::ReadFoldersFile(data, p_vFolders); result != oestore::EDbxRead::Ok)
    {
        LOG_FAILURE("'%s' is not a folder index: %s", p_sPath.c_str(), oestore::DbxReadText(result));
        return ELoad::Unreadable;
    }
    return ELoad::Loaded;
}

[[nodiscard]] bool OpenIndexedStore(const std::string& p_sFolder, std::vector<oestore::CFolderRecord>& p_vFolders)
{
    const std::string index = p_sFolder + kFoldersFile;
    const ELoad load = LoadFolders(index, p_vFolders);
    if (load != ELoad::Loaded)
        p_vFolders = oestore::DefaultFolders();
    if (load == ELoad::Missing && !WriteIfMissing(index, oestore::BuildFoldersFile(p_vFolders)))
        return false;
    bool written = true;
    for (const oestore::CFolderRecord& folder : p_vFolders)
    {
        // A file name with a path in it would write outside the store.
        if (folder.m_sFileName.find_first_of("\\/:") != std::string::npos)
            continue;
        written = WriteIfMissing(p_sFolder + folder.m_sFileName, oestore::BuildFolderFile(1)) && written;
    }
    return written;
}
} // namespace

bool OpenStore(int p_iMajor, const std::string& p_sFolder, std::vector<oestore::CFolderRecord>& p_vFolders)
{
    if (!MakeDirectories(p_sFolder))
        return false;
    if (p_iMajor > 4)
        return OpenIndexedStore(p_sFolder, p_vFolders);
    p_vFolders = oestore::DefaultFolders();
    bool written = true;
    for (const oestore::CFolderRecord& folder : p_vFolders)
        written = WriteIfMissing(p_sFolder + folder.m_sName + ".mbx", oestore::BuildMbxFile(1)) && written;
    return written;
}

EAddFolder AddStoreFolderUnder(const std::string& p_sFolder, const std::string& p_sName, uint32_t p_nParentId)
{
    if (p_sName.empty() || p_sName.size() > 200 || p_sName.find_first_of("\\/:*?\"<>|") != std::string::npos ||
        p_sName.front() == ' ' || p_sName.back() == ' ' || p_sName.back() == '.')
        return EAddFolder::BadName;
    std::vector<oestore::CFolderRecord> folders;
    if (!OpenStore(5, p_sFolder, folders) || LoadFolders(p_sFolder + kFoldersFile, folders) != ELoad::Loaded)
        return EAddFolder::Failed;
    bool parentFound = p_nParentId == 0;
    for (const oestore::CFolderRecord& folder : folders)
    {
        if (_stricmp(folder.m_sName.c_str(), p_sName.c_str()) == 0)
            return EAddFolder::Exists;
        parentFound = parentFound || folder.m_nId == p_nParentId;
    }
    if (!parentFound)
        return EAddFolder::NoParent;
    oestore::CFolderRecord added = oestore::NewUserFolder(folders, p_sName);
    added.m_nParentId = p_nParentId;
    folders.push_back(added);
    // The new index replaces the old one only once it is complete on disk, so that a failed write
    // never leaves a store without its folders.
    const std::string index = p_sFolder + kFoldersFile;
    const std::string fresh = index + ".new";
    if (WriteFileBytes(fresh, oestore::BuildFoldersFile(folders), CREATE_ALWAYS) != EWrite::Written)
        return EAddFolder::Failed;
    if (!LOG_IF_WIN32_BOOL_FALSE(MoveFileExA(fresh.c_str(), index.c_str(), MOVEFILE_REPLACE_EXISTING)))
        return EAddFolder::Failed;
    return WriteIfMissing(p_sFolder + added.m_sFileName, oestore::BuildFolderFile(1)) ? EAddFolder::Added
                                                                                      : EAddFolder::Failed;
}

bool AddStoreFolder(const std::string& p_sFolder, const std::string& p_sName)
{
    return AddStoreFolderUnder(p_sFolder, p_sName, 0) == EAddFolder::Added;
}
} // namespace oestandin
