// standins/oe/oe_mailstore_win.cpp: reading and changing the messages of a folder file.
#include "standins/oe/oe_mailstore_win.h"

#include "common/failure_log.h"
#include "common/file_read.h"
#include "common/handle_win.h"
#include "common/unique_any.h"

#include <windows.h>

namespace oestandin
{
namespace
{
constexpr const char* kStoreMutex = "OEStandinStoreLock";
constexpr DWORD kLockTimeoutMs = 10000;
constexpr size_t kFolderFileLimit = 256 * 1024 * 1024;

[[nodiscard]] bool WriteInPlace(const std::string& p_sPath, const std::vector<uint8_t>& p_vBytes)
{
    unique_file file(CreateFileA(p_sPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        LogCallFailure(__PRETTY_FUNCTION__, ("CreateFile('" + p_sPath + "')").c_str(), EResultKind::Win32Error,
                       GetLastError());
        return false;
    }
    DWORD written = 0;
    return LOG_IF_WIN32_BOOL_FALSE(
               WriteFile(file.get(), p_vBytes.data(), static_cast<DWORD>(p_vBytes.size()), &written, nullptr)) &&
           written == p_vBytes.size() && LOG_IF_WIN32_BOOL_FALSE(SetEndOfFile(file.get()));
}
} // namespace

bool SpecialFolderFile(int p_iMajor, const std::string& p_sStoreFolder, uint32_t p_nSpecial, std::string& p_sPath)
{
    if (p_iMajor <= 4)
    {
        for (const oestore::CFolderRecord& folder : oestore::DefaultFolders())
        {
            if (folder.m_nSpecial == p_nSpecial)
            {
                p_sPath = p_sStoreFolder + folder.m_sName + ".mbx";
                return true;
            }
        }
        return false;
    }
    std::string bytes;
    if (ReadWholeFile(p_sStoreFolder + "Folders.dbx", bytes, 16 * 1024 * 1024) != EReadFile::Read)
        return false;
    std::vector<oestore::CFolderRecord> folders;
    if (oestore::ReadFoldersFile(std::vector<uint8_t>(bytes.begin(), bytes.end()), folders) != oestore::EDbxRead::Ok)
        return false;
    for (const oestore::CFolderRecord& folder : folders)
    {
        // A file name with a path in it would reach outside the store.
        if (folder.m_nSpecial == p_nSpecial && !folder.m_sFileName.empty() &&
            folder.m_sFileName.find_first_of("\\/:") == std::string::npos)
        {
            p_sPath = p_sStoreFolder + folder.m_sFileName;
            return true;
        }
    }
    return false;
}

bool ReadFolderContents(int p_iMajor, const std::string& p_sPath, CFolderContents& p_oContents)
{
    std::string text;
    if (ReadWholeFile(p_sPath, text, kFolderFileLimit) != EReadFile::Read)
    {
        LOG_FAILURE("'%s' could not be read", p_sPath.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    const oestore::EDbxRead result = p_iMajor <= 4
                                         ? oestore::ReadMbxFile(bytes, p_oContents.m_nNext, p_oContents.m_vMessages)
                                         : oestore::ReadFolderFile(bytes, p_oContents.m_nNext, p_oContents.m_vMessages);
    if (result != oestore::EDbxRead::Ok)
    {
        LOG_FAILURE("'%s' is not a folder file: %s", p_sPath.c_str(), oestore::DbxReadText(result));
        return false;
    }
    return true;
}

bool ChangeFolder(int p_iMajor, const std::string& p_sPath, const std::function<bool(CFolderContents&)>& p_fnChange)
{
    unique_handle lock(CreateMutexA(nullptr, FALSE, kStoreMutex));
    if (!LOG_IF_WIN32_BOOL_FALSE(lock.get()))
        return false;
    const DWORD wait = WaitForSingleObject(lock.get(), kLockTimeoutMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
    {
        LOG_FAILURE("the store lock was not granted (%lu)", wait);
        return false;
    }
    const scope_exit unlock([&] { ReleaseMutex(lock.get()); });
    CFolderContents contents;
    if (!ReadFolderContents(p_iMajor, p_sPath, contents) || !p_fnChange(contents))
        return false;
    for (const oestore::CStoredMessage& message : contents.m_vMessages)
    {
        if (message.m_sText.size() > oestore::kMaxStoredText)
        {
            LOG_FAILURE("a message of %lu bytes does not fit '%s'", static_cast<unsigned long>(message.m_sText.size()),
                        p_sPath.c_str());
            return false;
        }
    }
    return WriteInPlace(p_sPath, p_iMajor <= 4 ? oestore::BuildMbxFile(contents.m_nNext, contents.m_vMessages)
                                               : oestore::BuildFolderFile(contents.m_nNext, contents.m_vMessages));
}

bool StoreMessage(int p_iMajor, const std::string& p_sStoreFolder, uint32_t p_nSpecial, const std::string& p_sText,
                  uint32_t p_nFlags, uint32_t& p_nId)
{
    std::string path;
    if (!SpecialFolderFile(p_iMajor, p_sStoreFolder, p_nSpecial, path))
    {
        LOG_FAILURE("no folder of type %u in '%s'", p_nSpecial, p_sStoreFolder.c_str());
        return false;
    }
    return ChangeFolder(p_iMajor, path, [&](CFolderContents& p_oContents) {
        // A number already taken (a damaged header) must not give two messages one id.
        uint32_t id = p_oContents.m_nNext == 0 ? 1 : p_oContents.m_nNext;
        for (const oestore::CStoredMessage& message : p_oContents.m_vMessages)
            id = message.m_nId >= id ? message.m_nId + 1 : id;
        oestore::CStoredMessage message;
        message.m_nId = id;
        message.m_nFlags = p_nFlags;
        message.m_sText = p_sText;
        p_oContents.m_vMessages.push_back(std::move(message));
        p_oContents.m_nNext = id + 1;
        p_nId = id;
        return true;
    });
}
} // namespace oestandin
