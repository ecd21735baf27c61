// Addressbook/oe/inbox_watch.cpp: the current identity's Inbox file and its next-message number.
#include "Addressbook/oe/inbox_watch.h"

#include "Addressbook/oe/store_file.h"
#include "common/platform.h"
#include "common/trace_log.h"

#include <cerrno>
#include <memory>
#include <vector>

namespace oe
{
namespace
{
bool ReadText(CRegistry& p_oRegistry, const std::string& p_sKey, const char* p_szName, std::string& p_sText)
{
    std::vector<uint8_t> data;
    if (!p_oRegistry.ReadRegistry(ERegRoot::CurrentUser, p_sKey, p_szName, true, data))
        return false;
    p_sText = TextOfValue(data);
    return true;
}
} // namespace

bool CInboxLocator::GetCurrentFolderPath(std::string& p_sFolder)
{
    std::string root;
    if (m_iMajor <= 4)
    {
        if (!ReadText(m_oRegistry, "Software\\Microsoft\\Outlook Express", "Store Root", root) || root.empty())
        {
            Log("ReadRegistry FAILED\n");
            return false;
        }
        if (root.back() != platform::PathSeparator())
            root += platform::PathSeparator();
        p_sFolder = root + "Mail" + platform::PathSeparator();
        return true;
    }
    std::string identity;
    if (!ReadText(m_oRegistry, "Identities", "Last User ID", identity) || identity.empty())
    {
        Log("GetCurrentUser failed\n");
        return false;
    }
    const std::string key = "Identities\\" + identity + "\\Software\\Microsoft\\Outlook Express\\5.0";
    if (!ReadText(m_oRegistry, key, "Store Root", root) || root.empty())
    {
        Log("ReadRegistry FAILED\n");
        return false;
    }
    std::string expanded;
    if (!platform::ExpandEnvironment(root, kMaxExpandedChars, expanded) || expanded.empty())
    {
        Log("iRequiredSize == 0 (%d)\n", static_cast<int>(platform::GetLastErrorCode()));
        return false;
    }
    if (expanded.back() != platform::PathSeparator())
        expanded += platform::PathSeparator();
    p_sFolder = expanded;
    return true;
}

bool CInboxLocator::GetInboxPath(bool p_bRefresh, std::string& p_sPath)
{
    std::string folder;
    if (m_iMajor <= 4)
    {
        if (m_sInboxFileName.empty())
        {
            Log("g_sInboxFileName is blank\n");
            return false;
        }
        if (!GetCurrentFolderPath(folder))
        {
            Log("GetCurrentFolderPath failed\n");
            return false;
        }
        p_sPath = folder + m_sInboxFileName + ".mbx";
        return true;
    }
    if (!p_bRefresh && !m_sCachedPath.empty())
    {
        Log("USE STORED\n");
        p_sPath = m_sCachedPath;
        return true;
    }
    Log("CREATE\n");
    if (!GetCurrentFolderPath(folder))
    {
        Log("GetCurrentFolderPath failed\n");
        return false;
    }
    std::string name;
    std::string error;
    if (!FindInboxFileName(folder + "Folders.dbx", name, error))
    {
        Log("FindInboxFileName: %s", error.c_str());
        return false;
    }
    m_sCachedPath = folder + name;
    p_sPath = m_sCachedPath;
    return true;
}

bool CInboxLocator::GetInboxNextNumber(uint32_t& p_dwNumber)
{
    std::string path;
    if (!GetInboxPath(false, path))
    {
        Log("Get Inbox Path failed\n");
        return false;
    }
    Log("sInboxPath '%s'\n", path.c_str());
    uint32_t error = 0;
    std::unique_ptr<CStoreFile> file = OpenStoreFile(path, error);
    if (!file)
    {
        Log("Error #%ld while opening file\n", static_cast<long>(error));
        return false;
    }
    const uint32_t offset = m_iMajor <= 4 ? kNextNumberOffsetMbx : kNextNumberOffsetDbx;
    uint8_t bytes[4];
    if (file->Size() < offset + sizeof(bytes))
    {
        Log("Got too few bytes");
        return false;
    }
    if (!file->ReadAt(offset, bytes, sizeof(bytes)))
    {
        Log("Error #%ld while reading file\n", static_cast<long>(errno));
        return false;
    }
    p_dwNumber = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                 static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

bool CNewMailTrigger::OnFinishedDownloading(const CTriggerHost& p_oHost)
{
    Log("WM_FINISHED_DOWNLOADING_MESSAGES\n");
    uint32_t number = 0;
    if (!p_oHost.m_fnNextNumber || !p_oHost.m_fnNextNumber(number))
        return false;
    if (number <= m_dwLastSeen)
        return false;
    if (!p_oHost.m_fnSettingReadable || !p_oHost.m_fnSettingReadable(kIdFromValue) ||
        !p_oHost.m_fnSettingReadable(kIdToValue))
        return false;
    if (!p_oHost.m_fnSignal || !p_oHost.m_fnSignal())
        return false;
    Log("TRIGGERING\n");
    m_dwLastSeen = number;
    return true;
}
} // namespace oe
